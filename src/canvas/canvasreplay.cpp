// Painting the page's actions onto the canvas layers: the replay of a whole history after a
// rebuild, and the live painting of the action still open. Both use the same painters, so a page
// rebuilt from its history shows exactly what was drawn live.

#include <QElapsedTimer>
#include <QPainter>

#include "canvas/canvas.h"
#include "drawing/geometry.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"
#include "drawing/stampstore.h"
#include "drawing/strokepainter.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"
#include "items/pageorientation.h"

void Canvas::refreshPage()
{
    rebuildLayers();
    replayHistory();
    update();
}

void Canvas::replayHistory()
{
    if (!page || !layersReady())
        return;
    const QList<PaintData *> &history = page->history;
    bool highlighted = false;
    for (int i = 0; i < history.size() && !highlighted; ++i)
        highlighted = history.at(i)->active && history.at(i)->type == PaintTool::Highlighter;
    if (!history.isEmpty())
        ActionPainter::replay(actionLayers(highlighted), &copies);
    // The highlighter's work layer is empty again after each stroke.
    if (highlighted)
        highlight = QPixmap();
    composeAll();
}

void Canvas::paintCurrentAction(const QRect &rect)
{
    if (!page || !layersReady())
        return;
    const QRect r = widgetRectToLayer(rect).adjusted(-2, -2, 1, 1).intersected(composite.rect());
    PaintData *action = PageHistory::openLastAction(page->history);
    if (!action || action->type < PaintTool::Selection || action->type > PaintTool::Stamp)
        return;
    QElapsedTimer timer;
    timer.start();
    const bool highlighter = action->type == PaintTool::Highlighter;
    const ActionLayers layers = actionLayers(highlighter);
    const ActionPainter::Live outcome = ActionPainter::paintLive(layers, action, strokeInProgress);
    if (highlighter && outcome != ActionPainter::Live::HighlightDrawn)
        highlight = QPixmap();
    {
        // The stroke's provisional tail goes onto the screen only.
        const ActionPainter::LiveTail tail(layers, action, outcome, strokeInProgress,
                                           itemToPage(liveTailEnd), r);
        recomposeRect(r, outcome == ActionPainter::Live::HighlightDrawn);
    }
    if (outcome == ActionPainter::Live::Removed)
        updateUndoRedoState();
    update(rect.adjusted(-3, -3, 3, 3));
    copies.paintedLive(page->history, timer.nsecsElapsed(),
                       outcome == ActionPainter::Live::Closed ? action : nullptr, ink,
                       pictureForSnapshot());
}

ActionLayers Canvas::actionLayers(bool withHighlight)
{
    ActionLayers layers;
    layers.page = page;
    ensureLayer(ink);
    layers.ink = &ink;
    if (withHighlight)
        ensureLayer(highlight);
    layers.highlight = &highlight;
    // The eraser takes the page's picture away too, showing the board colour.
    layers.picture = page->background.isNull() ? nullptr : &picture;
    layers.offset = layerOffset();
    layers.liftedBackground = board;
    layers.items = &items;
    return layers;
}

QPixmap Canvas::pictureForSnapshot() const
{
    // Without a background nothing ever paints the picture layer: no copy is needed.
    return page->background.isNull() ? QPixmap() : picture;
}
