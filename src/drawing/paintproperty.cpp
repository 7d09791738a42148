#include "drawing/paintproperty.h"

#include <QFont>
#include <QGuiApplication>

PaintProperty::PaintProperty(QObject *parent)
    : QObject(parent)
{
    fontFamily = QGuiApplication::font().family();
}
