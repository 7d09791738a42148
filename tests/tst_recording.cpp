#include <QtTest>

#include <sys/resource.h>
#include <csignal>

#include "app/globals.h"
#include "recording/videorecorder.h"
#include "recording/videowriter.h"

#include "mediaprobe.h"
#include "recordingfakes.h"

// The recording engine end to end: synthetic screen and sine microphone in, the MP4 decoded
// back with libavformat and libavcodec.
class RecordingTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString outDir;
    std::shared_ptr<FakeRecordingBackend> backend;
    std::unique_ptr<VideoRecorder> recorder;
    QStringList errors;
    QStringList tips;

    void makeRecorder(int width = 320, int height = 240, int audioMode = 0)
    {
        backend = std::make_shared<FakeRecordingBackend>();
        backend->log->clock.start();
        recorder = std::make_unique<VideoRecorder>();
        recorder->setBackend(backend);
        recorder->areaX = 10;
        recorder->areaY = 20;
        recorder->areaWidth = recorder->outputWidth = width;
        recorder->areaHeight = recorder->outputHeight = height;
        recorder->audioMode = audioMode;
        recorder->outputFileName = outDir + "/20260101_1767225600.mp4";
        connect(recorder.get(), &VideoRecorder::recorderStopError, this,
                [this](const QString &text) { errors << text; });
        connect(recorder.get(), &VideoRecorder::recorderTipError, this,
                [this](const QString &text) { tips << text; });
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
        recorder->start();
        QVERIFY(recorder->isRecording());
        QTest::qWait(ms);
    }

