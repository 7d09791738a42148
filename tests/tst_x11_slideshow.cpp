#include "canvas/canvas.h"
#include "documents/tabitem.h"
#include "slideshow/remarkshower.h"

#include "boxanswerer.h"
#include "requiredprograms.h"
#include "screenshotdir.h"
#include "slidefixtures.h"
#include "x11window.h"

// A teacher's slide lesson through the X server: a presentation made by LibreOffice opened from
// the command line, pages turned with the arrow keys, a pen stroke on the first slide, the ink
// found again after turning back. The window with the notes strip is kept as
// "slideshow-xvfb.png" in the test's working folder (or QB_SCREENSHOT_DIR).
class X11SlideShowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QB_REQUIRE_PROGRAMS({"soffice", "xdotool"}); }
    void lessonWithSlides();
};

void X11SlideShowTest::lessonWithSlides()
{
    QB_SKIP_WITHOUT_XDOTOOL();
    X11Window x;
    MainWindow &w = x.window;
    // Two notes paragraphs, joined by a blank; a hidden slide, which the PDF copy leaves out.
    const QStringList notes = {
        "先请两位同学复述上节课的三个要点，",
        QString("再用五分钟做课堂练习第一题到第三题，最后讲评共性错误。").repeated(8)};
    const QString pptx = makeWithSoffice(x.data.filePath("第二课.fodp"),
                                         flatPresentationXml({{"第一页：复习", notes, "#dbe9f7"},
                                                              {"隐藏页", {"不该出现"}, {}, true},
                                                              {"第二页：新课", {}, {}},
                                                              {"第三页：练习", {"练习答案"}, {}}}),
                                         "pptx", x.data.filePath("make-profile"));
    QB_REQUIRE_PROGRAM("soffice");
    QVERIFY2(!pptx.isEmpty(), "LibreOffice did not write the deck");
    w.settings.showremark = true;
    QVERIFY(x.shown());

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

    // Pages turn with the keys, and wrap, with the pointer over the running show too.
    QTRY_VERIFY_WITH_TIMEOUT(w.isSlideShowAlive(), 60000);
    moveTo(canvas->mapToGlobal(canvas->rect().center()));
    xdo({"key", "Right"});
    QTRY_COMPARE(w.slidePage(), 2);
    QCOMPARE(w.remarkPanel()->remark(), QStringLiteral("此处展示备注"));
    xdo({"key", "Right", "Right"});
    QTRY_COMPARE(w.slidePage(), 1);

    // A pen stroke on the first slide; away and back, the ink is still there.
    click(buttonWithTip(&w, "钢笔"));
    const QPoint from = canvas->mapToGlobal(QPoint(canvas->width() / 5, canvas->height() / 2));
    moveTo(from);
    xdo({"mousedown", "1"});
    for (int i = 1; i <= 12; ++i)
        moveTo(from + QPoint(i * 30, (i % 4) * 6));
    xdo({"mouseup", "1"});
    QTRY_VERIFY(canvas->hasDrawing());
    xdo({"key", "Left"});
    QTRY_COMPARE(w.slidePage(), 3);
    QVERIFY(!canvas->hasDrawing());
    xdo({"key", "Right"});
    QTRY_COMPARE(w.slidePage(), 1);
    QVERIFY(canvas->hasDrawing());
    // Notes wider than the strip run as a ticker from its start button.
    click(buttonWithTip(w.remarkPanel(), "开始"));
    QTRY_VERIFY(w.remarkPanel()->scrollOffset() > 40);
    QVERIFY(w.grab().save(screenshotDir() + "/slideshow-xvfb.png"));
    w.closeAllTabs();
}

QTEST_MAIN(X11SlideShowTest)
#include "tst_x11_slideshow.moc"
