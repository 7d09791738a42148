#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QMouseEvent;
class QWidget;
class QWindow;

// Resizes a window that has no frame of the window manager from its edges. The window manager
// takes over the drag when it can (QWindow::startSystemResize); without one the window follows
// the mouse itself. Maximised and full-screen windows keep their size.
class EdgeResizer : public QObject
{
    Q_OBJECT
public:
    EdgeResizer(QWidget *window, int margin);
    ~EdgeResizer() override;

    // The edges within margin pixels of pos, in a window of the given size.
    static Qt::Edges edgesAt(const QSize &size, const QPoint &pos, int margin);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchNativeWindow();
    bool onMouseEvent(QMouseEvent *event);
    void showCursorFor(Qt::Edges edges);

    QWidget *m_window = nullptr;
    QWindow *m_watched = nullptr;
    int m_margin = 0;
    Qt::Edges m_cursorEdges;
    Qt::Edges m_dragEdges;
    QRect m_startGeometry;
    QPoint m_startPos;
};
