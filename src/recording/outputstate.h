#pragma once

#include <QMutex>
#include <QtGlobal>

#include <atomic>

struct AVCodecContext;
struct AVFormatContext;
struct AVStream;

// One recording's output: the file, its encoders and what is known of it. The recorder and both
// writers share it, and it is freed with the last of them: a writer let go at the stop (held in
// a library call or a sync by a slow disk) may come back at any time and finds its own
// recording, never a later one.
struct OutputState
{
    OutputState() = default;
    ~OutputState();
    OutputState(const OutputState &) = delete;
    OutputState &operator=(const OutputState &) = delete;

    // Held around every use of the output context.
    QMutex muxerMutex;
    AVFormatContext *output = nullptr;
    AVCodecContext *videoCodec = nullptr;
    AVCodecContext *audioCodec = nullptr;
    AVStream *videoStream = nullptr;
    AVStream *audioStream = nullptr;
    // How much of the file is written whole (guarded by the muxer mutex), and the header's end.
    qint64 savedBytes = 0;
    qint64 headerBytes = 0;
    int syncFd = -1; // the file, for syncing it to the disk
    // A sync of the file failed: what the disk holds of it is not known (guarded by the mutex).
    bool syncFailed = false;
    // Set once the recorder has let the writers go, without any lock, since a late writer may
    // hold one for long; from then on no packet goes into the output.
    std::atomic<bool> dropped{false};
};
