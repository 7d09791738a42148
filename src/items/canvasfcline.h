#pragma once

#include "drawing/stylerecords.h"
#include "items/canvaspointfigure.h"

#include <QString>

// How the angle at a joint is marked: an arc from startAngle over sweep degrees (never more than
// 180), or a square corner when the angle reads 90.00° and both arms are long enough.
struct JointAngle
{
    double startAngle = 0;
    double sweep = 0;
    QString label;
    bool squareMark = false;
    QPointF armA;   // square mark: on the arm towards A
    QPointF corner; // square mark: the outer corner
    QPointF armB;   // square mark: on the arm towards B
};

// The connected line (polyline) drawn point by point, optionally filled and with joint angles.
class CanvasFCLine : public CanvasPointFigure
{
    Q_OBJECT
public:
    explicit CanvasFCLine(QWidget *parent = nullptr);

    void setPolylineStyle(const PolylineStyle &style);
    PolylineStyle polylineStyle() const { return style; }

    QPixmap renderToPixmap(const QVector<QPointF> &points, const PolylineStyle &style,
                           const double &zoom) const;
    QRectF boundingRect(const QVector<QPointF> &points, double width, double zoom,
                        const QPointF &preview) const;
    QPixmap paintPolyline(const QRectF &rect, const QVector<QPointF> &points,
                          const QPointF &preview, const PolylineStyle &style, double zoom,
                          bool withHandles, const QPointF &highlighted) const;
    static JointAngle jointAngle(const QPointF &a, const QPointF &j, const QPointF &b,
                                 double radius);
    void drawJointAngles(QPainter &painter, const QPointF &a, const QPointF &j, const QPointF &b,
                         double zoom) const;

    QPointF snapPoint(const QPointF &candidate) override;
    // Its own marks of the latest snap, kept until the next paint.
    QPointF lastFootMarker() const { return footMarker; }
    QLineF lastAngleGuide() const { return angleGuide; }

protected:
    QRectF computeItemRect() override;
    QPixmap paintFigure() const override;
    void paintSnapMarks(QPainter &painter) override;
    void forgetSnapMarks() override;

private:
    QPointF footMarker;
    QLineF angleGuide;
    PolylineStyle style;
};
