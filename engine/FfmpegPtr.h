#pragma once

// Owning pointers for FFmpeg objects, so that no call site frees by hand.
#include <QString>

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace kestrel {

struct AVFormatInputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct AVCodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct AVFrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AVPacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct AVBSFContextFree {
    void operator()(AVBSFContext* context) const { av_bsf_free(&context); }
};
struct AVCodecParametersFree {
    void operator()(AVCodecParameters* parameters) const { avcodec_parameters_free(&parameters); }
};
struct SwsContextFree {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, AVFormatInputCloser>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, AVFrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, AVPacketFree>;
using BsfContextPtr = std::unique_ptr<AVBSFContext, AVBSFContextFree>;
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, AVCodecParametersFree>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextFree>;

inline QString averrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace kestrel
