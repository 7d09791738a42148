#include "recording/audiowriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstring>

#include "platform/pcmsource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace {
// Silence this long put in for sound that never came is told at the stop: before the first
// sound a microphone is often slow to begin, after it a gap means the input went away.
constexpr qint64 missingBeforeSoundMs = 5000;
constexpr qint64 missingAfterSoundMs = 2000;
// Recording time this long past with no sound for it is filled with silence, so that the file
// keeps both streams while a device is gone; later sound for it would only have been late.
constexpr qint64 stallFillMs = 3000;
// Capture stamps come late by the delivery's jitter and a device clock drifts from ours:
// sound stays where counting puts it while its stamp is this close, else it moves to the
// stamp. Both stay well inside one video frame.
constexpr qint64 lateToleranceMs = 30;
constexpr qint64 earlyToleranceMs = 5;
// How long a stop waits for sound captured before it that is still on its way.
constexpr qint64 tailWaitMs = 150;
constexpr qint64 nsPerSecond = 1000000000;

QString lostTip()
{
    return QStringLiteral("录屏错误提示：音频帧丢失[ERROR_SOURCE:AW]");
}
QString forcedStop()
{
    return QStringLiteral("录屏错误：音频录制异常，已强制停止[ERROR_SOURCE:AW]");
}
} // namespace

AudioWriter::AudioWriter(std::shared_ptr<RecordingClock> clock, QObject *parent)
    : StreamWriter(std::move(clock), parent)
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
    // The input may have taken longer to open than the recorder waits.
    if (!outputKept()) {
        releaseCapture();
        return;
    }
    if (!initResampler()) {
        releaseCapture();
        emit writerStoped();
        emit writerStopError(QStringLiteral("录屏错误：音频输出设备初始化失败[ERROR_SOURCE:AW]"));
        return;
    }
    LoopEnd end = runLoop();
    if (end == TooManyLost && placedEnd() > 0) {
        // The recording ends here for both streams: the sound runs to the end of the picture.
        clock().pause();
        if (finish() == OutputLost)
            end = OutputLost;
    } else if (end == Stopped) {
        end = finish();
    }
    const bool drained = drainEncoder();
    releaseCapture();
    emit writerStoped();
    if (end != Stopped || !drained)
        emit writerStopError(forcedStop());
    else if (soundMissing)
        emit writerStopError(
            QStringLiteral("录屏已保存，但录制中音频输入中断，部分时段没有声音[ERROR_SOURCE:AW]"));
}

AudioWriter::LoopEnd AudioWriter::runLoop()
{
    maxLostFrames = sampleRate * 10 / frameSize;
    running = true;
    frameBytes = channelCount * bytesPerSample;
    block = QByteArray(frameSize * frameBytes, '\0');
    readBuffer = QByteArray(sampleRate / 4 * frameBytes, '\0');
    QThread *thread = QThread::currentThread();
    // Every pass looks at the flags, so neither a silent input nor a pause can hold a stop.
    // Sound is read while paused too: the time line, not the flag, tells what belongs before
    // the pause.
    for (;;) {
        // Posted before this loop began, the stop would wait for the next posted event under
        // the glib dispatcher's processEvents alone: send them explicitly.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        if (!running || thread->isInterruptionRequested())
            return Stopped;
        qint64 frames = 0;
        LoopEnd end = takeArrived(&frames);
        if (end != Going)
            return end;
        if (frames < 0) {
            QThread::msleep(5);
            continue;
        }
        // An input that delivers nothing (unplugged, suspended, its server gone) loses no
        // frames: its time becomes silence once it is this far behind.
        const qint64 due = framesIn(clock().elapsedNs() - stallFillMs * 1000000);
        if (due > placedEnd() && (end = append(nullptr, due - placedEnd())) != Going)
            return end;
        if (frames == 0)
            QThread::msleep(2);
    }
}

AudioWriter::LoopEnd AudioWriter::finish()
{
    // The time line stands still from the stop on: the sound captured before it that is still
    // on its way, then silence up to it, so that the sound track ends with the picture.
    const qint64 stopAt = framesIn(clock().elapsedNs());
    QElapsedTimer waited;
    waited.start();
    while (placedEnd() < stopAt && waited.elapsed() < tailWaitMs) {
        qint64 frames = 0;
        const LoopEnd end = takeArrived(&frames);
        if (end != Going)
            return end;
        if (frames < 0)
            break;
        if (frames == 0)
            QThread::msleep(2);
    }
    // A last frame stamped by a grab completing at the stop may reach a little past it.
    const qint64 endAt = qMax(stopAt, framesIn(clock().pictureEndNs()));
    if (placedEnd() < endAt) {
        const LoopEnd end = append(nullptr, endAt - placedEnd());
        if (end != Going)
            return end;
    }
    if (blockFilled > 0) {
        const StreamEncoder::Result result = encodeBlock(blockFilled);
        blockAt += blockFilled;
        blockFilled = 0;
        if (result == StreamEncoder::OutputFailed)
            return OutputLost;
    }
    return Stopped;
}

