#include "platform/portalscreencast.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTimer>

namespace {
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString castInterface = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

QVariant castProperty(const QString &name)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    call << castInterface << name;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariant();
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}
} // namespace

PortalScreenCast::PortalScreenCast(const QString &tokenFile, QObject *parent)
    : QObject(parent)
    , tokenFilePath(tokenFile)
{}

PortalScreenCast::~PortalScreenCast()
{
    close();
}

bool PortalScreenCast::portalAvailable()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // The portal is started on demand: a known property answers only where it exists.
    return castProperty(QStringLiteral("AvailableSourceTypes")).toUInt() & 1u;
}

bool PortalScreenCast::fail(const QString &text)
{
    errorText = text;
    close();
    return false;
}

QString PortalScreenCast::newToken()
{
    return QStringLiteral("quillboard%1").arg(QRandomGenerator::global()->generate());
}

QString PortalScreenCast::requestPath(const QString &token) const
{
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

QString PortalScreenCast::readToken() const
{
    QFile file(tokenFilePath);
    if (tokenFilePath.isEmpty() || !file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(4096)).trimmed();
}

void PortalScreenCast::writeToken(const QString &token) const
{
    if (tokenFilePath.isEmpty())
        return;
    if (token.isEmpty()) {
        QFile::remove(tokenFilePath);
        return;
    }
    QDir().mkpath(QFileInfo(tokenFilePath).absolutePath());
    QSaveFile file(tokenFilePath);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(token.toUtf8());
        file.commit();
    }
}

void PortalScreenCast::onResponse(uint response, const QVariantMap &results)
{
    if (answered)
        return;
    answered = true;
    answerCode = response;
    answerResults = results;
    if (waitLoop)
        waitLoop->quit();
}

PortalScreenCast::Answer PortalScreenCast::request(const QString &method,
                                                   const QList<QVariant> &arguments,
                                                   const QString &token, int timeout,
                                                   QVariantMap *results)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Listening before the call: the answer may come before the call returns.
    waitingPath = requestPath(token);
    answered = false;
    answerCode = 2;
    answerResults.clear();
    bus.connect(portalService, waitingPath, requestInterface, QStringLiteral("Response"), this,
                SLOT(onResponse(uint, QVariantMap)));
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, castInterface, method);
    call.setArguments(arguments);
    QEventLoop loop;
    waitLoop = &loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(timeout);
    bool callFailed = false;
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, timeout));
    connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, [&] {
        if (watcher.isError()) {
            callFailed = true;
            loop.quit();
        }
    });
    if (!answered)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    waitLoop = nullptr;
    bus.disconnect(portalService, waitingPath, requestInterface, QStringLiteral("Response"), this,
                   SLOT(onResponse(uint, QVariantMap)));
    if (!answered) {
        if (!callFailed) {
            // Withdraw the question, so that no dialog stays open for nothing.
            QDBusMessage closeCall = QDBusMessage::createMethodCall(
                portalService, waitingPath, requestInterface, QStringLiteral("Close"));
            bus.call(closeCall, QDBus::NoBlock);
        }
        return callFailed ? Failed : TimedOut;
    }
    *results = answerResults;
    if (answerCode == 1)
        return Cancelled;
    return answerCode == 0 ? Answered : Failed;
}

