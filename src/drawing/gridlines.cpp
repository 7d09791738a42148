#include "drawing/gridlines.h"

#include <QPainter>
#include <QPen>
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
    return type == 1 || type == 3;
}

bool gridHasVerticalLines(int type)
{
    return type == 2 || type == 3;
}

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
    // Each line's position is truncated to whole pixels; k counts lines, so the loops always end.
    if (gridHasHorizontalLines(type)) {
        const int middle = h / 2;
        for (int k = 0;; ++k) {
            const int y = int(middle + k * spacing);
            if (y >= h)
                break;
            if (y > 0)
                painter->drawLine(QPointF(margin, y), QPointF(w - margin, y));
        }
        for (int k = 1;; ++k) {
            const int y = int(middle - k * spacing);
            if (y <= 0)
                break;
            painter->drawLine(QPointF(margin, y), QPointF(w - margin, y));
        }
    }
    if (gridHasVerticalLines(type)) {
        const int middle = w / 2;
        for (int k = 0;; ++k) {
            const int x = int(middle + k * spacing);
            if (x >= w)
                break;
            if (x > 0)
                painter->drawLine(QPointF(x, margin), QPointF(x, h - margin));
        }
        for (int k = 1;; ++k) {
            const int x = int(middle - k * spacing);
            if (x <= 0)
                break;
            painter->drawLine(QPointF(x, margin), QPointF(x, h - margin));
        }
    }
}
