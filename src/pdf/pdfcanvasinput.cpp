// Pointer, pen, touch and key input of the PDF board. Every input lands on the page being drawn
// on; the steps that grow and end an action are the shared ones of every board.
#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTabletEvent>
#include <QTouchEvent>

#include "app/globals.h"
#include "drawing/geometry.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "items/canvasfccurve.h"
#include "items/canvasmarquee.h"
#include "pdf/pdfboardhost.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"

bool PdfCanvas::toolWantsInput() const
{
    return (property && property->paintTool != PaintTool::Mouse) || edgeDragging;
}

// Events -----------------------------------------------------------------------------------------

void PdfCanvas::mousePressEvent(QMouseEvent *event)
{
    if (!pageDrawnOn || (penInProximity && isSynthesised(event))) {
        event->accept();
        return;
    }
    setFocus(Qt::OtherFocusReason);
    if (event->button() == Qt::LeftButton) {
        pointerGlobal = event->globalPos();
        beginAction(event->pos(), event->localPos(), touchActive ? touchPressure : -1.0);
    } else if (event->button() == Qt::RightButton) {
        selectPageAt(event->pos());
    }
    event->setAccepted(toolWantsInput());
}

void PdfCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (!pageDrawnOn || (penInProximity && isSynthesised(event))) {
        event->accept();
        return;
    }
    pointerGlobal = event->globalPos();
    continueAction(event->pos(), event->localPos(), touchActive ? touchPressure : -1.0);
    event->setAccepted(toolWantsInput());
}

void PdfCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (!pageDrawnOn || (penInProximity && isSynthesised(event))) {
        event->accept();
        return;
    }
    const bool wanted = toolWantsInput();
    if (event->button() == Qt::LeftButton) {
        pointerGlobal = event->globalPos();
        endAction(event->pos(), event->localPos(), touchActive ? touchPressure : -1.0);
        touchActive = false;
        touchPressure = 0.0;
    }
    event->setAccepted(wanted);
}

void PdfCanvas::tabletEvent(QTabletEvent *event)
{
    if (!pageDrawnOn) {
        event->accept();
        return;
    }
    const bool wanted = toolWantsInput();
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
    event->setAccepted(wanted || toolWantsInput());
}

bool PdfCanvas::event(QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::TouchBegin && type != QEvent::TouchUpdate && type != QEvent::TouchEnd &&
        type != QEvent::TouchCancel)
        return QWidget::event(event);
    // Touch draws through the mouse events made from it, with the pressure kept here.
    const QList<QTouchEvent::TouchPoint> &points = static_cast<QTouchEvent *>(event)->touchPoints();
    if (type == QEvent::TouchBegin)
        touchActive = true;
    if (!points.isEmpty())
        touchPressure = points.first().pressure();
    event->setAccepted(toolWantsInput());
    return true;
}

void PdfCanvas::keyPressEvent(QKeyEvent *event)
{
    if (!pageDrawnOn || !handleKeyPress(event))
        event->setAccepted(!pageDrawnOn);
}

void PdfCanvas::keyReleaseEvent(QKeyEvent *event)
{
    if (!pageDrawnOn || !handleKeyRelease(event))
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
    const int top = index >= 0 && index < tops.size() ? tops.at(index) : 0;
    return mapToPage(QPointF(position.x(), position.y() - top));
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
    if (edgeUnderPointer != -1) {
        pressing = true;
        edgeDragging = true;
        snapshotLayers();
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
    if (!pressing)
        return;
    pressing = false;
    if (edgeDragging) {
        resizePageEdge(edgeUnderPointer, true);
        edgeDragging = false;
        return;
    }
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
    int code = -1;
    if (point.x() <= s)
        code = 8;
    else if (width() - s <= point.x() && point.x() <= width())
        code = 4;
    if (code == edgeUnderPointer)
        return;
    edgeUnderPointer = code;
    if (code == -1)
        updateCursor();
    else
        setCursor(Qt::SizeHorCursor);
}

void PdfCanvas::resizePageEdge(int edgeCode, bool final)
{
    if (edgeCode != 4 && edgeCode != 8)
        return;
    const int d = qRound(2 * (currentCursor.x() - pressCursor.x()) / zoomFactor);
    if (edgeCode == 8) {
        displayLeft = qMax(0, savedDisplayLeft - d);
        layerLeft = qMax(displayLeft, final ? savedLayerLeft : layerLeft);
    } else {
        displayRight = qMax(0, savedDisplayRight + d);
        layerRight = qMax(displayRight, final ? savedLayerRight : layerRight);
    }
    for (int i : qAsConst(visiblePages)) {
        PdfPageData *page = pages.at(i);
        if (final) {
            releasePageLayers(i);
            rebuildLayers(i);
            if (!page->history.isEmpty())
                replayHistory(i);
            continue;
        }
        // While dragging the saved layers are shown moved, without a new render.
        const QSize size = layerSize(i);
        const int x = layerLeft - savedLayerLeft;
        page->layer1 = QPixmap(size);
        page->layer1.fill(board);
        QPainter painter(&page->layer1);
        painter.drawPixmap(x, 0, page->layer5);
        painter.end();
        if (!page->history.isEmpty()) {
            page->layer2 = QPixmap(size);
            page->layer2.fill(Qt::transparent);
            QPainter ink(&page->layer2);
            ink.drawPixmap(x, 0, page->layer6);
        }
    }
    updateLayout();
    update();
}
