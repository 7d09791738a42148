#include "toolbar/colorsvdistribution.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

ColorSVDistribution::ColorSVDistribution(QSize size, QWidget *parent)
    : QLabel(parent)
{
    setFixedSize(size);
    markerSize = int(std::ceil(size.width() / 20.0));
}

QImage ColorSVDistribution::updateImage() const
{
    if (!color.isValid() || width() < 1 || height() < 1)
        return QImage();
    QLinearGradient across(0, 0, width() - 1, 0);
    across.setColorAt(0, QColor(255, 255, 255, 255));
    // A grey's hue of -1 makes the pure colour white, so a grey's picture has no hue at all.
    across.setColorAt(1, QColor::fromHsv(color.hue(), 255, 255, 255));
    QLinearGradient down(0, 0, 0, height() - 1);
    down.setColorAt(0, QColor(0, 0, 0, 0));
    down.setColorAt(1, QColor(0, 0, 0, 255));

    QImage result(width(), height(), QImage::Format_RGBA8888);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(result.rect(), across);
    painter.fillRect(result.rect(), down);
    return result;
}

void ColorSVDistribution::setColor(const QColor &newColor)
{
    if (!newColor.isValid() || newColor == color)
        return;
    color = newColor;
    picture = updateImage();
    markerX = 0;
    markerY = 0;
    if (!picture.isNull()) {
        const int saturation = color.saturation();
        const int value = color.value();
        int column = 0;
        while (column < picture.width() && picture.pixelColor(column, 0).saturation() < saturation)
            ++column;
        if (column < picture.width()) {
            int row = 0;
            while (row < picture.height() && picture.pixelColor(column, row).value() > value)
                ++row;
            markerX = column;
            markerY = std::min(row, picture.height() - 1);
        } else {
            markerX = picture.width() - 1;
            markerY = 0;
        }
    }
    update();
}

void ColorSVDistribution::mousePressEvent(QMouseEvent *event)
{
    if (picture.isNull())
        return;
    const QPoint p = event->localPos().toPoint();
    if (!picture.rect().contains(p))
        return;
    markerX = p.x();
    markerY = p.y();
    emit colorSVChanged(picture.pixelColor(p));
    update();
}

void ColorSVDistribution::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (!picture.isNull())
        painter.drawImage(0, 0, picture);
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRect(markerX - (markerSize - 1) / 2, markerY - (markerSize - 1) / 2,
                              markerSize, markerSize));
}
