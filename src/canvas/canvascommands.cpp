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

void Canvas::setSavePathAsker(SavePathAsker asker)
{
    savePathAsker = std::move(asker);
}

bool Canvas::anyItemShown() const
{
    return !marquee->isHidden() || !line->isHidden() || !textBox->isHidden() ||
           !connectedLine->isHidden() || !freeCurve->isHidden();
}

// Marquee frame and lifting -----------------------------------------------------------------------

void Canvas::writeMarqueeFrame(PaintData *action)
{
    if (action->points.size() < 8)
        action->points.resize(8);
    QVector<QPointF> &p = action->points;
    p[2] = mapToPage(marquee->topLeft());
    p[3] = mapToPage(marquee->topRight());
    p[4] = mapToPage(marquee->bottomRight());
    const QPointF c = marquee->center();
    QPointF first = marquee->firstCorner();
    QPointF second = marquee->secondCorner();
    if (action->type == 1 && action->value2 == SelectionKind::MovedRegion) {
        // A moved region is replayed from the page itself, upright as the page is, while the
        // marquee shows it as the view does. The frame is recorded from the corners where the
        // region's own top-left and top-right are shown, so that the replay neither turns nor
        // mirrors it against what was on screen.
        const QPointF alongFirstEdge = (second - first) / 2;
        const QPointF alongOtherEdge = c - (first + second) / 2;
        const auto frameCorner = [&](const QPointF &sign) {
            return c + sign.x() * alongFirstEdge + sign.y() * alongOtherEdge;
        };
        first = frameCorner(orientation.firstCorner());
        second = frameCorner(orientation.secondCorner());
    }
    p[5] = mapToPage(first);
    p[6] = mapToPage(second);
    p[7] = mapToPage(c);
}

void Canvas::recordMarqueeFrame(int dragtype)
{
    Q_UNUSED(dragtype)
    if (!page || marquee->isHidden())
        return;
    PaintData *action = PageHistory::openLastAction(page->history);
    if (!action || (action->type != 1 && action->type != 7))
        return;
    if (action->type == 1 && !action->sourceFixed) {
        const QPointF first = mapToPage(marquee->firstCorner());
        if (action->points.size() < 8)
            action->points.resize(8);
        action->points[0] = first;
        action->points[1] = 2 * mapToPage(marquee->center()) - first;
    }
    writeMarqueeFrame(action);
}

