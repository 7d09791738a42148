#include <QtTest>

#include "canvas/canvas.h"
#include "documents/tabitem.h"
#include "platform/processslideshowbridge.h"
#include "slideshow/presentationloader.h"
#include "slideshow/remarkshower.h"

#include "boxanswerer.h"
#include "pdffixtures.h"
#include "processtree.h"
#include "requiredprograms.h"
#include "slidefixtures.h"

namespace {

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
    void remarkPanel();
    void lessonTab();
    void failuresLeaveNoCacheFiles_data();
    void failuresLeaveNoCacheFiles();
    void unrenderedPageShowsNoOtherSlide();
    void deckCopiedWholeBesideTheWindow();
    void lostNotesSourceOpensSlides_data();
    void lostNotesSourceOpensSlides();
    void officeDyingWhileOpeningTriedAgain_data();
    void officeDyingWhileOpeningTriedAgain();
    void bridgeAnswersAndNews_data();
    void bridgeAnswersAndNews();
    void officeGoesWhenNoShowNeedsIt_data();
    void officeGoesWhenNoShowNeedsIt();
    void bridgeNeverWaitedFor();

private:
    // The only tab, opened from path without a message; null otherwise.
    TabItem *open(MainWindow *w, const QString &path);

    OfficeFakes office;
    QString lesson = office.dir.filePath("第二课.pptx");
};

void TestSlideShow::initTestCase()
{
    QB_REQUIRE_PROGRAM("soffice");
    QVERIFY(office.dir.isValid() && office.setUp());
    // Four slides, the second hidden: the PDF copy has three 4:3 pages.
    const QString pdf = office.dir.filePath("lesson.pdf");
    QVERIFY(writeTestPdf(pdf, QVector<QSizeF>(3, QSizeF(720, 540))));
    const QString fodp = office.dir.filePath("lesson.fodp");
    QVERIFY(
        FileSystem::writeBytes(fodp, flatPresentationXml({{"第一页", {"先复习"}, "#336699"},
                                                          {"隐藏页", {"不该出现"}, "#ff0000", true},
                                                          {"第三页", {}, {}},
                                                          {"第四页", {"最后"}, {}}})));
    qputenv("QB_FAKE_PDF", pdf.toUtf8());
    qputenv("QB_FAKE_FODP", fodp.toUtf8());
    QVERIFY(FileSystem::writeBytes(lesson, "stands for a presentation"));
    QVERIFY(FileSystem::writeBytes(office.dir.filePath("空白.pptx"), QByteArray()));
}

TabItem *TestSlideShow::open(MainWindow *w, const QString &path)
{
    BoxAnswerer answer("OK");
    w->openFiles({path});
    return answer.texts.isEmpty() && w->tabList().size() == 1 ? w->tabList().first() : nullptr;
}

void TestSlideShow::remarkPanel()
{
    RemarkShower panel;
    panel.resize(200, panel.height());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    panel.setRemark(QString(30, QChar(0x5b57)));
    panel.setScrollSpeed(4);
    panel.setScrollSpeed(26);
    QCOMPARE(panel.scrollSpeed(), 5);
    panel.setScrollSpeed(7);
    // The steps stop at the ends of the range instead of running past them.
    QList<int> speeds;
    for (int i = 0; i < 13; ++i) {
        i < 6 ? panel.increaseSpeed() : panel.decreaseSpeed();
        speeds << panel.scrollSpeed();
    }
    QCOMPARE(speeds, (QList<int>{11, 15, 19, 23, 25, 25, 21, 17, 13, 9, 5, 5, 5}));

    // The text runs out of the strip; the paint that sees it stops the ticker, without
    // painting again from inside the paint handler, which Qt warns about.
    panel.setScrollSpeed(25);
    panel.toggleScroll();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { warnings << text; });
    QTRY_COMPARE_WITH_TIMEOUT(panel.scrollState(), int(RemarkShower::Stopped), 20000);
    qInstallMessageHandler(previous);
    QCOMPARE(panel.scrollOffset(), 0.0);
    QCOMPARE(warnings.filter("repaint", Qt::CaseInsensitive), QStringList());
}

