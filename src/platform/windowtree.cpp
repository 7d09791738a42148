#include "platform/windowtree.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>
#include <QX11Info>

#include <cstdlib>

namespace {

int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0;
}

// Windows may vanish while we walk the tree; their errors must not end the program.
struct ErrorGuard
{
    ErrorGuard()
        : previous(XSetErrorHandler(ignoreXErrors))
    {}
    ~ErrorGuard() { XSetErrorHandler(previous); }
    int (*previous)(Display *, XErrorEvent *);
};

QList<WindowHandle> windowListProperty(Display *display, Window window, Atom property)
{
    QList<WindowHandle> result;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 65536, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (type == XA_WINDOW && format == 32) {
            const auto *windows = reinterpret_cast<const unsigned long *>(data);
            for (unsigned long i = 0; i < count; ++i)
                result.append(windows[i]);
        }
        XFree(data);
    }
    return result;
}

} // namespace

X11WindowTree::X11WindowTree()
    : m_display(XOpenDisplay(nullptr))
{}

X11WindowTree::~X11WindowTree()
{
    if (m_display)
        XCloseDisplay(m_display);
}

QList<WindowHandle> X11WindowTree::topLevelWindows() const
{
    if (!m_display)
        return {};
    ErrorGuard guard;
    const Window root = DefaultRootWindow(m_display);
    const Atom clientList = XInternAtom(m_display, "_NET_CLIENT_LIST", False);
    QList<WindowHandle> windows = windowListProperty(m_display, root, clientList);
    if (!windows.isEmpty())
        return windows;
    // No window manager: the root's children are the top-level windows.
    return childWindows(root);
}

QList<WindowHandle> X11WindowTree::childWindows(WindowHandle window) const
{
    QList<WindowHandle> result;
    if (!m_display)
        return result;
    ErrorGuard guard;
    Window root = 0, parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(m_display, window, &root, &parent, &children, &count) && children) {
        for (unsigned int i = 0; i < count; ++i)
            result.append(children[i]);
        XFree(children);
    }
    return result;
}

QString X11WindowTree::windowTitle(WindowHandle window) const
{
    if (!m_display)
        return QString();
    ErrorGuard guard;
    const Atom netName = XInternAtom(m_display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    QString title;
    if (XGetWindowProperty(m_display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        if (type == utf8 && format == 8)
            title = QString::fromUtf8(reinterpret_cast<const char *>(data), int(count));
        XFree(data);
    }
    if (title.isEmpty()) {
        XTextProperty text;
        if (XGetWMName(m_display, window, &text) && text.value) {
            title = QString::fromLocal8Bit(reinterpret_cast<const char *>(text.value),
                                           int(text.nitems));
            XFree(text.value);
        }
    }
    return title;
}

bool X11WindowTree::activateWindow(WindowHandle window)
{
    if (!m_display)
        return false;
    ErrorGuard guard;
    const Window root = DefaultRootWindow(m_display);
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // from a pager: window managers honour it
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    // Without a window manager the message goes nowhere: map and raise directly.
    XMapRaised(m_display, window);
    XSync(m_display, False);
    return true;
}

bool windowManagerRunning()
{
    xcb_connection_t *c = QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
    if (!c)
        return false;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof(name) - 1, name), nullptr);
    const xcb_atom_t check = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(atom);
    if (check == XCB_ATOM_NONE)
        return false;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, QX11Info::appRootWindow(), check, XCB_ATOM_WINDOW, 0, 1),
        nullptr);
    xcb_window_t named = XCB_WINDOW_NONE;
    if (reply && xcb_get_property_value_length(reply) == 4)
        named = *static_cast<xcb_window_t *>(xcb_get_property_value(reply));
    std::free(reply);
    if (named == XCB_WINDOW_NONE)
        return false;
    // A killed manager leaves the name of a window that is gone.
    xcb_get_window_attributes_reply_t *attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, named), nullptr);
    const bool exists = attributes != nullptr;
    std::free(attributes);
    return exists;
}
