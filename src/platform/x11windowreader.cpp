#include "platform/x11windowreader.h"

#include <xcb/composite.h>
#include <xcb/xcb.h>
#include <QHash>
#include <QPainter>
#include <QX11Info>

#include <cstdlib>

namespace {

xcb_connection_t *connection()
{
    return QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
}

quint64 digestOf(const QImage &image)
{
    const auto *bits = reinterpret_cast<const char *>(image.constBits());
    const size_t bytes = size_t(image.sizeInBytes());
    return (quint64(qHashBits(bits, bytes, 0x9e3779b9u)) << 32) | qHashBits(bits, bytes, 17u);
}

struct Child
{
    xcb_window_t window;
    QRect rect;
};

// The mapped windows right inside window, bottom first, where they lie in it.
QList<Child> mappedChildren(xcb_connection_t *c, xcb_window_t window)
{
    QList<Child> children;
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    if (!tree)
        return children;
    const xcb_window_t *ids = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        auto *attributes =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, ids[i]), nullptr);
        auto *geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, ids[i]), nullptr);
        if (attributes && geometry && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
            attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT)
            children.append(
                {ids[i], QRect(geometry->x, geometry->y, geometry->width, geometry->height)});
        std::free(attributes);
        std::free(geometry);
    }
    std::free(tree);
    return children;
}

} // namespace

QSize X11WindowReader::windowSize(quintptr window)
{
    xcb_connection_t *c = connection();
    if (!c || !window)
        return QSize();
    xcb_get_geometry_reply_t *reply =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, xcb_drawable_t(window)), nullptr);
    const QSize size = reply ? QSize(reply->width, reply->height) : QSize();
    std::free(reply);
    return size;
}

bool X11WindowReader::hasChildWindows(quintptr window)
{
    xcb_connection_t *c = connection();
    if (!c || !window)
        return false;
    xcb_query_tree_reply_t *reply =
        xcb_query_tree_reply(c, xcb_query_tree(c, xcb_window_t(window)), nullptr);
    const bool has = reply && xcb_query_tree_children_length(reply) > 0;
    std::free(reply);
    return has;
}

bool X11WindowReader::redirect(quintptr window)
{
    xcb_connection_t *c = connection();
    m_redirected = 0;
    if (!c || !window)
        return false;
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_composite_id);
    if (!ext || !ext->present)
        return false;
    // Named pixmaps came with version 0.2.
    auto *version =
        xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr);
    const bool usable = version && (version->major_version > 0 || version->minor_version >= 2);
    std::free(version);
    if (!usable)
        return false;
    xcb_generic_error_t *error =
        xcb_request_check(c, xcb_composite_redirect_subwindows_checked(
                                 c, xcb_window_t(window), XCB_COMPOSITE_REDIRECT_AUTOMATIC));
    if (error) {
        std::free(error);
        return false;
    }
    m_redirected = window;
    return true;
}

void X11WindowReader::release()
{
    m_shm.release();
    m_view = QImage();
    m_composed = QImage();
}

bool X11WindowReader::read(quintptr window)
{
    xcb_connection_t *c = connection();
    const QSize size = windowSize(window);
    if (!c || size.isEmpty())
        return false;
    m_shm.reserve(c, size.width() * size.height() * 4);
    const bool read = window == m_redirected ? readInner(window, size) : false;
    if (!read) {
        // What the screen shows in the window, whatever lies over it.
        if (m_shm.data()) {
            if (!m_shm.read(c, xcb_drawable_t(window), QRect(QPoint(), size), m_shm.data()))
                return false;
            m_view = QImage(m_shm.data(), size.width(), size.height(), size.width() * 4,
                            QImage::Format_RGB32);
        } else {
            m_composed = QImage(size, QImage::Format_RGB32);
            if (!m_shm.read(c, xcb_drawable_t(window), QRect(QPoint(), size), m_composed.bits()))
                return false;
            m_view = m_composed;
        }
    }
    m_digest = digestOf(m_view);
    return true;
}

bool X11WindowReader::readInner(quintptr window, const QSize &size)
{
    xcb_connection_t *c = connection();
    const QList<Child> children = mappedChildren(c, xcb_window_t(window));
    if (children.isEmpty())
        return false;
    // The usual case: one window filling ours, read straight into the shared memory.
    const bool alone = children.size() == 1 && children.first().rect == QRect(QPoint(), size);
    if (!alone) {
        m_composed = QImage(size, QImage::Format_RGB32);
        m_composed.fill(Qt::black);
    }
    QPainter painter;
    if (!alone)
        painter.begin(&m_composed);
    for (const Child &child : children) {
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_generic_error_t *error =
            xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, child.window, pixmap));
        if (error) {
            std::free(error);
            return false;
        }
        const QRect rect(QPoint(), child.rect.size());
        QImage part;
        if (alone && m_shm.data()) {
            if (m_shm.read(c, pixmap, rect, m_shm.data()))
                part = QImage(m_shm.data(), rect.width(), rect.height(), rect.width() * 4,
                              QImage::Format_RGB32);
        } else {
            part = QImage(rect.size(), QImage::Format_RGB32);
            if (!m_shm.read(c, pixmap, rect, part.bits()))
                part = QImage();
        }
        xcb_free_pixmap(c, pixmap);
        if (part.isNull())
            return false;
        if (alone)
            m_view = part;
        else
            painter.drawImage(child.rect.topLeft(), part);
    }
    if (!alone) {
        painter.end();
        m_view = m_composed;
    }
    return true;
}

QImage X11WindowReader::image() const
{
    return m_view.copy();
}
