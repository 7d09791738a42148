#include <QtTest>

#include <sys/resource.h>
#include <csignal>

#include "app/globals.h"
#include "recording/videorecorder.h"

#include "mediaprobe.h"
#include "recordingfakes.h"

static const QString videoEnded = "录屏错误：视频录制异常，已强制停止[ERROR_SOURCE:VW]";

// The recording engine end to end: synthetic screen and sine microphone in, the MP4 decoded
// back with libavformat and libavcodec.
class RecordingTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString outDir;
    std::shared_ptr<FakeRecordingBackend> backend;
    std::unique_ptr<VideoRecorder> recorder;
    QStringList errors, tips;

    void setArea(QSize size, int audioMode = 0)
    {
        recorder->areaWidth = recorder->outputWidth = size.width();
        recorder->areaHeight = recorder->outputHeight = size.height();
        recorder->audioMode = audioMode;
    }
    bool finished(int timeoutMs = 15000)
    {
        return QTest::qWaitFor([this] { return !recorder->isRecording(); }, timeoutMs);
    }
    bool stopped()
    {
        recorder->stop();
        return finished();
    }
    void record(int ms)
    {
        backend->clock.restart();
        recorder->start();
        QVERIFY(recorder->isRecording());
        QTest::qWait(ms);
    }
    MediaProbe output() const { return probeMedia(recorder->outputFileName); }

