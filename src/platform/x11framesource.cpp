#include "platform/x11framesource.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
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
    releaseShm();
    if (connection)
        xcb_disconnect(connection);
}

void X11FrameSource::releaseShm()
{
    if (shmSegment && connection)
        xcb_shm_detach(connection, shmSegment);
    if (shmData)
        shmdt(shmData);
    shmSegment = 0;
    shmData = nullptr;
    shmSize = 0;
    shmId = -1;
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
    releaseShm();
    auto *shmVersion =
        xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr);
    if (!shmVersion)
        return true; // a remote server: plain GetImage below
    std::free(shmVersion);
    const int size = area.width() * area.height() * 4;
    shmId = shmget(IPC_PRIVATE, static_cast<size_t>(size), IPC_CREAT | 0600);
    if (shmId < 0)
        return true;
    void *address = shmat(shmId, nullptr, 0);
    if (address == reinterpret_cast<void *>(-1)) {
        shmctl(shmId, IPC_RMID, nullptr);
        shmId = -1;
        return true;
    }
    shmData = static_cast<uchar *>(address);
    shmSize = size;
    shmSegment = xcb_generate_id(connection);
    xcb_generic_error_t *error =
        xcb_request_check(connection, xcb_shm_attach_checked(connection, shmSegment, shmId, 0));
    // Marked for removal now: the segment goes away with the last detach, even after a crash.
    shmctl(shmId, IPC_RMID, nullptr);
    if (error) {
        std::free(error);
        shmSegment = 0;
        releaseShm();
    }
    return true;
}

bool X11FrameSource::readRoot(const QRect &rect, uchar *target)
{
    const int bytes = rect.width() * rect.height() * 4;
    if (shmData && bytes <= shmSize) {
        auto *reply = xcb_shm_get_image_reply(
            connection,
            xcb_shm_get_image(connection, root, static_cast<int16_t>(rect.x()),
                              static_cast<int16_t>(rect.y()), static_cast<uint16_t>(rect.width()),
                              static_cast<uint16_t>(rect.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                              shmSegment, 0),
            nullptr);
        if (!reply)
            return false;
        std::free(reply);
        readNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                     std::chrono::steady_clock::now().time_since_epoch())
                     .count();
        if (target != shmData)
            std::memcpy(target, shmData, static_cast<size_t>(bytes));
        return true;
    }
    auto *reply = xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<int16_t>(rect.x()),
                      static_cast<int16_t>(rect.y()), static_cast<uint16_t>(rect.width()),
                      static_cast<uint16_t>(rect.height()), ~0u),
        nullptr);
    if (!reply)
        return false;
    readNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                 std::chrono::steady_clock::now().time_since_epoch())
                 .count();
    const bool whole = xcb_get_image_data_length(reply) >= bytes;
    if (whole)
        std::memcpy(target, xcb_get_image_data(reply), static_cast<size_t>(bytes));
    std::free(reply);
    return whole;
}

QImage X11FrameSource::grab()
{
    if (!connection || rootArea.isEmpty() || xcb_connection_has_error(connection))
        return {};
    const QRect visible = rootArea & QRect(0, 0, rootWidth, rootHeight);
    QImage image;
    if (visible == rootArea && shmData) {
        // The usual case: the picture is the shared memory itself, no copy.
        if (!readRoot(visible, shmData))
            return {};
        image = QImage(shmData, visible.width(), visible.height(), visible.width() * 4,
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
