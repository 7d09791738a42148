#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointF>
#include <QRect>
#include <QRectF>

#include "drawing/stylerecords.h"
#include "items/draggeditem.h"
#include "items/framehandle.h"

// The rotatable frame that moves, resizes, rotates and mirrors a selection or a geometry shape
// over a page. The frame is its first corner p1, the adjacent corner p2 and the centre c, in
// parent coordinates; the other corners are 2c - p1 and 2c - p2. Hit codes are FrameHandle
// codes, running round the frame from p1.
class CanvasMarquee : public DraggedItem
{
    Q_OBJECT
public:
    explicit CanvasMarquee(QWidget *parent = nullptr);

    void setFrameFromDrag(const QPointF &start, const QPointF &end);
    void setContentPixmap(const QPixmap &pixmap);
    void setShapeStyle(const ShapeStyle &style);
    ShapeStyle shapeStyle() const { return shape; }
    QPixmap contentPixmap() const { return content; }
    void setZoom(double value);
    double zoomFactor() const { return zoom; }
    void setShiftPressed(bool on) { shiftHeld = on; }
    void setCtrlPressed(bool on) { ctrlHeld = on; }
    void setRotateHandleVisible(bool on);
    void setFrameVisible(bool on);

    QPointF firstCorner() const { return p1; }
    QPointF secondCorner() const { return p2; }
    QPointF center() const { return c; }
    QPointF topLeft() const { return boundingSquare.topLeft(); }
    QPointF topRight() const { return boundingSquare.topRight(); }
    QPointF bottomRight() const { return boundingSquare.bottomRight(); }
    bool isValid() const;
    QSize rotatedSize() const;
    bool hasRotateHandle() const;

    // A quarter turn or a mirror (a Reorientation).
    void rotateOrMirror(int kind);
    // By one pixel towards an ArrowDirection; other numbers do nothing.
    void nudge(int direction);
    void reset();

    // Handle code of a point in widget coordinates.
    int hitTest(const QPointF &position) const;
    void updateCursor(const QPointF &position);
    int currentHitCode() const { return hitCode; }

    // The content scaled to the frame, turned and (for a left-handed frame) mirrored, in a
    // transparent pixmap of the frame's bounding square.
    static QPixmap renderContentInFrame(const QPixmap &content, const QPointF &p1,
                                        const QPointF &p2, const QPointF &c);
    static QPixmap renderShapeInFrame(const ShapeStyle &style, bool centreMark, const QPointF &p1,
                                      const QPointF &p2, const QPointF &c);
    static QPixmap renderShape(const QSize &size, const ShapeStyle &style, bool centreMark);

signals:
    void marqueeBlankClicked();
    void marqueeBeforeMove(int dragtype, QRect effectgeometry);
    void marqueeChanged(int dragtype);

protected:
    void paintEvent(QPaintEvent *event) override;
    void pointerPressed(const QPointF &position, bool pen) override;
    void pointerMoved(const QPointF &position, bool pen) override;
    void pointerReleased(const QPointF &position, bool pen) override;
    void keepDragOrigin() override;
    void dragTo() override;

private:
    void recomputeGeometry();
    void beginDrag(const QPointF &widgetPosition, const QPointF &parentPosition);
    bool constrainDragPoint(int hit, const QPointF &q, QPointF *constrained) const;
    bool resizedFrame(int hit, const QPointF &q, QPointF *n1, QPointF *n2, QPointF *nc) const;
    void updateCuboidDepth(int hit);
    QPixmap framePicture() const;

    double handleSize = 0;
    double rotateRadius = 0;
    double zoom = 1.0;
    QRectF boundingSquare;
    QRectF rotateHandleRect;
    QPointF p1;
    QPointF p2;
    QPointF c;
    QPointF dragStartP1;
    QPointF dragStartP2;
    QPointF dragStartC;
    QPointF rotateHandlePoint;
    bool rotateHandlePointSet = false;
    QPixmap rotateIcon;
    QPixmap content;
    ShapeStyle shape;
    bool rotateHandleOn = false;
    bool frameVisible = true;
    bool shiftHeld = false;
    bool ctrlHeld = false;

    // The last rendered frame picture; a pure move leaves it valid.
    mutable QPixmap cachedPicture;
    mutable QString cachedKey;
};

// The upright content of a rotated frame of a page picture (copy and export of a selection).
QPixmap copyFramedRegion(const QPixmap &page, const QPointF &p1, const QPointF &p2,
                         const QPointF &c);
// A transparent copy of the inclusive integer rect; null for a null source or an empty rect.
QPixmap cropPixmap(const QPixmap &source, const QRect &rect);
// Erases the rect to transparent.
void clearPixmapRect(QPixmap *pixmap, const QRectF &rect);
