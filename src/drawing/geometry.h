#pragma once

#include <QPointF>
#include <QRectF>
#include <QVector>
#include <QtGlobal>

// Small geometry helpers shared by the boards and their items. All coordinates are in pixels.

// The normalised rectangle spanned by two points.
QRectF rectFromPoints(const QPointF &p, const QPointF &q);

// Bounding rectangle of points first..min(last, count - 1); an empty rectangle at (0, 0) when
// there is no such point.
QRectF boundingRectOfPoints(const QVector<QPointF> &points, int first, int last);

// r moved, not resized, into bounds: right and bottom first, then left and top, so that the left
// and top edges win when r is larger than bounds.
QRectF clampRectInto(const QRectF &r, const QRectF &bounds);

// (left + width, top + height).
QPointF rectBottomRight(const QRectF &r);

// p moved onto the horizontal or vertical line through anchor, whichever is nearer in angle;
// unchanged when it already shares x or y with anchor.
QPointF snapToAxis(const QPointF &p, const QPointF &anchor);

// Coordinates divided by zoom; unchanged when zoom is not above 0.
QPointF pointDividedByZoom(const QPointF &p, const double &zoom);
QRectF rectDividedByZoom(const QRectF &r, const double &zoom);

// True when later is at least 100 ms after earlier (millisecond timestamps).
bool isIntervalElapsed(const qint64 &earlier, const qint64 &later);
