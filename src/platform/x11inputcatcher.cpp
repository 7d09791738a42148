#include "platform/x11inputcatcher.h"

#include <xcb/render.h>
#include <xcb/xcb.h>
#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QX11Info>

#include <cstdlib>

namespace {

xcb_connection_t *connection()
{
    return QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
}

// Points an event sent to window at target, in target's coordinates; others stay as they are.
template <class Event>
void redirect(xcb_generic_event_t *generic, xcb_window_t window, quintptr target, const QRect &rect)
{
    auto *event = reinterpret_cast<Event *>(generic);
    if (event->event != window)
        return;
    event->event = xcb_window_t(target);
    event->child = XCB_WINDOW_NONE;
    event->event_x = qint16(event->root_x - rect.x());
    event->event_y = qint16(event->root_y - rect.y());
}

// The server's 32-bit ARGB picture format, 0 when it has none.
xcb_render_pictformat_t argbFormat(xcb_connection_t *c)
{
    xcb_render_query_pict_formats_reply_t *reply =
        xcb_render_query_pict_formats_reply(c, xcb_render_query_pict_formats(c), nullptr);
    if (!reply)
        return 0;
    xcb_render_pictformat_t found = 0;
    for (auto it = xcb_render_query_pict_formats_formats_iterator(reply); it.rem && !found;
         xcb_render_pictforminfo_next(&it)) {
        const xcb_render_directformat_t &d = it.data->direct;
        if (it.data->type == XCB_RENDER_PICT_TYPE_DIRECT && it.data->depth == 32 &&
            d.alpha_mask == 0xff && d.alpha_shift == 24 && d.red_shift == 16 &&
            d.green_shift == 8 && d.blue_shift == 0)
            found = it.data->id;
    }
    std::free(reply);
    return found;
}

xcb_cursor_t pictureCursor(xcb_connection_t *c, const QImage &picture, const QPoint &hotSpot)
{
    const xcb_render_pictformat_t format = argbFormat(c);
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!format || image.isNull() || image.width() > 256 || image.height() > 256)
        return 0;
    const xcb_window_t root = QX11Info::appRootWindow();
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const xcb_render_picture_t pict = xcb_generate_id(c);
    const xcb_cursor_t cursor = xcb_generate_id(c);
    xcb_create_pixmap(c, 32, pixmap, root, quint16(image.width()), quint16(image.height()));
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    // QImage rows of 32-bit pixels are as the server wants them.
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, quint16(image.width()),
                  quint16(image.height()), 0, 0, 0, 32, uint32_t(image.sizeInBytes()),
                  image.constBits());
    xcb_render_create_picture(c, pict, pixmap, format, 0, nullptr);
    xcb_render_create_cursor(c, cursor, pict, quint16(hotSpot.x()), quint16(hotSpot.y()));
    xcb_render_free_picture(c, pict);
    xcb_free_gc(c, gc);
    xcb_free_pixmap(c, pixmap);
    return cursor;
}

// The standard cursor font's glyph for a shape; 0 (the parent's cursor) for those it lacks.
xcb_cursor_t shapeCursor(xcb_connection_t *c, Qt::CursorShape shape)
{
    static const QHash<int, int> glyphs = {{Qt::ArrowCursor, 68},        {Qt::CrossCursor, 34},
                                           {Qt::SizeHorCursor, 108},     {Qt::SizeVerCursor, 116},
                                           {Qt::SizeFDiagCursor, 14},    {Qt::IBeamCursor, 152},
                                           {Qt::PointingHandCursor, 60}, {Qt::SizeAllCursor, 52}};
    const int glyph = glyphs.value(shape, -1);
    if (glyph < 0)
        return 0;
    const xcb_font_t font = xcb_generate_id(c);
    const char name[] = "cursor";
    xcb_open_font(c, font, sizeof(name) - 1, name);
    const xcb_cursor_t cursor = xcb_generate_id(c);
    xcb_create_glyph_cursor(c, cursor, font, font, quint16(glyph), quint16(glyph + 1), 0, 0, 0,
                            0xffff, 0xffff, 0xffff);
    xcb_close_font(c, font);
    return cursor;
}

} // namespace

