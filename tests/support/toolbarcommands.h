#pragma once

#include "toolbar/maintoolbar.h"

// Every command enable setter of the toolbar, called with one value.
inline void setAllCommandsEnabled(MainToolBar *bar, bool enabled)
{
    bar->setOpenClipboardFileEnabled(enabled);
    bar->setExportEnabled(enabled);
    bar->setUndoEnabled(enabled);
    bar->setRedoEnabled(enabled);
    bar->setCutEnabled(enabled);
    bar->setCopyEnabled(enabled);
    bar->setPasteEnabled(enabled);
    bar->setSelectAllEnabled(enabled);
    bar->setCancelEnabled(enabled);
    bar->setDeleteEnabled(enabled);
    bar->setZoomEnabled(enabled);
    bar->setRotateEnabled(enabled);
    bar->setCanvasCleanEnabled(enabled);
    bar->setImpureImageEnabled(enabled);
    bar->setBoardGridEnabled(enabled);
    bar->setFloatCameraEnabled(enabled);
    bar->setCountdownTimerEnabled(enabled);
    bar->setPdfResetEnabled(enabled);
    bar->setRecordStartEnabled(enabled);
    bar->setRecordStopEnabled(enabled);
}
