#include "canvas/canvas.h"

void Canvas::runCommand(BoardCommand command, int argument)
{
    switch (command) {
        case BoardCommand::ExportImage:
            exportImage();
            break;
        case BoardCommand::Undo:
            undo();
            break;
        case BoardCommand::Redo:
            redo();
            break;
        case BoardCommand::Cut:
            cut();
            break;
        case BoardCommand::Copy:
            copy();
            break;
        case BoardCommand::Paste:
            paste();
            break;
        case BoardCommand::SelectAll:
            selectAll();
            break;
        case BoardCommand::Cancel:
            cancel();
            break;
        case BoardCommand::DeleteSelection:
            deleteSelection();
            break;
        case BoardCommand::ApplyForeColor:
            applyForeColor();
            break;
        case BoardCommand::ApplyBackColor:
            applyBackColor();
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
        case BoardCommand::ApplyShapeType:
            applyShapeType();
            break;
        case BoardCommand::ApplyLineBoldSize:
            applyLineBoldSize();
            break;
        case BoardCommand::ApplyLineStyle:
            applyLineStyle();
            break;
        case BoardCommand::ApplyArrowStyle:
            applyArrowStyle();
            break;
        case BoardCommand::ApplyHighlightSize:
            applyHighlightSize();
            break;
        case BoardCommand::ApplyEraserSize:
            applyEraserSize();
            break;
        case BoardCommand::ApplyEraserShape:
            applyEraserShape();
            break;
        case BoardCommand::ApplyPenLaser:
            applyPenLaser();
            break;
        case BoardCommand::ApplyLineDegree:
            applyLineDegree();
            break;
        case BoardCommand::ApplyFillBackColor:
            applyFillBackColor();
            break;
        case BoardCommand::ApplyIncludedAngle:
            applyIncludedAngle();
            break;
        case BoardCommand::ApplyPolygonSideCount:
            applyPolygonSideCount();
            break;
        case BoardCommand::ApplyStartAngle:
            applyStartAngle();
            break;
        case BoardCommand::ApplyAngleSize:
            applyAngleSize();
            break;
        case BoardCommand::SetTextFontFamily:
            setTextFontFamily();
            break;
        case BoardCommand::SetTextFontSize:
            setTextFontSize();
            break;
        case BoardCommand::SetTextBold:
            setTextBold();
            break;
        case BoardCommand::SetTextItalic:
            setTextItalic();
            break;
        case BoardCommand::SetTextUnderline:
            setTextUnderline();
            break;
        case BoardCommand::SetTextStrikeOut:
            setTextStrikeOut();
            break;
        case BoardCommand::SetTextColor:
            setTextColor();
            break;
        case BoardCommand::SetTextBackColor:
            setTextBackColor();
            break;
        case BoardCommand::SetTextFrameColor:
            setTextFrameColor();
            break;
        case BoardCommand::SetTextAlign:
            setTextAlign();
            break;
        case BoardCommand::SetTextLineHeight:
            setTextLineHeight();
            break;
        case BoardCommand::SetTextOrder:
            setTextOrder();
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
    }
}
