#pragma once

#include <functional>

class MainWindow;

// The window's start-up steps in the one order the program and its tests share: the settings,
// then the document area, layout, menus and panels, the signals and the last touches. A seam
// the caller replaces (tool bar, hot keys) is set before; afterSettings may change the loaded
// settings before anything uses them.
void runStartUpSteps(MainWindow &window,
                     const std::function<void(MainWindow &)> &afterSettings = nullptr);
