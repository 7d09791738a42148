#include "toolbar/colorstrawer.h"

#include "drawing/toolcursors.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <cmath>

ColorStrawer::ColorStrawer(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    hint = new QLabel(QStringLiteral("Esc键或右键退出"), this);
    hint->setStyleSheet(
        QStringLiteral("QLabel{color:#666;border:1px solid #303030;background-color:#f0f0f0;}"));
    setMouseTracking(true);
    setFixedSize(idleSize);
    hide();
}

void ColorStrawer::start(const QImage &screen)
{
    screenImage = screen;
    if (screenImage.isNull()) {
        finish(QColor());
        return;
    }
    const QPixmap cursorPixmap = strawCursor();
    setCursor(QCursor(cursorPixmap, 0, cursorPixmap.height()));
    const qreal ratio = screenImage.devicePixelRatio();
    setFixedSize(QSize(int(std::lround(screenImage.width() / ratio)),
                       int(std::lround(screenImage.height() / ratio))));
    update();
    setFocus(Qt::OtherFocusReason);
    show();
    const QScreen *primary = QGuiApplication::primaryScreen();
    move(primary ? primary->geometry().topLeft() : QPoint(0, 0));
    // A frameless window gets no keyboard on X11 until it is activated; Esc must reach it.
    raise();
    activateWindow();
}

void ColorStrawer::finish(const QColor &color)
{
    hide();
    screenImage = QImage();
    setFixedSize(idleSize);
    emit colorStrawed(color);
}

QColor ColorStrawer::colorAt(const QPointF &position) const
{
    if (screenImage.isNull())
        return QColor();
    const qreal ratio = screenImage.devicePixelRatio();
    const QPoint pixel(qRound(position.x() * ratio), qRound(position.y() * ratio));
    if (!screenImage.valid(pixel))
        return QColor();
    QColor color = screenImage.pixelColor(pixel);
    color.setAlpha(255);
    return color;
}

void ColorStrawer::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        finish(colorAt(event->localPos()));
    } else if (event->button() == Qt::RightButton) {
        event->accept();
        finish(QColor());
    }
}

void ColorStrawer::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->localPos().toPoint();
    hint->move(p.x() + (hint->width() - 1) / 2, p.y() - (hint->height() - 1) / 2);
}

void ColorStrawer::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (event->key() == Qt::Key_Escape)
        finish(QColor());
}

void ColorStrawer::paintEvent(QPaintEvent *)
{
    if (!isVisible() || screenImage.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.drawImage(0, 0, screenImage);
}
