#include "items/canvaspointfigure.h"
#include "items/itemgeometry.h"

#include "base/uimetrics.h"
#include "drawing/colorname.h"
#include "drawing/pointerposition.h"
#include "drawing/stylerecords.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int previewInterval = 30;
} // namespace

void CanvasPointFigure::keepSnap(const QPointF &c, QLineF horizontal, QLineF vertical,
                                 const QPointF &marker)
{
    if (isGuideSet(horizontal))
        horizontal.setP1(c);
    if (isGuideSet(vertical))
        vertical.setP1(c);
    horizontalGuide = horizontal;
    verticalGuide = vertical;
    snapMarker = marker;
}

CanvasPointFigure::CanvasPointFigure(QWidget *parent)
    : CanvasItem(parent)
    , handleSize(fiveMillimetresInPixels())
    , pointHandleSize(2.0 * pixelsPerMillimetre())
    , selected(invalidPointF)
    , preview(invalidPointF)
    , snapMarker(invalidPointF)
{
    previewTimer.setInterval(previewInterval);
    connect(&previewTimer, &QTimer::timeout, this, &CanvasPointFigure::trackCursor);
    hide();
}

void CanvasPointFigure::addPoint(const QPointF &position, bool previewOnly)
{
    if (isComplete())
        return;
    placePoint(position, previewOnly);
}

void CanvasPointFigure::setZoom(double value)
{
    if (value > 0)
        zoom = value;
}

void CanvasPointFigure::finish(bool dropPreview)
{
    finished = true;
    previewTimer.stop();
    if (dropPreview)
        preview = invalidPointF;
    updateItemGeometry();
}

void CanvasPointFigure::removeLastPoint()
{
    if (pointList.size() <= 1)
        return;
    pointList.removeLast();
    selected = pointList.last();
    updateItemGeometry();
}

void CanvasPointFigure::nudge(int direction)
{
    if (!isVisible() || !isComplete())
        return;
    QPointF step;
    if (!nudgeStep(direction, &step))
        return;
    for (QPointF &point : pointList)
        point += step;
    if (selected != invalidPointF)
        selected += step;
    updateItemGeometry();
}

void CanvasPointFigure::reset()
{
    pointList.clear();
    zoom = 1.0;
    selected = invalidPointF;
    preview = invalidPointF;
    horizontalGuide = QLineF();
    verticalGuide = QLineF();
    // A snap whose paint never came must not mark the next figure.
    forgetSnapMarks();
    itemRect = QRectF();
    closed = false;
    finished = false;
    lastPenMove = 0;
    pointDragging = false;
    draggedIndex = -1;
    itemDragging = false;
    dragWidgetOrigin = QPoint();
    dragPressPosition = QPoint();
    dragPixmap = QPixmap();
    previewTimer.stop();
    hide();
}

void CanvasPointFigure::trackCursor()
{
    const QPoint position = mapToParent(mapFromGlobal(pointerPosition()));
    if (!isComplete())
        placePoint(position, true);
}

bool CanvasPointFigure::isValid() const
{
    if (itemRect.width() <= 0 || itemRect.height() <= 0 || pointList.size() <= 1)
        return false;
    const QRect integral = integralRect(itemRect);
    return integral.width() > 0 && integral.height() > 0;
}

int CanvasPointFigure::pointAt(const QPointF &position) const
{
    const double half = pointHandleSize / 2;
    for (int i = pointList.size() - 1; i >= 0; --i) {
        const QPointF &p = pointList.at(i);
        if (QRectF(p.x() - half, p.y() - half, pointHandleSize, pointHandleSize).contains(position))
            return i;
    }
    return -1;
}

void CanvasPointFigure::alignToPoint(QPointF &c, const QPointF &p, double tolerance,
                                     QLineF &horizontal, QLineF &vertical)
{
    if (p.x() - tolerance <= c.x() && c.x() <= p.x() + tolerance) {
        c.setX(p.x());
        vertical = QLineF(c, p);
    }
    if (p.y() - tolerance <= c.y() && c.y() <= p.y() + tolerance) {
        c.setY(p.y());
        horizontal = QLineF(c, p);
    }
}

