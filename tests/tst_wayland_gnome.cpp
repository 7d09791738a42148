#include <QtTest>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include "drawing/paintproperty.h"
#include "recording/recordingengine.h"
#include "toolbar/colordialog.h"
#include "toolbar/colorstrawer.h"

#include "mediaprobe.h"
#include "requiredprograms.h"
#include "screenshotdir.h"
#include "waylandtest.h"

// The program on a GNOME desktop with its own screen-cast portal, which asks the user: the
// headless gnome-shell of tests/support/waylandsession.sh --desktop=gnome, the program under its
// XWayland. The desktop's "Screen Share" dialog is answered through the accessibility bus by
// tests/support/gnomedesktop.py. Pictures go to QB_SCREENSHOT_DIR.

namespace {
const QColor inkBlue(0x10, 0x30, 0xE0);
// A point of the desktop that our window never covers, below the shell's top bar.
const QPoint desktopPoint(40, 1000);

bool dark(const QColor &color)
{
    return color.red() < 70 && color.green() < 70 && color.blue() < 70;
}

// The screen casts the desktop runs now: mutter's session objects.
int desktopCasts()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Mutter.ScreenCast"),
        QStringLiteral("/org/gnome/Mutter/ScreenCast/Session"),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -1;
    return reply.arguments().first().toString().count(QStringLiteral("<node name="));
}

// Answers every "Screen Share" dialog of the desktop while it lives; a Start the desktop asks
// about is never left pending.
class ShareAnswerer
{
public:
    ShareAnswerer()
    {
        helper.start(QStringLiteral("python3"), {QStringLiteral(QB_GNOME_HELPER),
                                                 QStringLiteral("share"), QStringLiteral("90")});
        helper.waitForStarted(5000);
    }
    ~ShareAnswerer() { stop(); }
    // How many dialogs it answered; it answers no more.
    int stop()
    {
        if (helper.state() != QProcess::NotRunning) {
            helper.terminate();
            if (!helper.waitForFinished(5000))
                helper.kill();
            helper.waitForFinished(3000);
        }
        return QString::fromUtf8(helper.readAllStandardOutput()).count(QStringLiteral("shared"));
    }

private:
    QProcess helper;
};
} // namespace

