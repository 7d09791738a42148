#pragma once

#include <QList>
#include <QPixmap>

#include "drawing/layersnapshots.h"

class PaintData;

// The undo copies of one page's layers together with the rule for when to take one: a copy is
// taken once replaying or live painting has cost more than a threshold since the last one, so
// an undo near the end of a long history replays only the actions after the nearest copy. Both
// boards keep their pages' copies this way, within the program's one budget.
class ReplayCopies
{
public:
    void setEnabled(bool on);
    bool isEnabled() const { return enabled; }
    // Painting work in nanoseconds after which the next copy is taken.
    void setThreshold(qint64 nanoseconds) { threshold = nanoseconds; }
    int count() const { return snapshots.size(); }
    void setShown(bool on) { snapshots.setShown(on); }
    // Forgets the copies (another page, another layer size or extension).
    void clear();

    // At the start of a replay: the layers of the nearest usable copy go into ink and picture
    // (picture only when it is given); gives the index of the first action left to paint.
    int restore(const QList<PaintData *> &history, QPixmap *ink, QPixmap *picture);
    // During a replay, after the first count actions were painted at a cost of nanoseconds;
    // settled while all of them are active and closed.
    void replayed(const QList<PaintData *> &history, int count, bool settled, qint64 nanoseconds,
                  const QPixmap &ink, const QPixmap &picture);
    // After live painting at a cost of nanoseconds; closedAction when it closed the last action.
    void paintedLive(const QList<PaintData *> &history, qint64 nanoseconds,
                     const PaintData *closedAction, const QPixmap &ink, const QPixmap &picture);

private:
    LayerSnapshots snapshots;
    bool enabled = true;
    qint64 threshold = 4000000;
    // Work since the newest copy, and live work not yet counted.
    qint64 costSinceCopy = 0;
    qint64 liveCost = 0;
};
