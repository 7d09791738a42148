#pragma once

#include <functional>

#include "mainwindow/mainwindow.h"

// The start-up steps of the program, in its order, for a window whose seams are already set;
// afterSettings may change the loaded settings before they are used.
inline void runStartUpSteps(MainWindow &window,
                            const std::function<void(MainWindow &)> &afterSettings = nullptr)
{
    window.loadSettings();
    if (afterSettings)
        afterSettings(window);
    window.setupDocumentArea();
    window.setupMainLayout();
    window.setupMenuAndPanels();
    window.connectSignals();
    window.disableFocusInChildren();
    window.finishInit();
}
