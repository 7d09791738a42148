#pragma once

#include <QByteArray>

#include "recording/streamwriter.h"

class PcmSource;
struct SwrContext;

// The sound half of one recording: 16-bit PCM in blocks of 1024 samples a channel, converted
// to planar float and encoded as AAC. Lives in the recorder's audio thread from startWriter on.
// Sound is placed on the recording's time line by the time it was captured: what never came
// (a late start, a lost stretch, a device gone) is silence, and nothing after it moves.
class AudioWriter : public StreamWriter
{
    Q_OBJECT
public:
    explicit AudioWriter(std::shared_ptr<RecordingClock> clock, QObject *parent = nullptr);
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
    enum LoopEnd { Going, Stopped, TooManyLost, OutputLost };

    LoopEnd runLoop();
    LoopEnd finish();
    LoopEnd takeArrived(qint64 *frames);
    LoopEnd place(const char *data, qint64 frames, qint64 capturedNs);
    LoopEnd placeAt(const char *data, qint64 frames, qint64 recordingNs);
    LoopEnd append(const char *data, qint64 frames);
    bool initResampler();
    StreamEncoder::Result encodeBlock(int frames);
    void releaseCapture();
    qint64 framesIn(qint64 ns) const;
    qint64 placedEnd() const { return blockAt + blockFilled; }

    PcmSource *source = nullptr;
    int frameSize = 1024;
    int frameBytes = 4;
    SwrContext *resampler = nullptr;
    struct AVFrame *samples = nullptr;
    QByteArray readBuffer;
    QByteArray block; // the block being filled, on the time line from blockAt (in frames) on
    int blockFilled = 0;
    qint64 blockAt = 0;
    bool soundLast = false; // what was placed last is sound, not silence put in for a gap
    bool soundSeen = false;
    qint64 silentRun = 0;      // frames of silence put in since the last sound
    bool soundMissing = false; // a stretch of sound never came: told at the stop
};
