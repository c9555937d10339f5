#pragma once

// Owning pointers for FFmpeg objects, so that no call site frees by hand.
#include <QString>

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace kestrel {

struct AVFormatInputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
// An output context whose I/O belongs to someone else: frees the context only.
struct AVFormatOutputFree {
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
// An output context with its own file: closes the file, then frees the context.
struct AVFormatOutputFileClose {
    void operator()(AVFormatContext* context) const
    {
        if (context->pb && !(context->oformat->flags & AVFMT_NOFILE))
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct AVIOContextFree {
    void operator()(AVIOContext* io) const
    {
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
    }
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
struct SwrContextFree {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct AVAudioFifoFree {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
struct AVDictionaryFree {
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, AVFormatInputCloser>;
using InputPtr = FormatContextPtr;
using OutputContextPtr = std::unique_ptr<AVFormatContext, AVFormatOutputFree>;
using OutputFilePtr = std::unique_ptr<AVFormatContext, AVFormatOutputFileClose>;
using IoContextPtr = std::unique_ptr<AVIOContext, AVIOContextFree>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, AVFrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, AVPacketFree>;
using BsfContextPtr = std::unique_ptr<AVBSFContext, AVBSFContextFree>;
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, AVCodecParametersFree>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextFree>;
using SwsPtr = SwsContextPtr;
using SwrPtr = std::unique_ptr<SwrContext, SwrContextFree>;
using FifoPtr = std::unique_ptr<AVAudioFifo, AVAudioFifoFree>;
using DictionaryPtr = std::unique_ptr<AVDictionary, AVDictionaryFree>;

inline FramePtr makeFrame()
{
    return FramePtr(av_frame_alloc());
}
inline PacketPtr makePacket()
{
    return PacketPtr(av_packet_alloc());
}

// FFmpeg's text for an error code.
inline QString averrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace kestrel
