#pragma once

#include <QList>
#include <functional>

// System-wide key grabs, named by the Windows MOD_* mask and virtual-key code.
class HotKeyGrabber
{
public:
    // Refused: the system was asked and did not give the key, or did not answer in time.
    enum Result { Grabbed, Occupied, Unavailable, Refused };

    virtual ~HotKeyGrabber() = default;
    // Calls ready once grab() can answer for the keys the program grabs without a wait: at
    // once, or later where the system asks the user first.
    virtual void whenReady(const std::function<void()> &ready) { ready(); }
    virtual Result grab(int modifiers, int virtualKey) = 0;
    virtual void ungrab(int modifiers, int virtualKey) = 0;
};

// Grabs on the X root window of the application's own xcb connection, so the key presses
// arrive at the native event filter. Without an X server every grab is Unavailable.
class X11HotKeyGrabber : public HotKeyGrabber
{
public:
    X11HotKeyGrabber();
    ~X11HotKeyGrabber() override;
    X11HotKeyGrabber(const X11HotKeyGrabber &) = delete;
    X11HotKeyGrabber &operator=(const X11HotKeyGrabber &) = delete;

    Result grab(int modifiers, int virtualKey) override;
    void ungrab(int modifiers, int virtualKey) override;

private:
    struct xcb_connection_t *m_connection = nullptr;
    unsigned int m_root = 0;
    struct _XCBKeySymbols *m_symbols = nullptr;
};

// X keyboard values for the Windows identifiers, and back (0 when there is none).
namespace x11keys {
unsigned int keySymForVirtualKey(int virtualKey);
int virtualKeyForKeySym(unsigned int keySym);
unsigned int xModifiersForHotKeyModifiers(int modifiers);
// Lock (CapsLock) and Mod2 (NumLock) are dropped.
int hotKeyModifiersForXState(unsigned int state);
// The grab masks of one combination: plain, with CapsLock, NumLock, and both.
QList<unsigned int> lockVariants(unsigned int xModifiers);
} // namespace x11keys
