#pragma once

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QRect>

class PageData;
class PaintData;
class ReplayCopies;
struct BoardItems;

// The layers of one page that actions are painted into, as both boards hold them.
struct ActionLayers
{
    PageData *page = nullptr;
    // The drawing; every action ends here.
    QPixmap *ink = nullptr;
    // Work layer of the highlighter stroke being drawn; transparent otherwise.
    QPixmap *highlight = nullptr;
    // A page picture that the eraser and moved selections take with the drawing; null when the
    // picture must stay (a PDF page).
    QPixmap *picture = nullptr;
    // Page point (x, y) lies at layer point (x, y) + offset.
    QPointF offset;
    // What a lifted region leaves behind under its content.
    QColor liftedBackground = Qt::transparent;
    // The connected line, free curve and text box draw their recorded pictures.
    const BoardItems *items = nullptr;
};

// Painting of recorded actions, shared by the boards: the replay of a whole action, and the live
// painting of the open last action while it is drawn or when its item was committed. A page
// replayed from its history therefore shows exactly what was drawn live.
namespace ActionPainter {

// What the live painter did to the action.
enum class Live {
    // Painted into the drawing; the action is still open.
    Drawn,
    // Painted into the highlighter work layer only (the screen must show it on top).
    HighlightDrawn,
    // Painted and closed.
    Closed,
    // Incomplete: taken out of the history and deleted.
    Removed,
};

// Whether an item action (a selection, or a line to a stamp) has the geometry its painter needs.
bool isItemActionComplete(const PaintData *action);

// The whole action into the layers; an incomplete item action paints nothing.
void paint(const ActionLayers &layers, PaintData *action);

// Every active action of the page's history into the layers, from the nearest undo copy on
// when copies are given; they take new copies as they go. An item action that is still open is
// left to its item (a lifted region only leaves its hole): its commit paints it.
void replay(const ActionLayers &layers, ReplayCopies *copies);

// The open action while a stroke is in progress (the newest piece) or after it ended (the rest,
// and the action is closed). A highlighter stroke that is closed drops the history's redo tail.
Live paintLive(const ActionLayers &layers, PaintData *action, bool strokeInProgress);

// The provisional tail of a pencil, pen or highlighter stroke in progress (strokepainter.h), from
// the end of its last painted piece to pointer (page coordinates), painted into the layer the
// stroke goes to, within area (layer coordinates) only, for as long as the guard lives: the
// board composes the screen from the layers meanwhile, and the destructor gives the layer its
// pixels back, so the tail is a preview that the next piece replaces and never reaches the
// drawing, whatever way the scope is left. Paints nothing unless the stroke is in progress
// and its piece was just drawn.
class LiveTail
{
public:
    LiveTail(const ActionLayers &layers, const PaintData *action, Live outcome,
             bool strokeInProgress, const QPointF &pointer, const QRect &area);
    ~LiveTail();
    LiveTail(const LiveTail &) = delete;
    LiveTail &operator=(const LiveTail &) = delete;

private:
    QPixmap *m_layer = nullptr;
    QRect m_area;
    QPixmap m_saved;
};

} // namespace ActionPainter
