#include <QtTest>

#include <sys/resource.h>
#include <csignal>
#include <optional>

#include "base/globals.h"
#include "platform/castpixels.h"
#include "recording/videorecorder.h"

#include "mediaprobe.h"
#include "recordingfakes.h"

static const QString videoEnded = "录屏错误：视频录制异常，已强制停止[ERROR_SOURCE:VW]";
static const QString audioLost = "录屏错误提示：音频帧丢失[ERROR_SOURCE:AW]";
static const QString soundMissing =
    "录屏已保存，但录制中音频输入中断，部分时段没有声音[ERROR_SOURCE:AW]";

Q_DECLARE_METATYPE(CastPixelFormat)

// The recording engine end to end: synthetic screen and sine microphone in, the MP4 decoded
// back with libavformat and libavcodec.
// Caps the size of the files this process writes, with SIGXFSZ ignored so that a write past the
// cap fails instead of killing the test; no cap keeps the limit as it is. Both return at the end.
class FileSizeCap
{
public:
    explicit FileSizeCap(std::optional<rlim_t> cap)
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &previous);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        if (cap)
            limit.rlim_cur = *cap;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeCap()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        sigaction(SIGXFSZ, &previous, nullptr);
    }
    FileSizeCap(const FileSizeCap &) = delete;
    FileSizeCap &operator=(const FileSizeCap &) = delete;

private:
    struct sigaction previous = {};
    rlimit saved = {};
};

class RecordingTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString outDir;
    std::shared_ptr<FakeRecordingBackend> backend;
    std::unique_ptr<VideoRecorder> recorder;
    RecordingOptions options;
    QStringList errors, tips;

    void setArea(QSize size)
    {
        options.areaWidth = options.outputWidth = size.width();
        options.areaHeight = options.outputHeight = size.height();
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
        options = RecordingOptions();
        setArea(QSize(320, 240));
        options.outputFileName = outDir + "/20260101_1767225600.mp4";
        connect(recorder.get(), &VideoRecorder::recorderStopError, this,
                [this](const QString &text) { errors << text; });
        connect(recorder.get(), &VideoRecorder::recorderFileNotice, this,
                [this](const QString &text) { errors << text; });
        connect(recorder.get(), &VideoRecorder::recorderTipError, this,
                [this](const QString &text) { tips << text; });
    }
    void cleanup()
    {
        backend->pcmStartReleased = true;
        QTRY_COMPARE(backend->pcmStartsBlocked.load(), 0);
        QVERIFY2(!backend->pcmStartReleaseMissed,
                 "a blocked microphone start gave up waiting for its release");
        recorder.reset();
        backend.reset();
        dir.reset();
    }

    // Every 32-bit layout a screen cast may send comes out as the same opaque colours.
    void screenCastLayouts_data()
    {
        QTest::addColumn<CastPixelFormat>("format");
        QTest::addColumn<QByteArray>("pixels"); // 0x123456 then 0xABCDEF, junk in x and alpha
        QTest::newRow("BGRx") << CastPixelFormat::BGRx
                              << QByteArray("\x56\x34\x12\x00\xEF\xCD\xAB\x07", 8);
        QTest::newRow("BGRA") << CastPixelFormat::BGRA
                              << QByteArray("\x56\x34\x12\x80\xEF\xCD\xAB\x00", 8);
        QTest::newRow("RGBx") << CastPixelFormat::RGBx
                              << QByteArray("\x12\x34\x56\x00\xAB\xCD\xEF\x07", 8);
        QTest::newRow("RGBA") << CastPixelFormat::RGBA
                              << QByteArray("\x12\x34\x56\x80\xAB\xCD\xEF\x00", 8);
        QTest::newRow("xRGB") << CastPixelFormat::xRGB
                              << QByteArray("\x00\x12\x34\x56\x07\xAB\xCD\xEF", 8);
        QTest::newRow("xBGR") << CastPixelFormat::xBGR
                              << QByteArray("\x00\x56\x34\x12\x07\xEF\xCD\xAB", 8);
    }
    void screenCastLayouts()
    {
        QFETCH(CastPixelFormat, format);
        QFETCH(QByteArray, pixels);
        QImage row(2, 1, QImage::Format_RGB32);
        castRowToRgb32(reinterpret_cast<const uchar *>(pixels.constData()), row.scanLine(0), 2,
                       format);
        QCOMPARE(row.pixel(0, 0), 0xFF123456u);
        QCOMPARE(row.pixel(1, 0), 0xFFABCDEFu);
    }

    void recordsPlayableFile_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("pause");
        QTest::addColumn<int>("grabMs");
        QTest::addColumn<bool>("tellsRead");
        QTest::addColumn<int>("syncStallMs");
        QTest::newRow("1366 wide") << QSize(1366, 768) << false << 0 << false << 0;
        // Loud sound made while paused must be neither recorded then nor played after resume.
        QTest::newRow("paused") << QSize(320, 240) << true << 0 << false << 0;
        QTest::newRow("slow grabs") << QSize(320, 240) << false << 70 << false << 0;
        QTest::newRow("slow grabs read first") << QSize(320, 240) << false << 70 << true << 0;
        // The file's sync to the disk stalls for a moment; the screen is read on time.
        QTest::newRow("disk stalls") << QSize(320, 240) << false << 0 << false << 400;
    }
    void recordsPlayableFile()
    {
        QFETCH(QSize, size);
        QFETCH(bool, pause);
        QFETCH(int, grabMs);
        QFETCH(bool, tellsRead);
        QFETCH(int, syncStallMs);
        setArea(size);
        backend->syncStallMs = syncStallMs;
        backend->grabMs = grabMs;
        backend->tellsReadMoment = tellsRead;
        // A recording of the same second before: it gets a new name, never overwritten.
        QFile earlier(options.outputFileName);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier recording");
        earlier.close();
        qint64 pauseMs = 0, pausedAt = 0, resumedAt = 0;
        backend->clock.restart();
        recorder->start(options);
        const qint64 startedMs = backend->clock.elapsed();
        QVERIFY(recorder->isRecording());
        QTest::qWait(pause ? 600 : 1500);
        if (pause) {
            recorder->pause();
            pausedAt = backend->clock.elapsed();
            QTest::qWait(50);
            backend->markerFromMs = backend->clock.elapsed();
            QTest::qWait(700);
            backend->markerToMs = backend->clock.elapsed();
            QTest::qWait(50);
            resumedAt = backend->clock.elapsed();
            pauseMs = resumedAt - pausedAt;
            recorder->resume();
            QTest::qWait(600);
        }
        const qint64 stopMs = backend->clock.elapsed();
        QVERIFY(stopped());
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QVERIFY(tips.isEmpty());
        QCOMPARE(recorder->options().outputFileName, outDir + "/20260101_1767225600_1.mp4");
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier recording"));

        const MediaProbe probe = probeMedia(recorder->options().outputFileName);
        QVERIFY(probe.opened);
        QCOMPARE(probe.streams, 2);
        QCOMPARE(probe.video,
                 QString::asprintf("h264 yuv420p %dx%d 20 fps", size.width(), size.height()));
        QCOMPARE(probe.audio, "aac 44100 Hz 2 channels");
        // Every picture taken is in the file: nothing stays behind in the encoder.
        QCOMPARE(probe.decodedFrames, backend->grabs);
        QVERIFY(nearColor(probe.lastFrame.pixelColor(8, 8), backend->lastColor, 12));
        // The picture lasts up to the stop (the time line starts within start()) and at most one
        // frame longer than the run, paused time left out; without a pause, at least as long as
        // pictures were taken (a first grab delayed by a loaded machine still counts from the
        // start).
        const double grabbed = (backend->lastGrabMs - backend->firstGrabMs - pauseMs) / 1000.0;
        const double ran = (stopMs - pauseMs) / 1000.0;
        const QString times = QString::asprintf("%g s for grabs over %g s in a run of %g s",
                                                probe.videoDuration, grabbed, ran);
        QVERIFY2(probe.videoDuration > ran - startedMs / 1000.0 - 0.01 &&
                     probe.videoDuration <= ran + 0.05 + 0.01 &&
                     (pause || probe.videoDuration > grabbed),
                 qPrintable(times));
        for (int i = 1; i < probe.videoTimes.size(); ++i) {
            QVERIFY(probe.videoTimes[i] > probe.videoTimes[i - 1]);
            // No hole where the pause was: frames lie as far apart as their reads did, paused
            // time left out, give or take a frame.
            const qint64 paused = qMax<qint64>(
                0, qMin(backend->readMs[i], resumedAt) - qMax(backend->readMs[i - 1], pausedAt));
            const double readApart =
                (backend->readMs[i] - backend->readMs[i - 1] - paused) / 1000.0;
            QVERIFY(probe.videoTimes[i] - probe.videoTimes[i - 1] < readApart + 0.1);
        }
        QVERIFY(!syncStallMs || backend->syncStalled); // the disk did stall mid-recording
        for (int i = 1; syncStallMs && i < backend->readMs.size(); ++i) {
            QVERIFY2(backend->readMs[i] - backend->readMs[i - 1] < 250,
                     qPrintable(QString::asprintf("read at %lld ms after one at %lld ms",
                                                  backend->readMs[i], backend->readMs[i - 1])));
        }
        // Each frame is stamped with the frame time in which its pixels were read, however long
        // the grab took (the time line starts within start()); one taken at the stop is read late,
        // and the file shows the first one from its start on.
        for (int i = 1; !pause && i < probe.videoTimes.size(); ++i) {
            const double late = backend->readMs[i] / 1000.0 - probe.videoTimes[i];
            QVERIFY2(
                backend->readMs[i] > stopMs || (late > -0.01 && late < 0.05 + startedMs / 1000.0),
                qPrintable(QString::asprintf("frame %d stamped %g s, read at %g s", i,
                                             probe.videoTimes[i], backend->readMs[i] / 1000.0)));
        }
        // The microphone is opened in the thread that reads it, never in the window's.
        QVERIFY(backend->pcmStartThread && backend->pcmStartThread != QThread::currentThread());
        QVERIFY2(qAbs(probe.audioDuration() - probe.videoDuration) < 0.1,
                 qPrintable(QString::number(probe.audioDuration())));
        QVERIFY2(probe.audioPeak > 0.2 && probe.audioPeak < 0.35,
                 qPrintable(QString::number(probe.audioPeak)));
    }

    // A real microphone's first sound comes a second or more after the start, in bursts, and a
    // device can lose a stretch or go for good: the sound keeps to the picture's time line all
    // the same, within one frame, also across a pause; what never came is silence.
    void lateOrLostSoundStaysInSync_data()
    {
        using Stretches = FakeRecordingState::Stretches;
        QTest::addColumn<int>("lateMs");
        QTest::addColumn<int>("burstMs");
        QTest::addColumn<Stretches>("lost");
        QTest::addColumn<Stretches>("marks");
        QTest::addColumn<Stretches>("pauses");
        QTest::addColumn<int>("stopMs");
        QTest::newRow("first sound late")
            << 1300 << 0 << Stretches{} << Stretches{{1600, 1900}, {2600, 2900}} << Stretches{}
            << 3300;
        QTest::newRow("bursts") << 300 << 400 << Stretches{} << Stretches{{900, 1200}, {2300, 2600}}
                                << Stretches{} << 3000;
        QTest::newRow("stretch lost") << 0 << 0 << Stretches{{1000, 1800}}
                                      << Stretches{{500, 800}, {2200, 2500}} << Stretches{} << 2900;
        QTest::newRow("input gone")
            << 0 << 0 << Stretches{{1300, INT_MAX}} << Stretches{{600, 900}} << Stretches{} << 2500;
        QTest::newRow("paused") << 200 << 100 << Stretches{} << Stretches{{600, 900}, {2400, 2700}}
                                << Stretches{{1200, 1900}} << 3100;
    }
    void lateOrLostSoundStaysInSync()
    {
        QFETCH(int, lateMs);
        QFETCH(int, burstMs);
        QFETCH(FakeRecordingState::Stretches, lost);
        QFETCH(FakeRecordingState::Stretches, marks);
        QFETCH(FakeRecordingState::Stretches, pauses);
        QFETCH(int, stopMs);
        backend->pcmLateMs = lateMs;
        backend->pcmBurstMs = burstMs;
        backend->pcmLost = lost;
        backend->marks = marks;
        const auto until = [this](int ms) {
            QTest::qWait(int(qMax<qint64>(0, ms - backend->clock.elapsed())));
        };
        backend->clock.restart();
        recorder->start(options);
        QVERIFY(recorder->isRecording());
        for (const auto &pause : pauses) {
            until(pause.first);
            recorder->pause();
            until(pause.second);
            recorder->resume();
        }
        until(stopMs);
        QVERIFY(stopped());
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));

        const MediaProbe probe = probeMedia(recorder->options().outputFileName);
        QVERIFY(probe.opened);
        QString figures = QString::asprintf("picture %.3f s, sound %.3f s; offsets",
                                            probe.videoDuration, probe.audioDuration());
        const QVector<double> offsets = probe.markOffsets();
        for (double offset : offsets)
            figures += QString::asprintf(" %+.0f ms", offset * 1000);
        QCOMPARE(probe.markOnsets.size(), marks.size());
        for (double offset : offsets)
            QVERIFY2(std::fabs(offset) <= 0.045, qPrintable(figures));
        QVERIFY2(std::fabs(probe.audioDuration() - probe.videoDuration) <= 0.051,
                 qPrintable(figures));
    }

    // Every way a recording ends leaves a playable file and tells what went wrong, once.
    void endsWithPlayableFile_data()
    {
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<int>("tipCount"); // -1: any number
        for (const char *moment : {"right after start", "twice while paused", "window closed"})
            QTest::newRow(moment) << QString() << QString() << 0;
        // A silent input neither holds the stop nor loses frames: its time is silence.
        QTest::newRow("input stalled") << QString() << QString() << 0;
        // 200 losses are told as tips; the 201st ends the recording (takes 10 s).
        QTest::newRow("too many lost frames")
            << videoEnded << "录屏错误提示：视频帧丢失[ERROR_SOURCE:VW]" << 200;
        // A failed read is a lost frame, never sound; the 431st ends the recording.
        QTest::newRow("failing reads")
            << "录屏错误：音频录制异常，已强制停止[ERROR_SOURCE:AW]" << audioLost << 430;
        // Trouble while recording is told at once, not after 200 lost frames, and told once.
        QTest::newRow("low disk") << videoEnded << QString() << 0;
    }
    void endsWithPlayableFile() { endRecording(); }

    // A file that could not be finished is told as not saved, once, whichever writer failed.
    void failedSaveToldOnce_data()
    {
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<int>("tipCount");
        const QString notSaved = "录屏错误：保存录制文件失败";
        const QString kept = "录屏错误：录制文件写入失败，录屏已停止；出错前录下的内容已保存";
        QTest::newRow("folder gone") << notSaved << QString() << 0;
        // A real write failure: the file may not grow any more, as over a quota. What was
        // written whole before it plays; a file with nothing whole in it is not left behind.
        QTest::newRow("write fails at once") << notSaved << QString() << 0;
        QTest::newRow("write fails") << kept << QString() << 0;
        QTest::newRow("write fails, sound too") << kept << QString() << 0;
        // The disk does not take what was written (EIO): the recording stops as on a full disk.
        QTest::newRow("sync fails")
            << "录屏错误：录制文件未能完整写入磁盘，文件可能不完整" << QString() << 0;
    }
    void failedSaveToldOnce() { endRecording(); }

    // A file that cannot take even its header is refused at the start and not left behind.
    void refusedStartLeavesNoFile()
    {
        {
            FileSizeCap cap(0);
            recorder->start(options);
        }
        QVERIFY(!recorder->isRecording());
        QCOMPARE(errors, QStringList{"录屏操作被拒绝：新建录制文件失败，请确认存储文件夹权限"});
        QVERIFY(QDir(outDir).isEmpty());
    }

    // A microphone whose opening never returns holds neither the stop nor the next recording:
    // the file keeps its picture, and the user learns that the sound is missing.
    void hangingMicrophoneHoldsNothing()
    {
        backend->pcmStartsToBlock = 1;
        recorder->start(options);
        QVERIFY(recorder->isRecording());
        QTest::qWait(1000);
        QElapsedTimer stopping;
        stopping.start();
        recorder->stop();
        QVERIFY(finished(5000));
        QVERIFY(stopping.elapsed() < 5000);
        QCOMPARE(errors, QStringList{soundMissing});
        const MediaProbe hung = probeMedia(recorder->options().outputFileName);
        QVERIFY(hung.opened);
        QCOMPARE(hung.decodedFrames, backend->grabs);
        QCOMPARE(hung.audioSamples, 0);

        errors.clear();
        recorder->start(options);
        QVERIFY(recorder->isRecording());
        QTest::qWait(1000);
        QVERIFY(stopped());
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QVERIFY2(!backend->pcmStartReleaseMissed,
                 "the first input stopped hanging by its own limit, not by the test");
        QCOMPARE(backend->pcmStartsBlocked.load(), 1); // the first input still hangs
        const MediaProbe next = probeMedia(recorder->options().outputFileName);
        QVERIFY(qAbs(next.audioDuration() - next.videoDuration) < 0.1);
    }

    // A writer held in a sync of the file past the stop's limit (a slow stick, a network folder)
    // is let go: the file keeps what was written, and the writer, back later, touches neither
    // the next recording nor its file.
    void writerHeldInSyncLeavesNextRecordingAlone()
    {
        backend->syncStallMs = 7000;
        backend->clock.restart();
        recorder->start(options);
        QVERIFY(recorder->isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(backend->syncStalled, 10000);
        QVERIFY(stopped());
        QCOMPARE(errors, QStringList{videoEnded});
        const QString first = recorder->options().outputFileName;
        const MediaProbe held = probeMedia(first);
        QVERIFY(held.opened);
        QVERIFY(held.decodedFrames >= 1);
        const qint64 firstSize = QFileInfo(first).size();

        errors.clear();
        backend->grabs = 0;
        recorder->start(options);
        QVERIFY(recorder->isRecording());
        QVERIFY(recorder->options().outputFileName != first);
        QTest::qWait(4000); // the held writer comes back meanwhile
        QVERIFY(stopped());
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(QFileInfo(first).size(), firstSize);
        const MediaProbe next = probeMedia(recorder->options().outputFileName);
        QVERIFY(next.opened);
        QCOMPARE(next.decodedFrames, backend->grabs);
        QVERIFY(qAbs(next.audioDuration() - next.videoDuration) < 0.1);
    }

    // A folder that stops answering (a network share gone) freezes no window: the free-space
    // check that gets no answer ends the recording as a folder gone would.
    void unansweringFolderFreezesNothing()
    {
        backend->freeSpaceStallMs = 9000;
        const EventGapWatch gaps;
        recorder->start(options);
        QVERIFY(recorder->isRecording());
        QVERIFY(finished(15000));
        QVERIFY2(gaps.longestMs < 1000, qPrintable(QString::number(gaps.longestMs)));
        QCOMPARE(errors, QStringList{videoEnded});
        const MediaProbe probe = probeMedia(recorder->options().outputFileName);
        QVERIFY(probe.opened);
        QCOMPARE(probe.decodedFrames, backend->grabs);
    }

    // A finish the disk holds 8 s is told as still going, then as what it became: the
    // capture's own word where no picture came.
    void lateFinishToldTwice_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("saved") << "录屏已保存：录制文件已写入完毕";
        QTest::newRow("no picture") << "录屏错误：图像采集设备初始化失败[ERROR_SOURCE:VW]";
    }
    void lateFinishToldTwice()
    {
        QFETCH(QString, end);
        backend->syncStallMs = 8000;
        backend->captureOpens = QTest::currentDataTag() == QLatin1String("saved");
        backend->marks = {{0, 60000}}; // a still screen: no fragment before the end
        QTest::qWait(1000);            // the first sync from now on stalls
        recorder->start(options);
        recorder->stop();
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 2, 15000);
        QCOMPARE(errors.first(),
                 "录屏提示：录制文件仍在写入磁盘，请勿移除存储设备，写入结束后另行提示");
        QCOMPARE(errors.last(), end);
    }

    // A stop or a pause asked for while the start waits (for the first picture, for a folder given
    // up at the limit) is carried out once it is over: after a stop nothing records, is told or is
    // left, however late the folder answers; after a pause the recording waits for its resume.
    void heldWhileStarting_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::addColumn<int>("folderMs");
        QTest::newRow("stop") << true << 0;
        QTest::newRow("pause") << false << 0;
        QTest::newRow("stop, folder not answering") << true << 8000;
    }
    void heldWhileStarting()
    {
        QFETCH(bool, stop);
        QFETCH(int, folderMs);
        backend->firstPictureMs = 1500;
        backend->folderStallMs = folderMs;
        QTimer::singleShot(300, recorder.get(), [this, stop] {
            if (stop)
                recorder->stop();
            else
                recorder->pause();
        });
        recorder->start(options);
        QVERIFY(backend->clock.elapsed() < diskAnswerLimitMs + 2000);
        if (stop) {
            QVERIFY(!recorder->isRecording());
            QTest::qWait(5000); // past the limit for a stop, and the folder's late answer
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
            QVERIFY(QDir(outDir).isEmpty());
            return;
        }
        QVERIFY(recorder->isRecording());
        QTest::qWait(1000);
        recorder->resume();
        QTest::qWait(1000);
        QVERIFY(stopped());
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        const MediaProbe probe = probeMedia(recorder->options().outputFileName);
        QVERIFY(probe.opened);
        QVERIFY2(probe.videoDuration > 0.9 && probe.videoDuration < 1.5,
                 qPrintable(QString::number(probe.videoDuration)));
    }

