// Test clips made with libavcodec/libavformat: every frame shows its own index
// as big black and white cells so that tests can tell which frame is shown.
#include "TestClips.h"

#include <QFileInfo>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <array>
#include <memory>
#include <random>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace kestrel::test {

namespace {

// Layout of the pattern: a grid of kColumns x kRows cells over the whole picture.
// Row 0 is a fixed sync word, rows 1-2 hold the 16-bit index (most significant
// bit first), row 3 a check byte; row 4 shows the index as digits for people.
constexpr int kColumns = 8;
constexpr int kRows = 5;
constexpr int kSyncWord = 0b10110010;

int checkByte(int index)
{
    return ((index & 0xff) ^ (index >> 8) ^ 0x5a) & 0xff;
}

// Bits of the three data rows, 8 per row, most significant first.
std::array<int, 3> rowWords(int index)
{
    return {(index >> 8) & 0xff, index & 0xff, checkByte(index)};
}

QRect cellRect(int column, int row, int width, int height)
{
    const int x0 = column * width / kColumns;
    const int x1 = (column + 1) * width / kColumns;
    const int y0 = row * height / kRows;
    const int y1 = (row + 1) * height / kRows;
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

// Seven-segment digits, so a person looking at a frame sees its number too.
void drawDigits(QPainter& painter, int index, const QRect& area)
{
    static const int segments[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};
    const QString text = QString::number(index);
    const int digitW = std::max(3, area.height() / 2);
    const int t = std::max(1, digitW / 5);
    int x = area.left() + t * 2;
    const int y = area.top() + t;
    const int h = area.height() - 2 * t;
    for (QChar c : text) {
        const int s = segments[c.digitValue()];
        const int half = h / 2;
        if (s & 0x01)
            painter.fillRect(x, y, digitW, t, Qt::white);
        if (s & 0x02)
            painter.fillRect(x + digitW - t, y, t, half, Qt::white);
        if (s & 0x04)
            painter.fillRect(x + digitW - t, y + half, t, h - half, Qt::white);
        if (s & 0x08)
            painter.fillRect(x, y + h - t, digitW, t, Qt::white);
        if (s & 0x10)
            painter.fillRect(x, y + half, t, h - half, Qt::white);
        if (s & 0x20)
            painter.fillRect(x, y, t, half, Qt::white);
        if (s & 0x40)
            painter.fillRect(x, y + half - t / 2, digitW, t, Qt::white);
        x += digitW + 2 * t;
    }
}

// Mean luminance (0-255) of the middle half of a cell, sampled sparsely.
int cellLuma(const QImage& image, const QRect& cell)
{
    const QRect inner = cell.adjusted(cell.width() / 4, cell.height() / 4, -cell.width() / 4, -cell.height() / 4);
    const int stepX = std::max(1, inner.width() / 8);
    const int stepY = std::max(1, inner.height() / 8);
    long sum = 0;
    long count = 0;
    for (int y = inner.top(); y <= inner.bottom(); y += stepY) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = inner.left(); x <= inner.right(); x += stepX) {
            sum += qGray(line[x]);
            ++count;
        }
    }
    return count ? int(sum / count) : 0;
}

