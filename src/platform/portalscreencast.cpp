#include "platform/portalscreencast.h"

#include "platform/portalrequest.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QString portalService = PortalRequest::service;
const QString portalPath = PortalRequest::path;
const QString castInterface = QStringLiteral("org.freedesktop.portal.ScreenCast");

QVariant castProperty(const QString &name)
{
    return PortalRequest::property(castInterface, name);
}

PortalRequest::Answer request(const QString &method, const QList<QVariant> &arguments,
                              const QString &token, int timeout, QVariantMap *results)
{
    return PortalRequest::call(castInterface, method, arguments, token, timeout, results);
}
} // namespace

PortalScreenCast::PortalScreenCast(const QString &tokenFile)
    : tokenFilePath(tokenFile)
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
    const auto failText = [&](PortalRequest::Answer answer) {
        return answer == PortalRequest::Cancelled
                   ? QStringLiteral("已取消选择要录制的屏幕，录屏没有开始")
               : answer == PortalRequest::TimedOut ? timedOut
                                                   : failed;
    };

    QVariantMap results;
    QString token = PortalRequest::newToken();
    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), PortalRequest::newToken()}};
    PortalRequest::Answer answer =
        request(QStringLiteral("CreateSession"), {options}, token, requestTimeout, &results);
    if (answer != PortalRequest::Answered)
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
        token = PortalRequest::newToken();
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
        if (answer == PortalRequest::Failed && attempt == 0 && !restoreToken.isEmpty()) {
            writeToken(QString());
            continue;
        }
        break;
    }
    if (answer != PortalRequest::Answered)
        return fail(failText(answer));

    token = PortalRequest::newToken();
    answer = request(QStringLiteral("Start"),
                     {QVariant::fromValue(session), QString(),
                      QVariantMap{{QStringLiteral("handle_token"), token}}},
                     token, choiceTimeout, &results);
    if (answer != PortalRequest::Answered)
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
