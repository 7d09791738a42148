// The editing commands of the canvas and the commits that turn a shown item into a finished
// drawing action. A shown item is always acted on first (committed, edited or discarded), and
// only then the page history.

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QPainter>

#include "base/filesystem.h"
#include "base/uimetrics.h"
#include "canvas/canvas.h"
#include "drawing/canvashost.h"
#include "drawing/geometry.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/pixmaputils.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"
#include "items/itemgeometry.h"

QPointF Canvas::itemToPage(const QPointF &widgetPoint) const
{
    return mapToPage(widgetPoint);
}

void Canvas::liftSelection(int dragtype, const QRect &geometry)
{
    Q_UNUSED(dragtype)
    if (!page || !layersReady())
        return;
    const PaintData *action = liftOpenSelection();
    if (!action)
        return;

    const QRectF source =
        rectFromPoints(action->points.at(0), action->points.at(1)).translated(layerOffset());
    const QRect area = source.toAlignedRect();
    QPixmap content(area.size().expandedTo(QSize(1, 1)));
    content.fill(Qt::transparent);
    {
        QPainter painter(&content);
        // The board colour where the region lies on the page.
        painter.fillRect(area.intersected(composite.rect()).translated(-area.topLeft()), board);
        if (!page->background.isNull())
            painter.drawPixmap(QPoint(0, 0), picture, area);
        if (!ink.isNull())
            painter.drawPixmap(QPoint(0, 0), ink, area);
    }
    // The region leaves the page as the replay of the committed move clears it; a cancel
    // replays the history, which puts it back.
    if (!page->background.isNull())
        clearPixmapRect(&picture, source);
    if (!ink.isNull())
        clearPixmapRect(&ink, source);
    recomposeRect(area.adjusted(-1, -1, 1, 1));
    update(geometry);
    update();
    items.marquee->setContentPixmap(
        QPixmap::fromImage(orientation.applyToImage(content.toImage())));
}

// Commits ----------------------------------------------------------------------------------------

void Canvas::finishCommit(PaintData *)
{
    dropRedoTail(true);
    paintCurrentAction(rect());
    update();
    updateUndoRedoState();
}

void Canvas::commitShownItems()
{
    commitAllShownItems();
}

void Canvas::finishEditing()
{
    commitItems();
    // With the button still held, the stroke ends as its release would end it: a freehand
    // stroke gets its last steps painted, a frame or line that has not got its points goes.
    if (page && strokeInProgress && !edgeDragging) {
        strokeInProgress = false;
        const PaintData *open = PageHistory::openLastAction(page->history);
        const QPointF at = open && !open->points.isEmpty() && open->points.last() != invalidPointF
                               ? mapFromPage(open->points.last())
                               : QPointF();
        closeStroke(at.toPoint(), at);
    }
    // An open action left behind is closed (a highlighter stroke of fewer than two points is
    // dropped instead).
    if (page && PageHistory::closeOpenAction(page->history))
        updateUndoRedoState();
}

// Commands ---------------------------------------------------------------------------------------

QPixmap Canvas::selectionImage() const
{
    if (!page || items.marquee->isHidden())
        return QPixmap();
    QPixmap image = pageImage(true);
    if (image.isNull())
        return QPixmap();
    // The marquee lives in zoomed widget coordinates, the page picture in shown page
    // coordinates: the frame is taken back to zoom 1 and the content drawn at page scale, so
    // that the same selection gives the same pixels at any zoom.
    const QPointF p1 = pointDividedByZoom(items.marquee->firstCorner(), zoomFactor);
    const QPointF p2 = pointDividedByZoom(items.marquee->secondCorner(), zoomFactor);
    const QPointF c = pointDividedByZoom(items.marquee->center(), zoomFactor);
    const PaintData *action = PageHistory::openLastAction(page->history);
    QPixmap drawn;
    if (action && action->type == PaintTool::Shape)
        drawn = CanvasMarquee::renderShapeInFrame(items.marquee->shapeStyle(), false, p1, p2, c);
    else if (!items.marquee->contentPixmap().isNull())
        drawn = CanvasMarquee::renderContentInFrame(items.marquee->contentPixmap(), p1, p2, c);
    if (!drawn.isNull()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawPixmap(frameBoundingSquare(p1, p2, c).topLeft(), drawn);
    }
    return copyFramedRegion(image, p1, p2, c);
}

void Canvas::clearScreen()
{
    resetItems();
    if (!page)
        return;
    strokeInProgress = false;
    PageHistory::clearHistory(page->history);
    page->pastedImages.clear();
    refreshPage();
    updateUndoRedoState();
}

bool Canvas::pageHasPictureAndNoHistory() const
{
    return page && !page->background.isNull() && page->history.isEmpty();
}

void Canvas::cleanImpureImage()
{
    if (!page || cleanPastedImage(board.rgb()))
        return;
    if (pageHasPictureAndNoHistory()) {
        page->background = cleanPhotoBackground(page->background, board.rgb());
        refreshPage();
    }
}

void Canvas::setRotateType(int kind)
{
    if (page)
        rotate(kind);
}

void Canvas::rotate(int kind)
{
    if (!items.marquee->isHidden()) {
        // The marquee tells of the turn after it; a fresh selection is lifted from the frame it
        // had, not from the area the turned frame covers.
        liftSelection(FrameHandle::Rotate, items.marquee->geometry());
        items.marquee->rotateOrMirror(kind);
        return;
    }
    if (canvasMode != PictureDocument || !page || kind < Reorientation::TurnCounterClockwise ||
        kind > Reorientation::MirrorTopBottom)
        return;
    finishEditing();
    orientation.rotateOrMirror(kind);
    applyRotationTransform(kind);
    const QSize before = size();
    if (kind == Reorientation::TurnCounterClockwise || kind == Reorientation::TurnClockwise)
        setFixedSize(before.height(), before.width());
    if (size() == before)
        update();
    else
        emit sizeChanged(zoomFactor);
}

void Canvas::applyPaintTool()
{
    updateCursor();
    finishEditing();
    if (canvasMode == SlideOverlay)
        update();
    updateUndoRedoState();
}

QPixmap Canvas::exportedImage() const
{
    return items.marquee->isHidden() ? pageImage(true) : selectionImage();
}

bool Canvas::pasteArea(QRectF *fit, QPointF *at, QRectF *bounds)
{
    *fit = QRectF(rect());
    *at = visibleRegion().boundingRect().topLeft();
    *bounds = QRectF(rect());
    return true;
}

QRectF Canvas::selectAllFrame() const
{
    return QRectF(QPointF(0, 0), QPointF(width(), height()));
}

bool Canvas::hasDrawingToClear() const
{
    return page && !page->history.isEmpty();
}
