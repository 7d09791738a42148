// The steps of pointer input that both boards share: which shown items a press commits, the
// action a press starts for each tool, how the open action grows while the pointer moves and how
// the release ends it. The boards keep their own event handling, page choice and edge drags.

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QDateTime>
#include <QMouseEvent>
#include <QTouchEvent>
#include <QWidget>
#include <QtMath>

#include "base/globals.h"
#include "base/uimetrics.h"
#include "board/boardediting.h"
#include "drawing/freehandaction.h"
#include "drawing/geometry.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"
#include "drawing/stampstore.h"
#include "drawing/strokepainter.h"
#include "drawing/stylerecords.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"
#include "items/itemgeometry.h"
#include "items/pageorientation.h"

namespace {
QRect grownRect(const QRectF &r, int margin)
{
    return r.toAlignedRect().adjusted(-margin, -margin, margin, margin);
}
} // namespace

bool BoardEditing::commitItemsAtPress(int tool)
{
    bool consumed = false;
    if (!items.marquee->isHidden())
        commitMarquee();
    if (!items.line->isHidden())
        commitLine();
    if (!items.textBox->isHidden()) {
        commitTextBox();
        consumed = consumed || tool == PaintTool::TextBox;
    }
    if (!items.connectedLine->isHidden() && items.connectedLine->isComplete()) {
        commitConnectedLine();
        consumed = consumed || tool == PaintTool::Polyline;
    }
    if (!items.freeCurve->isHidden() && items.freeCurve->isComplete()) {
        commitFreeCurve();
        consumed = consumed || tool == PaintTool::FreeCurve;
    }
    updateUndoRedoState();
    return consumed;
}

QRect BoardEditing::eraserRectAt(const QPointF &pos, int level) const
{
    const QSize size = eraserSize(level) * editZoom();
    return QRect(pos.toPoint(), size).adjusted(-5, -5, 5, 5);
}

