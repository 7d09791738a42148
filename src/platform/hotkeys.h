#pragma once

#include <Qt>

// Global hot keys keep the Windows identifiers: a MOD_* mask and a virtual-key code.
namespace hotkeymod {
constexpr int alt = 1;
constexpr int control = 2;
constexpr int shift = 4;
constexpr int win = 8;
} // namespace hotkeymod

// 0 when the key has no virtual key.
int qtKeyToVirtualKey(int qtKey);
// The reverse table (8 to 135, keypad digits to digits); 0 when unknown.
int virtualKeyToQtKey(int virtualKey);
int qtModifiersToHotKeyModifiers(int qtModifiers);
// The identifier a hot key is registered and unregistered under.
inline int hotKeyId(int modifiers, int virtualKey)
{
    return modifiers ^ virtualKey;
}
// Splits a key text such as "Ctrl+F1" into its MOD_* mask and virtual key.
void parseHotKeyText(const QString &keyText, int &modifiers, int &virtualKey);
