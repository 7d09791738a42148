#pragma once

#include <QPointF>
#include <QString>

class QPixmap;

// Decorations of straight lines, shared by the line item and the coordinate axes of the shape
// renderer. Both paint onto an existing pixmap and do nothing for a null pixmap, a width that is
// not above 0 or a colour name that stands for no colour.

// Arrow styles: 0 none, 1 open head at p2, 2 filled head at p2, 3 open heads at both ends,
// 4 filled heads at both ends.
void drawArrowheads(QPixmap *pixmap, const QPointF &p1, const QPointF &p2, int width,
                    int arrowStyle, const QString &colorName);

// Graduation ticks every 15 x width, from the middle outwards, stopping short of the heads.
void drawLineTicks(QPixmap *pixmap, const QPointF &p1, const QPointF &p2, int width, int arrowStyle,
                   const QString &colorName, bool drawMiddleTick);
