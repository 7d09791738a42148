#include "recording/videorecorder.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>
#include <optional>

#include "base/waitaside.h"
#include "platform/framesource.h"
#include "platform/pcmsource.h"
#include "recording/audiowriter.h"
#include "recording/outputstate.h"
#include "recording/recordingbackend.h"
#include "recording/recordingclock.h"
#include "recording/videowriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/opt.h>
}

namespace {

// Below this much free space the recording ends while the file can still be finished.
constexpr qint64 diskReserveBytes = 16 * 1024 * 1024;
// How long closing the program waits for the writers to finish the file.
constexpr unsigned long closeWaitMs = 5000;
// A stop completes within 5 s: a writer that has not finished this long after the word is let
// go, and the file is finished with what the other wrote.
constexpr int stopWaitMs = 4000;
// The file is written in fragments of at most this many seconds, each playable once it is on
// disk: a crash or a power cut loses at most the last one.
constexpr int fragmentSeconds = 2;
// The longest a packet waits in the muxer for the other stream's: sound that lags or has stopped
// (a hung microphone) must not hold the picture back from the file for more than this.
constexpr qint64 interleaveDelayUs = fragmentSeconds * 1000000LL / 4;
// Past these limits a disk that does not answer (a network folder gone) is given up: the free
// space check ends the recording, and a finish past it is told as still being written.
constexpr qint64 diskAnswerMs = diskAnswerLimitMs;
constexpr int finishWaitMs = diskAnswerLimitMs;

const char *const refusal = "录屏操作被拒绝：";

// FileUnsure: the disk did not take every sync of the file.
enum FileEnd { FileSaved, FilePartKept, FileLost, FileUnsure };

// What the user is told of a file's end; where it was saved, the writers' error, if any.
QString fileEndText(int end, const QString &error)
{
    switch (end) {
        case FilePartKept:
            return QStringLiteral("录屏错误：录制文件写入失败，录屏已停止；出错前录下的内容已保存");
        case FileLost:
            return QStringLiteral("录屏错误：保存录制文件失败");
        case FileUnsure:
            return QStringLiteral("录屏错误：录制文件未能完整写入磁盘，文件可能不完整");
        default:
            return error;
    }
}

// Writes the trailer, closes the file and sends it to the disk; a file that could not be
// finished keeps the fragments written whole before the failure, a cut one after them cut off.
// A file with none is removed, since it would not play. Nothing is cut or removed once the disk
// refused a sync: which of the file it holds is not known.
FileEnd finishFile(OutputState &out, const QString &name, const std::function<bool()> &sync)
{
    const QMutexLocker lock(&out.muxerMutex);
    AVFormatContext *output = out.output;
    bool written = false, closed = false;
    if (output && output->pb) {
        // The fragmented muxer returns what it wrote last, a positive count.
        written = av_write_trailer(output) >= 0 && output->pb->error >= 0;
        closed = avio_closep(&output->pb) == 0;
    }
    const bool synced = (!sync || sync()) && !out.syncFailed;
    if (!synced && QFileInfo::exists(name))
        return FileUnsure;
    if (written && closed && QFileInfo::exists(name))
        return FileSaved;
    QFile file(name);
    if (file.exists() && out.savedBytes > out.headerBytes && file.resize(out.savedBytes))
        return FilePartKept;
    if (file.exists())
        file.remove();
    return FileLost;
}

// Closes what the start opened of a file that will not be used.
void closeFile(OutputState &out)
{
    if (out.output)
        avio_closep(&out.output->pb);
    if (out.syncFd >= 0)
        ::close(out.syncFd);
    out.syncFd = -1;
}

// Closes and removes a file begun for a recording that did not come about.
void dropFile(OutputState &out, const QString &name)
{
    closeFile(out);
    if (!name.isEmpty())
        QFile::remove(name);
}

// Reserves the file beside path, opens it, writes the header and sends the file's name in its
// folder to the disk: the name taken, or empty when the file could not be begun, which then is
// not left behind.
QString openFile(OutputState &out, RecordingBackend &disk, const QString &path)
{
    bool created = false;
    const QString name = disk.reserveFile(path, &created);
    const QByteArray bytes = name.toUtf8();
    AVFormatContext *output = out.output;
    bool written = avio_open(&output->pb, bytes.constData(), AVIO_FLAG_WRITE) >= 0;
    if (written) {
        output->max_interleave_delta = interleaveDelayUs;
        // A fragmented MP4: every fragment on disk plays, whatever ends the program.
        AVDictionary *options = nullptr;
        av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
        av_dict_set_int(&options, "frag_duration", fragmentSeconds * 1000000LL, 0);
        written = avformat_write_header(output, &options) >= 0;
        av_dict_free(&options);
    }
    if (written) {
        avio_flush(output->pb);
        out.headerBytes = out.savedBytes = avio_tell(output->pb);
        // The file's name in its folder goes to the disk now, its fragments as they are written.
        out.syncFd = ::open(bytes.constData(), O_WRONLY | O_CLOEXEC);
        const int folder =
            ::open(QFileInfo(name).absolutePath().toUtf8().constData(), O_RDONLY | O_CLOEXEC);
        if (folder >= 0) {
            fsync(folder);
            ::close(folder);
        }
        written = output->pb->error >= 0;
    }
    if (written)
        return name;
    dropFile(out, created ? name : QString()); // nothing in it that would play
    return QString();
}

} // namespace

