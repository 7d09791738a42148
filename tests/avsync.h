#pragma once

// Where marks fall in a recording, decoded as a player would: a full-black picture in the video
// and a loud sound in the audio. The tests and the recording bench compare the two.

#include <QString>
#include <QVector>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

struct AvSync
{
    bool opened = false;
    // Seconds. A mark shows between the last picture without it and the first with it: its
    // onset is taken halfway.
    QVector<double> markOnsets;
    QVector<double> soundOnsets; // a sample above half scale after 0.1 s without one
    double videoDuration = 0, audioDuration = 0;

    // For each mark, the nearest sound onset minus the mark's onset (sound later: positive);
    // NAN where no sound is within a second.
    QVector<double> offsets() const
    {
        QVector<double> result;
        for (double mark : markOnsets) {
            double best = NAN;
            for (double sound : soundOnsets) {
                if (std::fabs(sound - mark) < 1 && !(std::fabs(sound - mark) >= std::fabs(best)))
                    best = sound - mark;
            }
            result << best;
        }
        return result;
    }
};

inline AvSync measureAvSync(const QString &path)
{
    AvSync sync;
    AVFormatContext *input = nullptr;
    if (avformat_open_input(&input, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return sync;
    sync.opened = avformat_find_stream_info(input, nullptr) >= 0;
    const int streams = sync.opened ? int(input->nb_streams) : 0;
    QVector<AVCodecContext *> decoders;
    double frameTime = 0;
    for (int i = 0; i < streams; ++i) {
        const AVCodecParameters *par = input->streams[i]->codecpar;
        const AVCodec *codec = avcodec_find_decoder(par->codec_id);
        decoders << avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(decoders[i], par);
        decoders[i]->thread_count = 0; // long recordings decode on every core
        avcodec_open2(decoders[i], codec, nullptr);
        if (par->codec_type == AVMEDIA_TYPE_VIDEO)
            frameTime = 1 / av_q2d(input->streams[i]->r_frame_rate);
    }
    double videoStart = NAN, videoEnd = 0, audioStart = NAN, audioEnd = 0;
    double lastPicture = NAN, lastLoud = NAN;
    bool markShown = false;
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    auto receive = [&](AVCodecContext *decoder, AVRational base) {
        for (; avcodec_receive_frame(decoder, frame) == 0; av_frame_unref(frame)) {
            const double at = frame->best_effort_timestamp * av_q2d(base);
            if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
                // Black is luma 16; sampled on a grid, a pointer on the mark does not count.
                qint64 sum = 0, count = 0;
                for (int y = 0; y < frame->height; y += 8) {
                    const uint8_t *row = frame->data[0] + y * frame->linesize[0];
                    for (int x = 0; x < frame->width; x += 8, ++count)
                        sum += row[x];
                }
                const bool black = count > 0 && sum / count < 24;
                if (black && !markShown && !std::isnan(lastPicture))
                    sync.markOnsets << (lastPicture + at) / 2;
                markShown = black;
                lastPicture = at;
                videoStart = std::isnan(videoStart) ? at : std::min(videoStart, at);
                videoEnd = std::max(videoEnd, at + frameTime);
                continue;
            }
            const float *samples = reinterpret_cast<const float *>(frame->extended_data[0]);
            const double rate = frame->sample_rate;
            for (int i = 0; i < frame->nb_samples; ++i) {
                if (std::fabs(samples[i]) <= 0.5)
                    continue;
                const double t = at + i / rate;
                if (!(t - lastLoud <= 0.1))
                    sync.soundOnsets << t;
                lastLoud = t;
            }
            audioStart = std::isnan(audioStart) ? at : std::min(audioStart, at);
            audioEnd = std::max(audioEnd, at + frame->nb_samples / rate);
        }
    };
    while (sync.opened && av_read_frame(input, packet) >= 0) {
        AVStream *stream = input->streams[packet->stream_index];
        avcodec_send_packet(decoders[packet->stream_index], packet);
        receive(decoders[packet->stream_index], stream->time_base);
        av_packet_unref(packet);
    }
    for (int i = 0; i < decoders.size(); ++i) {
        avcodec_send_packet(decoders[i], nullptr);
        receive(decoders[i], input->streams[i]->time_base);
        avcodec_free_context(&decoders[i]);
    }
    sync.videoDuration = std::isnan(videoStart) ? 0 : videoEnd - videoStart;
    sync.audioDuration = std::isnan(audioStart) ? 0 : audioEnd - audioStart;
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&input);
    return sync;
}
