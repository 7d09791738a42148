#include "items/canvasitem.h"

#include <QShowEvent>

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
