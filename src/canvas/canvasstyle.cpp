// The cursor of the current tool; the tool options themselves reach the items through the shared
// editing rules.

#include "canvas/canvas.h"
#include "drawing/toolcursors.h"

void Canvas::updateCursor()
{
    // The tool's cursor says that a press draws: an edge found by an earlier hover goes with
    // the cursor it showed (the next move finds it again).
    if (!edgeDragging)
        edgeUnderPointer = FrameHandle::Outside;
    setCursor(toolCursor(property, zoomFactor));
}
