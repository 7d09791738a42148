#include "mainwindow/windowstartup.h"

#include "mainwindow/mainwindow.h"

void runStartUpSteps(MainWindow &window, const std::function<void(MainWindow &)> &afterSettings)
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
