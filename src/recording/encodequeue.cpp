#include "recording/encodequeue.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

EncodeQueue::EncodeQueue(StreamEncoder &encoder)
    : encoder(encoder)
{}

EncodeQueue::~EncodeQueue()
{
    finish();
    av_frame_free(&converted);
    sws_freeContext(scaler);
}

bool EncodeQueue::start(const QSize &area, const QSize &output, int pixelFormat, int depth)
{
    if (area.isEmpty() || output.isEmpty())
        return false;
    scaler = sws_getContext(area.width(), area.height(), AV_PIX_FMT_BGRA, output.width(),
                            output.height(), static_cast<AVPixelFormat>(pixelFormat), SWS_BICUBIC,
                            nullptr, nullptr, nullptr);
    converted = av_frame_alloc();
    if (!scaler || !converted)
        return false;
    converted->format = pixelFormat;
    converted->width = output.width();
    converted->height = output.height();
    if (av_frame_get_buffer(converted, 32) < 0)
        return false;
    for (int i = 0; i < depth; ++i) {
        auto picture = std::make_unique<Picture>();
        picture->image = QImage(area, QImage::Format_RGB32);
        if (picture->image.isNull())
            return false;
        idle.push_back(picture.get());
        pool.push_back(std::move(picture));
    }
    thread = std::thread([this] { run(); });
    return true;
}

EncodeQueue::Picture *EncodeQueue::take()
{
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !idle.empty(); });
    Picture *picture = idle.front();
    idle.pop_front();
    return picture;
}

void EncodeQueue::push(Picture *picture)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        queued.push_back(picture);
    }
    changed.notify_all();
}

void EncodeQueue::giveBack(Picture *picture)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        idle.push_back(picture);
    }
    changed.notify_all();
}

void EncodeQueue::finish()
{
    if (!thread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        ending = true;
    }
    changed.notify_all();
    thread.join();
}

StreamEncoder::Result EncodeQueue::encode(const Picture &picture)
{
    // An encoder that kept a reference to the last picture's buffer gets it to itself.
    if (av_frame_make_writable(converted) < 0)
        return StreamEncoder::FrameLost;
    const QImage &image = picture.image;
    const uint8_t *planes[1] = {image.constBits()};
    const int strides[1] = {static_cast<int>(image.bytesPerLine())};
    if (sws_scale(scaler, planes, strides, 0, image.height(), converted->data,
                  converted->linesize) <= 0)
        return StreamEncoder::FrameLost;
    converted->pts = picture.index;
    return encoder.encode(converted);
}

void EncodeQueue::run()
{
    for (;;) {
        Picture *picture;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [this] { return ending || !queued.empty(); });
            if (queued.empty())
                return;
            picture = queued.front();
            queued.pop_front();
        }
        if (!failed.load()) {
            const StreamEncoder::Result result = encode(*picture);
            if (result == StreamEncoder::OutputFailed)
                failed = true;
            else if (result == StreamEncoder::FrameLost)
                ++losses;
        }
        giveBack(picture);
    }
}