private:
    void endRecording()
    {
        QFETCH(QString, error);
        QFETCH(QString, tip);
        QFETCH(int, tipCount);
        const QString how = QTest::currentDataTag(), name = options.outputFileName;
        const bool writeFails = how.startsWith("write fails");
        if (writeFails)
            setArea(QSize(640, 480));
        options.audioMode =
            how == "too many lost frames" || how == "write fails" || how == "write fails at once"
                ? 3
                : 0;
        backend->pcmSilent = how == "input stalled";
        backend->grabsFail = how == "too many lost frames";
        backend->pcmReadErrors = how == "failing reads";
        backend->noisyScreen = writeFails;
        backend->syncFails = how == "sync fails";
        QPixmap snapshot(100, 50); // of another size than the area
        snapshot.fill(QColor(200, 30, 30));
        options.startSnapshot = snapshot;
        recorder->start(options);
        QVERIFY(recorder->isRecording());
        const QHash<QString, int> waitMs{{"twice while paused", 300},
                                         {"window closed", 800},
                                         {"input stalled", 1300},
                                         {"low disk", 1200},
                                         {"folder gone", 600},
                                         {"write fails", 600},
                                         {"write fails, sound too", 600},
                                         {"write fails at once", 0}};
        QTest::qWait(waitMs.value(how));
        // Up to the first whole fragment on disk.
        const qint64 headerBytes = QFileInfo(name).size();
        if (writeFails && how != "write fails at once")
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(name).size() > headerBytes, 8000);
        if (how == "twice while paused") {
            recorder->pause();
            QTest::qWait(100);
            recorder->stop();
        }
        if (how == "low disk")
            backend->freeSpace = 1024 * 1024;
        if (how == "folder gone")
            QVERIFY(QDir(outDir).removeRecursively());
        QElapsedTimer ending;
        ending.start();
        if (how == "window closed") {
            // The destructor waits a bounded time, then the file is finished.
            recorder.reset();
            QVERIFY(ending.elapsed() < 5000);
        } else if (error.isEmpty()) {
            QVERIFY(stopped());
            QVERIFY(ending.elapsed() < 3000);
            recorder->stop(); // nothing left to stop: no signal, no message
        } else {
            bool ended = false;
            {
                FileSizeCap cap(writeFails ? std::optional<rlim_t>(QFileInfo(name).size())
                                           : std::nullopt);
                ended = finished(backend->grabsFail ? 30000 : waitMs.contains(how) ? 5000 : 15000);
            }
            QVERIFY(ended);
        }
        QCOMPARE(errors, error.isEmpty() ? QStringList() : QStringList{error});
        const QSet<QString> told(tips.begin(), tips.end());
        QCOMPARE(told, tip.isEmpty() ? QSet<QString>() : QSet<QString>{tip});
        if (tipCount >= 0)
            QCOMPARE(tips.size(), tipCount);
        if (how == "folder gone")
            return;
        QCOMPARE(QFileInfo::exists(name), how != "write fails at once");
        if (how == "write fails at once")
            return;
        const MediaProbe probe = probeMedia(name);
        QVERIFY(probe.opened);
        QVERIFY(probe.decodedFrames >= 1);
        if (how == "sync fails") // playable up to the failed sync
            return;
        if (writeFails) {
            // Whole fragments only, and not what came after them.
            QVERIFY2(probe.decodedFrames >= 2 && probe.decodedFrames < backend->grabs,
                     qPrintable(QString::number(probe.decodedFrames)));
            return;
        }
        if (how == "too many lost frames") {
            // The snapshot, scaled to the area, stands in for every unread screen, the last too.
            QCOMPARE(probe.decodedFrames, tipCount + 1);
            QVERIFY(nearColor(probe.lastFrame.pixelColor(300, 220), QColor(200, 30, 30), 12));
        } else {
            QCOMPARE(probe.decodedFrames, backend->grabs);
        }
        if (how == "failing reads")
            QCOMPARE(probe.audioSamples, 0);
        if (how == "window closed")
            QVERIFY(probe.audioSamples > 0);
    }
};

QTEST_MAIN(RecordingTest)
#include "tst_recording.moc"