class WaylandGnomeTest : public QObject
{
    Q_OBJECT

public slots:
    void openedUrl(const QUrl &) {}

private slots:
    void initTestCase()
    {
        QB_REQUIRE_WAYLAND_SESSION("tests/support/waylandsession.sh --desktop=gnome");
        QCOMPARE(qEnvironmentVariable("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
        QB_REQUIRE_PROGRAM("python3");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openedUrl");
        // The session's sound server offers its null sink's monitor as a microphone: out of the
        // program's reach, there is none.
        qputenv("PULSE_SERVER", "unix:/nonexistent");
        QCOMPARE(desktopCasts(), 0);
    }

    void init()
    {
        x.reset(new X11Window);
        // A restart: the desktop's answer kept from the run before.
        if (!token.isEmpty()) {
            QVERIFY(QDir().mkpath(x->dataDir + "/config"));
            QFile file(x->dataDir + "/config/screencast-token");
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(token) > 0);
        }
        QVERIFY(showOverDesktop(*x));
        QVERIFY(!x->window.frameGeometry().contains(desktopPoint));
    }
    void cleanup()
    {
        QFile file(x->dataDir + "/config/screencast-token");
        if (file.open(QIODevice::ReadOnly))
            token = file.readAll();
        x.reset();
    }

    // Default settings, the whole screen, no sound: the desktop asks once; the film shows the
    // shell's top bar and our stroke.
    void recordsDesktopAndBoard()
    {
        MainWindow &window = x->window;
        QCOMPARE(window.settings.videoareatype, 0);
        window.settings.audiorecordtype = 3;
        ShareAnswerer answerer;
        QVERIFY(record(window));
        QVERIFY(answerer.stop() >= 1);
        QVERIFY(QFileInfo(x->dataDir + "/config/screencast-token").size() > 0);

        const QStringList files = QDir(window.settings.avoutpath).entryList({"*.mp4"});
        QCOMPARE(files.size(), 1);
        const MediaProbe probe = probeMedia(window.settings.avoutpath + "/" + files.first());
        QCOMPARE(QSize(probe.width, probe.height), QSize(1920, 1080));
        const QImage frame = probe.lastFrame;
        frame.save(screenshotDir() + "/recording-frame-gnome.png");
        // The top bar: a dark band across the screen's top (left of its screen-sharing
        // indicator), the desktop lighter below it.
        for (int x = 20; x < 1700; x += 100)
            QVERIFY2(dark(frame.pixelColor(x, 4)), qPrintable(QString::number(x)));
        QVERIFY2(!dark(frame.pixelColor(desktopPoint)),
                 qPrintable(frame.pixelColor(desktopPoint).name()));
        const QPoint ink = screenPixels(waylandBoard(window)->mapToGlobal(strokePoint));
        QVERIFY2(nearColor(frame.pixelColor(ink), inkBlue, 40),
                 qPrintable(frame.pixelColor(ink).name()));
        QVERIFY(probe.videoDuration >= 1.9);
        desktopColor = frame.pixelColor(desktopPoint);
    }

    // After a restart the kept answer holds: the desktop asks nothing.
    void secondRecordingAsksNothing()
    {
        QVERIFY(!token.isEmpty());
        MainWindow &window = x->window;
        window.settings.audiorecordtype = 3;
        ShareAnswerer answerer;
        QVERIFY(record(window));
        QCOMPARE(answerer.stop(), 0);
        QCOMPARE(QDir(window.settings.avoutpath).entryList({"*.mp4"}).size(), 1);
    }

    // A start refused after the desktop gave the screen (no microphone here) ends the cast.
    void refusedStartEndsCast()
    {
        MainWindow &window = x->window;
        window.settings.audiorecordtype = 0;
        ShareAnswerer answerer;
        BoxAnswerer boxes(QStringLiteral("OK"));
        window.findChild<QToolButton *>("recordStartButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(
            boxes.texts, QStringList{QStringLiteral("录屏操作被拒绝：未找到音频输入设备")}, 15000);
        QVERIFY(!window.isRecording());
        QTRY_COMPARE_WITH_TIMEOUT(desktopCasts(), 0, 5000);
    }

    // "吸管工具" picks the desktop's colour outside our window, as the film showed it.
    void eyedropperPicksDesktop()
    {
        QVERIFY(desktopColor.isValid());
        ColorDialog dialog(&x->window);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *straw = visibleChild<QPushButton>(
            &dialog, [](QPushButton *b) { return b->toolTip() == QStringLiteral("吸管工具"); });
        QVERIFY(straw);
        ShareAnswerer answerer;
        straw->click();
        auto *strawer = dialog.findChild<ColorStrawer *>();
        QTRY_VERIFY_WITH_TIMEOUT(strawer->isVisible(), 15000);
        strawer->grab().save(screenshotDir() + "/eyedropper-gnome.png");
        sendMouse(strawer, QEvent::MouseButtonPress, strawer->mapFromGlobal(desktopPoint));
        QTRY_VERIFY(!strawer->isVisible());
        const QColor picked(dialog.currentColorName());
        QVERIFY2(nearColor(picked, desktopColor, 24),
                 qPrintable(picked.name() + " " + desktopColor.name()));
    }

    // Alt+A: the selector shows the desktop; an area over the top bar and the desktop saves it.
    void areaScreenshotShowsDesktop()
    {
        const QString path = x->dataDir + "/shot.png";
        ShareAnswerer answerer;
        const QString failed =
            saveDesktopArea(x->window, QPoint(10, 0), desktopPoint + QPoint(60, 60), path);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        const QImage picture = QImage(path).convertToFormat(QImage::Format_RGB32);
        picture.save(screenshotDir() + "/area-screenshot-gnome.png");
        QVERIFY(dark(picture.pixelColor(20, 4)));
        const QPoint desktop = desktopPoint - QPoint(10, 0);
        QVERIFY2(nearColor(picture.pixelColor(desktop), desktopColor, 24),
                 qPrintable(picture.pixelColor(desktop).name()));
    }

private:
    // One recording of about two seconds with a stroke on the board; while it runs the desktop
    // shows a cast, after it none.
    bool record(MainWindow &window)
    {
        bool done = false;
        [&] {
            BoxAnswerer boxes(QStringLiteral("OK"));
            window.findChild<QToolButton *>("recordStartButton")->click();
            const QString started = boxes.awaited([&] { return window.isRecording(); }, 30000);
            QVERIFY2(started.isEmpty(), qPrintable(started));
            QVERIFY(desktopCasts() >= 1);
            QSignalSpy tips(window.recorder(), &RecordingEngine::recorderTipError);
            QSignalSpy errors(window.recorder(), &RecordingEngine::recorderStopError);
            window.tools()->paintTool = int(PaintTool::Pen);
            window.tools()->lineBoldSize = 12;
            window.tools()->foreColor = inkBlue.name();
            Canvas *canvas = waylandBoard(window);
            QVERIFY(canvas && canvas->isVisible());
            strokePoint = canvas->visibleRegion().boundingRect().center();
            QVector<QPoint> points;
            for (int i = -10; i <= 10; ++i)
                points << strokePoint + QPoint(i * 20, 0);
            stroke(canvas, nullptr, points, [] { QTest::qWait(15); });
            QTest::qWait(2000);
            window.findChild<QToolButton *>("recordStopButton")->click();
            QTRY_VERIFY_WITH_TIMEOUT(!window.recorder()->isRecording(), 15000);
            QVERIFY2(boxes.asked().isEmpty(), qPrintable(boxes.asked()));
            QCOMPARE(errors.count(), 0);
            QCOMPARE(tips.count(), 0);
            QTRY_COMPARE_WITH_TIMEOUT(desktopCasts(), 0, 5000);
            done = true;
        }();
        return done;
    }

    std::unique_ptr<X11Window> x;
    QByteArray token;
    QPoint strokePoint;
    QColor desktopColor;
};

QTEST_MAIN(WaylandGnomeTest)
#include "tst_wayland_gnome.moc"
