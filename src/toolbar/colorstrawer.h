#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QWidget>

class QLabel;

// The eyedropper: covers the primary screen with a frozen picture of it and reports the colour
// of the pixel the user presses. An invalid colour means that nothing was picked.
class ColorStrawer : public QWidget
{
    Q_OBJECT
public:
    explicit ColorStrawer(QWidget *parent);

    // A picture with a device pixel ratio above 1 (a HiDPI grab) is sampled at the press
    // position times that ratio.
    void start(const QImage &screen);
    void finish(const QColor &color);
    bool isPicking() const { return !screenImage.isNull(); }
    QLabel *hintLabel() const { return hint; }

signals:
    void colorStrawed(const QColor &color);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor colorAt(const QPointF &position) const;

    const QSize idleSize{10, 10};
    QImage screenImage;
    QLabel *hint = nullptr;
};
