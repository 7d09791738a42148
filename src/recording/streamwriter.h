#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "recording/recordingclock.h"
#include "recording/streamencoder.h"

// What the video and the sound writer share: the flags the recorder's queued signals set in the
// writer's thread, the encoder of its stream, and the count of lost frames. A writer that does
// not finish in time is let go: the recording's output is marked dropped, and from then on the
// writer never writes into it.
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
    std::function<bool()> syncFile; // sends the file's new part to the disk, if set

    // The writer keeps the recording's output as long as it lives.
    void setOutput(std::shared_ptr<OutputState> output, AVCodecContext *codec, AVStream *stream);

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
    // False once the writer was let go.
    bool outputKept() const { return output && !output->dropped; }
    RecordingClock &clock() { return *recordingClock; }

    const std::shared_ptr<RecordingClock> recordingClock;
    std::shared_ptr<OutputState> output;
    StreamEncoder encoder;
    int lostFrames = 0;
    int maxLostFrames = 0;
    bool running = false;
    bool paused = false;
};
