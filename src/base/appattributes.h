#pragma once

// Everything the program sets before its QApplication is made: the platform (X11, through
// XWayland on a Wayland desktop, unless QT_QPA_PLATFORM says otherwise) and the application
// attributes. The tests and benches call it too, so they run on the set-up the program ships
// whatever Qt platform plugins the machine has.
void prepareApplication();
