#include "mainwindow/edgeresizer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

EdgeResizer::EdgeResizer(QWidget *window, int margin)
    : QObject(window)
    , m_window(window)
    , m_margin(margin)
{
    // The native window comes and goes with show() and setWindowFlags(); follow it.
    window->installEventFilter(this);
    watchNativeWindow();
}

EdgeResizer::~EdgeResizer()
{
    showCursorFor({});
}

Qt::Edges EdgeResizer::edgesAt(const QSize &size, const QPoint &pos, int margin)
{
    Qt::Edges edges;
    if (!QRect(QPoint(0, 0), size).contains(pos))
        return edges;
    if (pos.x() < margin)
        edges |= Qt::LeftEdge;
    else if (pos.x() >= size.width() - margin)
        edges |= Qt::RightEdge;
    if (pos.y() < margin)
        edges |= Qt::TopEdge;
    else if (pos.y() >= size.height() - margin)
        edges |= Qt::BottomEdge;
    return edges;
}

void EdgeResizer::watchNativeWindow()
{
    QWindow *native = m_window->windowHandle();
    if (native == m_watched)
        return;
    if (m_watched)
        m_watched->removeEventFilter(this);
    m_watched = native;
    // Mouse events reach the native window before any child widget sees them.
    if (m_watched)
        m_watched->installEventFilter(this);
}

bool EdgeResizer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
            watchNativeWindow();
        return false;
    }
    if (watched != m_watched)
        return false;
    switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            return onMouseEvent(static_cast<QMouseEvent *>(event));
        case QEvent::Leave:
            if (!m_dragEdges)
                showCursorFor({});
            return false;
        default:
            return false;
    }
}

bool EdgeResizer::onMouseEvent(QMouseEvent *event)
{
    if (m_dragEdges) {
        if (event->type() == QEvent::MouseButtonRelease) {
            m_dragEdges = {};
            showCursorFor(edgesAt(m_window->size(), event->pos(), m_margin));
            return true;
        }
        const QPoint d = event->globalPos() - m_startPos;
        const QSize min = m_window->minimumSize();
        QRect r = m_startGeometry;
        if (m_dragEdges & Qt::LeftEdge)
            r.setLeft(qMin(r.left() + d.x(), r.right() + 1 - min.width()));
        if (m_dragEdges & Qt::RightEdge)
            r.setRight(qMax(r.right() + d.x(), r.left() - 1 + min.width()));
        if (m_dragEdges & Qt::TopEdge)
            r.setTop(qMin(r.top() + d.y(), r.bottom() + 1 - min.height()));
        if (m_dragEdges & Qt::BottomEdge)
            r.setBottom(qMax(r.bottom() + d.y(), r.top() - 1 + min.height()));
        m_window->setGeometry(r);
        return true;
    }
    const bool resizable =
        !(m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
    const Qt::Edges edges =
        resizable ? edgesAt(m_window->size(), event->pos(), m_margin) : Qt::Edges();
    if (event->type() == QEvent::MouseMove && event->buttons() == Qt::NoButton)
        showCursorFor(edges);
    if (event->type() != QEvent::MouseButtonPress || event->button() != Qt::LeftButton || !edges)
        return false;
    if (m_watched->startSystemResize(edges)) {
        showCursorFor({});
        return true;
    }
    m_dragEdges = edges;
    m_startGeometry = m_window->geometry();
    m_startPos = event->globalPos();
    return true;
}

void EdgeResizer::showCursorFor(Qt::Edges edges)
{
    if (edges == m_cursorEdges)
        return;
    Qt::CursorShape shape = Qt::SizeVerCursor;
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        shape = Qt::SizeFDiagCursor;
    else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        shape = Qt::SizeBDiagCursor;
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        shape = Qt::SizeHorCursor;
    // The override cursor hides the cursors of the widgets below only while it is up.
    if (!edges)
        QApplication::restoreOverrideCursor();
    else if (m_cursorEdges)
        QApplication::changeOverrideCursor(shape);
    else
        QApplication::setOverrideCursor(shape);
    m_cursorEdges = edges;
}
