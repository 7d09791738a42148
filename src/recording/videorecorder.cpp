#include "recording/videorecorder.h"

#include <QFile>
#include <QFileInfo>

#include "platform/framesource.h"
#include "platform/pcmsource.h"
#include "recording/audiowriter.h"
#include "recording/recordingbackend.h"
#include "recording/recordingclock.h"
#include "recording/videowriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace {

// Below this much free space the recording ends while the file can still be finished; the
// index written at the end takes about 1 MB for a 40-minute lesson.
constexpr qint64 diskReserveBytes = 16 * 1024 * 1024;
// How long closing the program waits for the writers to finish the file.
constexpr unsigned long closeWaitMs = 5000;

const char *const refusal = "录屏操作被拒绝：";

// The asked-for file when it does not exist yet, else the first free "name_N.suffix". The
// file is created here, so a second recording in the same second cannot take it too.
QString reserveFreeFile(const QString &path)
{
    const QFileInfo info(path);
    const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    for (int n = 0; n < 1000; ++n) {
        const QString candidate =
            n == 0 ? path : QStringLiteral("%1_%2%3").arg(stem).arg(n).arg(suffix);
        QFile file(candidate);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return candidate;
        if (!file.exists())
            return candidate; // not creatable at all: opening it reports the failure
    }
    return path;
}

} // namespace

VideoRecorder::VideoRecorder(QObject *parent)
    : QObject(parent)
    , backend(std::make_shared<SystemRecordingBackend>())
{
    diskWatch.setInterval(1000);
    connect(&diskWatch, &QTimer::timeout, this, &VideoRecorder::checkDisk);
    // The recording's time line stands still from the moment the writers are told to pause or
    // to stop, for both alike, however late each of them reads the word.
    const auto halt = [this] {
        if (clock)
            clock->pause();
    };
    connect(this, &VideoRecorder::pauseWriter, this, halt);
    connect(this, &VideoRecorder::stopWriter, this, halt);
    connect(this, &VideoRecorder::resumeWriter, this, [this] {
        if (clock)
            clock->resume();
    });
}