AudioWriter::LoopEnd AudioWriter::takeArrived(qint64 *frames)
{
    qint64 capturedNs = 0;
    const qint64 got = source->read(readBuffer.data(), readBuffer.size(), &capturedNs);
    if (got < 0) {
        // A read error is lost sound, never noise in the file.
        *frames = -1;
        return frameLost(lostTip()) ? Going : TooManyLost;
    }
    *frames = got / frameBytes;
    return *frames > 0 ? place(readBuffer.constData(), *frames, capturedNs) : Going;
}

AudioWriter::LoopEnd AudioWriter::place(const char *data, qint64 frames, qint64 capturedNs)
{
    // Cut at the time line's stops: what was captured before the start, while paused or after
    // the stop is not in the recording.
    for (qint64 i = 0; i < frames;) {
        const qint64 at = capturedNs + i * nsPerSecond / sampleRate;
        const RecordingClock::Place where = clock().place(at);
        qint64 count;
        if (!where.running) {
            if (where.nextRunNs == RecordingClock::never)
                return Going;
            count = framesIn(where.nextRunNs - at);
        } else {
            count = where.runsUntilNs == RecordingClock::never
                        ? frames - i
                        : qBound<qint64>(1, framesIn(where.runsUntilNs - at), frames - i);
            const LoopEnd end = placeAt(data + i * frameBytes, count, where.recordingNs);
            if (end != Going)
                return end;
        }
        i += qMax<qint64>(1, count);
    }
    return Going;
}

AudioWriter::LoopEnd AudioWriter::placeAt(const char *data, qint64 frames, qint64 recordingNs)
{
    const qint64 late = framesIn(recordingNs) - placedEnd();
    const qint64 lateTolerance = sampleRate * lateToleranceMs / 1000;
    const qint64 earlyTolerance = sampleRate * earlyToleranceMs / 1000;
    // After a gap the stamp alone counts; within sound, only what jitter cannot explain.
    if (late > 0 && (!soundLast || late > lateTolerance)) {
        const LoopEnd end = append(nullptr, late);
        if (end != Going)
            return end;
    } else if (late < 0 && (!soundLast || -late > earlyTolerance)) {
        // Its first part belongs where the time line is filled already.
        const qint64 skip = qMin(frames, -late);
        data += skip * frameBytes;
        frames -= skip;
    }
    return append(data, frames);
}

AudioWriter::LoopEnd AudioWriter::append(const char *data, qint64 frames)
{
    if (frames <= 0)
        return Going;
    soundLast = data != nullptr;
    if (data) {
        soundSeen = true;
        silentRun = 0;
    } else {
        silentRun += frames;
        const qint64 missingMs = soundSeen ? missingAfterSoundMs : missingBeforeSoundMs;
        soundMissing = soundMissing || silentRun * 1000 >= missingMs * sampleRate;
    }
    while (frames > 0) {
        const int n = int(qMin<qint64>(frames, frameSize - blockFilled));
        char *to = block.data() + blockFilled * frameBytes;
        if (data) {
            memcpy(to, data, size_t(n) * frameBytes);
            data += n * frameBytes;
        } else {
            memset(to, 0, size_t(n) * frameBytes);
        }
        blockFilled += n;
        frames -= n;
        if (blockFilled < frameSize)
            continue;
        const StreamEncoder::Result result = encodeBlock(frameSize);
        blockAt += frameSize;
        blockFilled = 0;
        if (result == StreamEncoder::OutputFailed)
            return OutputLost;
        if (result == StreamEncoder::FrameLost && !frameLost(lostTip()))
            return TooManyLost;
    }
    return Going;
}

StreamEncoder::Result AudioWriter::encodeBlock(int frames)
{
    if (!outputKept())
        return StreamEncoder::OutputFailed;
    AVCodecContext *codec = encoder.codecContext();
    // A short last block goes as it is where the encoder takes one, else padded with silence.
    if (frames < frameSize && !(codec->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)) {
        memset(block.data() + frames * frameBytes, 0, size_t(frameSize - frames) * frameBytes);
        frames = frameSize;
    }
    if (av_frame_make_writable(samples) < 0)
        return StreamEncoder::FrameLost;
    samples->nb_samples = frames;
    const uint8_t *input[1] = {reinterpret_cast<const uint8_t *>(block.constData())};
    if (swr_convert(resampler, samples->data, frames, input, frames) <= 0)
        return StreamEncoder::FrameLost;
    // Stamped by its place on the time line, in the encoder's time base.
    samples->pts = av_rescale_q(blockAt, AVRational{1, sampleRate}, codec->time_base);
    return encoder.encode(samples);
}

qint64 AudioWriter::framesIn(qint64 ns) const
{
    // Rounded up, so that a stretch of sound is never cut short by a fraction of a frame.
    return ns <= 0 ? 0 : (ns * sampleRate + nsPerSecond - 1) / nsPerSecond;
}

void AudioWriter::releaseCapture()
{
    if (source)
        source->stop();
    swr_free(&resampler);
    av_frame_free(&samples);
    blockAt = 0;
    blockFilled = 0;
    soundLast = false;
    soundSeen = false;
    silentRun = 0;
    resetStream();
}
