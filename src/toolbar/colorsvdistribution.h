#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPoint>
#include <QSize>

// Every saturation and value of one hue: white to the pure hue across, darkening to black
// downwards. A press reports the rendered pixel under it.
class ColorSVDistribution : public QLabel
{
    Q_OBJECT
public:
    ColorSVDistribution(QSize size, QWidget *parent);

    // Repaints for the colour's hue and places the marker without signalling.
    void setColor(const QColor &newColor);
    QImage updateImage() const;
    QPoint markerPosition() const { return QPoint(markerX, markerY); }
    QImage image() const { return picture; }

signals:
    void colorSVChanged(const QColor &color);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor color;
    QImage picture;
    int markerX = 0;
    int markerY = 0;
    int markerSize = 0;
};
