// The PDF board's view: the render cache, zoom, rotation and mirroring, reset, the remembered
// page and pages rendered for export.
#include <QFile>
#include <QPainter>
#include <QWheelEvent>

#include "drawing/paintproperty.h"
#include "items/canvasmarquee.h"
#include "pdf/pdfboardhost.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"

namespace {
constexpr double smallestZoom = 0.5; // refused itself
constexpr double largestZoom = 1.8;
constexpr int smallestShownSide = 30;
} // namespace

void PdfCanvas::updateVisiblePages(int value)
{
    const bool downwards = value >= vScrollValue;
    vScrollValue = value;
    QRect shown = visibleRegion().boundingRect();
    shown.moveTop(value);
    const QVector<int> now = visiblePagesIn(shown);
    if (now.isEmpty())
        return;
    visiblePages = now;

    const int middle = qRound(
        value + 0.5 * (boardHost ? boardHost->documentAreaGeometry().height() : shown.height()));
    for (int i : now) {
        if (isNearPage(i, QPointF(0, middle))) {
            if (i != pageInView && boardHost)
                boardHost->selectPageInComboBox(i);
            pageInView = i;
            break;
        }
    }
    if (boardHost)
        boardHost->setPdfPageRange(pageInView + 1, pageCount());

    // Only the visible pages keep their rendering: far pages are released on every call.
    for (int i = 0; i < now.first(); ++i) {
        dropRendering(i);
        releasePageLayers(i);
    }
    for (int i = now.last() + 1; i < pages.size(); ++i) {
        dropRendering(i);
        releasePageLayers(i);
    }
    // Renders no longer wanted are dropped before their turn: fast scrolling does not queue up
    // pages long gone.
    QVector<int> wanted;
    for (int i : now)
        wanted << pages.at(i)->pdfPageNumber;
    const int next = downwards ? now.last() + 1 : now.first() - 1;
    if (next >= 0 && next < pages.size())
        wanted << pages.at(next)->pdfPageNumber;
    renderAhead.keepOnly(wanted);
    // A page whose rendering is not ready shows its paper until it is: the window never waits
    // for the renderer.
    for (int i : now) {
        PdfPageData *page = pages.at(i);
        if (!page->layer2.isNull()) {
            requestPage(i);
            continue;
        }
        // Asks for the page itself before its layers are filled.
        rebuildLayers(i);
        if (!page->history.isEmpty())
            replayHistory(i);
    }
    // The page that comes next in the scroll direction is rendered meanwhile; it is not held by
    // the page until it is shown.
    if (next >= 0 && next < pages.size()) {
        const int number = pages.at(next)->pdfPageNumber;
        renderAhead.request(number, reader.page(number), reader.pixelSizeOf(number));
    }
}

void PdfCanvas::setZoom(double z)
{
    if (!pageDrawnOn || !(z > smallestZoom && z <= largestZoom))
        return;
    if (qRound(reader.minPageWidth() * z) < smallestShownSide ||
        qRound(reader.minPageHeight() * z) < smallestShownSide)
        return;
    finishEditing();
    const int oldValue = vScrollValue;
    const double oldZoom = zoomFactor;
    zoomFactor = z;
    updateLayout();
    // The edges moved: the one a hover found is no longer under the pointer.
    forgetEdge();
    // These cursors are drawn at the zoom.
    const int tool = property ? property->paintTool : 0;
    if (tool == PaintTool::Highlighter || tool == PaintTool::Eraser || tool == PaintTool::Stamp)
        updateCursor();
    const double m = z * oldValue / oldZoom;
    if (m != 0) {
        emit vScrollBarNewValue(int(m));
    } else {
        updateVisiblePages(0);
        update();
    }
}