PaintData *BoardEditing::startToolAction(int tool, const QPointF &pos, double pressure)
{
    PageData *page = editedPage();
    PaintProperty *property = editProperty();
    if (tool == PaintTool::Mouse || !page || !property)
        return nullptr;
    // A click beside an unfinished figure adds its next point: the figure keeps its one action.
    CanvasPointFigure *figure = nullptr;
    if (tool == PaintTool::Polyline)
        figure = items.connectedLine;
    else if (tool == PaintTool::FreeCurve)
        figure = items.freeCurve;
    if (figure && !figure->isHidden() && !figure->isComplete() &&
        PageHistory::openLastActionOfType(page->history, tool)) {
        figure->addPoint(pos, false);
        return nullptr;
    }
    const QPointF q = itemToPage(pos);
    const int mirrored = frameOrientation().isMirrored() ? 1 : 0;
    const PaintProperty &prop = *property;
    const double zoomFactor = editZoom();
    QList<PaintData *> &history = page->history;
    const QVector<QPointF> sixInvalid(6, invalidPointF);

    // The items forget the keys when they are reset; the canvas still counts them as held.
    shareHeldKeys();
    auto *action = new PaintData(page);
    action->active = true;
    action->type = tool;
    bool dropUndone = false;
    switch (tool) {
        case PaintTool::Selection:
            action->value1 = mirrored;
            action->value2 = SelectionKind::MovedRegion;
            action->points << q << q << sixInvalid;
            livePoints << pos;
            items.marquee->setZoom(zoomFactor);
            break;
        case PaintTool::Pencil:
        case PaintTool::Pen:
        case PaintTool::Highlighter:
        case PaintTool::Eraser:
            FreehandAction::begin(action, q, pressure, prop, frameOrientation().leftSide(),
                                  frameOrientation().topSide(), minimumPenWidth);
            if (tool != PaintTool::Eraser)
                livePoints << pos;
            // Pencil, pen and eraser end the redo branch at once; the highlighter when kept.
            dropUndone = tool != PaintTool::Highlighter;
            break;
        case PaintTool::Line:
            action->value1 = prop.arrowStyle;
            action->value2 = prop.hasLineDegree ? 1 : 0;
            action->width = prop.lineBoldSize;
            action->style = prop.lineStyle;
            action->color = prop.foreColor;
            action->points << invalidPointF << invalidPointF << q << q;
            livePoints << pos;
            items.line->setZoom(zoomFactor);
            items.line->setLineStyle(LineStyle::fromPaintProperty(property));
            break;
        case PaintTool::Shape: {
            const ShapeStyle style = ShapeStyle::fromPaintProperty(property);
            action->value1 = prop.shapeType;
            action->value2 = 2;
            action->sourceFixed = true;
            action->width = prop.lineBoldSize;
            action->style = prop.lineStyle;
            action->color = prop.foreColor;
            action->color2 = prop.backColor;
            action->text = shapeParameter(style);
            if (prop.shapeType == ShapeType::Cuboid)
                action->values << 0.0;
            action->points << q << q << sixInvalid;
            livePoints << pos;
            items.marquee->setZoom(zoomFactor);
            items.marquee->setShapeStyle(style);
            break;
        }
        case PaintTool::Polyline:
        case PaintTool::FreeCurve:
            if (tool == PaintTool::Polyline)
                action->value2 = prop.hasIncludedAngle ? 1 : 0;
            action->width = prop.lineBoldSize;
            action->style = prop.lineStyle;
            action->color = prop.foreColor;
            action->color2 = prop.backColor;
            action->values << 0.0 << 0.0 << 0.0 << 0.0;
            break;
        case PaintTool::TextBox:
            items.textBox->beginEditing(pos, qRound(editWidget()->width() - pos.x()),
                                        TextStyle::fromPaintProperty(property), zoomFactor);
            action->value2 = mirrored;
            action->color = prop.textFrameColor;
            action->color2 = prop.textBackColor;
            action->points << itemToPage(items.textBox->topLeft())
                           << itemToPage(QPointF(items.textBox->bottomRight().x(),
                                                 items.textBox->topLeft().y()))
                           << itemToPage(items.textBox->bottomRight());
            break;
        case PaintTool::Stamp: {
            const QPixmap stamp =
                prop.stampName.isEmpty() ? QPixmap() : StampStore::pixmap(prop.stampName);
            if (stamp.isNull()) {
                delete action;
                return nullptr;
            }
            // On screen the stamp takes its pixel size at the zoom, on the page its pixel size.
            const QSizeF size = QSizeF(stamp.size()) * zoomFactor;
            action->value2 = mirrored;
            action->points << q << itemToPage(pos + QPointF(size.width(), 0))
                           << itemToPage(pos + QPointF(size.width(), size.height()));
            action->text = prop.stampName;
            livePoints << pos;
            // A new stamp ends the redo branch at once, as every other new drawing does.
            dropUndone = true;
            break;
        }
        default:
            delete action;
            return nullptr;
    }
    PageHistory::beginAction(history, action, dropUndone);

    if (tool == PaintTool::Polyline) {
        items.connectedLine->setZoom(zoomFactor);
        items.connectedLine->setPolylineStyle(PolylineStyle::fromPaintProperty(property));
        items.connectedLine->addPoint(pos, false);
    } else if (tool == PaintTool::FreeCurve) {
        items.freeCurve->setZoom(zoomFactor);
        items.freeCurve->setPenStyle(PenStyle::fromPaintProperty(property));
        items.freeCurve->addPoint(pos, false);
    }
    return action;
}

