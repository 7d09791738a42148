#include "app/anativeeventfilter.h"

#include <QByteArray>
#include <QMetaObject>
#include <QObject>

ANativeEventFilter::ANativeEventFilter(QObject *application)
    : m_application(application)
{}

ANativeEventFilter::~ANativeEventFilter() = default;

bool ANativeEventFilter::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    int modifiers = 0;
    int virtualKey = 0;
    switch (m_events.handle(message, modifiers, virtualKey)) {
        case X11HotKeyEvents::Press:
            QMetaObject::invokeMethod(m_application, "systemHotKey", Qt::DirectConnection,
                                      Q_ARG(int, modifiers), Q_ARG(int, virtualKey));
            return true;
        case X11HotKeyEvents::Repeat:
        case X11HotKeyEvents::Release:
            return true;
        case X11HotKeyEvents::Other:
            break;
    }
    return false;
}
