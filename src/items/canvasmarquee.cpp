#include "items/canvasmarquee.h"

#include <QLineF>
#include <QPainter>
#include <QTransform>
#include <QtMath>
#include <cmath>

#include "base/uimetrics.h"
#include "drawing/geometry.h"
#include "items/itemgeometry.h"
#include "items/pageorientation.h"
#include "items/shaperenderer.h"

namespace {

// Frames turned by whole quarters render pixel for pixel; snap the angles that only miss by
// rounding noise.
double cleanAngle(double degrees)
{
    const double quarters = degrees / 90.0;
    if (std::abs(quarters - std::round(quarters)) < 1e-9)
        degrees = 90.0 * std::round(quarters);
    degrees = std::fmod(degrees, 360.0);
    return degrees < 0 ? degrees + 360.0 : degrees;
}

QImage rotatedImage(const QImage &image, double degrees)
{
    degrees = cleanAngle(degrees);
    if (degrees == 0.0)
        return image;
    QTransform transform;
    transform.rotate(degrees);
    return image.transformed(transform, Qt::SmoothTransformation);
}

// Draws an upright w x h picture of the frame turned into its bounding square.
QPixmap placeInFrame(QImage upright, const QPointF &p1, const QPointF &p2, const QPointF &c)
{
    const QRectF square = frameBoundingSquare(p1, p2, c);
    QPixmap result(int(std::ceil(square.width())), int(std::ceil(square.height())));
    if (result.isNull())
        return QPixmap();
    result.fill(Qt::transparent);
    if (isMirroredFrame(p1, p2, c))
        upright = upright.mirrored(false, true);
    const QImage turned = rotatedImage(upright, QLineF(p1, p2).angleTo(QLineF(0, 0, 100, 0)));
    const QPointF centre = c - square.topLeft();
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(centre - QPointF(turned.width() / 2.0, turned.height() / 2.0), turned);
    return result;
}

bool hasArea(const QRectF &r)
{
    return r.width() > 0 && r.height() > 0;
}

QString pointKey(const QPointF &p)
{
    return QString::number(p.x(), 'g', 17) + QLatin1Char(',') + QString::number(p.y(), 'g', 17);
}

} // namespace

CanvasMarquee::CanvasMarquee(QWidget *parent)
    : DraggedItem(parent)
{
    handleSize = fiveMillimetresInPixels();
    rotateRadius = handleSize / 2;
    rotateIcon = QPixmap(QStringLiteral(":/icon/direction/rotate.png"));
    setAttribute(Qt::WA_MouseTracking);
    setAttribute(Qt::WA_TabletTracking);
    hide();
}

void CanvasMarquee::setFrameFromDrag(const QPointF &start, const QPointF &dragEnd)
{
    QPointF end = dragEnd;
    if (shiftHeld) {
        const double dx = end.x() - start.x(), dy = end.y() - start.y();
        const double h = std::min(std::abs(dx), std::abs(dy));
        end.setX(dx > 0 ? start.x() + h : start.x() - h);
        end.setY(dy > 0 ? start.y() + h : start.y() - h);
    }
    const QRectF r = QRectF(start, end).normalized();
    p1 = r.topLeft();
    p2 = r.topRight();
    c = r.center();
    recomputeGeometry();
    if (isHidden())
        show();
}

void CanvasMarquee::setContentPixmap(const QPixmap &pixmap)
{
    content = pixmap;
    shape.isShape = false;
    update();
}

void CanvasMarquee::setShapeStyle(const ShapeStyle &style)
{
    content = QPixmap();
    shape = style;
    shape.isShape = true;
    update();
}

void CanvasMarquee::setZoom(double value)
{
    if (value > 0)
        zoom = value;
}

void CanvasMarquee::setRotateHandleVisible(bool on)
{
    rotateHandleOn = on;
    update();
}

void CanvasMarquee::setFrameVisible(bool on)
{
    frameVisible = on;
    update();
}

bool CanvasMarquee::isValid() const
{
    const QSize size = rotatedFrameSize(p1, p2, c);
    return size.width() > 0 && size.height() > 0;
}