VideoRecorder::VideoRecorder(QObject *parent)
    : RecordingEngine(parent)
    , backend(std::make_shared<SystemRecordingBackend>())
{
    diskWatch.setInterval(1000);
    connect(&diskWatch, &QTimer::timeout, this, &VideoRecorder::checkDisk);
    stopDeadline.setSingleShot(true);
    stopDeadline.setInterval(stopWaitMs);
    connect(&stopDeadline, &QTimer::timeout, this, &VideoRecorder::dropLateWriters);
    finishLimit.setSingleShot(true);
    finishLimit.setInterval(finishWaitMs);
    connect(&finishLimit, &QTimer::timeout, this, &VideoRecorder::finishLate);
}

template <typename Result, typename Work, typename Done>
QThread *VideoRecorder::runAside(Work work, Done done)
{
    auto result = std::make_shared<Result>();
    QThread *thread = QThread::create([work = std::move(work), result] { *result = work(); });
    connect(thread, &QThread::finished, this, [result, done = std::move(done)] { done(*result); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    return thread;
}

VideoRecorder::~VideoRecorder()
{
    diskWatch.stop();
    stopDeadline.stop();
    if (videoWriter || audioWriter) {
        // Closing while recording: the writers finish and drain, then the file is completed
        // here, within a time limit, since no event loop runs any more. A writer stuck inside
        // a library call is let go; the process is ending anyway.
        disconnect(this, &VideoRecorder::recorderStopError, nullptr, nullptr);
        haltWriters();
        QThread *threads[] = {videoThread, audioThread};
        for (QThread *thread : threads) {
            if (thread)
                thread->quit();
        }
        for (QThread *thread : threads) {
            if (thread && !thread->wait(closeWaitMs)) {
                thread->requestInterruption();
                thread->wait(closeWaitMs);
            }
        }
        dropLateWriters(); // finishes the file with what was written
    }
    // No event loop hears the finish any more: it is waited for, within a limit, also one
    // already told as late, so that the quit does not cut the file it is still writing.
    if (finisher)
        finisher->wait(closeWaitMs);
    releaseOutput();
}

void VideoRecorder::setBackend(std::shared_ptr<RecordingBackend> recordingBackend)
{
    backend = std::move(recordingBackend);
}

void VideoRecorder::refuse(const QString &text)
{
    releaseOutput();
    emit recorderStopError(text);
}

void VideoRecorder::start(const RecordingOptions &options)
{
    if (videoWriter || audioWriter || starting || finishing) {
        emit recorderStopError(QStringLiteral("录屏操作被拒绝：上一次录屏操作还未退出"));
        return;
    }
    current = options;
    if ((current.audioMode == 0 || current.audioMode == 2) && !backend->hasDefaultAudioInput()) {
        emit recorderStopError(QStringLiteral("录屏操作被拒绝：未找到音频输入设备"));
        return;
    }
    if (!createOutputContext()) {
        refuse(QStringLiteral("录屏操作被拒绝：录制初始化失败"));
        return;
    }
    QString error;
    if (!initVideoEncoder(error) || (soundOn() && !initAudioEncoder(error))) {
        refuse(QString::fromUtf8(refusal) + error);
        return;
    }
    // From here the start waits with events running, for the disk and then for the first
    // picture: a stop or a pause asked for meanwhile is held for its end.
    starting = true;
    heldStop = heldPause = false;
    const bool opened = openOutputFile();
    VideoWriter *video = nullptr;
    if (opened && !heldStop) {
        stopError.clear();
        ++runs;
        diskAsked.invalidate();
        clock = std::make_shared<RecordingClock>();
        video = newVideoWriter();
    }
    starting = false;
    if (!opened) {
        if (heldStop) // nothing was recorded, and nobody waits for a word
            releaseOutput();
        else
            refuse(QStringLiteral("录屏操作被拒绝：新建录制文件失败，请确认存储文件夹权限"));
        return;
    }
    if (heldStop) {
        // Stopped before anything was recorded: no recording, and no file with a header only.
        delete video;
        discardFile();
        return;
    }
    startVideoWriter(video);
    videoThread->start();
    if (soundOn()) {
        startAudioWriter();
        audioThread->start();
    }
    clock->start();
    emit startWriter(current.startSnapshot);
    recording = true;
    diskWatch.start();
    if (heldPause)
        pauseWriters();
}

bool VideoRecorder::createOutputContext()
{
    // What a previous recording left goes; the snapshot just set for this one stays.
    const QPixmap snapshot = current.startSnapshot;
    releaseOutput();
    current.startSnapshot = snapshot;
    state = std::make_shared<OutputState>();
    const QByteArray name = current.outputFileName.toUtf8();
    if (avformat_alloc_output_context2(&state->output, nullptr, nullptr, name.constData()) < 0 ||
        !state->output) {
        state->output = nullptr;
        return false;
    }
    return true;
}

bool VideoRecorder::initVideoEncoder(QString &error)
{
    const AVCodec *codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!codec) {
        error = QStringLiteral("无法找到H264编码");
        return false;
    }
    AVCodecContext *videoCodec = state->videoCodec = avcodec_alloc_context3(codec);
    if (!videoCodec) {
        error = QStringLiteral("无法初始化H264编码");
        return false;
    }
    videoCodec->width = current.outputWidth;
    videoCodec->height = current.outputHeight;
    videoCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    videoCodec->time_base = AVRational{1, frameRate};
    videoCodec->framerate = AVRational{frameRate, 1};
    videoCodec->max_b_frames = 0;
    videoCodec->pix_fmt = AV_PIX_FMT_YUV420P;
    videoCodec->gop_size = fragmentSeconds * frameRate; // each fragment starts with a key frame
    videoCodec->codec_id = AV_CODEC_ID_H264;
    videoCodec->thread_count = 4;
    av_opt_set(videoCodec->priv_data, "preset", "superfast", 0);
    if (current.outputWidth <= 0 || current.outputHeight <= 0 ||
        avcodec_open2(videoCodec, codec, nullptr) < 0) {
        error = QStringLiteral("打开H264编码失败");
        return false;
    }
    if (!addStream(state->videoStream, videoCodec, QStringLiteral("视频"), error))
        return false;
    state->videoStream->avg_frame_rate = videoCodec->framerate;
    return true;
}

bool VideoRecorder::initAudioEncoder(QString &error)
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec) {
        error = QStringLiteral("未找到AAC音频编码");
        return false;
    }
    AVCodecContext *audioCodec = state->audioCodec = avcodec_alloc_context3(codec);
    if (!audioCodec) {
        error = QStringLiteral("无法初始化音频编码");
        return false;
    }
    audioCodec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audioCodec->sample_rate = sampleRate;
    av_channel_layout_default(&audioCodec->ch_layout, channelCount);
    audioCodec->time_base = AVRational{1, sampleRate};
    audioCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(audioCodec, codec, nullptr) < 0) {
        error = QStringLiteral("打开音频编码失败");
        return false;
    }
    return addStream(state->audioStream, audioCodec, QStringLiteral("音频"), error);
}

