#include "drawing/paintdata.h"

PaintData::PaintData(QObject *parent)
    : QObject(parent)
{}

void PaintData::clear()
{
    active = false;
    type = 0;
    value1 = 0;
    value2 = 0;
    width = 0;
    style = 0;
    color.clear();
    color2.clear();
    text.clear();
    points.clear();
    values.clear();
    sourceFixed = false;
    closed = false;
}
