// Pointer, pen, touch and key input of the canvas. Mouse, tablet and touch all end in the same
// three steps (begin, continue, end); what a step does depends on the current tool.

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabletEvent>
#include <QTouchEvent>
#include <QtMath>

#include "app/globals.h"
#include "app/uimetrics.h"
#include "canvas/canvas.h"
#include "drawing/canvashost.h"
#include "drawing/freehandaction.h"
#include "drawing/geometry.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"
#include "drawing/stampstore.h"
#include "drawing/strokepainter.h"
#include "items/boarditems.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"

namespace {
constexpr qint64 edgeDragTabletInterval = 40;

QRect grownRect(const QRectF &r, int margin)
{
    return r.toAlignedRect().adjusted(-margin, -margin, margin, margin);
}

// Pen pressure as it is recorded: two decimals.
double recordedPressure(qreal pressure)
{
    return QString::number(pressure, 'f', 2).toDouble();
}
} // namespace

void Canvas::setClock(Clock value)
{
    clock = std::move(value);
}

qint64 Canvas::now() const
{
    return clock ? clock() : QDateTime::currentMSecsSinceEpoch();
}

bool Canvas::isEarly() const
{
    return !isIntervalElapsed(pressTime, now());
}

// Event entry ------------------------------------------------------------------------------------

namespace {
// A pen near the screen draws through its tablet events; only the mouse events that Qt or the
// system made from them (or from touch) are dropped. Checking the source keeps a real mouse
// working when a driver never reports the pen leaving.
bool isSynthesised(const QMouseEvent *event)
{
    return event->source() != Qt::MouseEventNotSynthesized;
}
} // namespace

void Canvas::mousePressEvent(QMouseEvent *event)
{
    if (!page || (penInProximity && isSynthesised(event)) ||
        (touchDrivesSteps && isSynthesised(event))) {
        event->accept();
        return;
    }
    setFocus(Qt::OtherFocusReason);
    if (event->button() == Qt::LeftButton) {
        double pressure = touchActive ? touchPressure : -1.0;
        pointerGlobal = event->globalPos();
        beginAction(event->pos(), event->localPos(), &pressure);
    }
    event->setAccepted(!(property && property->paintTool == 0 && !edgeDragging));
}

void Canvas::mouseMoveEvent(QMouseEvent *event)
{
    if (!page || (penInProximity && isSynthesised(event)) ||
        (touchDrivesSteps && isSynthesised(event))) {
        event->accept();
        return;
    }
    double pressure = touchActive ? touchPressure : -1.0;
    pointerGlobal = event->globalPos();
    continueAction(event->pos(), event->localPos(), &pressure);
    event->setAccepted(!(property && property->paintTool == 0 && !edgeDragging));
}

void Canvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (!page || (penInProximity && isSynthesised(event)) ||
        (touchDrivesSteps && isSynthesised(event))) {
        event->accept();
        return;
    }
    const bool dragging = edgeDragging;
    if (event->button() == Qt::LeftButton) {
        pointerGlobal = event->globalPos();
        endAction(event->pos(), event->localPos());
        touchActive = false;
        touchPressure = 0.0;
    }
    event->setAccepted(!(property && property->paintTool == 0 && !dragging));
}

void Canvas::tabletEvent(QTabletEvent *event)
{
    if (!page) {
        event->accept();
        return;
    }
    const bool dragging = edgeDragging;
    double pressure = recordedPressure(event->pressure());
    pointerGlobal = event->globalPosF();
    switch (event->type()) {
        case QEvent::TabletPress:
            setFocus(Qt::OtherFocusReason);
            beginAction(event->pos(), event->posF(), &pressure);
            break;
        case QEvent::TabletMove:
            if (tracking && edgeDragging) {
                const qint64 t = now();
                if (t - lastTabletMoveTime <= edgeDragTabletInterval)
                    break;
                lastTabletMoveTime = t;
            }
            continueAction(event->pos(), event->posF(), &pressure);
            break;
        case QEvent::TabletRelease:
            endAction(event->pos(), event->posF());
            break;
        default:
            break;
    }
    event->setAccepted(!(property && property->paintTool == 0 && !dragging && !edgeDragging));
}

