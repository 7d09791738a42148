#include "drawing/freehandaction.h"

#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"

namespace FreehandAction {

void begin(PaintData *action, const QPointF &q, double pressure, const PaintProperty &property,
           int leftSide, int topSide, double minimumPenWidth)
{
    action->points << q;
    switch (action->type) {
        case PaintTool::Pencil:
        case PaintTool::Pen:
            action->width = property.lineBoldSize;
            action->color = property.foreColor;
            if (action->type == PaintTool::Pen)
                action->values << angleBrushWidth(pressure, 0.0, q, q, property.lineBoldSize,
                                                  minimumPenWidth);
            else if (pressure != -1.0)
                action->values << pressureWidth(pressure, property.lineBoldSize);
            else
                action->values << dynamicPenWidth(0, q, q, q, 0.0, property.lineBoldSize);
            break;
        case PaintTool::Highlighter:
            action->value2 = topSide;
            action->width = property.highlightSize;
            action->color = property.foreColor;
            break;
        case PaintTool::Eraser:
            action->value1 = leftSide;
            action->value2 = topSide;
            action->width = property.eraserSize;
            action->style = property.eraserShape;
            break;
        default:
            break;
    }
}

bool addPenPoint(PaintData *action, const QPointF &q, double pressure, double minimumPenWidth)
{
    if (!action->points.isEmpty() && q == action->points.last())
        return false;
    const int lineWidth = action->width;
    action->points << q;
    const int n = action->points.size();
    const QVector<QPointF> &pts = action->points;
    const double last = action->values.isEmpty() ? 0.0 : action->values.last();
    double w;
    if (action->type == PaintTool::Pen) {
        w = angleBrushWidth(pressure, last, n > 1 ? pts.at(n - 2) : q, q, lineWidth,
                            minimumPenWidth);
    } else if (pressure != -1.0) {
        w = pressureWidth(pressure, lineWidth);
    } else if (n < 3) {
        w = dynamicPenWidth(n - 1, QPointF(), QPointF(), q, 0.0, lineWidth);
    } else {
        w = dynamicPenWidth(n - 1, pts.at(n - 3), pts.at(n - 2), q, last, lineWidth);
    }
    action->values << w;
    return true;
}

} // namespace FreehandAction