// A track of the output file that takes its parameters from the opened encoder.
bool VideoRecorder::addStream(AVStream *&stream, const AVCodecContext *codec, const QString &kind,
                              QString &error)
{
    stream = avformat_new_stream(state->output, nullptr);
    if (!stream) {
        error = QStringLiteral("创建%1轨道失败").arg(kind);
        return false;
    }
    stream->codecpar->codec_tag = 0; // the copy below also sets the kind of track
    if (avcodec_parameters_from_context(stream->codecpar, codec) < 0) {
        error = QStringLiteral("配置%1轨道失败").arg(kind);
        return false;
    }
    return true;
}

// What a writer calls once its part of the file has grown: the writer keeps the disk alive as
// long as it runs.
std::function<bool()> VideoRecorder::fileSync() const
{
    if (!state || state->syncFd < 0)
        return {};
    // The descriptor belongs to the output, which the writer keeps.
    return [disk = backend, fd = state->syncFd] { return disk->syncToDisk(fd); };
}

// The file is begun on a thread of its own, within the disk's limit, while events go on: a
// folder that stopped answering (a network share gone) holds up no window.
bool VideoRecorder::openOutputFile()
{
    const std::optional<QString> name = waitAside<QString>(
        diskAnswerLimitMs,
        [out = state, disk = backend, path = current.outputFileName] {
            return openFile(*out, *disk, path);
        },
        [out = state](const QString &late) { dropFile(*out, late); });
    if (!name || name->isEmpty())
        return false;
    current.outputFileName = *name;
    return true;
}

