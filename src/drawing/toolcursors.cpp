#include "drawing/toolcursors.h"

#include <QPainter>
#include <QRadialGradient>
#include <QtMath>

#include "base/uimetrics.h"
#include "drawing/colorname.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"
#include "drawing/stampstore.h"

namespace {
QPixmap transparentPixmap(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap laserGlow(const QColor &color)
{
    const int side = cursorSize();
    QPixmap glow = transparentPixmap(QSize(side, side));
    QPainter painter(&glow);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor faint = color;
    faint.setAlpha(50);
    QColor strong = color;
    strong.setAlpha(150);
    QRadialGradient gradient(QPointF(side / 2.0, side / 2.0), side / 2.0);
    gradient.setColorAt(0, faint);
    gradient.setColorAt(0.2, faint);
    gradient.setColorAt(0.5, strong);
    gradient.setColorAt(1, faint);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawEllipse(glow.rect());
    return glow;
}

// base drawn at (0, 0) with overlay's top-left at base's integer centre.
QPixmap overlayAtCentre(const QPixmap &base, const QPixmap &overlay, QPoint *centre = nullptr)
{
    const QPoint c = base.rect().center();
    const QSize size(qMax(base.width(), c.x() + overlay.width()),
                     qMax(base.height(), c.y() + overlay.height()));
    QPixmap result = transparentPixmap(size);
    QPainter painter(&result);
    painter.drawPixmap(0, 0, base);
    painter.drawPixmap(c, overlay);
    painter.end();
    if (centre)
        *centre = c;
    return result;
}
} // namespace

QPixmap highlighterCursor(int level, const QString &color)
{
    const QSize size = highlighterSize(level);
    if (size.isEmpty())
        return QPixmap();
    QPixmap pixmap = transparentPixmap(size);
    const QColor fill = colorFromName(color);
    if (fill.isValid())
        pixmap.fill(fill);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int w = size.width();
    const int h = size.height();
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(0, 0, w, 0);
    painter.drawLine(0, 0, 0, h);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(1, 1, w, 1);
    painter.drawLine(1, 1, 1, h);
    return pixmap;
}

QPixmap eraserCursor(int level, int shape)
{
    const QSize size = eraserSize(level);
    if (size.isEmpty())
        return QPixmap();
    QPixmap pixmap = transparentPixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QBrush(Qt::white, Qt::SolidPattern));
    painter.setPen(QPen(QColor(0, 0, 0, 150), 1));
    if (shape == EraserShape::Circle) {
        painter.drawEllipse(QRectF(pixmap.rect()).adjusted(1, 1, -1, -1));
    } else {
        // Half a pixel inside so that all four edges of the outline show.
        painter.drawRect(QRectF(pixmap.rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    return pixmap;
}

QPixmap penCursor(const QPixmap &icon, const QColor &color, bool laser, int &hotSpot)
{
    hotSpot = 0;
    if (icon.isNull())
        return QPixmap();
    const QPixmap scaled = icon.scaledToWidth(cursorSize(), Qt::SmoothTransformation);
    if (!laser)
        return scaled;
    QPoint centre;
    const QPixmap result = overlayAtCentre(laserGlow(color), scaled, &centre);
    hotSpot = centre.x();
    return result;
}

QPixmap strawCursor()
{
    return QPixmap(QStringLiteral(":/icon/cursor/straw.png"))
        .scaledToWidth(cursorSize(), Qt::SmoothTransformation);
}

QPixmap stampCursor(const QString &stampName, const QString &pointerName, const double &zoom)
{
    QPixmap pointer;
    if (!pointerName.isEmpty())
        pointer = StampStore::pixmap(pointerName);
    if (pointer.isNull()) {
        pointer = QPixmap(QStringLiteral(":/icon/stamp/stamp_mouse.png"))
                      .scaledToWidth(cursorSize(), Qt::SmoothTransformation);
    }
    if (stampName.isEmpty())
        return pointer;
    QPixmap stamp = StampStore::pixmap(stampName);
    if (stamp.isNull())
        return pointer;
    const double scale = zoom > 0 ? zoom : 1.0;
    const QSize size(qCeil(stamp.width() * scale), qCeil(stamp.height() * scale));
    if (size.isEmpty())
        return pointer;
    QPixmap translucent = transparentPixmap(size);
    {
        QPainter painter(&translucent);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(translucent.rect(), stamp);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.fillRect(translucent.rect(), QColor(0, 0, 0, 150));
    }
    return overlayAtCentre(translucent, pointer);
}

namespace {
// A cursor picture scaled to its size at the zoom, each side rounded, aspect ratio ignored.
QPixmap zoomedCursor(const QPixmap &pixmap, double zoom)
{
    if (pixmap.isNull())
        return pixmap;
    const QSize size(qMax(1, qRound(pixmap.width() * zoom)),
                     qMax(1, qRound(pixmap.height() * zoom)));
    return pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
} // namespace

QCursor toolCursor(const PaintProperty *property, double zoom)
{
    if (!property) {
        return QCursor(Qt::ArrowCursor);
    }
    const int tool = property->paintTool;
    const QString &pointerName = property->stampTeacherPointer;
    if (!pointerName.isEmpty()) {
        QPixmap pointer = StampStore::pixmap(pointerName);
        if (!pointer.isNull()) {
            if (tool == PaintTool::Stamp && !property->stampName.isEmpty()) {
                return QCursor(stampCursor(property->stampName, pointerName, zoom), 0, 0);
            }
            {
                QPainter painter(&pointer);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setPen(Qt::NoPen);
                painter.setBrush(QColor(Qt::red));
                painter.drawEllipse(QRectF(0, 0, 4, 4));
                painter.end();
                return QCursor(pointer, 0, 0);
            }
        }
    }
    switch (tool) {
        case PaintTool::Selection:
        case PaintTool::Line:
        case PaintTool::Shape:
            return QCursor(Qt::CrossCursor);
        case PaintTool::Pencil:
        case PaintTool::Pen: {
            const QPixmap icon(tool == PaintTool::Pencil
                                   ? QStringLiteral(":/icon/cursor/pencil-cursor.png")
                                   : QStringLiteral(":/icon/cursor/pen-cursor.png"));
            int hotSpot = 0;
            const QPixmap picture =
                penCursor(icon, colorFromName(property->foreColor), property->hasPenLaser, hotSpot);
            return QCursor(picture, hotSpot, hotSpot);
        }
        case PaintTool::Highlighter:
            return QCursor(
                zoomedCursor(highlighterCursor(property->highlightSize, property->foreColor), zoom),
                0, 0);
        case PaintTool::Eraser:
            return QCursor(
                zoomedCursor(eraserCursor(property->eraserSize, property->eraserShape), zoom), 0,
                0);
        case PaintTool::Polyline:
        case PaintTool::FreeCurve:
            return QCursor(Qt::PointingHandCursor);
        case PaintTool::TextBox:
            return QCursor(Qt::IBeamCursor);
        case PaintTool::Stamp:
            return QCursor(stampCursor(property->stampName, QString(), zoom), 0, 0);
        default:
            return QCursor(Qt::ArrowCursor);
    }
}