private slots:
    void initTestCase() { av_log_set_level(AV_LOG_ERROR); }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        appDataDir = dir->path();
        outDir = dir->path() + "/out";
        QDir().mkpath(outDir);
        QDir().mkpath(dir->path() + "/config");
        errors.clear();
        tips.clear();
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
        QTest::newRow("microphone") << 0 << QSize(320, 240);
        QTest::newRow("both sounds") << 2 << QSize(320, 240);
        QTest::newRow("no sound, 1366 wide") << 3 << QSize(1366, 768);
    }
    void recordsPlayableFile()
    {
        QFETCH(int, audioMode);
        QFETCH(QSize, size);
        makeRecorder(size.width(), size.height(), audioMode);
        record(1500);
        const qint64 stopMs = backend->log->clock.elapsed();
        QVERIFY(stopped());
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QVERIFY(tips.isEmpty());

        const MediaProbe probe = probeMedia(recorder->outputFileName);
        QVERIFY(probe.opened);
        QCOMPARE(probe.videoCodec, AV_CODEC_ID_H264);
        QCOMPARE(QSize(probe.width, probe.height), size);
        QCOMPARE(probe.pixelFormat, int(AV_PIX_FMT_YUV420P));
        QCOMPARE(probe.frameRate, 20.0);
        // Every picture taken is in the file: nothing stays behind in the encoder.
        QCOMPARE(probe.decodedFrames, backend->log->grabs);
        QCOMPARE(probe.videoTimes.size(), backend->log->grabs);
        QVERIFY(nearColor(probe.lastFrameColor, backend->log->lastColor, 12));
        // The file lasts at least as long as pictures were taken and at most one frame longer
        // than the run (a first grab delayed by a loaded machine still counts from the start).
        QVERIFY(stopMs - backend->log->lastGrabMs < 250);
        const double grabbed = (backend->log->lastGrabMs - backend->log->firstGrabMs) / 1000.0;
        const double ran = stopMs / 1000.0;
        QVERIFY2(probe.videoDuration > grabbed && probe.videoDuration <= ran + 0.05 + 0.01,
                 qPrintable(QString::asprintf("%g s for grabs over %g s in a run of %g s",
                                              probe.videoDuration, grabbed, ran)));
        for (int i = 1; i < probe.videoTimes.size(); ++i)
            QVERIFY(probe.videoTimes[i] > probe.videoTimes[i - 1]);

        QCOMPARE(probe.streams, audioMode == 3 ? 1 : 2);
        if (audioMode == 3)
            return;
        QCOMPARE(probe.audioCodec, AV_CODEC_ID_AAC);
        QCOMPARE(probe.sampleRate, 44100);
        QCOMPARE(probe.channels, 2);
        QVERIFY2(qAbs(probe.audioDuration() - probe.videoDuration) < 0.1,
                 qPrintable(QString::number(probe.audioDuration())));
        QVERIFY(probe.audioPeak > 0.2 && probe.audioPeak < 0.35);
    }

    void pauseLeavesNoGapAndNoSound()
    {
        makeRecorder();
        record(600);
        recorder->pause();
        const qint64 pausedAt = backend->log->clock.elapsed();
        QTest::qWait(50);
        backend->log->marker = true;
        QTest::qWait(700);
        backend->log->marker = false;
        QTest::qWait(50);
        const qint64 pauseMs = backend->log->clock.elapsed() - pausedAt;
        recorder->resume();
        QTest::qWait(600);
        const qint64 stopMs = backend->log->clock.elapsed();
        QVERIFY(stopped());
        QVERIFY(errors.isEmpty());

        const MediaProbe probe = probeMedia(recorder->outputFileName);
        QVERIFY(probe.opened);
        QVERIFY(stopMs - backend->log->lastGrabMs < 250);
        const double recorded =
            (backend->log->lastGrabMs - backend->log->firstGrabMs - pauseMs) / 1000.0;
        QVERIFY2(
            qAbs(probe.videoDuration - recorded) <= 0.05 + 0.03,
            qPrintable(QStringLiteral("%1 s for %2 s").arg(probe.videoDuration).arg(recorded)));
        // No hole where the pause was: consecutive frames stay within two frame times.
        for (int i = 1; i < probe.videoTimes.size(); ++i)
            QVERIFY(probe.videoTimes[i] - probe.videoTimes[i - 1] < 0.101);
        // The loud sound made while paused is not in the file, neither then nor after resume.
        QVERIFY2(probe.audioPeak < 0.5, qPrintable(QString::number(probe.audioPeak)));
        QVERIFY(qAbs(probe.audioDuration() - probe.videoDuration) < 0.1);
    }

    void stopAtAnyMoment_data()
    {
        QTest::addColumn<QString>("moment");
        QTest::newRow("right after start") << "start";
        QTest::newRow("twice in a row") << "twice";
        QTest::newRow("while paused") << "paused";
    }
    void stopAtAnyMoment()
    {
        QFETCH(QString, moment);
        makeRecorder();
        recorder->start();
        if (moment != "start")
            QTest::qWait(300);
        if (moment == "twice")
            recorder->stop();
        if (moment == "paused") {
            recorder->pause();
            QTest::qWait(100);
        }
        QVERIFY(stopped());
        recorder->stop(); // nothing left to stop: no signal, no message
        QVERIFY(errors.isEmpty());
        const MediaProbe probe = probeMedia(recorder->outputFileName);
        QVERIFY(probe.opened);
        QCOMPARE(probe.decodedFrames, backend->log->grabs);
        QVERIFY(probe.decodedFrames >= 1);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("message");
        const QString refused = "录屏操作被拒绝：";
        QTest::newRow("still closing") << "busy" << refused + "上一次录屏操作还未退出";
        QTest::newRow("no microphone, mode 0") << "nomic0" << refused + "未找到音频输入设备";
        QTest::newRow("no microphone, mode 2") << "nomic2" << refused + "未找到音频输入设备";
        QTest::newRow("unknown container") << "suffix" << refused + "录制初始化失败";
        QTest::newRow("missing folder")
            << "folder" << refused + "新建录制文件失败，请确认存储文件夹权限";
        QTest::newRow("odd size") << "odd" << refused + "打开H264编码失败";
        QTest::newRow("no size") << "empty" << refused + "打开H264编码失败";
    }
    void refusals()
    {
        QFETCH(QString, situation);
        QFETCH(QString, message);
        const QSize size = situation == "odd"     ? QSize(1367, 769)
                           : situation == "empty" ? QSize(0, 0)
                                                  : QSize(320, 240);
        makeRecorder(size.width(), size.height(), situation == "nomic2" ? 2 : 0);
        backend->microphone = !situation.startsWith("nomic");
        if (situation == "suffix")
            recorder->outputFileName = outDir + "/x.notacontainer";
        if (situation == "folder")
            recorder->outputFileName = outDir + "/gone/x.mp4";
        if (situation == "busy") {
            recorder->start();
            recorder->stop(); // the writers are still closing when the next start comes
            const QString first = recorder->outputFileName;
            recorder->start();
            QCOMPARE(errors, QStringList{message});
            QVERIFY(finished());
            QCOMPARE(recorder->outputFileName, first);
            QVERIFY(probeMedia(first).opened);
            return;
        }
        recorder->start();
        QCOMPARE(errors, QStringList{message});
        QVERIFY(!recorder->isRecording());
        // A refused start leaves the recorder able to record.
        errors.clear();
        backend->microphone = true;
        recorder->outputFileName = outDir + "/next.mp4";
        recorder->areaWidth = recorder->outputWidth = 240;
        recorder->areaHeight = recorder->outputHeight = 240;
        record(200);
        QVERIFY(stopped());
        QVERIFY(errors.isEmpty());
    }

    void writerFailures_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("audioMode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("lostFrames");
        const QString audio = "录屏错误：音频输入设备初始化失败[ERROR_SOURCE:AW]";
        QTest::newRow("system sound, no microphone") << "nomic" << 1 << audio << 0;
        QTest::newRow("input does not open") << "pcm" << 0 << audio << 0;
        QTest::newRow("no screen")
            << "screen" << 3 << "录屏错误：图像采集设备初始化失败[ERROR_SOURCE:VW]" << 0;
        // 200 losses are told as tips; the 201st ends the recording (takes 10 s).
        QTest::newRow("too many lost frames")
            << "grabs" << 3 << "录屏错误：视频录制异常，已强制停止[ERROR_SOURCE:VW]" << 200;
    }
    void writerFailures()
    {
        QFETCH(QString, failure);
        QFETCH(int, audioMode);
        QFETCH(QString, message);
        QFETCH(int, lostFrames);
        makeRecorder(320, 240, audioMode);
        backend->microphone = failure != "nomic";
        backend->pcmStarts = failure != "pcm";
        backend->screenReady = failure != "screen";
        backend->grabsFail = failure == "grabs";
        recorder->start();
        QVERIFY(finished(lostFrames ? 30000 : 15000));
        QCOMPARE(errors, QStringList{message});
        const QVector<QString> lost(lostFrames, "录屏错误提示：视频帧丢失[ERROR_SOURCE:VW]");
        QCOMPARE(tips, QStringList(lost.begin(), lost.end()));
        // The other writer was stopped and the file finished.
        QVERIFY(QFileInfo::exists(recorder->outputFileName));
        if (failure != "screen")
            QVERIFY(probeMedia(recorder->outputFileName).opened);
    }

    void snapshotOfAnotherSizeStandsIn()
    {
        makeRecorder(320, 240, 3);
        backend->grabsFail = true;
        QPixmap snapshot(100, 50);
        snapshot.fill(QColor(200, 30, 30));
        recorder->startSnapshot = snapshot;
        record(300);
        QVERIFY(stopped());
        // The screen could not be read: the snapshot, scaled to the area, fills in.
        const MediaProbe probe = probeMedia(recorder->outputFileName, QPoint(300, 220));
        QVERIFY(probe.decodedFrames >= 1);
        QVERIFY(nearColor(probe.lastFrameColor, QColor(200, 30, 30), 12));
        QCOMPARE(tips.size(), probe.decodedFrames);
    }

    void stalledInputDoesNotHoldStop()
    {
        makeRecorder();
        backend->pcmSilent = true;
        record(1300);
        QElapsedTimer stopping;
        stopping.start();
        recorder->stop();
        QVERIFY(finished(3000));
        QVERIFY(stopping.elapsed() < 3000);
        QVERIFY(errors.isEmpty());
        QCOMPARE(tips.last(), QStringLiteral("录屏错误提示：音频帧丢失[ERROR_SOURCE:AW]"));
        QVERIFY(probeMedia(recorder->outputFileName).decodedFrames > 0);
    }

    void failingReadsEndRecording()
    {
        makeRecorder();
        backend->pcmReadErrors = true;
        recorder->start();
        QVERIFY(finished(15000));
        // A failed read is a lost frame, never sound; the 431st ends the recording.
        QCOMPARE(errors, QStringList{"录屏错误：音频录制异常，已强制停止[ERROR_SOURCE:AW]"});
        QCOMPARE(tips.size(), 430);
        const MediaProbe probe = probeMedia(recorder->outputFileName);
        QCOMPARE(probe.decodedFrames, backend->log->grabs);
        QCOMPARE(probe.audioSamples, 0);
    }

    void lowDiskEndsWithPlayableFile()
    {
        makeRecorder();
        record(1200);
        backend->freeSpace = 1024 * 1024;
        QVERIFY(finished(5000));
        QCOMPARE(errors, QStringList{"录屏错误：视频录制异常，已强制停止[ERROR_SOURCE:VW]"});
        const MediaProbe probe = probeMedia(recorder->outputFileName);
        QVERIFY(probe.opened);
        QCOMPARE(probe.decodedFrames, backend->log->grabs);
    }

    void vanishedFolderIsReported()
    {
        makeRecorder();
        record(500);
        QVERIFY(QDir(outDir).removeRecursively());
        QVERIFY(finished(5000));
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().startsWith("录屏错误："));
    }

    void failedWriteEndsRecording()
    {
        // A real write failure: the file may not grow any more, as on a full disk.
        makeRecorder(640, 480, 3);
        backend->noisyScreen = true;
        record(600);
        struct sigaction ignore = {}, previous = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &previous);
        rlimit saved = {};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = QFileInfo(recorder->outputFileName).size();
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool ended = finished(5000);
        setrlimit(RLIMIT_FSIZE, &saved);
        sigaction(SIGXFSZ, &previous, nullptr);
        QVERIFY(ended);
        // Told at once, not after 200 lost frames, and told once.
        QCOMPARE(errors, QStringList{"录屏错误：视频录制异常，已强制停止[ERROR_SOURCE:VW]"});
        QVERIFY(tips.isEmpty());
    }

    void sameSecondNeverOverwrites()
    {
        makeRecorder();
        QFile earlier(recorder->outputFileName);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier recording");
        earlier.close();
        record(200);
        QVERIFY(stopped());
        QCOMPARE(recorder->outputFileName, outDir + "/20260101_1767225600_1.mp4");
        QVERIFY(probeMedia(recorder->outputFileName).opened);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier recording"));
    }

    void closingWhileRecordingFinishesFile()
    {
        makeRecorder();
        record(800);
        const QString name = recorder->outputFileName;
        QElapsedTimer closing;
        closing.start();
        recorder.reset();
        QVERIFY(closing.elapsed() < 5000);
        const MediaProbe probe = probeMedia(name);
        QVERIFY(probe.opened);
        QCOMPARE(probe.decodedFrames, backend->log->grabs);
        QVERIFY(probe.audioSamples > 0);
    }

    void logoCorners_data()
    {
        QTest::addColumn<int>("corner");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("top-left") << 1 << QPoint(8, 8);
        QTest::newRow("top-right") << 2 << QPoint(1280 - 100 - 8, 8);
        QTest::newRow("bottom-right") << 3 << QPoint(1280 - 100 - 8, 720 - 40 - 8);
        QTest::newRow("bottom-left") << 4 << QPoint(8, 720 - 40 - 8);
        QTest::newRow("none") << 0 << QPoint(-1, -1);
        QTest::newRow("unknown") << 5 << QPoint(-1, -1);
    }
    void logoCorners()
    {
        QFETCH(int, corner);
        QFETCH(QPoint, position);
        QPoint at(-1, -1);
        QCOMPARE(VideoWriter::logoPosition(corner, QSize(1280, 720), QSize(100, 40), 8, &at),
                 position.x() >= 0);
        QCOMPARE(at, position);
    }
};

QTEST_MAIN(RecordingTest)
#include "tst_recording.moc"
