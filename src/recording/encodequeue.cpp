#include "recording/encodequeue.h"

#include "recording/streamwriter.h"

extern "C" {
#include <libavutil/frame.h>
}

EncodeQueue::EncodeQueue(StreamEncoder &encoder, std::shared_ptr<WriterLease> lease)
    : encoder(encoder)
    , lease(std::move(lease))
{}

EncodeQueue::~EncodeQueue()
{
    finish();
    for (AVFrame *picture : pool)
        av_frame_free(&picture);
}

bool EncodeQueue::start(int width, int height, int pixelFormat, int depth)
{
    for (int i = 0; i < depth; ++i) {
        AVFrame *picture = av_frame_alloc();
        if (!picture)
            return false;
        pool.push_back(picture);
        picture->format = pixelFormat;
        picture->width = width;
        picture->height = height;
        if (av_frame_get_buffer(picture, 32) < 0)
            return false;
        idle.push_back(picture);
    }
    thread = std::thread([this] { run(); });
    return true;
}

AVFrame *EncodeQueue::take()
{
    AVFrame *picture;
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return !idle.empty(); });
        picture = idle.front();
        idle.pop_front();
    }
    // An encoder that kept a reference to the picture's buffer gets it to itself.
    if (av_frame_make_writable(picture) < 0) {
        giveBack(picture);
        return nullptr;
    }
    return picture;
}

void EncodeQueue::push(AVFrame *picture)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        queued.push_back(picture);
    }
    changed.notify_all();
}

void EncodeQueue::giveBack(AVFrame *picture)
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

void EncodeQueue::run()
{
    for (;;) {
        AVFrame *picture;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [this] { return ending || !queued.empty(); });
            if (queued.empty())
                return;
            picture = queued.front();
            queued.pop_front();
        }
        if (!failed.load()) {
            const OutputUse use(*lease);
            const StreamEncoder::Result result =
                use ? encoder.encode(picture) : StreamEncoder::OutputFailed;
            if (result == StreamEncoder::OutputFailed)
                failed = true;
            else if (result == StreamEncoder::FrameLost)
                ++losses;
        }
        giveBack(picture);
    }
}