QRect BoardEditing::continueToolAction(PaintData *action, const QPointF &pos, double pressure,
                                       bool early)
{
    const double zoom = editZoom();
    QPointF q = itemToPage(pos);
    QVector<QPointF> &points = action->points;
    switch (action->type) {
        case PaintTool::Selection:
        case PaintTool::Shape:
            if (q == points.at(0) || early)
                return QRect();
            items.marquee->setFrameFromDrag(livePoints.at(0), pos);
            points[1] = q;
            // Only a shape records the corners of its frame while it is drawn.
            if (action->type == PaintTool::Shape)
                writeMarqueeFrame(action);
            return QRect();
        case PaintTool::Pencil:
        case PaintTool::Pen: {
            if (!FreehandAction::addPenPoint(action, q, pressure, minimumPenWidth))
                return QRect();
            livePoints << pos;
            liveTailEnd = pos;
            const int n = action->points.size();
            const QRect tail = moveLiveTail(action);
            if (n <= 3 || (n - 1) % 3 != 1)
                return tail;
            // A wide stroke reaches past the five pixels around its points.
            const int margin = 5 + qCeil(action->width * zoom);
            return grownRect(boundingRectOfPoints(livePoints, n - 5, n - 2), margin).united(tail);
        }
        case PaintTool::Highlighter: {
            QPointF at = pos;
            if (shiftHeld && !livePoints.isEmpty())
                at.setY(livePoints.last().y());
            q = itemToPage(at);
            if (!points.isEmpty() && q == points.last())
                return QRect();
            // Moves of the first instants are not recorded, but the tail follows them.
            liveTailEnd = at;
            if (early)
                return moveLiveTail(action);
            points << q;
            livePoints << at;
            const int n = livePoints.size();
            const QRect tail = moveLiveTail(action);
            if ((n - 1) % 3 != 0)
                return tail;
            const int m = qCeil(highlighterSize(action->width).height() * zoom);
            return grownRect(boundingRectOfPoints(livePoints, n - 4, n - 1), m).united(tail);
        }
        case PaintTool::Eraser:
            if (!points.isEmpty() && q == points.last())
                return QRect();
            points << q;
            return eraserRectAt(pos, action->width);
        case PaintTool::Line:
            if (q == points.at(2) || early)
                return QRect();
            points[3] = q;
            items.line->setPoints(livePoints.at(0), pos);
            return QRect();
        default:
            return QRect();
    }
}

QRect BoardEditing::endToolAction(PaintData *action, const QPoint &p, const QPointF &pos,
                                  bool early)
{
    const double zoom = editZoom();
    QList<PaintData *> &history = editedPage()->history;
    const QVector<QPointF> &points = action->points;
    switch (action->type) {
        case PaintTool::Selection:
        case PaintTool::Shape:
            if (points.size() > 1 && points.at(0) != points.at(1) && !early) {
                items.marquee->setRotateHandleVisible(true);
            } else {
                PageHistory::removeAction(history, action);
                items.marquee->reset();
            }
            return QRect();
        case PaintTool::Pencil:
        case PaintTool::Pen: {
            const int n = livePoints.size();
            // The steps after the last cubic piece are drawn now.
            const int first = n < 5 ? 0 : penPieceEnd(n);
            const int margin = 5 + qCeil(action->width * zoom);
            QRectF r = boundingRectOfPoints(livePoints, first, n - 1);
            if (n == 0)
                r = QRectF(p, QSizeF(0, 0));
            return grownRect(r, margin).united(dropLiveTail());
        }
        case PaintTool::Highlighter: {
            // The live painter keeps a stroke of two points or more (and drops the redo branch)
            // or removes it.
            const int m = qCeil(highlighterSize(action->width).height() * zoom);
            const QPoint c = pos.toPoint();
            const QRect around(c - QPoint(m, m), c + QPoint(m, m));
            if (livePoints.size() < 2)
                return around.united(dropLiveTail());
            const QRectF tail = boundingRectOfPoints(
                livePoints, highlighterTailStart(livePoints.size()), livePoints.size() - 1);
            return grownRect(tail, m).united(around).united(dropLiveTail());
        }
        case PaintTool::Eraser:
            return eraserRectAt(pos, action->width);
        case PaintTool::Line:
            if (points.size() == 4 && points.at(2) != points.at(3) && !early) {
                items.line->setEditable(true);
            } else {
                PageHistory::removeAction(history, action);
                items.line->reset();
            }
            return QRect();
        case PaintTool::Stamp: {
            const QPixmap stamp = StampStore::pixmap(action->text);
            const QPointF at = livePoints.isEmpty() ? pos : livePoints.first();
            return grownRect(QRectF(at, QSizeF(stamp.size()) * zoom), 5);
        }
        default:
            return QRect();
    }
}