QSize CanvasMarquee::rotatedSize() const
{
    return rotatedFrameSize(p1, p2, c);
}

bool CanvasMarquee::hasRotateHandle() const
{
    return rotateHandlePointSet && !rotateHandleRect.isNull();
}

void CanvasMarquee::recomputeGeometry()
{
    boundingSquare = frameBoundingSquare(p1, p2, c);
    const QPointF middle = (p1 + p2) / 2;
    const double d = QLineF(c, middle).length();
    rotateHandlePointSet = d > 0;
    if (rotateHandlePointSet) {
        rotateHandlePoint = middle + (2 * rotateRadius / d) * (middle - c);
        rotateHandleRect =
            QRectF(rotateHandlePoint.x() - rotateRadius, rotateHandlePoint.y() - rotateRadius,
                   2 * rotateRadius, 2 * rotateRadius);
    } else {
        rotateHandlePoint = QPointF();
        rotateHandleRect = QRectF();
    }
    const double grow = handleSize * zoom / 2;
    const QRectF area = boundingSquare.adjusted(-grow, -grow, grow, grow).united(rotateHandleRect);
    coverArea(area);
}

int CanvasMarquee::hitTest(const QPointF &position) const
{
    const double a = handleSize * zoom;
    const QPointF offset = pos();
    const QPointF w1 = p1 - offset, w2 = p2 - offset, wc = c - offset;
    const QPointF w5 = 2 * wc - w1, w7 = 2 * wc - w2;
    const QPointF handles[] = {w1, (w1 + w2) / 2, w2, (w2 + w5) / 2,
                               w5, (w5 + w7) / 2, w7, (w7 + w1) / 2};
    static const int order[] = {FrameHandle::TopLeft,    FrameHandle::Top,
                                FrameHandle::TopRight,   FrameHandle::BottomRight,
                                FrameHandle::BottomLeft, FrameHandle::Right,
                                FrameHandle::Bottom,     FrameHandle::Left};
    for (int code : order) {
        const QPointF &h = handles[code - 1];
        if (QRectF(h.x() - a / 2, h.y() - a / 2, a, a).contains(position))
            return code;
    }
    if (rotateHandleOn && hasRotateHandle() &&
        rotateHandleRect.translated(-offset).contains(position))
        return FrameHandle::Rotate;
    const double angle = QLineF(w1, w2).angle();
    const QPointF r1 = wc + turnedVector(w1 - wc, -angle);
    const QPointF r5 = wc + turnedVector(w5 - wc, -angle);
    const QPointF rp = wc + turnedVector(position - wc, -angle);
    const QRectF inside = QRectF(r1, r5).normalized().adjusted(-a / 2, -a / 2, a / 2, a / 2);
    return inside.contains(rp) ? FrameHandle::Inside : FrameHandle::Outside;
}