struct FormatContextCloser {
    void operator()(AVFormatContext* context) const
    {
        if (context && context->pb && !(context->oformat->flags & AVFMT_NOFILE))
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct CodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsFree {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

QString averrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Sends one frame (or nullptr to drain) and writes every packet that comes out.
int encodeAndWrite(AVCodecContext* encoder, AVFrame* frame, AVFormatContext* output, AVStream* stream)
{
    int result = avcodec_send_frame(encoder, frame);
    if (result < 0)
        return result;
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    while (true) {
        result = avcodec_receive_packet(encoder, packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            return result;
        av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(output, packet.get());
        if (result < 0)
            return result;
    }
}

AVPixelFormat pickPixelFormat(const AVCodec* codec)
{
    if (codec->id == AV_CODEC_ID_MJPEG)
        return AV_PIX_FMT_YUVJ420P; // full-range is the only standard choice for JPEG
    if (!codec->pix_fmts)
        return AV_PIX_FMT_YUV420P;
    for (const AVPixelFormat* format = codec->pix_fmts; *format != AV_PIX_FMT_NONE; ++format) {
        if (*format == AV_PIX_FMT_YUV420P)
            return *format;
    }
    return codec->pix_fmts[0];
}

// Time of a frame in encoder ticks: whole frames, or half frames for a variable rate.
qint64 ticks(const ClipRecipe& recipe, int index)
{
    if (!recipe.variableRate)
        return index;
    const int slowFrom = recipe.frames / 2;
    return 2 * qint64(index) + (index > slowFrom ? index - slowFrom : 0);
}

} // namespace

// Fresh grain every frame, from a fixed seed per frame so clips are repeatable.
void addGrain(QImage& picture, int amplitude, int frameIndex)
{
    quint32 state = 0x9e3779b9u ^ quint32(frameIndex * 2654435761u);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            const int delta = int((state >> 24) % quint32(2 * amplitude + 1)) - amplitude;
            const int grey = std::clamp(qRed(line[x]) + delta, 0, 255);
            line[x] = qRgb(grey, grey, grey);
        }
    }
}

void addSensorNoise(QImage& picture, int amplitude, std::mt19937& random)
{
    std::uniform_int_distribution<int> grain(-amplitude, amplitude);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int n = grain(random);
            const QRgb p = line[x];
            line[x] = qRgb(
                std::clamp(qRed(p) + n, 0, 255), std::clamp(qGreen(p) + n, 0, 255), std::clamp(qBlue(p) + n, 0, 255));
        }
    }
}

qint64 clipFrameTimeMs(const ClipRecipe& recipe, int index)
{
    const double tickMs = 1000.0 * recipe.fpsDen / recipe.fpsNum / (recipe.variableRate ? 2 : 1);
    return std::llround(double(ticks(recipe, index)) * tickMs);
}

QImage indexPattern(int index, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    QPainter painter(&image);
    for (int column = 0; column < kColumns; ++column) {
        const bool syncBit = (kSyncWord >> (kColumns - 1 - column)) & 1;
        painter.fillRect(cellRect(column, 0, width, height), syncBit ? Qt::white : Qt::black);
    }
    const auto words = rowWords(index);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const bool bit = (words[row] >> (kColumns - 1 - column)) & 1;
            painter.fillRect(cellRect(column, row + 1, width, height), bit ? Qt::white : Qt::black);
        }
    }
    const QRect digits = cellRect(0, kRows - 1, width, height).united(cellRect(kColumns - 1, kRows - 1, width, height));
    painter.fillRect(digits, Qt::black);
    drawDigits(painter, index, digits);
    return image;
}

int readFrameIndex(const QImage& picture)
{
    if (picture.isNull() || picture.width() < kColumns * 2 || picture.height() < kRows * 2)
        return -1;
    const QImage image = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);
    auto readRow = [&](int row) {
        int word = 0;
        for (int column = 0; column < kColumns; ++column) {
            const int luma = cellLuma(image, cellRect(column, row, image.width(), image.height()));
            // Anything close to mid grey means this is not our pattern.
            if (luma > 90 && luma < 165)
                return -1;
            word = (word << 1) | (luma >= 128 ? 1 : 0);
        }
        return word;
    };
    if (readRow(0) != kSyncWord)
        return -1;
    const int high = readRow(1);
    const int low = readRow(2);
    const int check = readRow(3);
    if (high < 0 || low < 0 || check < 0)
        return -1;
    const int index = (high << 8) | low;
    return checkByte(index) == check ? index : -1;
}

bool hasEncoder(const char* name)
{
    return avcodec_find_encoder_by_name(name) != nullptr;
}

