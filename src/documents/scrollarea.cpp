#include "documents/scrollarea.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTabletEvent>
#include <QTouchEvent>
#include <QWheelEvent>
#include <QtMath>

#include "base/globals.h"
#include "base/uimetrics.h"
#include "drawing/arrowdirection.h"
#include "drawing/documentboard.h"

namespace {

// Pan steps come at most this often.
constexpr qint64 panIntervalMs = 30;

// A scroll bar on the document colour, its handle lit while hovered or pressed.
QString barStyle(Qt::Orientation orientation)
{
    const bool vertical = orientation == Qt::Vertical;
    const int u = spacingUnit();
    const QString arrow = QStringLiteral(
        "QScrollBar::%1-arrow{background:url(:/icon/direction/%1.png) center no-repeat;}");
    return QStringLiteral(
               "QScrollBar{padding-%1:%3;padding-%2:%3;background-color:%4;%5:%3;}"
               "QScrollBar::handle{min-%6:%7;background-color:%8;}"
               "QScrollBar::handle:hover{background-color:%9;}"
               "QScrollBar::sub-line{border:0;background-color:%9;}"
               "QScrollBar::add-line{border:0;background-color:%9;}")
               .arg(vertical ? QStringLiteral("top") : QStringLiteral("left"),
                    vertical ? QStringLiteral("bottom") : QStringLiteral("right"),
                    QString::number(4 * u), documentBackgroundColor().name(),
                    vertical ? QStringLiteral("width") : QStringLiteral("height"),
                    vertical ? QStringLiteral("height") : QStringLiteral("width"),
                    QString::number(6 * u), hoverBackgroundColor().name(),
                    checkedBackgroundColor().name()) +
           arrow.arg(vertical ? QStringLiteral("up") : QStringLiteral("left")) +
           arrow.arg(vertical ? QStringLiteral("down") : QStringLiteral("right"));
}

} // namespace

ScrollArea::ScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
    verticalScrollBar()->setStyleSheet(barStyle(Qt::Vertical));
    horizontalScrollBar()->setStyleSheet(barStyle(Qt::Horizontal));
    setAttribute(Qt::WA_AcceptTouchEvents);
}

void ScrollArea::scrollByDirection(int type)
{
    QScrollBar *bar = nullptr;
    bool back = false;
    switch (static_cast<ArrowDirection>(type)) {
        case ArrowDirection::Up:
            bar = verticalScrollBar();
            back = true;
            break;
        case ArrowDirection::Down:
            bar = verticalScrollBar();
            break;
        case ArrowDirection::Left:
            bar = horizontalScrollBar();
            back = true;
            break;
        case ArrowDirection::Right:
            bar = horizontalScrollBar();
            break;
    }
    if (bar)
        bar->triggerAction(back ? QAbstractSlider::SliderSingleStepSub
                                : QAbstractSlider::SliderSingleStepAdd);
}

int ScrollArea::pinchZoom(double lastSpread, double spread, double *value)
{
    if (lastSpread < 1.0 || spread == lastSpread)
        return ZoomDirection::None;
    if (spread < lastSpread) {
        *value = (lastSpread - spread) / lastSpread;
        return ZoomDirection::Smaller;
    }
    *value = (spread - lastSpread) / lastSpread;
    return ZoomDirection::Larger;
}

double ScrollArea::spreadOf(const QList<QPointF> &points)
{
    double length = 0.0;
    for (int i = 1; i < points.size(); ++i) {
        const QPointF d = points.at(i) - points.at(i - 1);
        length += qSqrt(d.x() * d.x() + d.y() * d.y());
    }
    return length;
}

void ScrollArea::startPanning(const QPointF &pos)
{
    savedHorizontal = horizontalScrollBar()->value();
    savedVertical = verticalScrollBar()->value();
    panning = true;
    pressX = qRound(pos.x());
    pressY = qRound(pos.y());
    emit blankClicked();
}

