#include "EngineTestSupport.h"

#include "engine/FfmpegPtr.h"
#include "engine/PaddedPicture.h"

#include <QFileInfo>
#include <QTransform>

#include <chrono>
#include <cmath>
#include <cstdio>

namespace kestrel::test {

ReferenceDecode decodeWithLibavcodec(const QString& path, int rotationDegrees, double framesPerSecond)
{
    ReferenceDecode result;
    AVFormatContext* raw = nullptr;
    const QByteArray name = QFileInfo(path).absoluteFilePath().toUtf8();
    if (avformat_open_input(&raw, name.constData(), nullptr, nullptr) < 0) {
        result.error = QStringLiteral("cannot open");
        return result;
    }
    FormatContextPtr format(raw);
    avformat_find_stream_info(format.get(), nullptr);
    const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (streamIndex < 0) {
        result.error = QStringLiteral("no video");
        return result;
    }
    const AVStream* stream = format->streams[streamIndex];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        result.error = QStringLiteral("cannot open the decoder");
        return result;
    }
    SwsContextPtr scaler;
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    qint64 firstPts = AV_NOPTS_VALUE;
    auto takeFrames = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            scaler.reset(
                sws_getCachedContext(scaler.release(), frame->width, frame->height, AVPixelFormat(frame->format),
                    frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
            FramePtr rgb = makePaddedFrame(AV_PIX_FMT_BGRA, frame->width, frame->height);
            sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, rgb->data, rgb->linesize);
            QImage picture(frame->width, frame->height, QImage::Format_RGB32);
            for (int y = 0; y < frame->height; ++y)
                memcpy(picture.scanLine(y), rgb->data[0] + qsizetype(y) * rgb->linesize[0], size_t(frame->width) * 4);
            if (rotationDegrees)
                picture = picture.transformed(QTransform().rotate(rotationDegrees));
            result.pictures.append(picture);
            const qint64 pts = frame->best_effort_timestamp;
            if (pts != AV_NOPTS_VALUE && firstPts == AV_NOPTS_VALUE)
                firstPts = pts;
            result.indexes.append(pts == AV_NOPTS_VALUE
                    ? -1
                    : int(std::lround(double(pts - firstPts) * av_q2d(stream->time_base) * framesPerSecond)));
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == streamIndex)
            avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        takeFrames();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    takeFrames();
    return result;
}

Watchdog::Watchdog(int seconds, QString what)
    : m_what(std::move(what))
{
    m_thread = std::thread([this, seconds] {
        std::unique_lock lock(m_mutex);
        if (!m_wake.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; })) {
            std::fprintf(stderr, "HANG: %s did not finish in %d s\n", qPrintable(m_what), seconds);
            std::fflush(stderr);
            std::abort();
        }
    });
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void Watchdog::rename(QString what)
{
    std::lock_guard lock(m_mutex);
    m_what = std::move(what);
}

} // namespace kestrel::test
