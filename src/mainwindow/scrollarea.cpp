#include "mainwindow/scrollarea.h"

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

namespace {

// Pan steps come at most this often.
constexpr qint64 panIntervalMs = 30;

QString verticalBarStyle()
{
    const int u = spacingUnit();
    const QString track = documentBackgroundColor().name();
    const QString handle = hoverBackgroundColor().name();
    const QString active = checkedBackgroundColor().name();
    return QStringLiteral(
               "QScrollBar{padding-top:%1;padding-bottom:%1;background-color:%2;"
               "width:%1;}QScrollBar::handle{min-height:%3;background-color:%4;}"
               "QScrollBar::handle:hover{background-color:%5;}"
               "QScrollBar::sub-line{border:0;background-color:%5;}"
               "QScrollBar::add-line{border:0;background-color:%5;}"
               "QScrollBar::up-arrow{background:url(:/icon/direction/up.png) center "
               "no-repeat;}QScrollBar::down-arrow{background:url(:/icon/direction/"
               "down.png) center no-repeat;}")
        .arg(4 * u)
        .arg(track)
        .arg(6 * u)
        .arg(handle, active);
}

QString horizontalBarStyle()
{
    const int u = spacingUnit();
    const QString track = documentBackgroundColor().name();
    const QString handle = hoverBackgroundColor().name();
    const QString active = checkedBackgroundColor().name();
    return QStringLiteral(
               "QScrollBar{padding-left:%1;padding-right:%1;background-color:%2;"
               "height:%1;}QScrollBar::handle{min-width:%3;background-color:%4;}"
               "QScrollBar::handle:hover{background-color:%5;}"
               "QScrollBar::sub-line{border:0;background-color:%5;}"
               "QScrollBar::add-line{border:0;background-color:%5;}"
               "QScrollBar::left-arrow{background:url(:/icon/direction/left.png) "
               "center no-repeat;}QScrollBar::right-arrow{background:url(:/icon/"
               "direction/right.png) center no-repeat;}")
        .arg(4 * u)
        .arg(track)
        .arg(6 * u)
        .arg(handle, active);
}

} // namespace

ScrollArea::ScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
    verticalScrollBar()->setStyleSheet(verticalBarStyle());
    horizontalScrollBar()->setStyleSheet(horizontalBarStyle());
    setAttribute(Qt::WA_AcceptTouchEvents);
}

void ScrollArea::scrollByDirection(int type)
{
    switch (type) {
        case 1:
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case 2:
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case 3:
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case 4:
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        default:
            break;
    }
}

int ScrollArea::pinchZoom(double lastSpread, double spread, double *value)
{
    if (lastSpread < 1.0 || spread == lastSpread)
        return 0;
    if (spread < lastSpread) {
        *value = (lastSpread - spread) / lastSpread;
        return 2;
    }
    *value = (spread - lastSpread) / lastSpread;
    return 1;
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
            emit wheelZoomed(1);
        else if (delta < 0)
            emit wheelZoomed(2);
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
    switch (event->key()) {
        case Qt::Key_Left:
            event->accept();
            emit directionKeyPressed(3);
            return;
        case Qt::Key_Up:
            event->accept();
            emit directionKeyPressed(1);
            return;
        case Qt::Key_Right:
            event->accept();
            emit directionKeyPressed(4);
            return;
        case Qt::Key_Down:
            event->accept();
            emit directionKeyPressed(2);
            return;
        default:
            // Not ours: the window passes Ctrl, Shift and the rest on to the board.
            event->ignore();
            return;
    }
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
    if (type != 0)
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
