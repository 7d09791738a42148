// Pointer, pen, touch and key input of the PDF board. Every input lands on the page being drawn
// on; the steps that grow and end an action are the shared ones of every board.
#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabletEvent>
#include <QTouchEvent>

#include "base/globals.h"
#include "drawing/geometry.h"
#include "drawing/pagehistory.h"
#include "drawing/pagelimits.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "items/canvasfccurve.h"
#include "items/canvasmarquee.h"
#include "pdf/pdfboardhost.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"

namespace {
// The change of the board's width that keeps a dragged edge under a pointer that went travel
// pixels outwards. While the board is narrower than the view it is centred, so an edge moves
// half the change: the width changes twice as fast as the pointer. Past the view's width the
// board stays where it is scrolled to and the width changes as fast as the pointer.
double edgeDragGrowth(double startWidth, double viewWidth, double travel)
{
    const double toView = viewWidth - startWidth;
    if (toView >= 0)
        return 2 * travel <= toView ? 2 * travel : toView + travel - toView / 2;
    return travel >= toView ? travel : toView + 2 * (travel - toView);
}
} // namespace

bool PdfCanvas::wantsPointerInput() const
{
    return (property && property->paintTool != PaintTool::Mouse) || edgeDragging;
}

void PdfCanvas::hoverAt(const QPoint &p)
{
    if (!pressing)
        updateEdgeCursor(p);
}

void PdfCanvas::runStep(Step step, const QPoint &p, const QPointF &pos, double pressure)
{
    if (step == Step::Press)
        beginAction(p, pos, pressure);
    else if (step == Step::Move)
        continueAction(p, pos, pressure);
    else
        endAction(p, pos, pressure);
}

// Events -----------------------------------------------------------------------------------------

void PdfCanvas::otherMouseButton(QMouseEvent *event, Step step)
{
    if (step == Step::Press && event->button() == Qt::RightButton)
        selectPageAt(event->pos());
    else if (step == Step::Release)
        forgetEdge();
}

void PdfCanvas::tabletEvent(QTabletEvent *event)
{
    if (!pageDrawnOn) {
        event->accept();
        return;
    }
    const bool wanted = wantsPointerInput();
    const double pressure = recordedPressure(event->pressure());
    pointerGlobal = event->globalPosF();
    switch (event->type()) {
        case QEvent::TabletPress:
            setFocus(Qt::OtherFocusReason);
            beginAction(event->pos(), event->posF(), pressure);
            break;
        case QEvent::TabletMove:
            if (edgeDragging && !takeEdgeDragTabletMove())
                break;
            continueAction(event->pos(), event->posF(), pressure);
            break;
        case QEvent::TabletRelease:
            endAction(event->pos(), event->posF(), pressure);
            break;
        default:
            break;
    }
    event->setAccepted(wanted || wantsPointerInput());
}

bool PdfCanvas::event(QEvent *event)
{
    bool handled = false;
    return handlePointerEvent(event, &handled) ? handled : QWidget::event(event);
}

void PdfCanvas::keyPressEvent(QKeyEvent *event)
{
    if (!pageDrawnOn || !handleKeyPress(event))
        event->setAccepted(!pageDrawnOn);
}

// Pages ------------------------------------------------------------------------------------------

int PdfCanvas::drawnIndex() const
{
    return pageDrawnOn ? pages.indexOf(pageDrawnOn) : -1;
}

QPointF PdfCanvas::widgetToPage(const QPointF &position) const
{
    const int index = drawnIndex();
    if (index < 0 || index >= tops.size())
        return mapToPage(position);
    return mapToPage(position - QPointF(shownPageLeft(index), tops.at(index)));
}

QPointF PdfCanvas::pageToWidget(const QPointF &point) const
{
    const int index = drawnIndex();
    const QPointF p((point.x() + displayLeft) * zoomFactor, point.y() * zoomFactor);
    if (index < 0 || index >= tops.size())
        return p;
    return p + QPointF(shownPageLeft(index), tops.at(index));
}

void PdfCanvas::selectPageAt(const QPoint &point)
{
    const int index = drawnIndex();
    if (isNearPage(index, point))
        return;
    const int found = pageIndexAt(point);
    setCurrentPage(found >= 0 ? found : pageInView);
}

void PdfCanvas::setCurrentPage(int index)
{
    if (!isValidPage(index) || pages.at(index) == pageDrawnOn)
        return;
    finishEditing();
    pageDrawnOn = pages.at(index);
    updateUndoRedoState();
}

// The three steps --------------------------------------------------------------------------------

