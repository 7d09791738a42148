#include <QComboBox>
#include <QLayout>
#include <QPushButton>
#include <QtTest>

#include "canvas/canvas.h"
#include "drawing/paintproperty.h"
#include "mainwindow/scrollarea.h"
#include "mainwindow/tabitem.h"
#include "platform/documentconverter.h"
#include "slideshow/flatpresentation.h"
#include "slideshow/presentationloader.h"
#include "slideshow/remarkshower.h"
#include "slideshow/slidegeometry.h"

#include "boxanswerer.h"
#include "pdffixtures.h"
#include "slidefixtures.h"

namespace {

// Four slides, the second hidden: the PDF copy has three pages.
QList<SlideSpec> lessonSlides()
{
    return {{"第一页", {"先复习", "再提问"}, "#336699"},
            {"隐藏页", {"不该出现"}, "#ff0000", true},
            {"第三页", {}, {}},
            {"第四页", {"最后 一页"}, {}}};
}

// The notes of the three shown slides.
const QStringList lessonNotes = {QStringLiteral("先复习 再提问"), QString(),
                                 QStringLiteral("最后 一页")};

QComboBox *slideOutline(MainWindow *w)
{
    for (QComboBox *combo : w->findChildren<QComboBox *>()) {
        if (combo->toolTip() == QStringLiteral("幻灯片大纲 快速跳转"))
            return combo;
    }
    return nullptr;
}

QStringList warnings;

} // namespace

class TestSlideShow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { office.use("fixture"); }
    void cleanup()
    {
        office.deleteWindows();
        FileSystem::clearDir(pptCacheDirPath());
    }
    void placementAndPageCommands();
    void notesAndColoursFromFlatPresentation();
    void remarkPanel();
    void lessonTab();
    void failuresLeaveNoCacheFiles_data();
    void failuresLeaveNoCacheFiles();
    void realPresentation();

private:
    // The only tab, opened from path without a message; null otherwise.
    TabItem *open(MainWindow *w, const QString &path);

    OfficeFakes office;
    QString lesson = office.dir.filePath("第二课.pptx");
};

void TestSlideShow::initTestCase()
{
    QVERIFY(office.dir.isValid() && office.setUp());
    // The PDF copy of the lesson: the three shown slides, 4:3.
    const QString pdf = office.dir.filePath("lesson.pdf");
    QVERIFY(writeTestPdf(pdf, QVector<QSizeF>(3, QSizeF(720, 540))));
    const QString fodp = office.dir.filePath("lesson.fodp");
    QVERIFY(FileSystem::writeBytes(fodp, flatPresentationXml(lessonSlides())));
    qputenv("QB_FAKE_PDF", pdf.toUtf8());
    qputenv("QB_FAKE_FODP", fodp.toUtf8());
    QVERIFY(FileSystem::writeBytes(lesson, "stands for a presentation"));
}

TabItem *TestSlideShow::open(MainWindow *w, const QString &path)
{
    BoxAnswerer answer("OK");
    w->openFiles({path});
    return answer.texts.isEmpty() && w->tabList().size() == 1 ? w->tabList().first() : nullptr;
}

void TestSlideShow::placementAndPageCommands()
{
    // As large as fits, centred; nothing placed for an empty slide or area.
    const QList<std::tuple<QSize, QSize, QRect>> placements = {
        {{1024, 768}, {1600, 800}, {267, 0, 1067, 800}},
        {{1600, 900}, {800, 800}, {0, 175, 800, 450}},
        {{800, 600}, {0, 300}, {}},
        {{0, 600}, {400, 300}, {}}};
    for (const auto &[slide, area, placed] : placements) {
        QCOMPARE(SlideGeometry::placeInArea(slide, area), placed);
        if (!placed.isEmpty()) // fitted to the screen the same way
            QCOMPARE(SlideGeometry::fitToScreen(slide, area), placed.size());
    }
    // {command, from, to} on five pages: steps are page moves, both ends wrap, 6 is unknown.
    const int moves[][3] = {{0, 3, 3}, {1, 3, 2}, {1, 1, 5}, {2, 3, 4}, {2, 5, 1},
                            {3, 1, 5}, {4, 5, 1}, {5, 2, 3}, {6, 2, 0}};
    for (const auto &m : moves)
        QCOMPARE(SlideGeometry::pageAfterCommand(m[0], m[1], 5), m[2]);
}

