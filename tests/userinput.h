#pragma once

#include <QTouchDevice>
#include <QVector>
#include <QWidget>
#include <QtTest>

// Input as a user's mouse and fingers produce it: through the window system into the shown
// widget's window, so that Qt routes it (and makes mouse events from touch) as on a screen.

inline void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &at,
                      Qt::MouseButton button = Qt::LeftButton,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWindow *window = widget->window()->windowHandle();
    const QPointF local = widget->mapTo(widget->window(), at);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    static int time = 0;
    time += 20;
    qt_handleMouseEvent(window, local, widget->mapToGlobal(at), held, button, type, modifiers,
                        time);
    QCoreApplication::processEvents();
}

// A press, a move to each point after the first and a release; tick runs before each move and
// the release (the boards' clocks).
template <class Tick>
void mouseStroke(QWidget *widget, const QVector<QPoint> &points, Tick tick,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    sendMouse(widget, QEvent::MouseButtonPress, points.first(), Qt::LeftButton, modifiers);
    for (int i = 1; i < points.size(); ++i) {
        tick();
        sendMouse(widget, QEvent::MouseMove, points.at(i), Qt::LeftButton, modifiers);
    }
    tick();
    sendMouse(widget, QEvent::MouseButtonRelease, points.last(), Qt::LeftButton, modifiers);
}

template <class Tick>
void fingerStroke(QWidget *widget, QTouchDevice *device, const QVector<QPoint> &points, Tick tick)
{
    QTest::touchEvent(widget, device).press(0, points.first(), widget);
    for (int i = 1; i < points.size(); ++i) {
        tick();
        QTest::touchEvent(widget, device).move(0, points.at(i), widget);
    }
    tick();
    QTest::touchEvent(widget, device).release(0, points.last(), widget);
}

// Two fingers at a and b that move apart by step on each of steps moves.
inline void pinchOpen(QWidget *widget, QTouchDevice *device, const QPoint &a, const QPoint &b,
                      const QPoint &step, int steps)
{
    QTest::touchEvent(widget, device).press(0, a, widget);
    QTest::touchEvent(widget, device).move(0, a, widget).press(1, b, widget);
    for (int i = 1; i <= steps; ++i)
        QTest::touchEvent(widget, device)
            .move(0, a - step * i, widget)
            .move(1, b + step * i, widget);
    QTest::touchEvent(widget, device)
        .release(0, a - step * steps, widget)
        .release(1, b + step * steps, widget);
}

// Points along a wavy line from start, dx apart.
inline QVector<QPoint> wavyLine(const QPoint &start, int count, int dx = 17)
{
    QVector<QPoint> points;
    for (int i = 0; i < count; ++i)
        points << start + QPoint(dx * i, (i % 3) * 9 + 4 * i);
    return points;
}

// Pixels whose colour channels differ by more than tolerance.
inline int differingPixels(const QImage &a, const QImage &b, int tolerance = 8)
{
    if (a.size() != b.size())
        return qMax(a.width() * a.height(), b.width() * b.height());
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int r = 0; r < x.height(); ++r) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(r));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c) {
            const int d =
                qMax(qMax(qAbs(qRed(p[c]) - qRed(q[c])), qAbs(qGreen(p[c]) - qGreen(q[c]))),
                     qMax(qAbs(qBlue(p[c]) - qBlue(q[c])), qAbs(qAlpha(p[c]) - qAlpha(q[c]))));
            count += d > tolerance ? 1 : 0;
        }
    }
    return count;
}
