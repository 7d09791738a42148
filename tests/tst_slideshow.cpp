#include <QComboBox>
#include <QDirIterator>
#include <QLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "app/filesystem.h"
#include "app/globals.h"
#include "app/paths.h"
#include "app/uimetrics.h"
#include "canvas/canvas.h"
#include "drawing/paintproperty.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/recentfilescontroler.h"
#include "mainwindow/scrollarea.h"
#include "mainwindow/tabitem.h"
#include "platform/documentconverter.h"
#include "slideshow/flatpresentation.h"
#include "slideshow/presentationloader.h"
#include "slideshow/remarkshower.h"
#include "slideshow/slidegeometry.h"

#include "boxanswerer.h"
#include "fakes.h"
#include "pdffixtures.h"
#include "slidefixtures.h"
#include "windowsetup.h"

namespace {

QStringList filesBelow(const QString &folder)
{
    QStringList result;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        result << QDir(folder).relativeFilePath(it.next());
    result.sort();
    return result;
}

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

QList<QPushButton *> remarkButtons(RemarkShower &panel)
{
    // In the panel's row: slower, start/pause, stop, faster.
    QList<QPushButton *> buttons;
    for (int i = 1; i <= 4; ++i)
        buttons << qobject_cast<QPushButton *>(panel.layout()->itemAt(i)->widget());
    return buttons;
}

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
    void init() { useFake("fixture"); }
    void cleanup();
    void placement_data();
    void placement();
    void pageCommands_data();
    void pageCommands();
    void notesAndColoursFromFlatPresentation();
    void remarkSpeedAndFontLimits();
    void remarkTickerStopAndPause();
    void remarkStopsInsideItsPaintWithoutRepainting();
    void openingBuildsTheTabFromThePdfPages();
    void navigationWrapsAndKeepsInkPerSlide();
    void notesPanelFollowsTheSettingAcrossTabs();
    void secondPresentationRefused();
    void failuresLeaveNoCacheFiles_data();
    void failuresLeaveNoCacheFiles();
    void pageExportIncludesTheSlide();
    void oneReaderServesEveryPageTurn();
    void realPresentation();

private:
    MainWindow *build();
    TabItem *openLesson(MainWindow *w);
    void useFake(const QString &mode)
    {
        qputenv("QB_SOFFICE", fakePath.toUtf8());
        qputenv("QB_FAKE_MODE", mode.toUtf8());
    }

    QTemporaryDir dir;
    QString fakePath = dir.filePath("fake soffice");
    QString lesson = dir.filePath("第二课.pptx");
    QList<MainWindow *> windows;
};