QPointF CanvasPointFigure::alignToPoints(QPointF c, const QVector<QPointF> &points,
                                         double tolerance, QLineF &horizontal, QLineF &vertical,
                                         int skipA, int skipB)
{
    for (int i = 0; i < points.size(); ++i) {
        if (isGuideSet(horizontal) && isGuideSet(vertical))
            break;
        if (i == skipA || i == skipB)
            continue;
        alignToPoint(c, points.at(i), tolerance, horizontal, vertical);
    }
    // The guides run from where the point finally landed.
    if (isGuideSet(horizontal))
        horizontal.setP1(c);
    if (isGuideSet(vertical))
        vertical.setP1(c);
    return c;
}

void CanvasPointFigure::placePoint(const QPointF &position, bool previewOnly)
{
    if (pointList.isEmpty()) {
        pointList.append(position);
        selected = position;
        previewTimer.start();
    } else if (previewOnly) {
        const QPointF snapped = snapPoint(position);
        // A resting pointer costs no repaint; the marks on screen are still those of this snap.
        if (snapped == preview && isVisible())
            return;
        preview = snapped;
    } else {
        const int index = pointAt(position);
        const int count = pointList.size();
        if (index == -1) {
            // Before the first timer tick there is no preview yet: snap the click itself.
            const QPointF point = preview != invalidPointF ? preview : snapPoint(position);
            pointList.append(point);
            selected = point;
        } else if (count > 2 && index < count - 2) {
            closed = true;
            previewTimer.stop();
            pointList.append(pointList.at(index));
            selected = pointList.last();
            preview = invalidPointF;
        }
    }
    updateItemGeometry();
    if (isHidden())
        show();
}

void CanvasPointFigure::updateItemGeometry()
{
    itemRect = computeItemRect();
    if (itemRect.isEmpty())
        return;
    const QRect integral = integralRect(itemRect);
    if (!integral.isValid())
        return;
    if (integral != geometry())
        setGeometry(integral);
    update();
}

QPointF CanvasPointFigure::snapDraggedPoint(const QPointF &position)
{
    horizontalGuide = QLineF();
    verticalGuide = QLineF();
    const int last = pointList.size() - 1;
    const bool lastIsDragged = draggedIndex >= 0 && draggedIndex < pointList.size() &&
                               pointList.at(last) == pointList.at(draggedIndex);
    return alignToPoints(position, pointList, pointHandleSize / 2, horizontalGuide, verticalGuide,
                         draggedIndex, lastIsDragged ? last : -1);
}

void CanvasPointFigure::strokeBySpans(QPainter &painter, const QPainterPath &path, const QPen &pen)
{
    QPen spanPen = pen;
    const bool dashed = pen.style() != Qt::SolidLine && pen.widthF() > 0;
    double travelled = 0;
    painter.save();
    painter.setBrush(Qt::NoBrush);
    QPointF current;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        QPainterPath span(current);
        if (element.type == QPainterPath::MoveToElement) {
            current = element;
            continue;
        }
        if (element.type == QPainterPath::CurveToElement && i + 2 < path.elementCount()) {
            const QPointF end = path.elementAt(i + 2);
            span.cubicTo(element, path.elementAt(i + 1), end);
            current = end;
            i += 2;
        } else {
            span.lineTo(element);
            current = element;
        }
        if (dashed)
            spanPen.setDashOffset(travelled / pen.widthF());
        painter.setPen(spanPen);
        painter.drawPath(span);
        travelled += span.length();
    }
    painter.restore();
}

