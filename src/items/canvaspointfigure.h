#pragma once

#include <QLabel>
#include <QLineF>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QTimer>
#include <QVector>

#include <functional>

#include "items/canvasitem.h"

class QPainter;
class QPainterPath;
class QPen;

// Shared editor of a figure placed point by point (connected line, free curve): clicks add
// points, a 30 ms timer moves a snapped preview after the pointer, a click on an earlier point
// closes the figure, and a complete figure can have its points or itself dragged and nudged.
// Subclasses supply the snapping, the bounding rect and the picture.
class CanvasPointFigure : public CanvasItem
{
    Q_OBJECT
public:
    explicit CanvasPointFigure(QWidget *parent = nullptr);

    void addPoint(const QPointF &position, bool previewOnly);
    void setZoom(double zoom);
    void finish(bool dropPreview);
    void removeLastPoint();
    void nudge(int direction);
    void reset();
    void trackCursor();

    bool isComplete() const { return closed || finished; }
    bool isClosed() const { return closed; }
    bool isValid() const;
    QVector<QPointF> points() const { return pointList; }
    QPointF topLeft() const { return itemRect.topLeft(); }
    QPointF bottomRight() const { return itemRect.bottomRight(); }
    QRectF boundingItemRect() const { return itemRect; }
    QPointF previewPoint() const { return preview; }
    QPointF selectedPoint() const { return selected; }
    double currentZoom() const { return zoom; }
    double pointHandleExtent() const { return pointHandleSize; }
    int pointAt(const QPointF &position) const;
    bool isDragging() const override { return itemDragging || pointDragging; }

    // Aligns c with p's x and y (within tolerance), setting the guide that caused each change.
    static void alignToPoint(QPointF &c, const QPointF &p, double tolerance, QLineF &horizontal,
                             QLineF &vertical);
    // Aligns c with the points' x and y (within tolerance), setting the guide that caused each
    // change; stops once both guides are set. Indices skipA and skipB are left out.
    static QPointF alignToPoints(QPointF c, const QVector<QPointF> &points, double tolerance,
                                 QLineF &horizontal, QLineF &vertical, int skipA = -1,
                                 int skipB = -1);
    static bool isGuideSet(const QLineF &guide) { return guide != QLineF(); }
    // Marks of the latest snap, kept until the next paint.
    QPointF lastSnapMarker() const { return snapMarker; }
    QLineF lastHorizontalGuide() const { return horizontalGuide; }
    QLineF lastVerticalGuide() const { return verticalGuide; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void pointerPressed(const QPointF &position, bool pen) override;
    void pointerMoved(const QPointF &position, bool pen) override;
    void pointerReleased(const QPointF &position, bool pen) override;

    // The preview point for a candidate; records this snap's marks for the next paint.
    virtual QPointF snapPoint(const QPointF &candidate) = 0;
    // Bounding rect of the live figure (points, preview while incomplete, style, zoom).
    virtual QRectF computeItemRect() = 0;
    // The live figure with point handles, placed at the item rect's top-left.
    virtual QPixmap paintFigure() const = 0;
    // Draws the marks of the latest snap in parent coordinates, then forgets them.
    virtual void paintSnapMarks(QPainter &painter) = 0;
    // Drops the marks of the latest snap that only the subclass keeps.
    virtual void forgetSnapMarks() = 0;
    // Keeps a snap to c for the next paint: its guides, drawn to c, and its marker.
    void keepSnap(const QPointF &c, QLineF horizontal, QLineF vertical, const QPointF &marker);

    void updateItemGeometry();
    QPointF snapDraggedPoint(const QPointF &position);
    void placePoint(const QPointF &position, bool previewOnly);
    // Strokes a path span by span: far quicker than one antialiased stroke of a long path that
    // crosses itself, and the same picture for opaque pens (dashes continue across spans).
    static void strokeBySpans(QPainter &painter, const QPainterPath &path, const QPen &pen);
    static void drawPointHandles(QPainter &painter, const QVector<QPointF> &points,
                                 const QPointF &origin, double side, const QPointF &highlighted);
    // The figure's picture over rect: the path filled (when the fill name is a colour) and
    // stroked at width x zoom, then the decorations, then the point handles. Null when there
    // are no points, no area, no zoom, no width or no pen colour.
    using Decoration = std::function<void(QPainter &painter, const QColor &color, double width)>;
    QPixmap paintFigurePath(const QRectF &rect, const QPainterPath &path,
                            const QVector<QPointF> &points, const QString &colorName,
                            const QString &fillName, double lineWidth, int lineStyle, double zoom,
                            bool withHandles, const QPointF &highlighted,
                            const Decoration &decorate = Decoration()) const;

    double handleSize;
    double pointHandleSize;
    double zoom = 1.0;
    QVector<QPointF> pointList;
    QPointF selected;
    QPointF preview;
    QLineF horizontalGuide;
    QLineF verticalGuide;
    QPointF snapMarker;
    QRectF itemRect;
    bool closed = false;
    bool finished = false;

private:
    void handlePress(const QPoint &position);
    void handleMove(const QPoint &position);
    void handleRelease(const QPoint &position);

    bool pointDragging = false;
    int draggedIndex = -1;
    bool itemDragging = false;
    QPoint dragWidgetOrigin;
    QPoint dragPressPosition;
    QPixmap dragPixmap;
    QTimer previewTimer;
};
