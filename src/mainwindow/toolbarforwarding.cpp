#include "mainwindow/toolbarforwarding.h"

void ToolBarForwarding::setUndoEnabled(bool enabled)
{
    toolBar()->setUndoEnabled(enabled);
}

void ToolBarForwarding::setRedoEnabled(bool enabled)
{
    toolBar()->setRedoEnabled(enabled);
}

void ToolBarForwarding::setCutEnabled(bool enabled)
{
    toolBar()->setCutEnabled(enabled);
}

void ToolBarForwarding::setCopyEnabled(bool enabled)
{
    toolBar()->setCopyEnabled(enabled);
}

void ToolBarForwarding::setCancelEnabled(bool enabled)
{
    toolBar()->setCancelEnabled(enabled);
}

void ToolBarForwarding::setDeleteEnabled(bool enabled)
{
    toolBar()->setDeleteEnabled(enabled);
}

void ToolBarForwarding::setRotateEnabled(bool enabled)
{
    toolBar()->setRotateEnabled(enabled);
}

void ToolBarForwarding::setClearScreenEnabled(bool enabled)
{
    toolBar()->setCanvasCleanEnabled(enabled);
}

void ToolBarForwarding::setClearColorEnabled(bool enabled)
{
    toolBar()->setImpureImageEnabled(enabled);
}

void ToolBarForwarding::setOpenClipboardEnabled(bool enabled)
{
    toolBar()->setOpenClipboardFileEnabled(enabled);
}

void ToolBarForwarding::setSaveAsImageEnabled(bool enabled)
{
    toolBar()->setExportEnabled(enabled);
}

void ToolBarForwarding::setPasteEnabled(bool enabled)
{
    toolBar()->setPasteEnabled(enabled);
}

void ToolBarForwarding::setSelectAllEnabled(bool enabled)
{
    toolBar()->setSelectAllEnabled(enabled);
}

void ToolBarForwarding::setZoomEnabled(bool enabled)
{
    toolBar()->setZoomEnabled(enabled);
}

void ToolBarForwarding::setGridEnabled(bool enabled)
{
    toolBar()->setBoardGridEnabled(enabled);
}

void ToolBarForwarding::setPdfResetEnabled(bool enabled)
{
    toolBar()->setPdfResetEnabled(enabled);
}

void ToolBarForwarding::setFloatCameraEnabled(bool enabled)
{
    toolBar()->setFloatCameraEnabled(enabled);
}

void ToolBarForwarding::setCountdownTimerEnabled(bool enabled)
{
    toolBar()->setCountdownTimerEnabled(enabled);
}

void ToolBarForwarding::setRecordStartEnabled(bool enabled)
{
    toolBar()->setRecordStartEnabled(enabled);
}

void ToolBarForwarding::setRecordStopEnabled(bool enabled)
{
    toolBar()->setRecordStopEnabled(enabled);
}

void ToolBarForwarding::clickPaintTool(int tool)
{
    toolBar()->clickPaintTool(tool);
}

void ToolBarForwarding::clickFontBold()
{
    toolBar()->clickFontBold();
}

void ToolBarForwarding::clickFontItalic()
{
    toolBar()->clickFontItalic();
}

void ToolBarForwarding::clickFontUnderline()
{
    toolBar()->clickFontUnderline();
}

void ToolBarForwarding::clickOpenFile()
{
    toolBar()->clickOpenFile();
}

void ToolBarForwarding::clickOpenClipboard()
{
    toolBar()->clickOpenClipboardFile();
}

void ToolBarForwarding::clickNewBoard()
{
    toolBar()->clickNewBoard();
}

void ToolBarForwarding::triggerExportImage()
{
    toolBar()->triggerExportImage();
}

void ToolBarForwarding::clickUndo()
{
    toolBar()->clickUndo();
}

void ToolBarForwarding::clickRedo()
{
    toolBar()->clickRedo();
}

void ToolBarForwarding::clickCut()
{
    toolBar()->clickCut();
}

void ToolBarForwarding::clickCopy()
{
    toolBar()->clickCopy();
}

void ToolBarForwarding::clickPaste()
{
    toolBar()->clickPaste();
}

void ToolBarForwarding::clickSelectAll()
{
    toolBar()->clickSelectAll();
}

void ToolBarForwarding::clickCancel()
{
    toolBar()->clickCancel();
}

void ToolBarForwarding::clickDelete()
{
    toolBar()->clickDelete();
}

void ToolBarForwarding::clickBrushPreset(int n)
{
    toolBar()->clickPresetBrush(n);
}

void ToolBarForwarding::clickZoom(int n)
{
    toolBar()->clickZoom(n);
}

void ToolBarForwarding::clickClearScreen()
{
    toolBar()->clickCanvasClean();
}

void ToolBarForwarding::clickRecordStart()
{
    toolBar()->clickRecordStart();
}

void ToolBarForwarding::clickRecordStop()
{
    toolBar()->clickRecordStop();
}
