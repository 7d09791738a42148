#include <QtTest>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QProcess>

#include "platform/hotkeys.h"
#include "platform/portalhotkeygrabber.h"

// The global-shortcuts portal path against a stand-in portal of the test's own, on a private
// session bus: no desktop here offers GlobalShortcuts.

struct BoundShortcut
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(BoundShortcut)
QDBusArgument &operator<<(QDBusArgument &argument, const BoundShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}
const QDBusArgument &operator>>(const QDBusArgument &argument, BoundShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}
using BoundShortcuts = QList<BoundShortcut>;
Q_DECLARE_METATYPE(BoundShortcuts)

// Answers as the portal does: a request path now, its Response a moment later.
class StandInShortcuts : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    explicit StandInShortcuts(const QDBusConnection &bus)
        : bus(bus)
    {}
    uint version() const { return 1; }
    QDBusConnection bus;
    uint bindResponse = 0;
    QString taken; // a trigger another program holds
    QStringList triggers;
    QString session;

public slots:
    QDBusObjectPath CreateSession(const QVariantMap &options, const QDBusMessage &message)
    {
        session = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                      .arg(sender(message), options.value("session_handle_token").toString());
        return answer(message, options, 0, {{"session_handle", session}});
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath &, const BoundShortcuts &asked,
                                  const QString &, const QVariantMap &options,
                                  const QDBusMessage &message)
    {
        BoundShortcuts bound;
        triggers.clear();
        for (const BoundShortcut &shortcut : qAsConst(asked)) {
            const QString trigger = shortcut.properties.value("preferred_trigger").toString();
            triggers << trigger;
            if (trigger != taken)
                bound << shortcut;
        }
        return answer(message, options, bindResponse, {{"shortcuts", QVariant::fromValue(bound)}});
    }

public:
    void press(const QString &id)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                       "org.freedesktop.portal.GlobalShortcuts", "Activated");
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1)
               << QVariantMap();
        bus.send(signal);
    }

private:
    static QString sender(const QDBusMessage &message)
    {
        return message.service().mid(1).replace('.', '_');
    }
    QDBusObjectPath answer(const QDBusMessage &message, const QVariantMap &options, uint response,
                           const QVariantMap &results)
    {
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(sender(message), options.value("handle_token").toString());
        const QString to = message.service();
        QDBusConnection connection = bus;
        QTimer::singleShot(20, this, [connection, to, path, response, results]() mutable {
            QDBusMessage signal = QDBusMessage::createTargetedSignal(
                to, path, "org.freedesktop.portal.Request", "Response");
            signal << response << results;
            connection.send(signal);
        });
        return QDBusObjectPath(path);
    }
};

class PortalHotKeysTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qDBusRegisterMetaType<BoundShortcut>();
        qDBusRegisterMetaType<BoundShortcuts>();
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!daemon.waitForStarted())
            QSKIP("needs dbus-daemon");
        QVERIFY(daemon.waitForReadyRead(5000));
        const QByteArray address = daemon.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        // Before anything of ours opens the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection bus =
            QDBusConnection::connectToBus(QString::fromLatin1(address), "portal-stand-in");
        QVERIFY(bus.isConnected());
        portal.reset(new StandInShortcuts(bus));
        QVERIFY(bus.registerObject(
            "/org/freedesktop/portal/desktop", portal.get(),
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        QVERIFY(bus.registerService("org.freedesktop.portal.Desktop"));
    }
    void cleanupTestCase()
    {
        portal.reset();
        QDBusConnection::disconnectFromBus("portal-stand-in");
        daemon.kill();
        daemon.waitForFinished();
    }

    void grabsBindAndKeysArrive()
    {
        QVERIFY(PortalHotKeyGrabber::offered());
        QList<QPair<int, int>> pressed;
        auto grabber = PortalHotKeyGrabber::create(true, [&pressed](int modifiers, int key) {
            pressed.append({modifiers, key});
        });
        QVERIFY(dynamic_cast<PortalHotKeyGrabber *>(grabber.get()));
        QVERIFY(!dynamic_cast<PortalHotKeyGrabber *>(
            PortalHotKeyGrabber::create(false, nullptr).get()));
        portal->taken = QStringLiteral("ALT+a");
        for (const char *text : {"Ctrl+F1", "Ctrl+F2", "Alt+A"}) {
            int modifiers = 0, key = 0;
            parseHotKeyText(QLatin1String(text), modifiers, key);
            const int expected =
                QByteArray(text) == "Alt+A" ? HotKeyGrabber::Occupied : HotKeyGrabber::Grabbed;
            QCOMPARE(int(grabber->grab(modifiers, key)), expected);
        }
        QCOMPARE(portal->triggers, (QStringList{"CTRL+F1", "CTRL+F2", "ALT+a"}));

        portal->press(QStringLiteral("hotkey-%1-%2").arg(hotkeymod::control).arg(113));
        QTRY_COMPARE(pressed, (QList<QPair<int, int>>{{hotkeymod::control, 113}}));

        // The user refuses the desktop's question: the key is not ours.
        portal->bindResponse = 1;
        QCOMPARE(grabber->grab(hotkeymod::shift, 112), HotKeyGrabber::Unavailable);
        portal->bindResponse = 0;
        portal->taken.clear();
    }

private:
    QProcess daemon;
    std::unique_ptr<StandInShortcuts> portal;
};

QTEST_MAIN(PortalHotKeysTest)
#include "tst_portalhotkeys.moc"
