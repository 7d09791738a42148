#pragma once

#include <QApplication>
#include <functional>
#include <memory>

#include "base/globals.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/windowstartup.h"

#include "fakes.h"

// The start-up steps offscreen, with the tool bar and the hot keys faked.
inline void startWithFakes(MainWindow &window)
{
    window.setToolBarPort(std::make_unique<FakeToolBar>());
    window.setHotKeyGrabber(std::make_unique<FakeGrabber>());
    runStartUpSteps(window);
}

// A first start on a real screen, in the program's font and with the data in dataDir: clean
// settings give the whole available screen.
inline std::unique_ptr<MainWindow> startFirstRun(
    const QString &dataDir, const std::function<void(MainWindow &)> &afterSettings = nullptr)
{
    appDataDir = dataDir;
    QApplication::setFont(QFont(QStringLiteral("SimHei"), 8));
    auto window = std::make_unique<MainWindow>();
    runStartUpSteps(*window, [&](MainWindow &m) {
        m.settings.winw = 0;
        if (afterSettings)
            afterSettings(m);
    });
    return window;
}
