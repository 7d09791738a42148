#include "toolbar/slider.h"

#include <QApplication>
#include <QStyleFactory>

#include "toolbar/sliderstyle.h"

Slider::Slider(Qt::Orientation orientation, QWidget *parent)
    : QSlider(orientation, parent)
{
    // The proxy owns its base style, so it gets a fresh instance of the application's style:
    // wrapping QApplication::style() itself would hand it over and delete it with the slider.
    QStyle *base = QStyleFactory::create(QApplication::style()->objectName());
    if (!base)
        base = QStyleFactory::create("Fusion");
    jumpStyle = new SliderStyle(base);
    setStyle(jumpStyle);
}

Slider::~Slider()
{
    // The widget may still reach its style while it is torn down.
    jumpStyle->deleteLater();
}
