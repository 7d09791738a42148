#include "items/canvasitem.h"

#include <QShowEvent>

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
