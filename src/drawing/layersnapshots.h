#pragma once

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QVector>

class PaintData;

// Copies of a page's drawing layers taken during replay, so that an undo or redo near the end of a
// long history replays only the actions after the nearest copy instead of the whole history.
//
// A copy stands for the layers after the first `count` actions of the history. It stays usable
// only while those actions are the same objects, in the same order, all active and closed (a
// closed action is never changed); the cache checks that on every lookup, so any other change of
// the history (clearing, removals, undo below the copy) simply makes the copy unusable.
//
// All caches of the program share one budget of bytes: when a copy is taken beyond it, copies go
// first from the caches of boards that are not shown, then from the shown ones, the oldest taken
// first. A cache that lost its copies makes its owner replay more, never draw otherwise.
class LayerSnapshots
{
public:
    struct Snapshot
    {
        int count = 0;
        QPixmap ink;
        QPixmap picture;
        // When the copy was taken, in the order of all copies of the program.
        quint64 taken = 0;
    };

    LayerSnapshots();
    ~LayerSnapshots();
    LayerSnapshots(const LayerSnapshots &) = delete;
    LayerSnapshots &operator=(const LayerSnapshots &) = delete;

    // Whether the owner's page is on screen; the copies of hidden ones go first.
    void setShown(bool on) { shown = on; }
    bool isShown() const { return shown; }
    qint64 bytes() const;
    // Bytes of all copies of the program.
    static qint64 totalBytes();
    // The program-wide budget of all copies together.
    static constexpr qint64 budgetBytes = 256LL * 1024 * 1024;

    // Forgets every copy. The owner calls it when what the copies depend on besides the history
    // changes: another page, another layer size or extension.
    void clear();

    // The copy with the largest count that is usable for history, or nullptr. Unusable copies are
    // dropped.
    const Snapshot *nearest(const QList<PaintData *> &history);

    // Records the layers after the first count actions of history; nothing unless they are all
    // active and closed.
    void take(const QList<PaintData *> &history, int count, const QPixmap &ink,
              const QPixmap &picture);

    int size() const { return snapshots.size(); }

    // At most this many copies, and at most this many bytes of them, are kept; the oldest goes
    // first (undo works from the end). The newest copy is always kept.
    static constexpr int maximumCount = 12;
    static constexpr qint64 maximumBytes = 160LL * 1024 * 1024;

private:
    int usablePrefix(const QList<PaintData *> &history) const;
    static qint64 bytesOf(const Snapshot &snapshot);
    // Drops copies of the program until all fit into the budget.
    static void keepWithinBudget();

    bool shown = true;

    QVector<QPointer<PaintData>> sequence;
    QVector<Snapshot> snapshots;
};
