#pragma once

#include <QMargins>
#include <QPixmap>
#include <QSize>

// Size rules of a board page, kept in one place for every board.

// The smallest page side a board accepts.
constexpr int minimumPageSide = 30;
// A page is scaled down to at most this many pixels on its longer side: each page has six layer
// pixmaps of its size, and a huge picture would need gigabytes.
constexpr int maximumPageSide = 4096;

// size scaled down, keeping its aspect, so that its longer side is at most maximumPageSide;
// unchanged when it already fits. A side is never reduced below minimumPageSide, so a long thin
// picture stays a page that can be opened.
QSize limitedPageSize(const QSize &size);

// A page picture scaled side by side as limitedPageSize scales pageSize (smooth); unchanged when
// pageSize fits, when the picture is null or already of the limited size.
QPixmap limitedPagePicture(const QPixmap &picture, const QSize &pageSize);

// The extension of a page of pageSize cut back so that the extended page keeps within
// maximumPageSide on each side, as a picture page does. Only what grew beyond start is given
// up, on each axis the side that grew more first.
QMargins limitedPageExtension(const QSize &pageSize, const QMargins &extension,
                              const QMargins &start);
