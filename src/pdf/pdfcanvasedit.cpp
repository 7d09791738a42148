// Drawing on the PDF board's pages: live painting into the page layers, the hooks through which
// the shared editing rules reach the page being drawn on, and the board's own commands.
#include <QElapsedTimer>
#include <QPainter>

#include "base/uimetrics.h"
#include "drawing/geometry.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/toolcursors.h"
#include "items/canvasmarquee.h"
#include "pdf/pdfboardhost.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"

PageData *PdfCanvas::editedPage() const
{
    return pageDrawnOn;
}

CanvasHost *PdfCanvas::editHost() const
{
    return boardHost;
}

QPointF PdfCanvas::itemToPage(const QPointF &widgetPoint) const
{
    return widgetToPage(widgetPoint);
}

QRect PdfCanvas::drawnPageRow() const
{
    const int index = drawnIndex();
    if (index < 0 || index >= tops.size())
        return QRect();
    const int left = shownPageLeft(index);
    return QRect(QPoint(left, tops.at(index)),
                 QPoint(left + shownPageWidth(index) - 1, bottoms.at(index) - 1));
}

// Live painting ----------------------------------------------------------------------------------

void PdfCanvas::paintCurrentAction(const QRect &rect)
{
    const int index = drawnIndex();
    if (!hasPageLayers(index) || !rect.isValid())
        return;
    PdfPageData *page = pageDrawnOn;
    const QRect r = rectDividedByZoom(
                        QRectF(rect.translated(-shownPageLeft(index), -tops.at(index))), zoomFactor)
                        .translated(layerLeft - displayLeft, 0)
                        .toRect()
                        .adjusted(-5, -5, 5, 5)
                        .intersected(page->layer2.rect());
    PaintData *action = PageHistory::openLastAction(page->history);
    if (!action || action->type < PaintTool::Selection || action->type > PaintTool::Stamp) {
        restoreDrawingRect(r);
        return;
    }
    QElapsedTimer timer;
    timer.start();
    const ActionLayers layers = actionLayers(index);
    const ActionPainter::Live outcome = ActionPainter::paintLive(layers, action, pressing);
    page->copies.paintedLive(page->history, timer.nsecsElapsed(),
                             outcome == ActionPainter::Live::Closed ? action : nullptr,
                             page->layer3, QPixmap());
    {
        // The stroke's provisional tail goes onto the shown layer only.
        const ActionPainter::LiveTail tail(layers, action, outcome, pressing,
                                           itemToPage(liveTailEnd), r);
        if (outcome == ActionPainter::Live::HighlightDrawn) {
            // The stroke is still on its work layer: the screen shows it over the drawing.
            clearDrawingRect(r);
            QPainter painter(&page->layer2);
            painter.drawPixmap(QRectF(r), page->layer3, QRectF(r));
            painter.drawPixmap(QRectF(r), page->layer4, QRectF(r));
        } else {
            restoreDrawingRect(r);
        }
    }
    if (outcome == ActionPainter::Live::Removed)
        updateUndoRedoState();
    update(rect.adjusted(-3, -3, 3, 3));
}

void PdfCanvas::finishCommit(PaintData *)
{
    dropRedoTail(true);
    const QRect row = drawnPageRow();
    paintCurrentAction(row);
    update(row);
    updateUndoRedoState();
}

void PdfCanvas::refreshEditedPage()
{
    // A page out of view has no layers: its history is replayed when it is shown again.
    if (hasPageLayers(drawnIndex()))
        resetPageLayers();
    update();
}

void PdfCanvas::liftSelection(int, const QRect &geometry)
{
    const int index = drawnIndex();
    if (!hasPageLayers(index))
        return;
    const PaintData *action = liftOpenSelection();
    if (!action)
        return;
    // Only the drawing moves: the region looks empty on the shown layer while its content
    // floats in the marquee; the PDF page stays.
    const QRect area = rectFromPoints(action->points.at(0), action->points.at(1))
                           .translated(layerLeft, 0)
                           .toRect();
    clearDrawingRect(area);
    QPixmap content(area.size().expandedTo(QSize(1, 1)));
    content.fill(Qt::transparent);
    {
        QPainter painter(&content);
        painter.drawPixmap(QPoint(0, 0), pageDrawnOn->layer3, area);
    }
    update(geometry);
    update();
    items.marquee->setContentPixmap(content);
}

// Pictures of the page ---------------------------------------------------------------------------

