#pragma once

#include <QImage>
#include <QSize>

#include "platform/x11shmimage.h"

// Pictures of an X window of ours that another program draws into (the office's show inside
// the slide tab), read through shared memory on the GUI thread's connection. Once redirected,
// a read gives what the windows inside drew, not what lies over them on the screen (our own
// overlay): the server keeps their pixels off screen too and still shows them itself.
class X11WindowReader
{
public:
    // The windows inside window, now and later, keep their pixels off screen (X Composite,
    // automatic). False without the extension: reads then give what the screen shows.
    bool redirect(quintptr window);
    bool isRedirected() const { return m_redirected != 0; }
    // Reads window at its whole size; false when it cannot be read (no X, unmapped, gone).
    bool read(quintptr window);
    // Of the last read: equal digests, equal pixels.
    quint64 digest() const { return m_digest; }
    // A copy of the last read, Format_RGB32, in device pixels.
    QImage image() const;
    // The shared memory goes; the next read takes it again.
    void release();

    // The size of an X window in device pixels; empty when there is none.
    static QSize windowSize(quintptr window);
    static bool hasChildWindows(quintptr window);

private:
    bool readInner(quintptr window, const QSize &size);

    X11ShmImage m_shm;
    quintptr m_redirected = 0;
    // The last read: the shared memory itself, or m_composed when it was put together.
    QImage m_view;
    QImage m_composed;
    quint64 m_digest = 0;
};
