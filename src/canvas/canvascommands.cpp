// The editing commands of the canvas and the commits that turn a shown item into a finished
// drawing action. A shown item is always acted on first (committed, edited or discarded), and
// only then the page history.

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QPainter>

#include "app/filesystem.h"
#include "app/uimetrics.h"
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

namespace {
// A moved region whose source has been taken off the layers while it is being edited.
bool isLiftedRegion(const PaintData *action)
{
    return action->type == 1 && action->value2 == SelectionKind::MovedRegion && action->sourceFixed;
}
} // namespace

QPointF Canvas::itemToPage(const QPointF &widgetPoint) const
{
    return mapToPage(widgetPoint);
}

void Canvas::setSavePathAsker(SavePathAsker asker)
{
    savePathAsker = std::move(asker);
}

// Marquee frame and lifting -----------------------------------------------------------------------

void Canvas::liftSelection(int dragtype, const QRect &geometry)
{
    Q_UNUSED(dragtype)
    if (!page || !layersReady())
        return;
    PaintData *action = PageHistory::openLastActionOfType(page->history, 1);
    if (!action || action->sourceFixed || action->points.size() < 8)
        return;
    const QPointF first = mapToPage(items.marquee->firstCorner());
    action->points[0] = first;
    action->points[1] = 2 * mapToPage(items.marquee->center()) - first;
    action->sourceFixed = true;

    const QRectF source =
        rectFromPoints(action->points.at(0), action->points.at(1)).translated(layerOffset());
    const QRect area = source.toAlignedRect();
    QPixmap content(area.size().expandedTo(QSize(1, 1)));
    content.fill(Qt::transparent);
    {
        QPainter painter(&content);
        painter.drawPixmap(QPoint(0, 0), boardPixmap, area);
        if (!page->background.isNull())
            painter.drawPixmap(QPoint(0, 0), picture, area);
        painter.drawPixmap(QPoint(0, 0), ink, area);
    }
    // The region leaves the page as the replay of the committed move clears it; a cancel
    // replays the history, which puts it back.
    if (!page->background.isNull())
        clearPixmapRect(&picture, source);
    clearPixmapRect(&ink, source);
    recomposeRect(area.adjusted(-1, -1, 1, 1));
    update(geometry);
    update();
    items.marquee->setContentPixmap(
        QPixmap::fromImage(orientation.applyToImage(content.toImage())));
}

// Commits ----------------------------------------------------------------------------------------

