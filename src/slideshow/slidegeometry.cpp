#include "slideshow/slidegeometry.h"

#include <QtMath>

namespace SlideGeometry {

QSize fitToScreen(const QSize &slide, const QSize &free)
{
    const double w = slide.width();
    const double h = slide.height();
    if (w <= 0 || h <= 0 || free.width() <= 0 || free.height() <= 0)
        return QSize();
    const double m = free.width();
    const double o = free.height();
    if (w / h >= m / o)
        return QSize(free.width(), qCeil(m * h / w));
    return QSize(qCeil(o * w / h), free.height());
}

QRect placeInArea(const QSize &slide, const QSize &area)
{
    const double w = slide.width();
    const double h = slide.height();
    const double f = area.width();
    const double g = area.height();
    if (w <= 0 || h <= 0 || f <= 0 || g <= 0)
        return QRect();
    if (w / h >= f / g) {
        const int height = qCeil(h * f / w);
        return QRect(0, qCeil((g - height) * 0.5), area.width(), height);
    }
    const int width = qCeil(w * g / h);
    return QRect(qCeil((f - width) * 0.5), 0, width, area.height());
}

int pageAfterCommand(int command, int current, int count)
{
    if (count <= 0)
        return 0;
    switch (command) {
        case 0:
            return current;
        case 1:
        case 3:
            return current < 2 ? count : current - 1;
        case 2:
        case 4:
        case 5:
            return current < count ? current + 1 : 1;
        default:
            return 0;
    }
}

} // namespace SlideGeometry
