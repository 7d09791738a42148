#pragma once

#include <QAbstractNativeEventFilter>
#include <QCursor>
#include <QRect>

#include "platform/windowtree.h"

// An input-only X window of ours over an area that hands the pointer events it takes to one
// of our windows, as if they had fallen on that window. X gives a shaped window no input
// outside its seen part; this catches the pointer there. It lies inside the window that holds
// the area, on top of that window's children, so that no window manager can restack it below
// them and no other program's window can lie under it. Without an X server nothing happens.
class X11InputCatcher : public QAbstractNativeEventFilter
{
public:
    X11InputCatcher();
    ~X11InputCatcher() override;
    X11InputCatcher(const X11InputCatcher &) = delete;
    X11InputCatcher &operator=(const X11InputCatcher &) = delete;

    // The window that gets the events, and the area in root coordinates (device pixels); the
    // target is expected to lie exactly there. holder is the window that holds the area, its
    // origin at holderOrigin in root coordinates.
    void setTarget(quintptr window, const QRect &rootRect, quintptr holder,
                   const QPoint &holderOrigin);
    // Mapped (on top) or not.
    void setActive(bool active);
    bool isActive() const { return m_active; }
    // On top of the holder's other children again (a native child raised itself).
    void raise();
    // The pointer's look over the catcher: the target's, which X cannot show through it.
    void setCursor(const QCursor &cursor);
    quintptr window() const { return m_window; }

    // A window manager has announced itself on the root window.
    static bool windowManagerRunning() { return ::windowManagerRunning(); }
    // Keeps from the windows inside window (another program's) the right button and every
    // key: they come to window, so to us, wherever the pointer is.
    static void holdInput(quintptr window);

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

private:
    quint32 m_window = 0;
    quintptr m_target = 0;
    quintptr m_holder = 0;
    QRect m_rect;
    bool m_active = false;
};
