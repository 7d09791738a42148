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

private slots:
    void initTestCase() { av_log_set_level(AV_LOG_ERROR); }
    void init();
    void cleanup();
    void recordsPlayableFile_data();
    void recordsPlayableFile();
    void pauseLeavesNoGapAndNoSound();
    void stopAtAnyMoment_data();
    void stopAtAnyMoment();
    void refusals_data();
    void refusals();
    void writerFailures_data();
    void writerFailures();
    void tooManyLostFramesEndRecording();
    void snapshotOfAnotherSizeStandsIn();
    void stalledInputDoesNotHoldStop();
    void failingReadsEndRecording();
    void lowDiskEndsWithPlayableFile();
    void vanishedFolderIsReported();
    void failedWriteEndsRecording();
    void sameSecondNeverOverwrites();
    void closingWhileRecordingFinishesFile();
    void logoCorners_data();
    void logoCorners();

private:
    void makeRecorder(int width = 320, int height = 240, int audioMode = 0);
    bool finished(int timeoutMs = 15000);
    void record(int ms);

    std::unique_ptr<QTemporaryDir> dir;
    QString outDir;
    std::shared_ptr<FakeRecordingBackend> backend;
    std::unique_ptr<VideoRecorder> recorder;
    QStringList errors;
    QStringList tips;
};

void RecordingTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    appDataDir = dir->path();
    outDir = dir->path() + "/out";
    QDir().mkpath(outDir);
    QDir().mkpath(dir->path() + "/config");
    errors.clear();
    tips.clear();
}

void RecordingTest::cleanup()
{
    recorder.reset();
    backend.reset();
    dir.reset();
}

void RecordingTest::makeRecorder(int width, int height, int audioMode)
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

bool RecordingTest::finished(int timeoutMs)
{
    return QTest::qWaitFor([this] { return !recorder->isRecording(); }, timeoutMs);
}

void RecordingTest::record(int ms)
{
    recorder->start();
    QVERIFY(recorder->isRecording());
    QTest::qWait(ms);
}

void RecordingTest::recordsPlayableFile_data()
{
    QTest::addColumn<int>("audioMode");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("microphone") << 0 << 320 << 240;
    QTest::newRow("both sounds") << 2 << 320 << 240;
    QTest::newRow("no sound, 1366 wide") << 3 << 1366 << 768;
}

void RecordingTest::recordsPlayableFile()
{
    QFETCH(int, audioMode);
    QFETCH(int, width);
    QFETCH(int, height);
    makeRecorder(width, height, audioMode);
    record(1500);
    const qint64 stopMs = backend->log->clock.elapsed();
    recorder->stop();
    QVERIFY(finished());
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QVERIFY(tips.isEmpty());

    const MediaProbe probe = probeMedia(recorder->outputFileName);
    QVERIFY(probe.opened);
    QCOMPARE(probe.videoCodec, AV_CODEC_ID_H264);
    QCOMPARE(probe.width, width);
    QCOMPARE(probe.height, height);
    QCOMPARE(probe.pixelFormat, int(AV_PIX_FMT_YUV420P));
    QCOMPARE(probe.frameRate, 20.0);
    // Every picture taken is in the file: nothing stays behind in the encoder.
    QCOMPARE(probe.decodedFrames, backend->log->grabs);
    QCOMPARE(probe.videoTimes.size(), backend->log->grabs);
    const QColor last = backend->log->lastColor;
    QVERIFY(qAbs(probe.lastFrameColor.red() - last.red()) < 12);
    QVERIFY(qAbs(probe.lastFrameColor.green() - last.green()) < 12);
    QVERIFY(qAbs(probe.lastFrameColor.blue() - last.blue()) < 12);
    // Pictures are taken up to the stop, and the file lasts at least as long as they were taken
    // and at most one frame longer than the recording ran (a first grab delayed by a loaded
    // machine still counts from the start, so the grabs' own span is only a lower bound).
    QVERIFY(stopMs - backend->log->lastGrabMs < 250);
    const double grabbed = (backend->log->lastGrabMs - backend->log->firstGrabMs) / 1000.0;
    const double ran = stopMs / 1000.0;
    QVERIFY2(probe.videoDuration > grabbed && probe.videoDuration <= ran + 0.05 + 0.01,
             qPrintable(QStringLiteral("%1 s for grabs over %2 s in a run of %3 s")
                            .arg(probe.videoDuration)
                            .arg(grabbed)
                            .arg(ran)));
    for (int i = 1; i < probe.videoTimes.size(); ++i)
        QVERIFY(probe.videoTimes[i] > probe.videoTimes[i - 1]);

    if (audioMode == 3) {
        QCOMPARE(probe.streams, 1);
        return;
    }
    QCOMPARE(probe.streams, 2);
    QCOMPARE(probe.audioCodec, AV_CODEC_ID_AAC);
    QCOMPARE(probe.sampleRate, 44100);
    QCOMPARE(probe.channels, 2);
    QVERIFY2(qAbs(probe.audioDuration() - probe.videoDuration) < 0.1,
             qPrintable(QString::number(probe.audioDuration())));
    QVERIFY(probe.audioPeak > 0.2 && probe.audioPeak < 0.35);
}

