#include "platform/hotkeygrabber.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <QGuiApplication>
#include <QX11Info>
#include <cstdlib>

#include "platform/hotkeys.h"

namespace {

struct SymPair
{
    int virtualKey;
    unsigned int keySym;
};

// Keysyms of <X11/keysymdef.h>, written out so that no X header is needed here.
const SymPair symTable[] = {
    {32, 0x0020},  {106, 0xffaa}, {107, 0xffab}, {108, 0xffac}, {109, 0xffad}, {111, 0xffaf},
    {192, 0x0060}, {27, 0xff1b},  {9, 0xff09},   {8, 0xff08},   {13, 0xff0d},  {45, 0xff63},
    {46, 0xffff},  {19, 0xff13},  {42, 0xff61},  {12, 0xff0b},  {36, 0xff50},  {35, 0xff57},
    {37, 0xff51},  {38, 0xff52},  {39, 0xff53},  {40, 0xff54},  {33, 0xff55},  {34, 0xff56},
};

constexpr unsigned int keySymF1 = 0xffbe;

} // namespace

namespace x11keys {

unsigned int keySymForVirtualKey(int virtualKey)
{
    if (virtualKey >= '0' && virtualKey <= '9')
        return static_cast<unsigned int>(virtualKey);
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return static_cast<unsigned int>(virtualKey - 'A' + 'a');
    if (virtualKey >= 112 && virtualKey <= 135)
        return keySymF1 + static_cast<unsigned int>(virtualKey - 112);
    for (const SymPair &pair : symTable) {
        if (pair.virtualKey == virtualKey)
            return pair.keySym;
    }
    return 0;
}

int virtualKeyForKeySym(unsigned int keySym)
{
    if (keySym >= '0' && keySym <= '9')
        return static_cast<int>(keySym);
    if (keySym >= 'a' && keySym <= 'z')
        return static_cast<int>(keySym - 'a' + 'A');
    if (keySym >= 'A' && keySym <= 'Z')
        return static_cast<int>(keySym);
    if (keySym >= keySymF1 && keySym < keySymF1 + 24)
        return 112 + static_cast<int>(keySym - keySymF1);
    for (const SymPair &pair : symTable) {
        if (pair.keySym == keySym)
            return pair.virtualKey;
    }
    return 0;
}

unsigned int xModifiersForHotKeyModifiers(int modifiers)
{
    unsigned int mask = 0;
    if (modifiers & hotkeymod::shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & hotkeymod::control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & hotkeymod::alt)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & hotkeymod::win)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

int hotKeyModifiersForXState(unsigned int state)
{
    int modifiers = 0;
    if (state & XCB_MOD_MASK_SHIFT)
        modifiers |= hotkeymod::shift;
    if (state & XCB_MOD_MASK_CONTROL)
        modifiers |= hotkeymod::control;
    if (state & XCB_MOD_MASK_1)
        modifiers |= hotkeymod::alt;
    if (state & XCB_MOD_MASK_4)
        modifiers |= hotkeymod::win;
    return modifiers;
}

QList<unsigned int> lockVariants(unsigned int xModifiers)
{
    return {xModifiers, xModifiers | XCB_MOD_MASK_LOCK, xModifiers | XCB_MOD_MASK_2,
            xModifiers | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
}

} // namespace x11keys

X11HotKeyGrabber::X11HotKeyGrabber()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !QX11Info::isPlatformX11())
        return;
    m_connection = QX11Info::connection();
    m_root = QX11Info::appRootWindow();
    if (m_connection)
        m_symbols = xcb_key_symbols_alloc(m_connection);
}

X11HotKeyGrabber::~X11HotKeyGrabber()
{
    if (m_symbols)
        xcb_key_symbols_free(m_symbols);
}

HotKeyGrabber::Result X11HotKeyGrabber::grab(int modifiers, int virtualKey)
{
    const xcb_keysym_t keySym = x11keys::keySymForVirtualKey(virtualKey);
    if (!m_connection || !m_symbols || keySym == 0)
        return Unavailable;
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(m_symbols, keySym);
    if (!codes)
        return Unavailable;
    const unsigned int mask = x11keys::xModifiersForHotKeyModifiers(modifiers);
    QList<xcb_void_cookie_t> cookies;
    for (xcb_keycode_t *code = codes; *code != XCB_NO_SYMBOL; ++code) {
        const QList<unsigned int> variants = x11keys::lockVariants(mask);
        for (unsigned int variant : variants) {
            cookies.append(xcb_grab_key_checked(m_connection, 1, m_root,
                                                static_cast<uint16_t>(variant), *code,
                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    const bool anyCode = !cookies.isEmpty();
    free(codes);
    bool occupied = false;
    for (const xcb_void_cookie_t &cookie : qAsConst(cookies)) {
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookie)) {
            if (error->error_code == XCB_ACCESS)
                occupied = true;
            free(error);
        }
    }
    if (occupied) {
        // Release what we did get, so that a half-taken key leaves nothing behind.
        ungrab(modifiers, virtualKey);
        return Occupied;
    }
    return anyCode ? Grabbed : Unavailable;
}

void X11HotKeyGrabber::ungrab(int modifiers, int virtualKey)
{
    const xcb_keysym_t keySym = x11keys::keySymForVirtualKey(virtualKey);
    if (!m_connection || !m_symbols || keySym == 0)
        return;
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(m_symbols, keySym);
    if (!codes)
        return;
    const unsigned int mask = x11keys::xModifiersForHotKeyModifiers(modifiers);
    for (xcb_keycode_t *code = codes; *code != XCB_NO_SYMBOL; ++code) {
        const QList<unsigned int> variants = x11keys::lockVariants(mask);
        for (unsigned int variant : variants)
            xcb_ungrab_key(m_connection, *code, m_root, static_cast<uint16_t>(variant));
    }
    free(codes);
    xcb_flush(m_connection);
}
