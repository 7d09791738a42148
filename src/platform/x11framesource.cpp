#include "platform/x11framesource.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <QPainter>
#include <chrono>
#include <cstdlib>
#include <cstring>

X11FrameSource::X11FrameSource(const QPoint &screenOrigin)
    : origin(screenOrigin)
{}

X11FrameSource::~X11FrameSource()
{
    shm.release();
    if (connection)
        xcb_disconnect(connection);
}

bool X11FrameSource::open(const QRect &area)
{
    if (area.isEmpty())
        return false;
    if (!connection) {
        // No DISPLAY: no X server to read, and xcb_connect must not be tried.
        if (!std::getenv("DISPLAY"))
            return false;
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            connection = nullptr;
            return false;
        }
        const xcb_setup_t *setup = xcb_get_setup(connection);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(setup).data;
        if (!screen)
            return false;
        // Pictures are taken as 32 bits a pixel, which the usual 24- and 32-bit depths give.
        bool fourBytes = false;
        for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
            if (it.data->depth == screen->root_depth)
                fourBytes = it.data->bits_per_pixel == 32;
        }
        if (!fourBytes)
            return false;
        root = screen->root;
        rootWidth = screen->width_in_pixels;
        rootHeight = screen->height_in_pixels;
        auto *fixes = xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, 4, 0), nullptr);
        hasXFixes = fixes != nullptr;
        std::free(fixes);
    }
    rootArea = area.translated(origin);
    shm.release();
    // Without shared memory (a remote server) plain GetImage does.
    shm.reserve(connection, area.width() * area.height() * 4);
    return true;
}

bool X11FrameSource::readRoot(const QRect &rect, uchar *target)
{
    if (!shm.read(connection, root, rect, target))
        return false;
    readNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                 std::chrono::steady_clock::now().time_since_epoch())
                 .count();
    return true;
}

QImage X11FrameSource::grab()
{
    if (!connection || rootArea.isEmpty() || xcb_connection_has_error(connection))
        return {};
    const QRect visible = rootArea & QRect(0, 0, rootWidth, rootHeight);
    QImage image;
    if (visible == rootArea && shm.data()) {
        // The usual case: the picture is the shared memory itself, no copy.
        if (!readRoot(visible, shm.data()))
            return {};
        image = QImage(shm.data(), visible.width(), visible.height(), visible.width() * 4,
                       QImage::Format_RGB32);
    } else {
        image = QImage(rootArea.size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        if (!visible.isEmpty()) {
            QImage part(visible.size(), QImage::Format_RGB32);
            if (!readRoot(visible, part.bits()))
                return {};
            QPainter painter(&image);
            painter.drawImage(visible.topLeft() - rootArea.topLeft(), part);
        }
    }
    drawPointer(image);
    return image;
}

void X11FrameSource::drawPointer(QImage &image)
{
    if (!hasXFixes)
        return;
    auto *reply = xcb_xfixes_get_cursor_image_reply(
        connection, xcb_xfixes_get_cursor_image(connection), nullptr);
    if (!reply)
        return;
    const QPoint position(reply->x, reply->y);
    if (reply->cursor_serial != pointerSerial || pointerImage.isNull()) {
        // The picture is fetched anew only when the pointer's shape changed.
        pointerSerial = reply->cursor_serial;
        pointerHotSpot = QPoint(reply->xhot, reply->yhot);
        const uint32_t *pixels = xcb_xfixes_get_cursor_image_cursor_image(reply);
        QImage shape(reply->width, reply->height, QImage::Format_ARGB32_Premultiplied);
        for (int row = 0; row < shape.height(); ++row)
            std::memcpy(shape.scanLine(row), pixels + row * shape.width(),
                        static_cast<size_t>(shape.width()) * 4);
        pointerImage = shape;
    }
    std::free(reply);
    if (!rootArea.contains(position) || pointerImage.isNull())
        return;
    QPainter painter(&image);
    painter.drawImage(position - pointerHotSpot - rootArea.topLeft(), pointerImage);
}
