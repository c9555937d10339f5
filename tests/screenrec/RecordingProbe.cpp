#include "RecordingProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <memory>

namespace kestrel::test {

namespace {
struct InputDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

QColor centreOf(const AVFrame* frame)
{
    std::unique_ptr<SwsContext, SwsDeleter> sws(
        sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width, frame->height,
            AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
    if (!sws)
        return {};
    std::vector<uint8_t> rgb(size_t(frame->width) * frame->height * 3);
    uint8_t* planes[4] = {rgb.data()};
    int strides[4] = {frame->width * 3};
    sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    const uint8_t* p = rgb.data() + (size_t(frame->height / 2) * frame->width + frame->width / 2) * 3;
    return QColor(p[0], p[1], p[2]);
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
    std::unique_ptr<AVFormatContext, InputDeleter> input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) {
        probe.error = QStringLiteral("no stream info");
        return probe;
    }
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) {
        probe.error = QStringLiteral("no video stream");
        return probe;
    }
    const AVCodecParameters* par = input->streams[stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    std::unique_ptr<AVCodecContext, CodecDeleter> decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), par);
    if (!codec || avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        probe.error = QStringLiteral("no decoder");
        return probe;
    }
    probe.opened = true;
    probe.container = QString::fromLatin1(input->iformat->name);
    probe.videoCodec = QString::fromLatin1(avcodec_get_name(par->codec_id));
    probe.width = par->width;
    probe.height = par->height;

    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            ++probe.decodedFrames;
            probe.centre = centreOf(frame.get());
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && packet->pts != AV_NOPTS_VALUE)
            probe.lastFrameSec = std::max(probe.lastFrameSec, packet->pts * av_q2d(input->streams[stream]->time_base));
        if (packet->stream_index == stream && packet->size > 0) {
            avcodec_send_packet(decoder.get(), packet.get());
            drain();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    return probe;
}

} // namespace kestrel::test
