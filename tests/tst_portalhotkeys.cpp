#include <QtTest>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QProcess>

#include "platform/childprocess.h"
#include "platform/hotkeys.h"
#include "platform/portalhotkeygrabber.h"
#include "portalstandin.h"
#include "requiredprograms.h"

// The global-shortcuts portal path against a stand-in portal of the test's own, on a private
// session bus: no desktop here offers GlobalShortcuts.

struct BoundShortcut
{
    QString id;
    QVariantMap properties;
};
QB_DBUS_PAIR(BoundShortcut)
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
        session = portalObjectPath("session", message, options, "session_handle_token");
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
    QDBusObjectPath answer(const QDBusMessage &message, const QVariantMap &options, uint response,
                           const QVariantMap &results)
    {
        return answerPortalRequest(bus, this, message, options, response, results);
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
        // Its socket in the test's own temporary folder, not in /tmp.
        const QString failed = startRequired(daemon, "dbus-daemon",
                                             {"--session", "--nofork", "--print-address=1",
                                              "--address=unix:tmpdir=" + QDir::tempPath()});
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
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
    ChildProcess daemon;
    std::unique_ptr<StandInShortcuts> portal;
};

QTEST_MAIN(PortalHotKeysTest)
#include "tst_portalhotkeys.moc"
