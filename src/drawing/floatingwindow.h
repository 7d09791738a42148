#pragma once

#include <QPoint>
#include <QWidget>

// A small window floating over the board (the camera, the timer): the left button drags it by
// its body, an arrow key moves it a pixel, and any other key, unless repeated, reaches the main
// window's shortcuts.
class FloatingWindow : public QWidget
{
    Q_OBJECT
public:
    FloatingWindow(QWidget *mainWindow, Qt::WindowFlags flags);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Every drag step ends here; topLeft in screen coordinates.
    virtual void moveWindowTo(const QPoint &topLeft);

    QWidget *mainWindow = nullptr;

private:
    bool dragging = false;
    QPoint cursorAtPress;
    QPoint originAtPress;
};
