#pragma once

#include <QMutex>
#include <QVector>
#include <atomic>
#include <limits>

// The time line of one recording, shared by its writers: it runs from start() on and stands
// still while the recording is paused or stopping, so both streams leave paused time out the
// same way. Capture moments are steady-clock nanoseconds (nowNs()); any thread may ask.
class RecordingClock
{
public:
    static constexpr qint64 never = std::numeric_limits<qint64>::max();

    static qint64 nowNs();

    void start(qint64 atNs = nowNs());
    void pause(qint64 atNs = nowNs());
    void resume(qint64 atNs = nowNs());
    // Recording time now, in nanoseconds.
    qint64 elapsedNs() const;

    // Where a capture moment lies on the time line.
    struct Place
    {
        bool running = false;
        qint64 recordingNs = 0;     // while running: its recording time
        qint64 runsUntilNs = never; // while running: when this stretch ended, if it has
        qint64 nextRunNs = never;   // while still: when the clock ran again, if it has
    };
    Place place(qint64 atNs) const;

    // How far the picture reaches on the time line (its last frame's end), so that the sound
    // can end with it.
    void pictureReaches(qint64 recordingNs);
    qint64 pictureEndNs() const { return pictureEnd; }

private:
    struct Run
    {
        qint64 fromNs, untilNs, recordingNs;
    };

    mutable QMutex mutex;
    QVector<Run> runs;
    std::atomic<qint64> pictureEnd{0};
};
