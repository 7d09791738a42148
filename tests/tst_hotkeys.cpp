#include <QtTest>

#include "app/anativeeventfilter.h"
#include "mainwindow/shortcutkeys.h"
#include "platform/hotkeyevents.h"
#include "platform/hotkeygrabber.h"
#include "platform/hotkeys.h"

#include "fakes.h"

class HotKeysTest : public QObject
{
    Q_OBJECT

private slots:
    void keyMapping();
    void hotKeyTexts();
    void x11Keys();
    void repeatsAreDropped();
    void shortcutTable_data();
    void shortcutTable();
    void unmatchedShortcuts();
    void filterIgnoresOtherEvents();
};

void HotKeysTest::keyMapping()
{
    QCOMPARE(qtKeyToVirtualKey(Qt::Key_A), 65);
    QCOMPARE(qtKeyToVirtualKey(Qt::Key_9), 57);
    QCOMPARE(qtKeyToVirtualKey(Qt::Key_F1), 112);
    QCOMPARE(qtKeyToVirtualKey(Qt::Key_F24), 135);
    QCOMPARE(qtKeyToVirtualKey(Qt::Key_Backtab), 9);
    QCOMPARE(qtKeyToVirtualKey(Qt::Key_Enter), 13);
    QCOMPARE(qtKeyToVirtualKey(Qt::Key_AsciiTilde), 192);
    QCOMPARE(qtKeyToVirtualKey(Qt::Key_PageDown), 34);
    QCOMPARE(qtKeyToVirtualKey(Qt::Key_Exclam), 0);
    QCOMPARE(virtualKeyToQtKey(97), int(Qt::Key_1)); // keypad 1
    QCOMPARE(virtualKeyToQtKey(135), int(Qt::Key_F24));
    QCOMPARE(virtualKeyToQtKey(46), int(Qt::Key_Delete));
    QCOMPARE(qtModifiersToHotKeyModifiers(Qt::ControlModifier | Qt::KeypadModifier), 2);
    QCOMPARE(qtModifiersToHotKeyModifiers(Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier),
             1 | 4 | 8);
}

void HotKeysTest::hotKeyTexts()
{
    const struct
    {
        const char *text;
        int modifiers, key, id;
    } cases[] = {{"Ctrl+F1", 2, 112, 114}, {"Ctrl+F2", 2, 113, 115}, {"Alt+A", 1, 65, 64}};
    for (const auto &c : cases) {
        int modifiers = -1, key = -1;
        parseHotKeyText(QLatin1String(c.text), modifiers, key);
        QCOMPARE(modifiers, c.modifiers);
        QCOMPARE(key, c.key);
        QCOMPARE(hotKeyId(modifiers, key), c.id);
    }
    int modifiers = -1, key = -1;
    parseHotKeyText(QString(), modifiers, key);
    QCOMPARE(modifiers, 0);
    QCOMPARE(key, 0);
}

void HotKeysTest::x11Keys()
{
    using namespace x11keys;
    QCOMPARE(keySymForVirtualKey(65), 0x61u); // grabs use the lower-case keysym
    QCOMPARE(keySymForVirtualKey(112), 0xffbeu);
    QCOMPARE(keySymForVirtualKey(46), 0xffffu);
    QCOMPARE(keySymForVirtualKey(500), 0u);
    for (int vk : {8, 9, 13, 27, 32, 48, 57, 65, 90, 112, 135, 106, 192, 33, 40}) {
        QVERIFY2(keySymForVirtualKey(vk) != 0, qPrintable(QString::number(vk)));
        QCOMPARE(virtualKeyForKeySym(keySymForVirtualKey(vk)), vk);
    }
    // Shift(1) Control(4) Mod1(8) Mod4(64); Lock(2) and Mod2(16) are no hot-key modifiers.
    QCOMPARE(xModifiersForHotKeyModifiers(2), 4u);
    QCOMPARE(xModifiersForHotKeyModifiers(1 | 4 | 8), 8u | 1u | 64u);
    QCOMPARE(hotKeyModifiersForXState(4 | 2 | 16), 2);
    QCOMPARE(hotKeyModifiersForXState(8 | 1), 1 | 4);
    const QList<unsigned int> variants = lockVariants(4);
    QCOMPARE(variants, (QList<unsigned int>{4, 4 | 2, 4 | 16, 4 | 2 | 16}));
}

void HotKeysTest::repeatsAreDropped()
{
    KeyRepeatFilter filter;
    QVERIFY(filter.press(67, 1000));
    // Detectable repeat: presses without releases.
    QVERIFY(!filter.press(67, 1030));
    QVERIFY(!filter.press(67, 1060));
    filter.release(67, 1100);
    QVERIFY(filter.press(67, 2000));
    // Classic repeat: a release and a press with the same time stamp.
    filter.release(67, 2030);
    QVERIFY(!filter.press(67, 2030));
    filter.release(67, 2060);
    QVERIFY(!filter.press(67, 2060));
    filter.release(67, 2500);
    // A new press of the key after a real release, and another key meanwhile, both count.
    QVERIFY(filter.press(68, 2500));
    QVERIFY(filter.press(67, 2600));
}

