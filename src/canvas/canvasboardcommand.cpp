#include "canvas/canvas.h"

void Canvas::runCommand(BoardCommand command, int argument)
{
    // The grid is the whiteboard's own; every other command is the boards' shared one.
    if (command == BoardCommand::SetBoardGridType)
        setBoardGridType(argument);
    else
        runEditingCommand(command, argument);
}
