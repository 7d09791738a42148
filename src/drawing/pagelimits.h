#pragma once

#include <QPixmap>
#include <QSize>

// Size rules of a board page, kept in one place for every board.

// The smallest page side a board accepts.
constexpr int minimumPageSide = 30;
// A page is scaled down to at most this many pixels on its longer side: each page has six layer
// pixmaps of its size, and a huge picture would need gigabytes.
constexpr int maximumPageSide = 4096;

// size scaled down, keeping its aspect, so that its longer side is at most maximumPageSide;
// unchanged when it already fits. A side never becomes smaller than 1.
QSize limitedPageSize(const QSize &size);

// A page picture scaled by the same factor that limitedPageSize applies to pageSize (smooth);
// unchanged when pageSize fits or the picture is null.
QPixmap limitedPagePicture(const QPixmap &picture, const QSize &pageSize);
