#include "engine/JpegEncoder.h"

#include "engine/PaddedPicture.h"

namespace kestrel {

namespace {
constexpr qint64 kOneThreadPixels = 640 * 480;
}

JpegEncoder::JpegEncoder(int quality)
    : m_quality(std::clamp(quality, 2, 31))
    , m_packet(makePacket())
{
}

JpegEncoder::~JpegEncoder() = default;

bool JpegEncoder::prepare(const AVFrame* frame)
{
    if (m_context && m_context->width == frame->width && m_context->height == frame->height)
        return true;
    m_context.reset();
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!codec) {
        m_error = QStringLiteral("This FFmpeg has no JPEG encoder.");
        return false;
    }
    CodecContextPtr context(avcodec_alloc_context3(codec));
    context->width = frame->width;
    context->height = frame->height;
    context->pix_fmt = AV_PIX_FMT_YUVJ420P;
    context->color_range = AVCOL_RANGE_JPEG;
    context->time_base = AVRational{1, 25};
    context->flags |= AV_CODEC_FLAG_QSCALE;
    context->global_quality = FF_QP2LAMBDA * m_quality;
    // Slices on every core from 720p up: one thread alone cannot keep up with
    // 1080p at 30 fps. Smaller pictures stay whole (slices cost 15 % in size).
    context->thread_type = FF_THREAD_SLICE;
    context->thread_count = qint64(frame->width) * frame->height > kOneThreadPixels ? 0 : 1;
    const int result = avcodec_open2(context.get(), codec, nullptr);
    if (result < 0) {
        m_error = QStringLiteral("The JPEG encoder refused %1x%2 pictures: %3")
                      .arg(frame->width)
                      .arg(frame->height)
                      .arg(averrorText(result));
        return false;
    }
    m_picture = makePaddedFrame(AV_PIX_FMT_YUVJ420P, frame->width, frame->height);
    if (!m_picture) {
        m_error = QStringLiteral("Out of memory");
        return false;
    }
    m_context = std::move(context);
    return true;
}

QByteArray JpegEncoder::encode(const AVFrame* frame)
{
    if (!frame || frame->width <= 0 || frame->height <= 0 || !prepare(frame))
        return {};
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame->width, frame->height, AVPixelFormat(frame->format),
        frame->width, frame->height, AV_PIX_FMT_YUVJ420P, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!m_scaler) {
        m_error = QStringLiteral("The picture format cannot be converted.");
        return {};
    }
    if (av_frame_make_writable(m_picture.get()) < 0) {
        m_error = QStringLiteral("Out of memory");
        return {};
    }
    sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, m_picture->data, m_picture->linesize);
    m_picture->quality = m_context->global_quality;
    m_picture->pts = AV_NOPTS_VALUE;
    int result = avcodec_send_frame(m_context.get(), m_picture.get());
    if (result >= 0)
        result = avcodec_receive_packet(m_context.get(), m_packet.get());
    if (result < 0) {
        m_error = QStringLiteral("JPEG compression failed: %1").arg(averrorText(result));
        return {};
    }
    // An exact copy: the packet's own buffer may be larger than the still.
    QByteArray still(reinterpret_cast<const char*>(m_packet->data), m_packet->size);
    av_packet_unref(m_packet.get());
    return still;
}

} // namespace kestrel
