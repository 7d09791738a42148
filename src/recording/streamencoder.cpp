#include "recording/streamencoder.h"

#include <QMutexLocker>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

void StreamEncoder::setOutput(AVFormatContext *outputContext, AVCodecContext *codecContext,
                              AVStream *outputStream, QMutex *mutex, qint64 *saved,
                              std::function<void()> sync)
{
    syncFile = std::move(sync);
    savedBytes = saved;
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
        // The AAC encoder's lead-in lies before the start. A fragmented file has no edit list
        // to hide it, and the muxer would shift every stream by its length instead.
        if (packet->pts != AV_NOPTS_VALUE && packet->pts < 0) {
            av_packet_unref(packet);
            continue;
        }
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        int status;
        bool ioFailed, grown = false;
        {
            QMutexLocker lock(muxerMutex);
            status = av_interleaved_write_frame(output, packet);
            if (output->pb)
                avio_flush(output->pb);
            ioFailed = output->pb && output->pb->error < 0;
            // The muxer hands the file whole fragments and each write is flushed: what lies
            // before the position now is a playable file.
            if (status >= 0 && !ioFailed && output->pb && savedBytes) {
                grown = avio_tell(output->pb) > *savedBytes;
                *savedBytes = avio_tell(output->pb);
            }
        }
        // Each fragment goes to the disk itself as it is written, so that a power cut keeps it.
        if (grown && syncFile)
            syncFile();
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