void TestSlideShow::lessonTab()
{
    MainWindow *w = office.window();
    TabItem *tab = open(w, lesson);
    QVERIFY(tab);
    Canvas *canvas = tab->canvas;
    QCOMPARE(canvas->pageCount(), 3);
    // Counted from the PDF copy's pages, which leave the hidden slide out, so thumbnails,
    // notes and colours stay in step with the pages. Slides without a fill of their own take
    // their edge colour (white paper here).
    QCOMPARE(w->slideShow()->slideThumbnailCount(), 3);
    QCOMPARE(w->slideShow()->slideNoteTexts(), (QStringList{"先复习", QString(), "最后"}));
    QCOMPARE(w->slideShow()->slideColourNames(), (QStringList{"#336699", "#ffffff", "#ffffff"}));

    // Page export includes the slide: the black bar along its top edge and its white paper.
    const QImage page = canvas->pageImage(false).toImage();
    QVERIFY(!page.isNull());
    QCOMPARE(QColor(page.pixel(page.width() / 2, 2)).name(), QStringLiteral("#000000"));
    QCOMPARE(QColor(page.pixel(page.width() / 2, page.height() - 3)).name(),
             QStringLiteral("#ffffff"));

    // Page turns go through the reader opened with the tab, not a reopened file.
    const qint64 before = tab->slideBackground->pixmap(Qt::ReturnByValue).cacheKey();
    const QString pdf = pptCacheDirPath() + "/" + w->slideShow()->slideStampText() + ".qb_";
    QVERIFY(QFile::rename(pdf, pdf + ".away"));
    w->navigateSlideShow(4);
    QCOMPARE(w->slideShow()->slidePage(), 2);
    QVERIFY(tab->slideBackground->pixmap(Qt::ReturnByValue).cacheKey() != before);
    QVERIFY(!tab->slideBackground->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(QFile::rename(pdf + ".away", pdf));

    // With "showremark" on, the notes panel shows for every tab, with or without notes.
    w->settings.showremark = true;
    w->jumpToSlidePage(2);
    QVERIFY(w->remarkPanel()->isVisible());
    w->newWhiteboardTab("#ffffff");
    QVERIFY(w->remarkPanel()->isVisible());
    QCOMPARE(w->remarkPanel()->remark(), QString());
}

void TestSlideShow::failuresLeaveNoCacheFiles_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("message");
    // The converter would open an empty file as a new, empty presentation.
    QTest::newRow("empty file") << "fixture" << PresentationLoader::notLoadedMessage();
    QTest::newRow("no converter") << "missing" << PresentationLoader::noSuiteMessage();
    QTest::newRow("not loaded") << "notloaded" << PresentationLoader::notLoadedMessage();
    // Printed to PDF, but nothing writes it as a presentation: as LibreOffice says of a text
    // file, which the last row gives it.
    QTest::newRow("not a presentation") << "textfile" << PresentationLoader::notLoadedMessage();
    QTest::newRow("text file, real converter") << "real" << PresentationLoader::notLoadedMessage();
}

void TestSlideShow::failuresLeaveNoCacheFiles()
{
    QFETCH(QString, mode);
    QFETCH(QString, message);
    if (mode == "real")
        QB_REQUIRE_PROGRAM("soffice");
    MainWindow *w = office.window();
    office.use(mode);
    const QStringList before = filesBelow(pptCacheDirPath());
    BoxAnswerer answer("OK");
    w->openFiles({mode == "fixture" ? office.dir.filePath("空白.pptx") : lesson});
    QCOMPARE(answer.texts, QStringList{message});
    QVERIFY(w->tabList().isEmpty());
    QCOMPARE(filesBelow(pptCacheDirPath()), before);
    QCOMPARE(w->slideShow()->slideStampText(), QString());
    QCOMPARE(w->statusText(), QString());
    // The next try works.
    office.use("fixture");
    QVERIFY(open(w, lesson));
}

