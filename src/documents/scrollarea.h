#pragma once

#include <QScrollArea>

class QTouchEvent;

// The viewport of one document. Besides scrolling it turns gestures on the area around the
// board into requests: Ctrl+wheel and pinches zoom, a press commits the board's shown items and
// starts panning, arrow keys ask for a direction step.
class ScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    explicit ScrollArea(QWidget *parent = nullptr);

    // An ArrowDirection; other values do nothing.
    void scrollByDirection(int type);

    // The zoom request of a two-or-more finger move, a ZoomDirection: None when nothing is to
    // be done, else Larger or Smaller with the relative change in value. A spread below one pixel
    // is no pinch: the first distance is the divisor.
    static int pinchZoom(double lastSpread, double spread, double *value);
    // Length of the path through the points in order.
    static double spreadOf(const QList<QPointF> &points);

signals:
    void sizeChanged();
    void wheelZoomed(int type);
    void touchZoomed(int type, double value);
    void blankClicked();
    void directionKeyPressed(int type);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void tabletEvent(QTabletEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    // Moves the focus without scrolling: QScrollArea would bring the focused board into view,
    // which centres a tall document (a hidden tab hands its focus on this way).
    bool focusNextPrevChild(bool next) override;

private:
    void startPanning(const QPointF &pos);
    void panTo(const QPointF &pos);
    void handleTouchUpdate(QTouchEvent *event);

    qint64 lastMoveTime = 0;
    int savedHorizontal = 0;
    int savedVertical = 0;
    // Off until a press: a stray move must not scroll towards the corner.
    bool panning = false;
    int pressX = 0;
    int pressY = 0;
};
