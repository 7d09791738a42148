#include "recording/streamencoder.h"

#include <QMutexLocker>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

void StreamEncoder::setOutput(std::shared_ptr<OutputState> output, AVCodecContext *codecContext,
                              AVStream *outputStream, std::function<bool()> sync)
{
    syncFile = std::move(sync);
    state = std::move(output);
    codec = codecContext;
    stream = outputStream;
    drained = false;
}

StreamEncoder::Result StreamEncoder::encode(AVFrame *frame)
{
    if (!frame || drained)
        return FrameLost;
    return send(frame);
}

StreamEncoder::Result StreamEncoder::drain()
{
    if (drained || !codec)
        return Encoded;
    drained = true;
    return send(nullptr);
}

StreamEncoder::Result StreamEncoder::send(const AVFrame *frame)
{
    if (!state || !state->output || !codec || !stream)
        return FrameLost;
    if (state->dropped)
        return OutputFailed;
    if (avcodec_send_frame(codec, frame) < 0)
        return FrameLost;
    AVPacket *packet = av_packet_alloc();
    if (!packet)
        return FrameLost;
    Result result = Encoded;
    // The encoder may hold frames back (look-ahead, threads); that is no loss. Every packet it
    // has ready is written now.
    for (;;) {
        const int received = avcodec_receive_packet(codec, packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            break;
        if (received < 0) {
            result = FrameLost;
            break;
        }
        // The AAC encoder's lead-in lies before the start. A fragmented file has no edit list
        // to hide it, and the muxer would shift every stream by its length instead.
        if (packet->pts != AV_NOPTS_VALUE && packet->pts < 0) {
            av_packet_unref(packet);
            continue;
        }
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        int status = 0;
        bool ioFailed, grown = false;
        {
            QMutexLocker lock(&state->muxerMutex);
            // Let go (held up past the stop's limit): the file is being finished without us.
            AVFormatContext *output = state->dropped ? nullptr : state->output;
            if (output)
                status = av_interleaved_write_frame(output, packet);
            if (output && output->pb)
                avio_flush(output->pb);
            ioFailed = !output || (output->pb && output->pb->error < 0);
            // The muxer hands the file whole fragments and each write is flushed: what lies
            // before the position now is a playable file.
            if (status >= 0 && !ioFailed && output->pb) {
                grown = avio_tell(output->pb) > state->savedBytes;
                state->savedBytes = avio_tell(output->pb);
            }
        }
        // Each fragment goes to the disk itself as it is written, so that a power cut keeps it.
        // One the disk did not take ends the recording as a failed write does: what follows
        // might not reach the disk either.
        if (grown && syncFile && !syncFile()) {
            QMutexLocker lock(&state->muxerMutex);
            state->syncFailed = ioFailed = true;
        }
        av_packet_unref(packet);
        // A failed file write stays failed (full disk, lost folder); anything else loses
        // this packet only.
        if (ioFailed || state->dropped) {
            result = OutputFailed;
            break;
        }
        if (status < 0)
            result = FrameLost;
    }
    av_packet_free(&packet);
    return result;
}
