#include "engine/AviWriter.h"

#include "engine/FfmpegPtr.h"
#include "engine/OutputFile.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <QDir>

namespace kestrel {

struct AviWriter::Impl {
    OutputFile file;
    OutputContextPtr output;
    CodecContextPtr encoder;
    SwsPtr scaler;
    FramePtr picture; // in the encoder's format and size
    PacketPtr packet;
    AVStream* stream = nullptr;
    qint64 nextIndex = 0;
    qint64 written = 0;
    bool headerWritten = false;
    QString error;

    bool fail(const QString& what, int code = 0)
    {
        error = code ? QStringLiteral("%1: %2").arg(what, averrorText(code)) : what;
        return false;
    }

    bool writeFailed(int code)
    {
        error = QStringLiteral("%1 cannot be written: %2")
                    .arg(QDir::toNativeSeparators(file.path()), OutputFile::writeErrorText(code));
        return false;
    }

    bool drain(AVFrame* frame)
    {
        int result = avcodec_send_frame(encoder.get(), frame);
        if (result < 0 && result != AVERROR_EOF)
            return fail(QStringLiteral("The encoder refused a picture"), result);
        while (true) {
            result = avcodec_receive_packet(encoder.get(), packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return true;
            if (result < 0)
                return fail(QStringLiteral("Encoding failed"), result);
            av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = av_interleaved_write_frame(output.get(), packet.get());
            if (result < 0)
                return writeFailed(result);
        }
    }
};

AviWriter::AviWriter()
    : d(std::make_unique<Impl>())
{
}

AviWriter::~AviWriter()
{
    discard();
}

bool AviWriter::open(const QString& path, const AviEncoders& encoders, int encoderIndex,
    const EncoderSettings& settings, int width, int height, double framesPerSecond)
{
    discard();
    d->error.clear();
    if (path.trimmed().isEmpty())
        return d->fail(QStringLiteral("No file name was given."));
    if (width <= 0 || height <= 0)
        return d->fail(QStringLiteral("The picture size %1x%2 is not valid.").arg(width).arg(height));
    if (!(framesPerSecond > 0))
        return d->fail(QStringLiteral("The frame rate must be above zero."));
    if (encoderIndex >= encoders.count())
        return d->fail(QStringLiteral("The chosen video compressor is not available."));

    const QByteArray encoderName = encoders.encoderName(encoderIndex).toUtf8();
    const AVCodec* codec = avcodec_find_encoder_by_name(encoderName.constData());
    if (!codec)
        return d->fail(QStringLiteral("The encoder %1 is missing.").arg(QString::fromUtf8(encoderName)));

    if (!d->file.open(path))
        return d->fail(d->file.errorText());

    const AVRational rate = av_d2q(framesPerSecond, 100000);
    d->encoder.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = d->encoder.get();
    c->width = width;
    c->height = height;
    c->time_base = av_inv_q(rate);
    c->framerate = rate;
    c->sample_aspect_ratio = AVRational{1, 1};
    if (encoderIndex < 0)
        c->pix_fmt = AV_PIX_FMT_BGR24;
    else
        c->pix_fmt = avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_YUV420P, 0, nullptr);
    // JPEG-based encoders want full-range YUV and refuse the studio range by default.
    for (const AVPixelFormat* f = codec->pix_fmts; encoderIndex >= 0 && f && *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == AV_PIX_FMT_YUVJ420P) {
            c->pix_fmt = AV_PIX_FMT_YUVJ420P;
            c->color_range = AVCOL_RANGE_JPEG;
            break;
        }
    }
    if (settings.bitRateKbps > 0)
        c->bit_rate = qint64(settings.bitRateKbps) * 1000;
    if (settings.quality > 0 && encoders.hasQualityScale(encoderIndex)) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * settings.quality;
    }
    c->gop_size = settings.keyFrameInterval > 0 ? settings.keyFrameInterval : 12;
    c->thread_count = 0;

    AVFormatContext* raw = nullptr;
    int result = avformat_alloc_output_context2(&raw, nullptr, "avi", nullptr);
    if (result < 0)
        return d->fail(QStringLiteral("The AVI writer is missing"), result);
    d->output.reset(raw);
    if (d->output->oformat->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    result = avcodec_open2(c, codec, nullptr);
    if (result < 0)
        return d->fail(QStringLiteral("The encoder %1 cannot encode %2x%3 pictures")
                           .arg(QString::fromUtf8(codec->name))
                           .arg(width)
                           .arg(height),
            result);

    d->stream = avformat_new_stream(d->output.get(), nullptr);
    avcodec_parameters_from_context(d->stream->codecpar, c);
    d->stream->time_base = c->time_base;
    d->stream->avg_frame_rate = rate;

    d->output->pb = d->file.io();
    d->output->flags |= AVFMT_FLAG_CUSTOM_IO;

    result = avformat_write_header(d->output.get(), nullptr);
    if (result < 0)
        return d->writeFailed(result);
    d->headerWritten = true;

    d->picture = makeFrame();
    d->picture->format = c->pix_fmt;
    d->picture->width = width;
    d->picture->height = height;
    if ((result = av_frame_get_buffer(d->picture.get(), 64)) < 0)
        return d->fail(QStringLiteral("Out of memory"), result);
    d->packet = makePacket();
    d->nextIndex = 0;
    d->written = 0;
    return true;
}

bool AviWriter::writeFrame(const AVFrame* frame, qint64 frameIndex)
{
    if (!isOpen())
        return d->fail(QStringLiteral("No file is open for writing."));
    if (frameIndex < d->nextIndex)
        return true; // late picture: the slot is already filled
    AVCodecContext* c = d->encoder.get();
    d->scaler.reset(sws_getCachedContext(d->scaler.release(), frame->width, frame->height, AVPixelFormat(frame->format),
        c->width, c->height, c->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!d->scaler)
        return d->fail(QStringLiteral("The picture format cannot be converted."));
    if (av_frame_make_writable(d->picture.get()) < 0)
        return d->fail(QStringLiteral("Out of memory"));
    sws_scale(d->scaler.get(), frame->data, frame->linesize, 0, frame->height, d->picture->data, d->picture->linesize);
    d->picture->pts = frameIndex;
    if (!d->drain(d->picture.get()))
        return false;
    d->nextIndex = frameIndex + 1;
    ++d->written;
    return true;
}

bool AviWriter::finish()
{
    if (!isOpen())
        return d->fail(QStringLiteral("No file is open for writing."));
    bool ok = d->drain(nullptr);
    if (ok) {
        const int result = av_write_trailer(d->output.get());
        ok = result >= 0 || d->writeFailed(result);
    }
    if (ok && !d->file.commit())
        ok = d->fail(d->file.errorText());
    const QString error = d->error;
    discard();
    d->error = error;
    return ok;
}

void AviWriter::discard()
{
    d->output.reset();
    d->file.cancel();
    d->encoder.reset();
    d->scaler.reset();
    d->picture.reset();
    d->packet.reset();
    d->stream = nullptr;
    d->headerWritten = false;
}

bool AviWriter::isOpen() const
{
    return d->headerWritten && d->file.isOpen();
}

qint64 AviWriter::framesWritten() const
{
    return d->written;
}

QString AviWriter::lastError() const
{
    return d->error;
}

} // namespace kestrel
