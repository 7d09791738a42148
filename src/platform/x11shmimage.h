#pragma once

#include <QRect>
#include <QtGlobal>

struct xcb_connection_t;

// A shared-memory segment the X server writes pictures into (MIT-SHM) on one connection, and
// the reads of a drawable through it, 32 bits a pixel. Where the segment cannot be had (a
// remote server, no extension) reads go through plain GetImage.
class X11ShmImage
{
public:
    X11ShmImage() = default;
    ~X11ShmImage();
    X11ShmImage(const X11ShmImage &) = delete;
    X11ShmImage &operator=(const X11ShmImage &) = delete;

    // Room for bytes in shared memory on connection (kept when there is room already);
    // false when reads will be plain ones.
    bool reserve(xcb_connection_t *connection, int bytes);
    void release();
    uchar *data() const { return m_data; }
    int size() const { return m_size; }
    // Reads rect of drawable into target (which may be data()), rows of rect.width() * 4
    // bytes; false when the server gives nothing or not all.
    bool read(xcb_connection_t *connection, quint32 drawable, const QRect &rect, uchar *target);

private:
    xcb_connection_t *m_connection = nullptr;
    quint32 m_segment = 0;
    uchar *m_data = nullptr;
    int m_size = 0;
};
