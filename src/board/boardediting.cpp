// Commits, cancels and commands shared by the boards. A shown item is always acted on first
// (committed, edited or discarded), and only then the page history.

#include "board/boardediting.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QWidget>

#include "base/filesystem.h"
#include "base/uimetrics.h"
#include "drawing/arrowdirection.h"
#include "drawing/canvashost.h"
#include "drawing/geometry.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/pixmaputils.h"
#include "drawing/stylerecords.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"
#include "items/pageorientation.h"

namespace {
// A moved region whose source has been taken off the page while it is being edited.
bool isLiftedRegion(const PaintData *action)
{
    return action->type == PaintTool::Selection && action->value2 == SelectionKind::MovedRegion &&
           action->sourceFixed;
}
} // namespace

void BoardEditing::createItems(QWidget *owner)
{
    items.marquee = new CanvasMarquee(owner);
    items.marquee->hide();
    QObject::connect(items.marquee, &CanvasMarquee::marqueeBlankClicked, owner,
                     [this] { clickedBesideItems(); });
    QObject::connect(items.marquee, &CanvasMarquee::marqueeBeforeMove, owner,
                     [this](int dragtype, QRect geometry) { liftSelection(dragtype, geometry); });
    QObject::connect(items.marquee, &CanvasMarquee::marqueeChanged, owner,
                     [this] { recordMarqueeFrame(); });
    QObject::connect(items.marquee, &CanvasMarquee::showHideChanged, owner,
                     [this] { updateActionStates(); });
    items.line = new CanvasLine(owner);
    items.line->hide();
    QObject::connect(items.line, &CanvasLine::lineBlankClicked, owner,
                     [this] { clickedBesideItems(); });
    QObject::connect(items.line, &CanvasLine::showHideChanged, owner,
                     [this] { updateActionStates(); });
    items.textBox = new CanvasTextBox(owner);
    items.textBox->hide();
    QObject::connect(items.textBox, &CanvasTextBox::queryChangeFontBold, owner, [this] {
        if (CanvasHost *host = editHost())
            host->clickFontBold();
    });
    QObject::connect(items.textBox, &CanvasTextBox::queryChangeFontItalic, owner, [this] {
        if (CanvasHost *host = editHost())
            host->clickFontItalic();
    });
    QObject::connect(items.textBox, &CanvasTextBox::queryChangeFontUnderline, owner, [this] {
        if (CanvasHost *host = editHost())
            host->clickFontUnderline();
    });
    QObject::connect(items.textBox, &CanvasTextBox::showHideChanged, owner,
                     [this] { updateActionStates(); });
    items.connectedLine = new CanvasFCLine(owner);
    items.connectedLine->hide();
    QObject::connect(items.connectedLine, &CanvasFCLine::showHideChanged, owner,
                     [this] { updateActionStates(); });
    items.freeCurve = new CanvasFCCurve(owner);
    items.freeCurve->hide();
    QObject::connect(items.freeCurve, &CanvasFCCurve::showHideChanged, owner,
                     [this] { updateActionStates(); });
}

void BoardEditing::disconnectItems(QWidget *owner)
{
    for (QWidget *item :
         {static_cast<QWidget *>(items.marquee), static_cast<QWidget *>(items.line),
          static_cast<QWidget *>(items.textBox), static_cast<QWidget *>(items.connectedLine),
          static_cast<QWidget *>(items.freeCurve)}) {
        if (item)
            QObject::disconnect(item, nullptr, owner, nullptr);
    }
}

QString BoardEditing::shapeParameter(const ShapeStyle &style)
{
    switch (style.shapeType) {
        case ShapeType::RegularPolygon:
            return QString::number(style.polygonSideCount);
        case ShapeType::PlaneAxes:
        case ShapeType::SpaceAxes:
            return style.hasLineDegree ? QStringLiteral("1") : QStringLiteral("0");
        case ShapeType::Sector:
        case ShapeType::Arc:
            return QString::number(style.startAngle) + QLatin1Char('|') +
                   QString::number(style.angleSize);
        default:
            return QString();
    }
}

bool BoardEditing::anyItemShown() const
{
    return !items.marquee->isHidden() || !items.line->isHidden() || !items.textBox->isHidden() ||
           !items.connectedLine->isHidden() || !items.freeCurve->isHidden();
}

// Marquee frame -----------------------------------------------------------------------------------