void CanvasPointFigure::drawPointHandles(QPainter &painter, const QVector<QPointF> &points,
                                         const QPointF &origin, double side,
                                         const QPointF &highlighted)
{
    QPen pen(Qt::gray, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    painter.setBrush(Qt::white);
    for (const QPointF &point : points) {
        pen.setColor(point == highlighted ? Qt::red : Qt::gray);
        painter.setPen(pen);
        painter.drawEllipse(point - origin, side / 2, side / 2);
    }
}

QPixmap CanvasPointFigure::paintFigurePath(const QRectF &rect, const QPainterPath &path,
                                           const QVector<QPointF> &points, const QString &colorName,
                                           const QString &fillName, double lineWidth, int lineStyle,
                                           double zoomValue, bool withHandles,
                                           const QPointF &highlighted,
                                           const Decoration &decorate) const
{
    const double penWidth = lineWidth * zoomValue;
    const QColor color = colorFromName(colorName);
    if (points.isEmpty() || rect.width() <= 0 || rect.height() <= 0 || zoomValue <= 0 ||
        penWidth <= 0 || !color.isValid())
        return QPixmap();
    QPixmap pixmap(qRound(rect.width()), qRound(rect.height()));
    if (pixmap.isNull())
        return pixmap;
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-rect.topLeft());
    // An open figure is filled as if it were closed.
    const QColor fill = colorFromName(fillName);
    if (fill.isValid())
        painter.fillPath(path, fill);
    strokeBySpans(painter, path,
                  QPen(color, penWidth, penStyleOf(lineStyle), Qt::RoundCap, Qt::RoundJoin));
    if (decorate)
        decorate(painter, color, penWidth);
    if (withHandles)
        drawPointHandles(painter, points, QPointF(), pointHandleSize, highlighted);
    return pixmap;
}

void CanvasPointFigure::handlePress(const QPoint &position)
{
    pointDragging = false;
    itemDragging = false;
    if (!isComplete()) {
        placePoint(position, false);
        return;
    }
    const int index = pointAt(position);
    if (index >= 0) {
        pointDragging = true;
        draggedIndex = index;
        selected = pointList.at(index);
        update();
    } else {
        itemDragging = true;
        dragWidgetOrigin = pos();
        dragPressPosition = position;
        dragPixmap = paintFigure();
    }
}

void CanvasPointFigure::handleMove(const QPoint &position)
{
    if (itemDragging) {
        move(dragWidgetOrigin + (position - dragPressPosition));
        update();
    } else if (pointDragging && draggedIndex >= 0 && draggedIndex < pointList.size()) {
        const QPointF point = snapDraggedPoint(position);
        pointList[draggedIndex] = point;
        selected = point;
        updateItemGeometry();
    }
}

void CanvasPointFigure::handleRelease(const QPoint &position)
{
    if (itemDragging) {
        const QPointF delta = position - dragPressPosition;
        for (QPointF &point : pointList)
            point += delta;
        if (selected != invalidPointF)
            selected += delta;
        updateItemGeometry();
        dragWidgetOrigin = QPoint();
        dragPressPosition = QPoint();
        dragPixmap = QPixmap();
        itemDragging = false;
    } else if (pointDragging) {
        updateItemGeometry();
        pointDragging = false;
        draggedIndex = -1;
    }
}

void CanvasPointFigure::pointerPressed(const QPointF &position, bool)
{
    handlePress(mapToParent(position.toPoint()));
}

void CanvasPointFigure::pointerMoved(const QPointF &position, bool)
{
    handleMove(mapToParent(position.toPoint()));
}

void CanvasPointFigure::pointerReleased(const QPointF &position, bool)
{
    handleRelease(mapToParent(position.toPoint()));
}

void CanvasPointFigure::paintEvent(QPaintEvent *)
{
    if (!isVisible() || pointList.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(0, 0, itemDragging ? dragPixmap : paintFigure());
    if (isComplete()) {
        painter.setPen(QPen(Qt::blue, 1, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    painter.translate(-pos());
    paintSnapMarks(painter);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::blue, 0.5, Qt::DashLine));
    if (isGuideSet(horizontalGuide))
        painter.drawLine(horizontalGuide);
    if (isGuideSet(verticalGuide))
        painter.drawLine(verticalGuide);
    horizontalGuide = QLineF();
    verticalGuide = QLineF();
}
