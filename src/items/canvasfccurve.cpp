#include "items/canvasfccurve.h"

#include "base/uimetrics.h"

#include <QPainter>

#include <cmath>

namespace {
// The vector v turned by degrees in QLineF's convention (counter-clockwise on screen).
QPointF turned(const QPointF &v, double degrees)
{
    QLineF line(QPointF(), v);
    line.setAngle(line.angle() + degrees);
    return line.p2();
}
} // namespace

CanvasFCCurve::CanvasFCCurve(QWidget *parent)
    : CanvasPointFigure(parent)
{}

void CanvasFCCurve::setPenStyle(const PenStyle &value)
{
    style = value;
    if (isVisible())
        updateItemGeometry();
}

std::pair<QPointF, QPointF> CanvasFCCurve::smoothControls(const QPointF &p0, const QPointF &p1,
                                                          const QPointF &p2)
{
    const double l1 = QLineF(p0, p1).length();
    const double l2 = QLineF(p2, p1).length();
    if (l1 == 0 || l2 == 0)
        return {p1, p2};
    const bool secondNearer = l2 < l1;
    QPointF nearer, middle;
    if (secondNearer) {
        nearer = p2;
        middle = (p1 + (p0 - p1) * l2 / l1 + p2) / 2;
    } else {
        nearer = p0;
        middle = (p0 + p1 + (p2 - p1) * l1 / l2) / 2;
    }
    // Turn the bisector upright; the tangent at p1 is then horizontal.
    double theta = 0;
    const QPointF bisector = middle - p1;
    if (QLineF(QPointF(), bisector).length() > 1e-9)
        theta = QLineF(QPointF(), bisector).angleTo(QLineF(0, 0, 0, -10));
    else
        theta = -QLineF(p0, p2).angle(); // p1 lies between: the tangent follows the line
    const double w = turned(nearer - p1, theta).x() / 2;
    const QPointF minus = turned(QPointF(-w, 0), -theta);
    const QPointF plus = turned(QPointF(w, 0), -theta);
    if (secondNearer)
        return {p1 + minus, p1 + plus};
    return {p1 + plus, p1 + minus};
}

QPainterPath CanvasFCCurve::rebuildPath(const QVector<QPointF> &points, const QPointF &preview)
{
    QPainterPath result;
    const int n = points.size();
    if (n == 0)
        return result;
    result.moveTo(points.first());
    QPointF outgoing;
    for (int k = 2; k < n; ++k) {
        const auto controls = smoothControls(points.at(k - 2), points.at(k - 1), points.at(k));
        if (k == 2)
            result.quadTo(controls.first, points.at(k - 1));
        else
            result.cubicTo(outgoing, controls.first, points.at(k - 1));
        outgoing = controls.second;
    }
    if (preview == invalidPointF) {
        if (n == 2)
            result.lineTo(points.at(1));
        else if (n >= 3)
            result.quadTo(outgoing, points.last());
        return result;
    }
    if (n == 1) {
        result.lineTo(preview);
    } else if (n == 2) {
        const auto controls = smoothControls(points.at(0), points.at(1), preview);
        result.quadTo(controls.first, points.at(1));
        result.quadTo(controls.second, preview);
    } else {
        const auto controls = smoothControls(points.at(n - 2), points.at(n - 1), preview);
        result.cubicTo(outgoing, controls.first, points.at(n - 1));
        result.quadTo(controls.second, preview);
    }
    return result;
}

QRectF CanvasFCCurve::buildPath(const QVector<QPointF> &points, double width, double zoomValue,
                                const QPointF &previewPoint) const
{
    if (points.isEmpty() || width < 1 || zoomValue <= 0)
        return QRectF();
    const QPainterPath curve = rebuildPath(points, previewPoint);
    const double grow = (width + pointHandleSize) * zoomValue;
    return curve.boundingRect().adjusted(-grow, -grow, grow, grow);
}

QRectF CanvasFCCurve::computeItemRect()
{
    const QPointF shownPreview = isComplete() ? invalidPointF : preview;
    const QRectF rect = buildPath(pointList, style.lineWidth, zoom, shownPreview);
    if (!rect.isEmpty())
        path = rebuildPath(pointList, shownPreview);
    return rect;
}

QPixmap CanvasFCCurve::renderToPixmap(const QVector<QPointF> &points, const PenStyle &recordStyle,
                                      const double &zoomValue) const
{
    if (points.isEmpty() || zoomValue <= 0)
        return QPixmap();
    const QRectF rect = buildPath(points, recordStyle.lineWidth, zoomValue, invalidPointF);
    return paintCurve(rect, rebuildPath(points, invalidPointF), points, recordStyle, zoomValue,
                      false, invalidPointF);
}

QPixmap CanvasFCCurve::paintFigure() const
{
    return paintCurve(itemRect, path, pointList, style, zoom, true, selected);
}

QPixmap CanvasFCCurve::paintCurve(const QRectF &rect, const QPainterPath &curve,
                                  const QVector<QPointF> &points, const PenStyle &penStyle,
                                  double zoomValue, bool withHandles,
                                  const QPointF &highlighted) const
{
    return paintFigurePath(rect, curve, points, penStyle.color, penStyle.fillColor,
                           penStyle.lineWidth, penStyle.lineStyle, zoomValue, withHandles,
                           highlighted);
}

namespace {
// Where along a guide a point lies length away from last, on c's side of it; across is the gap
// between last and the guide. False where no point on the guide is that far.
bool atLengthAlong(double length, double across, double c, double last, double *along)
{
    const double root = length * length - across * across;
    if (root < 0)
        return false;
    const double d = std::sqrt(root);
    *along = c <= last ? last - d : last + d;
    return true;
}
} // namespace

QPointF CanvasFCCurve::snapPoint(const QPointF &candidate)
{
    // Each snap starts from clean guides; what it finds is kept only for the next paint.
    QLineF horizontal, vertical;
    QPointF marker = invalidPointF;
    const double tolerance = pointHandleSize / 2;
    QPointF c = alignToPoints(candidate, pointList, tolerance, horizontal, vertical);
    const int n = pointList.size();
    if (n >= 2) {
        const QPointF last = pointList.at(n - 1);
        const double a = QLineF(pointList.at(n - 2), last).length();
        const double b = QLineF(last, c).length();
        if (qAbs(a - b) <= tolerance && a != b) {
            bool snapped = false;
            QPointF target = c;
            if (isGuideSet(horizontal)) {
                vertical = QLineF();
                double x = 0;
                snapped = atLengthAlong(a, last.y() - c.y(), c.x(), last.x(), &x);
                if (snapped)
                    target.setX(x);
            } else if (isGuideSet(vertical)) {
                double y = 0;
                snapped = atLengthAlong(a, last.x() - c.x(), c.y(), last.y(), &y);
                if (snapped)
                    target.setY(y);
            } else if (b > 0) {
                target = last + (c - last) * (a / b);
                snapped = true;
            }
            // Without a real solution (or direction) the candidate stays as it is.
            if (snapped) {
                c = target;
                marker = c;
            }
        }
    }
    keepSnap(c, horizontal, vertical, marker);
    return c;
}

void CanvasFCCurve::paintSnapMarks(QPainter &painter)
{
    if (snapMarker != invalidPointF) {
        const double radius = pointHandleSize / 2;
        painter.setBrush(Qt::white);
        painter.setPen(QPen(Qt::red, 2));
        painter.drawEllipse(snapMarker, radius, radius);
    }
    forgetSnapMarks();
}

void CanvasFCCurve::forgetSnapMarks()
{
    snapMarker = invalidPointF;
}
