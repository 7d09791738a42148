#include "items/canvasitem.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTabletEvent>

#include "base/globals.h"
#include "items/itemgeometry.h"

void CanvasItem::coverArea(const QRectF &area)
{
    const QRect r = integralRect(area);
    if (!r.isValid())
        return;
    if (r == geometry())
        update();
    else
        setGeometry(r);
}

void CanvasItem::showEvent(QShowEvent *event)
{
    event->accept();
    emit showHideChanged(true);
}

void CanvasItem::hideEvent(QHideEvent *event)
{
    event->accept();
    emit showHideChanged(false);
}

void CanvasItem::pointerPressed(const QPointF &, bool) {}

void CanvasItem::pointerMoved(const QPointF &, bool) {}

void CanvasItem::pointerReleased(const QPointF &, bool) {}

void CanvasItem::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (!penInProximity && event->button() == Qt::LeftButton)
        pointerPressed(event->localPos(), false);
}

void CanvasItem::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (!penInProximity && event->button() == Qt::LeftButton)
        pointerReleased(event->localPos(), false);
}

void CanvasItem::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (!penInProximity)
        pointerMoved(event->localPos(), false);
}

void CanvasItem::tabletEvent(QTabletEvent *event)
{
    if (!takesPointer()) {
        event->ignore(); // on to the board, which draws with it
        return;
    }
    event->accept();
    switch (event->type()) {
        case QEvent::TabletPress:
            pointerPressed(event->posF(), true);
            break;
        case QEvent::TabletRelease:
            pointerReleased(event->posF(), true);
            break;
        case QEvent::TabletMove:
            if (isDragging() && !takePenMove(QDateTime::currentMSecsSinceEpoch(), &lastPenMove))
                break;
            pointerMoved(event->posF(), true);
            break;
        default:
            break;
    }
}
