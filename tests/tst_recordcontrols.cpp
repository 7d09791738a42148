#include <QtTest>

#include <QDesktopServices>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

#include "app/globals.h"
#include "mainwindow/mainwindow.h"
#include "recording/avrecordareabox.h"
#include "recording/recordarea.h"
#include "recording/videorecorder.h"
#include "toolbar/maintoolbar.h"

#include "boxanswerer.h"
#include "fakes.h"
#include "mediaprobe.h"
#include "recordingfakes.h"
#include "windowsetup.h"

// The way from the record button to the engine: area rules, file names, refusals, the
// button's states and the frame round the recorded area.
class RecordControlsTest : public QObject
{
    Q_OBJECT

public slots:
    void openedUrl(const QUrl &url) { openedUrls << url; }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void areaRule_data();
    void areaRule();
    void adjusters_data();
    void adjusters();
    void fileNames();
    void refusals_data();
    void refusals();
    void fullScreenRoundsToMultiplesOfFour();
    void buttonThroughStartPauseResumeStop();
    void bracketsMaskAndInput();

private:
    MainWindow *build();
    MainToolBar *bar() const { return qobject_cast<MainToolBar *>(window->toolBar()->widget()); }

    std::unique_ptr<QTemporaryDir> dir;
    QString outDir;
    MainWindow *window = nullptr;
    std::shared_ptr<FakeRecordingBackend> backend;
    QList<QUrl> openedUrls;
};

void RecordControlsTest::initTestCase()
{
    av_log_set_level(AV_LOG_ERROR);
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openedUrl");
}

void RecordControlsTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    appDataDir = dir->path();
    outDir = dir->path() + "/videos";
    QDir().mkpath(outDir);
    QDir().mkpath(dir->path() + "/config");
    openedUrls.clear();
}

void RecordControlsTest::cleanup()
{
    delete window;
    window = nullptr;
    backend.reset();
    dir.reset();
}

MainWindow *RecordControlsTest::build()
{
    window = new MainWindow;
    // No hot-key notice in between.
    window->setHotKeyGrabber(std::make_unique<FakeGrabber>());
    runStartUpSteps(*window);
    backend = std::make_shared<FakeRecordingBackend>();
    window->recorder()->setBackend(backend);
    window->settings.avoutpath = outDir;
    window->settings.audiorecordtype = 3;
    window->settings.videoareatype = 1;
    window->settings.avareax = 0;
    window->settings.avareay = 0;
    window->settings.avareaw = 320;
    window->settings.avareah = 240;
    return window;
}

void RecordControlsTest::areaRule_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<bool>("valid");
    QTest::newRow("1000x600 at origin") << 0 << 0 << 1000 << 600 << true;
    QTest::newRow("602 high") << 0 << 0 << 1000 << 602 << false;
    QTest::newRow("236 wide") << 0 << 0 << 236 << 240 << false;
    QTest::newRow("negative x") << -4 << 0 << 240 << 240 << false;
    QTest::newRow("past the right edge") << 1684 << 0 << 240 << 240 << false;
    QTest::newRow("to the right edge") << 1680 << 800 << 240 << 240 << true;
    QTest::newRow("past the bottom") << 0 << 804 << 240 << 240 << false;
    QTest::newRow("huge stored values") << 0x7ffffff0 << 0 << 240 << 240 << false;
}

void RecordControlsTest::areaRule()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(bool, valid);
    // A 1920 x 1040 available area, whatever the screen's own size.
    QCOMPARE(isRecordAreaValid(x, y, w, h, 1920, 1040), valid);
}

