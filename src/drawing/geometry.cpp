#include "drawing/geometry.h"

#include <QtMath>

QRectF rectFromPoints(const QPointF &p, const QPointF &q)
{
    return QRectF(QPointF(qMin(p.x(), q.x()), qMin(p.y(), q.y())),
                  QPointF(qMax(p.x(), q.x()), qMax(p.y(), q.y())));
}

QRectF boundingRectOfPoints(const QVector<QPointF> &points, int first, int last)
{
    const int count = points.size();
    first = qMax(first, 0);
    last = qMin(last, count - 1);
    if (count == 0 || first >= count || last < first)
        return QRectF(0, 0, 0, 0);
    qreal left = points.at(first).x();
    qreal right = left;
    qreal top = points.at(first).y();
    qreal bottom = top;
    for (int i = first + 1; i <= last; ++i) {
        const QPointF &p = points.at(i);
        left = qMin(left, p.x());
        right = qMax(right, p.x());
        top = qMin(top, p.y());
        bottom = qMax(bottom, p.y());
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QRectF clampRectInto(const QRectF &r, const QRectF &bounds)
{
    QRectF moved = r;
    if (moved.right() > bounds.right())
        moved.moveRight(bounds.right());
    if (moved.bottom() > bounds.bottom())
        moved.moveBottom(bounds.bottom());
    if (moved.left() < bounds.left())
        moved.moveLeft(bounds.left());
    if (moved.top() < bounds.top())
        moved.moveTop(bounds.top());
    return moved;
}

QPointF rectBottomRight(const QRectF &r)
{
    return QPointF(r.left() + r.width(), r.top() + r.height());
}

QPointF snapToAxis(const QPointF &p, const QPointF &anchor)
{
    if (p.x() == anchor.x() || p.y() == anchor.y())
        return p;
    const qreal slope = (p.y() - anchor.y()) / (p.x() - anchor.x());
    if (qAbs(slope) > 1)
        return QPointF(anchor.x(), p.y());
    return QPointF(p.x(), anchor.y());
}

QPointF pointDividedByZoom(const QPointF &p, const double &zoom)
{
    if (zoom <= 0)
        return p;
    return p / zoom;
}

QRectF rectDividedByZoom(const QRectF &r, const double &zoom)
{
    if (zoom <= 0)
        return r;
    return QRectF(r.x() / zoom, r.y() / zoom, r.width() / zoom, r.height() / zoom);
}

bool isIntervalElapsed(const qint64 &earlier, const qint64 &later)
{
    return later - earlier >= 100;
}
