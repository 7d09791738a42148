#pragma once

#include <QAbstractNativeEventFilter>

#include "platform/hotkeyevents.h"

class QObject;

// Turns the global hot-key presses of the X server into Application::systemHotKey.
class ANativeEventFilter : public QAbstractNativeEventFilter
{
public:
    explicit ANativeEventFilter(QObject *application);
    ~ANativeEventFilter() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

private:
    QObject *m_application = nullptr;
    X11HotKeyEvents m_events;
};
