#pragma once

#include <QString>

class MainWindow;

// Process-wide values set once at start-up.
extern QString appDataDir;     // per-user data folder, base of every path getter
extern MainWindow *mainWindow; // the one main window
extern const QString appTitle; // window title, also the key of the single-instance search
extern bool penInProximity;    // a tablet pen is near the screen
