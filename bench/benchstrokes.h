#pragma once

#include <QtMath>

#include "canvas/canvas.h"
#include "drawing/pagedata.h"
#include "drawing/paintdata.h"
#include "drawing/penwidth.h"

namespace {
const int pointsPerStroke = 300;

// Handwriting-like loops placed across the board, pen widths from the 45-degree nib.
inline void addStrokes(Canvas &canvas, int count)
{
    QList<PaintData *> &history = canvas.currentPage()->history;
    for (int s = 0; s < count; ++s) {
        auto *action = new PaintData(&canvas);
        action->type = 3;
        action->active = true;
        action->closed = true;
        action->width = 5;
        action->color = QStringLiteral("#3F48CC");
        const QPointF origin(60 + (s * 173) % 1700, 60 + (s * 97) % 900);
        double width = 0;
        QPointF previous = origin;
        for (int i = 0; i < pointsPerStroke; ++i) {
            const double t = double(i) / pointsPerStroke;
            const QPointF p = origin + QPointF(150 * t + 12 * qSin(t * 60),
                                               40 * qSin(t * 9 + s) + 10 * qCos(t * 60));
            width = angleBrushWidth(0.5, width, i == 0 ? p : previous, p, action->width, 0.1);
            action->points << p;
            action->values << width;
            previous = p;
        }
        history.append(action);
    }
}

} // namespace
