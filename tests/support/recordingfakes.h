#pragma once

// Stand-ins for the screen, the microphone and the disk of a recording.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPair>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <QVector>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>

#include "platform/framesource.h"
#include "platform/pcmsource.h"
#include "platform/steadyclock.h"
#include "recording/recordingbackend.h"

// Switches set before start and what the sources saw, read after the writers are gone. The
// recorder keeps its backend alive as long as the writers that use it.
struct FakeRecordingState
{
    using Stretches = QVector<QPair<int, int>>; // from, until: milliseconds

    bool microphone = true, pcmReadErrors = false, pcmSilent = false;
    bool grabsFail = false, noisyScreen = false;
    // A slow screen: every other grab takes this long, its pixels read at the start where the
    // source tells the read moment (as a compositor's buffer handed over late), else at the end.
    int grabMs = 0;
    bool tellsReadMoment = false;
    // A screen whose first picture comes this long after the capture is opened, as a desktop's
    // screen cast: the opening waits for it with events running.
    int firstPictureMs = 0;
    bool captureOpens = true;
    // A real microphone's delivery: the first sound captured this long after start(), handed
    // over in bursts of this length, and stretches after start() that it never delivers (a
    // device unplugged; INT_MAX: for good).
    int pcmLateMs = 0, pcmBurstMs = 0;
    Stretches pcmLost;
    // On the clock below: while a mark lasts, the screen is black and the sound loud.
    Stretches marks;
    // Loud sound made while paused, from and to on the clock: told by the sound's own time, as a
    // microphone read late still hands over what it heard before.
    std::atomic<qint64> markerFromMs{LLONG_MAX}, markerToMs{LLONG_MAX};
    std::atomic<qint64> freeSpace{-2};    // -2: ask the real disk
    std::atomic<int> freeSpaceStallMs{0}; // a folder that takes this long to answer
    // A folder whose checks and file creation take this long.
    std::atomic<int> folderStallMs{0};
    // A disk that stalls once: the first sync of the file a second after the clock's start,
    // outside the microphone's thread, takes this long.
    std::atomic<int> syncStallMs{0};
    std::atomic<bool> syncStalled{false};
    std::atomic<bool> syncFails{false}; // every sync of the file answers EIO
    // Inputs whose start() never returns, as Qt's PulseAudio open can hang, until released.
    std::atomic<int> pcmStartsToBlock{0}, pcmStartsBlocked{0};
    // A test that forgets the release must not hang: after this long the input goes on, and
    // pcmStartReleaseMissed tells the test so.
    std::atomic<bool> pcmStartReleased{false}, pcmStartReleaseMissed{false};
    static constexpr int pcmStartBlockLimitMs = 30000;
    QElapsedTimer clock;
    qint64 firstGrabMs = -1, lastGrabMs = -1;
    QVector<qint64> readMs; // when each grab's pixels were read
    int grabs = 0;
    QColor lastColor;
    QThread *pcmStartThread = nullptr;

    bool inMark(qint64 ms) const
    {
        for (const auto &mark : marks) {
            if (ms >= mark.first && ms < mark.second)
                return true;
        }
        return false;
    }
};

