#pragma once

#include <QtGlobal>

#include <functional>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVStream;
class QMutex;

// One stream of the shared output: sends frames to its encoder, takes every packet the encoder
// gives back, and writes them into the output under the muxer mutex.
class StreamEncoder
{
public:
    enum Result { Encoded, FrameLost, OutputFailed };

    // savedBytes, guarded by the muxer mutex, follows how much of the file is written whole;
    // syncFile, if set, sends the file to the disk as it grows.
    void setOutput(AVFormatContext *output, AVCodecContext *codec, AVStream *stream,
                   QMutex *muxerMutex, qint64 *savedBytes, std::function<void()> syncFile);
    // The frame's pts is in the encoder's time base.
    Result encode(AVFrame *frame);
    // Sends the end of the stream and writes what the encoder still holds.
    Result drain();
    AVCodecContext *codecContext() const { return codec; }

private:
    Result send(const AVFrame *frame);

    AVFormatContext *output = nullptr;
    AVCodecContext *codec = nullptr;
    AVStream *stream = nullptr;
    QMutex *muxerMutex = nullptr;
    qint64 *savedBytes = nullptr;
    std::function<void()> syncFile;
    bool drained = false;
};
