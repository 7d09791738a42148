#pragma once

#include <QByteArray>

#include "recording/streamwriter.h"

class PcmSource;
struct SwrContext;

// The sound half of one recording: 16-bit PCM in blocks of 1024 samples a channel, converted
// to planar float and encoded as AAC. Lives in the recorder's audio thread from startWriter on.
class AudioWriter : public StreamWriter
{
    Q_OBJECT
public:
    explicit AudioWriter(QObject *parent = nullptr);
    ~AudioWriter() override;

    // Copied from the recorder before initAudioInput().
    int channelCount = 2;
    int sampleRate = 44100;
    int bytesPerSample = 2;

    // The writer takes ownership of the source, which moves with it to the writer's thread and
    // is opened there by startWriter.
    void initAudioInput(PcmSource *source);
public slots:
    void startWriter();

private:
    enum LoopEnd { Stopped, TooManyLost, OutputLost };

    LoopEnd runLoop();
    bool initResampler();
    StreamEncoder::Result encodeBlock(const QByteArray &block);
    void releaseCapture();

    PcmSource *source = nullptr;
    int frameSize = 1024;
    SwrContext *resampler = nullptr;
    struct AVFrame *samples = nullptr;
    qint64 sampleTotal = 0;
};
