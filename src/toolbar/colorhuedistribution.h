#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QSize>

class QPushButton;

// A horizontal hue strip with a draggable handle. Colours come from the painted strip itself,
// so a position and its colour always agree with what the user sees.
class ColorHueDistribution : public QLabel
{
    Q_OBJECT
public:
    ColorHueDistribution(QSize size, QWidget *parent);

    // Moves the handle to the colour's hue without signalling.
    void setColor(const QColor &color);
    void moveHandleTo(int x, bool emitSignal);
    QColor currentColor() const { return current; }
    QPushButton *handleButton() const { return handle; }

    static QPixmap createHuePixmap(QSize size);

signals:
    void colorHueChanged(const QColor &color);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int handleMargin = 0;
    int stripMargin = 0;
    int lastHandlePosition = 0;
    QSize stripSize;
    QImage stripImage;
    QColor current;
    QPushButton *handle = nullptr;
    bool dragging = false;
};