void RecordingTest::pauseLeavesNoGapAndNoSound()
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
    recorder->stop();
    QVERIFY(finished());
    QVERIFY(errors.isEmpty());

    const MediaProbe probe = probeMedia(recorder->outputFileName);
    QVERIFY(probe.opened);
    QVERIFY(stopMs - backend->log->lastGrabMs < 250);
    const double recorded =
        (backend->log->lastGrabMs - backend->log->firstGrabMs - pauseMs) / 1000.0;
    QVERIFY2(qAbs(probe.videoDuration - recorded) <= 0.05 + 0.03,
             qPrintable(QStringLiteral("%1 s for %2 s").arg(probe.videoDuration).arg(recorded)));
    // No hole where the pause was: consecutive frames stay within two frame times.
    for (int i = 1; i < probe.videoTimes.size(); ++i)
        QVERIFY(probe.videoTimes[i] - probe.videoTimes[i - 1] < 0.101);
    // The loud sound made while paused is not in the file, neither then nor after resume.
    QVERIFY2(probe.audioPeak < 0.5, qPrintable(QString::number(probe.audioPeak)));
    QVERIFY(qAbs(probe.audioDuration() - probe.videoDuration) < 0.1);
}

void RecordingTest::stopAtAnyMoment_data()
{
    QTest::addColumn<QString>("moment");
    QTest::newRow("right after start") << "start";
    QTest::newRow("twice in a row") << "twice";
    QTest::newRow("while paused") << "paused";
}

void RecordingTest::stopAtAnyMoment()
{
    QFETCH(QString, moment);
    makeRecorder();
    recorder->start();
    if (moment == "twice") {
        QTest::qWait(300);
        recorder->stop();
    } else if (moment == "paused") {
        QTest::qWait(300);
        recorder->pause();
        QTest::qWait(100);
    }
    recorder->stop();
    QVERIFY(finished());
    recorder->stop(); // nothing left to stop: no signal, no message
    QVERIFY(errors.isEmpty());
    const MediaProbe probe = probeMedia(recorder->outputFileName);
    QVERIFY(probe.opened);
    QCOMPARE(probe.decodedFrames, backend->log->grabs);
    QVERIFY(probe.decodedFrames >= 1);
}

void RecordingTest::refusals_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");
    QTest::newRow("still closing") << "busy"
                                   << "录屏操作被拒绝：上一次录屏操作还未退出";
    QTest::newRow("no microphone, mode 0") << "nomic0"
                                           << "录屏操作被拒绝：未找到音频输入设备";
    QTest::newRow("no microphone, mode 2") << "nomic2"
                                           << "录屏操作被拒绝：未找到音频输入设备";
    QTest::newRow("unknown container") << "suffix"
                                       << "录屏操作被拒绝：录制初始化失败";
    QTest::newRow("missing folder") << "folder"
                                    << "录屏操作被拒绝：新建录制文件失败，请确认存储文件夹权限";
    QTest::newRow("odd size") << "odd"
                              << "录屏操作被拒绝：打开H264编码失败";
    QTest::newRow("no size") << "empty"
                             << "录屏操作被拒绝：打开H264编码失败";
}

void RecordingTest::refusals()
{
    QFETCH(QString, situation);
    QFETCH(QString, message);
    makeRecorder(situation == "odd"     ? 1367
                 : situation == "empty" ? 0
                                        : 320,
                 situation == "odd"     ? 769
                 : situation == "empty" ? 0
                                        : 240,
                 situation == "nomic2" ? 2 : 0);
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
    recorder->stop();
    QVERIFY(finished());
    QVERIFY(errors.isEmpty());
}

