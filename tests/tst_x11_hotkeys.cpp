#include <QtTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <QProcess>
#include <QWidget>
#include <QX11Info>

#include "app/anativeeventfilter.h"
#include "platform/hotkeygrabber.h"
#include "requiredprograms.h"
#include "toolbar/maintoolbar.h"
#include "windowsetup.h"

// Stands in for Application: the filter emits its systemHotKey signal.
class HotKeyReceiver : public QObject
{
    Q_OBJECT
signals:
    void systemHotKey(int modifiers, int virtualKey);
};

class X11HotKeysTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void grabFiresWithNumLock_data();
    void grabFiresWithNumLock();
    void keyHeldByAnotherClientIsOccupied();
    void keysReachTheFocusedWindowWithoutGrab();

private:
    static bool xdotool(const QStringList &arguments)
    {
        return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
    }
};

void X11HotKeysTest::initTestCase()
{
    if (!QX11Info::isPlatformX11())
        QSKIP("needs an X server");
    QB_REQUIRE_PROGRAM("xdotool");
}

void X11HotKeysTest::grabFiresWithNumLock_data()
{
    QTest::addColumn<bool>("focused");
    QTest::newRow("no window of ours") << false;
    // The grab then reports the key's release to our window, not to the root: the key pressed
    // again must still count, not be taken for a held key's repeat.
    QTest::newRow("our window focused") << true;
}

void X11HotKeysTest::grabFiresWithNumLock()
{
    QFETCH(bool, focused);
    QWidget window;
    if (focused) {
        window.setGeometry(100, 100, 300, 200);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    HotKeyReceiver receiver;
    ANativeEventFilter filter(&receiver);
    qApp->installNativeEventFilter(&filter);
    QSignalSpy spy(&receiver, &HotKeyReceiver::systemHotKey);
    X11HotKeyGrabber grabber;
    QCOMPARE(grabber.grab(2, 112), HotKeyGrabber::Grabbed);

    // NumLock on: the grab of the NumLock variant still catches Ctrl+F1.
    QVERIFY(xdotool({"key", "Num_Lock"}));
    QVERIFY(xdotool({"key", "ctrl+F1"}));
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 2);
    QCOMPARE(spy.at(0).at(1).toInt(), 112);
    QVERIFY(xdotool({"key", "Num_Lock"}));

    // Held down with auto-repeat it still counts once.
    QVERIFY(xdotool({"keydown", "ctrl+F1"}));
    QTest::qWait(800);
    QVERIFY(xdotool({"keyup", "ctrl+F1"}));
    QTRY_COMPARE(spy.count(), 2);
    QTest::qWait(200);
    QCOMPARE(spy.count(), 2);

    // Released, the key no longer reaches us.
    grabber.ungrab(2, 112);
    QVERIFY(xdotool({"key", "ctrl+F1"}));
    QTest::qWait(300);
    QCOMPARE(spy.count(), 2);
    qApp->removeNativeEventFilter(&filter);
}

void X11HotKeysTest::keyHeldByAnotherClientIsOccupied()
{
    // Another program: a second connection that grabs Ctrl+F2 first.
    xcb_connection_t *other = xcb_connect(nullptr, nullptr);
    QVERIFY(other && !xcb_connection_has_error(other));
    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(other);
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, 0xffbf); // F2
    QVERIFY(codes && *codes != XCB_NO_SYMBOL);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_generic_error_t *error = xcb_request_check(
        other, xcb_grab_key_checked(other, 1, root, XCB_MOD_MASK_CONTROL, codes[0],
                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    QVERIFY(!error);

    X11HotKeyGrabber grabber;
    QCOMPARE(grabber.grab(2, 113), HotKeyGrabber::Occupied);
    QCOMPARE(grabber.grab(1, 65), HotKeyGrabber::Grabbed);
    grabber.ungrab(1, 65);

    free(codes);
    xcb_key_symbols_free(symbols);
    xcb_disconnect(other);
    // Once the server has let the other program go, the key is free.
    QTRY_COMPARE(grabber.grab(2, 113), HotKeyGrabber::Grabbed);
    grabber.ungrab(2, 113);
}

// Where the desktop gives no global keys (XWayland without the shortcuts portal), the keys still
// reach their commands through the window's own shortcuts while it has the focus.
void X11HotKeysTest::keysReachTheFocusedWindowWithoutGrab()
{
    QTemporaryDir dir;
    appDataDir = dir.path();
    MainWindow window;
    window.setHotKeyGrabber(std::make_unique<FakeGrabber>()); // holds nothing on the X server
    runStartUpSteps(window, [](MainWindow &m) { m.settings.winw = 0; });
    auto *bar = window.findChild<MainToolBar *>();
    QVERIFY(bar);
    QAction *screenshot = nullptr;
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->shortcut() == QKeySequence(Qt::ALT | Qt::Key_A))
            screenshot = action;
    }
    QVERIFY(screenshot);
    // Only the arrival counts here: nothing records, no selector opens.
    bar->disconnect(SIGNAL(recordStartClicked(int)));
    screenshot->disconnect(SIGNAL(triggered(bool)));
    QSignalSpy record(bar, &MainToolBar::recordStartClicked);
    QSignalSpy area(screenshot, &QAction::triggered);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(xdotool({"key", "ctrl+F1"}));
    QTRY_COMPARE(record.count(), 1);
    QVERIFY(xdotool({"key", "alt+a"}));
    QTRY_COMPARE(area.count(), 1);
}

QTEST_MAIN(X11HotKeysTest)
#include "tst_x11_hotkeys.moc"
