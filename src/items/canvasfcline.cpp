#include "items/canvasfcline.h"

#include "base/uimetrics.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cmath>

namespace {
bool isAngle(double angle, double target)
{
    return qAbs(std::remainder(angle - target, 360.0)) < 1e-9;
}

bool squareContains(const QPointF &centre, double side, const QPointF &point)
{
    return qAbs(point.x() - centre.x()) <= side / 2 && qAbs(point.y() - centre.y()) <= side / 2;
}
} // namespace

CanvasFCLine::CanvasFCLine(QWidget *parent)
    : CanvasPointFigure(parent)
    , footMarker(invalidPointF)
{}

void CanvasFCLine::setPolylineStyle(const PolylineStyle &value)
{
    style = value;
    if (isVisible())
        updateItemGeometry();
}

QRectF CanvasFCLine::computeItemRect()
{
    return boundingRect(pointList, style.lineWidth, zoom, isComplete() ? invalidPointF : preview);
}

QRectF CanvasFCLine::boundingRect(const QVector<QPointF> &points, double width, double zoomValue,
                                  const QPointF &previewPoint) const
{
    if (points.isEmpty() || width <= 0 || zoomValue <= 0)
        return QRectF();
    double left = points.first().x(), right = left;
    double top = points.first().y(), bottom = top;
    auto extend = [&](const QPointF &p) {
        left = qMin(left, p.x());
        right = qMax(right, p.x());
        top = qMin(top, p.y());
        bottom = qMax(bottom, p.y());
    };
    for (const QPointF &p : points)
        extend(p);
    if (previewPoint != invalidPointF)
        extend(previewPoint);
    const double grow = (width + pointHandleSize) * zoomValue;
    return QRectF(QPointF(left, top), QPointF(right, bottom)).adjusted(-grow, -grow, grow, grow);
}

QPixmap CanvasFCLine::renderToPixmap(const QVector<QPointF> &points,
                                     const PolylineStyle &recordStyle,
                                     const double &zoomValue) const
{
    if (points.isEmpty() || zoomValue <= 0)
        return QPixmap();
    const QRectF rect = boundingRect(points, recordStyle.lineWidth, zoomValue, invalidPointF);
    return paintPolyline(rect, points, invalidPointF, recordStyle, zoomValue, false, invalidPointF);
}

QPixmap CanvasFCLine::paintFigure() const
{
    return paintPolyline(itemRect, pointList, isComplete() ? invalidPointF : preview, style, zoom,
                         true, selected);
}

