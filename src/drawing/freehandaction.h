#pragma once

#include <QPointF>

class PaintData;
class PaintProperty;

// The records of freehand actions (pencil, pen, highlighter and eraser) as both boards make them
// from pointer input. Points are page coordinates; a pressure of -1 means none is known.
namespace FreehandAction {

// Fills action (its type already set to a freehand PaintTool) at the press at point q. leftSide and
// topSide are the view sides showing the page's left and top edges (see strokepainter.h).
void begin(PaintData *action, const QPointF &q, double pressure, const PaintProperty &property,
           int leftSide, int topSide, double minimumPenWidth);

// Adds point q with its width to a pencil or pen stroke; false (nothing added) when q is the
// stroke's last point.
bool addPenPoint(PaintData *action, const QPointF &q, double pressure, double minimumPenWidth);

} // namespace FreehandAction