void RecordControlsTest::adjusters_data()
{
    QTest::addColumn<bool>("record");
    QTest::addColumn<QRect>("in");
    QTest::addColumn<QRect>("out");
    QTest::newRow("record: minimum and inside")
        << true << QRect(-20, 900, 100, 300) << QRect(0, 740, 240, 300);
    QTest::newRow("record: multiples of 4")
        << true << QRect(10, 10, 1001, 603) << QRect(10, 10, 1000, 600);
    QTest::newRow("record: larger than the screen")
        << true << QRect(5, 5, 3000, 2000) << QRect(0, 0, 1920, 1040);
    QTest::newRow("shot: minimum 10")
        << false << QRect(1915, 1039, 2, 3) << QRect(1910, 1030, 10, 10);
    QTest::newRow("shot: odd size kept")
        << false << QRect(0, 0, 1001, 603) << QRect(0, 0, 1001, 603);
}

void RecordControlsTest::adjusters()
{
    QFETCH(bool, record);
    QFETCH(QRect, in);
    QFETCH(QRect, out);
    int x = in.x(), y = in.y(), w = in.width(), h = in.height();
    if (record)
        adjustRecordArea(x, y, w, h, 1920, 1040);
    else
        adjustScreenshotArea(x, y, w, h, 1920, 1040);
    QCOMPARE(QRect(x, y, w, h), out);
    if (record)
        QVERIFY(isRecordAreaValid(x, y, w, h, 1920, 1040));
}

void RecordControlsTest::fileNames()
{
    const QString name = recordingFileName(QDate(2024, 3, 7), 1709800000);
    QCOMPARE(name, QStringLiteral("2024_3_7_1709800000.mp4"));
    for (const char *folder : {"D:/videos/", "D:/videos"})
        QCOMPARE(recordingFilePath(folder, name),
                 QStringLiteral("D:/videos/2024_3_7_1709800000.mp4"));
}

void RecordControlsTest::refusals_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("no folder") << 0 << QStringLiteral("不支持的录屏存储路径，请重新设置");
    QTest::newRow("folder gone since chosen")
        << 1 << QStringLiteral("不支持的录屏存储路径，请重新设置");
    QTest::newRow("stored region 602 high")
        << 2 << QStringLiteral("录制区域不合法，请重新设置录制区域");
    QTest::newRow("screen not grabbed") << 3 << QStringLiteral("获取屏幕位置信息失败，请重试");
    QTest::newRow("engine: no microphone")
        << 4 << QStringLiteral("录屏操作被拒绝：未找到音频输入设备");
}

void RecordControlsTest::refusals()
{
    QFETCH(int, kind);
    QFETCH(QString, message);
    MainWindow *w = build();
    if (kind == 0)
        w->settings.avoutpath.clear();
    if (kind == 1)
        QVERIFY(QDir(outDir).removeRecursively());
    if (kind == 2)
        w->settings.avareah = 602;
    if (kind == 3) {
        w->settings.videoareatype = 0;
        w->desktopGrabber = [] { return QPixmap(); };
    }
    if (kind == 4) {
        w->settings.audiorecordtype = 0;
        backend->microphone = false;
    }
    BoxAnswerer answerer(QStringLiteral("OK"));
    w->toolBar()->clickRecordStart();
    // The engine refuses later; the others before anything starts.
    if (kind != 4)
        QCOMPARE(answerer.text, message);
    QVERIFY(!w->isRecording());
    QVERIFY(!w->recorder()->isRecording());
    QVERIFY(!w->recordAreaBox());
    // Nothing records, so the button offers a start again, and no file was begun.
    QCOMPARE(bar()->currentRecordState(), 0);
    QVERIFY(!bar()->findChild<QToolButton *>("recordStopButton")->isEnabled());
    QVERIFY(!QDir(outDir).exists() || QDir(outDir).isEmpty());
    QVERIFY(!QDir(dir->path()).entryList({"*.mp4"}, QDir::Files).size());
    QTRY_COMPARE(answerer.text, message);
}