bool Canvas::event(QEvent *event)
{
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel: {
            auto *touch = static_cast<QTouchEvent *>(event);
            const bool dragging = edgeDragging;
            const QList<QTouchEvent::TouchPoint> &points = touch->touchPoints();
            if (!points.isEmpty()) {
                const bool hasPressure =
                    touch->device() &&
                    touch->device()->capabilities().testFlag(QTouchDevice::Pressure);
                touchPressure = hasPressure ? recordedPressure(points.first().pressure()) : -1.0;
            }
            const bool wanted = (property && property->paintTool != 0) || edgeDragging;
            // Once the touch is accepted no mouse events are made from it: the primary point
            // drives the steps itself.
            if (page && !points.isEmpty() && wanted) {
                const QTouchEvent::TouchPoint &point = points.first();
                const QPointF pos = point.pos();
                double pressure = touchPressure;
                pointerGlobal = point.screenPos();
                if (event->type() == QEvent::TouchBegin) {
                    touchActive = true;
                    touchDrivesSteps = true;
                    setFocus(Qt::OtherFocusReason);
                    beginAction(pos.toPoint(), pos, &pressure);
                } else if (event->type() == QEvent::TouchUpdate) {
                    continueAction(pos.toPoint(), pos, &pressure);
                } else {
                    endAction(pos.toPoint(), pos);
                    touchActive = false;
                    touchDrivesSteps = false;
                    touchPressure = 0.0;
                }
            } else if (event->type() == QEvent::TouchBegin) {
                touchActive = true;
            } else if (event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel) {
                touchActive = false;
            }
            event->setAccepted(wanted || dragging);
            return true;
        }
        default:
            return QWidget::event(event);
    }
}

// The three steps ---------------------------------------------------------------------------------

QPointF Canvas::globalPointOf(const QPointF &pos)
{
    // The event's own global position; a direct call (no event) maps the widget position.
    QPointF at = pointerGlobal.isNull() ? QPointF(mapToGlobal(QPoint(0, 0))) + pos : pointerGlobal;
    pointerGlobal = QPointF();
    return at;
}

void Canvas::paintAndRepaint(const QRect &rect)
{
    paintCurrentAction(rect);
    repaint(rect);
}

QRect Canvas::eraserRectAt(const QPointF &pos, int level) const
{
    const QSize size = eraserSize(level) * zoomFactor;
    return QRect(pos.toPoint(), size).adjusted(-5, -5, 5, 5);
}

void Canvas::beginAction(QPoint p, QPointF pos, double *pressure)
{
    const QPointF global = globalPointOf(pos);
    if (!page)
        return;
    pressPosition = global;
    livePoints.clear();
    const int tool = property ? property->paintTool : 0;

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

    if (tracking && edgeUnderPointer != -1) {
        beginEdgeDrag(global);
        return;
    }
    if (consumed) {
        strokeInProgress = false;
        edgeDragging = false;
        return;
    }
    strokeInProgress = true;
    pressTime = now();
    beginToolAction(tool, p, pos, pressure ? *pressure : -1.0);
}