void BoardEditing::beginToolAction(int tool, const QPoint &p, const QPointF &pos, double pressure)
{
    PaintData *action = startToolAction(tool, pos, pressure);
    // The press shows its dot (the highlighter its nib) at once.
    liveTailEnd = pos;
    tailShown = QRect();
    if (action && (tool == PaintTool::Pencil || tool == PaintTool::Pen))
        paintAndRepaint(QRect(p - QPoint(5, 5), p + QPoint(5, 5)).united(moveLiveTail(action)));
    else if (action && tool == PaintTool::Highlighter)
        paintAndRepaint(moveLiveTail(action));
    else if (action && tool == PaintTool::Eraser)
        paintAndRepaint(eraserRectAt(pos, action->width));
    updateUndoRedoState();
}

QRect BoardEditing::liveTailArea(const PaintData *action) const
{
    const int n = livePoints.size();
    if (!action || n == 0)
        return QRect();
    const double zoom = editZoom();
    switch (action->type) {
        case PaintTool::Pencil:
        case PaintTool::Pen: {
            const int first = n < 5 ? 0 : penPieceEnd(n);
            const int margin = 5 + qCeil(action->width * zoom);
            return grownRect(boundingRectOfPoints(livePoints, first, n - 1), margin);
        }
        case PaintTool::Highlighter: {
            const int m = qCeil(highlighterSize(action->width).height() * zoom);
            const QRectF steps = boundingRectOfPoints(livePoints, highlighterTailStart(n), n - 1);
            const QPointF &e = liveTailEnd;
            const QRectF reach(QPointF(qMin(steps.left(), e.x()), qMin(steps.top(), e.y())),
                               QPointF(qMax(steps.right(), e.x()), qMax(steps.bottom(), e.y())));
            return grownRect(reach, m);
        }
        default:
            return QRect();
    }
}

QRect BoardEditing::moveLiveTail(const PaintData *action)
{
    const QRect now = liveTailArea(action);
    const QRect dirty = tailShown.united(now);
    tailShown = now;
    return dirty;
}

QRect BoardEditing::dropLiveTail()
{
    const QRect shown = tailShown;
    tailShown = QRect();
    return shown;
}

void BoardEditing::paintAndRepaint(const QRect &rect)
{
    paintCurrentAction(rect);
    editWidget()->repaint(rect);
}

qint64 BoardEditing::now() const
{
    return clock ? clock() : QDateTime::currentMSecsSinceEpoch();
}

bool BoardEditing::isEarly() const
{
    return !isIntervalElapsed(pressTime, now());
}

bool BoardEditing::takeEdgeDragTabletMove()
{
    return takePenMove(now(), &lastTabletMove, 40);
}

double BoardEditing::recordedPressure(double pressure)
{
    return QString::number(pressure, 'f', 2).toDouble();
}

bool BoardEditing::isSynthesised(const QMouseEvent *event)
{
    return event->source() != Qt::MouseEventNotSynthesized;
}

// Touch ------------------------------------------------------------------------------------------