void RecordControlsTest::fullScreenRoundsToMultiplesOfFour()
{
    MainWindow *w = build();
    w->settings.videoareatype = 0;
    w->desktopGrabber = [] {
        QPixmap screen(1366, 768);
        screen.fill(Qt::darkCyan);
        return screen;
    };
    w->toolBar()->clickRecordStart();
    QVERIFY(w->isRecording());
    QCOMPARE(QRect(w->recorder()->areaX, w->recorder()->areaY, w->recorder()->areaWidth,
                   w->recorder()->areaHeight),
             QRect(0, 0, 1364, 768));
    QCOMPARE(w->recorder()->outputWidth, 1364);
    QCOMPARE(w->recorder()->startSnapshot.size(), QSize(1364, 768));
    w->toolBar()->clickRecordStop();
    QTRY_VERIFY_WITH_TIMEOUT(!w->recorder()->isRecording(), 10000);
}

void RecordControlsTest::buttonThroughStartPauseResumeStop()
{
    MainWindow *w = build();
    w->toolBar()->clickRecordStart();
    QCOMPARE(bar()->currentRecordState(), 1);
    QVERIFY(w->isRecording());
    QVERIFY(w->recorder()->isRecording());
    QVERIFY(w->recordAreaBox() && w->recordAreaBox()->isVisible());
    // The engine may have moved to a free name; the file is where it says.
    const QString file = w->recorder()->outputFileName;
    QCOMPARE(QFileInfo(file).absolutePath(), QFileInfo(outDir).absoluteFilePath());
    QVERIFY(QFileInfo(file).fileName().contains(QRegularExpression("^\\d{4}_\\d+_\\d+_\\d+")));
    QTest::qWait(1200);
    w->toolBar()->clickRecordStart();
    QCOMPARE(bar()->currentRecordState(), 2);
    const QString pausedAt = bar()->findChild<QLabel *>("recordTimeLabel")->text();
    QTest::qWait(1300);
    QCOMPARE(bar()->findChild<QLabel *>("recordTimeLabel")->text(), pausedAt);
    w->toolBar()->clickRecordStart();
    QCOMPARE(bar()->currentRecordState(), 3);
    QTest::qWait(600);
    w->toolBar()->clickRecordStop();
    QCOMPARE(bar()->currentRecordState(), 0);
    QVERIFY(!w->isRecording());
    QVERIFY(!w->recordAreaBox());
    QTRY_VERIFY_WITH_TIMEOUT(!w->recorder()->isRecording(), 10000);
    QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(outDir)});
    const MediaProbe probe = probeMedia(file);
    QVERIFY(probe.opened);
    QCOMPARE(probe.width, 320);
    QCOMPARE(probe.height, 240);
    // About 1.8 s recorded; the paused time is not in the file.
    QVERIFY2(probe.videoDuration > 1.2 && probe.videoDuration < 2.6,
             qPrintable(QString::number(probe.videoDuration)));
}

void RecordControlsTest::bracketsMaskAndInput()
{
    AVRecordAreaBox *box = new AVRecordAreaBox;
    QPointer<AVRecordAreaBox> guard = box;
    QVERIFY(box->windowFlags() & Qt::WindowTransparentForInput);
    QVERIFY(box->isHidden());
    box->setArea(QRect(100, 50, 400, 300));
    QVERIFY(box->isVisible());
    QCOMPARE(box->geometry(), QRect(96, 46, 408, 308));
    const QRegion mask = box->mask();
    // The corners are in, the framed area and the edges' middles are not.
    for (const QPoint &p : {QPoint(0, 0), QPoint(3, 3), QPoint(404, 2), QPoint(2, 304),
                            QPoint(405, 305), QPoint(10, 1), QPoint(1, 10)})
        QVERIFY2(mask.contains(p), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    for (const QPoint &p :
         {QPoint(204, 154), QPoint(204, 2), QPoint(2, 154), QPoint(4, 4), QPoint(204, 305)})
        QVERIFY2(!mask.contains(p), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    // Painted: green brackets on a clear window.
    QImage image(box->size(), QImage::Format_ARGB32);
    image.fill(Qt::red);
    box->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    QCOMPARE(QColor(image.pixel(1, 1)), QColor(Qt::green));
    box->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!guard);
}

QTEST_MAIN(RecordControlsTest)
#include "tst_recordcontrols.moc"