void Canvas::beginToolAction(int tool, const QPoint &p, const QPointF &pos, double pressure)
{
    if (tool == PaintTool::Mouse)
        return;
    // A click beside an unfinished figure adds its next point: the figure keeps its one action.
    CanvasPointFigure *figure = nullptr;
    if (tool == PaintTool::Polyline)
        figure = items.connectedLine;
    else if (tool == PaintTool::FreeCurve)
        figure = items.freeCurve;
    if (figure && !figure->isHidden() && !figure->isComplete() &&
        PageHistory::openLastActionOfType(page->history, tool)) {
        figure->addPoint(pos, false);
        return;
    }
    const QPointF q = mapToPage(pos);
    const int mirrored = orientation.isMirrored() ? 1 : 0;
    const PaintProperty &prop = *property;
    QList<PaintData *> &history = page->history;
    const QVector<QPointF> sixInvalid(6, invalidPointF);

    // The items forget the keys when they are reset; the canvas still counts them as held.
    shareHeldKeys();
    auto *action = new PaintData(this);
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
            FreehandAction::begin(action, q, pressure, prop, orientation.leftSide(),
                                  orientation.topSide(), minimumPenWidth);
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
            if (prop.shapeType == 9)
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
            items.textBox->beginEditing(pos, qRound(width() - pos.x()),
                                        TextStyle::fromPaintProperty(property), zoomFactor);
            action->value2 = mirrored;
            action->color = prop.textFrameColor;
            action->color2 = prop.textBackColor;
            action->points << mapToPage(items.textBox->topLeft())
                           << mapToPage(QPointF(items.textBox->bottomRight().x(),
                                                items.textBox->topLeft().y()))
                           << mapToPage(items.textBox->bottomRight());
            break;
        case PaintTool::Stamp: {
            const QPixmap stamp =
                prop.stampName.isEmpty() ? QPixmap() : StampStore::pixmap(prop.stampName);
            if (stamp.isNull()) {
                delete action;
                return;
            }
            // On screen the stamp takes its pixel size at the zoom, on the page its pixel size.
            const QSizeF size = QSizeF(stamp.size()) * zoomFactor;
            action->value2 = mirrored;
            action->points << q << mapToPage(pos + QPointF(size.width(), 0))
                           << mapToPage(pos + QPointF(size.width(), size.height()));
            action->text = prop.stampName;
            livePoints << pos;
            // A new stamp ends the redo branch at once, as every other new drawing does.
            dropUndone = true;
            break;
        }
        default:
            delete action;
            return;
    }
    PageHistory::beginAction(history, action, dropUndone);

    switch (tool) {
        case PaintTool::Pencil:
        case PaintTool::Pen:
            paintCurrentAction(QRect(p - QPoint(5, 5), p + QPoint(5, 5)));
            update(QRect(p - QPoint(5, 5), p + QPoint(5, 5)));
            break;
        case PaintTool::Eraser: {
            const QRect r = eraserRectAt(pos, prop.eraserSize);
            paintCurrentAction(r);
            update(r);
            break;
        }
        case PaintTool::Polyline:
            items.connectedLine->setZoom(zoomFactor);
            items.connectedLine->setPolylineStyle(PolylineStyle::fromPaintProperty(property));
            items.connectedLine->addPoint(pos, false);
            break;
        case PaintTool::FreeCurve:
            items.freeCurve->setZoom(zoomFactor);
            items.freeCurve->setPenStyle(PenStyle::fromPaintProperty(property));
            items.freeCurve->addPoint(pos, false);
            break;
        default:
            break;
    }
    updateUndoRedoState();
}

void Canvas::continuePenStroke(PaintData *action, const QPointF &pos, double pressure)
{
    if (!FreehandAction::addPenPoint(action, mapToPage(pos), pressure, minimumPenWidth))
        return;
    livePoints << pos;
    const int n = action->points.size();
    if (n > 3 && (n - 1) % 3 == 1) {
        // A wide stroke reaches past the five pixels around its points.
        const int margin = 5 + qCeil(action->width * zoomFactor);
        paintAndRepaint(grownRect(boundingRectOfPoints(livePoints, n - 5, n - 2), margin));
    }
}

void Canvas::continueAction(QPoint p, QPointF pos, double *pressure)
{
    const QPointF global = globalPointOf(pos);
    currentPosition = global;
    if (!strokeInProgress) {
        if (tracking)
            updateEdgeCursor(p);
        return;
    }
    if (tracking && edgeDragging) {
        dragEdgeTo(global, false);
        return;
    }
    if (!page)
        return;
    PaintData *action = PageHistory::openLastAction(page->history);
    if (!action)
        return;
    const int tool = property ? property->paintTool : 0;
    if (tool != action->type)
        return;
    const double pressureValue = pressure ? *pressure : -1.0;
    QPointF q = mapToPage(pos);
    QVector<QPointF> &points = action->points;
    switch (tool) {
        case PaintTool::Selection:
            if (q == points.at(0) || isEarly())
                return;
            points[1] = q;
            items.marquee->setFrameFromDrag(livePoints.at(0), pos);
            break;
        case PaintTool::Pencil:
        case PaintTool::Pen:
            continuePenStroke(action, pos, pressureValue);
            break;
        case PaintTool::Highlighter: {
            QPointF at = pos;
            if (shiftHeld && !livePoints.isEmpty())
                at.setY(livePoints.last().y());
            q = mapToPage(at);
            if ((!points.isEmpty() && q == points.last()) || isEarly())
                return;
            points << q;
            livePoints << at;
            const int n = livePoints.size();
            if ((n - 1) % 3 == 0) {
                const int m = qCeil(highlighterSize(action->width).height() * zoomFactor);
                paintAndRepaint(grownRect(boundingRectOfPoints(livePoints, n - 4, n - 1), m));
            }
            break;
        }
        case PaintTool::Eraser:
            if (!points.isEmpty() && q == points.last())
                return;
            points << q;
            paintAndRepaint(eraserRectAt(pos, action->width));
            break;
        case PaintTool::Line:
            if (q == points.at(2) || isEarly())
                return;
            points[3] = q;
            items.line->setPoints(livePoints.at(0), pos);
            break;
        case PaintTool::Shape:
            if (q == points.at(0) || isEarly())
                return;
            items.marquee->setFrameFromDrag(livePoints.at(0), pos);
            points[1] = q;
            writeMarqueeFrame(action);
            break;
        default:
            break;
    }
}

