#pragma once

#include <QPointF>
#include <QString>

class QPainter;

// Filled outlines of one stroke segment whose width changes from its start to its end. Both draw
// nothing when color stands for no colour.

// Radius of the disc that rounds a segment's start: half the width less the outline pen, never
// below 0 (widths reach 0 with zero pressure).
double strokeStartDiscRadius(double width);

void paintVariableWidthLine(QPainter *painter, const QPointF &start, const QPointF &end,
                            double startWidth, double endWidth, const QString &color);

// A cubic piece from start to end. When previous is the marker (the stroke's first piece) the
// given control points are used; otherwise they are derived from the neighbours previous and
// next so that pieces join smoothly, and the start gets its rounding disc.
void paintVariableWidthCurve(QPainter *painter, const QPointF &previous, const QPointF &start,
                             const QPointF &control1, const QPointF &control2, const QPointF &end,
                             const QPointF &next, double startWidth, double endWidth,
                             const QString &color, const QPointF &marker);