private slots:
    void initTestCase() { av_log_set_level(AV_LOG_ERROR); }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        appDataDir = dir->path();
        outDir = dir->path() + "/out";
        QDir().mkpath(outDir);
        errors.clear();
        tips.clear();
        backend = std::make_shared<FakeRecordingBackend>();
        recorder = std::make_unique<VideoRecorder>();
        recorder->setBackend(backend);
        setArea(QSize(320, 240));
        recorder->outputFileName = outDir + "/20260101_1767225600.mp4";
        connect(recorder.get(), &VideoRecorder::recorderStopError, this,
                [this](const QString &text) { errors << text; });
        connect(recorder.get(), &VideoRecorder::recorderTipError, this,
                [this](const QString &text) { tips << text; });
    }
    void cleanup()
    {
        recorder.reset();
        backend.reset();
        dir.reset();
    }

    void recordsPlayableFile_data()
    {
        QTest::addColumn<int>("audioMode");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("pause");
        QTest::newRow("microphone") << 0 << QSize(320, 240) << false;
        QTest::newRow("both sounds") << 2 << QSize(320, 240) << false;
        QTest::newRow("no sound, 1366 wide") << 3 << QSize(1366, 768) << false;
        // Loud sound made while paused must be neither recorded then nor played after resume.
        QTest::newRow("paused") << 0 << QSize(320, 240) << true;
    }
    void recordsPlayableFile()
    {
        QFETCH(int, audioMode);
        QFETCH(QSize, size);
        QFETCH(bool, pause);
        setArea(size, audioMode);
        qint64 pauseMs = 0;
        record(pause ? 600 : 1500);
        if (pause) {
            recorder->pause();
            const qint64 pausedAt = backend->clock.elapsed();
            QTest::qWait(50);
            backend->marker = true;
            QTest::qWait(700);
            backend->marker = false;
            QTest::qWait(50);
            pauseMs = backend->clock.elapsed() - pausedAt;
            recorder->resume();
            QTest::qWait(600);
        }
        const qint64 stopMs = backend->clock.elapsed();
        QVERIFY(stopped());
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QVERIFY(tips.isEmpty());

        const MediaProbe probe = output();
        QVERIFY(probe.opened);
        QCOMPARE(probe.streams, audioMode == 3 ? 1 : 2);
        QCOMPARE(probe.video,
                 QString::asprintf("h264 yuv420p %dx%d 20 fps", size.width(), size.height()));
        QCOMPARE(probe.audio, audioMode == 3 ? "" : "aac 44100 Hz 2 channels");
        // Every picture taken is in the file: nothing stays behind in the encoder.
        QCOMPARE(probe.decodedFrames, backend->grabs);
        QCOMPARE(probe.videoTimes.size(), backend->grabs);
        QVERIFY(nearColor(probe.lastFrame.pixelColor(8, 8), backend->lastColor, 12));
        QVERIFY(stopMs - backend->lastGrabMs < 250);
        // The file lasts at least as long as pictures were taken and at most one frame longer
        // than the run (a first grab delayed by a loaded machine still counts from the start).
        const double grabbed = (backend->lastGrabMs - backend->firstGrabMs - pauseMs) / 1000.0;
        const double ran = (stopMs - pauseMs) / 1000.0;
        const QString times = QString::asprintf("%g s for grabs over %g s in a run of %g s",
                                                probe.videoDuration, grabbed, ran);
        if (pause)
            QVERIFY2(qAbs(probe.videoDuration - grabbed) <= 0.05 + 0.03, qPrintable(times));
        else
            QVERIFY2(probe.videoDuration > grabbed && probe.videoDuration <= ran + 0.05 + 0.01,
                     qPrintable(times));
        for (int i = 1; i < probe.videoTimes.size(); ++i) {
            QVERIFY(probe.videoTimes[i] > probe.videoTimes[i - 1]);
            // No hole where the pause was: consecutive frames stay within two frame times.
            QVERIFY(!pause || probe.videoTimes[i] - probe.videoTimes[i - 1] < 0.101);
        }
        if (audioMode == 3)
            return;
        // The microphone is opened in the thread that reads it, never in the window's.
        QVERIFY(backend->pcmStartThread && backend->pcmStartThread != QThread::currentThread());
        QVERIFY2(qAbs(probe.audioDuration() - probe.videoDuration) < 0.1,
                 qPrintable(QString::number(probe.audioDuration())));
        QVERIFY2(probe.audioPeak > 0.2 && probe.audioPeak < 0.35,
                 qPrintable(QString::number(probe.audioPeak)));
    }

    void stopAtAnyMoment_data()
    {
        QTest::addColumn<QString>("moment");
        for (const char *moment : {"right after start", "twice in a row", "while paused",
                                   "start again while closing", "input stalled", "window closed"})
            QTest::newRow(moment) << QString(moment);
    }
    void stopAtAnyMoment()
    {
        QFETCH(QString, moment);
        const QString name = recorder->outputFileName;
        backend->pcmSilent = moment == "input stalled";
        recorder->start();
        QVERIFY(recorder->isRecording());
        if (moment != "right after start")
            QTest::qWait(moment == "input stalled" ? 1300 : moment == "window closed" ? 800 : 300);
        if (moment == "while paused") {
            recorder->pause();
            QTest::qWait(100);
        }
        if (moment == "twice in a row")
            recorder->stop();
        if (moment == "start again while closing") {
            recorder->stop();
            recorder->start(); // the writers are still closing
            QCOMPARE(errors, QStringList{"录屏操作被拒绝：上一次录屏操作还未退出"});
            QCOMPARE(recorder->outputFileName, name);
            errors.clear();
        }
        if (moment == "window closed") {
            // The destructor waits a bounded time, then the file is finished.
            QElapsedTimer closing;
            closing.start();
            recorder.reset();
            QVERIFY(closing.elapsed() < 5000);
        } else {
            QElapsedTimer stopping;
            stopping.start();
            QVERIFY(stopped());
            QVERIFY(stopping.elapsed() < 3000); // a silent input does not hold the stop
            recorder->stop();                   // nothing left to stop: no signal, no message
        }
        QVERIFY(errors.isEmpty());
        // A silent input is told as lost sound; nothing else is lost.
        const QSet<QString> told(tips.begin(), tips.end()),
            audioLost{"录屏错误提示：音频帧丢失[ERROR_SOURCE:AW]"};
        QCOMPARE(told, moment == "input stalled" ? audioLost : QSet<QString>());
        const MediaProbe probe = probeMedia(name);
        QVERIFY(probe.opened);
        QCOMPARE(probe.decodedFrames, backend->grabs);
        QVERIFY(probe.decodedFrames >= 1);
        QVERIFY(moment != "window closed" || probe.audioSamples > 0);
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("audioMode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("lostFrames");
        const QString refused = "录屏操作被拒绝：";
        const QString noMicrophone = refused + "未找到音频输入设备";
        const QString noInput = "录屏错误：音频输入设备初始化失败[ERROR_SOURCE:AW]";
        QTest::newRow("no microphone, mode 0") << "nomic" << 0 << noMicrophone << 0;
        QTest::newRow("no microphone, mode 2") << "nomic" << 2 << noMicrophone << 0;
        QTest::newRow("no microphone, system sound") << "nomic" << 1 << noInput << 0;
        QTest::newRow("input does not open") << "pcm" << 0 << noInput << 0;
        QTest::newRow("unknown container")
            << "x.notacontainer" << 0 << refused + "录制初始化失败" << 0;
        QTest::newRow("missing folder")
            << "gone/x.mp4" << 0 << refused + "新建录制文件失败，请确认存储文件夹权限" << 0;
        QTest::newRow("odd size") << "odd" << 0 << refused + "打开H264编码失败" << 0;
        QTest::newRow("no size") << "empty" << 0 << refused + "打开H264编码失败" << 0;
        QTest::newRow("no screen")
            << "screen" << 3 << "录屏错误：图像采集设备初始化失败[ERROR_SOURCE:VW]" << 0;
        // 200 losses are told as tips; the 201st ends the recording (takes 10 s).
        QTest::newRow("too many lost frames") << "grabs" << 3 << videoEnded << 200;
        // A failed read is a lost frame, never sound; the 431st ends the recording.
        QTest::newRow("failing reads")
            << "reads" << 0 << "录屏错误：音频录制异常，已强制停止[ERROR_SOURCE:AW]" << 430;
        // Trouble while recording is told at once, not after 200 lost frames, and told once.
        QTest::newRow("low disk") << "disk" << 0 << videoEnded << 0;
        QTest::newRow("folder gone") << "folder" << 0 << videoEnded << 0;
        // A real write failure: the file may not grow any more, as on a full disk.
        QTest::newRow("write fails") << "write" << 3 << videoEnded << 0;
    }
    void failuresAreReported()
    {
        QFETCH(QString, failure);
        QFETCH(int, audioMode);
        QFETCH(QString, message);
        QFETCH(int, lostFrames);
        setArea(failure == "odd"     ? QSize(1367, 769)
                : failure == "empty" ? QSize(0, 0)
                : failure == "write" ? QSize(640, 480)
                                     : QSize(320, 240),
                audioMode);
        backend->noisyScreen = failure == "write";
        backend->microphone = failure != "nomic";
        backend->pcmStarts = failure != "pcm";
        backend->screenReady = failure != "screen";
        backend->grabsFail = failure == "grabs";
        backend->pcmReadErrors = failure == "reads";
        if (failure.contains('.'))
            recorder->outputFileName = outDir + "/" + failure;
        QPixmap snapshot(100, 50); // of another size than the area
        snapshot.fill(QColor(200, 30, 30));
        recorder->startSnapshot = snapshot;
        recorder->start();
        const bool refused = message.startsWith("录屏操作被拒绝：");
        QCOMPARE(recorder->isRecording(), !refused);
        const bool midway = failure == "disk" || failure == "folder" || failure == "write";
        if (midway)
            QTest::qWait(failure == "disk" ? 1200 : 600);
        if (failure == "disk")
            backend->freeSpace = 1024 * 1024;
        if (failure == "folder")
            QVERIFY(QDir(outDir).removeRecursively());
        struct sigaction ignore = {}, previous = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &previous);
        rlimit saved = {};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        if (failure == "write")
            limit.rlim_cur = QFileInfo(recorder->outputFileName).size();
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool ended = finished(failure == "grabs" ? 30000 : midway ? 5000 : 15000);
        setrlimit(RLIMIT_FSIZE, &saved);
        sigaction(SIGXFSZ, &previous, nullptr);
        QVERIFY(ended);
        QCOMPARE(errors, QStringList{message});
        const QVector<QString> lost(lostFrames, message.endsWith("VW]")
                                                    ? "录屏错误提示：视频帧丢失[ERROR_SOURCE:VW]"
                                                    : "录屏错误提示：音频帧丢失[ERROR_SOURCE:AW]");
        QCOMPARE(tips, QStringList(lost.begin(), lost.end()));
        if (refused) {
            // A refused start leaves the recorder able to record.
            errors.clear();
            backend->microphone = true;
            recorder->outputFileName = outDir + "/next.mp4";
            setArea(QSize(240, 240));
            record(200);
            QVERIFY(stopped());
            QVERIFY(errors.isEmpty());
            return;
        }
        if (failure == "folder")
            return;
        // The other writer was stopped and the file finished.
        QVERIFY(QFileInfo::exists(recorder->outputFileName));
        if (failure == "screen" || failure == "write") // nothing more fits, not even the index
            return;
        const MediaProbe probe = output();
        QVERIFY(probe.opened);
        if (failure == "grabs") {
            // The snapshot, scaled to the area, stands in for every unread screen, the last too.
            QCOMPARE(probe.decodedFrames, lostFrames + 1);
            QVERIFY(nearColor(probe.lastFrame.pixelColor(300, 220), QColor(200, 30, 30), 12));
        }
        if (failure == "reads" || failure == "disk")
            QCOMPARE(probe.decodedFrames, backend->grabs);
        if (failure == "reads")
            QCOMPARE(probe.audioSamples, 0);
    }

    void sameSecondNeverOverwrites()
    {
        QFile earlier(recorder->outputFileName);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier recording");
        earlier.close();
        record(200);
        QVERIFY(stopped());
        QCOMPARE(recorder->outputFileName, outDir + "/20260101_1767225600_1.mp4");
        QVERIFY(output().opened);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier recording"));
    }
};

QTEST_MAIN(RecordingTest)
#include "tst_recording.moc"