void CanvasMarquee::updateCursor(const QPointF &position)
{
    const int code = hitTest(position);
    if (code == hitCode)
        return;
    hitCode = code;
    if (code == FrameHandle::Inside) {
        setCursor(Qt::SizeAllCursor);
        return;
    }
    if (code == FrameHandle::Outside) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    const int size = std::max(cursorSize(), 1);
    if (code == FrameHandle::Rotate) {
        const QPixmap icon(QStringLiteral(":/icon/cursor/rotate.png"));
        if (!icon.isNull())
            setCursor(
                QCursor(icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
        return;
    }
    const double angle = QLineF(p1, p2).angle();
    const bool mirrored = isMirroredFrame(p1, p2, c);
    double turn = -angle;
    if (code == FrameHandle::TopLeft || code == FrameHandle::BottomRight)
        turn = (mirrored ? 135 : 45) - angle;
    else if (code == FrameHandle::TopRight || code == FrameHandle::BottomLeft)
        turn = (mirrored ? 45 : 135) - angle;
    else if (code == FrameHandle::Top || code == FrameHandle::Bottom)
        turn = 90 - angle;
    const QPixmap icon(QStringLiteral(":/icon/cursor/horizon.png"));
    if (icon.isNull())
        return;
    const QPixmap scaled = icon.scaledToWidth(size, Qt::SmoothTransformation);
    QTransform transform;
    transform.rotate(turn);
    const QPixmap turned = scaled.transformed(transform, Qt::SmoothTransformation);
    setCursor(QCursor(turned, turned.width() / 2, turned.height() / 2));
}

void CanvasMarquee::beginDrag(const QPointF &widgetPosition, const QPointF &parentPosition)
{
    // Touch and pen presses come without a hover before them: test the press point itself.
    updateCursor(widgetPosition);
    if (hitCode == FrameHandle::Outside) {
        emit marqueeBlankClicked();
        return;
    }
    pressPosition = dragPosition = parentPosition;
    dragging = true;
    keepDragOrigin();
}

void CanvasMarquee::keepDragOrigin()
{
    dragStartP1 = p1;
    dragStartP2 = p2;
    dragStartC = c;
}

bool CanvasMarquee::constrainDragPoint(int hit, const QPointF &q, QPointF *constrained) const
{
    const QPointF P1 = dragStartP1, P2 = dragStartP2, C = dragStartC;
    const QPointF K5 = 2 * C - P1, K7 = 2 * C - P2;
    QPointF dragged, fixed;
    switch (hit) {
        case FrameHandle::TopLeft:
            dragged = P1, fixed = K5;
            break;
        case FrameHandle::TopRight:
            dragged = P2, fixed = K7;
            break;
        case FrameHandle::BottomRight:
            dragged = K5, fixed = P1;
            break;
        case FrameHandle::BottomLeft:
            dragged = K7, fixed = P2;
            break;
        default:
            *constrained = q;
            return true;
    }
    const QLineF diagonal(dragged, fixed);
    QPointF first, second;
    if (!intersectLines(diagonal, parallelLineThrough(QLineF(P1, P2), q), &first) ||
        !intersectLines(diagonal, parallelLineThrough(QLineF(P2, K5), q), &second))
        return false;
    const double toFirst = QLineF(first, fixed).length();
    const double toSecond = QLineF(second, fixed).length();
    *constrained = toFirst < toSecond ? first : second;
    return true;
}

bool CanvasMarquee::resizedFrame(int hit, const QPointF &q, QPointF *n1, QPointF *n2,
                                 QPointF *nc) const
{
    const QPointF P1 = dragStartP1, P2 = dragStartP2, C = dragStartC;
    const QPointF K5 = 2 * C - P1, K7 = 2 * C - P2;
    const QLineF e13(P1, P2), e35(P2, K5), e57(K5, K7), e71(K7, P1);
    QPointF x, y;
    switch (hit) {
        case FrameHandle::TopLeft:
            if (!intersectLines(parallelLineThrough(e57, q), e35, &x))
                return false;
            *n1 = q, *n2 = x, *nc = (K5 + q) / 2;
            return true;
        case FrameHandle::Top:
            if (!intersectLines(parallelLineThrough(e57, q), e71, &x) ||
                !intersectLines(parallelLineThrough(e57, q), e35, &y))
                return false;
            *n1 = x, *n2 = y, *nc = (K5 + x) / 2;
            return true;
        case FrameHandle::TopRight:
            if (!intersectLines(parallelLineThrough(e57, q), e71, &x))
                return false;
            *n1 = x, *n2 = q, *nc = (K7 + q) / 2;
            return true;
        case FrameHandle::Right:
            if (!intersectLines(parallelLineThrough(e71, q), e13, &x))
                return false;
            *n1 = P1, *n2 = x, *nc = (K7 + x) / 2;
            return true;
        case FrameHandle::BottomRight:
            if (!intersectLines(parallelLineThrough(e71, q), e13, &x))
                return false;
            *n1 = P1, *n2 = x, *nc = (P1 + q) / 2;
            return true;
        case FrameHandle::Bottom:
            if (!intersectLines(parallelLineThrough(e13, q), e35, &x))
                return false;
            *n1 = P1, *n2 = P2, *nc = (P1 + x) / 2;
            return true;
        case FrameHandle::BottomLeft:
            if (!intersectLines(parallelLineThrough(e35, q), e13, &x))
                return false;
            *n1 = x, *n2 = P2, *nc = (P2 + q) / 2;
            return true;
        case FrameHandle::Left:
            if (!intersectLines(parallelLineThrough(e35, q), e13, &x))
                return false;
            *n1 = x, *n2 = P2, *nc = (K5 + x) / 2;
            return true;
        default:
            return false;
    }
}

void CanvasMarquee::dragTo()
{
    if (isHidden() || hitCode == FrameHandle::Outside)
        return;
    const int hit = hitCode;
    QPointF q = dragPosition;
    if (ctrlHeld && !constrainDragPoint(hit, q, &q))
        return;
    if (hit == FrameHandle::Inside || hit == FrameHandle::Rotate)
        emit marqueeBeforeMove(hit, geometry());

    QPointF n1, n2, nc;
    if (hit == FrameHandle::Inside) {
        if (shiftHeld) {
            q = snapToAxis(q, pressPosition);
            dragPosition = q;
        }
        const QPointF delta = q - pressPosition;
        n1 = dragStartP1 + delta;
        n2 = dragStartP2 + delta;
        nc = dragStartC + delta;
    } else if (hit == FrameHandle::Rotate) {
        const double edgeAngle = QLineF(dragStartP1, dragStartP2).angle();
        double delta = QLineF(dragStartC, q).angleTo(QLineF(dragStartC, pressPosition));
        const double target = edgeAngle - delta;
        const double n = std::round(target / 90.0);
        if (std::abs(90.0 * n - target) <= 5.0)
            delta = edgeAngle - 90.0 * n;
        n1 = dragStartC + turnedVector(dragStartP1 - dragStartC, -delta);
        n2 = dragStartC + turnedVector(dragStartP2 - dragStartC, -delta);
        nc = dragStartC;
    } else if (!resizedFrame(hit, q, &n1, &n2, &nc)) {
        return;
    }
    p1 = n1;
    p2 = n2;
    c = nc;
    if (shape.isShape && shape.shapeType == ShapeType::Cuboid)
        updateCuboidDepth(hit);
    recomputeGeometry();
    emit marqueeChanged(hit);
}

void CanvasMarquee::updateCuboidDepth(int hit)
{
    const double z = zoom > 0 ? zoom : 1.0;
    const int w = qRound(QLineF(p1 / z, p2 / z).length());
    const int h = qRound(QLineF(p1 / z, (2 * c - p2) / z).length());
    if (w <= 0 || h <= 0)
        return;
    const double s = std::min(w, h);
    if (shape.cuboidDepthSet) {
        if (hit == FrameHandle::BottomLeft)
            shape.cuboidDepth = w - shape.cuboidFrontWidth;
        else
            shape.cuboidFrontWidth = w - shape.cuboidDepth;
    } else if (hit == FrameHandle::BottomLeft) {
        shape.cuboidDepthSet = true;
        shape.cuboidFrontWidth = w - s / 4;
        shape.cuboidDepth = s / 4;
    }
    if (shape.cuboidDepth >= s - shape.lineWidth) {
        shape.cuboidDepthSet = false;
        shape.cuboidDepth = 0.0;
        shape.cuboidFrontWidth = 0.0;
    }
}

void CanvasMarquee::rotateOrMirror(int kind)
{
    switch (kind) {
        case Reorientation::TurnCounterClockwise:
        case Reorientation::TurnClockwise: {
            const double turn = kind == Reorientation::TurnCounterClockwise ? 90.0 : -90.0;
            p1 = c + turnedVector(p1 - c, turn);
            p2 = c + turnedVector(p2 - c, turn);
            break;
        }
        case Reorientation::MirrorLeftRight:
            p1.setX(2 * c.x() - p1.x());
            p2.setX(2 * c.x() - p2.x());
            break;
        case Reorientation::MirrorTopBottom:
            p1.setY(2 * c.y() - p1.y());
            p2.setY(2 * c.y() - p2.y());
            break;
        default:
            return;
    }
    const QRect before = geometry();
    recomputeGeometry();
    emit marqueeBeforeMove(FrameHandle::Rotate, before.intersected(geometry()));
    emit marqueeChanged(FrameHandle::Rotate);
}

void CanvasMarquee::nudge(int direction)
{
    if (!isHidden())
        nudgeAsDrag(direction, FrameHandle::Inside);
}

void CanvasMarquee::reset()
{
    zoom = 1.0;
    boundingSquare = rotateHandleRect = QRectF();
    p1 = p2 = c = QPointF();
    dragStartP1 = dragStartP2 = dragStartC = QPointF();
    rotateHandlePoint = QPointF();
    rotateHandlePointSet = false;
    content = QPixmap();
    shape = ShapeStyle();
    rotateHandleOn = false;
    shiftHeld = ctrlHeld = false;
    pressPosition = dragPosition = QPointF();
    hitCode = -1;
    dragging = false;
    lastPenMove = 0;
    cachedPicture = QPixmap();
    cachedKey.clear();
    if (!isHidden())
        hide();
}

void CanvasMarquee::pointerPressed(const QPointF &position, bool pen)
{
    // The mouse works in whole pixels; a pen keeps its fraction.
    const QPointF local = pen ? position : QPointF(position.toPoint());
    beginDrag(local, local + QPointF(pos()));
}

void CanvasMarquee::pointerReleased(const QPointF &, bool)
{
    dragging = false;
}

void CanvasMarquee::pointerMoved(const QPointF &position, bool pen)
{
    if (!dragging) {
        updateCursor(position);
        return;
    }
    dragPosition = (pen ? position : QPointF(position.toPoint())) + QPointF(pos());
    dragTo();
}

QPixmap CanvasMarquee::framePicture() const
{
    // The picture depends on the frame only through its shape and turn, not its position.
    QString key;
    if (!content.isNull()) {
        key = QStringLiteral("c%1").arg(content.cacheKey());
    } else if (shape.isShape) {
        key = QStringLiteral("s%1|%2|%3|%4|%5|%6|%7|%8|%9")
                  .arg(shape.color, shape.fillColor)
                  .arg(shape.shapeType)
                  .arg(shape.lineWidth)
                  .arg(shape.lineStyle)
                  .arg(shape.hasLineDegree)
                  .arg(shape.polygonSideCount)
                  .arg(shape.startAngle)
                  .arg(shape.angleSize);
        key += QStringLiteral("|%1|%2|%3").arg(shape.cuboidDepth, 0, 'g', 17).arg(zoom, 0, 'g', 17);
    } else {
        return QPixmap();
    }
    key += QLatin1Char('|') + pointKey(p1 - c) + QLatin1Char('|') + pointKey(p2 - c);
    if (key == cachedKey)
        return cachedPicture;
    QPixmap picture;
    if (!content.isNull()) {
        picture = renderContentInFrame(content, p1, p2, c);
    } else {
        const double z = zoom > 0 ? zoom : 1.0;
        picture = renderShapeInFrame(shape, true, p1 / z, p2 / z, c / z);
        if (!picture.isNull())
            picture =
                picture.scaled(qRound(boundingSquare.width()), qRound(boundingSquare.height()),
                               Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    cachedKey = key;
    cachedPicture = picture;
    return picture;
}

void CanvasMarquee::paintEvent(QPaintEvent *)
{
    if (!isVisible())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF offset = pos();
    const QPixmap picture = framePicture();
    if (!picture.isNull()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPixmap(boundingSquare.topLeft() - offset, picture);
    }
    const QPointF w1 = p1 - offset, w2 = p2 - offset, wc = c - offset;
    const QPointF w5 = 2 * wc - w1, w7 = 2 * wc - w2;
    if (frameVisible) {
        const QPolygonF edges({w1, w2, w5, w7});
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.drawPolygon(edges);
        painter.setPen(QPen(Qt::blue, 1, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin));
        painter.drawPolygon(edges);
    }
    if (rotateHandleOn && hasRotateHandle()) {
        painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
        painter.drawLine((w1 + w2) / 2, rotateHandlePoint - offset);
        const QRect target = rotateHandleRect.translated(-offset).toRect();
        if (!rotateIcon.isNull() && target.isValid())
            painter.drawPixmap(target, rotateIcon.scaled(target.size(), Qt::IgnoreAspectRatio,
                                                         Qt::SmoothTransformation));
    }
}

QPixmap CanvasMarquee::renderContentInFrame(const QPixmap &content, const QPointF &p1,
                                            const QPointF &p2, const QPointF &c)
{
    if (content.isNull() || !hasArea(frameBoundingSquare(p1, p2, c)))
        return QPixmap();
    const QSize size = rotatedFrameSize(p1, p2, c);
    if (size.width() < 1 || size.height() < 1)
        return QPixmap();
    QImage upright = content.toImage();
    if (upright.size() != size)
        upright = upright.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return placeInFrame(upright, p1, p2, c);
}

QPixmap CanvasMarquee::renderShapeInFrame(const ShapeStyle &style, bool centreMark,
                                          const QPointF &p1, const QPointF &p2, const QPointF &c)
{
    if (!hasArea(frameBoundingSquare(p1, p2, c)))
        return QPixmap();
    const QSize size = rotatedFrameSize(p1, p2, c);
    if (size.width() < 1 || size.height() < 1)
        return QPixmap();
    const QPixmap upright = ShapeRenderer::render(size, style, centreMark);
    if (upright.isNull())
        return QPixmap();
    return placeInFrame(upright.toImage(), p1, p2, c);
}

QPixmap CanvasMarquee::renderShape(const QSize &size, const ShapeStyle &style, bool centreMark)
{
    return ShapeRenderer::render(size, style, centreMark);
}

QPixmap copyFramedRegion(const QPixmap &page, const QPointF &p1, const QPointF &p2,
                         const QPointF &c)
{
    const int w = qRound(QLineF(p1, p2).length());
    const int h = qRound(QLineF(p1, 2 * c - p2).length());
    if (page.isNull() || w < 1 || h < 1)
        return QPixmap();
    // Upright is the first edge (where the rotate handle sits) on top, running left to right. A
    // mirrored frame lies on the other side of that edge: seen upright it runs from p2 to p1, and
    // the region comes out as shown, mirrored left to right.
    const bool mirrored = isMirroredFrame(p1, p2, c);
    const QPointF from = mirrored ? p2 : p1;
    const double angle = QLineF(from, mirrored ? p1 : p2).angle();
    const QImage turned = rotatedImage(page.toImage(), angle);
    const QPointF pageCentre(page.width() / 2.0, page.height() / 2.0);
    const QPointF turnedCentre(turned.width() / 2.0, turned.height() / 2.0);
    const QPointF origin = turnedCentre + turnedVector(from - pageCentre, -angle);
    QPixmap result(w, h);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawImage(-origin, turned);
    return result;
}

QPixmap cropPixmap(const QPixmap &source, const QRect &rect)
{
    if (source.isNull() || rect.isEmpty())
        return QPixmap();
    QPixmap result(rect.size());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawPixmap(QPoint(0, 0), source, rect);
    return result;
}

void clearPixmapRect(QPixmap *pixmap, const QRectF &rect)
{
    if (!pixmap || pixmap->isNull() || rect.width() <= 0 || rect.height() <= 0)
        return;
    auto clear = [&rect](QPaintDevice *device) {
        QPainter painter(device);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::SolidPattern);
        painter.drawRect(rect);
    };
    if (pixmap->hasAlphaChannel()) {
        clear(pixmap);
        return;
    }
    // An opaque pixmap has nothing to clear to: give it an alpha channel first.
    QImage image = pixmap->toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    clear(&image);
    *pixmap = QPixmap::fromImage(image);
}
