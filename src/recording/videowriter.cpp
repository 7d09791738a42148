#include "recording/videowriter.h"

#include <QCoreApplication>
#include <QPainter>
#include <QThread>

#include <cstring>

#include "base/paths.h"
#include "base/uimetrics.h"
#include "platform/framesource.h"
#include "recording/encodequeue.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixfmt.h>
}

namespace {
// Pictures that may wait for the encoder: half a second at 20 frames a second, 8 MB each at
// 1080p.
constexpr int queueDepth = 10;
} // namespace

VideoWriter::VideoWriter(std::shared_ptr<RecordingClock> clock, QObject *parent)
    : StreamWriter(std::move(clock), parent)
{}

VideoWriter::~VideoWriter()
{
    releaseCapture();
}

bool VideoWriter::logoPosition(int corner, const QSize &areaSize, const QSize &logoSize, int margin,
                               QPoint *position)
{
    const int w = areaSize.width(), h = areaSize.height();
    const int lw = logoSize.width(), lh = logoSize.height();
    switch (corner) {
        case 1:
            *position = QPoint(margin, margin);
            return true;
        case 2:
            *position = QPoint(w - lw - margin, margin);
            return true;
        case 3:
            *position = QPoint(w - lw - margin, h - lh - margin);
            return true;
        case 4:
            *position = QPoint(margin, h - lh - margin);
            return true;
        default:
            return false;
    }
}

void VideoWriter::init(std::unique_ptr<FrameSource> source)
{
    frameSource = std::move(source);
    captureReady = frameSource && frameSource->open(area);
    if (watermarkCorner != 0)
        logo = QImage(watermarkFilePath());
    if (logo.isNull() ||
        !logoPosition(watermarkCorner, area.size(), logo.size(), titleBarButtonSize(), &logoAt))
        watermarkCorner = 0;
}

bool VideoWriter::initQueue()
{
    if (!encoder.codecContext())
        return false;
    queue = std::make_unique<EncodeQueue>(encoder);
    return queue->start(area.size(), outputSize, AV_PIX_FMT_YUV420P, queueDepth);
}

void VideoWriter::startWriter(QPixmap snapshot)
{
    if (!captureReady) {
        releaseCapture();
        emit writerStoped();
        emit writerStopError(QStringLiteral("录屏错误：图像采集设备初始化失败[ERROR_SOURCE:VW]"));
        return;
    }
    if (!initQueue()) {
        releaseCapture();
        emit writerStoped();
        emit writerStopError(QStringLiteral("录屏错误：图像输出设备初始化失败[ERROR_SOURCE:VW]"));
        return;
    }
    // The snapshot stands in while no screen picture has been taken; one of another size is
    // scaled so that it is never read past its end.
    lastFrame = snapshot.toImage().convertToFormat(QImage::Format_RGB32);
    if (!lastFrame.isNull() && lastFrame.size() != area.size())
        lastFrame = lastFrame.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    LoopEnd end = runLoop();
    queue->finish();
    if (end == Stopped && queue->outputFailed())
        end = OutputLost;
    const bool drained = drainEncoder();
    releaseCapture();
    emit writerStoped();
    if (end != Stopped || !drained)
        emit writerStopError(QStringLiteral("录屏错误：视频录制异常，已强制停止[ERROR_SOURCE:VW]"));
}

