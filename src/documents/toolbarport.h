#pragma once

#include <QString>

class MainWindow;
class QWidget;

// What the window asks of its toolbar: build steps, programmatic clicks (which do nothing
// while the button is disabled) and button states. The base does nothing, so a window
// without a toolbar still runs; the toolbar's adapter overrides every call.
class ToolBarPort
{
public:
    virtual ~ToolBarPort() = default;

    virtual QWidget *widget() { return nullptr; }
    virtual void buildLayouts() {}
    virtual void completeSetup() {}
    virtual void setNoFocusPolicy() {}
    // The toolbar's own connections, then its signals to the window's handlers.
    virtual void connectSignals(MainWindow *) {}

    virtual void clickOpenFile() {}
    virtual void clickOpenClipboardFile() {}
    virtual void clickNewBoard() {}
    virtual void triggerExportImage() {}
    virtual void clickUndo() {}
    virtual void clickRedo() {}
    virtual void clickCut() {}
    virtual void clickCopy() {}
    virtual void clickPaste() {}
    virtual void clickSelectAll() {}
    virtual void clickCancel() {}
    virtual void clickDelete() {}
    virtual void clickPresetBrush(int) {}
    virtual void clickZoom(int) {}
    virtual void clickCanvasClean() {}
    virtual void clickPaintTool(int) {}
    virtual void clickFontBold() {}
    virtual void clickFontItalic() {}
    virtual void clickFontUnderline() {}
    virtual void clickRecordStart() {}
    virtual void clickRecordStop() {}

    virtual void setOpenClipboardFileEnabled(bool) {}
    virtual void setExportEnabled(bool) {}
    virtual void setUndoEnabled(bool) {}
    virtual void setRedoEnabled(bool) {}
    virtual void setCutEnabled(bool) {}
    virtual void setCopyEnabled(bool) {}
    virtual void setPasteEnabled(bool) {}
    virtual void setSelectAllEnabled(bool) {}
    virtual void setCancelEnabled(bool) {}
    virtual void setDeleteEnabled(bool) {}
    virtual void setZoomEnabled(bool) {}
    virtual void setRotateEnabled(bool) {}
    virtual void setCanvasCleanEnabled(bool) {}
    virtual void setImpureImageEnabled(bool) {}
    virtual void setBoardGridEnabled(bool) {}
    virtual void setFloatCameraEnabled(bool) {}
    virtual void setCountdownTimerEnabled(bool) {}
    virtual void setPdfResetEnabled(bool) {}
    virtual void setRecordStartEnabled(bool) {}
    virtual void setRecordStopEnabled(bool) {}

    virtual void setRecordTime(int) {}
    virtual void resetRecordState() {}
    virtual void setPresetBrush(int, int, const QString &, const QString &) {}
    // False when the toolbar keeps no brush n.
    virtual bool presetBrush(int, int &, QString &, QString &) const { return false; }
};
