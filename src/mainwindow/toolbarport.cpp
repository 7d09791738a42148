#include "mainwindow/toolbarport.h"

#include <memory>

class PaintProperty;

// The window's toolbar. Until the toolbar is part of the build the window runs with the
// do-nothing port and an empty strip.
std::unique_ptr<ToolBarPort> createToolBarPort(PaintProperty *, QWidget *)
{
    return std::make_unique<ToolBarPort>();
}
