#pragma once

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "recording/streamencoder.h"

struct AVFrame;
struct WriterLease;

// Pictures handed from the thread that grabs them to a thread of its own that encodes and writes
// them, so that a slow encode or a disk that stalls for a moment does not hold up the next grab.
// The pictures come from a fixed pool: while every one of them waits to be encoded, take()
// holds the grabbing thread up, as an encode in its own line would.
class EncodeQueue
{
public:
    EncodeQueue(StreamEncoder &encoder, std::shared_ptr<WriterLease> lease);
    ~EncodeQueue();
    EncodeQueue(const EncodeQueue &) = delete;
    EncodeQueue &operator=(const EncodeQueue &) = delete;

    // Allocates depth pictures of the given size and pixel format and starts the thread.
    bool start(int width, int height, int pixelFormat, int depth);
    // A picture to fill; nullptr when none could be made writable.
    AVFrame *take();
    // Queues a filled picture (its pts set) for the encoder.
    void push(AVFrame *picture);
    // Hands back a picture that was taken but is not to be encoded.
    void giveBack(AVFrame *picture);
    // Encodes what is queued and ends the thread.
    void finish();

    // Pictures the encoder lost since the last call.
    int takeLosses() { return losses.exchange(0); }
    // True once a write to the output failed; nothing is encoded after that.
    bool outputFailed() const { return failed.load(); }

private:
    void run();

    StreamEncoder &encoder;
    const std::shared_ptr<WriterLease> lease;
    std::vector<AVFrame *> pool;
    std::deque<AVFrame *> idle, queued;
    std::mutex mutex;
    std::condition_variable changed;
    bool ending = false;
    std::thread thread;
    std::atomic<int> losses{0};
    std::atomic<bool> failed{false};
};