void TestSlideShow::initTestCase()
{
    QVERIFY(dir.isValid());
    appDataDir = dir.filePath("数据 data");
    QVERIFY(QDir().mkpath(appDataDir));
    QVERIFY(FileSystem::writeBytes(fakePath, fakeSlideConverter()));
    QVERIFY(
        QFile::setPermissions(fakePath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // The PDF copy of the lesson: the three shown slides, 4:3.
    const QString pdf = dir.filePath("lesson.pdf");
    QVERIFY(writeTestPdf(pdf, QVector<QSizeF>(3, QSizeF(720, 540))));
    const QString fodp = dir.filePath("lesson.fodp");
    QVERIFY(FileSystem::writeBytes(fodp, flatPresentationXml(lessonSlides())));
    qputenv("QB_FAKE_PDF", pdf.toUtf8());
    qputenv("QB_FAKE_FODP", fodp.toUtf8());
    qputenv("QB_FAKE_LOG", dir.filePath("runs.log").toUtf8());
    QVERIFY(FileSystem::writeBytes(lesson, "stands for a presentation"));
}

void TestSlideShow::cleanup()
{
    for (MainWindow *w : qAsConst(windows)) {
        w->closeAllTabs();
        delete w;
    }
    windows.clear();
    FileSystem::clearDir(pptCacheDirPath());
}

MainWindow *TestSlideShow::build()
{
    auto *window = new MainWindow;
    windows.append(window);
    window->setToolBarPort(std::make_unique<FakeToolBar>());
    window->setHotKeyGrabber(std::make_unique<FakeGrabber>());
    runStartUpSteps(*window);
    window->resize(1200, 800);
    window->show();
    return window;
}

TabItem *TestSlideShow::openLesson(MainWindow *w)
{
    BoxAnswerer answer("OK");
    w->openFiles({lesson});
    if (!answer.texts.isEmpty() || w->tabList().size() != 1)
        return nullptr;
    return w->tabList().first();
}

void TestSlideShow::placement_data()
{
    QTest::addColumn<QSize>("slide");
    QTest::addColumn<QSize>("area");
    QTest::addColumn<QRect>("placed");
    QTest::newRow("4:3 in a wide area")
        << QSize(1024, 768) << QSize(1600, 800) << QRect(267, 0, 1067, 800);
    QTest::newRow("16:9 in a tall area")
        << QSize(1600, 900) << QSize(800, 800) << QRect(0, 175, 800, 450);
    QTest::newRow("same shape") << QSize(800, 600) << QSize(400, 300) << QRect(0, 0, 400, 300);
    QTest::newRow("no area") << QSize(800, 600) << QSize(0, 300) << QRect();
    QTest::newRow("no slide") << QSize(0, 600) << QSize(400, 300) << QRect();
}

void TestSlideShow::placement()
{
    QFETCH(QSize, slide);
    QFETCH(QSize, area);
    QFETCH(QRect, placed);
    QCOMPARE(SlideGeometry::placeInArea(slide, area), placed);
    // Fitted to the screen the same way: a 4:3 slide on a wide screen by its height.
    if (!placed.isEmpty())
        QCOMPARE(SlideGeometry::fitToScreen(slide, area), placed.size());
}

void TestSlideShow::pageCommands_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("target");
    // Five pages; steps are page moves, as there is no animation to step through.
    QTest::newRow("same page") << 0 << 3 << 3;
    QTest::newRow("previous step") << 1 << 3 << 2;
    QTest::newRow("previous step wraps") << 1 << 1 << 5;
    QTest::newRow("next step") << 2 << 3 << 4;
    QTest::newRow("next step wraps") << 2 << 5 << 1;
    QTest::newRow("previous page wraps") << 3 << 1 << 5;
    QTest::newRow("next page wraps") << 4 << 5 << 1;
    QTest::newRow("next page in picture mode") << 5 << 2 << 3;
    QTest::newRow("unknown") << 6 << 2 << 0;
}

void TestSlideShow::pageCommands()
{
    QFETCH(int, command);
    QFETCH(int, current);
    QFETCH(int, target);
    QCOMPARE(SlideGeometry::pageAfterCommand(command, current, 5), target);
}

void TestSlideShow::notesAndColoursFromFlatPresentation()
{
    FlatPresentation flat;
    QVERIFY(flat.parse(flatPresentationXml(lessonSlides())));
    // The hidden slide is gone from both lists; paragraphs join with a blank.
    QCOMPARE(flat.notes, lessonNotes);
    QCOMPARE(flat.colours, (QStringList{"#336699", QString(), QString()}));

    // Line breaks, tabs and runs of blanks inside a paragraph become single blanks.
    QVERIFY(flat.parse(flatPresentationXml(
        {{"a", {"x<text:line-break/>y\n   z<text:s text:c=\"2\"/>w"}, "#ABCDEF"}})));
    QCOMPARE(flat.notes, QStringList{"x y z  w"});
    QCOMPARE(flat.colours, QStringList{"#abcdef"});

    // A cut-off copy yields nothing, rather than the slides up to the cut.
    QVERIFY(!flat.parse(flatPresentationXml(lessonSlides()).left(1500)));
    QVERIFY(flat.notes.isEmpty() && !flat.error.isEmpty());
    QVERIFY(!flat.read(dir.filePath("missing.fodp")));
}

void TestSlideShow::remarkSpeedAndFontLimits()
{
    RemarkShower panel;
    panel.resize(200, panel.height());
    panel.show();
    panel.setRemark(QString(200, QChar(0x5b57)));
    QPushButton *slower = remarkButtons(panel).at(0);
    QPushButton *faster = remarkButtons(panel).at(3);
    QCOMPARE(panel.scrollSpeed(), 5);
    QVERIFY(!slower->isEnabled());
    panel.setScrollSpeed(4);
    panel.setScrollSpeed(26);
    QCOMPARE(panel.scrollSpeed(), 5);
    panel.setScrollSpeed(7);
    QCOMPARE(panel.scrollSpeed(), 7);
    // The steps stop at the ends of the range instead of running past them.
    const auto steps = [&panel](int n, void (RemarkShower::*step)()) {
        QList<int> speeds;
        while (n-- > 0) {
            (panel.*step)();
            speeds << panel.scrollSpeed();
        }
        return speeds;
    };
    QCOMPARE(steps(6, &RemarkShower::increaseSpeed), (QList<int>{11, 15, 19, 23, 25, 25}));
    QVERIFY(!faster->isEnabled());
    QVERIFY(slower->isEnabled());
    QCOMPARE(steps(7, &RemarkShower::decreaseSpeed), (QList<int>{21, 17, 13, 9, 5, 5, 5}));
    QVERIFY(!slower->isEnabled());
    QVERIFY(faster->isEnabled());

    // Font sizes 8 to 14 only; the strip's height follows the text.
    const int small = panel.height();
    panel.setFontSize(7);
    panel.setFontSize(15);
    QCOMPARE(panel.fontSize(), 8);
    panel.setFontSize(14);
    QCOMPARE(panel.fontSize(), 14);
    QCOMPARE(panel.height(), panel.textRect().height() + 6 * spacingUnit());
    QVERIFY(panel.height() > small);
}

void TestSlideShow::remarkTickerStopAndPause()
{
    RemarkShower panel;
    panel.resize(300, panel.height());
    panel.show();
    const QList<QPushButton *> b = remarkButtons(panel);
    // A short text fits: nothing to run.
    panel.setRemark("短");
    for (QPushButton *button : b)
        QVERIFY(!button->isEnabled());

    panel.setRemark(QString(100, QChar(0x5b57)));
    QVERIFY(b.at(1)->isEnabled());
    QVERIFY(!b.at(2)->isEnabled());
    b.at(1)->click();
    QCOMPARE(panel.scrollState(), int(RemarkShower::Running));
    QCOMPARE(b.at(1)->toolTip(), QStringLiteral("暂停"));
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
    QCOMPARE(b.at(1)->toolTip(), QStringLiteral("开始"));
    // A new text stops the ticker too.
    b.at(1)->click();
    panel.setRemark(QString(90, QChar(0x5b57)));
    QCOMPARE(panel.scrollState(), int(RemarkShower::Stopped));
}

void TestSlideShow::remarkStopsInsideItsPaintWithoutRepainting()
{
    RemarkShower panel;
    panel.resize(200, panel.height());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    panel.setRemark(QString(30, QChar(0x5b57)));
    panel.setScrollSpeed(25);
    panel.toggleScroll();
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { warnings << text; });
    // The text runs out of the strip; the paint that sees it stops the ticker.
    QTRY_COMPARE_WITH_TIMEOUT(panel.scrollState(), int(RemarkShower::Stopped), 20000);
    qInstallMessageHandler(previous);
    QCOMPARE(panel.scrollOffset(), 0.0);
    // Painting again from inside the paint handler is what Qt warns about.
    QCOMPARE(warnings.filter("repaint", Qt::CaseInsensitive), QStringList());
}

