#pragma once

#include <QPixmap>

// Which way a zoom request goes.
namespace ZoomDirection {
enum : int {
    None = 0,
    Larger = 1,
    Smaller = 2,
};
} // namespace ZoomDirection

// The commands the window sends to the board of the current document. Both boards (the
// whiteboard canvas and the PDF board) take the same commands, so the window's handler for a
// tool-bar signal is one call whatever the document.
enum class BoardCommand : int {
    ExportImage,
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    SelectAll,
    Cancel,
    DeleteSelection,
    ApplyForeColor,
    ApplyBackColor,
    ConfirmClearScreen,
    ClearScreen,
    CleanImpureImage,
    ZoomStep,      // argument: a ZoomDirection
    SetRotateType, // argument: a Reorientation
    ApplyShapeType,
    ApplyLineBoldSize,
    ApplyLineStyle,
    ApplyArrowStyle,
    ApplyHighlightSize,
    ApplyEraserSize,
    ApplyEraserShape,
    ApplyPenLaser,
    ApplyLineDegree,
    ApplyFillBackColor,
    ApplyIncludedAngle,
    ApplyPolygonSideCount,
    ApplyStartAngle,
    ApplyAngleSize,
    SetTextFontFamily,
    SetTextFontSize,
    SetTextBold,
    SetTextItalic,
    SetTextUnderline,
    SetTextStrikeOut,
    SetTextColor,
    SetTextBackColor,
    SetTextFrameColor,
    SetTextAlign,
    SetTextLineHeight,
    SetTextOrder,
    ApplyPaintTool, // the tool in the shared tool state changed
    FinishEditing,
    ResetKeyState,
    CommitShownItems,
    HandleDirectionKey, // argument: an ArrowDirection
    SetCtrlPressed,     // argument: 1 held, 0 released
    SetShiftPressed,    // argument: 1 held, 0 released
    SetBoardGridType,   // argument: grid type
};

class DocumentBoard
{
public:
    virtual ~DocumentBoard() = default;
    // Runs one command; argument only for the commands that say so.
    virtual void runCommand(BoardCommand command, int argument = 0) = 0;
    // The pages of the document for the PDF export: their number, and page index with its
    // drawing as large as it is shown at zoom 1 (null when it cannot be made).
    virtual int pageCount() const { return 0; }
    virtual QPixmap renderPageImage(int) { return QPixmap(); }
};
