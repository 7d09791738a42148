#include "recording/recordingclock.h"

#include <QMutexLocker>

#include "platform/steadyclock.h"

qint64 RecordingClock::nowNs()
{
    return steadyNowNs();
}

void RecordingClock::start(qint64 atNs)
{
    QMutexLocker lock(&mutex);
    runs = {Run{atNs, never, 0}};
}

void RecordingClock::pause(qint64 atNs)
{
    QMutexLocker lock(&mutex);
    if (!runs.isEmpty() && runs.last().untilNs == never)
        runs.last().untilNs = qMax(atNs, runs.last().fromNs);
}

void RecordingClock::resume(qint64 atNs)
{
    QMutexLocker lock(&mutex);
    if (runs.isEmpty() || runs.last().untilNs == never)
        return;
    const Run &last = runs.last();
    runs.append(
        Run{qMax(atNs, last.untilNs), never, last.recordingNs + last.untilNs - last.fromNs});
}

qint64 RecordingClock::elapsedNs() const
{
    QMutexLocker lock(&mutex);
    if (runs.isEmpty())
        return 0;
    const Run &last = runs.last();
    const qint64 until = last.untilNs == never ? nowNs() : last.untilNs;
    return last.recordingNs + qMax<qint64>(0, until - last.fromNs);
}

void RecordingClock::pictureReaches(qint64 recordingNs)
{
    qint64 end = pictureEnd;
    while (recordingNs > end && !pictureEnd.compare_exchange_weak(end, recordingNs)) {
    }
}

RecordingClock::Place RecordingClock::place(qint64 atNs) const
{
    QMutexLocker lock(&mutex);
    Place where;
    for (const Run &run : runs) {
        if (atNs < run.fromNs) {
            where.nextRunNs = run.fromNs;
            return where;
        }
        if (atNs < run.untilNs) {
            where.running = true;
            where.recordingNs = run.recordingNs + atNs - run.fromNs;
            where.runsUntilNs = run.untilNs;
            return where;
        }
    }
    return where;
}