// The screen, of a colour that changes with every picture, and the microphone, a 440 Hz sine
// in real time, each read stamped with its capture time as the seam promises; black and loud
// during the marks.
class FakeInput : public PcmSource, public FrameSource
{
public:
    static qint64 nowNs() { return steadyNowNs(); }
    explicit FakeInput(FakeRecordingState &state)
        : s(state)
    {}
    bool open(const QRect &area) override
    {
        size = area.size();
        if (s.firstPictureMs > 0) {
            QEventLoop wait;
            QTimer::singleShot(s.firstPictureMs, &wait, &QEventLoop::quit);
            wait.exec();
        }
        return s.captureOpens;
    }
    QImage grab() override
    {
        if (s.grabsFail)
            return {};
        const unsigned long slowMs = s.grabs % 2 ? 0 : s.grabMs;
        if (!s.tellsReadMoment)
            QThread::msleep(slowMs);
        readNs = nowNs();
        s.readMs << s.clock.elapsed();
        const int n = s.grabs++;
        s.lastColor = s.inMark(s.readMs.last())
                          ? QColor(Qt::black)
                          : QColor(40 + (n * 37) % 200, 40 + (n * 91) % 216, (n * 53) % 256);
        QImage image(size, QImage::Format_RGB32);
        image.fill(s.lastColor);
        if (s.noisyScreen) // pictures that do not compress, so that the file grows quickly
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(image.bits()),
                                                  image.width() * image.height());
        if (s.tellsReadMoment)
            QThread::msleep(slowMs);
        s.lastGrabMs = s.clock.elapsed();
        if (s.firstGrabMs < 0)
            s.firstGrabMs = s.lastGrabMs;
        return image;
    }
    qint64 lastGrabNs() const override { return s.tellsReadMoment ? readNs : 0; }
    bool start(int sampleRate, int channelCount) override
    {
        rate = sampleRate;
        channels = channelCount;
        s.pcmStartThread = QThread::currentThread();
        if (s.pcmStartsToBlock.fetch_sub(1) > 0) {
            ++s.pcmStartsBlocked;
            QElapsedTimer blocked;
            blocked.start();
            while (!s.pcmStartReleased && blocked.elapsed() < s.pcmStartBlockLimitMs)
                QThread::msleep(10);
            if (!s.pcmStartReleased) {
                s.pcmStartReleaseMissed = true;
                qWarning("FakeInput: the blocked microphone start was never released");
            }
            --s.pcmStartsBlocked;
        }
        startNs = nowNs();
        return s.microphone;
    }
    qint64 read(char *data, qint64 maxSize, qint64 *capturedNs) override
    {
        if (s.pcmReadErrors)
            return -1;
        if (s.pcmSilent)
            return 0;
        // Captured so far, and of that what a burst has handed over.
        qint64 capturedMs = (nowNs() - startNs) / 1000000 - s.pcmLateMs;
        if (s.pcmBurstMs > 0)
            capturedMs -= capturedMs % s.pcmBurstMs;
        const qint64 delivered = std::max<qint64>(0, capturedMs) * rate / 1000;
        qint64 frames = std::min(maxSize / (channels * 2), delivered - produced);
        for (const auto &lost : s.pcmLost) {
            const qint64 from = frameAt(lost.first), until = frameAt(lost.second);
            if (produced >= from && produced < until) {
                produced = std::min(until, delivered);
                frames = std::min(maxSize / (channels * 2), delivered - produced);
            }
            if (from > produced)
                frames = std::min(frames, from - produced);
        }
        if (frames <= 0)
            return 0;
        const qint64 firstNs = startNs + (s.pcmLateMs * rate + produced * 1000) * 1000000 / rate;
        const qint64 origin = s.clock.msecsSinceReference() * 1000000;
        auto *out = reinterpret_cast<qint16 *>(data);
        for (qint64 i = 0; i < frames; ++i, ++produced) {
            const qint64 atMs = (firstNs + i * 1000000000 / rate - origin) / 1000000;
            const bool marker = atMs >= s.markerFromMs && atMs < s.markerToMs;
            const double loud = marker || s.inMark(atMs) ? 0.9 : 0.25;
            const double v = loud * std::sin(2 * M_PI * 440.0 * produced / rate);
            for (int c = 0; c < channels; ++c)
                *out++ = qint16(std::lround(v * 32767));
        }
        *capturedNs = firstNs;
        return frames * channels * 2;
    }
    void stop() override {}

private:
    FakeRecordingState &s;
    QSize size;
    qint64 readNs = 0;
    qint64 frameAt(int msAfterStart) const
    {
        return msAfterStart == INT_MAX
                   ? LLONG_MAX
                   : std::max<qint64>(0, msAfterStart - s.pcmLateMs) * rate / 1000;
    }

    qint64 startNs = 0;
    int rate = 44100, channels = 2;
    qint64 produced = 0; // frames since the first captured one
};

// The longest the calling thread's events stood still while the watch lives.
struct EventGapWatch
{
    QTimer ticks;
    QElapsedTimer sinceTick;
    qint64 longestMs = 0;
    EventGapWatch()
    {
        QObject::connect(&ticks, &QTimer::timeout,
                         [this] { longestMs = qMax(longestMs, sinceTick.restart()); });
        sinceTick.start();
        ticks.start(20);
    }
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
        QThread::msleep(static_cast<unsigned long>(freeSpaceStallMs.load()));
        return freeSpace == -2 ? SystemRecordingBackend().freeBytes(folder) : qint64(freeSpace);
    }
    bool folderWritable(const QString &folder) override
    {
        QThread::msleep(static_cast<unsigned long>(folderStallMs.load()));
        return RecordingBackend::folderWritable(folder);
    }
    QString reserveFile(const QString &path, bool *created) override
    {
        QThread::msleep(static_cast<unsigned long>(folderStallMs.load()));
        return RecordingBackend::reserveFile(path, created);
    }
    bool syncToDisk(int fd) override
    {
        if (QThread::currentThread() != pcmStartThread && clock.elapsed() >= 1000 &&
            !syncStalled.exchange(true))
            QThread::msleep(static_cast<unsigned long>(syncStallMs.load()));
        return RecordingBackend::syncToDisk(fd) && !syncFails;
    }
};
