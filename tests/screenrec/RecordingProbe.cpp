#include "RecordingProbe.h"

#include "engine/FfmpegPtr.h"
#include "engine/PaddedPicture.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>

namespace kestrel::test {

namespace {

// The picture as RGB32, converted into a padded image as FFmpeg's writers need.
QImage pictureOf(const AVFrame* frame)
{
    QImage image = makePaddedImage(QSize(frame->width, frame->height), QImage::Format_RGB32);
    SwsPtr sws(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width, frame->height,
        AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr));
    if (image.isNull() || !sws)
        return {};
    uint8_t* planes[4] = {image.bits()};
    int strides[4] = {int(image.bytesPerLine())};
    sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    return image;
}

CodecContextPtr openDecoder(const AVStream* stream)
{
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return nullptr;
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return nullptr;
    return decoder;
}

} // namespace

RecordingProbe RecordingProbe::of(const QString& path)
{
    RecordingProbe probe;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        probe.error = QStringLiteral("cannot open");
        return probe;
    }
    InputPtr input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) {
        probe.error = QStringLiteral("no stream info");
        return probe;
    }
    const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) {
        probe.error = QStringLiteral("no video stream");
        return probe;
    }
    const AVStream* videoStream = input->streams[video];
    CodecContextPtr decoder = openDecoder(videoStream);
    if (!decoder) {
        probe.error = QStringLiteral("no decoder");
        return probe;
    }
    const int audio = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    CodecContextPtr soundDecoder = audio >= 0 ? openDecoder(input->streams[audio]) : nullptr;
    SwrPtr toMono;
    if (soundDecoder) {
        probe.audioSampleRate = soundDecoder->sample_rate;
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        SwrContext* swr = nullptr;
        swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_FLT, soundDecoder->sample_rate, &soundDecoder->ch_layout,
            soundDecoder->sample_fmt, soundDecoder->sample_rate, 0, nullptr);
        toMono.reset(swr);
        if (!swr || swr_init(swr) < 0)
            toMono.reset();
    }
    probe.opened = true;
    probe.container = QString::fromLatin1(input->iformat->name);
    probe.videoCodec = QString::fromLatin1(avcodec_get_name(videoStream->codecpar->codec_id));
    probe.width = videoStream->codecpar->width;
    probe.height = videoStream->codecpar->height;
    if (videoStream->duration != AV_NOPTS_VALUE)
        probe.durationSec = videoStream->duration * av_q2d(videoStream->time_base);

    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    std::vector<float> samples;
    auto drainVideo = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            ++probe.decodedFrames;
            probe.lastPicture = pictureOf(frame.get());
            probe.centre = probe.lastPicture.isNull()
                ? QColor()
                : QColor(probe.lastPicture.pixel(frame->width / 2, frame->height / 2));
            const int64_t pts = frame->best_effort_timestamp;
            probe.pictureSec.append(pts == AV_NOPTS_VALUE ? -1 : pts * av_q2d(videoStream->time_base));
            probe.pictureCentre.append(probe.centre);
            av_frame_unref(frame.get());
        }
    };
    auto drainSound = [&] {
        while (avcodec_receive_frame(soundDecoder.get(), frame.get()) >= 0) {
            // A player starts the sound at its first time stamp and then plays it
            // without a break; the later stamps are what seeking goes by.
            const int64_t pts = frame->best_effort_timestamp;
            if (pts != AV_NOPTS_VALUE) {
                const double sec = pts * av_q2d(input->streams[audio]->time_base);
                if (samples.empty())
                    samples.resize(size_t(std::max(0.0, sec) * probe.audioSampleRate), 0.0f);
                probe.audioStampSec = sec + double(frame->nb_samples) / probe.audioSampleRate;
            }
            if (toMono) {
                std::vector<float> mono(size_t(frame->nb_samples) + 256);
                uint8_t* out[1] = {reinterpret_cast<uint8_t*>(mono.data())};
                const int got = swr_convert(toMono.get(), out, int(mono.size()),
                    const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
                if (got > 0)
                    samples.insert(samples.end(), mono.begin(), mono.begin() + got);
            }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == video && packet->pts != AV_NOPTS_VALUE)
            probe.lastFrameSec = std::max(probe.lastFrameSec, packet->pts * av_q2d(videoStream->time_base));
        if (packet->stream_index == video && packet->size > 0) {
            avcodec_send_packet(decoder.get(), packet.get());
            drainVideo();
        } else if (soundDecoder && packet->stream_index == audio) {
            avcodec_send_packet(soundDecoder.get(), packet.get());
            drainSound();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drainVideo();
    if (soundDecoder) {
        avcodec_send_packet(soundDecoder.get(), nullptr);
        drainSound();
        probe.audioSec = double(samples.size()) / std::max(1, probe.audioSampleRate);
        const size_t window = size_t(std::max(1, probe.audioSampleRate / 1000));
        for (size_t start = 0; start + window <= samples.size(); start += window) {
            double sum = 0;
            for (size_t i = start; i < start + window; ++i)
                sum += std::abs(samples[i]);
            probe.loudness.append(float(sum / double(window)));
        }
    }
    return probe;
}

} // namespace kestrel::test
