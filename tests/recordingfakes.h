#pragma once

// Stand-ins for the screen, the microphone and the disk of a recording.

#include <QElapsedTimer>
#include <QMutex>
#include <QPainter>
#include <QRandomGenerator>
#include <atomic>
#include <cmath>

#include "platform/framesource.h"
#include "platform/pcmsource.h"
#include "recording/recordingbackend.h"

// What the sources saw, shared with the test after the writers are gone.
struct SourceLog
{
    QMutex mutex;
    QElapsedTimer clock; // started by the test
    qint64 firstGrabMs = -1;
    qint64 lastGrabMs = -1;
    int grabs = 0;
    QColor lastColor;
    std::atomic<bool> marker{false}; // set while paused: nothing of it may reach the file
};

// What the test sets before start; each source keeps a copy, as it runs in a writer's thread.
struct FakeSwitches
{
    bool microphone = true;
    bool screenReady = true;
    bool grabsFail = false;
    bool noisyScreen = false;
    bool pcmStarts = true;
    bool pcmReadErrors = false;
    bool pcmSilent = false;
};

// A moving square over a background whose colour changes with every picture.
class SyntheticFrameSource : public FrameSource
{
public:
    SyntheticFrameSource(std::shared_ptr<SourceLog> log, FakeSwitches on)
        : log(log)
        , on(on)
    {}

    bool open(const QRect &area) override
    {
        size = area.size();
        return on.screenReady;
    }
    QImage grab() override
    {
        if (on.grabsFail)
            return {};
        QMutexLocker lock(&log->mutex);
        const int n = log->grabs;
        const QColor color = log->marker ? QColor(255, 0, 255)
                                         : QColor((n * 37) % 200, (n * 91) % 256, (n * 53) % 256);
        QImage image(size, QImage::Format_RGB32);
        image.fill(color);
        if (on.noisyScreen) // pictures that do not compress, so that the file grows quickly
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(image.bits()),
                                                  image.width() * image.height());
        const int side = std::max(4, size.height() / 8);
        QPainter(&image).fillRect((n * 7) % std::max(1, size.width() - side), size.height() / 2,
                                  side, side, Qt::white);
        log->lastColor = color;
        log->lastGrabMs = log->clock.elapsed();
        if (log->firstGrabMs < 0)
            log->firstGrabMs = log->lastGrabMs;
        ++log->grabs;
        return image;
    }

private:
    std::shared_ptr<SourceLog> log;
    FakeSwitches on;
    QSize size;
};

// A 440 Hz sine delivered in real time; loud while the marker is set.
class SinePcmSource : public PcmSource
{
public:
    SinePcmSource(std::shared_ptr<SourceLog> log, FakeSwitches on)
        : log(log)
        , on(on)
    {}

    bool start(int sampleRate, int channelCount) override
    {
        rate = sampleRate;
        channels = channelCount;
        clock.start();
        return on.microphone && on.pcmStarts;
    }
    qint64 bytesReady() override
    {
        return on.pcmSilent ? 0 : (clock.elapsed() * rate / 1000 - produced) * channels * 2;
    }
    qint64 read(char *data, qint64 maxSize) override
    {
        if (on.pcmReadErrors)
            return -1;
        const qint64 frames = std::min(maxSize, bytesReady()) / (channels * 2);
        auto *out = reinterpret_cast<qint16 *>(data);
        const double amplitude = log->marker ? 0.9 : 0.25;
        for (qint64 i = 0; i < frames; ++i, ++produced) {
            const double v = amplitude * std::sin(2 * M_PI * 440.0 * produced / rate);
            for (int c = 0; c < channels; ++c)
                *out++ = qint16(std::lround(v * 32767));
        }
        return frames * channels * 2;
    }
    void stop() override {}

private:
    std::shared_ptr<SourceLog> log;
    FakeSwitches on;
    QElapsedTimer clock;
    int rate = 44100;
    int channels = 2;
    qint64 produced = 0;
};

class FakeRecordingBackend : public RecordingBackend, public FakeSwitches
{
public:
    std::shared_ptr<SourceLog> log = std::make_shared<SourceLog>();
    std::atomic<qint64> freeSpace{-2}; // -2: ask the real disk

    bool hasDefaultAudioInput() override { return microphone; }
    std::unique_ptr<FrameSource> createFrameSource() override
    {
        return std::make_unique<SyntheticFrameSource>(log, *this);
    }
    PcmSource *createPcmSource() override { return new SinePcmSource(log, *this); }
    qint64 freeBytes(const QString &folder) override
    {
        return freeSpace == -2 ? SystemRecordingBackend().freeBytes(folder) : qint64(freeSpace);
    }
};
