#include "canvas/canvas.h"

void Canvas::runCommand(BoardCommand command, int argument)
{
    switch (command) {
        case BoardCommand::ExportImage:
            exportImage();
            break;
        case BoardCommand::Paste:
            paste();
            break;
        case BoardCommand::SelectAll:
            selectAll();
            break;
        case BoardCommand::ConfirmClearScreen:
            confirmClearScreen();
            break;
        case BoardCommand::ClearScreen:
            clearScreen();
            break;
        case BoardCommand::CleanImpureImage:
            cleanImpureImage();
            break;
        case BoardCommand::ZoomStep:
            zoomStep(argument);
            break;
        case BoardCommand::SetRotateType:
            setRotateType(argument);
            break;
        case BoardCommand::ApplyPaintTool:
            applyPaintTool();
            break;
        case BoardCommand::FinishEditing:
            finishEditing();
            break;
        case BoardCommand::ResetKeyState:
            resetKeyState();
            break;
        case BoardCommand::CommitShownItems:
            commitShownItems();
            break;
        case BoardCommand::HandleDirectionKey:
            handleDirectionKey(argument);
            break;
        case BoardCommand::SetCtrlPressed:
            setCtrlPressed(argument != 0);
            break;
        case BoardCommand::SetShiftPressed:
            setShiftPressed(argument != 0);
            break;
        case BoardCommand::SetBoardGridType:
            setBoardGridType(argument);
            break;
        default:
            runEditingCommand(command, argument);
            break;
    }
}