// A file begun for a recording that did not come about goes, away from the window's thread.
void VideoRecorder::discardFile()
{
    runAside<bool>(
        [out = state, name = current.outputFileName] {
            dropFile(*out, name);
            return true;
        },
        [](bool) {});
    releaseOutput();
}

// Moves the new writer to a thread of its own and wires it to the recorder. A writer let go may
// still report when it comes back: only the current one is heard.
template <typename Writer>
void VideoRecorder::runWriter(Writer *&current, QThread *&thread, void (VideoRecorder::*stopped)())
{
    Writer *writer = current;
    thread = new QThread(this);
    writer->moveToThread(thread);
    connect(this, &VideoRecorder::startWriter, writer, &Writer::startWriter);
    connect(this, &VideoRecorder::pauseWriter, writer, &Writer::pauseWriter);
    connect(this, &VideoRecorder::resumeWriter, writer, &Writer::resumeWriter);
    connect(this, &VideoRecorder::stopWriter, writer, &Writer::stopWriter);
    connect(writer, &Writer::writerStoped, this, [this, writer, &current, stopped] {
        if (writer == current)
            (this->*stopped)();
    });
    connect(writer, &Writer::writerStopError, this, [this, writer, &current](const QString &text) {
        if (writer == current)
            writerStopErrored(text);
    });
    connect(writer, &Writer::writerTipError, this, [this, writer, &current](const QString &text) {
        if (writer == current)
            writerTipErrored(text);
    });
    connect(thread, &QThread::finished, writer, &QObject::deleteLater);
    connect(writer, &QObject::destroyed, this, [this, writer, &current, &thread] {
        if (writer != current)
            return;
        current = nullptr;
        writerGone(thread);
        finishRecording();
    });
}

// The capture is opened here, in the window's thread; it may wait for its first picture.
VideoWriter *VideoRecorder::newVideoWriter()
{
    auto *writer = new VideoWriter(clock);
    writer->area = QRect(current.areaX, current.areaY, current.areaWidth, current.areaHeight);
    writer->outputSize = QSize(current.outputWidth, current.outputHeight);
    writer->frameRate = frameRate;
    writer->videoQuality = current.videoQuality;
    writer->watermarkCorner = current.watermarkCorner;
    writer->init(backend->createFrameSource());
    return writer;
}

void VideoRecorder::startVideoWriter(VideoWriter *writer)
{
    videoWriter = writer;
    videoWriter->syncFile = fileSync();
    videoWriter->setOutput(state, state->videoCodec, state->videoStream);
    runWriter(videoWriter, videoThread, &VideoRecorder::videoWriterStoped);
    connect(this, &VideoRecorder::resetWinAPos, videoWriter, &VideoWriter::resetWinAPos);
    connect(this, &VideoRecorder::resetWinActivate, videoWriter, &VideoWriter::resetWinActivate);
}