void Canvas::liftSelection(int dragtype, QRect geometry)
{
    Q_UNUSED(dragtype)
    if (!page || !layersReady())
        return;
    PaintData *action = PageHistory::openLastActionOfType(page->history, 1);
    if (!action || action->sourceFixed || action->points.size() < 8)
        return;
    const QPointF first = mapToPage(marquee->firstCorner());
    action->points[0] = first;
    action->points[1] = 2 * mapToPage(marquee->center()) - first;
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
    marquee->setContentPixmap(QPixmap::fromImage(orientation.applyToImage(content.toImage())));
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

bool Canvas::commitMarquee()
{
    PaintData *action = page ? PageHistory::openLastAction(page->history) : nullptr;
    if (!action || (action->type != 1 && action->type != 7)) {
        marquee->reset();
        return false;
    }
    const bool valid = action->type == 7
                           ? marquee->isValid()
                           : PageHistory::isSelectionActionValid(action, marquee->isValid());
    if (!valid) {
        const bool lifted = isLiftedRegion(action);
        PageHistory::removeAction(page->history, action);
        marquee->reset();
        if (lifted)
            refreshPage();
        updateUndoRedoState();
        return false;
    }
    if (action->type == 7) {
        const ShapeStyle style = marquee->shapeStyle();
        action->value1 = style.shapeType;
        action->width = style.lineWidth;
        action->style = style.lineStyle;
        action->color = style.color;
        action->color2 = style.fillColor;
        action->text = shapeParameter(style);
        if (style.shapeType == 9) {
            if (action->values.isEmpty())
                action->values << style.cuboidDepth;
            else
                action->values[0] = style.cuboidDepth;
        }
        writeMarqueeFrame(action);
    }
    marquee->reset();
    finishCommit(action);
    return true;
}

PaintData *Canvas::actionToCommit(int type, const std::function<bool()> &itemIsValid,
                                  const std::function<void()> &resetItem)
{
    PaintData *action = page ? PageHistory::openLastActionOfType(page->history, type) : nullptr;
    if (!action) {
        resetItem();
        return nullptr;
    }
    if (!itemIsValid()) {
        PageHistory::removeAction(page->history, action);
        resetItem();
        updateUndoRedoState();
        return nullptr;
    }
    return action;
}

bool Canvas::commitLine()
{
    PaintData *action = actionToCommit(
        6, [this] { return line->isValid(); }, [this] { line->reset(); });
    if (!action)
        return false;
    const LineStyle style = line->lineStyle();
    action->value1 = style.arrowStyle;
    action->value2 = style.hasLineDegree ? 1 : 0;
    action->width = style.lineWidth;
    action->style = style.lineStyle;
    action->color = style.color;
    action->points = {mapToPage(line->topLeft()), mapToPage(line->bottomRight()),
                      mapToPage(line->startPoint()), mapToPage(line->endPoint())};
    line->reset();
    finishCommit(action);
    return true;
}

bool Canvas::commitTextBox()
{
    PaintData *action = actionToCommit(
        10, [this] { return textBox->isValid(); }, [this] { textBox->reset(); });
    if (!action)
        return false;
    const QPointF topLeft = textBox->topLeft();
    const QPointF bottomRight = textBox->bottomRight();
    action->color = textBox->borderColor();
    action->color2 = textBox->backgroundColor();
    action->points = {mapToPage(topLeft), mapToPage(QPointF(bottomRight.x(), topLeft.y())),
                      mapToPage(bottomRight)};
    action->text = textBox->toHtml();
    textBox->reset();
    finishCommit(action);
    return true;
}

bool Canvas::commitPointFigure(CanvasPointFigure *figure, int type,
                               const std::function<void(PaintData *)> &writeStyle)
{
    PaintData *action = actionToCommit(
        type,
        [figure] {
            if (!figure->isComplete())
                figure->finish(false);
            return figure->isValid();
        },
        [figure] { figure->reset(); });
    if (!action)
        return false;
    writeStyle(action);
    const QPointF topLeft = mapToPage(figure->topLeft());
    const QPointF bottomRight = mapToPage(figure->bottomRight());
    action->values = {topLeft.x(), topLeft.y(), bottomRight.x(), bottomRight.y()};
    for (const QPointF &point : figure->points())
        action->points << mapToPage(point);
    figure->reset();
    finishCommit(action);
    return true;
}

bool Canvas::commitConnectedLine()
{
    const PolylineStyle style = connectedLine->polylineStyle();
    return commitPointFigure(connectedLine, 8, [&style](PaintData *action) {
        action->value2 = style.hasIncludedAngle ? 1 : 0;
        action->width = style.lineWidth;
        action->style = style.lineStyle;
        action->color = style.color;
        action->color2 = style.fillColor;
    });
}

bool Canvas::commitFreeCurve()
{
    const PenStyle style = freeCurve->penStyle();
    return commitPointFigure(freeCurve, 9, [&style](PaintData *action) {
        action->width = style.lineWidth;
        action->style = style.lineStyle;
        action->color = style.color;
        action->color2 = style.fillColor;
    });
}

void Canvas::commitShownItems()
{
    strokeInProgress = false;
    if (!marquee->isHidden())
        commitMarquee();
    if (!line->isHidden())
        commitLine();
    if (!textBox->isHidden())
        commitTextBox();
    if (!connectedLine->isHidden())
        commitConnectedLine();
    if (!freeCurve->isHidden())
        commitFreeCurve();
    updateUndoRedoState();
}

void Canvas::finishEditing()
{
    if (!marquee->isHidden())
        commitMarquee();
    if (!line->isHidden())
        commitLine();
    if (!textBox->isHidden())
        commitTextBox();
    if (!connectedLine->isHidden())
        commitConnectedLine();
    if (!freeCurve->isHidden())
        commitFreeCurve();
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

// Cancels ----------------------------------------------------------------------------------------

void Canvas::dropOpenAction(int type)
{
    if (page)
        PageHistory::removeAction(page->history,
                                  PageHistory::openLastActionOfType(page->history, type));
}

void Canvas::cancelMarquee()
{
    PaintData *action = page ? PageHistory::openLastAction(page->history) : nullptr;
    if (action && (action->type == 1 || action->type == 7)) {
        const bool lifted = isLiftedRegion(action);
        PageHistory::removeAction(page->history, action);
        // The lifted region goes back onto the page.
        if (lifted)
            refreshPage();
    }
    marquee->reset();
}

void Canvas::cancelLine()
{
    dropOpenAction(6);
    line->reset();
}

void Canvas::cancelTextBox()
{
    dropOpenAction(10);
    textBox->reset();
}

void Canvas::cancelConnectedLine()
{
    dropOpenAction(8);
    connectedLine->reset();
}

void Canvas::cancelFreeCurve()
{
    dropOpenAction(9);
    freeCurve->reset();
}

void Canvas::cancel()
{
    if (!marquee->isHidden())
        cancelMarquee();
    if (!line->isHidden())
        cancelLine();
    if (!textBox->isHidden())
        cancelTextBox();
    if (!connectedLine->isHidden()) {
        if (connectedLine->isComplete())
            cancelConnectedLine();
        else
            connectedLine->finish(true);
    }
    if (!freeCurve->isHidden()) {
        if (freeCurve->isComplete())
            cancelFreeCurve();
        else
            freeCurve->finish(true);
    }
    updateUndoRedoState();
}

// Commands ---------------------------------------------------------------------------------------

void Canvas::deleteSelection()
{
    if (!page || page->history.isEmpty()) {
        resetItems();
        return;
    }
    if (!marquee->isHidden()) {
        PaintData *action = PageHistory::openLastAction(page->history);
        if (!action || (action->type != 1 && action->type != 7)) {
            marquee->reset();
            return;
        }
        if (action->value2 == SelectionKind::MovedRegion) {
            // The region is erased from the page: one undoable action, lifted or not.
            action->value2 = SelectionKind::DeletedRegion;
            commitMarquee();
        } else if (action->value2 == SelectionKind::PastedImage) {
            PageHistory::removeAction(page->history, action);
            marquee->reset();
        }
    }
    if (!line->isHidden())
        cancelLine();
    if (!textBox->isHidden())
        textBox->deleteSelection();
    if (!connectedLine->isHidden())
        cancelConnectedLine();
    if (!freeCurve->isHidden())
        cancelFreeCurve();
    updateUndoRedoState();
}

void Canvas::cut()
{
    if (marquee->isHidden() && textBox->isHidden())
        return;
    copy();
    deleteSelection();
}

QPixmap Canvas::selectionImage() const
{
    if (!page || marquee->isHidden())
        return QPixmap();
    QPixmap image = pageImage(true);
    if (image.isNull())
        return QPixmap();
    // The marquee lives in zoomed widget coordinates, the page picture in shown page
    // coordinates: the frame is taken back to zoom 1 and the content drawn at page scale, so
    // that the same selection gives the same pixels at any zoom.
    const QPointF p1 = pointDividedByZoom(marquee->firstCorner(), zoomFactor);
    const QPointF p2 = pointDividedByZoom(marquee->secondCorner(), zoomFactor);
    const QPointF c = pointDividedByZoom(marquee->center(), zoomFactor);
    const PaintData *action = PageHistory::openLastAction(page->history);
    QPixmap drawn;
    if (action && action->type == 7)
        drawn = CanvasMarquee::renderShapeInFrame(marquee->shapeStyle(), false, p1, p2, c);
    else if (!marquee->contentPixmap().isNull())
        drawn = CanvasMarquee::renderContentInFrame(marquee->contentPixmap(), p1, p2, c);
    if (!drawn.isNull()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawPixmap(frameBoundingSquare(p1, p2, c).topLeft(), drawn);
    }
    return copyFramedRegion(image, p1, p2, c);
}

void Canvas::copy()
{
    if (!textBox->isHidden()) {
        if (textBox->hasSelection())
            textBox->copy();
        return;
    }
    if (!marquee->isHidden()) {
        const QPixmap image = selectionImage();
        if (!image.isNull())
            QApplication::clipboard()->setImage(image.toImage());
        return;
    }
    if (line->isHidden() && connectedLine->isHidden() && freeCurve->isHidden() && page) {
        const QPixmap image = pageImage(true);
        if (!image.isNull())
            QApplication::clipboard()->setImage(image.toImage());
    }
}

void Canvas::paste()
{
    if (!textBox->isHidden()) {
        textBox->paste();
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

    marquee->setZoom(zoomFactor);
    marquee->setRotateHandleVisible(true);
    marquee->setContentPixmap(pixmap);
    marquee->setFrameFromDrag(frame.topLeft(), frame.bottomRight());
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
    if (!textBox->isHidden()) {
        textBox->selectAll();
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
    marquee->setZoom(zoomFactor);
    marquee->setFrameFromDrag(QPointF(0, 0), corner);
    shareHeldKeys();
    updateUndoRedoState();
}

void Canvas::undo()
{
    if (!marquee->isHidden()) {
        cancelMarquee();
    } else if (!line->isHidden()) {
        cancelLine();
    } else if (!textBox->isHidden()) {
        textBox->undo();
        return;
    } else if (!connectedLine->isHidden()) {
        if (!connectedLine->isComplete() && connectedLine->points().size() > 1)
            connectedLine->removeLastPoint();
        else
            cancelConnectedLine();
    } else if (!freeCurve->isHidden()) {
        if (!freeCurve->isComplete() && freeCurve->points().size() > 1)
            freeCurve->removeLastPoint();
        else
            cancelFreeCurve();
    } else {
        if (!page || page->history.isEmpty())
            return;
        strokeInProgress = false;
        if (PageHistory::undo(page->history))
            refreshPage();
    }
    updateUndoRedoState();
}

void Canvas::redo()
{
    if (!page || page->history.isEmpty() || anyItemShown() || !page->history.last()->closed)
        return;
    if (PageHistory::redo(page->history))
        refreshPage();
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

bool Canvas::canCleanImpureImage() const
{
    return page && PageHistory::canCleanImpureImage(page->history, !marquee->isHidden());
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
        marquee->setContentPixmap(cleaned);
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
    if (!marquee->isHidden()) {
        // The marquee tells of the turn after it; a fresh selection is lifted from the frame it
        // had, not from the area the turned frame covers.
        liftSelection(9, marquee->geometry());
        marquee->rotateOrMirror(kind);
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
    if (!textBox->isHidden())
        commitTextBox();
    if (!line->isHidden())
        commitLine();
    if (!connectedLine->isHidden())
        commitConnectedLine();
    if (!freeCurve->isHidden())
        commitFreeCurve();
    const QPixmap image = marquee->isHidden() ? pageImage(true) : selectionImage();
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
