#include "drawing/pagehistory.h"

#include "base/uimetrics.h"
#include "drawing/geometry.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"

namespace PageHistory {

namespace {
void dispose(PaintData *action)
{
    action->clear();
    delete action;
}
} // namespace

UndoRedoState undoRedoState(const QList<PaintData *> &history)
{
    UndoRedoState state;
    if (history.isEmpty())
        return state;
    if (!history.last()->closed) {
        state.canUndo = true;
        return state;
    }
    for (int i = history.size() - 1; i >= 0; --i) {
        if (history.at(i)->active)
            state.canUndo = true;
        else
            state.canRedo = true;
        if (state.canUndo && state.canRedo)
            break;
    }
    return state;
}

PaintData *openLastAction(const QList<PaintData *> &history)
{
    if (history.isEmpty() || history.last()->closed)
        return nullptr;
    return history.last();
}

PaintData *openLastActionOfType(const QList<PaintData *> &history, int type)
{
    PaintData *action = openLastAction(history);
    return (action && action->type == type) ? action : nullptr;
}

void beginAction(QList<PaintData *> &history, PaintData *action, bool dropUndone)
{
    if (!action)
        return;
    history.append(action);
    if (dropUndone)
        dropRedoTail(history, true);
}

void dropRedoTail(QList<PaintData *> &history, bool keepLast)
{
    if (history.isEmpty())
        return;
    PaintData *last = history.takeLast();
    while (!history.isEmpty() && !history.last()->active)
        dispose(history.takeLast());
    if (keepLast)
        history.append(last);
    else
        dispose(last);
}

bool undo(QList<PaintData *> &history)
{
    if (history.isEmpty())
        return false;
    if (!history.last()->closed) {
        dropRedoTail(history, false);
        return true;
    }
    for (int i = history.size() - 1; i >= 0; --i) {
        if (history.at(i)->active) {
            history.at(i)->active = false;
            return true;
        }
    }
    return false;
}

bool redo(QList<PaintData *> &history)
{
    if (history.isEmpty() || !history.last()->closed)
        return false;
    for (PaintData *action : qAsConst(history)) {
        if (!action->active) {
            action->active = true;
            return true;
        }
    }
    return false;
}

bool closeOpenAction(QList<PaintData *> &history)
{
    PaintData *action = openLastAction(history);
    if (!action)
        return false;
    if (action->type == PaintTool::Highlighter && action->points.size() < 2) {
        removeAction(history, action);
        return true;
    }
    action->closed = true;
    dropRedoTail(history, true);
    return true;
}

bool removeAction(QList<PaintData *> &history, PaintData *action)
{
    if (!action || !history.removeOne(action))
        return false;
    dispose(action);
    return true;
}

void clearHistory(QList<PaintData *> &history)
{
    const QList<PaintData *> actions = history;
    history.clear();
    for (PaintData *action : actions)
        dispose(action);
}

bool isSelectionActionValid(const PaintData *action, bool marqueeValid)
{
    if (!action)
        return false;
    const QVector<QPointF> &p = action->points;
    const QRectF source = p.size() >= 2 ? rectFromPoints(p.at(0), p.at(1)) : QRectF();
    const bool sourceHasArea = source.width() > 0 && source.height() > 0;
    switch (action->value2) {
        case SelectionKind::MovedRegion: {
            if (!action->sourceFixed || !sourceHasArea || p.size() < 8)
                return false;
            for (int i = 2; i < 8; ++i) {
                if (p.at(i) == invalidPointF)
                    return false;
            }
            return true;
        }
        case SelectionKind::DeletedRegion:
            return sourceHasArea;
        case SelectionKind::PastedImage:
            return marqueeValid;
        default:
            return true;
    }
}

bool canCleanImpureImage(const QList<PaintData *> &history, bool marqueeShown)
{
    const PaintData *action = openLastActionOfType(history, PaintTool::Selection);
    return marqueeShown && action && action->value2 == SelectionKind::PastedImage;
}

} // namespace PageHistory
