#include "drawing/strokeoutline.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "drawing/colorname.h"

namespace {
// Perpendicular offset of half the width for a tangent angle in degrees.
QPointF sideOffset(double width, qreal angleDegrees)
{
    const qreal theta = qDegreesToRadians(angleDegrees);
    return (width / 2) * QPointF(qSin(theta), qCos(theta));
}

void setOutlineTools(QPainter *painter, const QColor &color)
{
    painter->setPen(QPen(color, 0.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(QBrush(color, Qt::SolidPattern));
}

void paintStartDisc(QPainter *painter, const QPointF &start, double width)
{
    const double radius = strokeStartDiscRadius(width);
    painter->drawEllipse(start, radius, radius);
}
} // namespace

double strokeStartDiscRadius(double width)
{
    return qMax(0.0, width / 2 - 0.2);
}

void paintVariableWidthLine(QPainter *painter, const QPointF &start, const QPointF &end,
                            double startWidth, double endWidth, const QString &color)
{
    const QColor c = colorFromName(color);
    if (!painter || !c.isValid())
        return;
    QPainterPath path(start);
    path.lineTo(end);
    const QPointF startOffset = sideOffset(startWidth, path.angleAtPercent(0.01));
    const QPointF endOffset = sideOffset(endWidth, path.angleAtPercent(0.99));

    QPainterPath outline(start + startOffset);
    outline.lineTo(end + endOffset);
    outline.lineTo(end - endOffset);
    outline.lineTo(start - startOffset);
    outline.lineTo(start + startOffset);
    setOutlineTools(painter, c);
    painter->drawPath(outline);
    paintStartDisc(painter, start, startWidth);
}

void paintVariableWidthCurve(QPainter *painter, const QPointF &previous, const QPointF &start,
                             const QPointF &control1, const QPointF &control2, const QPointF &end,
                             const QPointF &next, double startWidth, double endWidth,
                             const QString &color, const QPointF &marker)
{
    const QColor c = colorFromName(color);
    if (!painter || !c.isValid())
        return;
    const bool first =
        qFuzzyCompare(previous.x(), marker.x()) && qFuzzyCompare(previous.y(), marker.y());
    QPointF c1 = control1;
    QPointF c2 = control2;
    if (!first) {
        c1 = start + (end - previous) * 0.25;
        c2 = end - (next - start) * 0.25;
    }
    QPainterPath path(start);
    path.cubicTo(c1, c2, end);
    const QPointF startOffset = sideOffset(startWidth, path.angleAtPercent(0.01));
    const QPointF endOffset = sideOffset(endWidth, path.angleAtPercent(0.99));

    QPainterPath outline(start + startOffset);
    outline.cubicTo(c1 + startOffset, c2 + endOffset, end + endOffset);
    outline.lineTo(end - endOffset);
    outline.cubicTo(c2 - endOffset, c1 - startOffset, start - startOffset);
    outline.lineTo(start + startOffset);
    setOutlineTools(painter, c);
    painter->drawPath(outline);
    if (!first)
        paintStartDisc(painter, start, startWidth);
}
