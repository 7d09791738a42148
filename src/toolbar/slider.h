#pragma once

#include <QSlider>

class SliderStyle;

// A slider whose handle jumps to the point of a left click.
class Slider : public QSlider
{
    Q_OBJECT
public:
    Slider(Qt::Orientation orientation, QWidget *parent = nullptr);
    ~Slider() override;

private:
    SliderStyle *jumpStyle = nullptr;
};