void BoardEditing::writeMarqueeFrame(PaintData *action)
{
    const CanvasMarquee *marquee = items.marquee;
    if (action->points.size() < 8)
        action->points.resize(8);
    QVector<QPointF> &p = action->points;
    p[2] = itemToPage(marquee->topLeft());
    p[3] = itemToPage(marquee->topRight());
    p[4] = itemToPage(marquee->bottomRight());
    const QPointF c = marquee->center();
    QPointF first = marquee->firstCorner();
    QPointF second = marquee->secondCorner();
    if (action->type == PaintTool::Selection && action->value2 == SelectionKind::MovedRegion) {
        // A moved region is replayed from the page itself, upright as the page is, while the
        // marquee shows it as the view does. The frame is recorded from the corners where the
        // region's own top-left and top-right are shown, so that the replay neither turns nor
        // mirrors it against what was on screen.
        const PageOrientation &orientation = frameOrientation();
        const QPointF alongFirstEdge = (second - first) / 2;
        const QPointF alongOtherEdge = c - (first + second) / 2;
        const auto frameCorner = [&](const QPointF &sign) {
            return c + sign.x() * alongFirstEdge + sign.y() * alongOtherEdge;
        };
        first = frameCorner(orientation.firstCorner());
        second = frameCorner(orientation.secondCorner());
    }
    p[5] = itemToPage(first);
    p[6] = itemToPage(second);
    p[7] = itemToPage(c);
}

void BoardEditing::recordMarqueeFrame()
{
    PageData *page = editedPage();
    if (!page || items.marquee->isHidden())
        return;
    PaintData *action = PageHistory::openLastAction(page->history);
    if (!action || (action->type != PaintTool::Selection && action->type != PaintTool::Shape))
        return;
    if (action->type == PaintTool::Selection && !action->sourceFixed) {
        const QPointF first = itemToPage(items.marquee->firstCorner());
        if (action->points.size() < 8)
            action->points.resize(8);
        action->points[0] = first;
        action->points[1] = 2 * itemToPage(items.marquee->center()) - first;
    }
    writeMarqueeFrame(action);
}

// Commits ----------------------------------------------------------------------------------------

bool BoardEditing::commitMarquee()
{
    CanvasMarquee *marquee = items.marquee;
    PageData *page = editedPage();
    PaintData *action = page ? PageHistory::openLastAction(page->history) : nullptr;
    if (!action || (action->type != PaintTool::Selection && action->type != PaintTool::Shape)) {
        marquee->reset();
        return false;
    }
    const bool valid = action->type == PaintTool::Shape
                           ? marquee->isValid()
                           : PageHistory::isSelectionActionValid(action, marquee->isValid());
    if (!valid) {
        const bool lifted = isLiftedRegion(action);
        PageHistory::removeAction(page->history, action);
        marquee->reset();
        if (lifted)
            refreshEditedPage();
        updateUndoRedoState();
        return false;
    }
    if (action->type == PaintTool::Shape) {
        const ShapeStyle style = marquee->shapeStyle();
        action->value1 = style.shapeType;
        action->width = style.lineWidth;
        action->style = style.lineStyle;
        action->color = style.color;
        action->color2 = style.fillColor;
        action->text = shapeParameter(style);
        if (style.shapeType == ShapeType::Cuboid) {
            if (action->values.isEmpty())
                action->values << style.cuboidDepth;
            else
                action->values[0] = style.cuboidDepth;
        }
        writeMarqueeFrame(action);
    }
    marquee->reset();
    if (isLiftedRegion(action)) {
        // The source is off the shown page already: the replay moves it from the history.
        dropRedoTail(true);
        action->closed = true;
        refreshEditedPage();
        updateUndoRedoState();
        return true;
    }
    finishCommit(action);
    return true;
}

