#include <QtTest>

#include <QClipboard>
#include <QDesktopServices>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include "app/anativeeventfilter.h"
#include "recording/desktopareaselecter.h"
#include "recording/recordingengine.h"
#include "toolbar/maintoolbar.h"

#include "mediaprobe.h"
#include "screenshotdir.h"
#include "x11window.h"

// Stands in for Application: the filter emits its systemHotKey signal.
class HotKeyRelay : public QObject
{
    Q_OBJECT
signals:
    void systemHotKey(int modifiers, int virtualKey);
};

// The real window on a real X server: Alt+A, a drag and Confirm give the clipboard the picture;
// the toolbar's record button records to an MP4 in the output folder. The screen with the
// brackets is saved as "recordingframe-xvfb.png" (or into QB_SCREENSHOT_DIR).
class X11RecordControlsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<X11Window> xwin;
    MainWindow *window = nullptr;
    HotKeyRelay relay;
    ANativeEventFilter filter{&relay};
    QList<QUrl> openedUrls;

public slots:
    void openedUrl(const QUrl &url) { openedUrls << url; }

private slots:
    void initTestCase()
    {
        QB_SKIP_WITHOUT_XDOTOOL();
        av_log_set_level(AV_LOG_ERROR);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openedUrl");
        qApp->installNativeEventFilter(&filter);
        connect(&relay, &HotKeyRelay::systemHotKey, this, [this](int modifiers, int key) {
            if (window)
                window->onSystemHotKey(modifiers, key);
        });
    }
    void init()
    {
        xwin = std::make_unique<X11Window>();
        window = &xwin->window;
        window->show();
        QVERIFY(xwin->shown());
        QTest::qWait(400); // past the start-up notices
    }
    void cleanup()
    {
        window = nullptr;
        xwin.reset();
    }

    void altAScreenshotToClipboard()
    {
        QVERIFY(window->registeredHotKeys().contains(QStringLiteral("Alt+A")));
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QImage known(screen, QImage::Format_RGB32);
        for (int y = 0; y < screen.height(); ++y) {
            for (int x = 0; x < screen.width(); ++x)
                known.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256 * 40 + y / 256 * 70) % 256));
        }
        window->desktopGrabber = [known] { return QPixmap::fromImage(known); };
        QGuiApplication::clipboard()->clear();

        xdo({"key", "alt+a"});
        DesktopAreaSelecter *selecter = nullptr;
        QTRY_VERIFY((selecter = window->findChild<DesktopAreaSelecter *>()) &&
                    selecter->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(selecter));
        QCOMPARE(selecter->geometry(), QRect(QPoint(0, 0), screen));
        QTest::qWait(200);
        xdo({"mousemove", "300", "200", "mousedown", "1", "mousemove", "500", "300", "mousemove",
             "700", "450", "mouseup", "1"});
        QTRY_COMPARE(selecter->selectionRect(), QRect(300, 200, 400, 250));

        QPushButton *confirm = nullptr;
        QTRY_VERIFY(confirm = visibleChild<QPushButton>(selecter, [](QPushButton *b) {
                        return b->text() == QStringLiteral("确认");
                    }));
        QTest::qWait(100);
        click(confirm);
        QTRY_VERIFY(!QGuiApplication::clipboard()->image().isNull());
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 known.copy(300, 200, 400, 250));
        QTRY_VERIFY(!window->findChild<DesktopAreaSelecter *>());
    }

    void recordPauseResumeStopFromToolbar()
    {
        const QString out = xwin->dataDir + "/videos";
        QVERIFY(QDir().mkpath(out));
        window->settings.avoutpath = out;
        window->settings.audiorecordtype = 3; // no microphone on a test machine
        window->settings.videoareatype = 1;
        window->settings.avareax = 100;
        window->settings.avareay = 80;
        window->settings.avareaw = 640;
        window->settings.avareah = 480;
        auto *bar = qobject_cast<MainToolBar *>(window->toolBar()->widget());
        auto *start = window->findChild<QToolButton *>("recordStartButton");
        auto *stop = window->findChild<QToolButton *>("recordStopButton");
        QVERIFY(bar && start && stop);
        QElapsedTimer wall;
        wall.start();
        click(start);
        QTRY_VERIFY(window->isRecording());
        QVERIFY(window->recorder()->isRecording());
        QCOMPARE(bar->currentRecordState(), 1);
        QWidget *box = window->recordAreaBox();
        QVERIFY(box);
        QTRY_VERIFY(box->isVisible());
        QCOMPARE(box->geometry(), QRect(96, 76, 648, 488));
        // Without a compositor only the mask keeps the frame from taking the clicks: the
        // corners are in it, the framed area, the edges' middles and the inner corner are not.
        QVERIFY(box->windowFlags() & Qt::WindowTransparentForInput);
        const QRegion mask = box->mask();
        for (const QPoint &p : {QPoint(0, 0), QPoint(644, 2), QPoint(2, 484), QPoint(645, 485)})
            QVERIFY(mask.contains(p));
        for (const QPoint &p : {QPoint(324, 244), QPoint(324, 2), QPoint(2, 244), QPoint(4, 4)})
            QVERIFY(!mask.contains(p));

        QTest::qWait(1500);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        QVERIFY(shot.save(screenshotDir() + QStringLiteral("/recordingframe-xvfb.png")));
        const QImage image = shot.toImage();
        QCOMPARE(QColor(image.pixel(97, 77)), QColor(Qt::green));
        QCOMPARE(QColor(image.pixel(743, 563)), QColor(Qt::green));

        // The same button, still under the mouse, pauses and resumes; the paused time is not
        // in the file.
        xdo({"click", "1"});
        QTRY_COMPARE(bar->currentRecordState(), 2);
        const qint64 pausedAt = wall.elapsed();
        QTest::qWait(1500);
        xdo({"click", "1"});
        QTRY_COMPARE(bar->currentRecordState(), 3);
        const qint64 pausedMs = wall.elapsed() - pausedAt;
        QTest::qWait(1000);

        click(stop);
        QTRY_VERIFY(!window->isRecording());
        QCOMPARE(bar->currentRecordState(), 0);
        QVERIFY(!window->recordAreaBox());
        QTRY_VERIFY_WITH_TIMEOUT(!window->recorder()->isRecording(), 15000);
        const qint64 runMs = wall.elapsed() - pausedMs;
        QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(out)});
        const QStringList files = QDir(out).entryList({"*.mp4"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(
            files.first().contains(QRegularExpression("^\\d{4}_\\d{1,2}_\\d{1,2}_\\d+\\.mp4$")));
        const MediaProbe probe = probeMedia(out + "/" + files.first());
        QVERIFY(probe.opened);
        QCOMPARE(QSize(probe.width, probe.height), QSize(640, 480));
        // The 2.5 s waited while recording are in the file; the pause, at least 1.5 s, is not.
        // Measured against the run itself, since clicks take longer on a loaded machine.
        QVERIFY2(probe.videoDuration > 2.4 && probe.videoDuration < runMs / 1000.0 + 0.5,
                 qPrintable(QString("%1 s in a run of %2 ms paused for %3 ms")
                                .arg(probe.videoDuration)
                                .arg(runMs + pausedMs)
                                .arg(pausedMs)));
    }
};

QTEST_MAIN(X11RecordControlsTest)
#include "tst_x11_recordcontrols.moc"
