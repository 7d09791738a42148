#include "items/linedecorations.h"

#include <QLineF>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>

#include "drawing/colorname.h"

void drawArrowheads(QPixmap *pixmap, const QPointF &p1, const QPointF &p2, int width,
                    int arrowStyle, const QString &colorName)
{
    if (!pixmap || pixmap->isNull() || width <= 0 || isNoColor(colorName))
        return;
    if (arrowStyle < 1 || arrowStyle > 4)
        return;
    const bool bothEnds = arrowStyle >= 3;
    const bool filled = arrowStyle == 2 || arrowStyle == 4;
    const double length = QLineF(p1, p2).length();
    const double headLength = 10.0 * width;
    const double halfBase = 3.0 * width;
    if (length <= (bothEnds ? 2 * headLength : headLength))
        return;

    const QPointF u = (p2 - p1) * headLength / length;
    const QPointF n = QPointF(u.y(), -u.x()) * halfBase / headLength;
    const QColor color = colorFromName(colorName);

    auto paintHead = [&](const QPointF &tip, const QPointF &a, const QPointF &b) {
        QPainter painter(pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (filled) {
            painter.setBrush(color);
            painter.drawConvexPolygon(QPolygonF({tip, a, b}));
        } else {
            painter.setBrush(Qt::NoBrush);
            painter.drawLine(tip, a);
            painter.drawLine(tip, b);
        }
    };
    paintHead(p2, p2 - u + n, p2 - u - n);
    if (bothEnds)
        paintHead(p1, p1 + u - n, p1 + u + n);
}

void drawLineTicks(QPixmap *pixmap, const QPointF &p1, const QPointF &p2, int width, int arrowStyle,
                   const QString &colorName, bool drawMiddleTick)
{
    if (!pixmap || pixmap->isNull() || width <= 0 || isNoColor(colorName))
        return;
    const double length = QLineF(p1, p2).length();
    const double spacing = 15.0 * width;
    if (!(length > 2 * spacing))
        return;

    const double step = spacing / length;
    const double head = 10.0 * width / length;
    const double lo = (arrowStyle == 3 || arrowStyle == 4) ? head : 0.0;
    const double hi = (arrowStyle >= 1 && arrowStyle <= 4) ? 1.0 - head : 1.0;
    const QPointF along = p2 - p1;
    const QPointF offset = QPointF(along.y(), -along.x()) * (3.0 * width / length);

    QPainter painter(pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(
        QPen(colorFromName(colorName), width, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    auto tick = [&](double t) {
        const QPointF base = p1 + t * along;
        painter.drawLine(base, base + offset);
    };
    // Counting steps instead of adding fractions keeps the last tick from drifting past a limit.
    for (int k = drawMiddleTick ? 0 : 1;; ++k) {
        const double t = 0.5 + k * step;
        if (t > hi)
            break;
        tick(t);
    }
    for (int k = 1;; ++k) {
        const double t = 0.5 - k * step;
        if (t < lo)
            break;
        tick(t);
    }
}
