#pragma once

// Reads a recording back through libavformat and libavcodec, as a player would.

#include <QColor>
#include <QImage>
#include <QString>
#include <QVector>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

struct MediaProbe
{
    bool opened = false;
    int streams = 0;
    // video
    AVCodecID videoCodec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    int pixelFormat = -1;
    double frameRate = 0;
    QVector<double> videoTimes; // seconds, in decoding order of the packets
    int decodedFrames = 0;
    double videoDuration = 0; // last frame's end minus the first frame's start
    QColor lastFrameColor;    // at the probe point of the last decoded frame
    QImage lastFrame;         // the whole last frame, when asked for
    // audio
    AVCodecID audioCodec = AV_CODEC_ID_NONE;
    int sampleRate = 0;
    int channels = 0;
    qint64 audioSamples = 0; // decoded, per channel
    float audioPeak = 0;

    double audioDuration() const { return sampleRate ? double(audioSamples) / sampleRate : 0; }
};

inline bool nearColor(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) < tolerance && qAbs(a.green() - b.green()) < tolerance &&
           qAbs(a.blue() - b.blue()) < tolerance;
}

inline QColor yuvColorAt(const AVFrame *frame, int x, int y)
{
    const double Y = frame->data[0][y * frame->linesize[0] + x];
    const double U = frame->data[1][(y / 2) * frame->linesize[1] + x / 2] - 128.0;
    const double V = frame->data[2][(y / 2) * frame->linesize[2] + x / 2] - 128.0;
    auto clamp = [](double v) { return int(std::lround(std::min(255.0, std::max(0.0, v)))); };
    const double c = 1.164 * (Y - 16);
    return QColor(clamp(c + 1.596 * V), clamp(c - 0.813 * V - 0.391 * U), clamp(c + 2.018 * U));
}

// Decodes what the decoder holds; the last video frame stays in `last`.
inline void drainDecoder(AVCodecContext *decoder, AVFrame *frame, MediaProbe &probe, AVFrame *last)
{
    while (avcodec_receive_frame(decoder, frame) == 0) {
        if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++probe.decodedFrames;
            av_frame_unref(last);
            av_frame_move_ref(last, frame);
            continue;
        }
        probe.audioSamples += frame->nb_samples;
        for (int c = 0; c < frame->ch_layout.nb_channels; ++c) {
            const float *s = reinterpret_cast<const float *>(frame->extended_data[c]);
            for (int i = 0; i < frame->nb_samples; ++i)
                probe.audioPeak = std::max(probe.audioPeak, std::fabs(s[i]));
        }
        av_frame_unref(frame);
    }
}

inline MediaProbe probeMedia(const QString &path, QPoint point = QPoint(8, 8),
                             bool keepLastFrame = false)
{
    MediaProbe probe;
    AVFormatContext *input = nullptr;
    if (avformat_open_input(&input, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return probe;
    probe.opened = avformat_find_stream_info(input, nullptr) >= 0;
    probe.streams = probe.opened ? int(input->nb_streams) : 0;
    QVector<AVCodecContext *> decoders(probe.streams, nullptr);
    for (int i = 0; i < probe.streams; ++i) {
        const AVStream *stream = input->streams[i];
        const AVCodecParameters *par = stream->codecpar;
        const AVCodec *codec = avcodec_find_decoder(par->codec_id);
        decoders[i] = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(decoders[i], par);
        avcodec_open2(decoders[i], codec, nullptr);
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            probe.videoCodec = par->codec_id;
            probe.width = par->width;
            probe.height = par->height;
            probe.pixelFormat = par->format;
            probe.frameRate = av_q2d(stream->r_frame_rate);
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            probe.audioCodec = par->codec_id;
            probe.sampleRate = par->sample_rate;
            probe.channels = par->ch_layout.nb_channels;
        }
    }
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    AVFrame *last = av_frame_alloc();
    while (probe.opened && av_read_frame(input, packet) >= 0) {
        const AVStream *stream = input->streams[packet->stream_index];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            probe.videoTimes << packet->pts * av_q2d(stream->time_base);
        avcodec_send_packet(decoders[packet->stream_index], packet);
        drainDecoder(decoders[packet->stream_index], frame, probe, last);
        av_packet_unref(packet);
    }
    for (AVCodecContext *&decoder : decoders) {
        avcodec_send_packet(decoder, nullptr);
        drainDecoder(decoder, frame, probe, last);
        avcodec_free_context(&decoder);
    }
    if (!probe.videoTimes.isEmpty() && probe.frameRate > 0) {
        const auto [first, lastTime] =
            std::minmax_element(probe.videoTimes.begin(), probe.videoTimes.end());
        probe.videoDuration = *lastTime - *first + 1.0 / probe.frameRate;
    }
    if (last->width > 0) {
        probe.lastFrameColor = yuvColorAt(last, point.x(), point.y());
        if (keepLastFrame) {
            probe.lastFrame = QImage(last->width, last->height, QImage::Format_RGB32);
            for (int y = 0; y < last->height; ++y) {
                for (int x = 0; x < last->width; ++x)
                    probe.lastFrame.setPixelColor(x, y, yuvColorAt(last, x, y));
            }
        }
    }
    av_frame_free(&last);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&input);
    return probe;
}
