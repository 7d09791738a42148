#include "recording/streamwriter.h"

void StreamWriter::setOutput(AVFormatContext *output, AVCodecContext *codec, AVStream *stream)
{
    encoder.setOutput(output, codec, stream, muxerMutex, savedBytes, syncFile);
}

void StreamWriter::pauseWriter()
{
    if (running)
        paused = true;
}

void StreamWriter::resumeWriter()
{
    if (running)
        paused = false;
}

void StreamWriter::stopWriter()
{
    running = false;
}

bool StreamWriter::frameLost(const QString &tip)
{
    if (++lostFrames > maxLostFrames)
        return false;
    emit writerTipError(tip);
    return true;
}

void StreamWriter::resetStream()
{
    lostFrames = 0;
    muxerMutex = nullptr;
    savedBytes = nullptr;
}

bool StreamWriter::drainEncoder()
{
    const OutputUse use(*lease);
    return use && encoder.drain() != StreamEncoder::OutputFailed;
}
