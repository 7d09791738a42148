#pragma once

#include <QPoint>

#include "platform/framesource.h"
#include "platform/x11shmimage.h"

// The X root window through MIT-SHM on a connection of its own, with the pointer from XFixes.
// Without an X server, or without the extensions, open() fails.
class X11FrameSource : public FrameSource
{
public:
    // screenOrigin: the primary screen's top-left in root-window coordinates.
    explicit X11FrameSource(const QPoint &screenOrigin);
    ~X11FrameSource() override;
    X11FrameSource(const X11FrameSource &) = delete;
    X11FrameSource &operator=(const X11FrameSource &) = delete;

    bool open(const QRect &area) override;
    QImage grab() override;
    qint64 lastGrabNs() const override { return readNs; }

private:
    bool readRoot(const QRect &rootRect, uchar *target);
    void drawPointer(QImage &image);

    QPoint origin;
    QRect rootArea; // the area in root coordinates
    struct xcb_connection_t *connection = nullptr;
    unsigned int root = 0;
    int rootWidth = 0;
    int rootHeight = 0;
    bool hasXFixes = false;
    X11ShmImage shm;
    QImage pointerImage;
    QPoint pointerHotSpot;
    unsigned int pointerSerial = 0;
    qint64 readNs = 0; // when the server's reply with the pixels came
};
