#pragma once

#include "mainwindow/mainwindow.h"

// The start-up steps of the program, in its order, for a window whose seams are already set.
inline void runStartUpSteps(MainWindow &window)
{
    window.loadSettings();
    window.setupDocumentArea();
    window.setupMainLayout();
    window.setupMenuAndPanels();
    window.connectSignals();
    window.disableFocusInChildren();
    window.finishInit();
}
