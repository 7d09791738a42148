#include "items/itemgeometry.h"

#include <QtMath>
#include <cmath>

#include "drawing/arrowdirection.h"
#include "drawing/geometry.h"

QRectF paddedLineRect(const QPointF &a, const QPointF &b, int width, double zoom)
{
    if (width <= 0 || zoom <= 0)
        return QRectF(0, 0, 0, 0);
    const double e = 4.0 * width * zoom;
    return rectFromPoints(a, b).adjusted(-e, -e, e, e);
}

QRect integralRect(const QRectF &rect)
{
    return QRect(QPoint(qRound(rect.x()), qRound(rect.y())),
                 QPoint(qRound(rect.x() + rect.width()) - 1, qRound(rect.y() + rect.height()) - 1));
}

QRectF frameBoundingSquare(const QPointF &p1, const QPointF &, const QPointF &c)
{
    const double half = QLineF(p1, c).length();
    return QRectF(c.x() - half, c.y() - half, 2 * half, 2 * half);
}

QSize rotatedFrameSize(const QPointF &p1, const QPointF &p2, const QPointF &c)
{
    const QPointF k7 = 2 * c - p2;
    return QSize(qRound(QLineF(p1, p2).length()), qRound(QLineF(p1, k7).length()));
}

bool isMirroredFrame(const QPointF &p1, const QPointF &p2, const QPointF &c)
{
    return QLineF(c, p2).angleTo(QLineF(c, p1)) > 180.0;
}

QLineF parallelLineThrough(const QLineF &line, const QPointF &q)
{
    return QLineF(q, q + (line.p2() - line.p1()));
}

bool intersectLines(const QLineF &a, const QLineF &b, QPointF *point)
{
    if (a.isNull() || b.isNull())
        return false;
    QPointF at;
    if (a.intersects(b, &at) == QLineF::NoIntersection)
        return false;
    if (!std::isfinite(at.x()) || !std::isfinite(at.y()))
        return false;
    *point = at;
    return true;
}

QPointF turnedVector(const QPointF &v, double degrees)
{
    // Exact for quarter turns, so that repeated turns do not drift.
    const double r = qDegreesToRadians(degrees);
    double s = std::sin(r), co = std::cos(r);
    const double quarters = degrees / 90.0;
    if (std::abs(quarters - std::round(quarters)) < 1e-12) {
        const int q = ((int(std::round(quarters)) % 4) + 4) % 4;
        static const int sines[] = {0, 1, 0, -1};
        static const int cosines[] = {1, 0, -1, 0};
        s = sines[q];
        co = cosines[q];
    }
    // Counter-clockwise on screen is clockwise in y-down coordinates.
    return QPointF(v.x() * co + v.y() * s, -v.x() * s + v.y() * co);
}

bool nudgeStep(int direction, QPointF *step)
{
    switch (static_cast<ArrowDirection>(direction)) {
        case ArrowDirection::Up:
            *step = QPointF(0, -1);
            return true;
        case ArrowDirection::Down:
            *step = QPointF(0, 1);
            return true;
        case ArrowDirection::Left:
            *step = QPointF(-1, 0);
            return true;
        case ArrowDirection::Right:
            *step = QPointF(1, 0);
            return true;
    }
    return false;
}

bool takePenMove(qint64 now, qint64 *lastApplied, qint64 interval)
{
    if (now - *lastApplied <= interval)
        return false;
    *lastApplied = now;
    return true;
}
