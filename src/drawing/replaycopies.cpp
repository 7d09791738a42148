#include "drawing/replaycopies.h"

void ReplayCopies::setEnabled(bool on)
{
    enabled = on;
    if (!on)
        snapshots.clear();
    costSinceCopy = 0;
}

void ReplayCopies::clear()
{
    snapshots.clear();
    costSinceCopy = 0;
}

int ReplayCopies::restore(const QList<PaintData *> &history, QPixmap *ink, QPixmap *picture)
{
    costSinceCopy = 0;
    if (!enabled)
        return 0;
    const LayerSnapshots::Snapshot *copy = snapshots.nearest(history);
    if (!copy)
        return 0;
    *ink = copy->ink;
    if (picture)
        *picture = copy->picture;
    return copy->count;
}

void ReplayCopies::replayed(const QList<PaintData *> &history, int count, bool settled,
                            qint64 nanoseconds, const QPixmap &ink, const QPixmap &picture)
{
    if (!enabled || !settled)
        return;
    costSinceCopy += nanoseconds;
    if (costSinceCopy >= threshold) {
        snapshots.take(history, count, ink, picture);
        costSinceCopy = 0;
    }
}

void ReplayCopies::paintedLive(const QList<PaintData *> &history, qint64 nanoseconds,
                               const PaintData *closedAction, const QPixmap &ink,
                               const QPixmap &picture)
{
    liveCost += nanoseconds;
    if (!closedAction)
        return;
    costSinceCopy += liveCost;
    liveCost = 0;
    if (!enabled || costSinceCopy < threshold)
        return;
    if (!history.isEmpty() && history.last() == closedAction) {
        snapshots.take(history, history.size(), ink, picture);
        costSinceCopy = 0;
    }
}
