#pragma once

#include <QRect>
#include <QSize>
#include <optional>

#include "drawing/arrowdirection.h"
#include "drawing/slidecommand.h"

// Where a slide goes and which page a navigation command leads to.
namespace SlideGeometry {

// The slide fitted to the free screen area, keeping its aspect ratio; empty for an empty slide.
QSize fitToScreen(const QSize &slide, const QSize &free);
// The slide's rectangle in a document area of the given size: as large as fits, centred.
// Empty for an empty slide or area.
QRect placeInArea(const QSize &slide, const QSize &area);
// The page that command leads to from page current of count, wrapping at both ends; 0 for
// none.
int pageAfterCommand(SlideCommand command, int current, int count);
// The command an arrow key gives on a slide: up and down step, left and right turn the page.
SlideCommand commandForArrow(ArrowDirection direction);
// The command a number from an int-typed signature stands for; none for an unknown one.
std::optional<SlideCommand> slideCommandFromInt(int command);

} // namespace SlideGeometry
