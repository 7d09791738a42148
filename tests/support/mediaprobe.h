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
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

struct MediaProbe
{
    bool opened = false;
    int streams = 0, width = 0, height = 0, decodedFrames = 0, sampleRate = 0;
    QString video, audio;       // codec, format and rate of each stream
    QVector<double> videoTimes; // seconds, per video packet in file order
    double videoDuration = 0;   // last frame's end minus the first frame's start
    QImage lastFrame;           // the last decoded picture
    qint64 audioSamples = 0;    // per channel
    float audioPeak = 0;
    // Marks, in seconds: a full-black picture, taken to begin halfway between the last picture
    // without it and the first with it; a sound above half scale after 0.1 s without one.
    QVector<double> markOnsets, soundOnsets;

    double audioDuration() const { return sampleRate ? double(audioSamples) / sampleRate : 0; }
    // For each black mark, the nearest sound onset minus the mark's (sound later: positive);
    // NAN where no sound is within a second.
    QVector<double> markOffsets() const
    {
        QVector<double> offsets;
        for (double mark : markOnsets) {
            double best = NAN;
            for (double sound : soundOnsets) {
                if (std::fabs(sound - mark) < 1 && !(std::fabs(sound - mark) >= std::fabs(best)))
                    best = sound - mark;
            }
            offsets << best;
        }
        return offsets;
    }
};

inline bool nearColor(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) < tolerance && qAbs(a.green() - b.green()) < tolerance &&
           qAbs(a.blue() - b.blue()) < tolerance;
}

inline MediaProbe probeMedia(const QString &path)
{
    MediaProbe probe;
    AVFormatContext *input = nullptr;
    if (avformat_open_input(&input, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return probe;
    probe.opened = avformat_find_stream_info(input, nullptr) >= 0;
    probe.streams = probe.opened ? int(input->nb_streams) : 0;
    double frameRate = 0;
    QVector<AVCodecContext *> decoders;
    for (int i = 0; i < probe.streams; ++i) {
        const AVCodecParameters *par = input->streams[i]->codecpar;
        const AVCodec *codec = avcodec_find_decoder(par->codec_id);
        decoders << avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(decoders[i], par);
        decoders[i]->thread_count = 0; // long recordings decode on every core
        avcodec_open2(decoders[i], codec, nullptr);
        const char *name = avcodec_get_name(par->codec_id);
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            probe.width = par->width;
            probe.height = par->height;
            frameRate = av_q2d(input->streams[i]->r_frame_rate);
            probe.video = QString::asprintf("%s %s %dx%d %g fps", name,
                                            av_get_pix_fmt_name(AVPixelFormat(par->format)),
                                            par->width, par->height, frameRate);
        } else {
            probe.sampleRate = par->sample_rate;
            probe.audio = QString::asprintf("%s %d Hz %d channels", name, par->sample_rate,
                                            par->ch_layout.nb_channels);
        }
    }
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc(), *last = av_frame_alloc();
    double lastPicture = NAN, lastLoud = NAN;
    bool lastBlack = false;
    auto receive = [&](AVCodecContext *decoder, AVRational base) {
        for (; avcodec_receive_frame(decoder, frame) == 0; av_frame_unref(frame)) {
            const double at = frame->best_effort_timestamp * av_q2d(base);
            if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
                ++probe.decodedFrames;
                // Black is luma 16; sampled on a grid, a pointer on the mark does not count.
                qint64 sum = 0, count = 0;
                for (int y = 0; y < frame->height; y += 8) {
                    for (int x = 0; x < frame->width; x += 8, ++count)
                        sum += frame->data[0][y * frame->linesize[0] + x];
                }
                const bool black = count > 0 && sum / count < 24;
                if (black && !lastBlack && !std::isnan(lastPicture))
                    probe.markOnsets << (lastPicture + at) / 2;
                lastBlack = black;
                lastPicture = at;
                std::swap(frame, last); // keeps the newest picture
                continue;
            }
            probe.audioSamples += frame->nb_samples;
            for (int c = 0; c < frame->ch_layout.nb_channels; ++c) {
                const float *s = reinterpret_cast<const float *>(frame->extended_data[c]);
                for (int i = 0; i < frame->nb_samples; ++i) {
                    probe.audioPeak = std::max(probe.audioPeak, std::fabs(s[i]));
                    if (c > 0 || std::fabs(s[i]) <= 0.5)
                        continue;
                    const double t = at + double(i) / frame->sample_rate;
                    if (!(t - lastLoud <= 0.1))
                        probe.soundOnsets << t;
                    lastLoud = t;
                }
            }
        }
    };
    while (probe.opened && av_read_frame(input, packet) >= 0) {
        const AVStream *stream = input->streams[packet->stream_index];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            probe.videoTimes << packet->pts * av_q2d(stream->time_base);
        avcodec_send_packet(decoders[packet->stream_index], packet);
        receive(decoders[packet->stream_index], stream->time_base);
        av_packet_unref(packet);
    }
    for (int i = 0; i < decoders.size(); ++i) {
        avcodec_send_packet(decoders[i], nullptr);
        receive(decoders[i], input->streams[i]->time_base);
        avcodec_free_context(&decoders[i]);
    }
    if (!probe.videoTimes.isEmpty() && frameRate > 0) {
        const auto [first, end] =
            std::minmax_element(probe.videoTimes.begin(), probe.videoTimes.end());
        probe.videoDuration = *end - *first + 1.0 / frameRate;
    }
    if (last->width > 0) {
        probe.lastFrame = QImage(last->width, last->height, QImage::Format_RGB32);
        SwsContext *toRgb =
            sws_getContext(last->width, last->height, AVPixelFormat(last->format), last->width,
                           last->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
        uint8_t *planes[1] = {probe.lastFrame.bits()};
        const int strides[1] = {int(probe.lastFrame.bytesPerLine())};
        sws_scale(toRgb, last->data, last->linesize, 0, last->height, planes, strides);
        sws_freeContext(toRgb);
    }
    av_frame_free(&last);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&input);
    return probe;
}
