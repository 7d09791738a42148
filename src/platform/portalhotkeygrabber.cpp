#include "platform/portalhotkeygrabber.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QKeySequence>

#include "platform/hotkeys.h"
#include "platform/portalrequest.h"

namespace {
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};
using PortalShortcuts = QList<PortalShortcut>;
} // namespace

Q_DECLARE_METATYPE(PortalShortcut)
Q_DECLARE_METATYPE(PortalShortcuts)

namespace {
QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}
} // namespace

PortalHotKeyGrabber::PortalHotKeyGrabber(Activated onKey)
    : activated(std::move(onKey))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
}

PortalHotKeyGrabber::~PortalHotKeyGrabber()
{
    if (session.isEmpty())
        return;
    QDBusMessage close = QDBusMessage::createMethodCall(
        PortalRequest::service, session, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close"));
    QDBusConnection::sessionBus().call(close, QDBus::NoBlock);
}

bool PortalHotKeyGrabber::offered()
{
    return QDBusConnection::sessionBus().isConnected() &&
           PortalRequest::property(shortcutsInterface, QStringLiteral("version")).isValid();
}

std::unique_ptr<HotKeyGrabber> PortalHotKeyGrabber::create(bool waylandSession, Activated activated)
{
    if (waylandSession && offered())
        return std::make_unique<PortalHotKeyGrabber>(std::move(activated));
    return std::make_unique<X11HotKeyGrabber>();
}

QString PortalHotKeyGrabber::keyId(int modifiers, int virtualKey)
{
    return QStringLiteral("hotkey-%1-%2").arg(modifiers).arg(virtualKey);
}

QString PortalHotKeyGrabber::trigger(int modifiers, int virtualKey)
{
    QString text;
    if (modifiers & hotkeymod::control)
        text += QStringLiteral("CTRL+");
    if (modifiers & hotkeymod::alt)
        text += QStringLiteral("ALT+");
    if (modifiers & hotkeymod::shift)
        text += QStringLiteral("SHIFT+");
    if (modifiers & hotkeymod::win)
        text += QStringLiteral("LOGO+");
    QString key = QKeySequence(virtualKeyToQtKey(virtualKey)).toString(QKeySequence::PortableText);
    // Letters are named by their key symbols, which are lower case.
    if (key.size() == 1)
        key = key.toLower();
    return text + key;
}

bool PortalHotKeyGrabber::openSession()
{
    if (!session.isEmpty())
        return true;
    const QString token = PortalRequest::newToken();
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), PortalRequest::newToken()}};
    QVariantMap results;
    if (PortalRequest::call(shortcutsInterface, QStringLiteral("CreateSession"), {options}, token,
                            requestTimeout, &results) != PortalRequest::Answered)
        return false;
    session = results.value(QStringLiteral("session_handle")).toString();
    if (session.isEmpty())
        return false;
    QDBusConnection::sessionBus().connect(
        PortalRequest::service, PortalRequest::path, shortcutsInterface,
        QStringLiteral("Activated"), this,
        SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    return true;
}

bool PortalHotKeyGrabber::bind(QVariantMap *results)
{
    PortalShortcuts shortcuts;
    for (const QPair<int, int> &key : qAsConst(keys)) {
        const QString name = trigger(key.first, key.second);
        shortcuts.append(
            {keyId(key.first, key.second),
             {{QStringLiteral("description"), name}, {QStringLiteral("preferred_trigger"), name}}});
    }
    const QString token = PortalRequest::newToken();
    return PortalRequest::call(
               shortcutsInterface, QStringLiteral("BindShortcuts"),
               {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts),
                QString(), QVariantMap{{QStringLiteral("handle_token"), token}}},
               token, requestTimeout, results) == PortalRequest::Answered;
}

HotKeyGrabber::Result PortalHotKeyGrabber::grab(int modifiers, int virtualKey)
{
    if (virtualKey == 0 || !openSession())
        return Unavailable;
    if (!keys.contains({modifiers, virtualKey}))
        keys.append({modifiers, virtualKey});
    QVariantMap results;
    if (!bind(&results)) {
        keys.removeAll({modifiers, virtualKey});
        return Unavailable;
    }
    // The desktop answers with the keys it bound; one left out is taken by something else.
    if (!results.contains(QStringLiteral("shortcuts")))
        return Grabbed;
    const PortalShortcuts bound =
        qdbus_cast<PortalShortcuts>(results.value(QStringLiteral("shortcuts")));
    for (const PortalShortcut &shortcut : bound) {
        if (shortcut.id == keyId(modifiers, virtualKey))
            return Grabbed;
    }
    keys.removeAll({modifiers, virtualKey});
    return Occupied;
}

void PortalHotKeyGrabber::ungrab(int modifiers, int virtualKey)
{
    if (keys.removeAll({modifiers, virtualKey}) == 0 || session.isEmpty())
        return;
    QVariantMap results;
    bind(&results);
}

void PortalHotKeyGrabber::onActivated(const QDBusObjectPath &from, const QString &id, qulonglong,
                                      const QVariantMap &)
{
    if (from.path() != session || !activated)
        return;
    for (const QPair<int, int> &key : qAsConst(keys)) {
        if (keyId(key.first, key.second) == id)
            activated(key.first, key.second);
    }
}