bool PortalScreenCast::start()
{
    close();
    errorText.clear();
    if (!portalAvailable())
        return fail(
            QStringLiteral("此桌面没有提供屏幕录制服务（xdg-desktop-portal 的 "
                           "ScreenCast），无法录屏"));
    const QString failed = QStringLiteral("桌面的屏幕录制服务出错，录屏没有开始，请重试");
    const QString timedOut = QStringLiteral("桌面的屏幕录制服务没有应答，录屏没有开始，请重试");
    const auto failText = [&](Answer answer) {
        return answer == Cancelled ? QStringLiteral("已取消选择要录制的屏幕，录屏没有开始")
               : answer == TimedOut ? timedOut
                                    : failed;
    };

    QVariantMap results;
    QString token = newToken();
    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), newToken()}};
    Answer answer =
        request(QStringLiteral("CreateSession"), {options}, token, requestTimeout, &results);
    if (answer != Answered)
        return fail(failText(answer));
    sessionHandle = results.value(QStringLiteral("session_handle")).toString();
    if (sessionHandle.isEmpty())
        return fail(failed);
    const QDBusObjectPath session(sessionHandle);

    const uint cursorModes = castProperty(QStringLiteral("AvailableCursorModes")).toUInt();
    const uint version = castProperty(QStringLiteral("version")).toUInt();
    embedded = cursorModes & 2u;
    const QString restoreToken = readToken();
    for (int attempt = 0; attempt < 2; ++attempt) {
        token = newToken();
        QVariantMap select{{QStringLiteral("handle_token"), token},
                           {QStringLiteral("types"), 1u},
                           {QStringLiteral("multiple"), false}};
        if (cursorModes & 2u)
            select.insert(QStringLiteral("cursor_mode"), 2u);
        else if (cursorModes & 1u)
            select.insert(QStringLiteral("cursor_mode"), 1u);
        if (version >= 4) {
            select.insert(QStringLiteral("persist_mode"), 2u);
            if (attempt == 0 && !restoreToken.isEmpty())
                select.insert(QStringLiteral("restore_token"), restoreToken);
        }
        answer = request(QStringLiteral("SelectSources"), {QVariant::fromValue(session), select},
                         token, requestTimeout, &results);
        // A token the desktop no longer takes: ask once more without it.
        if (answer == Failed && attempt == 0 && !restoreToken.isEmpty()) {
            writeToken(QString());
            continue;
        }
        break;
    }
    if (answer != Answered)
        return fail(failText(answer));

    token = newToken();
    answer = request(QStringLiteral("Start"),
                     {QVariant::fromValue(session), QString(),
                      QVariantMap{{QStringLiteral("handle_token"), token}}},
                     token, choiceTimeout, &results);
    if (answer != Answered)
        return fail(failText(answer));
    if (results.contains(QStringLiteral("restore_token")))
        writeToken(results.value(QStringLiteral("restore_token")).toString());

    // streams: a(ua{sv}), the node and its properties (the size in pixels among them).
    bool found = false;
    const QDBusArgument streams = results.value(QStringLiteral("streams")).value<QDBusArgument>();
    if (streams.currentType() == QDBusArgument::ArrayType) {
        streams.beginArray();
        while (!streams.atEnd() && !found) {
            uint id = 0;
            QVariantMap properties;
            streams.beginStructure();
            streams >> id >> properties;
            streams.endStructure();
            node = id;
            found = true;
            const QDBusArgument pair =
                properties.value(QStringLiteral("size")).value<QDBusArgument>();
            if (pair.currentType() == QDBusArgument::StructureType) {
                int width = 0, height = 0;
                pair.beginStructure();
                pair >> width >> height;
                pair.endStructure();
                size = QSize(width, height);
            }
        }
        streams.endArray();
    }
    if (!found)
        return fail(failed);

    QDBusMessage open = QDBusMessage::createMethodCall(portalService, portalPath, castInterface,
                                                       QStringLiteral("OpenPipeWireRemote"));
    open << QVariant::fromValue(session) << QVariantMap();
    const QDBusReply<QDBusUnixFileDescriptor> reply =
        QDBusConnection::sessionBus().call(open, QDBus::Block, requestTimeout);
    if (!reply.isValid() || !reply.value().isValid())
        return fail(failed);
    remote = reply.value();
    return true;
}

void PortalScreenCast::close()
{
    if (!sessionHandle.isEmpty()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            portalService, sessionHandle, QStringLiteral("org.freedesktop.portal.Session"),
            QStringLiteral("Close"));
        QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
    }
    sessionHandle.clear();
    remote = QDBusUnixFileDescriptor();
    node = 0;
}