X11InputCatcher::X11InputCatcher()
{
    xcb_connection_t *c = connection();
    if (!c)
        return;
    m_window = xcb_generate_id(c);
    // On the root until it knows its holder; never managed, so that it gets no frame.
    const uint32_t values[] = {1, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                      XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW |
                                      XCB_EVENT_MASK_LEAVE_WINDOW};
    xcb_create_window(c, 0, m_window, QX11Info::appRootWindow(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_flush(c);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11InputCatcher::~X11InputCatcher()
{
    if (!m_window)
        return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    if (xcb_connection_t *c = connection()) {
        xcb_destroy_window(c, m_window);
        xcb_flush(c);
    }
}

void X11InputCatcher::setTarget(quintptr window, const QRect &rootRect, quintptr holder,
                                const QPoint &holderOrigin)
{
    m_target = window;
    if (rootRect.isEmpty() || !holder)
        return;
    m_rect = rootRect;
    xcb_connection_t *c = connection();
    if (!c || !m_window)
        return;
    const QRect placed = rootRect.translated(-holderOrigin);
    if (holder != m_holder) {
        m_holder = holder;
        xcb_reparent_window(c, m_window, xcb_window_t(holder), qint16(placed.x()),
                            qint16(placed.y()));
    }
    // Placed and put on top of the holder's children each time: a native child of the holder
    // may have been raised over it meanwhile.
    const uint32_t values[] = {uint32_t(placed.x()), uint32_t(placed.y()), uint32_t(placed.width()),
                               uint32_t(placed.height()), XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c, m_window,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_STACK_MODE,
                         values);
    xcb_flush(c);
}

void X11InputCatcher::setActive(bool active)
{
    xcb_connection_t *c = connection();
    if (!c || !m_window || active == m_active)
        return;
    m_active = active;
    if (active)
        xcb_map_window(c, m_window);
    else
        xcb_unmap_window(c, m_window);
    xcb_flush(c);
}

void X11InputCatcher::raise()
{
    xcb_connection_t *c = connection();
    if (!c || !m_window || !m_active)
        return;
    const uint32_t values[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c, m_window, XCB_CONFIG_WINDOW_STACK_MODE, values);
    xcb_flush(c);
}

void X11InputCatcher::holdInput(quintptr window)
{
    xcb_connection_t *c = connection();
    if (!c || !window)
        return;
    const xcb_window_t w = xcb_window_t(window);
    xcb_grab_button(c, 0, w, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_WINDOW_NONE, XCB_CURSOR_NONE,
                    XCB_BUTTON_INDEX_3, XCB_MOD_MASK_ANY);
    // Every key: the page keys turn our pages, and the shortcut keys pick our tools even with
    // the pointer over the show, where the server would hand them to the office's window.
    xcb_grab_key(c, 1, w, XCB_MOD_MASK_ANY, XCB_GRAB_ANY, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_flush(c);
}

void X11InputCatcher::setCursor(const QCursor &cursor)
{
    xcb_connection_t *c = connection();
    if (!c || !m_window)
        return;
    const xcb_cursor_t made = cursor.shape() == Qt::BitmapCursor
                                  ? pictureCursor(c, cursor.pixmap().toImage(), cursor.hotSpot())
                                  : shapeCursor(c, cursor.shape());
    // The window holds on to its cursor: ours can go at once.
    xcb_change_window_attributes(c, m_window, XCB_CW_CURSOR, &made);
    if (made)
        xcb_free_cursor(c, made);
    xcb_flush(c);
}

bool X11InputCatcher::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    if (!m_window || !m_target || eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    switch (event->response_type & ~0x80) {
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE:
            redirect<xcb_button_press_event_t>(event, m_window, m_target, m_rect);
            break;
        case XCB_MOTION_NOTIFY:
            redirect<xcb_motion_notify_event_t>(event, m_window, m_target, m_rect);
            break;
        case XCB_ENTER_NOTIFY:
        case XCB_LEAVE_NOTIFY:
            redirect<xcb_enter_notify_event_t>(event, m_window, m_target, m_rect);
            break;
        default:
            break;
    }
    // Qt goes on and handles the event as the target's.
    return false;
}
