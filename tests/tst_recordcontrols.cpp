#include <QtTest>

#include <QDesktopServices>
#include <QLabel>
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

    std::unique_ptr<QTemporaryDir> dir;
    QString outDir;
    MainWindow *window = nullptr;
    std::shared_ptr<FakeRecordingBackend> backend;
    QList<QUrl> openedUrls;

    MainToolBar *bar() const { return qobject_cast<MainToolBar *>(window->toolBar()->widget()); }
    QString timeShown() const { return bar()->findChild<QLabel *>("recordTimeLabel")->text(); }
    MainWindow *build()
    {
        window = new MainWindow;
        window->setHotKeyGrabber(std::make_unique<FakeGrabber>()); // no hot-key notice between
        runStartUpSteps(*window);
        backend = std::make_shared<FakeRecordingBackend>();
        window->recorder()->setBackend(backend);
        window->settings.avoutpath = outDir;
        window->settings.audiorecordtype = 3;
        window->settings.videoareatype = 1;
        window->settings.avareax = window->settings.avareay = 0;
        window->settings.avareaw = 320;
        window->settings.avareah = 240;
        return window;
    }

public slots:
    void openedUrl(const QUrl &url) { openedUrls << url; }

private slots:
    void initTestCase()
    {
        av_log_set_level(AV_LOG_ERROR);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openedUrl");
    }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        appDataDir = dir->path();
        outDir = dir->path() + "/videos";
        QDir().mkpath(outDir);
        QDir().mkpath(dir->path() + "/config");
        openedUrls.clear();
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
        backend.reset();
        dir.reset();
    }

    void areaRules_data()
    {
        // Recording: is the area valid as stored, and what the adjuster makes of it (always
        // valid). Screenshots: only the adjuster, minimum 10 and any size. The area comes as
        // x, y, w, h: a QRect of huge stored values would overflow.
        QTest::addColumn<bool>("shot");
        QTest::addColumn<QVector<int>>("in");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QRect>("out");
        using In = QVector<int>;
        const QRect r240(0, 0, 240, 240);
        QTest::newRow("602 high") << false << In{0, 0, 1000, 602} << false
                                  << QRect(0, 0, 1000, 600);
        QTest::newRow("236 wide") << false << In{0, 0, 236, 240} << false << r240;
        QTest::newRow("to the right edge")
            << false << In{1680, 800, 240, 240} << true << r240.translated(1680, 800);
        QTest::newRow("huge stored x")
            << false << In{0x7ffffff0, 0, 240, 240} << false << r240.translated(1680, 0);
        QTest::newRow("minimum and inside")
            << false << In{-20, 900, 100, 300} << false << QRect(0, 740, 240, 300);
        QTest::newRow("multiples of 4")
            << false << In{10, 10, 1001, 603} << false << QRect(10, 10, 1000, 600);
        QTest::newRow("larger than the screen")
            << false << In{5, 5, 3000, 2000} << false << QRect(0, 0, 1920, 1040);
        QTest::newRow("shot: minimum 10")
            << true << In{1915, 1039, 2, 3} << false << QRect(1910, 1030, 10, 10);
        QTest::newRow("shot: odd size kept")
            << true << In{0, 0, 1001, 603} << false << QRect(0, 0, 1001, 603);
    }
    void areaRules()
    {
        QFETCH(bool, shot);
        QFETCH(QVector<int>, in);
        QFETCH(bool, valid);
        QFETCH(QRect, out);
        // A 1920 x 1040 available area, whatever the screen's own size.
        int x = in[0], y = in[1], w = in[2], h = in[3];
        if (shot) {
            adjustScreenshotArea(x, y, w, h, 1920, 1040);
        } else {
            QCOMPARE(isRecordAreaValid(x, y, w, h, 1920, 1040), valid);
            adjustRecordArea(x, y, w, h, 1920, 1040);
            QVERIFY(isRecordAreaValid(x, y, w, h, 1920, 1040));
        }
        QCOMPARE(QRect(x, y, w, h), out);
    }

    void fileNames()
    {
        const QString name = recordingFileName(QDate(2024, 3, 7), 1709800000);
        QCOMPARE(name, QStringLiteral("2024_3_7_1709800000.mp4"));
        for (const char *folder : {"D:/videos/", "D:/videos"})
            QCOMPARE(recordingFilePath(folder, name),
                     QStringLiteral("D:/videos/2024_3_7_1709800000.mp4"));
    }

    void refusals_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder gone since chosen")
            << 0 << QStringLiteral("不支持的录屏存储路径，请重新设置");
        QTest::newRow("stored region 602 high")
            << 1 << QStringLiteral("录制区域不合法，请重新设置录制区域");
        QTest::newRow("screen not grabbed") << 2 << QStringLiteral("获取屏幕位置信息失败，请重试");
        QTest::newRow("engine: no microphone")
            << 3 << QStringLiteral("录屏操作被拒绝：未找到音频输入设备");
    }
    void refusals()
    {
        QFETCH(int, kind);
        QFETCH(QString, message);
        MainWindow *w = build();
        if (kind == 0)
            QVERIFY(QDir(outDir).removeRecursively());
        if (kind == 1)
            w->settings.avareah = 602;
        if (kind == 2) {
            w->settings.videoareatype = 0;
            w->desktopGrabber = [] { return QPixmap(); };
        }
        if (kind == 3) {
            w->settings.audiorecordtype = 0;
            backend->microphone = false;
        }
        BoxAnswerer answerer(QStringLiteral("OK"));
        w->toolBar()->clickRecordStart();
        // The engine refuses later; the others before anything starts.
        if (kind != 3)
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

    void fullScreenThroughStartPauseResumeStop()
    {
        MainWindow *w = build();
        // A 1366 wide screen records 1364 wide: the encoder wants multiples of 4.
        w->settings.videoareatype = 0;
        w->desktopGrabber = [] {
            QPixmap screen(1366, 768);
            screen.fill(Qt::darkCyan);
            return screen;
        };
        w->toolBar()->clickRecordStart();
        QCOMPARE(bar()->currentRecordState(), 1);
        QVERIFY(w->isRecording());
        QVERIFY(w->recorder()->isRecording());
        QVERIFY(w->recordAreaBox() && w->recordAreaBox()->isVisible());
        const VideoRecorder *r = w->recorder();
        QCOMPARE(QRect(r->areaX, r->areaY, r->areaWidth, r->areaHeight), QRect(0, 0, 1364, 768));
        QCOMPARE(r->startSnapshot.size(), QSize(1364, 768));
        // The engine may have moved to a free name; the file is where it says.
        const QString file = r->outputFileName;
        QCOMPARE(QFileInfo(file).absolutePath(), QFileInfo(outDir).absoluteFilePath());
        QVERIFY(QFileInfo(file).fileName().contains(QRegularExpression("^\\d{4}_\\d+_\\d+_\\d+")));
        QTest::qWait(1200);
        w->toolBar()->clickRecordStart();
        QCOMPARE(bar()->currentRecordState(), 2);
        const QString pausedAt = timeShown();
        QTest::qWait(1300);
        QCOMPARE(timeShown(), pausedAt);
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
        QCOMPARE(QSize(probe.width, probe.height), QSize(1364, 768));
        // About 1.8 s recorded; the paused time is not in the file.
        QVERIFY2(probe.videoDuration > 1.2 && probe.videoDuration < 2.6,
                 qPrintable(QString::number(probe.videoDuration)));
    }

    void bracketsLetClicksThrough()
    {
        // Without a compositor only the mask keeps the frame from taking the clicks.
        AVRecordAreaBox box;
        QVERIFY(box.windowFlags() & Qt::WindowTransparentForInput);
        box.setArea(QRect(100, 50, 400, 300));
        QCOMPARE(box.geometry(), QRect(96, 46, 408, 308));
        const QRegion mask = box.mask();
        for (const QPoint &p : {QPoint(0, 0), QPoint(404, 2), QPoint(2, 304), QPoint(405, 305)})
            QVERIFY(mask.contains(p));
        // The framed area, the edges' middles and the inner corner are not.
        for (const QPoint &p : {QPoint(204, 154), QPoint(204, 2), QPoint(2, 154), QPoint(4, 4)})
            QVERIFY(!mask.contains(p));
    }
};

QTEST_MAIN(RecordControlsTest)
#include "tst_recordcontrols.moc"
