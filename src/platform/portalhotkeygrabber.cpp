#include "platform/portalhotkeygrabber.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QKeySequence>
#include <algorithm>

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

PortalHotKeyGrabber::PortalHotKeyGrabber(Activated onKey, const QList<Key> &keysToBind)
    : activated(std::move(onKey))
    , wanted(keysToBind)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
}

PortalHotKeyGrabber::~PortalHotKeyGrabber()
{
    closeSession();
}

void PortalHotKeyGrabber::closeSession()
{
    if (session.isEmpty())
        return;
    QDBusConnection::sessionBus().disconnect(
        PortalRequest::service, PortalRequest::path, shortcutsInterface,
        QStringLiteral("Activated"), this,
        SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    QDBusMessage close = QDBusMessage::createMethodCall(
        PortalRequest::service, session, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close"));
    // Not waited for: this runs at quit and in the crash clean-up.
    QDBusConnection::sessionBus().call(close, QDBus::NoBlock);
    session.clear();
    answers.clear();
}

bool PortalHotKeyGrabber::offered()
{
    return QDBusConnection::sessionBus().isConnected() &&
           PortalRequest::property(shortcutsInterface, QStringLiteral("version")).isValid();
}

std::unique_ptr<HotKeyGrabber> PortalHotKeyGrabber::create(bool waylandSession, Activated activated,
                                                           const QList<Key> &wanted)
{
    if (waylandSession && offered())
        return std::make_unique<PortalHotKeyGrabber>(std::move(activated), wanted);
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

void PortalHotKeyGrabber::request(const QList<Key> &asked, const std::function<void()> &then)
{
    if (!session.isEmpty()) {
        bind(asked, then);
        return;
    }
    const QString token = PortalRequest::newToken();
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), PortalRequest::newToken()}};
    PortalRequest::start(
        shortcutsInterface, QStringLiteral("CreateSession"), {options}, token, requestTimeout, this,
        [this, asked, then](PortalRequest::Answer answer, const QVariantMap &results) {
            if (answer == PortalRequest::Answered)
                session = results.value(QStringLiteral("session_handle")).toString();
            if (session.isEmpty()) {
                refuse(asked);
                then();
                return;
            }
            QDBusConnection::sessionBus().connect(
                PortalRequest::service, PortalRequest::path, shortcutsInterface,
                QStringLiteral("Activated"), this,
                SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
            bind(asked, then);
        });
}

void PortalHotKeyGrabber::bind(const QList<Key> &asked, const std::function<void()> &then)
{
    PortalShortcuts shortcuts;
    for (const Key &key : asked) {
        const QString name = trigger(key.first, key.second);
        shortcuts.append(
            {keyId(key.first, key.second),
             {{QStringLiteral("description"), name}, {QStringLiteral("preferred_trigger"), name}}});
    }
    const QString token = PortalRequest::newToken();
    PortalRequest::start(
        shortcutsInterface, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts), QString(),
         QVariantMap{{QStringLiteral("handle_token"), token}}},
        token, requestTimeout, this,
        [this, asked, then](PortalRequest::Answer answer, const QVariantMap &results) {
            if (answer == PortalRequest::Answered)
                takeAnswer(asked, results);
            else
                refuse(asked);
            then();
        });
}

void PortalHotKeyGrabber::takeAnswer(const QList<Key> &asked, const QVariantMap &results)
{
    // The desktop answers with the keys it bound; one left out is taken by something else.
    const bool listed = results.contains(QStringLiteral("shortcuts"));
    const PortalShortcuts bound =
        listed ? qdbus_cast<PortalShortcuts>(results.value(QStringLiteral("shortcuts")))
               : PortalShortcuts();
    for (const Key &key : asked) {
        const QString id = keyId(key.first, key.second);
        const bool taken = !listed || std::any_of(bound.begin(), bound.end(),
                                                  [&id](const PortalShortcut &shortcut) {
                                                      return shortcut.id == id;
                                                  });
        answers.insert(key, taken ? Grabbed : Occupied);
    }
}

void PortalHotKeyGrabber::refuse(const QList<Key> &asked)
{
    for (const Key &key : asked) {
        if (answers.value(key, Refused) != Grabbed)
            answers.insert(key, Refused);
    }
}

QList<PortalHotKeyGrabber::Key> PortalHotKeyGrabber::toBind(const QList<Key> &also) const
{
    // Binding again replaces the session's keys: the ones we hold go along.
    QList<Key> asked = wanted;
    for (const Key &key : keys + also) {
        if (!asked.contains(key))
            asked.append(key);
    }
    return asked;
}

void PortalHotKeyGrabber::whenReady(const std::function<void()> &ready)
{
    const bool answered = std::all_of(wanted.begin(), wanted.end(),
                                      [this](const Key &key) { return answers.contains(key); });
    if (answered)
        ready();
    else
        request(toBind({}), ready);
}

HotKeyGrabber::Result PortalHotKeyGrabber::grab(int modifiers, int virtualKey)
{
    const Key key{modifiers, virtualKey};
    if (virtualKey == 0)
        return Unavailable;
    // Keys a bind carried have their answer, also when the bind failed: the desktop is asked
    // once, not once for each key.
    if (!answers.contains(key))
        PortalRequest::await(
            [&](const std::function<void()> &over) { request(toBind({key}), over); });
    const Result result = answers.value(key, Refused);
    if (result == Grabbed && !keys.contains(key))
        keys.append(key);
    return result;
}

void PortalHotKeyGrabber::ungrab(int modifiers, int virtualKey)
{
    keys.removeAll({modifiers, virtualKey});
    if (keys.isEmpty())
        closeSession();
}

void PortalHotKeyGrabber::onActivated(const QDBusObjectPath &from, const QString &id, qulonglong,
                                      const QVariantMap &)
{
    if (from.path() != session || !activated)
        return;
    for (const Key &key : qAsConst(keys)) {
        if (keyId(key.first, key.second) == id)
            activated(key.first, key.second);
    }
}