void TestSlideShow::unrenderedPageShowsNoOtherSlide()
{
    MainWindow *w = office.window();
    TabItem *tab = open(w, lesson);
    QVERIFY(tab);
    QVERIFY(!tab->slideBackground->pixmap(Qt::ReturnByValue).isNull());
    // A slide the PDF copy has no page for (a live show counts its hidden slides): neither the
    // show nor a copy of the page keeps the first slide's picture under it.
    w->renderSlideBackdrop(4);
    QVERIFY(tab->slideBackground->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(w->grabSlidePicture().isNull());
    const QImage copy = tab->canvas->pageImage(false).toImage();
    QVERIFY(!copy.isNull());
    QVERIFY(QColor::fromRgba(copy.pixel(copy.width() / 2, 2)) != Qt::black);

    // The export renders every page from the tab's reader, not from the file again.
    const QString cached = pptCacheDirPath() + "/" + w->slideShow()->slideStampText() + ".qb_";
    QVERIFY(QFile::rename(cached, cached + ".away"));
    for (int index : {0, 2}) {
        const QImage page = tab->canvas->renderPageImage(index).toImage();
        QVERIFY(!page.isNull());
        QCOMPARE(QColor(page.pixel(page.width() / 2, 2)).name(), QStringLiteral("#000000"));
    }
    QVERIFY(QFile::rename(cached + ".away", cached));
}

void TestSlideShow::deckCopiedWholeBesideTheWindow()
{
    // Copied off the window's thread in slices: the last, short slice included.
    QByteArray bytes;
    for (int i = 0; bytes.size() < 5 * 1024 * 1024 + 777; ++i)
        bytes += QByteArray::number(i * 2654435761u, 36);
    const QString deck = office.dir.filePath("大课件.pptx");
    QVERIFY(FileSystem::writeBytes(deck, bytes));
    MainWindow *w = office.window();
    QVERIFY(open(w, deck));
    QCOMPARE(
        FileSystem::readAll(pptCacheDirPath() + "/" + w->slideShow()->slideStampText() + ".pptx"),
        bytes);
}

void TestSlideShow::lostNotesSourceOpensSlides_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("no flat copy") << "nonotes";
    // Cut off in the last slide: no notes at all, rather than those up to the cut.
    QTest::newRow("cut-off flat copy") << "badnotes";
}

void TestSlideShow::lostNotesSourceOpensSlides()
{
    QFETCH(QString, mode);
    MainWindow *w = office.window();
    office.use(mode);
    BoxAnswerer answer("OK");
    w->openFiles({lesson});
    QCOMPARE(answer.texts, QStringList{PresentationLoader::blockedMessage(4)});
    QCOMPARE(w->tabList().size(), 1);
    QCOMPARE(w->tabList().first()->canvas->pageCount(), 3);
    QCOMPARE(w->slideShow()->slideNoteTexts(), (QStringList{QString(), QString(), QString()}));
    QCOMPARE(w->slideShow()->slideColourNames(), (QStringList{"#ffffff", "#ffffff", "#ffffff"}));
    QVERIFY(filesBelow(pptCacheDirPath()).filter(".fodp").isEmpty());
}

void TestSlideShow::officeDyingWhileOpeningTriedAgain_data()
{
    QTest::addColumn<int>("deaths");
    QTest::addColumn<bool>("opens");
    QTest::newRow("dies once") << 1 << true;
    QTest::newRow("dies twice") << 2 << true;
    QTest::newRow("dies every time") << 9 << false;
}

// A stand-in for the bridge (the office's crash cannot be provoked at will): the first
// `deaths` bridges die on the open, as the office takes its bridge's calls down with it.
void TestSlideShow::officeDyingWhileOpeningTriedAgain()
{
    QFETCH(int, deaths);
    QFETCH(bool, opens);
    QTemporaryDir dir;
    const QString starts = dir.filePath("starts");
    const QString script = dir.filePath("bridge");
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\necho >> '%1'\nn=$(wc -l < '%1')\n"
                              "while read -r id verb rest; do case $verb in\n"
                              "open) [ $n -le %2 ] && exit 1; echo \"$id ok 3\";;\n"
                              "notes) echo \"$id ok :a :b :c\";;\n"
                              "state) echo \"$id ok 0 3 1\";;\n"
                              "*) echo \"$id ok\";; esac; done\n")
                   .arg(starts)
                   .arg(deaths)
                   .toUtf8());
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    qputenv("QB_SLIDEBRIDGE", script.toUtf8());
    {
        ProcessSlideShowBridge bridge(QStringLiteral("soffice"), dir.filePath("profile"));
        QSignalSpy opened(&bridge, &SlideShowBridge::opened);
        QSignalSpy failed(&bridge, &SlideShowBridge::openFailed);
        bridge.open(dir.filePath("deck.pptx"), 1, QSize(640, 480));
        QTRY_COMPARE(opened.size() + failed.size(), 1);
        QTest::qWait(300);
        QCOMPARE(opened.size() + failed.size(), 1);
        QCOMPARE(bridge.isLive(), opens);
        if (opens)
            QCOMPARE(opened.first().at(0).toInt(), 3);
    }
    qunsetenv("QB_SLIDEBRIDGE");
    QFile counted(starts);
    QVERIFY(counted.open(QIODevice::ReadOnly));
    QCOMPARE(counted.readAll().count('\n'), qMin(deaths + 1, 3));
}

