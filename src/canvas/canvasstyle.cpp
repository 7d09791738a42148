// The cursor of the current tool; the tool options themselves reach the items through the shared
// editing rules.

#include "canvas/canvas.h"
#include "drawing/toolcursors.h"

void Canvas::updateCursor()
{
    setCursor(toolCursor(property, zoomFactor));
}
