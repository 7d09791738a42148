#include <QtTest>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QProcess>

#include "base/globals.h"
#include "boxanswerer.h"
#include "platform/childprocess.h"
#include "platform/hotkeys.h"
#include "platform/portalhotkeygrabber.h"
#include "portalstandin.h"
#include "requiredprograms.h"
#include "windowsetup.h"

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

// A portal session; the desktop lets the keys go when it is closed.
class StandInSession : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
public:
    bool closed = false;
public slots:
    void Close() { closed = true; }
};

// Answers as the portal does: a request path now, its Response a moment later; when silent,
// never (a desktop whose question nobody answers).
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
    std::unique_ptr<StandInSession> sessionObject;
    int binds = 0;
    bool silent = false;

public slots:
    QDBusObjectPath CreateSession(const QVariantMap &options, const QDBusMessage &message)
    {
        session = portalObjectPath("session", message, options, "session_handle_token");
        sessionObject = std::make_unique<StandInSession>();
        bus.registerObject(session, sessionObject.get(), QDBusConnection::ExportAllSlots);
        return answer(message, options, 0, {{"session_handle", session}});
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath &, const BoundShortcuts &asked,
                                  const QString &, const QVariantMap &options,
                                  const QDBusMessage &message)
    {
        ++binds;
        if (silent)
            return QDBusObjectPath(portalObjectPath("request", message, options, "handle_token"));
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
        QCOMPARE(grabber->grab(hotkeymod::shift, 112), HotKeyGrabber::Refused);
        portal->bindResponse = 0;
        portal->taken.clear();
    }

    void oneBindAtStartNoneAtQuit_data()
    {
        QTest::addColumn<uint>("response");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QStringList>("registered");
        QTest::addColumn<QString>("notice");
        QTest::newRow("a key held elsewhere")
            << 0u << false << QStringList{"Ctrl+F1", "Alt+A"}
            << QStringLiteral("墨岚白板热键冲突：热键[Ctrl+F2]被其它程序占用");
        const QString notGranted = QStringLiteral(
            "此桌面环境未授予全局热键，热键[Ctrl+F1][Ctrl+F2][Alt+A]仅在本窗口激活时可用");
        QTest::newRow("refused") << 1u << false << QStringList() << notGranted;
        QTest::newRow("no answer") << 0u << true << QStringList() << notGranted;
    }
    // The window's start asks the desktop once for all its keys, without waiting for it; its
    // quit asks nothing, so a desktop that does not answer cannot hold the window, and the
    // closed session frees them.
    void oneBindAtStartNoneAtQuit()
    {
        QFETCH(uint, response);
        QFETCH(bool, silent);
        QFETCH(QStringList, registered);
        QFETCH(QString, notice);
        QTemporaryDir dir;
        appDataDir = dir.path();
        portal->binds = 0;
        portal->bindResponse = response;
        portal->taken = QStringLiteral("CTRL+F2");
        portal->sessionObject.reset();
        portal->silent = silent;
        BoxAnswerer boxes{QString()};
        MainWindow window;
        window.setToolBarPort(std::make_unique<FakeToolBar>());
        auto grabber = std::make_unique<PortalHotKeyGrabber>(
            nullptr,
            QList<PortalHotKeyGrabber::Key>{
                {hotkeymod::control, 112}, {hotkeymod::control, 113}, {hotkeymod::alt, 65}});
        grabber->requestTimeout = 2000;
        window.setHotKeyGrabber(std::move(grabber));
        runStartUpSteps(window);
        QVERIFY(window.hotKeyNotice().isEmpty());
        QTRY_COMPARE(window.hotKeyNotice(), notice);
        QCOMPARE(portal->binds, 1);
        QCOMPARE(portal->triggers, (QStringList{"CTRL+F1", "CTRL+F2", "ALT+a"}));
        QCOMPARE(window.registeredHotKeys(), registered);

        portal->silent = true;
        QElapsedTimer quitting;
        quitting.start();
        QVERIFY(window.close());
        QVERIFY2(quitting.elapsed() < 5000, qPrintable(QString::number(quitting.elapsed())));
        QCOMPARE(portal->binds, 1);
        if (!registered.isEmpty())
            QTRY_VERIFY(portal->sessionObject && portal->sessionObject->closed);
        portal->silent = false;
        portal->bindResponse = 0;
        portal->taken.clear();
    }

private:
    ChildProcess daemon;
    std::unique_ptr<StandInShortcuts> portal;
};

QTEST_MAIN(PortalHotKeysTest)
#include "tst_portalhotkeys.moc"