void ScrollArea::panTo(const QPointF &pos)
{
    if (!panning)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - lastMoveTime <= panIntervalMs)
        return;
    lastMoveTime = now;
    horizontalScrollBar()->setValue(savedHorizontal + pressX - qRound(pos.x()));
    verticalScrollBar()->setValue(savedVertical + pressY - qRound(pos.y()));
}

void ScrollArea::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (penInProximity || event->button() != Qt::LeftButton)
        return;
    // A new pan moves at once.
    lastMoveTime = 0;
    startPanning(event->localPos());
}

void ScrollArea::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (!penInProximity)
        panTo(event->localPos());
}

void ScrollArea::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (!penInProximity && event->button() == Qt::LeftButton)
        panning = false;
}

void ScrollArea::tabletEvent(QTabletEvent *event)
{
    event->accept();
    switch (event->type()) {
        case QEvent::TabletPress:
            lastMoveTime = 0;
            startPanning(event->posF());
            break;
        case QEvent::TabletMove:
            panTo(event->posF());
            break;
        case QEvent::TabletRelease:
            panning = false;
            break;
        default:
            break;
    }
}

bool ScrollArea::focusNextPrevChild(bool next)
{
    return QWidget::focusNextPrevChild(next);
}

void ScrollArea::wheelEvent(QWheelEvent *event)
{
    event->accept();
    const int delta = event->angleDelta().y();
    if (event->modifiers() & Qt::ControlModifier) {
        if (delta > 0)
            emit wheelZoomed(ZoomDirection::Larger);
        else if (delta < 0)
            emit wheelZoomed(ZoomDirection::Smaller);
        return;
    }
    if (delta == 0)
        return;
    const bool back = delta > 0;
    QScrollBar *bar = nullptr;
    if (verticalScrollBar()->isVisible())
        bar = verticalScrollBar();
    else if (horizontalScrollBar()->isVisible())
        bar = horizontalScrollBar();
    if (bar)
        bar->triggerAction(back ? QAbstractSlider::SliderSingleStepSub
                                : QAbstractSlider::SliderSingleStepAdd);
}

void ScrollArea::keyPressEvent(QKeyEvent *event)
{
    ArrowDirection direction = ArrowDirection::Up;
    switch (event->key()) {
        case Qt::Key_Up:
            direction = ArrowDirection::Up;
            break;
        case Qt::Key_Down:
            direction = ArrowDirection::Down;
            break;
        case Qt::Key_Left:
            direction = ArrowDirection::Left;
            break;
        case Qt::Key_Right:
            direction = ArrowDirection::Right;
            break;
        default:
            // Not ours: the window passes Ctrl, Shift and the rest on to the board.
            event->ignore();
            return;
    }
    event->accept();
    emit directionKeyPressed(int(direction));
}

void ScrollArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    horizontalScrollBar()->setSingleStep(qFloor(width() * 0.06));
    verticalScrollBar()->setSingleStep(qFloor(height() * 0.06));
    emit sizeChanged();
}

void ScrollArea::handleTouchUpdate(QTouchEvent *event)
{
    const QList<QTouchEvent::TouchPoint> &points = event->touchPoints();
    if (points.size() < 2)
        return;
    QList<QPointF> last;
    QList<QPointF> now;
    if (points.size() == 2) {
        last = {points.first().lastPos(), points.last().lastPos()};
        now = {points.first().pos(), points.last().pos()};
    } else {
        for (const QTouchEvent::TouchPoint &p : points) {
            last << p.lastPos();
            now << p.pos();
        }
    }
    double value = 0.0;
    const int type = pinchZoom(spreadOf(last), spreadOf(now), &value);
    if (type != ZoomDirection::None)
        emit touchZoomed(type, value);
}

bool ScrollArea::viewportEvent(QEvent *event)
{
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchEnd:
            event->accept();
            return true;
        case QEvent::TouchUpdate:
            event->accept();
            // A palm beside the pen near the screen does not zoom.
            if (!penInProximity)
                handleTouchUpdate(static_cast<QTouchEvent *>(event));
            return true;
        default:
            return QScrollArea::viewportEvent(event);
    }
}
