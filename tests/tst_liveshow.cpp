#include <QtTest>

#include <functional>

#include "canvas/canvas.h"
#include "documents/slideoutlinecombo.h"
#include "documents/tabitem.h"

#include "boxanswerer.h"
#include "fakeslidebridge.h"
#include "pdffixtures.h"
#include "slidefixtures.h"

using Command = SlideShowBridge;

// The live show's tab logic over a fake bridge: what each command sends and which page it
// leaves, moves and tab switches that keep the revealed steps, a late jump, the show ending
// itself, the office dying, a show opened while another tab is in front.
class TestLiveShow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup()
    {
        office.deleteWindows();
        FileSystem::clearDir(pptCacheDirPath());
    }
    void commands_data();
    void commands();
    void movesKeepTheSteps();
    void lateJumpNotUndone();
    void showGoes_data();
    void showGoes();
    void openedBehindAnotherTab();
    void showBeforeItsPdfCopy_data();
    void showBeforeItsPdfCopy();
    void barShowsTheWholeSlide();
    void hostGoesWhenLetGo_data();
    void hostGoesWhenLetGo();

private:
    // Opens the lesson in w over a fake bridge set up by setUp; false on a message or no bridge.
    bool openLesson(MainWindow *w, const std::function<void(FakeSlideBridge *)> &setUp = {});
    // A window with a live show of the three-page lesson, on page 1.
    MainWindow *openLive(int gotoMs = 0);

    OfficeFakes office;
    FakeSlideBridge *bridge = nullptr;
};

void TestLiveShow::initTestCase()
{
    QVERIFY(office.dir.isValid() && office.setUp());
    const QString pdf = office.dir.filePath("lesson.pdf");
    QVERIFY(writeTestPdf(pdf, QVector<QSizeF>(3, QSizeF(720, 540))));
    const QString fodp = office.dir.filePath("lesson.fodp");
    QVERIFY(FileSystem::writeBytes(
        fodp, flatPresentationXml({{"一", {}, {}}, {"二", {}, {}}, {"三", {}, {}}})));
    qputenv("QB_FAKE_PDF", pdf.toUtf8());
    qputenv("QB_FAKE_FODP", fodp.toUtf8());
    QVERIFY(FileSystem::writeBytes(office.dir.filePath("lesson.pptx"), "a presentation"));
    office.use("fixture");
}

bool TestLiveShow::openLesson(MainWindow *w, const std::function<void(FakeSlideBridge *)> &setUp)
{
    bridge = nullptr;
    w->slideShow()->setSlideShowBridgeFactory([this, setUp](QObject *parent) {
        bridge = new FakeSlideBridge(parent);
        if (setUp)
            setUp(bridge);
        return bridge;
    });
    BoxAnswerer answer("OK");
    w->openFiles({office.dir.filePath("lesson.pptx")});
    return answer.texts.isEmpty() && bridge;
}

MainWindow *TestLiveShow::openLive(int gotoMs)
{
    MainWindow *w = office.window();
    if (!openLesson(w, [gotoMs](FakeSlideBridge *b) { b->gotoMs = gotoMs; }))
        return nullptr;
    return QTest::qWaitFor([w] { return w->isSlideShowAlive(); }) ? w : nullptr;
}

void TestLiveShow::commands_data()
{
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<int>("page");
    QTest::addColumn<QList<int>>("sent");
    QTest::newRow("next page") << QList<int>{4} << 2 << QList<int>{Command::GotoSlide};
    QTest::newRow("next page wraps")
        << QList<int>{3, 4} << 1 << QList<int>{Command::GotoSlide, Command::GotoSlide};
    QTest::newRow("steps, then the next slide")
        << QList<int>{2, 2, 2} << 2
        << QList<int>{Command::NextStep, Command::NextStep, Command::NextStep};
    QTest::newRow("step back into the slide before")
        << QList<int>{1} << 3 << QList<int>{Command::PreviousStep};
    QTest::newRow("same page sends nothing") << QList<int>{0} << 1 << QList<int>{};
}