void TestSlideShow::bridgeAnswersAndNews_data()
{
    // What a stand-in bridge does on "next step" (the shell's $id is the request's number).
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("reported");
    QTest::addColumn<int>("changed");
    QTest::addColumn<bool>("lost");
    QTest::addColumn<bool>("ended");
    QTest::newRow("plain answer") << "echo \"$id ok 1 3 1\"" << 2 << 0 << false << false;
    QTest::newRow("stray lines") << "echo 'ok 2 3 1'; echo \"$id\"x ok 2 3 1; echo \"$id ok 1 3 1\""
                                 << 2 << 0 << false << false;
    QTest::newRow("answer to another request")
        << "echo \"$((id + 5)) ok 2 3 1\"; echo \"$((id - 1)) ok 2 3 1\"; echo \"$id ok 1 3 1\""
        << 2 << 0 << false << false;
    // A move told while the step waits is older than its answer; one after it is news.
    QTest::newRow("jump landing late")
        << "echo '* slide 2 3 1'; echo \"$id ok 0 3 1\"; sleep 0.3; echo '* slide 2 3 1'" << 1 << 3
        << false << false;
    QTest::newRow("hidden slide") << "echo \"$id ok -1 3 1\"" << 0 << 0 << false << false;
    QTest::newRow("office dies") << "echo '* lost'" << 0 << 0 << true << false;
    // A line with no end, far past the longest answer (all the notes): lost as a dead office.
    QTest::newRow("endless line")
        << "echo \"$id ok 1 3 1\"; while :; do printf '%01048576d' 0; done" << 2 << 0 << true
        << false;
    QTest::newRow("show ended, told by the answer")
        << "echo \"$id ok -1 0 0\"" << 0 << 0 << false << true;
    QTest::newRow("show ended, told unasked")
        << "echo \"$id ok 1 3 1\"; echo '* ended'" << 2 << 0 << false << true;
}

// The answers and news of the bridge, from a stand-in with the faults a real one may show.
void TestSlideShow::bridgeAnswersAndNews()
{
    QFETCH(QString, step);
    QFETCH(int, reported);
    QFETCH(int, changed);
    QFETCH(bool, lost);
    QFETCH(bool, ended);
    QTemporaryDir dir;
    const QString script = dir.filePath("bridge");
    const QString closes = dir.filePath("closes");
    QVERIFY(FileSystem::writeBytes(script, QStringLiteral("#!/bin/sh\n"
                                                          "while read -r id verb rest; do\n"
                                                          "case $verb in\n"
                                                          "open) echo \"$id ok 3\";;\n"
                                                          "notes) echo \"$id ok =a =b =c\";;\n"
                                                          "nextstep) %1;;\n"
                                                          "close) echo >> '%2'; echo \"$id ok\";;\n"
                                                          "*) echo \"$id ok\";; esac; done\n")
                                               .arg(step, closes)
                                               .toUtf8()));
    QVERIFY(QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner));
    qputenv("QB_SLIDEBRIDGE", script.toUtf8());
    ProcessSlideShowBridge bridge(QStringLiteral("soffice"), dir.filePath("profile"));
    QSignalSpy opened(&bridge, &SlideShowBridge::opened);
    QSignalSpy reports(&bridge, &SlideShowBridge::slideReported);
    QSignalSpy changes(&bridge, &SlideShowBridge::slideChanged);
    QSignalSpy losses(&bridge, &SlideShowBridge::lost);
    QSignalSpy ends(&bridge, &SlideShowBridge::showEnded);
    QSignalSpy closings(&bridge, &SlideShowBridge::closed);
    bridge.open(dir.filePath("deck.pptx"), 1, QSize(640, 480));
    QTRY_COMPARE(opened.size(), 1);
    QCOMPARE(opened.first().at(1).toStringList(), (QStringList{"a", "b", "c"}));

    bridge.send(SlideShowBridge::NextStep);
    // The office's death is told at once, well inside the call's time limit.
    QTRY_COMPARE_WITH_TIMEOUT(losses.size(), int(lost),
                              ProcessSlideShowBridge::callTimeLimitMs / 2);
    QTRY_VERIFY(!bridge.isBusy());
    QTRY_COMPARE(changes.size(), changed ? 1 : 0);
    QTest::qWait(500);
    QCOMPARE(losses.size(), int(lost));
    QCOMPARE(reports.size(), (reported ? 1 : 0) + (ended ? 1 : 0));
    if (reported)
        QCOMPARE(reports.first(), (QList<QVariant>{reported, true}));
    if (ended)
        QCOMPARE(reports.last(), (QList<QVariant>{0, false}));
    QCOMPARE(changes.size(), changed ? 1 : 0);
    if (changed)
        QCOMPARE(changes.first().first().toInt(), changed);
    QCOMPARE(ends.size(), int(ended));
    QCOMPARE(bridge.isLive(), !lost && !ended);
    // An ended show closes its document, then the office goes, as no show needs it any more;
    // a lost one takes the bridge with it.
    QCOMPARE(bridge.processId() != 0, !lost && !ended);
    QCOMPARE(FileSystem::readAll(closes).count('\n'), ended ? 1 : 0);
    QCOMPARE(closings.size(), int(lost || ended));
    qunsetenv("QB_SLIDEBRIDGE");
}

