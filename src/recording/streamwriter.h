#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "recording/recordingclock.h"
#include "recording/streamencoder.h"

// The writer's hold on the recorder's output. A writer that does not finish in time is let go:
// the recorder marks it dropped, and from then on it never touches the output or its encoder.
struct WriterLease
{
    QMutex mutex;
    bool dropped = false;
};

// Held while a writer uses the output; false when the writer was let go.
class OutputUse
{
public:
    explicit OutputUse(WriterLease &lease)
        : lock(&lease.mutex)
        , held(!lease.dropped)
    {}
    explicit operator bool() const { return held; }

private:
    QMutexLocker lock;
    bool held;
};

// What the video and the sound writer share: the flags the recorder's queued signals set in the
// writer's thread, the encoder of its stream, and the count of lost frames.
class StreamWriter : public QObject
{
    Q_OBJECT
public:
    // The recording's time line, which both writers stamp on and the recorder pauses.
    explicit StreamWriter(std::shared_ptr<RecordingClock> clock, QObject *parent = nullptr)
        : QObject(parent)
        , recordingClock(std::move(clock))
    {}

    // Copied from the recorder before the writer is opened.
    QMutex *muxerMutex = nullptr;
    qint64 *savedBytes = nullptr;
    std::function<void()> syncFile; // sends the file's new part to the disk, if set
    const std::shared_ptr<WriterLease> lease = std::make_shared<WriterLease>();

    void setOutput(AVFormatContext *output, AVCodecContext *codec, AVStream *stream);

signals:
    void writerTipError(QString text);
    void writerStopError(QString text);
    void writerStoped();

public slots:
    void pauseWriter();
    void resumeWriter();
    void stopWriter();

protected:
    // Counts one lost frame and tells the user; false once too many were lost.
    bool frameLost(const QString &tip);
    void resetStream();
    // Writes the encoder's last packets; false when that failed or the writer was let go.
    bool drainEncoder();
    RecordingClock &clock() { return *recordingClock; }

    const std::shared_ptr<RecordingClock> recordingClock;
    StreamEncoder encoder;
    int lostFrames = 0;
    int maxLostFrames = 0;
    bool running = false;
    bool paused = false;
};