void VideoRecorder::startAudioWriter()
{
    audioWriter = new AudioWriter(clock);
    audioWriter->syncFile = fileSync();
    audioWriter->channelCount = channelCount;
    audioWriter->sampleRate = sampleRate;
    audioWriter->bytesPerSample = bytesPerSample;
    audioWriter->initAudioInput(backend->createPcmSource());
    audioWriter->setOutput(state, state->audioCodec, state->audioStream);
    runWriter(audioWriter, audioThread, &VideoRecorder::audioWriterStoped);
}

// True while the writers the recording needs are there; else ends what is left of it and tells
// the user, with the message for a lost picture or for lost sound.
bool VideoRecorder::writersReady(const QString &noSound, const QString &noVideo)
{
    if (videoWriter && (!soundOn() || audioWriter))
        return true;
    const QString text = videoWriter ? noSound : noVideo;
    if (videoWriter || audioWriter)
        haltWriters();
    emit recorderStopError(text);
    return false;
}

void VideoRecorder::pause()
{
    if (starting) {
        heldPause = true;
        return;
    }
    if (writersReady(QStringLiteral("录屏操作被拒绝：录屏异常退出[CODE:01]"),
                     QStringLiteral("录屏操作被拒绝：录屏异常退出[CODE:02]")))
        pauseWriters();
}

void VideoRecorder::resume()
{
    if (starting) {
        heldPause = false;
        return;
    }
    if (writersReady(QStringLiteral("录屏操作被拒绝：录屏异常退出[CODE:03]"),
                     QStringLiteral("录屏操作被拒绝：录屏异常退出[CODE:04]")))
        resumeWriters();
}

void VideoRecorder::stop()
{
    if (starting)
        heldStop = true;
    else if (videoWriter || audioWriter)
        haltWriters();
}

// The recording's time line stands still from the moment the writers are told to pause or to
// stop, for both alike, however late each of them reads the word.
void VideoRecorder::pauseWriters()
{
    if (clock)
        clock->pause();
    emit pauseWriter();
}

void VideoRecorder::resumeWriters()
{
    if (clock)
        clock->resume();
    emit resumeWriter();
}

void VideoRecorder::haltWriters()
{
    if (clock)
        clock->pause();
    if ((videoWriter || audioWriter) && !stopDeadline.isActive())
        stopDeadline.start();
    emit stopWriter();
}

void VideoRecorder::videoWriterStoped()
{
    stopThread(videoThread, videoWriter);
}

void VideoRecorder::audioWriterStoped()
{
    stopThread(audioThread, audioWriter);
}

void VideoRecorder::stopThread(QThread *&thread, QObject *writer)
{
    if (writer)
        disconnect(this, nullptr, writer, nullptr);
    if (thread && thread->isRunning())
        thread->quit(); // the writer is deleted as the thread finishes
}

void VideoRecorder::writerGone(QThread *&thread)
{
    // The writer is deleted as its thread finishes; the thread is as good as done.
    QThread *done = thread;
    thread = nullptr;
    if (done && done->wait(1000))
        delete done;
    else if (done)
        connect(done, &QThread::finished, done, &QObject::deleteLater);
}

void VideoRecorder::dropLateWriters()
{
    // A writer still busy now is let go: it keeps the recording's output and leaves it alone
    // from the moment the output is marked dropped, wherever it is held up.
    const auto drop = [this](auto *&writer, QThread *&thread) {
        if (!writer)
            return false;
        if (!thread || thread->isFinished()) { // gone already, its report not yet read
            writer = nullptr;
            delete thread;
            thread = nullptr;
            return false;
        }
        disconnect(this, nullptr, writer, nullptr);
        writer = nullptr;
        // Thread and writer end whenever the library call returns and clean up after
        // themselves; until then they are left alone.
        thread->setParent(nullptr);
        thread->quit();
        connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        thread = nullptr;
        return true;
    };
    const bool videoLate = drop(videoWriter, videoThread);
    const bool audioLate = drop(audioWriter, audioThread);
    if (stopError.isEmpty() && videoLate)
        stopError = QStringLiteral("录屏错误：视频录制异常，已强制停止[ERROR_SOURCE:VW]");
    if (stopError.isEmpty() && audioLate)
        stopError =
            QStringLiteral("录屏已保存，但录制中音频输入中断，部分时段没有声音[ERROR_SOURCE:AW]");
    if (state) {
        finishRecording();
        return;
    }
    releaseOutput();
    const QString text = stopError;
    stopError.clear();
    if (!text.isEmpty())
        emit recorderStopError(text);
}