void TestSlideShow::officeGoesWhenNoShowNeedsIt_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("open");
    QTest::newRow("show closed") << "close"
                                 << "echo \"$id ok 3\"";
    QTest::newRow("open refused") << "close"
                                  << "echo \"$id err load refused\"";
    QTest::newRow("started ahead for no show") << "ahead"
                                               << "echo \"$id ok 3\"";
    QTest::newRow("opened again at once") << "again"
                                          << "echo \"$id ok 3\"";
}

void TestSlideShow::officeGoesWhenNoShowNeedsIt()
{
    QFETCH(QString, how);
    QFETCH(QString, open);
    QTemporaryDir dir;
    const QString script = dir.filePath("bridge");
    QVERIFY(FileSystem::writeBytes(script, QStringLiteral("#!/bin/sh\nwhile read -r id verb rest; "
                                                          "do case $verb in\nopen) %1;;\n"
                                                          "notes) echo \"$id ok =a =b =c\";;\n"
                                                          "quit) echo \"$id ok\"; exit;;\n"
                                                          "*) echo \"$id ok\";; esac; done\n")
                                               .arg(open)
                                               .toUtf8()));
    QVERIFY(QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner));
    qputenv("QB_SLIDEBRIDGE", script.toUtf8());
    ProcessSlideShowBridge bridge(QStringLiteral("soffice"), dir.filePath("profile"));
    const auto openDeck = [&] { bridge.open(dir.filePath("deck.pptx"), 1, QSize(640, 480)); };
    how == "ahead" ? bridge.startOffice() : openDeck();
    const qint64 group = bridge.processId();
    QTRY_VERIFY(!bridge.isBusy());
    bridge.close();
    if (how == "again") {
        // A show that comes before the close is answered keeps the office.
        openDeck();
        QTRY_VERIFY(bridge.isLive() && !bridge.isBusy());
        QCOMPARE(bridge.processId(), group);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(stillLive({}, {group}), QList<qint64>(), 5000);
        // The next show starts an office again.
        openDeck();
        QVERIFY(bridge.processId() > 0 && bridge.processId() != group);
        QTRY_VERIFY(!bridge.isBusy());
        QCOMPARE(bridge.isLive(), open.contains("ok"));
    }
    qunsetenv("QB_SLIDEBRIDGE");
}

// A bridge that answers nothing and ignores its quit and TERM: the event loop turns on while
// it is started, opened into and shut down, and it goes with its group all the same.
void TestSlideShow::bridgeNeverWaitedFor()
{
    QTemporaryDir dir;
    const QString script = dir.filePath("bridge");
    QVERIFY(FileSystem::writeBytes(script,
                                   "#!/bin/sh\ntrap '' TERM\nsleep 600 &\n"
                                   "while read -r line; do :; done\nwait\n"));
    QVERIFY(QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner));
    qputenv("QB_SLIDEBRIDGE", script.toUtf8());
    qint64 longestGap = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
    ticker.start(20);
    sinceTick.start();
    ProcessSlideShowBridge bridge(QStringLiteral("soffice"), dir.filePath("profile"));
    bridge.open(dir.filePath("deck.pptx"), 1, QSize(640, 480));
    const qint64 group = bridge.processId();
    QTRY_COMPARE(stillLive({}, {group}).size(), 2);
    bridge.shutdown();
    QTRY_COMPARE_WITH_TIMEOUT(stillLive({}, {group}), QList<qint64>(), 10000);
    // Far below the time a wait for the bridge would take.
    QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap)));
    qunsetenv("QB_SLIDEBRIDGE");
}

QTEST_MAIN(TestSlideShow)
#include "tst_slideshow.moc"
