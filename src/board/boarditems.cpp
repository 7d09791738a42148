#include "board/boarditems.h"

#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"

bool BoardItems::nudge(int direction) const
{
    if (!marquee->isHidden()) {
        marquee->nudge(direction);
    } else if (!line->isHidden()) {
        line->nudge(direction);
    } else if (!textBox->isHidden()) {
        textBox->nudge(direction);
    } else if (!connectedLine->isHidden()) {
        if (connectedLine->isComplete())
            connectedLine->nudge(direction);
    } else if (!freeCurve->isHidden()) {
        if (freeCurve->isComplete())
            freeCurve->nudge(direction);
    } else {
        return false;
    }
    return true;
}

void BoardItems::reset() const
{
    marquee->reset();
    line->reset();
    textBox->reset();
    connectedLine->reset();
    freeCurve->reset();
}