void RecordingTest::writerFailures_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("audioMode");
    QTest::addColumn<QString>("message");
    QTest::newRow("system sound, no microphone")
        << "nomic" << 1 << "录屏错误：音频输入设备初始化失败[ERROR_SOURCE:AW]";
    QTest::newRow("input does not open")
        << "pcm" << 0 << "录屏错误：音频输入设备初始化失败[ERROR_SOURCE:AW]";
    QTest::newRow("no screen") << "screen" << 3
                               << "录屏错误：图像采集设备初始化失败[ERROR_SOURCE:VW]";
}

void RecordingTest::writerFailures()
{
    QFETCH(QString, failure);
    QFETCH(int, audioMode);
    QFETCH(QString, message);
    makeRecorder(320, 240, audioMode);
    backend->microphone = failure != "nomic";
    backend->pcmStarts = failure != "pcm";
    backend->screenReady = failure != "screen";
    recorder->start();
    QVERIFY(finished());
    QCOMPARE(errors, QStringList{message});
    // The other writer was stopped and the file finished.
    QVERIFY(QFileInfo::exists(recorder->outputFileName));
    if (failure != "screen")
        QVERIFY(probeMedia(recorder->outputFileName).opened);
}

void RecordingTest::tooManyLostFramesEndRecording()
{
    makeRecorder(320, 240, 3);
    backend->grabsFail = true;
    recorder->start();
    QVERIFY(finished(30000));
    QCOMPARE(errors, QStringList{"录屏错误：视频录制异常，已强制停止[ERROR_SOURCE:VW]"});
    // 200 losses are told as tips; the 201st ends the recording.
    QCOMPARE(tips.size(), 200);
    QCOMPARE(tips.first(), QStringLiteral("录屏错误提示：视频帧丢失[ERROR_SOURCE:VW]"));
}

void RecordingTest::snapshotOfAnotherSizeStandsIn()
{
    makeRecorder(320, 240, 3);
    backend->grabsFail = true;
    QPixmap snapshot(100, 50);
    snapshot.fill(QColor(200, 30, 30));
    recorder->startSnapshot = snapshot;
    record(300);
    recorder->stop();
    QVERIFY(finished());
    // The screen could not be read: the snapshot, scaled to the area, fills in.
    const MediaProbe probe = probeMedia(recorder->outputFileName, QPoint(300, 220));
    QVERIFY(probe.decodedFrames >= 1);
    QVERIFY(qAbs(probe.lastFrameColor.red() - 200) < 12);
    QVERIFY(qAbs(probe.lastFrameColor.green() - 30) < 12);
    QCOMPARE(tips.size(), probe.decodedFrames);
}

void RecordingTest::stalledInputDoesNotHoldStop()
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

void RecordingTest::failingReadsEndRecording()
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

void RecordingTest::lowDiskEndsWithPlayableFile()
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

void RecordingTest::vanishedFolderIsReported()
{
    makeRecorder();
    record(500);
    QVERIFY(QDir(outDir).removeRecursively());
    QVERIFY(finished(5000));
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.first().startsWith("录屏错误："));
}

void RecordingTest::failedWriteEndsRecording()
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

void RecordingTest::sameSecondNeverOverwrites()
{
    makeRecorder();
    const QString name = recorder->outputFileName;
    QFile earlier(name);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier recording");
    earlier.close();
    record(200);
    recorder->stop();
    QVERIFY(finished());
    QCOMPARE(recorder->outputFileName, outDir + "/20260101_1767225600_1.mp4");
    QVERIFY(probeMedia(recorder->outputFileName).opened);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier recording"));
}

void RecordingTest::closingWhileRecordingFinishesFile()
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

void RecordingTest::logoCorners_data()
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

void RecordingTest::logoCorners()
{
    QFETCH(int, corner);
    QFETCH(QPoint, position);
    QPoint at(-1, -1);
    const bool drawn = VideoWriter::logoPosition(corner, QSize(1280, 720), QSize(100, 40), 8, &at);
    QCOMPARE(drawn, position.x() >= 0);
    QCOMPARE(at, position);
}

QTEST_MAIN(RecordingTest)
#include "tst_recording.moc"
