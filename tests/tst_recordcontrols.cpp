#include <QtTest>

#include <QDesktopServices>
#include <QToolButton>

#include "base/globals.h"
#include "base/recordarea.h"
#include "mainwindow/mainwindow.h"
#include "recording/recordingengine.h"
#include "toolbar/maintoolbar.h"

#include "boxanswerer.h"
#include "fakes.h"
#include "mediaprobe.h"
#include "recordingfakes.h"
#include "windowsetup.h"

// The area rules and the checks made when the record button is pressed. The whole way to a
// file, and the frame round the area, are walked under X (tst_x11_recordcontrols).
namespace {
// A started window recording through the fake back end without sound; the screen a picture of
// the given size, whose grab takes a second while *slow.
void readyToRecord(MainWindow &w, const QSize &screen, const bool *slow = nullptr)
{
    w.setHotKeyGrabber(std::make_unique<FakeGrabber>()); // no hot-key notice between
    runStartUpSteps(w);
    w.setRecordingBackend(std::make_shared<FakeRecordingBackend>());
    w.settings.audiorecordtype = 3;
    w.desktopGrabber = [screen, slow] {
        if (slow && *slow) {
            QEventLoop wait;
            QTimer::singleShot(1000, &wait, &QEventLoop::quit);
            wait.exec();
        }
        QPixmap picture(screen);
        picture.fill(Qt::darkCyan);
        return picture;
    };
}
} // namespace

class RecordControlsTest : public QObject
{
    Q_OBJECT

    QList<QUrl> openedUrls;
public slots:
    void openedUrl(const QUrl &url) { openedUrls << url; }

private slots:
    void initTestCase()
    {
        av_log_set_level(AV_LOG_ERROR);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openedUrl");
    }

    void areaRules_data()
    {
        // Is the area valid as stored, and what the adjuster makes of it (always valid). The area
        // comes as x, y, w, h: a QRect of huge stored values would overflow.
        QTest::addColumn<QVector<int>>("in");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QRect>("out");
        using In = QVector<int>;
        const QRect r240(0, 0, 240, 240);
        QTest::newRow("to the right edge")
            << In{1680, 800, 240, 240} << true << r240.translated(1680, 800);
        QTest::newRow("huge stored x")
            << In{0x7ffffff0, 0, 240, 240} << false << r240.translated(1680, 0);
        QTest::newRow("minimum and inside")
            << In{-20, 900, 100, 300} << false << QRect(0, 740, 240, 300);
        QTest::newRow("multiples of 4")
            << In{10, 10, 1001, 603} << false << QRect(10, 10, 1000, 600);
    }
    void areaRules()
    {
        QFETCH(QVector<int>, in);
        QFETCH(bool, valid);
        QFETCH(QRect, out);
        // A 1920 x 1040 available area, whatever the screen's own size.
        int x = in[0], y = in[1], w = in[2], h = in[3];
        QCOMPARE(isRecordAreaValid(x, y, w, h, 1920, 1040), valid);
        adjustRecordArea(x, y, w, h, 1920, 1040);
        QVERIFY(isRecordAreaValid(x, y, w, h, 1920, 1040));
        QCOMPARE(QRect(x, y, w, h), out);
    }

