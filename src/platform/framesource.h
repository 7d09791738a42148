#pragma once

#include <QImage>
#include <QRect>

// Pictures of a screen area for the video writer, taken in the writer's thread.
class FrameSource
{
public:
    virtual ~FrameSource() = default;
    // Prepares capturing the area (primary-screen pixels); false when no screen can be read.
    virtual bool open(const QRect &area) = 0;
    // The area's current picture with the pointer drawn, of area size in Format_RGB32 or
    // Format_ARGB32. It may share the source's memory and stays valid until the next grab.
    // A null image means that the screen could not be read this time.
    virtual QImage grab() = 0;
    // When the last grab's pixels were read (std::chrono::steady_clock nanoseconds), where the
    // source knows it better than when grab() returned; 0 when it does not.
    virtual qint64 lastGrabNs() const { return 0; }
};