void HotKeysTest::shortcutTable_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("call");
    const int ctrl = Qt::ControlModifier;
    const int alt = Qt::AltModifier;
    QTest::newRow("open") << int(Qt::Key_O) << ctrl << "open";
    QTest::newRow("new") << int(Qt::Key_N) << ctrl << "newBoard";
    QTest::newRow("clipboard") << int(Qt::Key_O) << (ctrl | alt) << "openClipboard";
    QTest::newRow("save") << int(Qt::Key_S) << ctrl << "exportImage";
    QTest::newRow("undo") << int(Qt::Key_Z) << ctrl << "undo";
    // The same fixed keys everywhere: X11's standard Redo is Ctrl+Shift+Z only.
    QTest::newRow("redo Ctrl+Y") << int(Qt::Key_Y) << ctrl << "redo";
    QTest::newRow("cut") << int(Qt::Key_X) << ctrl << "cut";
    QTest::newRow("copy") << int(Qt::Key_C) << ctrl << "copy";
    QTest::newRow("paste") << int(Qt::Key_V) << ctrl << "paste";
    QTest::newRow("select all") << int(Qt::Key_A) << ctrl << "selectAll";
    QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << "cancel";
    QTest::newRow("delete") << int(Qt::Key_Delete) << 0 << "delete";
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << 0 << "delete";
    QTest::newRow("brush 1") << int(Qt::Key_1) << ctrl << "brush:1";
    QTest::newRow("brush 4") << int(Qt::Key_4) << ctrl << "brush:4";
    QTest::newRow("zoom in") << int(Qt::Key_Plus) << ctrl << "zoom:1";
    QTest::newRow("zoom out") << int(Qt::Key_Minus) << ctrl << "zoom:2";
    QTest::newRow("clean") << int(Qt::Key_F4) << 0 << "clean";
    QTest::newRow("mouse") << int(Qt::Key_M) << alt << "tool:0";
    QTest::newRow("selection") << int(Qt::Key_S) << alt << "tool:1";
    QTest::newRow("pencil") << int(Qt::Key_1) << alt << "tool:2";
    QTest::newRow("text box") << int(Qt::Key_9) << alt << "tool:10";
    QTest::newRow("stamp") << int(Qt::Key_0) << alt << "tool:11";
    QTest::newRow("bold") << int(Qt::Key_B) << ctrl << "bold";
    QTest::newRow("italic") << int(Qt::Key_I) << ctrl << "italic";
    QTest::newRow("underline") << int(Qt::Key_U) << ctrl << "underline";
    QTest::newRow("record") << int(Qt::Key_F1) << ctrl << "recordStart";
    QTest::newRow("stop") << int(Qt::Key_F2) << ctrl << "recordStop";
}

void HotKeysTest::shortcutTable()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, call);
    FakeToolBar toolBar;
    int screenshots = 0;
    QVERIFY(runShortcutKey(toolBar, key, Qt::KeyboardModifiers(modifiers),
                           [&screenshots] { ++screenshots; }));
    QCOMPARE(toolBar.calls, QStringList{call});
    QCOMPARE(screenshots, 0);
}

void HotKeysTest::unmatchedShortcuts()
{
    FakeToolBar toolBar;
    int screenshots = 0;
    const auto run = [&](int key, Qt::KeyboardModifiers modifiers) {
        return runShortcutKey(toolBar, key, modifiers, [&screenshots] { ++screenshots; });
    };
    QVERIFY(run(Qt::Key_A, Qt::AltModifier));
    QCOMPARE(screenshots, 1);
    // Keypad keys carry their own modifier: Ctrl with keypad 1 is no preset brush.
    QVERIFY(!run(Qt::Key_1, Qt::ControlModifier | Qt::KeypadModifier));
    // X11's extra Delete binding and Redo binding are not ours.
    QVERIFY(!run(Qt::Key_D, Qt::ControlModifier));
    QVERIFY(!run(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier));
    // A further modifier matches nothing.
    QVERIFY(!run(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier));
    QVERIFY(!run(Qt::Key_Q, Qt::NoModifier));
    QVERIFY(toolBar.calls.isEmpty());
}

void HotKeysTest::filterIgnoresOtherEvents()
{
    QObject receiver;
    ANativeEventFilter filter(&receiver);
    long result = 7;
    QVERIFY(!filter.nativeEventFilter("windows_generic_MSG", nullptr, &result));
    // Offscreen there is no X connection: xcb events are not ours to take.
    QVERIFY(!filter.nativeEventFilter("xcb_generic_event_t", nullptr, &result));
    QCOMPARE(result, 7L);
}

QTEST_MAIN(HotKeysTest)
#include "tst_hotkeys.moc"