bool BoardEditing::handleTouchEvent(QTouchEvent *event)
{
    const QEvent::Type type = event->type();
    const QList<QTouchEvent::TouchPoint> &points = event->touchPoints();
    const bool wanted = wantsPointerInput();
    const bool ends = type == QEvent::TouchEnd || type == QEvent::TouchCancel;
    if (type == QEvent::TouchBegin) {
        touchActive = true;
        touchPinching = false;
        touchAction = nullptr;
    }
    if (!points.isEmpty()) {
        const bool hasPressure =
            event->device() && event->device()->capabilities().testFlag(QTouchDevice::Pressure);
        touchPressure = hasPressure ? recordedPressure(points.first().pressure()) : -1.0;
    }
    if (penInProximity) {
        // The pen draws through its own events: a palm resting beside it neither draws, nor
        // zooms, nor moves or ends the pen's stroke.
        endTouchStroke();
        touchPinching = false;
        if (ends) {
            touchActive = false;
            touchPressure = 0.0;
        }
        event->accept();
        return true;
    }
    int down = 0;
    for (const QTouchEvent::TouchPoint &point : points)
        down += point.state() != Qt::TouchPointReleased ? 1 : 0;
    if (down > 1 && !touchPinching) {
        touchPinching = true;
        if (touchDrivesSteps)
            dropTouchStroke(lastTouchPos);
        touchDrivesSteps = false;
        // Qt hands the rest of a touch only to a widget that took its begin.
        if (type != QEvent::TouchBegin)
            passTouchToView(event, QEvent::TouchBegin);
    }
    if (touchPinching) {
        passTouchToView(event, type);
    } else if (editedPage() && !points.isEmpty() && (wanted || touchDrivesSteps)) {
        const QPointF pos = points.first().pos();
        double pressure = touchPressure;
        pointerGlobal = points.first().screenPos();
        lastTouchPos = pos;
        if (type == QEvent::TouchBegin) {
            touchDrivesSteps = true;
            const PaintData *before = PageHistory::openLastAction(editedPage()->history);
            editWidget()->setFocus(Qt::OtherFocusReason);
            // A finger has no hover of its own: the edge a mouse left the pointer on is not
            // the finger's, the one under the finger is.
            hoverAt(pos.toPoint());
            runStep(Step::Press, pos.toPoint(), pos, pressure);
            // The press may have moved to another page, or only added a figure's point.
            PageData *page = editedPage();
            PaintData *open = page ? PageHistory::openLastAction(page->history) : nullptr;
            touchAction = open != before ? open : nullptr;
        } else if (type == QEvent::TouchUpdate) {
            runStep(Step::Move, pos.toPoint(), pos, pressure);
        } else {
            runStep(Step::Release, pos.toPoint(), pos, pressure);
        }
    }
    if (ends) {
        touchActive = false;
        touchDrivesSteps = false;
        touchPinching = false;
        touchAction = nullptr;
        touchPressure = 0.0;
    }
    event->setAccepted(wanted || touchPinching);
    return true;
}

void BoardEditing::dropTouchStroke(const QPointF &pos)
{
    PageData *page = editedPage();
    PaintData *open = page ? PageHistory::openLastAction(page->history) : nullptr;
    if (!open || open != touchAction) {
        // Nothing of its own to take back (an edge drag, a point of a figure): it ends here.
        runStep(Step::Release, pos.toPoint(), pos, -1.0);
        return;
    }
    stopStroke();
    if (anyItemShown())
        cancel();
    else
        PageHistory::removeAction(page->history, open);
    touchAction = nullptr;
    refreshEditedPage();
    updateUndoRedoState();
}

void BoardEditing::endTouchStroke()
{
    if (!touchDrivesSteps)
        return;
    touchDrivesSteps = false;
    PageData *page = editedPage();
    PaintData *open = page ? PageHistory::openLastAction(page->history) : nullptr;
    // Once the pen has pressed, the open action is the pen's.
    if (open && open == touchAction)
        runStep(Step::Release, lastTouchPos.toPoint(), lastTouchPos, -1.0);
    touchAction = nullptr;
}

void BoardEditing::passTouchToView(QTouchEvent *event, QEvent::Type type)
{
    // Where Qt would have sent the touch if the board had not taken it: the viewport of the
    // scroll area that shows the board, or the next widget that takes touch.
    QWidget *board = editWidget();
    QWidget *view = board->parentWidget();
    for (; view; view = view->parentWidget()) {
        const auto *area = qobject_cast<QAbstractScrollArea *>(view->parentWidget());
        if ((area && area->viewport() == view) || view->testAttribute(Qt::WA_AcceptTouchEvents))
            break;
    }
    if (!view)
        return;
    const QPointF offset = board->mapTo(view, QPoint(0, 0));
    QList<QTouchEvent::TouchPoint> points = event->touchPoints();
    for (QTouchEvent::TouchPoint &point : points) {
        point.setPos(point.pos() + offset);
        point.setStartPos(point.startPos() + offset);
        point.setLastPos(point.lastPos() + offset);
    }
    QTouchEvent moved(type, event->device(), event->modifiers(), event->touchPointStates(), points);
    moved.setWindow(event->window());
    moved.setTarget(view);
    QCoreApplication::sendEvent(view, &moved);
}