void TestSlideShow::openingBuildsTheTabFromThePdfPages()
{
    MainWindow *w = build();
    TabItem *tab = openLesson(w);
    QVERIFY(tab);
    QCOMPARE(tab->kind, 1);
    QCOMPARE(tab->title, QStringLiteral("第二课.pptx"));
    QCOMPARE(tab->path, lesson);
    QVERIFY(tab->canvas && tab->slideBackground && tab->scrollArea);
    QCOMPARE(tab->scrollArea->widget()->objectName(), QStringLiteral("pptContentWidget"));
    QCOMPARE(tab->canvas->pageCount(), 3);
    QCOMPARE(w->slidePage(), 1);
    // The overlay is a child lying exactly on the slide picture.
    QCOMPARE(tab->canvas->parentWidget(), static_cast<QWidget *>(tab->slideBackground));
    QCOMPARE(tab->canvas->geometry(), tab->slideBackground->rect());
    QCOMPARE(tab->slideBackground->size(), w->slidePlacementRect().size());
    QVERIFY(!tab->slideBackground->pixmap(Qt::ReturnByValue).isNull());
    // Counted from the PDF copy's pages, which leave the hidden slide out, so thumbnails,
    // notes and colours stay in step with the pages.
    QCOMPARE(w->slideThumbnailCount(), 3);
    QCOMPARE(slideOutline(w)->count(), 3);
    QCOMPARE(w->slideNoteTexts(), lessonNotes);
    // Slides without a fill of their own take their edge colour (white paper here).
    QCOMPARE(w->slideColourNames(), (QStringList{"#336699", "#ffffff", "#ffffff"}));
    // Both conversions ran on the cache copy; only the copy and the PDF copy stay.
    const QString stamp = w->slideStampText();
    QVERIFY(QRegularExpression("^quillboard\\d{13}$").match(stamp).hasMatch());
    QCOMPARE(filesBelow(pptCacheDirPath()), (QStringList{stamp + ".pptx", stamp + ".qb_"}));
    const QString log = QString::fromUtf8(FileSystem::readAll(dir.filePath("runs.log")));
    const QString copy = pptCacheDirPath() + "/" + stamp + ".pptx";
    QVERIFY(log.contains("fodp " + copy));
    QVERIFY(log.contains("pdf " + copy));
    QCOMPARE(w->recentFiles()->files().value(0), lesson);

    // Closing the tab empties the cache.
    BoxAnswerer yes("确定");
    w->closeTab(tab);
    QCOMPARE(filesBelow(pptCacheDirPath()), QStringList());
    QCOMPARE(w->slideStampText(), QString());
    QVERIFY(w->tabList().isEmpty());
}