PaintData *BoardEditing::actionToCommit(int type, const std::function<bool()> &itemIsValid,
                                        const std::function<void()> &resetItem)
{
    PageData *page = editedPage();
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

bool BoardEditing::commitLine()
{
    CanvasLine *line = items.line;
    PaintData *action = actionToCommit(
        6, [line] { return line->isValid(); }, [line] { line->reset(); });
    if (!action)
        return false;
    const LineStyle style = line->lineStyle();
    action->value1 = style.arrowStyle;
    action->value2 = style.hasLineDegree ? 1 : 0;
    action->width = style.lineWidth;
    action->style = style.lineStyle;
    action->color = style.color;
    action->points = {itemToPage(line->topLeft()), itemToPage(line->bottomRight()),
                      itemToPage(line->startPoint()), itemToPage(line->endPoint())};
    line->reset();
    finishCommit(action);
    return true;
}

bool BoardEditing::commitTextBox()
{
    CanvasTextBox *textBox = items.textBox;
    PaintData *action = actionToCommit(
        10, [textBox] { return textBox->isValid(); }, [textBox] { textBox->reset(); });
    if (!action)
        return false;
    const QPointF topLeft = textBox->topLeft();
    const QPointF bottomRight = textBox->bottomRight();
    action->color = textBox->borderColor();
    action->color2 = textBox->backgroundColor();
    action->points = {itemToPage(topLeft), itemToPage(QPointF(bottomRight.x(), topLeft.y())),
                      itemToPage(bottomRight)};
    action->text = textBox->toHtml();
    textBox->reset();
    finishCommit(action);
    return true;
}

bool BoardEditing::commitPointFigure(CanvasPointFigure *figure, int type,
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
    const QPointF topLeft = itemToPage(figure->topLeft());
    const QPointF bottomRight = itemToPage(figure->bottomRight());
    action->values = {topLeft.x(), topLeft.y(), bottomRight.x(), bottomRight.y()};
    for (const QPointF &point : figure->points())
        action->points << itemToPage(point);
    figure->reset();
    finishCommit(action);
    return true;
}

bool BoardEditing::commitConnectedLine()
{
    const PolylineStyle style = items.connectedLine->polylineStyle();
    return commitPointFigure(items.connectedLine, 8, [&style](PaintData *action) {
        action->value2 = style.hasIncludedAngle ? 1 : 0;
        action->width = style.lineWidth;
        action->style = style.lineStyle;
        action->color = style.color;
        action->color2 = style.fillColor;
    });
}

bool BoardEditing::commitFreeCurve()
{
    const PenStyle style = items.freeCurve->penStyle();
    return commitPointFigure(items.freeCurve, 9, [&style](PaintData *action) {
        action->width = style.lineWidth;
        action->style = style.lineStyle;
        action->color = style.color;
        action->color2 = style.fillColor;
    });
}

void BoardEditing::commitItems()
{
    if (!items.marquee->isHidden())
        commitMarquee();
    if (!items.line->isHidden())
        commitLine();
    if (!items.textBox->isHidden())
        commitTextBox();
    if (!items.connectedLine->isHidden())
        commitConnectedLine();
    if (!items.freeCurve->isHidden())
        commitFreeCurve();
}

void BoardEditing::commitAllShownItems()
{
    // A click beside the page (another pointer's, while this one still writes) ends the press
    // as a tool change does: the stroke gets its last piece painted and is closed.
    finishEditing();
    updateUndoRedoState();
}

// Cancels ----------------------------------------------------------------------------------------

void BoardEditing::dropOpenAction(int type)
{
    if (PageData *page = editedPage())
        PageHistory::removeAction(page->history,
                                  PageHistory::openLastActionOfType(page->history, type));
}

void BoardEditing::cancelMarquee()
{
    PageData *page = editedPage();
    PaintData *action = page ? PageHistory::openLastAction(page->history) : nullptr;
    if (action && (action->type == PaintTool::Selection || action->type == PaintTool::Shape)) {
        const bool lifted = isLiftedRegion(action);
        PageHistory::removeAction(page->history, action);
        // The lifted region goes back onto the page.
        if (lifted)
            refreshEditedPage();
    }
    items.marquee->reset();
}

void BoardEditing::cancelLine()
{
    dropOpenAction(6);
    items.line->reset();
}

void BoardEditing::cancelTextBox()
{
    dropOpenAction(10);
    items.textBox->reset();
}

void BoardEditing::cancelConnectedLine()
{
    dropOpenAction(8);
    items.connectedLine->reset();
}

void BoardEditing::cancelFreeCurve()
{
    dropOpenAction(9);
    items.freeCurve->reset();
}

void BoardEditing::cancel()
{
    if (!items.marquee->isHidden())
        cancelMarquee();
    if (!items.line->isHidden())
        cancelLine();
    if (!items.textBox->isHidden())
        cancelTextBox();
    if (!items.connectedLine->isHidden()) {
        if (items.connectedLine->isComplete())
            cancelConnectedLine();
        else
            items.connectedLine->finish(true);
    }
    if (!items.freeCurve->isHidden()) {
        if (items.freeCurve->isComplete())
            cancelFreeCurve();
        else
            items.freeCurve->finish(true);
    }
    updateUndoRedoState();
}

// Commands ---------------------------------------------------------------------------------------

void BoardEditing::updateUndoRedoState()
{
    CanvasHost *host = editHost();
    if (!host)
        return;
    static const QList<PaintData *> none;
    const PageData *page = editedPage();
    const PageHistory::UndoRedoState state =
        PageHistory::undoRedoState(page ? page->history : none);
    host->setUndoEnabled(state.canUndo);
    host->setRedoEnabled(state.canRedo);
}

void BoardEditing::dropRedoTail(bool keepLast)
{
    if (PageData *page = editedPage())
        PageHistory::dropRedoTail(page->history, keepLast);
}

void BoardEditing::updateActionStates()
{
    CanvasHost *host = editHost();
    if (!host)
        return;
    const bool marqueeShown = !items.marquee->isHidden();
    const bool textBoxShown = !items.textBox->isHidden();
    const bool drawingItemShown =
        !items.line->isHidden() || !items.connectedLine->isHidden() || !items.freeCurve->isHidden();
    const bool anyShown = marqueeShown || textBoxShown || drawingItemShown;
    host->setCutEnabled(marqueeShown || textBoxShown);
    host->setCopyEnabled(!drawingItemShown);
    host->setCancelEnabled(anyShown);
    host->setDeleteEnabled(anyShown);
    host->setRotateEnabled(canRotateView() || marqueeShown);
}

void BoardEditing::undo()
{
    CanvasFCLine *connectedLine = items.connectedLine;
    CanvasFCCurve *freeCurve = items.freeCurve;
    if (!items.marquee->isHidden()) {
        cancelMarquee();
    } else if (!items.line->isHidden()) {
        cancelLine();
    } else if (!items.textBox->isHidden()) {
        items.textBox->undo();
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
        PageData *page = editedPage();
        if (!page || page->history.isEmpty())
            return;
        stopStroke();
        if (PageHistory::undo(page->history))
            refreshEditedPage();
    }
    updateUndoRedoState();
}

void BoardEditing::redo()
{
    PageData *page = editedPage();
    if (!page || page->history.isEmpty() || anyItemShown() || !page->history.last()->closed)
        return;
    if (PageHistory::redo(page->history))
        refreshEditedPage();
    updateUndoRedoState();
}

void BoardEditing::deleteSelection()
{
    PageData *page = editedPage();
    if (!page || page->history.isEmpty()) {
        items.reset();
        return;
    }
    if (!items.marquee->isHidden()) {
        PaintData *action = PageHistory::openLastAction(page->history);
        if (!action || (action->type != PaintTool::Selection && action->type != PaintTool::Shape)) {
            items.marquee->reset();
            return;
        }
        if (action->value2 == SelectionKind::MovedRegion) {
            // The region is erased from the page: one undoable action, lifted or not.
            action->value2 = SelectionKind::DeletedRegion;
            commitMarquee();
        } else if (action->value2 == SelectionKind::PastedImage) {
            PageHistory::removeAction(page->history, action);
            items.marquee->reset();
        }
    }
    if (!items.line->isHidden())
        cancelLine();
    if (!items.textBox->isHidden())
        items.textBox->deleteSelection();
    if (!items.connectedLine->isHidden())
        cancelConnectedLine();
    if (!items.freeCurve->isHidden())
        cancelFreeCurve();
    updateUndoRedoState();
}

void BoardEditing::cut()
{
    if (items.marquee->isHidden() && items.textBox->isHidden())
        return;
    copy();
    deleteSelection();
}

void BoardEditing::copy()
{
    if (!items.textBox->isHidden()) {
        if (items.textBox->hasSelection())
            items.textBox->copy();
        return;
    }
    if (!items.marquee->isHidden()) {
        const QPixmap image = selectionImage();
        if (!image.isNull())
            QApplication::clipboard()->setImage(image.toImage());
        return;
    }
    if (items.line->isHidden() && items.connectedLine->isHidden() && items.freeCurve->isHidden() &&
        editedPage()) {
        const QPixmap image = copiedPageImage();
        if (!image.isNull())
            QApplication::clipboard()->setImage(image.toImage());
    }
}

bool BoardEditing::canCleanImpureImage() const
{
    const PageData *page = editedPage();
    return page && PageHistory::canCleanImpureImage(page->history, !items.marquee->isHidden());
}

// Paste, select all, clearing, clean-up, export ------------------------------------------------

void BoardEditing::paste()
{
    if (!items.textBox->isHidden()) {
        items.textBox->paste();
        return;
    }
    PageData *page = editedPage();
    if (!page)
        return;
    const QImage image = FileSystem::clipboardImage();
    if (image.isNull())
        return;
    QRectF fit;
    QPointF at;
    QRectF bounds;
    if (!pasteArea(&fit, &at, &bounds))
        return;
    finishEditing();
    PaintProperty *property = editProperty();
    if (property && property->paintTool != PaintTool::Selection && editHost())
        editHost()->clickPaintTool(PaintTool::Selection);
    const QPixmap pixmap = QPixmap::fromImage(image);
    page->pastedImages.append(pixmap);

    QSizeF size = pixmap.size();
    if (size.width() > fit.width() || size.height() > fit.height())
        size.scale(fit.size(), Qt::KeepAspectRatio);
    const QRectF placed = clampRectInto(QRectF(at, size), bounds);
    const QRectF frame(QPointF(qRound(placed.x()), qRound(placed.y())),
                       QSizeF(qRound(placed.width()), qRound(placed.height())));

    CanvasMarquee *marquee = items.marquee;
    marquee->setZoom(editZoom());
    marquee->setRotateHandleVisible(true);
    marquee->setContentPixmap(pixmap);
    marquee->setFrameFromDrag(frame.topLeft(), frame.bottomRight());
    // After the frame is made: Shift would square it.
    shareHeldKeys();

    auto *action = new PaintData(page);
    action->type = PaintTool::Selection;
    action->value2 = SelectionKind::PastedImage;
    action->value1 = frameOrientation().isMirrored() ? 1 : 0;
    action->active = true;
    action->sourceFixed = true;
    action->text = QString::number(page->pastedImages.size() - 1);
    action->points << itemToPage(frame.topLeft()) << itemToPage(frame.bottomRight());
    action->points.resize(8);
    writeMarqueeFrame(action);
    PageHistory::beginAction(page->history, action, false);
    updateUndoRedoState();
    editWidget()->setFocus(Qt::OtherFocusReason);
}

void BoardEditing::selectAll()
{
    if (!items.textBox->isHidden()) {
        items.textBox->selectAll();
        return;
    }
    finishEditing();
    PaintProperty *property = editProperty();
    if (property && property->paintTool != PaintTool::Selection && editHost())
        editHost()->clickPaintTool(PaintTool::Selection);
    PageData *page = editedPage();
    if (!page)
        return;
    const QRectF frame = selectAllFrame();
    auto *action = new PaintData(page);
    action->type = PaintTool::Selection;
    action->value2 = SelectionKind::MovedRegion;
    action->value1 = frameOrientation().isMirrored() ? 1 : 0;
    action->active = true;
    action->points << itemToPage(frame.topLeft()) << itemToPage(frame.bottomRight())
                   << QVector<QPointF>(6, invalidPointF);
    PageHistory::beginAction(page->history, action, false);
    items.marquee->setZoom(editZoom());
    items.marquee->setFrameFromDrag(frame.topLeft(), frame.bottomRight());
    shareHeldKeys();
    updateUndoRedoState();
}

void BoardEditing::confirmClearScreen()
{
    CanvasHost *host = editHost();
    if (!hasDrawingToClear() || !host)
        return;
    if (host->askQuestion(QStringLiteral("清屏后无法恢复，确定继续？")))
        clearScreen();
}

bool BoardEditing::cleanPastedImage(QRgb boardColor)
{
    PageData *page = editedPage();
    if (!canCleanImpureImage())
        return false;
    bool ok = false;
    const int index = page->history.last()->text.toInt(&ok);
    // A stale or damaged index names no picture.
    if (!ok || index < 0 || index >= page->pastedImages.size())
        return true;
    const QPixmap source = page->pastedImages.at(index);
    if (source.isNull())
        return true;
    const QPixmap cleaned = cleanPhotoBackground(source, boardColor);
    page->pastedImages[index] = cleaned;
    items.marquee->setContentPixmap(cleaned);
    return true;
}

void BoardEditing::setSavePathAsker(SavePathAsker asker)
{
    savePathAsker = std::move(asker);
}

void BoardEditing::exportImage()
{
    PageData *page = editedPage();
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
    const QPixmap image = exportedImage();
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
    const QString answer =
        savePathAsker
            ? savePathAsker(title, startName, filter, &selectedFilter)
            : QFileDialog::getSaveFileName(editWidget(), title, startName, filter, &selectedFilter);
    if (answer.isEmpty())
        return;
    // A name typed without a suffix gets that of the chosen filter, "PNG(*.png)" unless it is
    // the JPG one.
    QString path = answer;
    if (FileSystem::lowerSuffix(answer).isEmpty()) {
        const bool jpg = selectedFilter == QLatin1String("JPG(*.jpg)");
        if (!path.endsWith(QLatin1Char('.')))
            path += QLatin1Char('.');
        path += jpg ? QStringLiteral("jpg") : QStringLiteral("png");
    }
    CanvasHost *host = editHost();
    if (host && host->isFileOpen(path)) {
        host->showMessage(fileOpenRefusal(path));
        return;
    }
    // The dialog asked about the name as typed, not about the one with its suffix.
    if (path != answer && QFileInfo::exists(path) &&
        !(host && host->askQuestion(path + QStringLiteral("已存在，是否替换现有文件"))))
        return;
    page->note = path;
    if (!FileSystem::savePictureBySuffix(image.toImage(), path) && host)
        host->showMessage(QStringLiteral("保存") + path + QStringLiteral("失败"));
}

// Keys -------------------------------------------------------------------------------------------

void BoardEditing::setCtrlPressed(bool b)
{
    ctrlHeld = b;
    items.marquee->setCtrlPressed(b);
}

void BoardEditing::setShiftPressed(bool b)
{
    shiftHeld = b;
    items.marquee->setShiftPressed(b);
    items.line->setShiftPressed(b);
}

void BoardEditing::shareHeldKeys()
{
    items.marquee->setCtrlPressed(ctrlHeld);
    setShiftPressed(shiftHeld);
}

void BoardEditing::handleDirectionKey(int direction)
{
    if (!items.nudge(direction))
        directionUnused(direction);
}

bool BoardEditing::handleKeyPress(QKeyEvent *event)
{
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            handleDirectionKey(int(ArrowDirection::Up));
            break;
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            handleDirectionKey(int(ArrowDirection::Down));
            break;
        case Qt::Key_Left:
            handleDirectionKey(int(ArrowDirection::Left));
            break;
        case Qt::Key_Right:
            handleDirectionKey(int(ArrowDirection::Right));
            break;
        case Qt::Key_Backspace:
            deleteSelection();
            break;
        case Qt::Key_Shift:
            setShiftPressed(true);
            break;
        case Qt::Key_Control:
            setCtrlPressed(true);
            break;
        default:
            return false;
    }
    event->accept();
    return true;
}

