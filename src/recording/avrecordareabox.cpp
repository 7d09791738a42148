#include "recording/avrecordareabox.h"

#include <QPainter>
#include <QRegion>

#include "base/uimetrics.h"

AVRecordAreaBox::AVRecordAreaBox(QWidget *parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

QVector<QLine> AVRecordAreaBox::bracketLines(const QSize &size, int arm, int borderWidth)
{
    const int w = size.width();
    const int h = size.height();
    const int c = borderWidth / 2;
    const int l = arm;
    return {QLine(c, c, l, c),
            QLine(c, c, c, l),
            QLine(w - l, c, w - c, c),
            QLine(w - c, c, w - c, l),
            QLine(w - c, h - l, w - c, h - c),
            QLine(w - c, h - c, w - l, h - c),
            QLine(l, h - c, c, h - c),
            QLine(c, h - c, c, h - l)};
}

void AVRecordAreaBox::setArea(const QRect &area)
{
    show();
    setGeometry(area.adjusted(-borderWidth, -borderWidth, borderWidth, borderWidth));
    // Square caps reach half the pen width beyond each end of a stroke.
    const int half = borderWidth / 2;
    QRegion mask;
    const QVector<QLine> lines = bracketLines(size(), titleBarButtonSize(), borderWidth);
    for (const QLine &line : lines) {
        const QRect stroke = QRect(line.p1(), line.p2()).normalized();
        mask += QRect(stroke.left() - half, stroke.top() - half, stroke.width() + 2 * half - 1,
                      stroke.height() + 2 * half - 1);
    }
    setMask(mask);
    update();
}

void AVRecordAreaBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), QColor(255, 255, 255, 0));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(
        QPen(QBrush(Qt::green), borderWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawLines(bracketLines(size(), titleBarButtonSize(), borderWidth));
}
