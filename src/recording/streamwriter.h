#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "recording/recordingclock.h"
#include "recording/streamencoder.h"

// What the video and the sound writer share: the flags the recorder's queued signals set in the
// writer's thread, the encoder of its stream, and the count of lost frames.
class StreamWriter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Copied from the recorder before the writer is opened.
    QMutex *muxerMutex = nullptr;
    // The recording's time line, which both writers stamp on; a writer given none starts its
    // own when it begins.
    std::shared_ptr<RecordingClock> recordingClock;

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
    RecordingClock &clock();

    StreamEncoder encoder;
    int lostFrames = 0;
    int maxLostFrames = 0;
    bool running = false;
    bool paused = false;
};
