#include "recording/streamencoder.h"

#include <QMutexLocker>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

void StreamEncoder::setOutput(AVFormatContext *outputContext, AVCodecContext *codecContext,
                              AVStream *outputStream, QMutex *mutex)
{
    output = outputContext;
    codec = codecContext;
    stream = outputStream;
    muxerMutex = mutex;
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
    if (!output || !codec || !stream || !muxerMutex)
        return FrameLost;
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
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        int status;
        bool ioFailed;
        {
            QMutexLocker lock(muxerMutex);
            status = av_interleaved_write_frame(output, packet);
            ioFailed = output->pb && output->pb->error < 0;
        }
        av_packet_unref(packet);
        // A failed file write stays failed (full disk, lost folder); anything else loses
        // this packet only.
        if (ioFailed) {
            result = OutputFailed;
            break;
        }
        if (status < 0)
            result = FrameLost;
    }
    av_packet_free(&packet);
    return result;
}
