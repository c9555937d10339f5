#include "engine/JpegDecoder.h"

#include <cstring>

namespace kestrel {

JpegDecoder::JpegDecoder()
    : m_packet(makePacket())
    , m_frame(makeFrame())
{
}

JpegDecoder::~JpegDecoder() = default;

const AVFrame* JpegDecoder::decode(const QByteArray& jpeg)
{
    if (!m_context) {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
        CodecContextPtr context(codec ? avcodec_alloc_context3(codec) : nullptr);
        if (!context || avcodec_open2(context.get(), codec, nullptr) < 0) {
            m_error = QStringLiteral("This FFmpeg has no JPEG decoder.");
            return nullptr;
        }
        m_context = std::move(context);
    }
    // The decoder reads past the end in wide blocks: the still goes into a
    // packet of its own, which has the padding it needs.
    av_packet_unref(m_packet.get());
    if (jpeg.isEmpty() || av_new_packet(m_packet.get(), int(jpeg.size())) < 0) {
        m_error = QStringLiteral("No picture to decode.");
        return nullptr;
    }
    std::memcpy(m_packet->data, jpeg.constData(), size_t(jpeg.size()));
    av_frame_unref(m_frame.get());
    int result = avcodec_send_packet(m_context.get(), m_packet.get());
    if (result >= 0)
        result = avcodec_receive_frame(m_context.get(), m_frame.get());
    if (result < 0) {
        m_error = QStringLiteral("A stored picture cannot be decoded: %1").arg(averrorText(result));
        return nullptr;
    }
    return m_frame.get();
}

} // namespace kestrel
