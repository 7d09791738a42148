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
    virtual qint64 bytesReady() = 0;
    // Bytes read, or -1 on a read error.
    virtual qint64 read(char *data, qint64 maxSize) = 0;
    virtual void stop() = 0;
};