void PdfCanvas::wheelEvent(QWheelEvent *event)
{
    // Without Ctrl the wheel belongs to the scroll area, which scrolls the document.
    event->ignore();
    if (!pageDrawnOn)
        return;
    setCtrlPressed(event->modifiers().testFlag(Qt::ControlModifier));
    if (!ctrlHeld)
        return;
    const int delta = event->angleDelta().y();
    if (delta > 0)
        zoomStep(ZoomDirection::Larger);
    else if (delta < 0)
        zoomStep(ZoomDirection::Smaller);
    event->accept();
}

bool PdfCanvas::anyPageHasDrawing() const
{
    for (const PdfPageData *page : pages) {
        if (!page->history.isEmpty())
            return true;
    }
    return false;
}

bool PdfCanvas::canRotate() const
{
    return pageDrawnOn && displayLeft <= 0 && displayRight <= 0 && !anyPageHasDrawing();
}

void PdfCanvas::rotate(int type)
{
    if (!pageDrawnOn)
        return;
    if (!items.marquee->isHidden()) {
        items.marquee->rotateOrMirror(type);
        return;
    }
    if (!canRotate()) {
        if (boardHost)
            boardHost->setRotateEnabled(false);
        return;
    }
    orientation.rotateOrMirror(type);
    // Previews are upright copies: they would show the page turned the old way.
    for (int i : qAsConst(previewed))
        pages.at(i)->preview = QImage();
    previewed.clear();
    for (int i : qAsConst(visiblePages))
        releasePageLayers(i);
    visiblePages.clear();
    if (type == Reorientation::TurnCounterClockwise || type == Reorientation::TurnClockwise) {
        const QRect before = geometry();
        const int page = pageInView;
        updateLayout();
        if (geometry() != before) {
            emit vScrollBarNewValue(tops.value(page));
            return;
        }
    }
    updateVisiblePages(vScrollValue);
    update();
}

void PdfCanvas::setRotateType(int type)
{
    if (pageDrawnOn)
        rotate(type);
}

void PdfCanvas::resetDocument()
{
    items.reset();
    for (PdfPageData *page : qAsConst(pages))
        page->clearDrawing();
    visiblePages.clear();
    displayLeft = displayRight = savedDisplayLeft = savedDisplayRight = 0;
    layerLeft = layerRight = savedLayerLeft = savedLayerRight = 0;
    updateLayout();
    updateVisiblePages(vScrollValue);
    update();
    if (boardHost)
        boardHost->setRotateEnabled(true);
}

void PdfCanvas::restoreLastPage()
{
    int page = 0;
    QFile file(stateFilePath());
    if (file.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(file.readAll()).trimmed();
        const int n = text.toInt();
        page = n >= 0 && n < pageCount() ? n : 0;
    }
    if (page > 0) {
        emit vScrollBarNewValue(tops.at(page));
    } else {
        updateVisiblePages(0);
        update();
    }
}

QPixmap PdfCanvas::renderPageImage(int index)
{
    if (!isValidPage(index))
        return QPixmap();
    finishEditing();
    PdfPageData *page = pages.at(index);
    const bool wasVisible = visiblePages.contains(index);
    if (page->pageImage.isNull()) {
        // An export needs the page itself, also when the view still shows its paper.
        renderPage(index);
        if (!page->layer1.isNull())
            rebuildBaseLayer(index);
    }
    if (!wasVisible) {
        if (page->layer2.isNull()) {
            rebuildLayers(index);
            if (!page->history.isEmpty())
                replayHistory(index);
        }
    }
    QPixmap result;
    if (!page->layer1.isNull()) {
        const QRect region(layerLeft - displayLeft, 0,
                           displayLeft + laidOutWidth(index) + displayRight, laidOutHeight(index));
        result = QPixmap(region.size());
        if (!result.isNull()) {
            result.fill(Qt::transparent);
            QPainter painter(&result);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(QPoint(0, 0), page->layer1, region);
            if (!page->layer2.isNull())
                painter.drawPixmap(QPoint(0, 0), page->layer2, region);
        }
    }
    // Export must not grow the cache.
    if (!wasVisible) {
        page->pageImage = QImage();
        releasePageLayers(index);
    }
    return result;
}
