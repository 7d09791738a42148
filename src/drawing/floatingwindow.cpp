#include "drawing/floatingwindow.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "drawing/canvashost.h"

FloatingWindow::FloatingWindow(QWidget *mainWindowWidget, Qt::WindowFlags flags)
    : QWidget(mainWindowWidget, flags)
    , mainWindow(mainWindowWidget)
{}

void FloatingWindow::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    static const struct
    {
        int key;
        QPoint step;
    } arrows[] = {{Qt::Key_Up, {0, -1}},
                  {Qt::Key_Down, {0, 1}},
                  {Qt::Key_Left, {-1, 0}},
                  {Qt::Key_Right, {1, 0}}};
    for (const auto &arrow : arrows) {
        if (event->key() == arrow.key) {
            setGeometry(geometry().translated(arrow.step));
            return;
        }
    }
    if (event->isAutoRepeat())
        return;
    if (auto *host = dynamic_cast<CanvasHost *>(mainWindow))
        host->handleShortcutKey(event->key(), event->modifiers());
}

void FloatingWindow::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton) {
        dragging = true;
        cursorAtPress = event->globalPos();
        originAtPress = geometry().topLeft();
    }
    setFocus();
}

void FloatingWindow::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (dragging)
        moveWindowTo(originAtPress + (event->globalPos() - cursorAtPress));
}

void FloatingWindow::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        dragging = false;
}

void FloatingWindow::moveWindowTo(const QPoint &topLeft)
{
    setGeometry(QRect(topLeft, size()));
}
