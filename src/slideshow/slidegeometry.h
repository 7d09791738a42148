#pragma once

#include <QRect>
#include <QSize>

// Where a slide goes and which page a navigation command leads to.
namespace SlideGeometry {

// The slide fitted to the free screen area, keeping its aspect ratio; empty for an empty slide.
QSize fitToScreen(const QSize &slide, const QSize &free);
// The slide's rectangle in a document area of the given size: as large as fits, centred.
// Empty for an empty slide or area.
QRect placeInArea(const QSize &slide, const QSize &area);
// The page that command leads to from page current of count (0 same page, 1 previous step,
// 2 next step, 3 previous page, 4 next page, 5 next page), wrapping at both ends; 0 for
// none.
int pageAfterCommand(int command, int current, int count);

} // namespace SlideGeometry
