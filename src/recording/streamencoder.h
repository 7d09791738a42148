#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

#include "recording/outputstate.h"

struct AVFrame;

// One stream of the shared output: sends frames to its encoder, takes every packet the encoder
// gives back, and writes them into the output under the muxer mutex, unless the recording has
// let its writers go.
class StreamEncoder
{
public:
    enum Result { Encoded, FrameLost, OutputFailed };

    // The output's savedBytes follows how much of the file is written whole; syncFile, if set,
    // sends the file to the disk as it grows, and a sync the disk refuses fails the output.
    void setOutput(std::shared_ptr<OutputState> output, AVCodecContext *codec, AVStream *stream,
                   std::function<bool()> syncFile);
    // The frame's pts is in the encoder's time base.
    Result encode(AVFrame *frame);
    // Sends the end of the stream and writes what the encoder still holds.
    Result drain();
    AVCodecContext *codecContext() const { return codec; }

private:
    Result send(const AVFrame *frame);

    std::shared_ptr<OutputState> state;
    AVCodecContext *codec = nullptr;
    AVStream *stream = nullptr;
    std::function<bool()> syncFile;
    bool drained = false;
};
