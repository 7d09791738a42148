#include <QtTest>

#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include "app/anativeeventfilter.h"
#include "recording/desktopareaselecter.h"
#include "recording/recordingengine.h"
#include "toolbar/maintoolbar.h"

#include "mediaprobe.h"
#include "ownxvfb.h"
#include "screenshotdir.h"
#include "x11window.h"

// Drags from one screen pixel to another in the selector, which must then hold chosen, and
// confirms: the picture goes to the clipboard.
static void chooseAndConfirm(DesktopAreaSelecter *selecter, const QPoint &from, const QPoint &to,
                             const QRect &chosen)
{
    const auto n = [](int v) { return QString::number(v); };
    const QPoint mid = (from + to) / 2;
    xdo({"mousemove", n(from.x()), n(from.y()), "mousedown", "1", "mousemove", n(mid.x()),
         n(mid.y()), "mousemove", n(to.x()), n(to.y()), "mouseup", "1"});
    QTRY_COMPARE(selecter->selectionRect(), chosen);
    QPushButton *confirm = nullptr;
    QTRY_VERIFY(confirm = visibleChild<QPushButton>(
                    selecter, [](QPushButton *b) { return b->text() == QStringLiteral("确认"); }));
    QTest::qWait(100);
    click(confirm);
    QTRY_VERIFY(!QGuiApplication::clipboard()->image().isNull());
}

// Blocks 40 logical pixels wide, each of another colour than its neighbours.
static QColor blockColor(const QPoint &logical)
{
    static const QColor colors[] = {Qt::red,  Qt::green,   Qt::blue,  Qt::yellow,
                                    Qt::cyan, Qt::magenta, Qt::white, QColor(128, 64, 0)};
    return colors[(logical.x() / 40 * 3 + logical.y() / 40 * 5) % 8];
}

// A picture of the area in screen pixels shows the blocks of the logical places it covers.
static QString blockMismatch(const QImage &picture, const QRect &area, qreal ratio)
{
    if (picture.size() != area.size() * ratio)
        return QString("%1x%2 picture").arg(picture.width()).arg(picture.height());
    for (int y = 20; y < area.height(); y += 40) {
        for (int x = 20; x < area.width(); x += 40) {
            const QColor seen = picture.pixelColor(QPoint(x, y) * ratio);
            if (!nearColor(seen, blockColor(area.topLeft() + QPoint(x, y)), 24))
                return QString("%1 at %2,%3").arg(seen.name()).arg(x).arg(y);
        }
    }
    return QString();
}

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
        QB_REQUIRE_PROGRAM("Xvfb");
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
        chooseAndConfirm(selecter, QPoint(300, 200), QPoint(700, 450), QRect(300, 200, 400, 250));
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

    // The selector works in logical pixels, the capture in the screen's own: the screenshot
    // and the recording hold the area chosen, at every scale.
    void chosenAreaAtEveryScale()
    {
        const QRect chosen(320, 200, 400, 240);
        const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QImage blocks(screen * ratio, QImage::Format_RGB32);
        blocks.setDevicePixelRatio(ratio);
        QPainter painter(&blocks);
        for (int y = 0; y < screen.height(); y += 40) {
            for (int x = 0; x < screen.width(); x += 40)
                painter.fillRect(x, y, 40, 40, blockColor(QPoint(x, y)));
        }
        painter.end();
        QLabel cover;
        cover.setWindowFlags(Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
        cover.setPixmap(QPixmap::fromImage(blocks));
        cover.setGeometry(QRect(QPoint(0, 0), screen));
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        QTest::qWait(300);

        xdo({"key", "alt+a"});
        DesktopAreaSelecter *selecter = nullptr;
        QTRY_VERIFY((selecter = window->findChild<DesktopAreaSelecter *>()) &&
                    selecter->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(selecter));
        QTest::qWait(200);
        chooseAndConfirm(selecter, screenPixels(chosen.topLeft()),
                         screenPixels(chosen.bottomRight() + QPoint(1, 1)), chosen);
        const QImage shot = QGuiApplication::clipboard()->image();
        const QString shotWrong = blockMismatch(shot, chosen, ratio);
        QVERIFY2(shotWrong.isEmpty(), qPrintable("screenshot: " + shotWrong));

        const QString out = xwin->dataDir + "/videos";
        QVERIFY(QDir().mkpath(out));
        window->settings.avoutpath = out;
        window->settings.audiorecordtype = 3;
        window->settings.videoareatype = 1;
        window->settings.avareax = chosen.x();
        window->settings.avareay = chosen.y();
        window->settings.avareaw = chosen.width();
        window->settings.avareah = chosen.height();
        moveTo(QPoint(screen.width() - 10, screen.height() - 10)); // no pointer in the area
        window->toolBar()->clickRecordStart();
        QVERIFY(window->recorder()->isRecording());
        QTRY_VERIFY(window->recordAreaBox() && window->recordAreaBox()->isVisible());
        QCOMPARE(window->recordAreaBox()->geometry(), chosen.adjusted(-4, -4, 4, 4));
        QTest::qWait(800);
        window->toolBar()->clickRecordStop();
        QTRY_VERIFY_WITH_TIMEOUT(!window->recorder()->isRecording(), 15000);
        const QStringList files = QDir(out).entryList({"*.mp4"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        const MediaProbe probe = probeMedia(out + "/" + files.first());
        QVERIFY(probe.opened);
        probe.lastFrame.save(screenshotDir() + QString("/chosenarea-x%1-xvfb.png").arg(ratio));
        const QString frameWrong = blockMismatch(probe.lastFrame, chosen, ratio);
        QVERIFY2(frameWrong.isEmpty(), qPrintable("recording: " + frameWrong));
    }

    // The same on an Xvfb of its own, a 3840x2160 board at scale 2.
    void chosenAreaOnScaledScreen()
    {
        if (QGuiApplication::primaryScreen()->devicePixelRatio() != 1)
            QSKIP("runs on the unscaled screen");
        runOnOwnXvfb("3840x2160x24", {"chosenAreaAtEveryScale"}, {{"QT_SCALE_FACTOR", "2"}});
    }
};

QTEST_MAIN(X11RecordControlsTest)
#include "tst_x11_recordcontrols.moc"
