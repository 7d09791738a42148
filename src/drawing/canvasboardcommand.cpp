#include "drawing/canvas.h"

void Canvas::runCommand(BoardCommand command, int argument)
{
    switch (command) {
        case BoardCommand::ZoomStep:
            zoomStep(argument);
            break;
        case BoardCommand::SetBoardGridType:
            setBoardGridType(argument);
            break;
        case BoardCommand::FinishEditing:
            finishEditing();
            break;
        default:
            // The editing commands arrive with the canvas's input handling.
            break;
    }
}
