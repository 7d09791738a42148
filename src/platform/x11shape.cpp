#include "platform/x11shape.h"

#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QVector>
#include <QX11Info>

#include <cstdlib>

namespace {

xcb_connection_t *shapeConnection()
{
    if (!QX11Info::isPlatformX11())
        return nullptr;
    static const bool present = [] {
        xcb_connection_t *c = QX11Info::connection();
        const xcb_query_extension_reply_t *ext =
            c ? xcb_get_extension_data(c, &xcb_shape_id) : nullptr;
        if (!ext || !ext->present)
            return false;
        // Input shapes came with version 1.1.
        xcb_shape_query_version_reply_t *version =
            xcb_shape_query_version_reply(c, xcb_shape_query_version(c), nullptr);
        const bool usable =
            version && (version->major_version > 1 ||
                        (version->major_version == 1 && version->minor_version >= 1));
        std::free(version);
        return usable;
    }();
    return present ? QX11Info::connection() : nullptr;
}

xcb_shape_kind_t kindOf(X11Shape::Kind kind)
{
    return kind == X11Shape::Bounding ? XCB_SHAPE_SK_BOUNDING : XCB_SHAPE_SK_INPUT;
}

void combine(quintptr window, X11Shape::Kind kind, xcb_shape_op_t op, const QRegion &region)
{
    xcb_connection_t *c = shapeConnection();
    if (!c || !window)
        return;
    QVector<xcb_rectangle_t> rects;
    rects.reserve(region.rectCount());
    for (const QRect &r : region) {
        rects.append({qint16(r.x()), qint16(r.y()), quint16(r.width()), quint16(r.height())});
    }
    // QRegion hands its rectangles out in Y-X bands, which the server can take as they are.
    xcb_shape_rectangles(c, op, kindOf(kind), XCB_CLIP_ORDERING_YX_BANDED, xcb_window_t(window), 0,
                         0, uint32_t(rects.size()), rects.constData());
    xcb_flush(c);
}

} // namespace

bool X11Shape::available()
{
    return shapeConnection() != nullptr;
}

void X11Shape::set(quintptr window, Kind kind, const QRegion &region)
{
    combine(window, kind, XCB_SHAPE_SO_SET, region);
}

void X11Shape::unite(quintptr window, Kind kind, const QRegion &region)
{
    if (!region.isEmpty())
        combine(window, kind, XCB_SHAPE_SO_UNION, region);
}

void X11Shape::subtract(quintptr window, Kind kind, const QRegion &region)
{
    if (!region.isEmpty())
        combine(window, kind, XCB_SHAPE_SO_SUBTRACT, region);
}

void X11Shape::reset(quintptr window, Kind kind)
{
    xcb_connection_t *c = shapeConnection();
    if (!c || !window)
        return;
    xcb_shape_mask(c, XCB_SHAPE_SO_SET, kindOf(kind), xcb_window_t(window), 0, 0, XCB_PIXMAP_NONE);
    xcb_flush(c);
}

QRegion X11Shape::read(quintptr window, Kind kind)
{
    xcb_connection_t *c = shapeConnection();
    if (!c || !window)
        return QRegion();
    xcb_shape_get_rectangles_reply_t *reply = xcb_shape_get_rectangles_reply(
        c, xcb_shape_get_rectangles(c, xcb_window_t(window), kindOf(kind)), nullptr);
    if (!reply)
        return QRegion();
    QRegion region;
    const xcb_rectangle_t *rects = xcb_shape_get_rectangles_rectangles(reply);
    const int count = xcb_shape_get_rectangles_rectangles_length(reply);
    for (int i = 0; i < count; ++i)
        region += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    std::free(reply);
    return region;
}
