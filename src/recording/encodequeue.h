#pragma once

#include <QImage>
#include <QSize>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "recording/streamencoder.h"

struct AVFrame;
struct SwsContext;

// Screen pictures handed from the thread that grabs them to a thread of its own that converts
// them to the encoder's format, encodes and writes them, so that neither a slow conversion or
// encode nor a disk that stalls for a moment holds up the next grab. The pictures come from a
// fixed pool: while every one of them waits, take() holds the grabbing thread up, as the work
// in its own line would.
class EncodeQueue
{
public:
    struct Picture
    {
        QImage image;     // BGRA of the grabbed area's size
        qint64 index = 0; // pts in the encoder's time base
    };

    explicit EncodeQueue(StreamEncoder &encoder);
    ~EncodeQueue();
    EncodeQueue(const EncodeQueue &) = delete;
    EncodeQueue &operator=(const EncodeQueue &) = delete;

    // Allocates depth pictures of the area's size and the converter to the output's size and
    // pixel format, and starts the thread.
    bool start(const QSize &area, const QSize &output, int pixelFormat, int depth);
    // A picture to fill.
    Picture *take();
    // Queues a filled picture for the encoder.
    void push(Picture *picture);
    // Encodes what is queued and ends the thread.
    void finish();

    // Pictures lost in conversion or by the encoder since the last call.
    int takeLosses() { return losses.exchange(0); }
    // True once a write to the output failed; nothing is encoded after that.
    bool outputFailed() const { return failed.load(); }

private:
    void run();
    void giveBack(Picture *picture);
    StreamEncoder::Result encode(const Picture &picture);

    StreamEncoder &encoder;
    SwsContext *scaler = nullptr;
    AVFrame *converted = nullptr;
    std::vector<std::unique_ptr<Picture>> pool;
    std::deque<Picture *> idle, queued;
    std::mutex mutex;
    std::condition_variable changed;
    bool ending = false;
    std::thread thread;
    std::atomic<int> losses{0};
    std::atomic<bool> failed{false};
};