bool BoardEditing::handleKeyRelease(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Control)
        setCtrlPressed(false);
    else if (event->key() == Qt::Key_Shift)
        setShiftPressed(false);
    else
        return false;
    event->accept();
    return true;
}

PaintData *BoardEditing::liftOpenSelection()
{
    PageData *page = editedPage();
    PaintData *action = page ? PageHistory::openLastActionOfType(page->history, 1) : nullptr;
    if (!action || action->sourceFixed || action->points.size() < 8)
        return nullptr;
    const QPointF first = itemToPage(items.marquee->firstCorner());
    action->points[0] = first;
    action->points[1] = 2 * itemToPage(items.marquee->center()) - first;
    action->sourceFixed = true;
    return action;
}

QPointF BoardEditing::globalPointOf(const QPointF &pos)
{
    const QPointF at = pointerGlobal.isNull()
                           ? QPointF(editWidget()->mapToGlobal(QPoint(0, 0))) + pos
                           : pointerGlobal;
    pointerGlobal = QPointF();
    return at;
}

void BoardEditing::zoomStep(int kind)
{
    if (kind != ZoomDirection::Larger && kind != ZoomDirection::Smaller)
        return;
    // Whole twentieths, divided at the end: 36 steps are exactly the 1.8 limit.
    const int base = qRound(editZoom() / 0.05);
    setZoom((kind == ZoomDirection::Larger ? base + 1 : base - 1) / 20.0);
}

void BoardEditing::zoomBy(int kind, double step)
{
    if (kind == ZoomDirection::Larger)
        setZoom(editZoom() + step);
    else if (kind == ZoomDirection::Smaller)
        setZoom(editZoom() - step);
}
