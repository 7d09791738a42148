#pragma once

#include <Qt>
#include <functional>

class ToolBarPort;

// Runs the toolbar command of the first shortcut equal to key with modifiers; the area
// screenshot goes to screenshot. False when no shortcut matches. The combinations are the
// same on every platform, as the buttons' tool tips show them.
bool runShortcutKey(ToolBarPort &toolBar, int key, Qt::KeyboardModifiers modifiers,
                    const std::function<void()> &screenshot);