void TestLiveShow::commands()
{
    QFETCH(QList<int>, steps);
    MainWindow *w = openLive();
    QVERIFY(w);
    bridge->sent.clear();
    for (int command : steps) {
        w->navigateSlideShow(command);
        QTRY_VERIFY(!bridge->isBusy());
        QTest::qWait(20);
    }
    QTEST(w->slideShow()->slidePage(), "page");
    QTEST(bridge->commands(), "sent");
    QCOMPARE(bridge->slide, w->slideShow()->slidePage());
    QVERIFY(w->isSlideShowAlive());
}

void TestLiveShow::movesKeepTheSteps()
{
    MainWindow *w = openLive();
    QVERIFY(w);
    TabItem *slides = w->currentTabItem();
    w->navigateSlideShow(2);
    QTRY_COMPARE(bridge->step, 1);
    bridge->sent.clear();
    // A resize, a maximise and back, another tab and back: the show is sized (in device
    // pixels), never sent to its slide again.
    w->resize(1000, 700);
    w->showMaximized();
    QTest::qWait(50);
    w->showNormal();
    w->newWhiteboardTab("#ffffff");
    QVERIFY(!w->isSlideShowAlive());
    slides->click();
    QTRY_VERIFY(w->isSlideShowAlive());
    QTest::qWait(50);
    QCOMPARE(bridge->commands(), QList<int>{});
    QCOMPARE(bridge->step, 1);
    QCOMPARE(w->slideShow()->slidePage(), 1);
    QVERIFY(bridge->sizes.size() > 1);
    // The show lies exactly over the page picture.
    QWindow *host = w->slideShow()->slideShowHostWindow();
    QCOMPARE(host->mapToGlobal(QPoint()), slides->slideBackground->mapToGlobal(QPoint()));
    QCOMPARE(host->size(), slides->slideBackground->size());
}

void TestLiveShow::lateJumpNotUndone()
{
    // The office takes its time over the jump; the poll's answers come first and tell the
    // slide before it.
    MainWindow *w = openLive(800);
    QVERIFY(w);
    bridge->slide = 1;
    w->jumpToSlidePage(3);
    QCOMPARE(w->slideShow()->slidePage(), 3);
    bridge->slide = 1; // not there yet
    for (int i = 0; i < 3; ++i) {
        emit bridge->slideReported(1, true);
        QTest::qWait(50);
        QCOMPARE(w->slideShow()->slidePage(), 3);
    }
    bridge->slide = 3;
    QTRY_VERIFY(!bridge->isBusy());
    QCOMPARE(w->slideShow()->slidePage(), 3);
    QVERIFY(w->isSlideShowAlive());
}

void TestLiveShow::showGoes_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<bool>("live");
    QTest::addColumn<QString>("status");
    QTest::newRow("link to a hidden slide") << 0 << true << QString();
    QTest::newRow("ended by the office") << 1 << false << QString();
    QTest::newRow("office died") << 2 << false
                                 << QStringLiteral("幻灯片模式异常退出，转入图片模式");
}

void TestLiveShow::showGoes()
{
    QFETCH(int, how);
    MainWindow *w = openLive();
    QVERIFY(w);
    Canvas *canvas = w->currentTabItem()->canvas;
    w->navigateSlideShow(4);
    QTRY_COMPARE(w->slideShow()->slidePage(), 2);
    if (how == 0)
        bridge->moveBySelf(0);
    else if (how == 1)
        bridge->endShow();
    else
        bridge->die();
    QTest::qWait(20);
    QTEST(w->isSlideShowAlive(), "live");
    QTEST(w->statusText(), "status");
    // The page stays; picture mode turns pages on.
    QCOMPARE(w->slideShow()->slidePage(), 2);
    QVERIFY(canvas->isVisible());
    w->navigateSlideShow(4);
    QTRY_COMPARE(w->slideShow()->slidePage(), 3);
}

void TestLiveShow::openedBehindAnotherTab()
{
    MainWindow *w = office.window();
    QVERIFY(openLesson(w, [](FakeSlideBridge *b) { b->answerMs = 300; }));
    TabItem *slides = w->currentTabItem();
    w->newWhiteboardTab("#ffffff");
    QTRY_VERIFY(bridge->isLive());
    slides->click();
    QTRY_VERIFY(w->isSlideShowAlive());
    QCOMPARE(w->statusText(), QString());
    w->navigateSlideShow(4);
    QTRY_COMPARE(bridge->slide, 2);
}

void TestLiveShow::showBeforeItsPdfCopy_data()
{
    QTest::addColumn<bool>("lose");
    QTest::newRow("runs meanwhile") << false;
    QTest::newRow("lost meanwhile") << true;
}

