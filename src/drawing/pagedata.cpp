#include "drawing/pagedata.h"

#include "drawing/paintdata.h"

PageData::PageData(QObject *parent)
    : QObject(parent)
{}

PageData::~PageData()
{
    qDeleteAll(history);
}

void PageData::clear()
{
    width = 0;
    height = 0;
    showExtension = QMargins();
    layerExtension = QMargins();
    background = QPixmap();
    for (PaintData *action : qAsConst(history)) {
        action->clear();
        delete action;
    }
    history.clear();
    pastedImages.clear();
    note.clear();
}
