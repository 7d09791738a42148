#pragma once

#include <QMutex>
#include <QObject>
#include <QPixmap>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

#include "recording/recordingengine.h"

class AudioWriter;
class RecordingBackend;
class RecordingClock;
class VideoWriter;
struct WriterLease;
struct AVCodecContext;
struct AVFormatContext;
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
    bool openOutputFile(bool *created);
    std::function<void()> fileSync() const;
    bool writeTrailer();
    void startVideoWriter();
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
    QString keepWhatWasSaved();
    void refuse(const QString &text);
    void checkDisk();
    bool soundOn() const { return current.audioMode != 3; }

    RecordingOptions current;
    int frameRate = 20;
    int channelCount = 2;
    int sampleRate = 44100;
    int bytesPerSample = 2;
    QMutex muxerMutex;
    AVFormatContext *output = nullptr;
    AVCodecContext *videoCodec = nullptr;
    AVStream *videoStream = nullptr;
    AVCodecContext *audioCodec = nullptr;
    AVStream *audioStream = nullptr;
    VideoWriter *videoWriter = nullptr;
    AudioWriter *audioWriter = nullptr;
    // Each recording has threads of its own, so that a writer stuck in a library call and let
    // go at the stop holds up no later recording.
    QThread *videoThread = nullptr;
    QThread *audioThread = nullptr;
    std::shared_ptr<WriterLease> videoLease, audioLease;
    QTimer stopDeadline;
    // How much of the file is written whole (guarded by the muxer mutex), and the header's end.
    qint64 savedBytes = 0;
    qint64 headerBytes = 0;
    int syncFd = -1; // the file, for syncing it to the disk
    bool recording = false;
    QString stopError; // the first writer's error of this recording, told at its end
    std::shared_ptr<RecordingBackend> backend;
    std::shared_ptr<RecordingClock> clock;
    QTimer diskWatch;
};
