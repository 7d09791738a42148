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

#include "boxanswerer.h"
#include "mediaprobe.h"
#include "pulseserver.h"
#include "requiredprograms.h"
#include "screenshotdir.h"
#include "x11window.h"

#include <csignal>
#include <cstdio>

static const QString soundMissing =
    "录屏已保存，但录制中音频输入中断，部分时段没有声音[ERROR_SOURCE:AW]";

// The program as the user runs it, recording from the tool bar into folder until it is killed.
static int recordUntilKilled(const QString &folder)
{
    X11Window xwin;
    MainWindow &window = xwin.window;
    window.show();
    if (!xwin.shown())
        return 1;
    window.settings.avoutpath = folder;
    auto *start = window.findChild<QToolButton *>("recordStartButton");
    if (!start)
        return 1;
    // A refused start is told in a box, which nobody here would close.
    BoxAnswerer boxes(QStringLiteral("OK"));
    start->click();
    const QString started = boxes.awaited([&window] { return window.isRecording(); }, 20000);
    if (!started.isEmpty()) {
        std::fprintf(stderr, "the recording did not start: %s\n", qPrintable(started));
        return 1;
    }
    std::printf("recording\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

// The real X capture: a window of known colour, a pointer of known shape and the logo, read
// through MIT-SHM and XFixes, recorded and decoded back. The last frame of the recording is
// saved as "recording-frame-xvfb.png" (or into QB_SCREENSHOT_DIR). The real window recorded
// with the sound of a PulseAudio server of the test's own keeps sound and picture together.

class X11RecordingTest : public QObject
{
    Q_OBJECT

    // Qt's sound engine connects once per process: its tests share one daemon, which the last
    // of them kills.
    std::unique_ptr<PulseServer> pulse;
    QString startPulse()
    {
        if (pulse)
            return QString();
        pulse = std::make_unique<PulseServer>();
        return pulse->start();
    }

public slots:
    void openedUrl(const QUrl &) {}

private slots:
    void initTestCase()
    {
        if (!QX11Info::isPlatformX11())
            QSKIP("needs an X server");
        QB_REQUIRE_PROGRAMS({"xdotool", "pulseaudio", "pactl", "pacat"});
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
        RecordingOptions options;
        options.areaX = area.x();
        options.areaY = area.y();
        options.areaWidth = options.outputWidth = area.width();
        options.areaHeight = options.outputHeight = area.height();
        options.audioMode = 3;
        options.watermarkCorner = 3; // bottom-right
        options.outputFileName = dir.path() + "/screen.mp4";
        recorder.start(options);
        QVERIFY(recorder.isRecording());
        QTest::qWait(600);
        recorder.stop();
        QVERIFY(QTest::qWaitFor([&recorder] { return !recorder.isRecording(); }, 10000));
        QCOMPARE(errors.count(), 0);

        const MediaProbe probe = probeMedia(recorder.options().outputFileName);
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
        QB_REQUIRE_PROGRAMS({"pulseaudio", "pactl", "pacat"});
        const QString failed = startPulse();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        PulseServer &server = *pulse;
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
        // A refused start, or a recording that ends on its own, is told in a box.
        BoxAnswerer boxes(QStringLiteral("OK"));
        start->click();
        const QString started = boxes.awaited([&] { return window.isRecording(); }, 5000);
        QVERIFY2(started.isEmpty(), qPrintable(started));
        QTest::qWait(2000);
        QVERIFY(server.markScreenAndSound());
        QTest::qWait(3500);
        QVERIFY(server.markScreenAndSound());
        QTest::qWait(1000);
        stop->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window.recorder()->isRecording(), 15000);
        QVERIFY2(boxes.asked().isEmpty(), qPrintable(boxes.asked()));
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

    // The sound server goes away, or its source delivers nothing for 30 s, mid-recording: the
    // recording goes on with silence there, sound and picture stay together, and the stop
    // tells that part of the sound is missing.
    void soundServerTroubleIsSilence_data()
    {
        QTest::addColumn<int>("quietMs"); // -1: the daemon is killed
        QTest::newRow("source suspended 30 s") << 30000;
        QTest::newRow("daemon killed") << -1;
    }
    void soundServerTroubleIsSilence()
    {
        QFETCH(int, quietMs);
        QB_REQUIRE_PROGRAMS({"pulseaudio", "pactl", "pacat"});
        const QString failed = startPulse();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        PulseServer &server = *pulse;
        // Something not black to record, so that the marks show.
        QWidget window(nullptr, Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
        window.setGeometry(0, 0, 320, 240);
        window.setAutoFillBackground(true);
        window.setPalette(QPalette(QColor(0, 160, 0)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTemporaryDir dir;
        VideoRecorder recorder;
        QStringList errors, tips;
        connect(&recorder, &VideoRecorder::recorderStopError,
                [&errors](const QString &text) { errors << text; });
        connect(&recorder, &VideoRecorder::recorderTipError,
                [&tips](const QString &text) { tips << text; });
        RecordingOptions options;
        options.areaWidth = options.outputWidth = 320;
        options.areaHeight = options.outputHeight = 240;
        options.outputFileName = dir.path() + "/sound.mp4";
        QElapsedTimer clock;
        clock.start();
        recorder.start(options);
        QVERIFY(recorder.isRecording());
        QTest::qWait(2000);
        QVERIFY(server.markScreenAndSound());
        QTest::qWait(1000);
        QString what;
        if (quietMs < 0) {
            what = QString::asprintf("killed pulseaudio (pid %lld) with SIGKILL at %.1f s",
                                     server.daemonPid(), clock.elapsed() / 1000.0);
            server.crash();
            QTest::qWait(3000);
        } else {
            // A monitor cannot be suspended alone: its sink is, and the monitor with it.
            what = QString::asprintf(
                "suspended the sink %s and its monitor, the default "
                "source, at %.1f s for %d s",
                qPrintable(PulseServer::sink()), clock.elapsed() / 1000.0, quietMs / 1000);
            QVERIFY(PulseServer::pactl({"suspend-sink", PulseServer::sink(), "1"}));
            QTest::qWait(quietMs);
            QVERIFY(PulseServer::pactl({"suspend-sink", PulseServer::sink(), "0"}));
            QTest::qWait(1000);
            QVERIFY(server.markScreenAndSound());
            QTest::qWait(1000);
        }
        const double ran = clock.elapsed() / 1000.0;
        QElapsedTimer stopping;
        stopping.start();
        recorder.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.isRecording(), 5000);
        const qint64 stopMs = stopping.elapsed();

        const MediaProbe probe = probeMedia(recorder.options().outputFileName);
        QString figures = QString::asprintf(
            "%d streams, picture %.3f s, sound %.3f s after a run of %.1f s (stopped in %lld ms); "
            "sound after picture:",
            probe.streams, probe.videoDuration, probe.audioDuration(), ran, stopMs);
        const QVector<double> offsets = probe.markOffsets();
        for (double offset : offsets)
            figures += QString::asprintf(" %+.0f ms", offset * 1000);
        qInfo("%s; the file held %s", qPrintable(what), qPrintable(figures));
        QCOMPARE(probe.streams, 2);
        QCOMPARE(errors, QStringList{soundMissing});
        QVERIFY2(tips.isEmpty(), qPrintable(tips.join('\n')));
        QVERIFY2(probe.videoDuration > ran - 0.5, qPrintable(figures));
        QVERIFY2(std::fabs(probe.audioDuration() - probe.videoDuration) <= 0.1,
                 qPrintable(figures));
        // The sound before, and after the source came back, is with its picture (the goal of
        // 45 ms is the plain recording's test; here within 0.1 s).
        QCOMPARE(probe.markOnsets.size(), quietMs < 0 ? 1 : 2);
        for (double offset : offsets)
            QVERIFY2(std::fabs(offset) <= 0.1, qPrintable(figures));
    }

    // The program killed 6 s into a recording leaves a file in the output folder that plays,
    // picture and sound, up to its last fragment. A microphone that hangs (its source suspended
    // from the start) holds the picture back from the file no longer than that either.
    void killedProgramLeavesPlayableFile_data()
    {
        QTest::addColumn<bool>("microphoneHung");
        QTest::newRow("sound flowing") << false;
        QTest::newRow("microphone hung") << true;
    }
    void killedProgramLeavesPlayableFile()
    {
        QFETCH(bool, microphoneHung);
        QB_REQUIRE_PROGRAMS({"pulseaudio", "pactl", "pacat"});
        PulseServer server;
        const QString failed = server.start();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QTemporaryDir dir;
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QCoreApplication::applicationFilePath(),
                      {"--record-until-killed", dir.path()});
        QVERIFY(program.waitForStarted(5000));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += program.readAllStandardOutput()).contains("recording"),
                                 30000);
        QElapsedTimer recorded;
        recorded.start();
        if (microphoneHung)
            QVERIFY(PulseServer::pactl({"suspend-sink", PulseServer::sink(), "1"}));
        QTest::qWait(int(6000 - recorded.elapsed()));
        const double killedAt = recorded.elapsed() / 1000.0;
        ::kill(pid_t(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished(5000));
        const QStringList files = QDir(dir.path()).entryList({"*.mp4"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString file = dir.path() + "/" + files.first();

        const MediaProbe probe = probeMedia(file);
        const QString figures = QString::asprintf(
            "%lld bytes, %d streams, picture %.3f s (%d frames decoded), sound %.3f s",
            QFileInfo(file).size(), probe.streams, probe.videoDuration, probe.decodedFrames,
            probe.audioDuration());
        qInfo("SIGKILLed the program %.1f s into a recording; the file held %s", killedAt,
              qPrintable(figures));
        QVERIFY(probe.opened);
        QCOMPARE(probe.streams, 2);
        QVERIFY2(probe.videoDuration > 3.999, qPrintable(figures));
        QVERIFY2(probe.videoDuration >= killedAt - 2.5, qPrintable(figures));
        if (!microphoneHung)
            QVERIFY2(probe.audioDuration() >= 3.5, qPrintable(figures));
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

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--record-until-killed"))
        return recordUntilKilled(app.arguments().value(2));
    app.setAttribute(Qt::AA_Use96Dpi, true);
    X11RecordingTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_x11_recording.moc"
