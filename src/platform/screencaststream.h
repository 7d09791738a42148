#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// The video stream of a screen cast (a portal's PipeWire remote and node), keeping its newest
// frame. The PipeWire side lives in a module loaded on the first screen cast, so that a program
// on an X11 session never loads libpipewire.
class ScreenCastStream
{
public:
    virtual ~ScreenCastStream() = default;
    // Takes over a duplicate of remoteFd; false when the stream cannot be set up.
    virtual bool open(int remoteFd, quint32 node) = 0;
    // Copies the newest frame's part (in frame pixels) into target, scaled to target's size
    // when they differ. False while no frame came or once the stream has ended.
    virtual bool copyFrame(const QRect &part, QImage &target) = 0;
    // The newest frame's size; empty before the first one.
    virtual QSize frameSize() = 0;
    // Counts the frames that came so far.
    virtual quint64 frameCount() const = 0;
    // The stream went away: the desktop ended it, or the compositor or PipeWire is gone.
    virtual bool ended() const = 0;
};

// The module's file name and its one entry point, which makes a stream owned by the caller.
#define QB_PIPEWIRE_MODULE "quillboard-pipewire.so"
#define QB_PIPEWIRE_ENTRY "createPipeWireStream"
using ScreenCastStreamEntry = ScreenCastStream *(*)();