void Canvas::finishCommit(PaintData *action)
{
    dropRedoTail(true);
    if (isLiftedRegion(action)) {
        // The source is already off the layers: the replay moves it from the page's history.
        action->closed = true;
        refreshPage();
    } else {
        paintCurrentAction(rect());
        update();
    }
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
    if (action && action->type == 7)
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

void Canvas::paste()
{
    if (!items.textBox->isHidden()) {
        items.textBox->paste();
        return;
    }
    if (!page)
        return;
    const QImage image = FileSystem::clipboardImage();
    if (image.isNull())
        return;
    finishEditing();
    if (property && property->paintTool != PaintTool::Selection && canvasHost)
        canvasHost->clickPaintTool(PaintTool::Selection);
    const QPixmap pixmap = QPixmap::fromImage(image);
    page->pastedImages.append(pixmap);

    QSizeF size = pixmap.size();
    if (size.width() > width() || size.height() > height())
        size.scale(QSizeF(this->size()), Qt::KeepAspectRatio);
    const QPointF at = visibleRegion().boundingRect().topLeft();
    const QRectF placed = clampRectInto(QRectF(at, size), QRectF(rect()));
    const QRectF frame(QPointF(qRound(placed.x()), qRound(placed.y())),
                       QSizeF(qRound(placed.width()), qRound(placed.height())));

    items.marquee->setZoom(zoomFactor);
    items.marquee->setRotateHandleVisible(true);
    items.marquee->setContentPixmap(pixmap);
    items.marquee->setFrameFromDrag(frame.topLeft(), frame.bottomRight());
    // After the frame is made: Shift would square it.
    shareHeldKeys();

    auto *action = new PaintData(this);
    action->type = 1;
    action->value2 = SelectionKind::PastedImage;
    action->value1 = orientation.isMirrored() ? 1 : 0;
    action->active = true;
    action->sourceFixed = true;
    action->text = QString::number(page->pastedImages.size() - 1);
    action->points << mapToPage(frame.topLeft()) << mapToPage(frame.bottomRight());
    action->points.resize(8);
    writeMarqueeFrame(action);
    PageHistory::beginAction(page->history, action, false);
    updateUndoRedoState();
    setFocus(Qt::OtherFocusReason);
}

void Canvas::selectAll()
{
    if (!items.textBox->isHidden()) {
        items.textBox->selectAll();
        return;
    }
    finishEditing();
    if (property && property->paintTool != PaintTool::Selection && canvasHost)
        canvasHost->clickPaintTool(PaintTool::Selection);
    if (!page)
        return;
    const QPointF corner(width(), height());
    auto *action = new PaintData(this);
    action->type = 1;
    action->value2 = SelectionKind::MovedRegion;
    action->value1 = orientation.isMirrored() ? 1 : 0;
    action->active = true;
    action->points << mapToPage(QPointF(0, 0)) << mapToPage(corner)
                   << QVector<QPointF>(6, invalidPointF);
    PageHistory::beginAction(page->history, action, false);
    items.marquee->setZoom(zoomFactor);
    items.marquee->setFrameFromDrag(QPointF(0, 0), corner);
    shareHeldKeys();
    updateUndoRedoState();
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

void Canvas::confirmClearScreen()
{
    if (!page || page->history.isEmpty() || !canvasHost)
        return;
    if (canvasHost->askQuestion(QStringLiteral("清屏后无法恢复，确定继续？")))
        clearScreen();
}

bool Canvas::pageHasPictureAndNoHistory() const
{
    return page && !page->background.isNull() && page->history.isEmpty();
}

void Canvas::cleanImpureImage()
{
    if (!page)
        return;
    const QRgb target = board.rgb();
    if (canCleanImpureImage()) {
        bool ok = false;
        const int index = page->history.last()->text.toInt(&ok);
        // A stale or damaged index names no picture.
        if (!ok || index < 0 || index >= page->pastedImages.size())
            return;
        const QPixmap source = page->pastedImages.at(index);
        if (source.isNull())
            return;
        const QPixmap cleaned = cleanPhotoBackground(source, target);
        page->pastedImages[index] = cleaned;
        items.marquee->setContentPixmap(cleaned);
    } else if (pageHasPictureAndNoHistory()) {
        page->background = cleanPhotoBackground(page->background, target);
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
        liftSelection(9, items.marquee->geometry());
        items.marquee->rotateOrMirror(kind);
        return;
    }
    if (canvasMode != PictureDocument || !page || kind < 1 || kind > 4)
        return;
    finishEditing();
    orientation.rotateOrMirror(kind);
    applyRotationTransform(kind);
    const QSize before = size();
    if (kind == 1 || kind == 2)
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

bool Canvas::saveExportedImage(const QPixmap &image, const QString &path)
{
    const QString suffix = FileSystem::lowerSuffix(path);
    const bool jpeg = suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
    return FileSystem::savePicture(image.toImage(), path, jpeg ? "JPG" : "PNG");
}

void Canvas::exportImage()
{
    if (!page)
        return;
    if (!items.textBox->isHidden())
        commitTextBox();
    if (!items.line->isHidden())
        commitLine();
    if (!items.connectedLine->isHidden())
        commitConnectedLine();
    if (!items.freeCurve->isHidden())
        commitFreeCurve();
    const QPixmap image = items.marquee->isHidden() ? pageImage(true) : selectionImage();
    if (image.isNull())
        return;
    const QString title = QStringLiteral("导出为图片");
    const QString filter = QStringLiteral("PNG(*.png);;JPG(*.jpg)");
    QString startName;
    QString selectedFilter;
    if (!page->note.isEmpty()) {
        startName = page->note;
        const QString suffix = FileSystem::lowerSuffix(page->note);
        selectedFilter = (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
                             ? QStringLiteral("JPG(*.jpg)")
                             : QStringLiteral("PNG(*.png)");
    }
    const QString path = savePathAsker ? savePathAsker(title, startName, filter, &selectedFilter)
                                       : QFileDialog::getSaveFileName(
                                             this, title, startName, filter,
                                             selectedFilter.isEmpty() ? nullptr : &selectedFilter);
    if (path.isEmpty())
        return;
    page->note = path;
    if (!saveExportedImage(image, path) && canvasHost)
        canvasHost->showMessage(QStringLiteral("保存") + path + QStringLiteral("失败"));
}
