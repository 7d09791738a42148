#include "platform/hotkeys.h"

#include <QKeySequence>

namespace {

struct KeyPair
{
    int qtKey;
    int virtualKey;
};

const KeyPair otherKeys[] = {
    {Qt::Key_Space, 32},  {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},       {Qt::Key_Comma, 108},
    {Qt::Key_Minus, 109}, {Qt::Key_Slash, 111},    {Qt::Key_AsciiTilde, 192}, {Qt::Key_Escape, 27},
    {Qt::Key_Tab, 9},     {Qt::Key_Backtab, 9},    {Qt::Key_Backspace, 8},    {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},  {Qt::Key_Insert, 45},    {Qt::Key_Delete, 46},      {Qt::Key_Pause, 19},
    {Qt::Key_Print, 42},  {Qt::Key_Clear, 12},     {Qt::Key_Home, 36},        {Qt::Key_End, 35},
    {Qt::Key_Left, 37},   {Qt::Key_Up, 38},        {Qt::Key_Right, 39},       {Qt::Key_Down, 40},
    {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34},
};

} // namespace

int qtKeyToVirtualKey(int qtKey)
{
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    for (const KeyPair &pair : otherKeys) {
        if (pair.qtKey == qtKey)
            return pair.virtualKey;
    }
    return 0;
}

int virtualKeyToQtKey(int virtualKey)
{
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return virtualKey;
    if (virtualKey >= 96 && virtualKey <= 105)
        return Qt::Key_0 + (virtualKey - 96);
    if (virtualKey >= 112 && virtualKey <= 135)
        return Qt::Key_F1 + (virtualKey - 112);
    for (const KeyPair &pair : otherKeys) {
        if (pair.virtualKey == virtualKey)
            return pair.qtKey;
    }
    return 0;
}

int qtModifiersToHotKeyModifiers(int qtModifiers)
{
    int result = 0;
    if (qtModifiers & Qt::ControlModifier)
        result |= hotkeymod::control;
    if (qtModifiers & Qt::AltModifier)
        result |= hotkeymod::alt;
    if (qtModifiers & Qt::ShiftModifier)
        result |= hotkeymod::shift;
    if (qtModifiers & Qt::MetaModifier)
        result |= hotkeymod::win;
    return result;
}

void parseHotKeyText(const QString &keyText, int &modifiers, int &virtualKey)
{
    const QKeySequence sequence(keyText, QKeySequence::NativeText);
    const int code = sequence.isEmpty() ? 0 : sequence[0];
    const int modifierBits =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    modifiers = qtModifiersToHotKeyModifiers(code & modifierBits);
    virtualKey = qtKeyToVirtualKey(code & ~modifierBits);
}