void TestSlideShow::navigationWrapsAndKeepsInkPerSlide()
{
    MainWindow *w = build();
    TabItem *tab = openLesson(w);
    QVERIFY(tab);
    Canvas *canvas = tab->canvas;
    QCOMPARE(w->remarkPanel()->remark(), lessonNotes.at(0));

    w->tools()->paintTool = PaintTool::Pen;
    canvas->applyPaintTool();
    double pressure = -1.0;
    canvas->beginAction(QPoint(40, 40), QPointF(40, 40), &pressure);
    for (int i = 1; i <= 10; ++i)
        canvas->continueAction(QPoint(40 + 10 * i, 40 + 5 * i), QPointF(40 + 10 * i, 40 + 5 * i),
                               &pressure);
    canvas->endAction(QPoint(140, 90), QPointF(140, 90));
    QVERIFY(canvas->hasDrawing());

    // Right arrow: next page; left on the first page: the last one.
    QTest::keyClick(canvas, Qt::Key_Right);
    QCOMPARE(w->slidePage(), 2);
    QVERIFY(!canvas->hasDrawing());
    QCOMPARE(w->remarkPanel()->remark(), QStringLiteral("此处展示备注"));
    QTest::keyClick(canvas, Qt::Key_Right);
    QCOMPARE(w->slidePage(), 3);
    QTest::keyClick(canvas, Qt::Key_Right);
    QCOMPARE(w->slidePage(), 1);
    QVERIFY(canvas->hasDrawing());
    QTest::keyClick(canvas, Qt::Key_Left);
    QCOMPARE(w->slidePage(), 3);
    QCOMPARE(w->remarkPanel()->remark(), lessonNotes.at(2));

    // The outline jumps; the current item is the page shown.
    w->jumpToSlidePage(1);
    QCOMPARE(w->slidePage(), 1);
    QVERIFY(canvas->hasDrawing());
    QCOMPARE(slideOutline(w)->currentIndex(), 0);
    // The page background takes the slide's colour.
    const QColor shown = tab->scrollArea->widget()->palette().color(QPalette::Window);
    QCOMPARE(shown.name(), QStringLiteral("#336699"));

    // With the mouse tool a click on the slide goes on, as in picture mode.
    w->tools()->paintTool = PaintTool::Mouse;
    canvas->applyPaintTool();
    QVERIFY(w->isSlideShowLost());
    QTest::mouseClick(tab->slideBackground, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(w->slidePage(), 2);
}

void TestSlideShow::notesPanelFollowsTheSettingAcrossTabs()
{
    MainWindow *w = build();
    TabItem *slides = openLesson(w);
    QVERIFY(slides);
    w->settings.showremark = true;
    w->jumpToSlidePage(2);
    // Shown also for a slide without notes.
    QVERIFY(w->remarkPanel()->isVisible());
    QCOMPARE(w->remarkPanel()->remark(), QStringLiteral("此处展示备注"));
    w->settings.showremark = false;
    w->jumpToSlidePage(3);
    QVERIFY(!w->remarkPanel()->isVisible());
    w->settings.showremark = true;
    w->newWhiteboardTab("#ffffff");
    QVERIFY(w->currentTabItem() != slides);
    QVERIFY(w->remarkPanel()->isVisible());
    QCOMPARE(w->remarkPanel()->remark(), QString());
    QVERIFY(!slides->canvas->isVisible());
    QVERIFY(!slideOutline(w)->isVisible());

    // Back on the slide tab: the slide, its outline item and its notes again.
    slides->click();
    QCOMPARE(w->currentTabItem(), slides);
    QVERIFY(slides->canvas->isVisible());
    QCOMPARE(w->slidePage(), 3);
    QCOMPARE(slideOutline(w)->currentIndex(), 2);
    QCOMPARE(w->remarkPanel()->remark(), lessonNotes.at(2));
    QVERIFY(!slides->slideBackground->pixmap(Qt::ReturnByValue).isNull());

    BoxAnswerer yes("确定");
    w->closeAllTabs();
    w->showRemark(QString());
    QVERIFY(!w->remarkPanel()->isVisible());
}

void TestSlideShow::secondPresentationRefused()
{
    MainWindow *w = build();
    QVERIFY(openLesson(w));
    const QStringList cache = filesBelow(pptCacheDirPath());
    const QString other = dir.filePath("第三课.ppt");
    QVERIFY(FileSystem::writeBytes(other, "another"));
    BoxAnswerer answer("OK");
    w->openFiles({other});
    QCOMPARE(answer.texts, QStringList{other + "打开被取消，仅支持打开单个幻灯片文件"});
    QCOMPARE(w->tabList().size(), 1);
    QCOMPARE(filesBelow(pptCacheDirPath()), cache);
}

void TestSlideShow::failuresLeaveNoCacheFiles_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no converter") << QString() << PresentationLoader::noSuiteMessage();
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
    MainWindow *w = build();
    if (mode.isEmpty())
        qputenv("QB_SOFFICE", dir.filePath("no such soffice").toUtf8());
    else
        useFake(mode);
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
    useFake("fixture");
    QVERIFY(openLesson(w));
}

