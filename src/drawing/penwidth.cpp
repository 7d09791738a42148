#include "drawing/penwidth.h"

#include <QLineF>
#include <QString>
#include <QtMath>

namespace {
// One decimal, as the stored widths are kept.
double roundedToOneDecimal(double value)
{
    return QString::number(value, 'f', 1).toDouble();
}
} // namespace

double pressureWidth(double pressure, int width)
{
    if (width <= 0)
        return 0;
    if (pressure < 0)
        return width;
    return pressure * (width + 0.2) * 2;
}

double dynamicPenWidth(int n, const QPointF &a, const QPointF &b, const QPointF &c,
                       double previousWidth, int width)
{
    if (n <= 15)
        return qMax(0.0, double(width * (qMax(n, 0) + 1)) / 15);
    const qreal previousSegment = QLineF(a, b).length();
    const qreal newSegment = QLineF(b, c).length();
    double result = previousWidth;
    if (previousSegment < 0.8 * newSegment)
        result -= 0.2;
    else if (previousSegment > 1.2 * newSegment)
        result += 0.2;
    result = qMin(result, double(width));
    return qMax(result, 0.1);
}

double angleBrushWidth(const double &pressure, const double &previousWidth, const QPointF &a,
                       const QPointF &b, int width, const double &floorWidth)
{
    const double s = width + 2;
    double nib = s / 2;
    if (a.x() != b.x() && a.y() != b.y()) {
        const double h = (a.y() - b.y()) / (a.x() - b.x());
        const double d = qAbs(qRadiansToDegrees(qAtan(qAbs(h))) - 45);
        if (h >= 0)
            nib = s - d * (s / 2) / 45; // top-left to bottom-right: broad at 45 degrees
        else
            nib = s / 3 + d * (s / 6) / 45; // bottom-left to top-right: narrow at 45 degrees
    }
    const double step = roundedToOneDecimal(s / 6);
    const double target = roundedToOneDecimal(pressure < 0 ? nib * 1.2 : nib * 2.5 * pressure);
    if (target > previousWidth)
        return qMin(previousWidth + qMin(target - previousWidth, step), double(width));
    if (target == previousWidth)
        return previousWidth;
    const double result = previousWidth - qMin(previousWidth - target, step);
    return result > 0 ? result : floorWidth;
}

QSize highlighterSize(int level)
{
    return QSize(10, 15 + 5 * level);
}

QSize eraserSize(int level)
{
    return QSize(6 * level, 6 * level);
}