void TestSlideShow::notesAndColoursFromFlatPresentation()
{
    FlatPresentation flat;
    const QByteArray xml = flatPresentationXml(lessonSlides());
    // Line breaks, tabs and runs of blanks inside a paragraph become single blanks.
    QVERIFY(flat.parse(flatPresentationXml(
        {{"a", {"x<text:line-break/>y\n   z<text:s text:c=\"2\"/>w"}, "#ABCDEF"}})));
    QCOMPARE(flat.notes, QStringList{"x y z  w"});
    QCOMPARE(flat.colours, QStringList{"#abcdef"});

    // A cut-off copy yields nothing, rather than the slides up to the cut.
    QVERIFY(!flat.parse(xml.left(xml.lastIndexOf("<draw:page"))));
    QVERIFY(flat.notes.isEmpty() && !flat.error.isEmpty());
    QVERIFY(!flat.read(office.dir.filePath("missing.fodp")));
}

void TestSlideShow::remarkPanel()
{
    RemarkShower panel;
    panel.resize(200, panel.height());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QList<QPushButton *> b; // in the panel's row: slower, start/pause, stop, faster
    for (int i = 1; i <= 4; ++i)
        b << qobject_cast<QPushButton *>(panel.layout()->itemAt(i)->widget());
    // A short text fits: nothing to run.
    panel.setRemark("短");
    for (QPushButton *button : qAsConst(b))
        QVERIFY(!button->isEnabled());

    panel.setRemark(QString(200, QChar(0x5b57)));
    QCOMPARE(panel.scrollSpeed(), 5);
    QVERIFY(!b.at(0)->isEnabled());
    panel.setScrollSpeed(4);
    panel.setScrollSpeed(26);
    QCOMPARE(panel.scrollSpeed(), 5);
    panel.setScrollSpeed(7);
    // The steps stop at the ends of the range instead of running past them.
    QList<int> speeds;
    for (int i = 0; i < 13; ++i) {
        i < 6 ? panel.increaseSpeed() : panel.decreaseSpeed();
        speeds << panel.scrollSpeed();
        if (i == 5)
            QVERIFY(!b.at(3)->isEnabled() && b.at(0)->isEnabled());
    }
    QCOMPARE(speeds, (QList<int>{11, 15, 19, 23, 25, 25, 21, 17, 13, 9, 5, 5, 5}));
    QVERIFY(!b.at(0)->isEnabled() && b.at(3)->isEnabled());

    // The ticker: start, pause (the text stays put), go on, stop (back to the start).
    QVERIFY(b.at(1)->isEnabled() && !b.at(2)->isEnabled());
    b.at(1)->click();
    QCOMPARE(panel.scrollState(), int(RemarkShower::Running));
    QVERIFY(b.at(2)->isEnabled());
    QTRY_VERIFY(panel.scrollOffset() >= 2.0);
    b.at(1)->click();
    QCOMPARE(panel.scrollState(), int(RemarkShower::Paused));
    const double kept = panel.scrollOffset();
    QTest::qWait(100);
    QCOMPARE(panel.scrollOffset(), kept);
    b.at(1)->click();
    QCOMPARE(panel.scrollState(), int(RemarkShower::Running));
    b.at(2)->click();
    QCOMPARE(panel.scrollState(), int(RemarkShower::Stopped));
    QCOMPARE(panel.scrollOffset(), 0.0);
    // A new text stops the ticker too.
    b.at(1)->click();
    panel.setRemark(QString(90, QChar(0x5b57)));
    QCOMPARE(panel.scrollState(), int(RemarkShower::Stopped));

    // The text runs out of the strip; the paint that sees it stops the ticker, without
    // painting again from inside the paint handler, which Qt warns about.
    panel.setRemark(QString(30, QChar(0x5b57)));
    panel.setScrollSpeed(25);
    panel.toggleScroll();
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { warnings << text; });
    QTRY_COMPARE_WITH_TIMEOUT(panel.scrollState(), int(RemarkShower::Stopped), 20000);
    qInstallMessageHandler(previous);
    QCOMPARE(panel.scrollOffset(), 0.0);
    QCOMPARE(warnings.filter("repaint", Qt::CaseInsensitive), QStringList());

    // Font sizes 8 to 14 only; the strip's height follows the text.
    const int small = panel.height();
    panel.setFontSize(7);
    panel.setFontSize(15);
    QCOMPARE(panel.fontSize(), 8);
    panel.setFontSize(14);
    QCOMPARE(panel.fontSize(), 14);
    QVERIFY(panel.height() > small);
}

