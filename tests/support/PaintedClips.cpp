#include "PaintedClips.h"

#include "ClipEncoding.h"
#include "engine/FfmpegPtr.h"

#include <QFileInfo>

extern "C" {
#include <libavutil/opt.h>
}

namespace kestrel::test {

bool makePaintedClip(const QString& path, const PaintedClipFormat& format, const FramePainter& paint, QString* error)
{
    if (format.width < 16 || format.height < 16 || format.fps <= 0 || format.frames <= 0)
        return failWith(error, QStringLiteral("invalid clip format"));
    if (av_log_get_level() > AV_LOG_ERROR)
        av_log_set_level(AV_LOG_ERROR);
    const QByteArray file = QFileInfo(path).absoluteFilePath().toUtf8();
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, nullptr, file.constData()) < 0 || !raw)
        return failWith(error, QStringLiteral("no muxer for %1").arg(path));
    OutputFilePtr output(raw);
    const QByteArray name = format.codec.toUtf8();
    const AVCodec* codec = avcodec_find_encoder_by_name(name.constData());
    if (!codec)
        return failWith(error, QStringLiteral("no encoder %1").arg(format.codec));
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    CodecContextPtr encoder(avcodec_alloc_context3(codec));
    encoder->width = format.width;
    encoder->height = format.height;
    encoder->time_base = AVRational{1, format.fps};
    encoder->framerate = AVRational{format.fps, 1};
    encoder->pix_fmt = codec->id == AV_CODEC_ID_MJPEG ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
    encoder->gop_size = std::max(1, format.fps / 2);
    encoder->max_b_frames = 0;
    if (codec->id == AV_CODEC_ID_H264) {
        av_opt_set(encoder->priv_data, "preset", "ultrafast", 0);
        av_opt_set(encoder->priv_data, "crf", "20", 0);
    } else {
        encoder->flags |= AV_CODEC_FLAG_QSCALE;
        encoder->global_quality = FF_QP2LAMBDA * format.quantiser;
    }
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(encoder.get(), codec, nullptr);
    if (result < 0)
        return failWith(error, QStringLiteral("cannot open %1: %2").arg(format.codec, averrorText(result)));
    avcodec_parameters_from_context(stream->codecpar, encoder.get());
    stream->time_base = encoder->time_base;
    stream->avg_frame_rate = encoder->framerate;
    if (!(output->oformat->flags & AVFMT_NOFILE) && avio_open(&output->pb, file.constData(), AVIO_FLAG_WRITE) < 0)
        return failWith(error, QStringLiteral("cannot write %1").arg(path));
    if ((result = avformat_write_header(output.get(), nullptr)) < 0)
        return failWith(error, QStringLiteral("cannot start %1: %2").arg(path, averrorText(result)));

    // Rows padded to 64 bytes, as libswscale's SIMD code reads and writes them.
    const auto padded = [](AVPixelFormat pixelFormat, int width, int height) {
        FramePtr frame = makeFrame();
        frame->format = pixelFormat;
        frame->width = width;
        frame->height = height;
        return av_frame_get_buffer(frame.get(), 64) < 0 ? FramePtr() : std::move(frame);
    };
    FramePtr picture = padded(AV_PIX_FMT_BGRA, format.width, format.height);
    FramePtr coded = padded(encoder->pix_fmt, format.width, format.height);
    SwsContextPtr scaler(sws_getContext(format.width, format.height, AV_PIX_FMT_BGRA, format.width, format.height,
        encoder->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!picture || !coded || !scaler)
        return failWith(error, QStringLiteral("out of memory"));
    for (int i = 0; i < format.frames; ++i) {
        if (av_frame_make_writable(coded.get()) < 0)
            return failWith(error, QStringLiteral("out of memory"));
        // Painted straight into FFmpeg's padded buffer, which libswscale then reads.
        QImage image(picture->data[0], format.width, format.height, picture->linesize[0], QImage::Format_RGB32);
        paint(image, i);
        sws_scale(scaler.get(), picture->data, picture->linesize, 0, format.height, coded->data, coded->linesize);
        coded->pts = i;
        if (!encodeAndWrite(output.get(), encoder.get(), stream, coded.get(), error))
            return false;
    }
    if (!encodeAndWrite(output.get(), encoder.get(), stream, nullptr, error))
        return false;
    if ((result = av_write_trailer(output.get())) < 0)
        return failWith(error, QStringLiteral("cannot finish %1: %2").arg(path, averrorText(result)));
    return true;
}

} // namespace kestrel::test
