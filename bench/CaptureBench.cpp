// The camera's delay buffer: what a second of delay takes in memory at the
// usual camera sizes, how long compressing and showing a picture take, and
// how fast "Save last N seconds" writes, on pictures like a camera's (FFmpeg's
// test source, clean and with a sensor's grain) in the camera's own YUY2.
#include "Benchmarks.h"

#include "engine/AviEncoders.h"
#include "engine/DelayClipWriter.h"
#include "engine/DelayRing.h"
#include "engine/FfmpegPtr.h"
#include "engine/JpegDecoder.h"
#include "engine/PictureConverter.h"

#include <QDir>
#include <QElapsedTimer>

extern "C" {
#include <libavdevice/avdevice.h>
}

#include <vector>

namespace kestrel::bench {

namespace {

constexpr double kRate = 30;
constexpr int kPictures = 90;

// kPictures pictures of FFmpeg's test source (what the virtual camera shows).
std::vector<FramePtr> cameraPictures(int width, int height, int grain)
{
    avdevice_register_all();
    std::vector<FramePtr> pictures;
    QString graph = QStringLiteral("testsrc2=size=%1x%2:rate=%3").arg(width).arg(height).arg(kRate);
    if (grain > 0)
        graph += QStringLiteral(",noise=alls=%1:allf=t").arg(grain);
    graph += QStringLiteral(",format=yuyv422");
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, graph.toUtf8().constData(), av_find_input_format("lavfi"), nullptr) < 0)
        return pictures;
    InputPtr input(raw);
    const AVStream* stream = input->streams[0];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return pictures;
    PacketPtr packet = makePacket();
    while (int(pictures.size()) < kPictures && av_read_frame(input.get(), packet.get()) >= 0) {
        if (avcodec_send_packet(decoder.get(), packet.get()) >= 0) {
            FramePtr frame = makeFrame();
            while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
                pictures.push_back(std::move(frame));
                frame = makeFrame();
            }
        }
        av_packet_unref(packet.get());
    }
    return pictures;
}

// Hands the pictures to the ring one by one, as a camera does, and waits
// for each to be stored; ms a picture.
double fill(DelayRing& ring, const std::vector<FramePtr>& pictures)
{
    ring.setSpanUs(30000000);
    ring.setLimitBytes(qint64(4) << 30);
    QElapsedTimer timer;
    timer.start();
    for (size_t i = 0; i < pictures.size(); ++i) {
        ring.takePicture({shareFrame(pictures[i].get()), qint64(double(i) * 1e6 / kRate)});
        ring.waitUntilIdle(10000);
    }
    return double(timer.nsecsElapsed()) / 1e6 / double(pictures.size());
}

QString megabytes(double bytes)
{
    return QString::number(bytes / (1 << 20), 'f', 2);
}

} // namespace

void runCaptureBench(QTextStream& out, const QString& workDir)
{
    out << QStringLiteral("camera delay buffer (JPEG quality %1, %2 fps; from 720p up, slices on every core)\n")
               .arg(JpegEncoder::kDefaultQuality)
               .arg(kRate);
    const AviEncoders encoders;
    static constexpr int sizes[][2] = {{640, 480}, {1280, 720}, {1920, 1080}};
    for (const auto& size : sizes) {
        for (int grain : {0, 10}) {
            const std::vector<FramePtr> pictures = cameraPictures(size[0], size[1], grain);
            if (pictures.empty()) {
                out << "  FFmpeg's test source is missing\n";
                return;
            }
            DelayRing ring;
            const double compressMs = fill(ring, pictures);
            const DelayRing::Status status = ring.status();

            const std::vector<DelayStore::Picture> stills = ring.since(0);
            JpegDecoder decoder;
            PictureConverter converter(0);
            QElapsedTimer timer;
            timer.start();
            for (const auto& still : stills)
                converter.convert(decoder.decode(still.jpeg));
            const double showMs = double(timer.nsecsElapsed()) / 1e6 / double(stills.size());

            DelayClipWriter writer(encoders);
            writer.setCodecIndex(encoders.indexOf(QStringLiteral("mpeg4")));
            timer.restart();
            const qint64 lengthUs = qint64(double(stills.size()) / kRate * 1e6);
            const bool saved
                = writer.write(stills, QDir(workDir).filePath(QStringLiteral("last.avi")), kRate, lengthUs);
            const double saveSpeed = saved ? (lengthUs / 1e3) / double(timer.elapsed()) : 0;

            const double rawPerSecond = size[0] * size[1] * 2.0 * kRate; // YUY2
            out << QStringLiteral("  %1x%2 %3: %4 MB per second of delay (%5 MB for 30 s; raw YUY2 %6 MB/s, %7x less);"
                                  " compress %8 ms, show %9 ms a picture; save with MPEG-4 at %10x real time\n")
                       .arg(size[0])
                       .arg(size[1])
                       .arg(grain ? QStringLiteral("grainy") : QStringLiteral("clean "))
                       .arg(megabytes(status.bytesPerSecond))
                       .arg(megabytes(status.bytesPerSecond * 30))
                       .arg(megabytes(rawPerSecond))
                       .arg(QString::number(rawPerSecond / status.bytesPerSecond, 'f', 0))
                       .arg(QString::number(compressMs, 'f', 1))
                       .arg(QString::number(showMs, 'f', 1))
                       .arg(QString::number(saveSpeed, 'f', 1));
            out.flush();
        }
    }
    // What the quality costs, on grainy 720p.
    const std::vector<FramePtr> pictures = cameraPictures(1280, 720, 10);
    for (int quality : {2, 3, 4, 6, 8}) {
        DelayRing ring(quality);
        const double compressMs = fill(ring, pictures);
        out << QStringLiteral("  quality %1, 1280x720 grainy: %2 MB per second of delay, compress %3 ms a picture\n")
                   .arg(quality)
                   .arg(megabytes(ring.status().bytesPerSecond))
                   .arg(QString::number(compressMs, 'f', 1));
    }
}

} // namespace kestrel::bench