void TestSlideShow::lessonTab()
{
    MainWindow *w = office.window();
    TabItem *tab = open(w, lesson);
    QVERIFY(tab);
    QCOMPARE(tab->title, QStringLiteral("第二课.pptx"));
    Canvas *canvas = tab->canvas;
    QCOMPARE(canvas->pageCount(), 3);
    QCOMPARE(w->slidePage(), 1);
    // The overlay is a child lying exactly on the slide picture.
    QCOMPARE(canvas->parentWidget(), static_cast<QWidget *>(tab->slideBackground));
    QCOMPARE(canvas->geometry(), tab->slideBackground->rect());
    QCOMPARE(tab->slideBackground->size(), w->slidePlacementRect().size());
    // Counted from the PDF copy's pages, which leave the hidden slide out, so thumbnails,
    // notes and colours stay in step with the pages.
    QCOMPARE(w->slideThumbnailCount(), 3);
    QCOMPARE(slideOutline(w)->count(), 3);
    QCOMPARE(w->slideNoteTexts(), lessonNotes);
    // Slides without a fill of their own take their edge colour (white paper here).
    QCOMPARE(w->slideColourNames(), (QStringList{"#336699", "#ffffff", "#ffffff"}));
    // Both conversions ran on the cache copy; only the copy and the PDF copy stay.
    const QString stamp = w->slideStampText();
    QCOMPARE(filesBelow(pptCacheDirPath()), (QStringList{stamp + ".pptx", stamp + ".qb_"}));
    const QStringList runs = office.runs().filter(pptCacheDirPath() + "/" + stamp + ".pptx\n");
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs.filter("\nfodp\n").size(), 1);

    // A second presentation is refused and leaves the cache alone.
    const QString other = office.dir.filePath("第三课.ppt");
    QVERIFY(FileSystem::writeBytes(other, "another"));
    {
        BoxAnswerer answer("OK");
        w->openFiles({other});
        QCOMPARE(answer.texts, QStringList{other + "打开被取消，仅支持打开单个幻灯片文件"});
    }
    QCOMPARE(w->tabList().size(), 1);
    QCOMPARE(filesBelow(pptCacheDirPath()), (QStringList{stamp + ".pptx", stamp + ".qb_"}));

    // Page export includes the slide: the black bar along its top edge and its white paper.
    const QImage page = canvas->pageImage(false).toImage();
    QVERIFY(!page.isNull());
    QCOMPARE(QColor(page.pixel(page.width() / 2, 2)).name(), QStringLiteral("#000000"));
    QCOMPARE(QColor(page.pixel(page.width() / 2, page.height() - 3)).name(),
             QStringLiteral("#ffffff"));

    // The outline jumps; its current item is the page shown, whose colour the page takes.
    w->jumpToSlidePage(1);
    QCOMPARE(slideOutline(w)->currentIndex(), 0);
    const QColor shown = tab->scrollArea->widget()->palette().color(QPalette::Window);
    QCOMPARE(shown.name(), QStringLiteral("#336699"));
    // With the mouse tool a click on the slide goes on, as in picture mode.
    w->tools()->paintTool = PaintTool::Mouse;
    canvas->applyPaintTool();
    QTest::mouseClick(tab->slideBackground, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(w->slidePage(), 2);

    // Page turns go through the reader opened with the tab, not a reopened file.
    const qint64 before = tab->slideBackground->pixmap(Qt::ReturnByValue).cacheKey();
    const QString pdf = pptCacheDirPath() + "/" + stamp + ".qb_";
    QVERIFY(QFile::rename(pdf, pdf + ".away"));
    w->navigateSlideShow(4);
    QCOMPARE(w->slidePage(), 3);
    QVERIFY(tab->slideBackground->pixmap(Qt::ReturnByValue).cacheKey() != before);
    QVERIFY(!tab->slideBackground->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(QFile::rename(pdf + ".away", pdf));

    // With "showremark" on, the notes panel shows for every tab, with or without notes.
    w->settings.showremark = true;
    w->jumpToSlidePage(2);
    QVERIFY(w->remarkPanel()->isVisible());
    w->settings.showremark = false;
    w->jumpToSlidePage(3);
    QVERIFY(!w->remarkPanel()->isVisible());
    w->settings.showremark = true;
    w->newWhiteboardTab("#ffffff");
    QVERIFY(w->remarkPanel()->isVisible());
    QCOMPARE(w->remarkPanel()->remark(), QString());
    QVERIFY(!canvas->isVisible() && !slideOutline(w)->isVisible());
    // Back on the slide tab: the slide, its outline item and its notes again.
    tab->click();
    QCOMPARE(w->currentTabItem(), tab);
    QVERIFY(canvas->isVisible());
    QCOMPARE(w->slidePage(), 3);
    QCOMPARE(slideOutline(w)->currentIndex(), 2);
    QCOMPARE(w->remarkPanel()->remark(), lessonNotes.at(2));
    QVERIFY(!tab->slideBackground->pixmap(Qt::ReturnByValue).isNull());

    // Closing the tab empties the cache.
    BoxAnswerer yes("确定");
    w->closeTab(tab);
    QCOMPARE(filesBelow(pptCacheDirPath()), QStringList());
    QCOMPARE(w->slideStampText(), QString());
    w->closeAllTabs();
    w->showRemark(QString());
    QVERIFY(!w->remarkPanel()->isVisible());
}

void TestSlideShow::failuresLeaveNoCacheFiles_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no converter") << "missing" << PresentationLoader::noSuiteMessage();
    QTest::newRow("not loaded") << "notloaded" << PresentationLoader::notLoadedMessage();
    QTest::newRow("no output") << "nothing" << PresentationLoader::blockedMessage(1);
    QTest::newRow("hangs") << "hang" << PresentationLoader::blockedMessage(1);
    QTest::newRow("not a presentation") << "nonotes" << PresentationLoader::notLoadedMessage();
    QTest::newRow("damaged flat copy") << "badnotes" << PresentationLoader::blockedMessage(4);
}

