#include "platform/suspendwatcher.h"

#include <QDBusConnection>

SuspendWatcher::SuspendWatcher(QObject *parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    m_listening = bus.connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(onPrepareForSleep(bool)));
}

void SuspendWatcher::onPrepareForSleep(bool start)
{
    if (start)
        emit suspending();
}