VideoRecorder::~VideoRecorder()
{
    diskWatch.stop();
    if (videoWriter || audioWriter) {
        // Closing while recording: the writers finish and drain, then the file is completed
        // here, within a time limit, since no event loop runs any more.
        disconnect(this, &VideoRecorder::recorderStopError, nullptr, nullptr);
        emit stopWriter();
        QThread *threads[] = {&videoThread, &audioThread};
        for (QThread *thread : threads)
            thread->quit();
        for (QThread *thread : threads) {
            if (!thread->wait(closeWaitMs)) {
                thread->requestInterruption();
                if (!thread->wait(closeWaitMs)) {
                    // A writer stuck inside a library call; the process is ending anyway.
                    thread->terminate();
                    thread->wait();
                }
            }
        }
        videoWriter = nullptr;
        audioWriter = nullptr;
        writeTrailer();
    }
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

void VideoRecorder::start()
{
    if (videoWriter || audioWriter) {
        emit recorderStopError(QStringLiteral("录屏操作被拒绝：上一次录屏操作还未退出"));
        return;
    }
    if ((audioMode == 0 || audioMode == 2) && !backend->hasDefaultAudioInput()) {
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
    if (!openOutputFile()) {
        refuse(QStringLiteral("录屏操作被拒绝：新建录制文件失败，请确认存储文件夹权限"));
        return;
    }
    stopError.clear();
    clock = std::make_shared<RecordingClock>();
    startVideoWriter();
    videoThread.start();
    if (soundOn()) {
        startAudioWriter();
        audioThread.start();
    }
    clock->start();
    emit startWriter(startSnapshot);
    recording = true;
    diskWatch.start();
}

bool VideoRecorder::createOutputContext()
{
    // What a previous recording left goes; the snapshot just set for this one stays.
    const QPixmap snapshot = startSnapshot;
    releaseOutput();
    startSnapshot = snapshot;
    const QByteArray name = outputFileName.toUtf8();
    if (avformat_alloc_output_context2(&output, nullptr, nullptr, name.constData()) < 0 ||
        !output) {
        output = nullptr;
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
    videoCodec = avcodec_alloc_context3(codec);
    if (!videoCodec) {
        error = QStringLiteral("无法初始化H264编码");
        return false;
    }
    videoCodec->width = outputWidth;
    videoCodec->height = outputHeight;
    videoCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    videoCodec->time_base = AVRational{1, frameRate};
    videoCodec->framerate = AVRational{frameRate, 1};
    videoCodec->max_b_frames = 0;
    videoCodec->pix_fmt = AV_PIX_FMT_YUV420P;
    videoCodec->gop_size = 3 * frameRate;
    videoCodec->codec_id = AV_CODEC_ID_H264;
    videoCodec->thread_count = 4;
    av_opt_set(videoCodec->priv_data, "preset", "superfast", 0);
    if (outputWidth <= 0 || outputHeight <= 0 || avcodec_open2(videoCodec, codec, nullptr) < 0) {
        error = QStringLiteral("打开H264编码失败");
        return false;
    }
    videoStream = avformat_new_stream(output, nullptr);
    if (!videoStream) {
        error = QStringLiteral("创建视频轨道失败");
        return false;
    }
    videoStream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    videoStream->codecpar->codec_tag = 0;
    videoStream->avg_frame_rate = videoCodec->framerate;
    if (avcodec_parameters_from_context(videoStream->codecpar, videoCodec) < 0) {
        error = QStringLiteral("配置视频轨道失败");
        return false;
    }
    return true;
}

bool VideoRecorder::initAudioEncoder(QString &error)
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec) {
        error = QStringLiteral("未找到AAC音频编码");
        return false;
    }
    audioCodec = avcodec_alloc_context3(codec);
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
    audioStream = avformat_new_stream(output, nullptr);
    if (!audioStream) {
        error = QStringLiteral("创建音频轨道失败");
        return false;
    }
    audioStream->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    audioStream->codecpar->codec_tag = 0;
    if (avcodec_parameters_from_context(audioStream->codecpar, audioCodec) < 0) {
        error = QStringLiteral("配置音频轨道失败");
        return false;
    }
    return true;
}

bool VideoRecorder::openOutputFile()
{
    outputFileName = reserveFreeFile(outputFileName);
    const QByteArray name = outputFileName.toUtf8();
    if (avio_open(&output->pb, name.constData(), AVIO_FLAG_WRITE) < 0)
        return false;
    return avformat_write_header(output, nullptr) >= 0;
}

void VideoRecorder::startVideoWriter()
{
    videoWriter = new VideoWriter;
    videoWriter->muxerMutex = &muxerMutex;
    videoWriter->recordingClock = clock;
    videoWriter->area = QRect(areaX, areaY, areaWidth, areaHeight);
    videoWriter->outputSize = QSize(outputWidth, outputHeight);
    videoWriter->frameRate = frameRate;
    videoWriter->videoQuality = videoQuality;
    videoWriter->watermarkCorner = watermarkCorner;
    videoWriter->init(backend->createFrameSource());
    videoWriter->setOutput(output, videoCodec, videoStream);
    videoThread.disconnect();
    videoWriter->moveToThread(&videoThread);

    VideoWriter *writer = videoWriter;
    connect(this, &VideoRecorder::startWriter, writer, &VideoWriter::startWriter);
    connect(this, &VideoRecorder::pauseWriter, writer, &VideoWriter::pauseWriter);
    connect(this, &VideoRecorder::resumeWriter, writer, &VideoWriter::resumeWriter);
    connect(this, &VideoRecorder::stopWriter, writer, &VideoWriter::stopWriter);
    connect(this, &VideoRecorder::resetWinAPos, writer, &VideoWriter::resetWinAPos);
    connect(this, &VideoRecorder::resetWinActivate, writer, &VideoWriter::resetWinActivate);
    connect(writer, &VideoWriter::writerStoped, this, &VideoRecorder::videoWriterStoped);
    connect(writer, &VideoWriter::writerStopError, this, &VideoRecorder::writerStopErrored);
    connect(writer, &VideoWriter::writerTipError, this, &VideoRecorder::writerTipErrored);
    connect(&videoThread, &QThread::finished, writer, &QObject::deleteLater);
    connect(writer, &QObject::destroyed, this, [this] {
        videoWriter = nullptr;
        videoThread.disconnect();
        finishRecording();
    });
}

void VideoRecorder::startAudioWriter()
{
    audioWriter = new AudioWriter;
    audioWriter->muxerMutex = &muxerMutex;
    audioWriter->recordingClock = clock;
    audioWriter->channelCount = channelCount;
    audioWriter->sampleRate = sampleRate;
    audioWriter->bytesPerSample = bytesPerSample;
    audioWriter->initAudioInput(backend->createPcmSource());
    audioWriter->setOutput(output, audioCodec, audioStream);
    audioThread.disconnect();
    audioWriter->moveToThread(&audioThread);

    AudioWriter *writer = audioWriter;
    connect(this, &VideoRecorder::startWriter, writer, &AudioWriter::startWriter);
    connect(this, &VideoRecorder::pauseWriter, writer, &AudioWriter::pauseWriter);
    connect(this, &VideoRecorder::resumeWriter, writer, &AudioWriter::resumeWriter);
    connect(this, &VideoRecorder::stopWriter, writer, &AudioWriter::stopWriter);
    connect(writer, &AudioWriter::writerStoped, this, &VideoRecorder::audioWriterStoped);
    connect(writer, &AudioWriter::writerStopError, this, &VideoRecorder::writerStopErrored);
    connect(writer, &AudioWriter::writerTipError, this, &VideoRecorder::writerTipErrored);
    connect(&audioThread, &QThread::finished, writer, &QObject::deleteLater);
    connect(writer, &QObject::destroyed, this, [this] {
        audioWriter = nullptr;
        audioThread.disconnect();
        finishRecording();
    });
}

void VideoRecorder::pause()
{
    if (videoWriter && (!soundOn() || audioWriter)) {
        emit pauseWriter();
    } else if (videoWriter) {
        emit stopWriter();
        emit recorderStopError(QStringLiteral("录屏操作被拒绝：录屏异常退出[CODE:01]"));
    } else {
        if (audioWriter)
            emit stopWriter();
        emit recorderStopError(QStringLiteral("录屏操作被拒绝：录屏异常退出[CODE:02]"));
    }
}

void VideoRecorder::resume()
{
    if (videoWriter && (!soundOn() || audioWriter)) {
        emit resumeWriter();
    } else if (videoWriter) {
        emit stopWriter();
        emit recorderStopError(QStringLiteral("录屏操作被拒绝：录屏异常退出[CODE:03]"));
    } else {
        if (audioWriter)
            emit stopWriter();
        emit recorderStopError(QStringLiteral("录屏操作被拒绝：录屏异常退出[CODE:04]"));
    }
}

void VideoRecorder::stop()
{
    if (videoWriter || audioWriter)
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

void VideoRecorder::stopThread(QThread &thread, QObject *writer)
{
    if (writer)
        disconnect(this, nullptr, writer, nullptr);
    if (thread.isRunning()) {
        thread.quit();
        // The writer has left its loop already; the limit only guards the window.
        thread.wait(closeWaitMs);
    }
}

void VideoRecorder::writerStopErrored(QString text)
{
    if (videoWriter || audioWriter)
        emit stopWriter();
    // While a file is open the first error waits for its end: only then is it known whether
    // the file was saved at all, and the other writer's error is not told a second time.
    if (output) {
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

void VideoRecorder::checkDisk()
{
    if (!videoWriter && !audioWriter)
        return;
    const qint64 free = backend->freeBytes(QFileInfo(outputFileName).absolutePath());
    if (free >= diskReserveBytes)
        return;
    // Stopping now leaves room for the file's index, so what was recorded stays playable.
    diskWatch.stop();
    writerStopErrored(QStringLiteral("录屏错误：视频录制异常，已强制停止[ERROR_SOURCE:VW]"));
}

void VideoRecorder::finishRecording()
{
    if (videoWriter || audioWriter || !output)
        return;
    const bool saved = writeTrailer() && QFileInfo::exists(outputFileName);
    releaseOutput();
    const QString text = saved ? stopError : QStringLiteral("录屏错误：保存录制文件失败");
    stopError.clear();
    if (!text.isEmpty())
        emit recorderStopError(text);
}

bool VideoRecorder::writeTrailer()
{
    if (!output || !output->pb)
        return false;
    const bool written = av_write_trailer(output) == 0;
    return avio_closep(&output->pb) == 0 && written;
}

void VideoRecorder::releaseOutput()
{
    diskWatch.stop();
    if (output) {
        avio_closep(&output->pb);
        avformat_free_context(output);
        output = nullptr;
    }
    videoStream = nullptr;
    audioStream = nullptr;
    avcodec_free_context(&videoCodec);
    avcodec_free_context(&audioCodec);
    startSnapshot = QPixmap();
    recording = false;
}
