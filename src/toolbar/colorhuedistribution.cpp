#include "toolbar/colorhuedistribution.h"

#include "base/uimetrics.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <cmath>

ColorHueDistribution::ColorHueDistribution(QSize size, QWidget *parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    handleMargin = int(std::ceil(size.height() * 0.2));
    stripMargin = spacingUnit();
    lastHandlePosition = size.width() - handleMargin - 1;
    stripSize = QSize(size.width() - 2 * handleMargin, size.height() - 2 * stripMargin);
    stripImage = createHuePixmap(stripSize).toImage();

    handle = new QPushButton(this);
    handle->setFixedSize(2 * handleMargin, size.height());
    handle->setStyleSheet(
        QStringLiteral("QPushButton{border:1px solid "
                       "#c0c0c0;background-color:#fdfdfd;}"));
    handle->installEventFilter(this);
    setFixedSize(size);
}

QPixmap ColorHueDistribution::createHuePixmap(QSize size)
{
    if (size.width() < 1 || size.height() < 1)
        return QPixmap();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QLinearGradient gradient(0, 0, size.width(), 0);
    gradient.setColorAt(0.0, QColor(255, 0, 0));
    gradient.setColorAt(1.0 / 6, QColor(255, 255, 0));
    gradient.setColorAt(2.0 / 6, QColor(0, 255, 0));
    gradient.setColorAt(3.0 / 6, QColor(0, 255, 255));
    gradient.setColorAt(4.0 / 6, QColor(0, 0, 255));
    gradient.setColorAt(5.0 / 6, QColor(255, 0, 255));
    gradient.setColorAt(1.0, QColor(255, 0, 0));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRect(pixmap.rect());
    return pixmap;
}

void ColorHueDistribution::setColor(const QColor &color)
{
    const int target = color.hue();
    const int width = stripImage.width();
    int column = 0;
    while (column < width && stripImage.pixelColor(column, 0).hue() < target)
        ++column;
    if (column >= width)
        column = std::max(0, width - 1);
    moveHandleTo(handleMargin + column, false);
}

void ColorHueDistribution::moveHandleTo(int x, bool emitSignal)
{
    const int centre = x > lastHandlePosition ? lastHandlePosition : std::max(x, handleMargin);
    handle->move(centre - (handle->width() - 1) / 2, 0);
    const int column = centre - handleMargin;
    if (column < 0 || column >= stripImage.width() || stripImage.height() < 1)
        return;
    const QColor color = stripImage.pixelColor(column, 0);
    if (color == current)
        return;
    current = color;
    if (emitSignal)
        emit colorHueChanged(color);
}

bool ColorHueDistribution::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != handle)
        return QLabel::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            // The left button starts and ends a drag of the handle.
            if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
                break;
            dragging = event->type() == QEvent::MouseButtonPress;
            event->accept();
            return true;
        }
        case QEvent::MouseMove: {
            if (!dragging)
                break;
            auto *mouse = static_cast<QMouseEvent *>(event);
            const QPoint inBar = handle->mapToParent(mouse->localPos().toPoint());
            moveHandleTo(inBar.x(), true);
            event->accept();
            return true;
        }
        default:
            break;
    }
    return QLabel::eventFilter(watched, event);
}

void ColorHueDistribution::mousePressEvent(QMouseEvent *event)
{
    moveHandleTo(qRound(event->localPos().x()), true);
}

void ColorHueDistribution::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.drawImage(handleMargin, stripMargin, stripImage);
}
