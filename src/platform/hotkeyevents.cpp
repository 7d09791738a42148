#include "platform/hotkeyevents.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <QGuiApplication>
#include <QX11Info>

#include "platform/hotkeygrabber.h"

bool KeyRepeatFilter::press(unsigned int keyCode, unsigned int time)
{
    const bool pairedRepeat =
        m_hasRelease && m_lastReleaseCode == keyCode && m_lastReleaseTime == time;
    m_hasRelease = false;
    if (m_down.contains(keyCode) || pairedRepeat) {
        m_down.insert(keyCode);
        return false;
    }
    m_down.insert(keyCode);
    return true;
}

void KeyRepeatFilter::release(unsigned int keyCode, unsigned int time)
{
    m_down.remove(keyCode);
    m_lastReleaseCode = keyCode;
    m_lastReleaseTime = time;
    m_hasRelease = true;
}

X11HotKeyEvents::X11HotKeyEvents()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !QX11Info::isPlatformX11())
        return;
    if (xcb_connection_t *connection = QX11Info::connection()) {
        m_symbols = xcb_key_symbols_alloc(connection);
        m_root = QX11Info::appRootWindow();
    }
}

X11HotKeyEvents::~X11HotKeyEvents()
{
    if (m_symbols)
        xcb_key_symbols_free(m_symbols);
}

X11HotKeyEvents::Kind X11HotKeyEvents::handle(void *message, int &modifiers, int &virtualKey)
{
    if (!m_symbols || !message)
        return Other;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    const uint8_t type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return Other;
    // Key press and release share one layout.
    auto *key = reinterpret_cast<xcb_key_press_event_t *>(event);
    if (type == XCB_KEY_RELEASE) {
        // While a window of ours has the focus, the release of a grabbed key goes to it, not
        // to the root: missed, the key's next press would count as a repeat.
        m_repeats.release(key->detail, key->time);
        return key->event == m_root ? Release : Other;
    }
    if (key->event != m_root)
        return Other;
    if (!m_repeats.press(key->detail, key->time))
        return Repeat;
    modifiers = x11keys::hotKeyModifiersForXState(key->state);
    virtualKey =
        x11keys::virtualKeyForKeySym(xcb_key_symbols_get_keysym(m_symbols, key->detail, 0));
    return Press;
}
