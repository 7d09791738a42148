#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

#include "recording/recordingengine.h"

class AudioWriter;
class RecordingBackend;
class RecordingClock;
class VideoWriter;
struct OutputState;
struct AVCodecContext;
struct AVStream;

// The recording engine: one MP4 file with H.264 video and AAC sound, written by a video writer
// and an audio writer on two threads into one shared output.
class VideoRecorder : public RecordingEngine
{
    Q_OBJECT
public:
    explicit VideoRecorder(QObject *parent = nullptr);
    ~VideoRecorder() override;

    void setBackend(std::shared_ptr<RecordingBackend> backend) override;
    bool isRecording() const override { return recording; }
    const RecordingOptions &options() const override { return current; }
    void notifyWindowMoved() override {}
    void notifyApplicationState(int) override {}

signals:
    void startWriter(QPixmap snapshot);
    void pauseWriter();
    void resumeWriter();
    void stopWriter();
    void resetWinAPos(int x, int y);
    void resetWinActivate(int state);

public slots:
    void start(const RecordingOptions &options) override;
    void pause() override;
    void resume() override;
    void stop() override;
    void videoWriterStoped();
    void audioWriterStoped();
    void writerStopErrored(QString text);
    void writerTipErrored(QString text);

private:
    bool createOutputContext();
    bool initVideoEncoder(QString &error);
    bool initAudioEncoder(QString &error);
    bool addStream(AVStream *&stream, const AVCodecContext *codec, const QString &kind,
                   QString &error);
    bool openOutputFile();
    void discardFile();
    std::function<bool()> fileSync() const;
    VideoWriter *newVideoWriter();
    void startVideoWriter(VideoWriter *writer);
    void startAudioWriter();
    template <typename W>
    void runWriter(W *&current, QThread *&thread, void (VideoRecorder::*)());
    bool writersReady(const QString &noSound, const QString &noVideo);
    void pauseWriters();
    void resumeWriters();
    void haltWriters();
    void stopThread(QThread *&thread, QObject *writer);
    void writerGone(QThread *&thread);
    void dropLateWriters();
    void releaseOutput();
    void finishRecording();
    void finishLate();
    void fileFinished(quint64 run, int end, const QString &error);
    void refuse(const QString &text);
    void checkDisk();
    void diskLow();
    // Runs work on a thread of its own, done with its result in the recorder's thread; work
    // that never returns (a network folder that stopped answering) is left to itself.
    template <typename Result, typename Work, typename Done>
    QThread *runAside(Work work, Done done);
    bool soundOn() const { return current.audioMode != 3; }

    RecordingOptions current;
    int frameRate = 20;
    int channelCount = 2;
    int sampleRate = 44100;
    int bytesPerSample = 2;
    // The output of the recording under way, shared with its writers.
    std::shared_ptr<OutputState> state;
    VideoWriter *videoWriter = nullptr;
    AudioWriter *audioWriter = nullptr;
    // Each recording has threads of its own, so that a writer stuck in a library call and let
    // go at the stop holds up no later recording.
    QThread *videoThread = nullptr;
    QThread *audioThread = nullptr;
    QTimer stopDeadline;
    bool recording = false;
    // From start() until the writers run: the capture may wait for its first picture with
    // events running. A stop or a pause asked for meanwhile is held for the start's end.
    bool starting = false;
    bool heldStop = false;
    bool heldPause = false;
    // From the writers' end until the file is finished on a thread of its own, or given up.
    bool finishing = false;
    QTimer finishLimit;
    QPointer<QThread> finisher;
    quint64 runs = 0;        // recordings started: an answer for an earlier one is not heard
    QSet<quint64> lateRuns;  // ... unless its finish passed the limit: then it is told
    QElapsedTimer diskAsked; // valid while a free-space check is under way
    QString stopError;       // the first writer's error of this recording, told at its end
    std::shared_ptr<RecordingBackend> backend;
    std::shared_ptr<RecordingClock> clock;
    QTimer diskWatch;
};
