#include "drawing/gridlines.h"

#include <QPainter>
#include <QPen>
#include <QVector>
#include <QtGlobal>

#include "drawing/colorname.h"

GridSpacing::GridSpacing(double pixelsPerMillimetre)
    : stepPixels(2.5 * pixelsPerMillimetre)
{}

double GridSpacing::pixels() const
{
    return stepCount * stepPixels;
}

bool GridSpacing::widen(double limit)
{
    return trySteps(stepCount + 1, limit);
}

bool GridSpacing::narrow(double limit)
{
    return trySteps(stepCount - 1, limit);
}

bool GridSpacing::trySteps(int steps, double limit)
{
    if (steps < 1 || !(steps * stepPixels > 0.0) || !(steps * stepPixels < limit))
        return false;
    stepCount = steps;
    return true;
}

bool gridHasHorizontalLines(int type)
{
    return type == GridType::Horizontal || type == GridType::Both;
}

bool gridHasVerticalLines(int type)
{
    return type == GridType::Vertical || type == GridType::Both;
}

namespace {
// Where the lines across a layer extent long go: from the middle outwards, first one way, then
// the other, each truncated to whole pixels and strictly inside. k counts lines, so the loops
// always end; none where shown is false.
QVector<int> gridLinePositions(int extent, double spacing, bool shown)
{
    QVector<int> positions;
    if (!shown)
        return positions;
    const int middle = extent / 2;
    for (int k = 0;; ++k) {
        const int at = int(middle + k * spacing);
        if (at >= extent)
            break;
        if (at > 0)
            positions << at;
    }
    for (int k = 1;; ++k) {
        const int at = int(middle - k * spacing);
        if (at <= 0)
            break;
        positions << at;
    }
    return positions;
}
} // namespace

void paintGridLines(QPainter *painter, const QSize &layerSize, int type, double spacing, int margin,
                    const QString &color)
{
    QColor c = colorFromName(color);
    if (!painter || !c.isValid() || !(spacing >= 1.0))
        return;
    c.setAlpha(100);
    painter->setPen(QPen(c, 1, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin));
    painter->setBrush(Qt::NoBrush);
    const int w = layerSize.width();
    const int h = layerSize.height();
    for (const int y : gridLinePositions(h, spacing, gridHasHorizontalLines(type)))
        painter->drawLine(QPointF(margin, y), QPointF(w - margin, y));
    for (const int x : gridLinePositions(w, spacing, gridHasVerticalLines(type)))
        painter->drawLine(QPointF(x, margin), QPointF(x, h - margin));
}
