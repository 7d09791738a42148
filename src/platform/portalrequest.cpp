#include "platform/portalrequest.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

const QString PortalRequest::service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalRequest::path = QStringLiteral("/org/freedesktop/portal/desktop");

namespace {
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
}

QString PortalRequest::newToken()
{
    return QStringLiteral("quillboard%1").arg(QRandomGenerator::global()->generate());
}

QVariant PortalRequest::property(const QString &interface, const QString &name)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << interface << name;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::BlockWithGui, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariant();
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

void PortalRequest::onResponse(uint response, const QVariantMap &results)
{
    if (answered)
        return;
    answered = true;
    code = response;
    answer = results;
    if (loop)
        loop->quit();
}

PortalRequest::Answer PortalRequest::call(const QString &interface, const QString &method,
                                          const QList<QVariant> &arguments, const QString &token,
                                          int timeout, QVariantMap *results)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString requestPath =
        path + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    PortalRequest request;
    // Listening before the call: the answer may come before the call returns.
    bus.connect(service, requestPath, requestInterface, QStringLiteral("Response"), &request,
                SLOT(onResponse(uint, QVariantMap)));
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    QEventLoop wait;
    request.loop = &wait;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
    limit.start(timeout);
    bool callFailed = false;
    QDBusPendingCallWatcher watcher(bus.asyncCall(message, timeout));
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &wait, [&] {
        if (watcher.isError()) {
            callFailed = true;
            wait.quit();
        }
    });
    if (!request.answered)
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    request.loop = nullptr;
    bus.disconnect(service, requestPath, requestInterface, QStringLiteral("Response"), &request,
                   SLOT(onResponse(uint, QVariantMap)));
    if (!request.answered) {
        if (!callFailed) {
            QDBusMessage close = QDBusMessage::createMethodCall(
                service, requestPath, requestInterface, QStringLiteral("Close"));
            bus.call(close, QDBus::NoBlock);
        }
        return callFailed ? Failed : TimedOut;
    }
    *results = request.answer;
    if (request.code == 1)
        return Cancelled;
    return request.code == 0 ? Answered : Failed;
}
