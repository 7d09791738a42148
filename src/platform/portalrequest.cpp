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

PortalRequest::PortalRequest(QObject *context)
    : QObject(context)
{
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, this, [this] { finish(TimedOut); });
}

PortalRequest::~PortalRequest()
{
    if (open)
        stopListening(true);
}

void PortalRequest::stopListening(bool withdraw)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.disconnect(service, requestPath, requestInterface, QStringLiteral("Response"), this,
                   SLOT(onResponse(uint, QVariantMap)));
    // Unanswered: withdrawn, so that the desktop's question goes with it.
    if (withdraw) {
        QDBusMessage close = QDBusMessage::createMethodCall(service, requestPath, requestInterface,
                                                            QStringLiteral("Close"));
        bus.call(close, QDBus::NoBlock);
    }
}

void PortalRequest::onResponse(uint response, const QVariantMap &results)
{
    finish(response == 0 ? Answered : response == 1 ? Cancelled : Failed, results);
}

void PortalRequest::finish(Answer answer, const QVariantMap &results)
{
    if (!open)
        return;
    open = false;
    limit.stop();
    // A call the bus refused left no request behind to withdraw.
    stopListening(answer == TimedOut);
    deleteLater();
    const Done answered = std::move(done);
    answered(answer, results);
}

void PortalRequest::start(const QString &interface, const QString &method,
                          const QList<QVariant> &arguments, const QString &token, int timeout,
                          QObject *context, Done done)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    auto *request = new PortalRequest(context);
    request->requestPath = path + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    request->done = std::move(done);
    // Listening before the call: the answer may come before the call returns.
    bus.connect(service, request->requestPath, requestInterface, QStringLiteral("Response"),
                request, SLOT(onResponse(uint, QVariantMap)));
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, timeout), request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request, [request, watcher] {
        if (watcher->isError())
            request->finish(Failed);
    });
    request->limit.start(timeout);
}

void PortalRequest::await(const std::function<void(const std::function<void()> &over)> &begin)
{
    QEventLoop wait;
    bool ended = false;
    begin([&ended, &wait] {
        ended = true;
        wait.quit();
    });
    if (!ended)
        wait.exec(QEventLoop::ExcludeUserInputEvents);
}

PortalRequest::Answer PortalRequest::call(const QString &interface, const QString &method,
                                          const QList<QVariant> &arguments, const QString &token,
                                          int timeout, QVariantMap *results)
{
    Answer answer = Failed;
    await([&](const std::function<void()> &over) {
        start(interface, method, arguments, token, timeout, nullptr,
              [&answer, results, over](Answer given, const QVariantMap &answered) {
                  answer = given;
                  *results = answered;
                  over();
              });
    });
    return answer;
}
