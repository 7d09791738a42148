#pragma once

#include "drawing/stylerecords.h"
#include "items/canvaspointfigure.h"

#include <QPainterPath>
#include <utility>

// The smooth curve drawn through clicked points, optionally closed and filled.
class CanvasFCCurve : public CanvasPointFigure
{
    Q_OBJECT
public:
    explicit CanvasFCCurve(QWidget *parent = nullptr);

    void setPenStyle(const PenStyle &style);
    PenStyle penStyle() const { return style; }

    QPixmap renderToPixmap(const QVector<QPointF> &points, const PenStyle &style,
                           const double &zoom) const;
    // Bounding rect of the curve through the points (and the preview, unless invalid).
    QRectF buildPath(const QVector<QPointF> &points, double width, double zoom,
                     const QPointF &preview) const;
    QPixmap paintCurve(const QRectF &rect, const QPainterPath &path, const QVector<QPointF> &points,
                       const PenStyle &style, double zoom, bool withHandles,
                       const QPointF &highlighted) const;
    QPainterPath curvePath() const { return path; }

    // Incoming and outgoing control points at p1 of a smooth curve through p0, p1, p2.
    static std::pair<QPointF, QPointF> smoothControls(const QPointF &p0, const QPointF &p1,
                                                      const QPointF &p2);
    static QPainterPath rebuildPath(const QVector<QPointF> &points, const QPointF &preview);

    QPointF snapPoint(const QPointF &candidate) override;

protected:
    QRectF computeItemRect() override;
    QPixmap paintFigure() const override;
    void paintSnapMarks(QPainter &painter) override;
    void forgetSnapMarks() override;

private:
    PenStyle style;
    QPainterPath path;
};
