#include "recording/streamwriter.h"

void StreamWriter::setOutput(std::shared_ptr<OutputState> state, AVCodecContext *codec,
                             AVStream *stream)
{
    output = state;
    encoder.setOutput(std::move(state), codec, stream, syncFile);
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
}

bool StreamWriter::drainEncoder()
{
    return outputKept() && encoder.drain() != StreamEncoder::OutputFailed;
}