    void startChecksFolderAndScreenWhenPressed()
    {
        QTemporaryDir dir;
        appDataDir = dir.path();
        const QString outDir = dir.path() + "/videos";
        QDir().mkpath(dir.path() + "/config");
        MainWindow w;
        readyToRecord(w, QSize(1366, 768));
        const auto backend = std::make_shared<FakeRecordingBackend>();
        w.setRecordingBackend(backend);
        w.settings.avoutpath = outDir;
        w.settings.videoareatype = 0;
        auto *bar = qobject_cast<MainToolBar *>(w.toolBar()->widget());

        // The folder was chosen earlier and has gone since: refused before anything starts.
        {
            BoxAnswerer answerer(QStringLiteral("OK"));
            w.toolBar()->clickRecordStart();
            QCOMPARE(answerer.text, QStringLiteral("不支持的录屏存储路径，请重新设置"));
        }
        QVERIFY(!w.isRecording());
        QVERIFY(!w.recorder()); // a refused start loads no engine
        QVERIFY(!w.recordAreaBox());
        // Nothing records, so the button offers a start again, and no file was begun.
        QCOMPARE(bar->currentRecordState(), 0);
        QVERIFY(!bar->findChild<QToolButton *>("recordStopButton")->isEnabled());
        QVERIFY(!QDir(outDir).exists());
        QVERIFY(QDir(dir.path()).entryList({"*.mp4"}, QDir::Files).isEmpty());

        // A folder that does not answer (a network share gone) is refused within the limit, the
        // window answering all the while.
        backend->folderStallMs = 8000;
        {
            BoxAnswerer answerer(QStringLiteral("OK"));
            const EventGapWatch gaps;
            w.toolBar()->clickRecordStart();
            QCOMPARE(answerer.text, QStringLiteral("不支持的录屏存储路径，请重新设置"));
            QVERIFY(backend->clock.elapsed() < diskAnswerLimitMs + 1000);
            QVERIFY2(gaps.longestMs < 500, qPrintable(QString::number(gaps.longestMs)));
        }
        backend->folderStallMs = 0;

        // With the folder back, a 1366 wide screen records 1364 wide: the encoder wants
        // multiples of 4.
        QVERIFY(QDir().mkpath(outDir));
        w.toolBar()->clickRecordStart();
        QVERIFY(w.recorder()->isRecording());
        const RecordingOptions &r = w.recorder()->options();
        QCOMPARE(QRect(r.areaX, r.areaY, r.areaWidth, r.areaHeight), QRect(0, 0, 1364, 768));
        w.toolBar()->clickRecordStop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.recorder()->isRecording(), 10000);
    }

    // Presses while a start still waits (here for the screen's picture) are held for its end: a
    // second start press is a pause then; a stop, however it comes, leaves nothing recording,
    // no folder opened and no message but the suspend's own.
    void pressesDuringStartAreHeld_data()
    {
        QTest::addColumn<QString>("press");
        for (const char *press : {"pause", "stop", "stop, no picture", "hot key", "suspend"})
            QTest::newRow(press) << QString::fromLatin1(press);
    }
    void pressesDuringStartAreHeld()
    {
        QFETCH(QString, press);
        const bool stop = press != "pause";
        QTemporaryDir dir;
        appDataDir = dir.path();
        QDir().mkpath(dir.path() + "/config");
        MainWindow w;
        bool slow = false;
        readyToRecord(w, QSize(640, 480), &slow);
        w.settings.avoutpath = dir.path();
        w.settings.videoareatype = 0;
        auto *bar = qobject_cast<MainToolBar *>(w.toolBar()->widget());
        BoxAnswerer boxes(QStringLiteral("OK"));
        // A first recording loads the engine.
        w.toolBar()->clickRecordStart();
        QVERIFY(w.recorder()->isRecording());
        w.toolBar()->clickRecordStop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.recorder()->isRecording(), 10000);

        slow = true;
        if (press == "stop, no picture")
            w.desktopGrabber = [grab = w.desktopGrabber] { return grab(), QPixmap(); };
        QTimer::singleShot(300, &w, [&w, press] {
            if (press == "pause")
                w.toolBar()->clickRecordStart();
            else if (press == "hot key") // as the desktop's global keys bring it
                w.runHotKeyAction(QStringLiteral("Ctrl+F2"));
            else if (press == "suspend")
                w.onSystemSuspended();
            else
                w.toolBar()->clickRecordStop();
        });
        openedUrls.clear();
        w.toolBar()->clickRecordStart();
        QCOMPARE(w.recorder()->isRecording(), !stop);
        QCOMPARE(bar->currentRecordState(), stop ? 0 : 2);
        QTest::qWait(1000); // a message comes half a second late
        QCOMPARE(boxes.texts, press == "suspend"
                                  ? QStringList{"系统进入睡眠/休眠，录屏自动中断退出"}
                                  : QStringList());
        QCOMPARE(openedUrls, QList<QUrl>());
        if (!stop) {
            w.toolBar()->clickRecordStop();
            QTRY_VERIFY_WITH_TIMEOUT(!w.recorder()->isRecording(), 10000);
        }
    }

    void missingRecordingModuleIsToldAndNothingStarts()
    {
        QTemporaryDir dir;
        appDataDir = dir.path();
        QDir().mkpath(dir.path() + "/config");
        MainWindow w;
        w.setHotKeyGrabber(std::make_unique<FakeGrabber>());
        runStartUpSteps(w);
        w.recordingController()->moduleFolders = QStringList{dir.path()};
        w.settings.avoutpath = dir.path();
        w.settings.audiorecordtype = 3;
        w.settings.videoareatype = 0;
        w.desktopGrabber = [] { return QPixmap(1366, 768); };
        {
            BoxAnswerer answerer(QStringLiteral("OK"));
            w.toolBar()->clickRecordStart();
            QVERIFY2(answerer.text.startsWith(QStringLiteral("录屏组件无法加载")),
                     qPrintable(answerer.text));
            QVERIFY(answerer.text.contains(QStringLiteral(QB_RECORDING_MODULE)));
        }
        QVERIFY(!w.isRecording());
        QVERIFY(!w.recorder());
        QVERIFY(!w.recordAreaBox());
        auto *bar = qobject_cast<MainToolBar *>(w.toolBar()->widget());
        QCOMPARE(bar->currentRecordState(), 0);
        QVERIFY(QDir(dir.path()).entryList({"*.mp4"}, QDir::Files).isEmpty());
    }

    void freshAccountWithoutDocumentsRecords()
    {
        QTemporaryDir dir;
        appDataDir = dir.path();
        const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/.config").toUtf8());
        const QString documents = dir.path() + "/Documents";
        {
            MainWindow w;
            readyToRecord(w, QSize(640, 480));
            QCOMPARE(w.settings.avoutpath, documents);
            QVERIFY(!QFileInfo::exists(documents));
            w.toolBar()->clickRecordStart();
            QVERIFY(w.recorder()->isRecording());
            w.toolBar()->clickRecordStop();
            QTRY_VERIFY_WITH_TIMEOUT(!w.recorder()->isRecording(), 10000);
        }
        qputenv("HOME", home);
        config.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", config);
        QCOMPARE(QDir(documents).entryList({"*.mp4"}, QDir::Files).size(), 1);
    }
};

QTEST_MAIN(RecordControlsTest)
#include "tst_recordcontrols.moc"
