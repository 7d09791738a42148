#pragma once

#include <QPointF>

#include "items/canvasitem.h"

// An item whose body or handles a press drags: the hit part, the press and the pointer now, in
// parent coordinates, against the item's place when the drag began. An arrow key's nudge is a
// one-pixel drag of the body.
class DraggedItem : public CanvasItem
{
    Q_OBJECT
public:
    using CanvasItem::CanvasItem;

    bool isDragging() const override { return dragging; }

protected:
    // Drags the body (bodyHit) by the step of an arrow key's nudge; false, and nothing moved, for
    // no arrow.
    bool nudgeAsDrag(int direction, int bodyHit);
    // Keeps where the item stands now as the origin of a drag.
    virtual void keepDragOrigin() = 0;
    // Moves the hit part as far as the pointer went from the press.
    virtual void dragTo() = 0;

    // -1: outside, in every item's hit codes.
    int hitCode = -1;
    QPointF pressPosition;
    QPointF dragPosition;
    bool dragging = false;
};
