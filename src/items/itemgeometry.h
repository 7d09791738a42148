#pragma once

#include <QLineF>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

// Plane geometry shared by the canvas items. Functions that can fail report it through their
// return value: every point of the canvas, (0, 0) included, is a real point.

// Normalised rect of two points grown by 4 x width x zoom; empty when width or zoom is not > 0.
QRectF paddedLineRect(const QPointF &a, const QPointF &b, int width, double zoom);

// left = round(x), top = round(y), right = round(x + w) - 1, bottom = round(y + h) - 1.
QRect integralRect(const QRectF &rect);

// Square centred on c with half side |p1 - c|: holds the frame at any rotation.
QRectF frameBoundingSquare(const QPointF &p1, const QPointF &p2, const QPointF &c);

// Rounded side lengths of the frame p1, p2, 2c - p1, 2c - p2.
QSize rotatedFrameSize(const QPointF &p1, const QPointF &p2, const QPointF &c);

// True for a left-handed frame (the mirror image of one made from a drag).
bool isMirroredFrame(const QPointF &p1, const QPointF &p2, const QPointF &c);

// Line through q with the direction of line.
QLineF parallelLineThrough(const QLineF &line, const QPointF &q);

// Intersection of two unbounded lines; false when they are parallel or degenerate.
bool intersectLines(const QLineF &a, const QLineF &b, QPointF *point);

// v turned about the origin by degrees, counter-clockwise on screen (y pointing down).
QPointF turnedVector(const QPointF &v, double degrees);

// The one-pixel move of an arrow-key nudge towards an ArrowDirection; false for other numbers.
bool nudgeStep(int direction, QPointF *step);

// Pen moves during a drag are applied at most once per interval + 1 milliseconds: true (and now
// stored in *lastApplied) when more than interval ms passed since the last applied move, false to
// drop this one.
bool takePenMove(qint64 now, qint64 *lastApplied, qint64 interval = 5);