QPixmap CanvasFCLine::paintPolyline(const QRectF &rect, const QVector<QPointF> &points,
                                    const QPointF &previewPoint, const PolylineStyle &lineStyle,
                                    double zoomValue, bool withHandles,
                                    const QPointF &highlighted) const
{
    if (points.isEmpty())
        return QPixmap();
    const bool hasPreview = previewPoint != invalidPointF;
    QPainterPath path(points.first());
    for (int i = 1; i < points.size(); ++i)
        path.lineTo(points.at(i));
    if (hasPreview)
        path.lineTo(previewPoint);
    Decoration angles;
    if (lineStyle.hasIncludedAngle) {
        angles = [&](QPainter &painter, const QColor &color, double penWidth) {
            painter.setPen(QPen(color, penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(Qt::NoBrush);
            for (int i = 2; i < points.size(); ++i)
                drawJointAngles(painter, points.at(i - 2), points.at(i - 1), points.at(i),
                                zoomValue);
            if (hasPreview && points.size() >= 2)
                drawJointAngles(painter, points.at(points.size() - 2), points.last(), previewPoint,
                                zoomValue);
        };
    }
    return paintFigurePath(rect, path, points, lineStyle.color, lineStyle.fillColor,
                           lineStyle.lineWidth, lineStyle.lineStyle, zoomValue, withHandles,
                           highlighted, angles);
}

JointAngle CanvasFCLine::jointAngle(const QPointF &a, const QPointF &j, const QPointF &b,
                                    double radius)
{
    JointAngle result;
    const QLineF toA(j, a);
    const QLineF toB(j, b);
    double theta = toA.angleTo(toB);
    if (theta <= 180) {
        result.startAngle = toA.angle();
    } else {
        result.startAngle = toB.angle();
        theta = 360 - theta;
    }
    result.sweep = theta;
    result.label = QString::number(theta, 'f', 2) + QStringLiteral("°");
    if (QString::number(theta, 'f', 2).toDouble() == 90.0 && toA.length() > 0 && toB.length() > 0) {
        const double k1 = radius * 0.7071067811865476 / toA.length();
        const double k2 = radius * 0.7071067811865476 / toB.length();
        if (k1 > 0 && k1 < 1 && k2 > 0 && k2 < 1) {
            const double middle = qDegreesToRadians(result.startAngle + theta / 2);
            const QPointF corner = j + radius * QPointF(std::cos(middle), -std::sin(middle));
            result.squareMark = true;
            result.corner = corner.toPoint();
            result.armA = (j + k1 * (a - j)).toPoint();
            result.armB = (j + k2 * (b - j)).toPoint();
        }
    }
    return result;
}

void CanvasFCLine::drawJointAngles(QPainter &painter, const QPointF &a, const QPointF &j,
                                   const QPointF &b, double zoomValue) const
{
    // A joint with a zero-length arm has no angle to show.
    if (zoomValue <= 0 || a == j || b == j)
        return;
    const double diameter = handleSize * zoomValue;
    const double radius = diameter / 2;
    const JointAngle joint = jointAngle(a, j, b, radius);
    if (joint.squareMark) {
        painter.drawLine(joint.corner, joint.armA);
        painter.drawLine(joint.corner, joint.armB);
    } else {
        painter.drawArc(QRectF(j.x() - radius, j.y() - radius, diameter, diameter),
                        qRound(joint.startAngle * 16), qRound(joint.sweep * 16));
    }
    QFont labelFont = font();
    if (labelFont.pointSizeF() > 0)
        labelFont.setPointSizeF(labelFont.pointSizeF() * zoomValue);
    const QSizeF size = QFontMetricsF(labelFont).boundingRect(joint.label).size();
    const double middle = qDegreesToRadians(joint.startAngle + joint.sweep / 2);
    const QPointF centre = j + (radius + size.width() / 2 + size.height() / 2) *
                                   QPointF(std::cos(middle), -std::sin(middle));
    painter.setFont(labelFont);
    painter.drawText(QRectF(centre - QPointF(size.width() / 2, size.height() / 2), size), 0,
                     joint.label);
}

QPointF CanvasFCLine::snapPoint(const QPointF &candidate)
{
    // Each snap starts from clean guides; what it finds is kept only for the next paint.
    QPointF c = candidate;
    QLineF horizontal, vertical, angle;
    QPointF middleMark = invalidPointF;
    QPointF footMark = invalidPointF;
    const double tolerance = pointHandleSize / 2;
    const QPointF last = pointList.isEmpty() ? c : pointList.last();
    for (int i = 0; i < pointList.size(); ++i) {
        const bool hSet = isGuideSet(horizontal);
        const bool vSet = isGuideSet(vertical);
        const bool aSet = isGuideSet(angle);
        if (hSet && vSet)
            break;
        if (aSet && (hSet || vSet)) {
            const QLineF &axis = hSet ? horizontal : vertical;
            const bool parallel = hSet ? isAngle(angle.angle(), 0) || isAngle(angle.angle(), 180)
                                       : isAngle(angle.angle(), 90) || isAngle(angle.angle(), 270);
            QPointF crossing;
            if (parallel)
                angle = QLineF();
            else if (axis.intersects(angle, &crossing) != QLineF::NoIntersection)
                c = crossing;
            break;
        }
        const QPointF p = pointList.at(i);
        alignToPoint(c, p, tolerance, horizontal, vertical);
        if (i < 1)
            continue;
        const QLineF segment(pointList.at(i - 1), p);
        if (squareContains(segment.center(), pointHandleSize, c)) {
            c = segment.center();
            middleMark = c;
            break;
        }
        if (segment.length() <= 0)
            continue;
        const QLineF normal = QLineF::fromPolar(1, segment.angle() + 90).translated(last);
        QPointF foot;
        if (normal.intersects(segment, &foot) != QLineF::NoIntersection &&
            squareContains(foot, pointHandleSize, c)) {
            c = foot;
            footMark = foot;
            break;
        }
        const QPointF direction = segment.p2() - segment.p1();
        const double t =
            QPointF::dotProduct(c - last, direction) / QPointF::dotProduct(direction, direction);
        const QPointF projection = last + t * direction;
        if (QLineF(projection, c).length() <= tolerance) {
            c = projection;
            if (c != last) {
                QLineF ray(last, c);
                ray.setLength(ray.length() + 2 * handleSize);
                angle = QLineF(c, ray.p2());
            }
        }
    }
    keepSnap(c, horizontal, vertical, middleMark);
    angleGuide = angle;
    footMarker = footMark;
    return c;
}

void CanvasFCLine::paintSnapMarks(QPainter &painter)
{
    const double radius = pointHandleSize / 2;
    painter.setBrush(Qt::white);
    if (snapMarker != invalidPointF) {
        painter.setPen(QPen(Qt::blue, 2));
        painter.drawEllipse(snapMarker, radius, radius);
    }
    if (footMarker != invalidPointF) {
        painter.setPen(QPen(Qt::cyan, 2));
        painter.drawEllipse(footMarker, radius, radius);
    }
    if (isGuideSet(angleGuide)) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::darkGreen, 0.5, Qt::DashLine));
        painter.drawLine(angleGuide);
    }
    forgetSnapMarks();
}

void CanvasFCLine::forgetSnapMarks()
{
    snapMarker = invalidPointF;
    footMarker = invalidPointF;
    angleGuide = QLineF();
}