VideoWriter::LoopEnd VideoWriter::runLoop()
{
    running = true;
    maxLostFrames = frameRate * 10;
    const qint64 interval = 1000 / qMax(1, frameRate);
    // Frames are stamped on the recording's time line, which stands still while paused: a
    // pause leaves no gap in the stamps, and the sound is stamped on the same line.
    RecordingClock &timeLine = clock();
    // Grabs start at frame times; a frame's stamp follows when its grab completed.
    qint64 nextIndex = 0, nextStamp = 0;
    QThread *thread = QThread::currentThread();
    for (;;) {
        const qint64 active = timeLine.elapsedNs() / 1000000;
        if (paused) {
            QThread::msleep(5);
        } else if (active >= qMax(nextIndex, nextStamp) * interval) {
            // Frame times passed while the last frame was made are skipped, and so is the rest
            // of the frame time a late grab was stamped with: two grabs in one frame time would
            // put the second frame's stamp ahead of the time line.
            nextIndex = qMax(nextIndex, active / interval) + 1;
            const LoopEnd end = takeFrame(&nextStamp, interval);
            if (end != Going)
                return end;
        } else {
            QThread::msleep(static_cast<unsigned long>(
                qMin<qint64>(5, qMax(nextIndex, nextStamp) * interval - active)));
        }
        // The first frame is taken before any stop is looked at, so even a stop right after
        // the start leaves a picture in the file. Events posted before this loop began would
        // wait for the next one under the glib dispatcher's processEvents alone: send them.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        if (!running || thread->isInterruptionRequested()) {
            // The time line stood still at the stop: a frame due by then is still taken, so
            // the picture lasts up to the stop as the sound does.
            const qint64 stoppedAt = timeLine.elapsedNs() / 1000000;
            if (paused || stoppedAt < qMax(nextIndex, nextStamp) * interval)
                return Stopped;
            const LoopEnd end = takeFrame(&nextStamp, interval);
            return end == Going ? Stopped : end;
        }
    }
}

VideoWriter::LoopEnd VideoWriter::takeFrame(qint64 *nextStamp, qint64 interval)
{
    // A write that failed, or pictures the encoder lost, are learned a frame late: the encoder
    // works in a thread of its own.
    if (queue->outputFailed())
        return OutputLost;
    for (int lost = queue->takeLosses(); lost > 0; --lost) {
        if (!frameLost(QStringLiteral("录屏错误提示：视频帧丢失[ERROR_SOURCE:VW]")))
            return TooManyLost;
    }
    QImage image = frameSource->grab();
    // Stamped by the frame time in which the grab completed (when its pixels were read, where
    // the source tells): a grab that ran late shows the screen of the later time. Each frame
    // gets a later stamp than the one before.
    qint64 grabbedMs = clock().elapsedNs() / 1000000;
    if (const qint64 readNs = frameSource->lastGrabNs()) {
        const RecordingClock::Place where = clock().place(readNs);
        if (where.running)
            grabbedMs = qMin(grabbedMs, where.recordingNs / 1000000);
    }
    const qint64 index = qMax(*nextStamp, grabbedMs / interval);
    *nextStamp = index + 1;
    clock().pictureReaches(*nextStamp * interval * 1000000);
    bool lost = image.isNull() || image.size() != area.size();
    if (lost) {
        image = lastFrame;
    } else {
        if (watermarkCorner != 0) {
            QPainter painter(&image);
            painter.drawImage(logoAt, logo);
        }
        lastFrame = image;
    }
    if (!image.isNull())
        queueImage(image, index);
    if (lost && !frameLost(QStringLiteral("录屏错误提示：视频帧丢失[ERROR_SOURCE:VW]")))
        return TooManyLost;
    return Going;
}

void VideoWriter::queueImage(const QImage &image, qint64 index)
{
    // A copy: the grab may lie in the source's memory, which the next grab overwrites. The
    // conversion to the encoder's format is left to the encoder's thread.
    EncodeQueue::Picture *picture = queue->take();
    QImage &copy = picture->image;
    const auto lineBytes = static_cast<size_t>(qMin(copy.bytesPerLine(), image.bytesPerLine()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(copy.scanLine(y), image.constScanLine(y), lineBytes);
    picture->index = index;
    queue->push(picture);
}

void VideoWriter::releaseCapture()
{
    queue.reset();
    frameSource.reset();
    resetStream();
    lastFrame = QImage();
    logo = QImage();
}