void TestLiveShow::showBeforeItsPdfCopy()
{
    // The PDF copy takes a second: the show runs before it is there, the thumbnails come with
    // it, and a loss meanwhile is picture mode as ever.
    QFETCH(bool, lose);
    MainWindow *w = office.window();
    bool liveFirst = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        if (!w->isSlideShowAlive() || w->slideShow()->slideThumbnailCount() > 0)
            return;
        liveFirst = true;
        if (lose)
            bridge->die();
    });
    watch.start(20);
    office.use("slow");
    const bool quiet = openLesson(w);
    office.use("fixture");
    QVERIFY(quiet);
    QVERIFY(liveFirst);
    QTRY_COMPARE(w->slideShow()->slideThumbnailCount(), 3);
    QCOMPARE(w->isSlideShowAlive(), !lose);
    QCOMPARE(w->statusText(),
             lose ? QStringLiteral("幻灯片模式异常退出，转入图片模式") : QString());
    w->navigateSlideShow(4);
    QTRY_COMPARE(w->slideShow()->slidePage(), 2);
}

void TestLiveShow::barShowsTheWholeSlide()
{
    // The bar's box shows the current slide whole (the page's black top edge included) in its
    // own colours, fitted to the box.
    MainWindow *w = openLive();
    QVERIFY(w);
    QTRY_COMPARE(w->slideShow()->slideThumbnailCount(), 3);
    auto *bar = w->findChild<SlideOutlineCombo *>();
    QVERIFY(bar);
    for (int page : {1, 2}) {
        if (page == 2)
            w->navigateSlideShow(4);
        QTRY_COMPARE(w->slideShow()->slidePage(), page);
        const QImage shown = bar->shownPicture().toImage();
        QVERIFY(!shown.isNull());
        const QColor top = shown.pixelColor(shown.width() / 2, 1);
        const QColor paper = shown.pixelColor(shown.width() / 2, shown.height() * 9 / 10);
        QVERIFY2(top.lightness() < 20, qPrintable(top.name()));
        QVERIFY2(paper.lightness() > 240, qPrintable(paper.name()));
        const QRect at = bar->shownPictureRect();
        QVERIFY(bar->rect().contains(at));
        QVERIFY2(qAbs(at.width() * 3 - at.height() * 4) <= 6,
                 qPrintable(QStringLiteral("%1x%2").arg(at.width()).arg(at.height())));
    }
}

void TestLiveShow::hostGoesWhenLetGo_data()
{
    // How the show goes, and how long the office takes to answer a close.
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("closeMs");
    QTest::newRow("tab closed") << "closed" << 500;
    QTest::newRow("show ended by the office") << "ended" << 500;
    // A dead office answers no close: its end alone lets go of the window.
    QTest::newRow("office died") << "lost" << 5000;
}

void TestLiveShow::hostGoesWhenLetGo()
{
    QFETCH(QString, how);
    QFETCH(int, closeMs);
    MainWindow *w = openLive();
    QVERIFY(w);
    bridge->closeMs = closeMs;
    QPointer<QWindow> host = w->slideShow()->slideShowHostWindow();
    QVERIFY(host);
    // The office still holds it until it says it let go; then it goes at once.
    QSignalSpy letGo(bridge, &SlideShowBridge::closed);
    bool goneBefore = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout,
            [&] { goneBefore = goneBefore || (!host && letGo.isEmpty()); });
    watch.start(10);
    QElapsedTimer released;
    released.start();
    if (how == "closed") {
        BoxAnswerer sure(QStringLiteral("确定"));
        w->closeTab(w->currentTabItem());
    } else if (how == "ended") {
        bridge->endShow();
    } else {
        bridge->die();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!letGo.isEmpty(), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(!host, 1000);
    // Well within the time after which the window goes anyway.
    QVERIFY2(released.elapsed() < 2000, qPrintable(QString::number(released.elapsed())));
    QVERIFY(!goneBefore);
    // A close asked of a live show is answered once.
    if (how != "lost")
        QCOMPARE(letGo.size(), 1);
    if (how != "closed")
        QVERIFY(!w->isSlideShowAlive());
}

QTEST_MAIN(TestLiveShow)
#include "tst_liveshow.moc"