QPixmap PdfCanvas::pageImage() const
{
    const int index = drawnIndex();
    if (index < 0 || pageDrawnOn->layer1.isNull())
        return QPixmap();
    const QRect row = drawnPageRow();
    const QRect source(layerLeft - displayLeft, 0, displayLeft + laidOutWidth(index) + displayRight,
                       laidOutHeight(index));
    QPixmap image(row.size());
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRectF(image.rect()), pageDrawnOn->layer1, QRectF(source));
    if (!pageDrawnOn->layer2.isNull())
        painter.drawPixmap(QRectF(image.rect()), pageDrawnOn->layer2, QRectF(source));
    return image;
}

QPixmap PdfCanvas::selectionImage() const
{
    if (items.marquee->isHidden())
        return QPixmap();
    QPixmap image = pageImage();
    if (image.isNull())
        return QPixmap();
    CanvasMarquee *marquee = items.marquee;
    QPixmap shot(marquee->size());
    shot.fill(Qt::transparent);
    marquee->setFrameVisible(false);
    marquee->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    marquee->setFrameVisible(true);
    const QPointF up(drawnPageRow().topLeft());
    {
        QPainter painter(&image);
        painter.drawPixmap(marquee->pos() - up.toPoint(), shot);
    }
    return copyFramedRegion(image, marquee->firstCorner() - up, marquee->secondCorner() - up,
                            marquee->center() - up);
}

QPixmap PdfCanvas::exportedImage() const
{
    return items.marquee->isHidden() ? pageImage() : selectionImage();
}

bool PdfCanvas::pasteArea(QRectF *fit, QPointF *at, QRectF *bounds)
{
    const QRect area = drawnPageRow().intersected(visibleRegion().boundingRect());
    if (area.isEmpty()) {
        if (boardHost)
            boardHost->showMessage(tr("请点击选定要粘贴的页面后，再尝试粘贴操作"));
        return false;
    }
    *fit = QRectF(area);
    *at = QPointF(area.topLeft());
    *bounds = QRectF(area);
    return true;
}

QRectF PdfCanvas::selectAllFrame() const
{
    const QRect row = drawnPageRow();
    return QRectF(QPointF(row.topLeft()), QPointF(row.right() + 1, row.bottom() + 1));
}

// Commands ---------------------------------------------------------------------------------------

void PdfCanvas::finishEditing()
{
    commitItems();
    // With the button still held, the press ends as its release would end it: a freehand
    // stroke gets its last steps painted, a frame or line that has not got its points goes.
    if (pageDrawnOn && pressing) {
        const PaintData *open = PageHistory::openLastAction(pageDrawnOn->history);
        const QPointF last = open && !open->points.isEmpty() ? open->points.last() : invalidPointF;
        const QPointF at = last != invalidPointF ? pageToWidget(last) : QPointF();
        // An edge drag ends where the pointer was last seen.
        pointerGlobal = currentCursor;
        endAction(at.toPoint(), at, -1.0);
    }
    if (pageDrawnOn && PageHistory::closeOpenAction(pageDrawnOn->history)) {
        // A highlighter stroke of one point leaves its work layer behind.
        if (!pageDrawnOn->layer4.isNull())
            pageDrawnOn->layer4.fill(Qt::transparent);
        updateUndoRedoState();
    }
    pressing = false;
}

void PdfCanvas::commitShownItems()
{
    commitAllShownItems();
}

void PdfCanvas::clearScreen()
{
    items.reset();
    if (anyPageHasDrawing()) {
        for (PdfPageData *page : qAsConst(pages))
            page->clearDrawing();
        rebuildVisibleLayers();
        update();
    }
    updateUndoRedoState();
    if (boardHost)
        boardHost->setRotateEnabled(canRotate());
}

void PdfCanvas::cleanImpureImage()
{
    cleanPastedImage(board.rgb());
}

void PdfCanvas::applyPaintTool()
{
    updateCursor();
    finishEditing();
    updateUndoRedoState();
}

void PdfCanvas::updateCursor()
{
    // The tool's cursor says that a press draws: an edge found by an earlier hover goes with
    // the cursor it showed (the next move finds it again).
    if (!edgeDragging)
        edgeUnderPointer = FrameHandle::Outside;
    setCursor(toolCursor(property, zoomFactor));
}

void PdfCanvas::resetKeyState()
{
    setFocus(Qt::OtherFocusReason);
    setCtrlPressed(false);
    setShiftPressed(false);
    updateCursor();
    if (boardHost) {
        boardHost->fillPageComboBox(reader.pageLabels(), reader.pageLabelIndexes());
        boardHost->selectPageInComboBox(pageInView);
        boardHost->setPdfPageRange(pageInView + 1, pageCount());
    }
    emit hScrollBarNewValue(hScrollValue);
    emit vScrollBarNewValue(vScrollValue);
    updateUndoRedoState();
}

void PdfCanvas::runCommand(BoardCommand command, int argument)
{
    runEditingCommand(command, argument);
}
