#include "items/canvasline.h"

#include <QPainter>
#include <QtMath>

#include "base/uimetrics.h"
#include "drawing/colorname.h"
#include "drawing/geometry.h"
#include "items/itemgeometry.h"
#include "items/linedecorations.h"

CanvasLine::CanvasLine(QWidget *parent)
    : DraggedItem(parent)
{
    handleSize = fiveMillimetresInPixels();
    setMouseTracking(true);
    setAttribute(Qt::WA_TabletTracking);
    hide();
}

void CanvasLine::setPoints(const QPointF &startPoint, const QPointF &endPoint)
{
    start = startPoint;
    end = shiftHeld ? snapToAxis(endPoint, startPoint) : endPoint;
    updateGeometryFromPoints();
    if (isHidden())
        show();
}

void CanvasLine::setZoom(double value)
{
    if (value > 0)
        zoom = value;
}

void CanvasLine::setLineStyle(const LineStyle &value)
{
    style = value;
    updateGeometryFromPoints();
}

void CanvasLine::nudge(int direction)
{
    if (!isHidden())
        nudgeAsDrag(direction, OnLine);
}

void CanvasLine::reset()
{
    zoom = 1.0;
    editable = false;
    start = end = dragOriginStart = dragOriginEnd = QPointF();
    itemRect = QRectF();
    shiftHeld = false;
    hitCode = Outside;
    pressPosition = dragPosition = QPointF();
    dragging = false;
    lastPenMove = 0;
    if (!isHidden())
        hide();
}

bool CanvasLine::isValid() const
{
    if (!(itemRect.width() > 0 && itemRect.height() > 0))
        return false;
    const QRect r = integralRect(itemRect);
    if (r.width() <= 0 || r.height() <= 0)
        return false;
    return !(qFuzzyCompare(start.x(), end.x()) && qFuzzyCompare(start.y(), end.y()));
}

void CanvasLine::updateGeometryFromPoints()
{
    itemRect = paddedLineRect(start, end, style.lineWidth, zoom);
    coverArea(itemRect);
}

int CanvasLine::hitTest(const QPointF &position) const
{
    const double s = handleSize * zoom;
    const QPointF offset = pos();
    auto square = [s](const QPointF &centre) {
        return QRectF(centre.x() - s / 2, centre.y() - s / 2, s, s);
    };
    if (square(start - offset).contains(position))
        return StartHandle;
    if (square(end - offset).contains(position))
        return EndHandle;
    if (isNearLine(position, s))
        return OnLine;
    return Outside;
}

bool CanvasLine::isNearLine(const QPointF &position, double s) const
{
    const QPointF a = start - pos(), b = end - pos();
    const QLineF segment(a, b);
    const double angle = segment.angle();
    // Turn the segment and the point about the start so that the segment lies along x.
    const QPointF turnedEnd = a + QPointF(segment.length(), 0);
    const QPointF turnedPoint = a + turnedVector(position - a, -angle);
    const QRectF band = QRectF(a, turnedEnd).normalized().adjusted(-s / 2, -s / 2, s / 2, s / 2);
    return band.contains(turnedPoint);
}

void CanvasLine::updateCursor(const QPointF &position)
{
    const int code = hitTest(position);
    if (code == hitCode)
        return;
    hitCode = code;
    switch (code) {
        case StartHandle:
        case EndHandle:
            setCursor(Qt::SizeVerCursor);
            break;
        case OnLine:
            setCursor(Qt::SizeAllCursor);
            break;
        default:
            setCursor(Qt::CrossCursor);
            break;
    }
}

QPointF CanvasLine::toParent(const QPointF &widgetPosition) const
{
    return QPointF(mapToParent(widgetPosition.toPoint()));
}

void CanvasLine::beginDrag(const QPointF &widgetPosition)
{
    // Touch and pen presses come without a hover before them: test the press point itself.
    updateCursor(widgetPosition);
    if (hitCode == Outside) {
        emit lineBlankClicked();
        return;
    }
    pressPosition = dragPosition = toParent(widgetPosition);
    dragging = true;
    keepDragOrigin();
}

void CanvasLine::keepDragOrigin()
{
    dragOriginStart = start;
    dragOriginEnd = end;
}

void CanvasLine::dragTo()
{
    switch (hitCode) {
        case OnLine: {
            QPointF to = dragPosition;
            if (shiftHeld)
                to = snapToAxis(to, pressPosition);
            const QPointF delta = to - pressPosition;
            start = dragOriginStart + delta;
            end = dragOriginEnd + delta;
            break;
        }
        case EndHandle:
            end = shiftHeld ? snapToAxis(dragPosition, start) : dragPosition;
            break;
        case StartHandle:
            start = shiftHeld ? snapToAxis(dragPosition, end) : dragPosition;
            break;
        default:
            return;
    }
    updateGeometryFromPoints();
}

void CanvasLine::pointerPressed(const QPointF &position, bool)
{
    if (editable)
        beginDrag(position);
}

void CanvasLine::pointerReleased(const QPointF &, bool)
{
    if (editable)
        dragging = false;
}

void CanvasLine::pointerMoved(const QPointF &position, bool)
{
    if (!editable)
        return;
    if (!dragging) {
        updateCursor(position);
        return;
    }
    dragPosition = toParent(position);
    if (isVisible())
        dragTo();
}

QPixmap CanvasLine::renderForWidget() const
{
    const double z = zoom > 0 ? zoom : 1.0;
    const QPixmap pixmap = renderToPixmap(style, start / z, end / z);
    if (pixmap.isNull())
        return pixmap;
    return pixmap.scaled(width(), height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void CanvasLine::paintEvent(QPaintEvent *)
{
    if (!isVisible())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPixmap line = renderForWidget();
    if (!line.isNull())
        painter.drawPixmap(0, 0, line);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::white);
    for (const QPointF &p : {start - pos(), end - pos()})
        painter.drawEllipse(p, 3.0, 3.0);
}

QPixmap CanvasLine::renderToPixmap(const LineStyle &style, const QPointF &start, const QPointF &end)
{
    if (style.lineWidth <= 0 || isNoColor(style.color))
        return QPixmap();
    const QRectF r = paddedLineRect(start, end, style.lineWidth, 1.0);
    const QPointF localStart = start - r.topLeft(), localEnd = end - r.topLeft();
    QPixmap pixmap(qRound(r.width()), qRound(r.height()));
    if (pixmap.isNull())
        return QPixmap();
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colorFromName(style.color), style.lineWidth,
                            penStyleOf(style.lineStyle), Qt::RoundCap, Qt::BevelJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawLine(localStart, localEnd);
    }
    if (style.hasLineDegree)
        drawLineTicks(&pixmap, localStart, localEnd, style.lineWidth, style.arrowStyle, style.color,
                      true);
    if (style.arrowStyle != 0)
        drawArrowheads(&pixmap, localStart, localEnd, style.lineWidth, style.arrowStyle,
                       style.color);
    return pixmap;
}
