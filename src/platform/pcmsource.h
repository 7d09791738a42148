#pragma once

#include <QObject>

// Signed 16-bit little-endian interleaved samples for the audio writer. A QObject so that it
// moves to the writer's thread together with the writer that owns it.
class PcmSource : public QObject
{
public:
    using QObject::QObject;
    // Starts delivering; false when no input can be opened with this format.
    virtual bool start(int sampleRate, int channels) = 0;
    // Whole sample frames that have arrived, at most maxSize bytes: the bytes read (0 when none
    // has arrived), or -1 on a read error. A device delivers late, in bursts, and loses what it
    // captured while unplugged, so each read tells when its first frame entered the device:
    // *capturedNs, in nanoseconds of std::chrono::steady_clock.
    virtual qint64 read(char *data, qint64 maxSize, qint64 *capturedNs) = 0;
    virtual void stop() = 0;
};
