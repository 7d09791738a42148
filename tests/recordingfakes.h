#pragma once

// Stand-ins for the screen, the microphone and the disk of a recording.

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <atomic>
#include <cmath>

#include "platform/framesource.h"
#include "platform/pcmsource.h"
#include "recording/recordingbackend.h"

// Switches set before start and what the sources saw, read after the writers are gone. The
// recorder keeps its backend alive as long as the writers that use it.
struct FakeRecordingState
{
    bool microphone = true, pcmReadErrors = false, pcmSilent = false;
    bool grabsFail = false, noisyScreen = false;
    std::atomic<bool> marker{false};   // loud sound, made while paused
    std::atomic<qint64> freeSpace{-2}; // -2: ask the real disk
    QElapsedTimer clock;
    qint64 firstGrabMs = -1, lastGrabMs = -1;
    int grabs = 0;
    QColor lastColor;
    QThread *pcmStartThread = nullptr;
};

// The screen, of a colour that changes with every picture, and the microphone, a 440 Hz sine
// in real time.
class FakeInput : public PcmSource, public FrameSource
{
public:
    explicit FakeInput(FakeRecordingState &state)
        : s(state)
    {}
    bool open(const QRect &area) override
    {
        size = area.size();
        return true;
    }
    QImage grab() override
    {
        if (s.grabsFail)
            return {};
        const int n = s.grabs++;
        s.lastColor = QColor((n * 37) % 200, (n * 91) % 256, (n * 53) % 256);
        QImage image(size, QImage::Format_RGB32);
        image.fill(s.lastColor);
        if (s.noisyScreen) // pictures that do not compress, so that the file grows quickly
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(image.bits()),
                                                  image.width() * image.height());
        s.lastGrabMs = s.clock.elapsed();
        if (s.firstGrabMs < 0)
            s.firstGrabMs = s.lastGrabMs;
        return image;
    }
    bool start(int sampleRate, int channelCount) override
    {
        rate = sampleRate;
        channels = channelCount;
        s.pcmStartThread = QThread::currentThread();
        clock.start();
        return s.microphone;
    }
    qint64 bytesReady() override
    {
        return s.pcmSilent ? 0 : (clock.elapsed() * rate / 1000 - produced) * channels * 2;
    }
    qint64 read(char *data, qint64 maxSize) override
    {
        if (s.pcmReadErrors)
            return -1;
        const qint64 frames = std::min(maxSize, bytesReady()) / (channels * 2);
        auto *out = reinterpret_cast<qint16 *>(data);
        for (qint64 i = 0; i < frames; ++i, ++produced) {
            const double v = (s.marker ? 0.9 : 0.25) * std::sin(2 * M_PI * 440.0 * produced / rate);
            for (int c = 0; c < channels; ++c)
                *out++ = qint16(std::lround(v * 32767));
        }
        return frames * channels * 2;
    }
    void stop() override {}

private:
    FakeRecordingState &s;
    QSize size;
    QElapsedTimer clock;
    int rate = 44100, channels = 2;
    qint64 produced = 0;
};

class FakeRecordingBackend : public RecordingBackend, public FakeRecordingState
{
public:
    FakeRecordingBackend() { clock.start(); }
    bool hasDefaultAudioInput() override { return microphone; }
    std::unique_ptr<FrameSource> createFrameSource() override
    {
        return std::make_unique<FakeInput>(*this);
    }
    PcmSource *createPcmSource() override { return new FakeInput(*this); }
    qint64 freeBytes(const QString &folder) override
    {
        return freeSpace == -2 ? SystemRecordingBackend().freeBytes(folder) : qint64(freeSpace);
    }
};