void TestSlideShow::failuresLeaveNoCacheFiles()
{
    QFETCH(QString, mode);
    QFETCH(QString, message);
    MainWindow *w = office.window();
    office.use(mode);
    w->presentationConverter()->setTimeLimit(1500);
    const QStringList before = filesBelow(pptCacheDirPath());
    BoxAnswerer answer("OK");
    w->openFiles({lesson});
    QCOMPARE(answer.texts, QStringList{message});
    QVERIFY(w->tabList().isEmpty());
    QCOMPARE(filesBelow(pptCacheDirPath()), before);
    QCOMPARE(w->slideStampText(), QString());
    QCOMPARE(w->statusText(), QString());
    // The next try works.
    office.use("fixture");
    QVERIFY(open(w, lesson));
}

void TestSlideShow::realPresentation()
{
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        QSKIP("LibreOffice (soffice) is not installed");
    qunsetenv("QB_SOFFICE");
    const QString pptx =
        makeWithSoffice(office.dir.filePath("课件 real.fodp"), flatPresentationXml(lessonSlides()),
                        "pptx", officeProfileDirPath() + "/make");
    QVERIFY(!pptx.isEmpty());
    MainWindow *w = office.window();
    TabItem *tab = open(w, pptx);
    QVERIFY(tab);
    QCOMPARE(tab->canvas->pageCount(), 3);
    QCOMPARE(w->slideThumbnailCount(), 3);
    QCOMPARE(w->slideNoteTexts(), lessonNotes);
    QCOMPARE(w->slideColourNames().value(0), QStringLiteral("#336699"));
    QVERIFY(!tab->slideBackground->pixmap(Qt::ReturnByValue).isNull());
    w->closeAllTabs();

    // What the converter cannot take builds no tab and leaves the cache as it was.
    const QList<QPair<QString, QByteArray>> bad = {
        {"空白.pptx", QByteArray()},
        {"损坏.pptx", QByteArray("PK\x03\x04", 4) + "broken"},
        {"乱码.ppt", QByteArray(3000, 'x')}};
    for (const auto &file : bad) {
        const QString path = office.dir.filePath(file.first);
        QVERIFY(FileSystem::writeBytes(path, file.second));
        BoxAnswerer ok("OK");
        w->openFiles({path});
        QCOMPARE(ok.texts, QStringList{PresentationLoader::notLoadedMessage()});
        QVERIFY(w->tabList().isEmpty());
        QCOMPARE(filesBelow(pptCacheDirPath()), QStringList());
    }
}

QTEST_MAIN(TestSlideShow)
#include "tst_slideshow.moc"
