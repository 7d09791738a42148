#include <QtTest>

#include <QAbstractButton>

#include "canvas/canvas.h"
#include "mainwindow/tabitem.h"
#include "slideshow/remarkshower.h"

#include "boxanswerer.h"
#include "screenshotdir.h"
#include "slidefixtures.h"

namespace {

void xdo(const QStringList &arguments)
{
    QCOMPARE(QProcess::execute("xdotool", arguments), 0);
}

void moveTo(const QPoint &p)
{
    xdo({"mousemove", "--sync", QString::number(p.x()), QString::number(p.y())});
}

// The first visible button below parent whose tool tip starts so, clicked through the X server.
QAbstractButton *clickButton(QWidget *parent, const QString &tipStart)
{
    for (QAbstractButton *button : parent->findChildren<QAbstractButton *>()) {
        if (button->isVisible() && button->toolTip().startsWith(tipStart)) {
            moveTo(button->mapToGlobal(button->rect().center()));
            xdo({"click", "1"});
            return button;
        }
    }
    return nullptr;
}

} // namespace

// A teacher's slide lesson through the X server: a presentation opened from the command line,
// pages turned with the arrow keys, a pen stroke on the first slide, the ink found again after
// turning back. The window with the notes strip is kept as "slideshow-xvfb.png" in the test's
// working folder (or QB_SCREENSHOT_DIR).
class X11SlideShowTest : public QObject
{
    Q_OBJECT

private slots:
    void lessonWithSlides();
};

void X11SlideShowTest::lessonWithSlides()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    if (QProcess::execute("xdotool", {"version"}) != 0)
        QSKIP("needs xdotool");
    QTemporaryDir data;
    appDataDir = data.path();
    // Two notes paragraphs, joined by a blank; a hidden slide, which the PDF copy leaves out.
    const QStringList notes = {
        "先请两位同学复述上节课的三个要点，",
        QString("再用五分钟做课堂练习第一题到第三题，最后讲评共性错误。").repeated(8)};
    const QString pptx = makeWithSoffice(data.filePath("第二课.fodp"),
                                         flatPresentationXml({{"第一页：复习", notes, "#dbe9f7"},
                                                              {"隐藏页", {"不该出现"}, {}, true},
                                                              {"第二页：新课", {}, {}},
                                                              {"第三页：练习", {"练习答案"}, {}}}),
                                         "pptx", data.filePath("make-profile"));
    if (pptx.isEmpty())
        QSKIP("needs LibreOffice (soffice)");

    MainWindow w;
    mainWindow = &w;
    runStartUpSteps(w, [&](MainWindow &m) {
        m.settings.winw = 0;
        m.settings.showremark = true;
    });
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(300);

    BoxAnswerer boxes("OK");
    w.openFilesFromArguments({pptx});
    QTRY_VERIFY_WITH_TIMEOUT(w.currentTabItem(), 60000);
    QCOMPARE(boxes.texts, QStringList());
    Canvas *canvas = w.currentTabItem()->canvas;
    QCOMPARE(canvas->pageCount(), 3);
    QCOMPARE(w.slideThumbnailCount(), 3);
    QCOMPARE(w.slideNoteTexts(), (QStringList{notes.join(' '), QString(), "练习答案"}));
    QCOMPARE(w.slideColourNames().value(0), QStringLiteral("#dbe9f7"));
    QTest::qWait(500);
    QVERIFY(w.remarkPanel()->isVisible());

    // Pages turn with the keys, and wrap.
    xdo({"key", "Right"});
    QTRY_COMPARE(w.slidePage(), 2);
    QCOMPARE(w.remarkPanel()->remark(), QStringLiteral("此处展示备注"));
    xdo({"key", "Right", "Right"});
    QTRY_COMPARE(w.slidePage(), 1);

    // A pen stroke on the first slide; away and back, the ink is still there.
    QVERIFY(clickButton(&w, "钢笔"));
    QTest::qWait(200);
    const QPoint origin = canvas->mapToGlobal(QPoint(0, 0));
    const QPoint from = origin + QPoint(canvas->width() / 5, canvas->height() * 2 / 3);
    const QPoint to = origin + QPoint(canvas->width() * 3 / 5, canvas->height() * 3 / 4);
    moveTo(from);
    xdo({"mousedown", "1"});
    for (int i = 1; i <= 12; ++i) {
        moveTo(from + (to - from) * i / 12 + QPoint(0, (i % 4) * 6));
        QTest::qWait(20);
    }
    xdo({"mouseup", "1"});
    QTRY_VERIFY(canvas->hasDrawing());
    xdo({"key", "Left"});
    QTRY_COMPARE(w.slidePage(), 3);
    QVERIFY(!canvas->hasDrawing());
    xdo({"key", "Right"});
    QTRY_COMPARE(w.slidePage(), 1);
    QVERIFY(canvas->hasDrawing());
    // Notes wider than the strip run as a ticker from its start button.
    QVERIFY(clickButton(w.remarkPanel(), "开始"));
    QTRY_VERIFY(w.remarkPanel()->scrollOffset() > 40);
    QVERIFY(w.grab().save(screenshotDir() + "/slideshow-xvfb.png"));
    mainWindow = nullptr;
    w.closeAllTabs();
}

QTEST_MAIN(X11SlideShowTest)
#include "tst_x11_slideshow.moc"
