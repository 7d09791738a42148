#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QTabletEvent>
#include <QVector>
#include <QWidget>
#include <QtTest>

// Mouse and finger input through the window system into the shown widget's window, so that Qt
// routes it (and makes mouse events from touch) as on a screen.

inline void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &at,
                      Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    qt_handleMouseEvent(widget->window()->windowHandle(), widget->mapTo(widget->window(), at),
                        widget->mapToGlobal(at), held, button, type, Qt::NoModifier, 0);
}

// A press, a move to each later point and a release; tick runs before each move and release.
template <class Tick>
void stroke(QWidget *widget, QTouchDevice *finger, const QVector<QPoint> &points, Tick tick)
{
    for (int i = 0; i < points.size(); ++i) {
        if (i > 0)
            tick();
        if (!finger)
            sendMouse(widget, i ? QEvent::MouseMove : QEvent::MouseButtonPress, points.at(i));
        else if (i == 0)
            QTest::touchEvent(widget, finger).press(0, points.at(i), widget);
        else
            QTest::touchEvent(widget, finger).move(0, points.at(i), widget);
    }
    tick();
    if (finger)
        QTest::touchEvent(widget, finger).release(0, points.last(), widget);
    else
        sendMouse(widget, QEvent::MouseButtonRelease, points.last());
}

// Two fingers, a second one beside the first, moving apart by step steps times.
inline void pinchOpen(QWidget *widget, QTouchDevice *finger, const QPoint &a, const QPoint &b,
                      const QPoint &step, int steps)
{
    QTest::touchEvent(widget, finger).press(0, a, widget);
    QTest::touchEvent(widget, finger).move(0, a, widget).press(1, b, widget);
    for (int i = 1; i <= steps; ++i)
        QTest::touchEvent(widget, finger)
            .move(0, a - step * i, widget)
            .move(1, b + step * i, widget);
    const QPoint end = step * steps;
    QTest::touchEvent(widget, finger).release(0, a - end, widget).release(1, b + end, widget);
}

// count points along a wavy line from start, dx apart.
inline QVector<QPoint> wavyLine(const QPoint &start, int count, int dx = 17)
{
    QVector<QPoint> points;
    for (int i = 0; i < count; ++i)
        points << start + QPoint(dx * i, (i % 3) * 9 + 4 * i);
    return points;
}

// Events sent straight to a widget, for items tested on their own.

// A move with the left button held.
inline void dragMove(QWidget *widget, const QPoint &pos)
{
    QMouseEvent event(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A pen event at pos, its tip down from press to release.
inline void sendTablet(QWidget *widget, QEvent::Type type, const QPoint &pos)
{
    const Qt::MouseButton button = type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton;
    QTabletEvent event(type, pos, widget->mapToGlobal(pos), QTabletEvent::Stylus, QTabletEvent::Pen,
                       0.5, 0, 0, 0, 0, 0, Qt::NoModifier, 1, button, buttons);
    QApplication::sendEvent(widget, &event);
}

// Press, one move and release, all given in parent coordinates (as the canvas sees them), with
// the mouse or with the pen.
inline void dragInParent(QWidget *widget, const QPointF &from, const QPointF &to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, widget->mapFromParent(from.toPoint()));
    dragMove(widget, widget->mapFromParent(to.toPoint()));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->mapFromParent(to.toPoint()));
}
inline void penDragInParent(QWidget *widget, const QPoint &from, const QPoint &to)
{
    sendTablet(widget, QEvent::TabletPress, widget->mapFromParent(from));
    sendTablet(widget, QEvent::TabletMove, widget->mapFromParent(to));
    sendTablet(widget, QEvent::TabletRelease, widget->mapFromParent(to));
}
