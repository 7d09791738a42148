#pragma once

#include <QByteArray>
#include <QObject>

#include "recording/streamencoder.h"

class PcmSource;
struct SwrContext;

// The sound half of one recording: 16-bit PCM in blocks of 1024 samples a channel, converted
// to planar float and encoded as AAC. Lives in the recorder's audio thread from startWriter on.
class AudioWriter : public QObject
{
    Q_OBJECT
public:
    explicit AudioWriter(QObject *parent = nullptr);
    ~AudioWriter() override;

    // Copied from the recorder before initAudioInput().
    QMutex *muxerMutex = nullptr;
    int channelCount = 2;
    int sampleRate = 44100;
    int bytesPerSample = 2;

    // Opens the input in the GUI thread; the writer takes ownership of the source.
    void initAudioInput(PcmSource *source);
    void setOutput(AVFormatContext *output, AVCodecContext *codec, AVStream *stream);

signals:
    void writerTipError(QString text);
    void writerStopError(QString text);
    void writerStoped();

public slots:
    void startWriter();
    void pauseWriter();
    void resumeWriter();
    void stopWriter();

private:
    enum LoopEnd { Stopped, TooManyLost, OutputLost };

    LoopEnd runLoop();
    bool initResampler();
    StreamEncoder::Result encodeBlock(const QByteArray &block);
    bool frameLost();
    void releaseCapture();

    PcmSource *source = nullptr;
    StreamEncoder encoder;
    bool inputReady = true;
    int frameSize = 1024;
    SwrContext *resampler = nullptr;
    struct AVFrame *samples = nullptr;
    qint64 sampleTotal = 0;
    int maxLostFrames = 0;
    int lostFrames = 0;
    bool running = false;
    bool paused = false;
};