void PdfCanvas::beginAction(const QPoint &widgetPoint, const QPointF &position, double pressure)
{
    pressCursor = currentCursor = globalPointOf(position);
    if (!pageDrawnOn)
        return;
    selectPageAt(widgetPoint);
    livePoints.clear();
    const int tool = property ? property->paintTool : 0;
    const bool curveCommitted = !items.freeCurve->isHidden() && items.freeCurve->isComplete();
    const bool consumed = commitItemsAtPress(tool);
    if (edgeUnderPointer != FrameHandle::Outside) {
        pressing = true;
        edgeDragging = true;
        snapshotLayers();
        pressWidth = width();
        pressScroll = hScrollValue;
        return;
    }
    if (consumed || (curveCommitted && tool == PaintTool::FreeCurve)) {
        pressing = false;
        edgeDragging = false;
        return;
    }
    pressing = true;
    pressTime = now();
    beginToolAction(tool, widgetPoint, position, pressure);
}

void PdfCanvas::continueAction(const QPoint &widgetPoint, const QPointF &position, double pressure)
{
    currentCursor = globalPointOf(position);
    if (!pressing) {
        updateEdgeCursor(widgetPoint);
        return;
    }
    if (edgeDragging) {
        resizePageEdge(edgeUnderPointer, false);
        return;
    }
    if (!pageDrawnOn)
        return;
    PaintData *action = PageHistory::openLastAction(pageDrawnOn->history);
    const int tool = property ? property->paintTool : 0;
    if (!action || tool != action->type || tool < PaintTool::Selection || tool > PaintTool::Shape)
        return;
    const QRect dirty = continueToolAction(action, position, pressure, isEarly());
    if (dirty.isValid())
        paintAndRepaint(dirty);
}

void PdfCanvas::endAction(const QPoint &widgetPoint, const QPointF &position, double)
{
    currentCursor = globalPointOf(position);
    if (!endPress(pressing))
        return;
    if (edgeDragging) {
        resizePageEdge(edgeUnderPointer, true);
        edgeDragging = false;
        forgetEdge();
        return;
    }
    // The edge under the pointer is found again by the next hover; a touch has none.
    forgetEdge();
    if (!pageDrawnOn)
        return;
    if (PaintData *action = PageHistory::openLastAction(pageDrawnOn->history)) {
        const QRect dirty = endToolAction(action, widgetPoint, position, isEarly());
        if (dirty.isValid())
            paintAndRepaint(dirty);
    }
    updateUndoRedoState();
}

// Page edges -------------------------------------------------------------------------------------

void PdfCanvas::updateEdgeCursor(const QPoint &point)
{
    const double s = edgeGripWidth * zoomFactor;
    int code = FrameHandle::Outside;
    if (point.x() <= s)
        code = FrameHandle::Left;
    else if (width() - s <= point.x() && point.x() <= width())
        code = FrameHandle::Right;
    if (code == edgeUnderPointer)
        return;
    edgeUnderPointer = code;
    if (code == FrameHandle::Outside)
        updateCursor();
    else
        setCursor(Qt::SizeHorCursor);
}

void PdfCanvas::resizePageEdge(int edgeCode, bool final)
{
    if (edgeCode != FrameHandle::Right && edgeCode != FrameHandle::Left)
        return;
    const auto *viewport = qobject_cast<const QWidget *>(view);
    const int viewWidth = viewport ? viewport->width() : pressWidth;
    const double travel = currentCursor.x() - pressCursor.x();
    const double growth =
        edgeDragGrowth(pressWidth, viewWidth, edgeCode == FrameHandle::Left ? -travel : travel);
    const int d = qRound(growth / zoomFactor);
    const QMargins start(savedDisplayLeft, 0, savedDisplayRight, 0);
    QMargins shown = start;
    if (edgeCode == FrameHandle::Left)
        shown.setLeft(qMax(0, savedDisplayLeft + d));
    else
        shown.setRight(qMax(0, savedDisplayRight + d));
    // The page may not grow past the size of the largest picture page.
    const QSize across(pageExtent(), 1);
    shown = limitedPageExtension(across, shown, start);
    displayLeft = shown.left();
    displayRight = shown.right();
    if (final) {
        // The layers grow once, at the release; they never shrink below what they held, but
        // growth no longer shown goes where they would pass the limit.
        const QMargins kept(qMax(savedLayerLeft, displayLeft), 0,
                            qMax(savedLayerRight, displayRight), 0);
        const QMargins layers = limitedPageExtension(across, kept, shown);
        layerLeft = layers.left();
        layerRight = layers.right();
        for (int i : qAsConst(visiblePages)) {
            releasePageLayers(i);
            rebuildLayers(i);
            if (!pages.at(i)->history.isEmpty())
                replayHistory(i);
        }
    }
    // While dragging the layers stay as they are: the page paint shows the board colour where
    // the new width passes them.
    updateLayout();
    // Growth on the left of a board wider than the view is scrolled past, so that the page
    // stays put and the left edge follows the pointer.
    if (edgeCode == FrameHandle::Left && width() > viewWidth)
        emit hScrollBarNewValue(qMax(0, pressScroll + width() - qMax(pressWidth, viewWidth)));
    update();
}
