#pragma once

#include <QList>

class PaintData;

// The rules that keep one page's action history consistent, shared by every board. After each
// completed operation a history is a run of active actions followed by a run of undone (inactive)
// ones; only its last action may still be open (being drawn or edited).
//
// Ownership: an action that these rules take out of a history is deleted at once (the history
// owns its actions), so a caller must not use a pointer to it afterwards.
namespace PageHistory {

struct UndoRedoState
{
    bool canUndo = false;
    bool canRedo = false;
};

// Whether undo and redo are possible. An open last action can be undone but nothing redone.
UndoRedoState undoRedoState(const QList<PaintData *> &history);

// The last action while it is still open, else nullptr.
PaintData *openLastAction(const QList<PaintData *> &history);
// The last action while it is open and of the given type, else nullptr.
PaintData *openLastActionOfType(const QList<PaintData *> &history, int type);

// Appends a new open action at the press. With dropUndone the undone actions before it are
// dropped at once (pencil, pen and eraser); other tools drop them when they are kept.
void beginAction(QList<PaintData *> &history, PaintData *action, bool dropUndone);

// Takes out the last action and then every inactive action before it. With keepLast the last one
// is appended again (a new action is kept: the redo branch goes); without it, it goes as well
// (an open action is abandoned together with the undone ones before it).
void dropRedoTail(QList<PaintData *> &history, bool keepLast);

// Undo on the history alone: an open last action is abandoned (dropRedoTail without keepLast);
// otherwise the last active action becomes inactive. False when nothing changed.
bool undo(QList<PaintData *> &history);

// Redo, only when the last action is closed: the first inactive action from the start becomes
// active again. False when nothing changed.
bool redo(QList<PaintData *> &history);

// Finishing all editing: an open highlighter stroke of fewer than two points is removed; any
// other open last action is closed and kept (its redo branch goes). False when nothing was open.
bool closeOpenAction(QList<PaintData *> &history);

// Removes action from the history and deletes it; false when it is not in the history.
bool removeAction(QList<PaintData *> &history, PaintData *action);

// Deletes every action of the history (clear screen; cannot be undone).
void clearHistory(QList<PaintData *> &history);

// Whether a selection-content action may be committed. Moved regions need a lifted source, a
// complete target frame and a non-empty source rectangle; deleted regions a non-empty source
// rectangle; pasted images a valid marquee frame (marqueeValid).
bool isSelectionActionValid(const PaintData *action, bool marqueeValid);

// Whether the photo clean-up applies: the marquee shows a pasted image whose action is still
// open at the end of the history.
bool canCleanImpureImage(const QList<PaintData *> &history, bool marqueeShown);

} // namespace PageHistory
