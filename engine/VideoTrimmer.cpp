#include "engine/VideoTrimmer.h"

#include "engine/AviWriter.h"
#include "engine/FfmpegPtr.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace kestrel {

namespace {

// Opened source with its decoder.
struct Source {
    InputPtr input;
    CodecContextPtr decoder;
    AVStream* stream = nullptr;
    qint64 startPts = 0;

    qint64 toMs(qint64 pts) const { return av_rescale_q(pts - startPts, stream->time_base, AVRational{1, 1000}); }
    qint64 toPts(qint64 ms) const { return startPts + av_rescale_q(ms, AVRational{1, 1000}, stream->time_base); }
};

QString openSource(const QString& path, Source& source)
{
    AVFormatContext* input = nullptr;
    int result = avformat_open_input(&input, QFile::encodeName(path).constData(), nullptr, nullptr);
    if (result < 0)
        return QStringLiteral("%1 cannot be opened: %2").arg(QDir::toNativeSeparators(path), averrorText(result));
    source.input.reset(input);
    if ((result = avformat_find_stream_info(input, nullptr)) < 0)
        return QStringLiteral("%1 cannot be read: %2").arg(QDir::toNativeSeparators(path), averrorText(result));
    const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return QStringLiteral("%1 holds no video.").arg(QDir::toNativeSeparators(path));
    source.stream = input->streams[index];
    const AVCodec* codec = avcodec_find_decoder(source.stream->codecpar->codec_id);
    if (!codec)
        return QStringLiteral("The video of %1 is in a format that cannot be decoded.")
            .arg(QDir::toNativeSeparators(path));
    source.decoder.reset(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(source.decoder.get(), source.stream->codecpar);
    source.decoder->thread_count = 0;
    if ((result = avcodec_open2(source.decoder.get(), codec, nullptr)) < 0)
        return QStringLiteral("The video of %1 cannot be decoded: %2")
            .arg(QDir::toNativeSeparators(path), averrorText(result));
    source.startPts = source.stream->start_time != AV_NOPTS_VALUE ? source.stream->start_time : 0;
    return {};
}

// The stamp of the first picture the decoder gives: the player's frame 0
// stands there (AVI files with B-frames stamp it one frame after the
// stream's start). Leaves the source at its start again.
qint64 firstPicturePts(Source& source)
{
    qint64 pts = source.startPts;
    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    bool found = false;
    for (bool eof = false; !found && !eof;) {
        if (av_read_frame(source.input.get(), packet.get()) < 0) {
            eof = true;
            avcodec_send_packet(source.decoder.get(), nullptr);
        } else if (packet->stream_index == source.stream->index) {
            avcodec_send_packet(source.decoder.get(), packet.get());
        }
        av_packet_unref(packet.get());
        if (avcodec_receive_frame(source.decoder.get(), frame.get()) >= 0) {
            const qint64 stamp
                = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
            if (stamp != AV_NOPTS_VALUE)
                pts = stamp;
            found = true;
        }
    }
    avcodec_flush_buffers(source.decoder.get());
    avformat_seek_file(source.input.get(), source.stream->index, INT64_MIN, source.startPts, source.startPts, 0);
    return pts;
}

double pictureRate(const AVStream* stream)
{
    for (AVRational r : {stream->avg_frame_rate, stream->r_frame_rate})
        if (r.num > 0 && r.den > 0 && av_q2d(r) < 1000)
            return av_q2d(r);
    return 25.0;
}

qint64 durationMs(const Source& source)
{
    if (source.stream->duration != AV_NOPTS_VALUE && source.stream->duration > 0)
        return av_rescale_q(source.stream->duration, source.stream->time_base, AVRational{1, 1000});
    if (source.input->duration > 0)
        return source.input->duration / 1000;
    return -1;
}

} // namespace

VideoTrimmer::VideoTrimmer(const AviEncoders& encoders)
    : m_encoders(encoders)
{
}

void VideoTrimmer::setCodecIndex(int index)
{
    m_codecIndex = index;
}

bool VideoTrimmer::TrimFile(
    const QString& source, const QString& /*unused*/, const QString& destination, qint64 startMs, qint64 endMs)
{
    m_error.clear();
    m_framesWritten = 0;
    if (QFileInfo(source).absoluteFilePath() == QFileInfo(destination).absoluteFilePath()) {
        m_error = QStringLiteral("The trimmed video cannot replace its own source %1.")
                      .arg(QDir::toNativeSeparators(source));
        return false;
    }
    if (startMs > endMs)
        std::swap(startMs, endMs);
    startMs = std::max<qint64>(startMs, 0);

    Source in;
    if (QString error = openSource(source, in); !error.isEmpty()) {
        m_error = error;
        return false;
    }
    // Times count from the first picture, as the player's do.
    in.startPts = firstPicturePts(in);
    const double rate = pictureRate(in.stream);
    const qint64 totalMs = durationMs(in);
    const qint64 lastPictureMs = totalMs > 0 ? totalMs - qint64(std::lround(1000.0 / rate)) : -1;
    const bool toTheEnd = !m_endIsExact && lastPictureMs >= 0 && endMs > lastPictureMs - 100;

    AviWriter writer;
    const AVCodecParameters* par = in.stream->codecpar;
    if (!writer.open(destination, m_encoders, m_codecIndex, m_settings, par->width, par->height, rate)) {
        m_error = writer.lastError();
        return false;
    }

    // Start decoding at the key frame before the span; if the container's
    // index overshoots, start again from the top.
    bool fromTop = startMs == 0;
    if (!fromTop && av_seek_frame(in.input.get(), in.stream->index, in.toPts(startMs), AVSEEK_FLAG_BACKWARD) < 0)
        fromTop = true;

    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    FramePtr held = makeFrame(); // newest picture at or before startMs
    bool haveHeld = false;
    bool started = false;
    bool done = false;
    bool firstPicture = true;
    bool overshot = false;
    int lastPercent = -1;
    const qint64 spanMs = std::max<qint64>(1, (toTheEnd && totalMs > 0 ? totalMs : endMs) - startMs);

    auto write = [&](AVFrame* picture) {
        if (!writer.writeFrame(picture, m_framesWritten)) {
            m_error = writer.lastError();
            return false;
        }
        ++m_framesWritten;
        return true;
    };
    auto consume = [&](AVFrame* picture) -> bool { // false ends the loop (done or failed)
        const qint64 pts
            = picture->best_effort_timestamp != AV_NOPTS_VALUE ? picture->best_effort_timestamp : picture->pts;
        const qint64 ms = pts == AV_NOPTS_VALUE ? 0 : in.toMs(pts);
        if (firstPicture) {
            firstPicture = false;
            if (!fromTop && ms > startMs) {
                overshot = true;
                return false;
            }
        }
        if (!started) {
            if (ms <= startMs) {
                av_frame_unref(held.get());
                av_frame_move_ref(held.get(), picture);
                haveHeld = true;
                return true;
            }
            started = true;
            if (haveHeld && !write(held.get()))
                return false;
            av_frame_unref(held.get());
            haveHeld = false;
        }
        if (!toTheEnd && ms > endMs) {
            done = true;
            return false;
        }
        if (!write(picture))
            return false;
        const int percent = int(std::clamp<qint64>((ms - startMs) * 100 / spanMs, 0, 100));
        if (percent != lastPercent && m_progress) {
            lastPercent = percent;
            if (!m_progress(percent)) {
                m_error = QStringLiteral("The trim was cancelled.");
                return false;
            }
        }
        return true;
    };

    auto decodeAll = [&]() -> bool { // true when the loop ended normally (end of file or span)
        bool eof = false;
        while (!eof) {
            int result = av_read_frame(in.input.get(), packet.get());
            if (result < 0) {
                eof = true;
                avcodec_send_packet(in.decoder.get(), nullptr);
            } else if (packet->stream_index != in.stream->index) {
                av_packet_unref(packet.get());
                continue;
            } else {
                result = avcodec_send_packet(in.decoder.get(), packet.get());
                av_packet_unref(packet.get());
                if (result < 0 && result != AVERROR(EAGAIN))
                    continue; // a damaged packet: skip it like a player would
            }
            while (avcodec_receive_frame(in.decoder.get(), frame.get()) >= 0) {
                const bool goOn = consume(frame.get());
                av_frame_unref(frame.get());
                if (!goOn)
                    return m_error.isEmpty();
            }
        }
        return true;
    };

    bool ok = decodeAll();
    if (ok && overshot) {
        // The container's index put the seek past the start: decode again from the first picture.
        avcodec_flush_buffers(in.decoder.get());
        avformat_seek_file(in.input.get(), in.stream->index, INT64_MIN, in.startPts, in.startPts, 0);
        ok = decodeAll();
    }
    if (ok && !started && haveHeld)
        ok = write(held.get()); // the start lies at or after the last picture
    if (ok && m_framesWritten == 0) {
        m_error = QStringLiteral("%1 has no pictures in the chosen span.").arg(QDir::toNativeSeparators(source));
        ok = false;
    }
    if (!ok) {
        writer.discard();
        return false;
    }
    if (!writer.finish()) {
        m_error = writer.lastError();
        return false;
    }
    if (m_progress)
        m_progress(100);
    return true;
}

} // namespace kestrel
