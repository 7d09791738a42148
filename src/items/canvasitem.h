#pragma once

#include <QLabel>

// What every interactive item of a board is: a label over the board that tells when it shows
// or hides (the board then updates its tool buttons).
class CanvasItem : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    // True while a press drags the item or a part of it (a pen's moves are thinned then).
    virtual bool isDragging() const { return false; }
    // False while the item leaves the pointer to the board beneath it.
    virtual bool takesPointer() const { return true; }

signals:
    void showHideChanged(bool shown);

protected:
    // Covers area (parent coordinates, grown to whole pixels); a repaint when it already does.
    // Nothing for an empty area.
    void coverArea(const QRectF &area);
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

    // The left mouse button and a pen drive an item alike: their presses, moves and releases
    // arrive here in widget coordinates. The mouse is passed over while a pen is near, and a
    // pen's moves during a drag are thinned as takePenMove says.
    virtual void pointerPressed(const QPointF &position, bool pen);
    virtual void pointerMoved(const QPointF &position, bool pen);
    virtual void pointerReleased(const QPointF &position, bool pen);
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void tabletEvent(QTabletEvent *event) override;

    // When the last pen move during a drag was taken; 0 lets the next one through.
    qint64 lastPenMove = 0;
};