void TestSlideShow::pageExportIncludesTheSlide()
{
    MainWindow *w = build();
    TabItem *tab = openLesson(w);
    QVERIFY(tab);
    const QImage page = tab->canvas->pageImage(false).toImage();
    QVERIFY(!page.isNull());
    // The black bar along the slide's top edge and its white paper are in the picture.
    QCOMPARE(QColor(page.pixel(page.width() / 2, 2)).name(), QStringLiteral("#000000"));
    QCOMPARE(QColor(page.pixel(page.width() / 2, page.height() - 3)).name(),
             QStringLiteral("#ffffff"));
}

void TestSlideShow::oneReaderServesEveryPageTurn()
{
    MainWindow *w = build();
    TabItem *tab = openLesson(w);
    QVERIFY(tab);
    const qint64 before = tab->slideBackground->pixmap(Qt::ReturnByValue).cacheKey();
    // The file is read through the reader opened with the tab, not reopened at each turn.
    const QString pdf = pptCacheDirPath() + "/" + w->slideStampText() + ".qb_";
    QVERIFY(QFile::rename(pdf, pdf + ".away"));
    w->navigateSlideShow(4);
    QCOMPARE(w->slidePage(), 2);
    QVERIFY(tab->slideBackground->pixmap(Qt::ReturnByValue).cacheKey() != before);
    QVERIFY(!tab->slideBackground->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(QFile::rename(pdf + ".away", pdf));
    // Deleting the window with the slide tab open leaves nothing dangling.
    windows.removeOne(w);
    delete w;
}

void TestSlideShow::realPresentation()
{
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        QSKIP("LibreOffice (soffice) is not installed");
    qunsetenv("QB_SOFFICE");
    const QString made = dir.filePath("real");
    QVERIFY(QDir().mkpath(made));
    QVERIFY(writeRealPresentation(made + "/课件 real.fodp", made, officeProfileDirPath() + "/make",
                                  lessonSlides()));
    const QString pptx = made + "/课件 real.pptx";
    QVERIFY(QFileInfo(pptx).size() > 0);
    MainWindow *w = build();
    {
        BoxAnswerer answer("OK");
        w->openFiles({pptx});
        QCOMPARE(answer.texts, QStringList());
    }
    QCOMPARE(w->tabList().size(), 1);
    TabItem *tab = w->tabList().first();
    QCOMPARE(tab->canvas->pageCount(), 3);
    QCOMPARE(w->slideThumbnailCount(), 3);
    QCOMPARE(w->slideNoteTexts(), lessonNotes);
    QCOMPARE(w->slideColourNames().value(0), QStringLiteral("#336699"));
    QVERIFY(!tab->slideBackground->pixmap(Qt::ReturnByValue).isNull());
    {
        BoxAnswerer yes("确定");
        w->closeTab(tab);
        QVERIFY(w->tabList().isEmpty());
    }

    // What the converter cannot take builds no tab and leaves the cache as it was.
    const QList<QPair<QString, QByteArray>> bad = {
        {"空白.pptx", QByteArray()},
        {"损坏.pptx", QByteArray("PK\x03\x04", 4) + "broken"},
        {"乱码.ppt", QByteArray(3000, 'x')}};
    for (const auto &file : bad) {
        const QString path = made + "/" + file.first;
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