bool makeClip(const QString& path, const ClipRecipe& recipe, QString* error)
{
    const QByteArray pathBytes = QFileInfo(path).absoluteFilePath().toUtf8();
    const QByteArray codecName = recipe.codec.toUtf8();
    const int rotation = ((recipe.rotationDegrees % 360) + 360) % 360;
    if (rotation % 90 != 0)
        return fail(error, QStringLiteral("rotation must be a multiple of 90 degrees"));
    if (recipe.width <= 0 || recipe.height <= 0 || recipe.frames <= 0 || recipe.fpsNum <= 0 || recipe.fpsDen <= 0)
        return fail(error, QStringLiteral("invalid clip size, rate or length"));

    // Encoders chatter about hard black/white edges; only real errors matter here.
    if (av_log_get_level() > AV_LOG_ERROR)
        av_log_set_level(AV_LOG_ERROR);
    const AVCodec* codec = avcodec_find_encoder_by_name(codecName.constData());
    if (!codec)
        return fail(error, QStringLiteral("no encoder %1 in this FFmpeg").arg(recipe.codec));

    AVFormatContext* rawOutput = nullptr;
    int result = avformat_alloc_output_context2(&rawOutput, nullptr, nullptr, pathBytes.constData());
    if (result < 0 || !rawOutput)
        return fail(error, QStringLiteral("no muxer for %1: %2").arg(path, averrorText(result)));
    std::unique_ptr<AVFormatContext, FormatContextCloser> output(rawOutput);

    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    std::unique_ptr<AVCodecContext, CodecContextFree> encoder(avcodec_alloc_context3(codec));
    if (!stream || !encoder)
        return fail(error, QStringLiteral("out of memory"));
    encoder->width = recipe.width;
    encoder->height = recipe.height;
    // A variable rate is written in half-frame ticks; AVI and MPEG need one tick per frame.
    encoder->time_base = AVRational{recipe.fpsDen, recipe.fpsNum * (recipe.variableRate ? 2 : 1)};
    encoder->framerate = AVRational{recipe.fpsNum, recipe.fpsDen};
    encoder->pix_fmt = pickPixelFormat(codec);
    if (!recipe.pixelFormat.isEmpty()) {
        encoder->pix_fmt = av_get_pix_fmt(recipe.pixelFormat.toLatin1().constData());
        if (encoder->pix_fmt == AV_PIX_FMT_NONE)
            return fail(error, QStringLiteral("no pixel format %1").arg(recipe.pixelFormat));
    }
    encoder->gop_size = recipe.gopSize;
    encoder->max_b_frames = recipe.bFrames ? 2 : 0;
    if (codec->id == AV_CODEC_ID_H264) {
        av_opt_set(encoder->priv_data, "preset", recipe.bFrames ? "veryfast" : "ultrafast", 0);
        av_opt_set(encoder->priv_data, "crf", "23", 0);
        // Keyframes exactly every gopSize frames, like a phone does.
        av_opt_set(encoder->priv_data, "x264-params", "scenecut=0", 0);
        encoder->keyint_min = recipe.gopSize;
    } else if (codec->id == AV_CODEC_ID_HEVC) {
        av_opt_set(encoder->priv_data, "preset", "ultrafast", 0);
        av_opt_set(encoder->priv_data, "crf", "26", 0);
        const QByteArray params = QStringLiteral("log-level=error:keyint=%1:min-keyint=%1:scenecut=0:bframes=%2")
                                      .arg(recipe.gopSize)
                                      .arg(recipe.bFrames ? 2 : 0)
                                      .toLatin1();
        av_opt_set(encoder->priv_data, "x265-params", params.constData(), 0);
    } else {
        encoder->flags |= AV_CODEC_FLAG_QSCALE;
        encoder->global_quality = FF_QP2LAMBDA * 4;
    }
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    result = avcodec_open2(encoder.get(), codec, nullptr);
    if (result < 0)
        return fail(error, QStringLiteral("cannot open encoder %1: %2").arg(recipe.codec, averrorText(result)));
    avcodec_parameters_from_context(stream->codecpar, encoder.get());
    stream->time_base = encoder->time_base;
    stream->avg_frame_rate = encoder->framerate;
    if (rotation) {
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, sizeof(int32_t) * 9));
        if (!matrix)
            return fail(error, QStringLiteral("cannot attach the rotation tag"));
        // As a phone writes "rotate 90": av_display_rotation_get() then reads -90,
        // and a player turns the picture 90 degrees clockwise to show it.
        av_display_rotation_set(matrix, rotation);
    }
    if (!(output->oformat->flags & AVFMT_NOFILE)) {
        result = avio_open(&output->pb, pathBytes.constData(), AVIO_FLAG_WRITE);
        if (result < 0)
            return fail(error, QStringLiteral("cannot write %1: %2").arg(path, averrorText(result)));
    }
    // The program-stream muxer needs room to interleave, as ffmpeg's own tool gives it.
    output->max_delay = int(0.7 * AV_TIME_BASE);
    // Quality-coded frames carry no bit rate to derive the program stream's
    // mux rate from; a generous one keeps large frames from underflowing.
    if (output->oformat->priv_class && av_opt_find(output->priv_data, "muxrate", nullptr, 0, 0))
        av_opt_set_int(output->priv_data, "muxrate", 40'000'000, 0);
    result = avformat_write_header(output.get(), nullptr);
    if (result < 0)
        return fail(error, QStringLiteral("cannot write the header of %1: %2").arg(path, averrorText(result)));

    std::unique_ptr<SwsContext, SwsFree> converter(sws_getContext(recipe.width, recipe.height, AV_PIX_FMT_BGRA,
        recipe.width, recipe.height, encoder->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (!converter || !frame)
        return fail(error, QStringLiteral("cannot convert pictures for %1").arg(recipe.codec));
    frame->format = encoder->pix_fmt;
    frame->width = recipe.width;
    frame->height = recipe.height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return fail(error, QStringLiteral("out of memory"));

    // The pattern is drawn upright and stored turned back, so that a player
    // honouring the rotation tag shows it upright.
    const bool sideways = rotation == 90 || rotation == 270;
    const int uprightW = sideways ? recipe.height : recipe.width;
    const int uprightH = sideways ? recipe.width : recipe.height;
    const int hidden = std::max(0, recipe.hiddenLeadingFrames);
    for (int index = -hidden; index < recipe.frames; ++index) {
        // Hidden frames show numbers no visible frame has.
        QImage picture = indexPattern(index >= 0 ? index : 0xffff + index, uprightW, uprightH);
        if (recipe.noiseAmplitude > 0)
            addGrain(picture, recipe.noiseAmplitude, index);
        if (rotation)
            picture = picture.transformed(QTransform().rotate(-rotation));
        if (av_frame_make_writable(frame.get()) < 0)
            return fail(error, QStringLiteral("out of memory"));
        const uint8_t* source[1] = {picture.constBits()};
        const int sourceStride[1] = {int(picture.bytesPerLine())};
        sws_scale(converter.get(), source, sourceStride, 0, recipe.height, frame->data, frame->linesize);
        frame->pts = ticks(recipe, index);
        frame->pict_type = index == -hidden ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        result = encodeAndWrite(encoder.get(), frame.get(), output.get(), stream);
        if (result < 0)
            return fail(error, QStringLiteral("encoding %1 failed: %2").arg(path, averrorText(result)));
    }
    result = encodeAndWrite(encoder.get(), nullptr, output.get(), stream);
    if (result < 0)
        return fail(error, QStringLiteral("encoding %1 failed: %2").arg(path, averrorText(result)));
    result = av_write_trailer(output.get());
    if (result < 0)
        return fail(error, QStringLiteral("cannot finish %1: %2").arg(path, averrorText(result)));
    return true;
}

} // namespace kestrel::test
