#include "recording/audiowriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "platform/pcmsource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace {
// An input that delivers nothing for this long has lost a frame's worth of sound.
constexpr qint64 silentInputMs = 1000;

QString lostTip()
{
    return QStringLiteral("录屏错误提示：音频帧丢失[ERROR_SOURCE:AW]");
}
} // namespace

AudioWriter::AudioWriter(QObject *parent)
    : StreamWriter(parent)
{}

AudioWriter::~AudioWriter()
{
    releaseCapture();
}

void AudioWriter::initAudioInput(PcmSource *pcmSource)
{
    source = pcmSource;
    if (source)
        source->setParent(this);
}

bool AudioWriter::initResampler()
{
    AVCodecContext *codec = encoder.codecContext();
    if (!codec)
        return false;
    // The input already has the encoder's rate and layout: only the sample format changes.
    if (swr_alloc_set_opts2(&resampler, &codec->ch_layout, codec->sample_fmt, codec->sample_rate,
                            &codec->ch_layout, AV_SAMPLE_FMT_S16, codec->sample_rate, 0,
                            nullptr) < 0 ||
        swr_init(resampler) < 0)
        return false;
    samples = av_frame_alloc();
    if (!samples)
        return false;
    samples->format = codec->sample_fmt;
    samples->sample_rate = codec->sample_rate;
    samples->nb_samples = frameSize;
    if (av_channel_layout_copy(&samples->ch_layout, &codec->ch_layout) < 0)
        return false;
    return av_frame_get_buffer(samples, 0) == 0;
}

void AudioWriter::startWriter()
{
    // Started here, in the writer's thread: the audio input's own objects and timers must live
    // in the thread that reads from it.
    if (!source || !source->start(sampleRate, channelCount)) {
        releaseCapture();
        emit writerStoped();
        emit writerStopError(QStringLiteral("录屏错误：音频输入设备初始化失败[ERROR_SOURCE:AW]"));
        return;
    }
    if (!initResampler()) {
        releaseCapture();
        emit writerStoped();
        emit writerStopError(QStringLiteral("录屏错误：音频输出设备初始化失败[ERROR_SOURCE:AW]"));
        return;
    }
    const LoopEnd end = runLoop();
    const bool drained = encoder.drain() != StreamEncoder::OutputFailed;
    releaseCapture();
    emit writerStoped();
    if (end != Stopped || !drained)
        emit writerStopError(QStringLiteral("录屏错误：音频录制异常，已强制停止[ERROR_SOURCE:AW]"));
}

AudioWriter::LoopEnd AudioWriter::runLoop()
{
    maxLostFrames = sampleRate * 10 / frameSize;
    running = true;
    QByteArray block(channelCount * bytesPerSample * frameSize, '\0');
    QByteArray discard(block.size(), '\0');
    qint64 filled = 0;
    QElapsedTimer sinceData;
    sinceData.start();
    QThread *thread = QThread::currentThread();
    // Every pass looks at the flags, so neither a silent input nor a pause can hold a stop.
    for (;;) {
        // Posted before this loop began, the stop would wait for the next posted event under
        // the glib dispatcher's processEvents alone: send them explicitly.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        if (!running || thread->isInterruptionRequested())
            return Stopped;
        if (paused) {
            // Sound that arrives while paused is thrown away, never played after resume.
            while (source->bytesReady() > 0 && source->read(discard.data(), discard.size()) > 0) {
            }
            sinceData.restart();
            QThread::msleep(5);
            continue;
        }
        const qint64 ready = source->bytesReady();
        if (ready <= 0) {
            if (sinceData.elapsed() > silentInputMs) {
                sinceData.restart();
                if (!frameLost(lostTip()))
                    return TooManyLost;
            }
            QThread::msleep(2);
            continue;
        }
        const qint64 got = source->read(block.data() + filled, qMin(ready, block.size() - filled));
        if (got < 0) {
            // A read error spoils the block being filled.
            filled = 0;
            if (!frameLost(lostTip()))
                return TooManyLost;
            QThread::msleep(5);
            continue;
        }
        sinceData.restart();
        filled += got;
        if (filled < block.size())
            continue;
        filled = 0;
        const StreamEncoder::Result result = encodeBlock(block);
        if (result == StreamEncoder::OutputFailed)
            return OutputLost;
        if (result == StreamEncoder::FrameLost && !frameLost(lostTip()))
            return TooManyLost;
    }
}

StreamEncoder::Result AudioWriter::encodeBlock(const QByteArray &block)
{
    if (av_frame_make_writable(samples) < 0)
        return StreamEncoder::FrameLost;
    const uint8_t *input[1] = {reinterpret_cast<const uint8_t *>(block.constData())};
    if (swr_convert(resampler, samples->data, frameSize, input, frameSize) <= 0)
        return StreamEncoder::FrameLost;
    // Time stamps count the samples taken, in the encoder's time base.
    AVCodecContext *codec = encoder.codecContext();
    samples->pts = av_rescale_q(sampleTotal, AVRational{1, sampleRate}, codec->time_base);
    sampleTotal += frameSize;
    return encoder.encode(samples);
}

void AudioWriter::releaseCapture()
{
    if (source)
        source->stop();
    swr_free(&resampler);
    av_frame_free(&samples);
    sampleTotal = 0;
    resetStream();
}
