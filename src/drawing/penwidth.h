#pragma once

#include <QPointF>
#include <QSize>

// Width of each new point of a pencil or pen stroke, computed once at input time and stored with
// the point. A negative pressure means the device reports none (the canvases pass -1).

// Pencil with a pressure-reporting device.
double pressureWidth(double pressure, int width);

// Pencil without pressure: n is the index of the new point c, b the point before it and a the
// one before b. The first sixteen points ramp up; later ones thin when the hand speeds up and
// swell when it slows down, kept within [0.1, width].
double dynamicPenWidth(int n, const QPointF &a, const QPointF &b, const QPointF &c,
                       double previousWidth, int width);

// Pen with a 45-degree nib: a is the previous point, b the new one. The width moves towards the
// nib width of the segment's direction by at most one step per point.
double angleBrushWidth(const double &pressure, const double &previousWidth, const QPointF &a,
                       const QPointF &b, int width, const double &floorWidth);

// The highlighter nib for level 1-4: 10 wide, 15 + 5 * level tall.
QSize highlighterSize(int level);

// The eraser square for level 1-20: 6 * level on each side.
QSize eraserSize(int level);