void Canvas::endAction(QPoint p, QPointF pos)
{
    const QPointF global = globalPointOf(pos);
    if (!strokeInProgress)
        return;
    strokeInProgress = false;
    if (edgeDragging) {
        dragEdgeTo(global, true);
        updateUndoRedoState();
        return;
    }
    if (!page)
        return;
    closeStroke(p, pos);
}

void Canvas::closeStroke(const QPoint &p, const QPointF &pos)
{
    PaintData *action = PageHistory::openLastAction(page->history);
    if (!action) {
        updateUndoRedoState();
        return;
    }
    const QVector<QPointF> &points = action->points;
    switch (action->type) {
        case PaintTool::Selection:
        case PaintTool::Shape:
            if (action->points.size() > 1 && points.at(0) != points.at(1) && !isEarly()) {
                items.marquee->setRotateHandleVisible(true);
            } else {
                PageHistory::removeAction(page->history, action);
                items.marquee->reset();
            }
            break;
        case PaintTool::Pencil:
        case PaintTool::Pen: {
            const int n = livePoints.size();
            // The steps after the last cubic piece are drawn now.
            const int first = n < 5 ? 0 : penPieceEnd(n);
            const int margin = 5 + qCeil(action->width * zoomFactor);
            QRectF r = boundingRectOfPoints(livePoints, first, n - 1);
            if (n == 0)
                r = QRectF(p, QSizeF(0, 0));
            paintAndRepaint(grownRect(r, margin));
            break;
        }
        case PaintTool::Highlighter:
            if (points.size() < 2) {
                highlight.fill(Qt::transparent);
                PageHistory::removeAction(page->history, action);
            } else {
                // The live painter drops the redo branch when it closes the stroke.
                const int m = qCeil(highlighterSize(action->width).height() * zoomFactor);
                const QPoint c = pos.toPoint();
                const QRectF tail = boundingRectOfPoints(
                    livePoints, highlighterTailStart(livePoints.size()), livePoints.size() - 1);
                paintAndRepaint(
                    grownRect(tail, m).united(QRect(c - QPoint(m, m), c + QPoint(m, m))));
            }
            break;
        case PaintTool::Eraser:
            paintAndRepaint(eraserRectAt(pos, action->width));
            break;
        case PaintTool::Line:
            if (points.size() == 4 && points.at(2) != points.at(3) && !isEarly()) {
                items.line->setEditable(true);
            } else {
                PageHistory::removeAction(page->history, action);
                items.line->reset();
            }
            break;
        case PaintTool::Stamp: {
            const QPixmap stamp = StampStore::pixmap(action->text);
            const QPointF at = livePoints.isEmpty() ? pos : livePoints.first();
            const QSizeF size = QSizeF(stamp.size()) * zoomFactor;
            paintAndRepaint(grownRect(QRectF(at, size), 5));
            break;
        }
        default:
            break;
    }
    updateUndoRedoState();
}

// Keys --------------------------------------------------------------------------------------------

void Canvas::keyPressEvent(QKeyEvent *event)
{
    if (!page) {
        event->accept();
        return;
    }
    if (handleKeyPress(event))
        return;
    if (canvasMode == SlideOverlay && canvasHost) {
        canvasHost->handleShortcutKey(event->key(), event->modifiers());
        event->accept();
    } else {
        event->ignore();
    }
}

void Canvas::keyReleaseEvent(QKeyEvent *event)
{
    if (!page) {
        event->accept();
        return;
    }
    if (!handleKeyRelease(event))
        event->ignore();
}

void Canvas::takeFocus()
{
    if (!items.textBox->isHidden())
        items.textBox->setEditing(true);
    else
        setFocus(Qt::OtherFocusReason);
}

void Canvas::resetKeyState()
{
    setFocus(Qt::OtherFocusReason);
    setCtrlPressed(false);
    setShiftPressed(false);
    updateCursor();
    updateUndoRedoState();
}
