#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointF>
#include <QRectF>

#include "drawing/stylerecords.h"
#include "items/draggeditem.h"

// The on-screen editor of one straight line. The canvas drives it while a line is drawn; once
// editable it handles its own input: drag either end or the whole line, Shift snaps to the axes,
// a press away from the line asks the canvas to commit it.
class CanvasLine : public DraggedItem
{
    Q_OBJECT
public:
    // Hit codes of the item.
    enum Hit { Outside = -1, OnLine = 0, EndHandle = 4, StartHandle = 8 };

    explicit CanvasLine(QWidget *parent = nullptr);

    void setPoints(const QPointF &start, const QPointF &end);
    void setEditable(bool on) { editable = on; }
    bool isEditable() const { return editable; }
    bool takesPointer() const override { return editable; }
    void setZoom(double value);
    double zoomFactor() const { return zoom; }
    void setShiftPressed(bool on) { shiftHeld = on; }
    void setLineStyle(const LineStyle &value);
    // 1 up, 2 down, 3 left, 4 right, by one pixel.
    void nudge(int direction);
    void reset();

    bool isValid() const;
    QPointF startPoint() const { return start; }
    QPointF endPoint() const { return end; }
    QPointF topLeft() const { return itemRect.topLeft(); }
    QPointF bottomRight() const { return itemRect.bottomRight(); }
    QRectF lineRect() const { return itemRect; }
    LineStyle lineStyle() const { return style; }

    // Hit code of a point in widget coordinates.
    int hitTest(const QPointF &position) const;

    // The line at zoom 1, to be drawn at the top-left of its padded rect; null for a width that
    // is not above 0 or a colour name that stands for no colour.
    static QPixmap renderToPixmap(const LineStyle &style, const QPointF &start, const QPointF &end);

signals:
    void lineBlankClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void pointerPressed(const QPointF &position, bool pen) override;
    void pointerMoved(const QPointF &position, bool pen) override;
    void pointerReleased(const QPointF &position, bool pen) override;
    void keepDragOrigin() override;
    void dragTo() override;

private:
    void updateGeometryFromPoints();
    bool isNearLine(const QPointF &position, double bandWidth) const;
    void updateCursor(const QPointF &position);
    void beginDrag(const QPointF &widgetPosition);
    QPointF toParent(const QPointF &widgetPosition) const;
    QPixmap renderForWidget() const;

    double handleSize = 0;
    double zoom = 1.0;
    bool editable = false;
    LineStyle style;
    QPointF start;
    QPointF end;
    QPointF dragOriginStart;
    QPointF dragOriginEnd;
    QRectF itemRect;
    bool shiftHeld = false;
};
