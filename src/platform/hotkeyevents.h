#pragma once

#include <QSet>

// Tells a first key press from the presses that key auto-repeat makes. X repeats a held key
// either as presses without releases (detectable repeat) or as release and press pairs that
// carry the same time stamp.
class KeyRepeatFilter
{
public:
    // True for a fresh press, false for a repeat.
    bool press(unsigned int keyCode, unsigned int time);
    void release(unsigned int keyCode, unsigned int time);

private:
    QSet<unsigned int> m_down;
    unsigned int m_lastReleaseCode = 0;
    unsigned int m_lastReleaseTime = 0;
    bool m_hasRelease = false;
};

// Reads the key events of the root-window grabs from the application's xcb connection.
class X11HotKeyEvents
{
public:
    enum Kind { Other, Press, Repeat, Release };

    X11HotKeyEvents();
    ~X11HotKeyEvents();
    X11HotKeyEvents(const X11HotKeyEvents &) = delete;
    X11HotKeyEvents &operator=(const X11HotKeyEvents &) = delete;

    // message is an xcb_generic_event_t; modifiers and virtualKey are set for Press.
    Kind handle(void *message, int &modifiers, int &virtualKey);

private:
    struct _XCBKeySymbols *m_symbols = nullptr;
    unsigned int m_root = 0;
    KeyRepeatFilter m_repeats;
};
