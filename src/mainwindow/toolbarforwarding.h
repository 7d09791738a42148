#pragma once

#include "documents/documenthost.h"
#include "documents/toolbarport.h"

// The window's tool-bar calls, as the documents and the shortcut keys make them: each hands
// over to the tool bar behind ToolBarPort, where a click on a disabled button does nothing.
class ToolBarForwarding : public DocumentHost
{
public:
    void setUndoEnabled(bool enabled) override;
    void setRedoEnabled(bool enabled) override;
    void setCutEnabled(bool enabled) override;
    void setCopyEnabled(bool enabled) override;
    void setCancelEnabled(bool enabled) override;
    void setDeleteEnabled(bool enabled) override;
    void setRotateEnabled(bool enabled) override;
    void setClearScreenEnabled(bool enabled) override;
    void setClearColorEnabled(bool enabled) override;
    void setOpenClipboardEnabled(bool enabled);
    void setSaveAsImageEnabled(bool enabled);
    void setPasteEnabled(bool enabled);
    void setSelectAllEnabled(bool enabled);
    void setZoomEnabled(bool enabled);
    void setGridEnabled(bool enabled);
    void setPdfResetEnabled(bool enabled);
    void setFloatCameraEnabled(bool enabled);
    void setCountdownTimerEnabled(bool enabled);
    void setRecordStartEnabled(bool enabled);
    void setRecordStopEnabled(bool enabled);
    void clickPaintTool(int tool) override;
    void clickFontBold() override;
    void clickFontItalic() override;
    void clickFontUnderline() override;
    void clickOpenFile();
    void clickOpenClipboard();
    void clickNewBoard();
    void triggerExportImage();
    void clickUndo();
    void clickRedo();
    void clickCut();
    void clickCopy();
    void clickPaste();
    void clickSelectAll();
    void clickCancel();
    void clickDelete();
    void clickBrushPreset(int n);
    void clickZoom(int n);
    void clickClearScreen();
    void clickRecordStart();
    void clickRecordStop();
};
