#include "ClipEncoding.h"

#include "engine/FfmpegPtr.h"

namespace kestrel::test {

bool failWith(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool encodeAndWrite(AVFormatContext* output, AVCodecContext* encoder, AVStream* stream, AVFrame* frame, QString* error)
{
    int result = avcodec_send_frame(encoder, frame);
    PacketPtr packet = makePacket();
    while (result >= 0) {
        result = avcodec_receive_packet(encoder, packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0)
            break;
        av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(output, packet.get());
    }
    return failWith(error, QStringLiteral("encoding failed: %1").arg(averrorText(result)));
}

} // namespace kestrel::test
