#include "platform/x11shmimage.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

X11ShmImage::~X11ShmImage()
{
    release();
}

void X11ShmImage::release()
{
    if (m_segment && m_connection && !xcb_connection_has_error(m_connection))
        xcb_shm_detach(m_connection, m_segment);
    if (m_data)
        shmdt(m_data);
    m_segment = 0;
    m_data = nullptr;
    m_size = 0;
    m_connection = nullptr;
}

bool X11ShmImage::reserve(xcb_connection_t *connection, int bytes)
{
    if (m_data && connection == m_connection && bytes <= m_size)
        return true;
    release();
    if (!connection || bytes <= 0)
        return false;
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(connection, &xcb_shm_id);
    if (!ext || !ext->present)
        return false;
    auto *version =
        xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr);
    if (!version)
        return false;
    std::free(version);
    const int id = shmget(IPC_PRIVATE, static_cast<size_t>(bytes), IPC_CREAT | 0600);
    if (id < 0)
        return false;
    void *address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void *>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    const quint32 segment = xcb_generate_id(connection);
    xcb_generic_error_t *error =
        xcb_request_check(connection, xcb_shm_attach_checked(connection, segment, id, 0));
    // Marked for removal now: the segment goes away with the last detach, even after a crash.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        std::free(error);
        shmdt(address);
        return false;
    }
    m_connection = connection;
    m_segment = segment;
    m_data = static_cast<uchar *>(address);
    m_size = bytes;
    return true;
}

bool X11ShmImage::read(xcb_connection_t *connection, quint32 drawable, const QRect &rect,
                       uchar *target)
{
    if (!connection || rect.isEmpty())
        return false;
    const int bytes = rect.width() * rect.height() * 4;
    if (m_data && connection == m_connection && bytes <= m_size) {
        auto *reply = xcb_shm_get_image_reply(
            connection,
            xcb_shm_get_image(connection, drawable, static_cast<int16_t>(rect.x()),
                              static_cast<int16_t>(rect.y()), static_cast<uint16_t>(rect.width()),
                              static_cast<uint16_t>(rect.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                              m_segment, 0),
            nullptr);
        const bool fourBytes = reply && (reply->depth == 24 || reply->depth == 32);
        std::free(reply);
        if (!fourBytes)
            return false;
        if (target != m_data)
            std::memcpy(target, m_data, static_cast<size_t>(bytes));
        return true;
    }
    auto *reply = xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable,
                      static_cast<int16_t>(rect.x()), static_cast<int16_t>(rect.y()),
                      static_cast<uint16_t>(rect.width()), static_cast<uint16_t>(rect.height()),
                      ~0u),
        nullptr);
    if (!reply)
        return false;
    const bool whole =
        (reply->depth == 24 || reply->depth == 32) && xcb_get_image_data_length(reply) >= bytes;
    if (whole)
        std::memcpy(target, xcb_get_image_data(reply), static_cast<size_t>(bytes));
    std::free(reply);
    return whole;
}
