#include "drawing/layersnapshots.h"

#include "drawing/paintdata.h"

namespace {
// Every cache of the program, for the shared budget (GUI thread only).
QVector<LayerSnapshots *> &allCaches()
{
    static QVector<LayerSnapshots *> caches;
    return caches;
}

quint64 nextTaken = 0;
} // namespace

LayerSnapshots::LayerSnapshots()
{
    allCaches().append(this);
}

LayerSnapshots::~LayerSnapshots()
{
    allCaches().removeOne(this);
}

qint64 LayerSnapshots::bytes() const
{
    qint64 sum = 0;
    for (const Snapshot &snapshot : snapshots)
        sum += bytesOf(snapshot);
    return sum;
}

qint64 LayerSnapshots::totalBytes()
{
    qint64 sum = 0;
    for (const LayerSnapshots *cache : qAsConst(allCaches()))
        sum += cache->bytes();
    return sum;
}

void LayerSnapshots::keepWithinBudget()
{
    qint64 total = totalBytes();
    while (total > budgetBytes) {
        // The oldest copy of a hidden cache, else the oldest of all; within a cache the copies
        // are in the order of their counts, and the lowest count goes first (undo works from
        // the end).
        LayerSnapshots *victim = nullptr;
        for (LayerSnapshots *cache : qAsConst(allCaches())) {
            if (cache->snapshots.isEmpty())
                continue;
            const bool better = !victim || (!cache->shown && victim->shown) ||
                                (cache->shown == victim->shown &&
                                 cache->snapshots.first().taken < victim->snapshots.first().taken);
            if (better)
                victim = cache;
        }
        if (!victim)
            return;
        total -= bytesOf(victim->snapshots.first());
        victim->snapshots.removeFirst();
    }
}

void LayerSnapshots::clear()
{
    sequence.clear();
    snapshots.clear();
}

int LayerSnapshots::usablePrefix(const QList<PaintData *> &history) const
{
    const int n = qMin(sequence.size(), history.size());
    int i = 0;
    while (i < n) {
        const PaintData *action = sequence.at(i).data();
        if (!action || action != history.at(i) || !action->active || !action->closed)
            break;
        ++i;
    }
    return i;
}

const LayerSnapshots::Snapshot *LayerSnapshots::nearest(const QList<PaintData *> &history)
{
    const int usable = usablePrefix(history);
    while (!snapshots.isEmpty() && snapshots.last().count > usable)
        snapshots.removeLast();
    sequence.resize(usable);
    return snapshots.isEmpty() ? nullptr : &snapshots.last();
}

void LayerSnapshots::take(const QList<PaintData *> &history, int count, const QPixmap &ink,
                          const QPixmap &picture)
{
    if (count <= 0 || count > history.size())
        return;
    for (int i = 0; i < count; ++i) {
        const PaintData *action = history.at(i);
        if (!action || !action->active || !action->closed)
            return;
    }
    const int usable = usablePrefix(history);
    if (usable < count) {
        while (!snapshots.isEmpty() && snapshots.last().count > usable)
            snapshots.removeLast();
        sequence.resize(usable);
        for (int i = usable; i < count; ++i)
            sequence.append(QPointer<PaintData>(history.at(i)));
    }
    int at = snapshots.size();
    while (at > 0 && snapshots.at(at - 1).count >= count)
        --at;
    if (at < snapshots.size() && snapshots.at(at).count == count)
        snapshots[at] = Snapshot{count, ink, picture, ++nextTaken};
    else
        snapshots.insert(at, Snapshot{count, ink, picture, ++nextTaken});
    qint64 bytes = 0;
    for (const Snapshot &snapshot : qAsConst(snapshots))
        bytes += bytesOf(snapshot);
    while (snapshots.size() > 1 && (snapshots.size() > maximumCount || bytes > maximumBytes)) {
        bytes -= bytesOf(snapshots.first());
        snapshots.removeFirst();
    }
    keepWithinBudget();
}

qint64 LayerSnapshots::bytesOf(const Snapshot &snapshot)
{
    auto size = [](const QPixmap &p) { return qint64(p.width()) * p.height() * 4; };
    return size(snapshot.ink) + size(snapshot.picture);
}
