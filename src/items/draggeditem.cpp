#include "items/draggeditem.h"

#include "items/itemgeometry.h"

bool DraggedItem::nudgeAsDrag(int direction, int bodyHit)
{
    QPointF step;
    if (!nudgeStep(direction, &step))
        return false;
    // A drag in progress would go on from the nudge's press point (0, 0): end it.
    dragging = false;
    hitCode = bodyHit;
    pressPosition = QPointF(0, 0);
    keepDragOrigin();
    dragPosition = step;
    dragTo();
    return true;
}