void VideoRecorder::writerStopErrored(QString text)
{
    if (videoWriter || audioWriter)
        haltWriters();
    // While a file is open the first error waits for its end: only then is it known whether
    // the file was saved at all, and the other writer's error is not told a second time.
    if (state) {
        if (stopError.isEmpty())
            stopError = text;
        return;
    }
    emit recorderStopError(text);
}

void VideoRecorder::writerTipErrored(QString text)
{
    emit recorderTipError(text);
}

// The free space is asked for on a thread of its own: a network folder may take long to answer,
// or never do.
void VideoRecorder::checkDisk()
{
    if (!videoWriter && !audioWriter)
        return;
    if (diskAsked.isValid()) {
        if (diskAsked.elapsed() >= diskAnswerMs)
            diskLow(); // no answer: the folder is as good as gone
        return;
    }
    diskAsked.start();
    const QString folder = QFileInfo(current.outputFileName).absolutePath();
    runAside<qint64>([disk = backend, folder] { return disk->freeBytes(folder); },
                     [this, run = runs](qint64 free) {
                         if (run != runs || !diskAsked.isValid())
                             return;
                         diskAsked.invalidate();
                         if (free < diskReserveBytes)
                             diskLow();
                     });
}

void VideoRecorder::diskLow()
{
    diskAsked.invalidate();
    if (!videoWriter && !audioWriter)
        return;
    // Stopping now leaves room for the file's index, so what was recorded stays playable.
    diskWatch.stop();
    writerStopErrored(QStringLiteral("录屏错误：视频录制异常，已强制停止[ERROR_SOURCE:VW]"));
}

// The trailer, the close and the sync run on a thread of their own, within a limit: a disk that
// stops answering holds up neither the window nor the next recording.
void VideoRecorder::finishRecording()
{
    if (videoWriter || audioWriter || !state || finishing)
        return;
    stopDeadline.stop();
    diskWatch.stop();
    finishing = true;
    // A writer still about was let go: from now on it writes nothing.
    state->dropped = true;
    finisher = runAside<int>(
        [out = state, name = current.outputFileName, sync = fileSync()] {
            return int(finishFile(*out, name, sync));
        },
        [this, run = runs, error = stopError](int end) { fileFinished(run, end, error); });
    stopError.clear();
    finishLimit.start();
}

// Past the limit the recording is over for the user and the next one may start; the file's
// end is told when the finish answers, whenever that is.
void VideoRecorder::finishLate()
{
    if (!finishing)
        return;
    finishing = false;
    lateRuns.insert(runs);
    releaseOutput();
    emit recorderStopError(
        QStringLiteral("录屏提示：录制文件仍在写入磁盘，请勿移除存储设备，写入结束后另行提示"));
}

void VideoRecorder::fileFinished(quint64 run, int end, const QString &error)
{
    const QString text = fileEndText(end, error);
    if (lateRuns.remove(run)) {
        emit recorderFileNotice(text.isEmpty() ? QStringLiteral("录屏已保存：录制文件已写入完毕")
                                               : text);
        return;
    }
    if (run != runs || !finishing)
        return;
    finishing = false;
    finishLimit.stop();
    releaseOutput();
    if (!text.isEmpty())
        emit recorderStopError(text);
}

void VideoRecorder::releaseOutput()
{
    diskWatch.stop();
    state.reset();
    current.startSnapshot = QPixmap();
    recording = false;
}

extern "C" Q_DECL_EXPORT RecordingEngine *createRecordingEngine(QObject *parent)
{
    return new VideoRecorder(parent);
}
