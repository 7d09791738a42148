#include <QtTest>

#include <QDesktopServices>
#include <QScreen>
#include <QToolButton>
#include <QWidget>
#include <QX11Info>

#include "base/globals.h"
#include "base/uimetrics.h"
#include "platform/x11framesource.h"
#include "recording/recordingengine.h"
#include "recording/videorecorder.h"

#include "mediaprobe.h"
#include "pulseserver.h"
#include "screenshotdir.h"
#include "x11window.h"

// The real X capture: a window of known colour, a pointer of known shape and the logo, read
// through MIT-SHM and XFixes, recorded and decoded back. The last frame of the recording is
// saved as "recording-frame-xvfb.png" (or into QB_SCREENSHOT_DIR). The real window recorded
// with the sound of a PulseAudio server of the test's own keeps sound and picture together.

class X11RecordingTest : public QObject
{
    Q_OBJECT

public slots:
    void openedUrl(const QUrl &) {}

private slots:
    void initTestCase()
    {
        if (!QX11Info::isPlatformX11())
            QSKIP("needs an X server");
        av_log_set_level(AV_LOG_ERROR);
    }

    void recordsScreenPointerAndLogo()
    {
        const QRect area(200, 150, 320, 240);
        const QPoint pointer(300, 250);
        QTemporaryDir dir;
        appDataDir = dir.path();
        QDir().mkpath(dir.path() + "/config");
        QImage logo(40, 20, QImage::Format_RGB32);
        logo.fill(QColor(0, 0, 220));
        QVERIFY(logo.save(dir.path() + "/config/watermark.png"));

        QWidget window;
        // A pointer that cannot be mistaken: a solid magenta square with its hot spot inside.
        QPixmap shape(32, 32);
        shape.fill(QColor(255, 0, 255));
        window.setCursor(QCursor(shape, 4, 4));
        window.setWindowFlags(Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
        window.setGeometry(area.adjusted(-20, -20, 20, 20));
        window.setAutoFillBackground(true);
        window.setPalette(QPalette(QColor(0, 160, 0)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCursor::setPos(pointer);
        QTest::qWait(300);

        VideoRecorder recorder;
        QSignalSpy errors(&recorder, &VideoRecorder::recorderStopError);
        recorder.areaX = area.x();
        recorder.areaY = area.y();
        recorder.areaWidth = recorder.outputWidth = area.width();
        recorder.areaHeight = recorder.outputHeight = area.height();
        recorder.audioMode = 3;
        recorder.watermarkCorner = 3; // bottom-right
        recorder.outputFileName = dir.path() + "/screen.mp4";
        recorder.start();
        QVERIFY(recorder.isRecording());
        QTest::qWait(600);
        recorder.stop();
        QVERIFY(QTest::qWaitFor([&recorder] { return !recorder.isRecording(); }, 10000));
        QCOMPARE(errors.count(), 0);

        const MediaProbe probe = probeMedia(recorder.outputFileName);
        QVERIFY(probe.decodedFrames >= 5);
        const QImage frame = probe.lastFrame;
        QCOMPARE(frame.size(), area.size());
        frame.save(screenshotDir() + "/recording-frame-xvfb.png");
        QVERIFY(nearColor(frame.pixelColor(8, 8), QColor(0, 160, 0), 16));
        // The pointer, read in the writer's thread, is drawn with its hot spot on the position.
        const QPoint tip = pointer - area.topLeft() - QPoint(4, 4) + QPoint(16, 16);
        QVERIFY(nearColor(frame.pixelColor(tip), QColor(255, 0, 255), 16));
        // The logo sits in its corner, one title-bar button away from the edges.
        const int m = titleBarButtonSize();
        const QPoint logoMiddle(area.width() - m - 20, area.height() - m - 10);
        QVERIFY(nearColor(frame.pixelColor(logoMiddle), QColor(0, 0, 220), 16));
        QVERIFY(nearColor(frame.pixelColor(logoMiddle + QPoint(30, 0)), QColor(0, 160, 0), 16));
    }
    // A real microphone delivers its first sound late: the beeps were 1.9 s ahead of the black
    // window shown with them. Full screen, default settings, from the tool bar.
    void realMicrophoneSoundInSync()
    {
        if (!PulseServer::installed())
            QSKIP("needs pulseaudio");
        PulseServer server;
        const QString failed = server.start();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openedUrl");
        X11Window xwin;
        MainWindow &window = xwin.window;
        window.show();
        QVERIFY(xwin.shown());
        const QString out = xwin.dataDir + "/videos";
        QVERIFY(QDir().mkpath(out));
        window.settings.avoutpath = out;
        QCOMPARE(window.settings.audiorecordtype, 0); // the microphone
        QCOMPARE(window.settings.videoareatype, 0);   // the whole screen
        auto *start = window.findChild<QToolButton *>("recordStartButton");
        auto *stop = window.findChild<QToolButton *>("recordStopButton");
        QVERIFY(start && stop);
        start->click();
        QTRY_VERIFY(window.isRecording());
        QTest::qWait(2000);
        QVERIFY(server.markScreenAndSound());
        QTest::qWait(3500);
        QVERIFY(server.markScreenAndSound());
        QTest::qWait(1000);
        stop->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window.recorder()->isRecording(), 15000);
        const QStringList files = QDir(out).entryList({"*.mp4"}, QDir::Files);
        QCOMPARE(files.size(), 1);

        const MediaProbe probe = probeMedia(out + "/" + files.first());
        QString figures = QString::asprintf("picture %.3f s, sound %.3f s; sound after picture:",
                                            probe.videoDuration, probe.audioDuration());
        const QVector<double> offsets = probe.markOffsets();
        for (double offset : offsets)
            figures += QString::asprintf(" %+.0f ms", offset * 1000);
        qInfo("%s", qPrintable(figures));
        QCOMPARE(probe.markOnsets.size(), 2);
        for (double offset : offsets)
            QVERIFY2(std::fabs(offset) <= 0.045, qPrintable(figures));
        QVERIFY2(std::fabs(probe.audioDuration() - probe.videoDuration) <= 0.051,
                 qPrintable(figures));
    }

    void noServerMeansNotReady()
    {
        const QByteArray saved = qgetenv("DISPLAY");
        for (const char *display : {"", ":97"}) { // none set, and none there
            if (*display)
                qputenv("DISPLAY", display);
            else
                qunsetenv("DISPLAY");
            X11FrameSource source{QPoint()};
            const bool opened = source.open(QRect(0, 0, 320, 240));
            qputenv("DISPLAY", saved);
            QVERIFY(!opened);
            QVERIFY(source.grab().isNull());
        }
    }

    // Nothing is read past the screen's edge: what lies beyond it is black.
    void areaBeyondScreenIsBlack()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect area(screen.right() - 99, screen.bottom() - 79, 320, 240);
        QWidget window;
        window.setWindowFlags(Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
        window.setGeometry(area & screen);
        window.setAutoFillBackground(true);
        window.setPalette(QPalette(Qt::white));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCursor::setPos(screen.topLeft());
        QTest::qWait(200);

        X11FrameSource source(screen.topLeft());
        QVERIFY(source.open(area));
        const QImage picture = source.grab();
        QCOMPARE(picture.size(), area.size());
        QCOMPARE(picture.pixelColor(50, 40), QColor(Qt::white));
        QCOMPARE(picture.pixelColor(200, 40), QColor(Qt::black));
        QCOMPARE(picture.pixelColor(50, 200), QColor(Qt::black));
    }
};

QTEST_MAIN(X11RecordingTest)
#include "tst_x11_recording.moc"
