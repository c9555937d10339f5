// Engine figures: open, step, seek and playback times on clips made here,
// measured next to plain libavcodec doing the same decoding work.
#include "Benchmarks.h"

#include "engine/VideoEngine.h"
#include "support/TestClips.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

#include <sys/resource.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace kestrel::bench {

namespace {

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(share * double(values.size() - 1) + 0.5));
    return values[at];
}

double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Lets queued events run for a while, as a user's pause between key presses does.
void idle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::usleep(500);
    }
}

// The UI thread's view of positioning: the call itself, then the event loop
// until the frame lands. The longest stretch the UI thread spends in one
// call or one turn of its event loop is how long a click could wait.
class UiThreadMeter {
public:
    // Runs `position` (a seek or step) and the event loop until the frame
    // lands; ms from the call to the landing.
    template <typename Positioning> double land(VideoEngine& engine, Positioning position)
    {
        QElapsedTimer timer;
        timer.start();
        QElapsedTimer stretch;
        stretch.start();
        position();
        note(stretch);
        while (engine.isSeeking() && timer.elapsed() < 60000) {
            stretch.restart();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            note(stretch);
            if (engine.isSeeking())
                QThread::usleep(200);
        }
        const double landedMs = msSince(timer);
        // The frame event that follows the landing runs on the UI thread too.
        stretch.restart();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        note(stretch);
        return landedMs;
    }
    double longestMs() const { return m_longestMs; }

private:
    void note(const QElapsedTimer& stretch) { m_longestMs = std::max(m_longestMs, msSince(stretch)); }
    double m_longestMs = 0;
};

long peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Plain libavcodec over the same file: all packets in memory, the decoder set
// up like the engine's, pictures converted to RGB32 like the engine's.
class PlainDecoder {
public:
    bool open(const QString& path)
    {
        const QByteArray url = path.toUtf8();
        if (avformat_open_input(&m_format, url.constData(), nullptr, nullptr) < 0)
            return false;
        avformat_find_stream_info(m_format, nullptr);
        const int stream = av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream < 0)
            return false;
        AVPacket* packet = av_packet_alloc();
        while (av_read_frame(m_format, packet) >= 0) {
            if (packet->stream_index == stream)
                m_packets.push_back(av_packet_clone(packet));
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
        m_parameters = m_format->streams[stream]->codecpar;
        for (size_t i = 0; i < m_packets.size(); ++i)
            m_order.push_back(i);
        std::stable_sort(m_order.begin(), m_order.end(),
            [this](size_t a, size_t b) { return m_packets[a]->pts < m_packets[b]->pts; });
        return reopen(false);
    }
    ~PlainDecoder()
    {
        for (AVPacket* packet : m_packets)
            av_packet_free(&packet);
        avcodec_free_context(&m_codec);
        sws_freeContext(m_scaler);
        avformat_close_input(&m_format);
    }
    bool reopen(bool frameThreads)
    {
        avcodec_free_context(&m_codec);
        const AVCodec* codec = avcodec_find_decoder(m_parameters->codec_id);
        m_codec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(m_codec, m_parameters);
        m_codec->thread_count = std::min(QThread::idealThreadCount(), 4);
        m_codec->thread_type = frameThreads ? FF_THREAD_FRAME : FF_THREAD_SLICE;
        return avcodec_open2(m_codec, codec, nullptr) >= 0;
    }
    // Decodes from the keyframe before `target` up to it and converts it; ms.
    double seekTime(qint64 target)
    {
        const size_t decodeIndex = m_order[size_t(target)];
        const int64_t wantedPts = m_packets[decodeIndex]->pts;
        size_t start = decodeIndex;
        while (start > 0 && !((m_packets[start]->flags & AV_PKT_FLAG_KEY) && m_packets[start]->pts <= wantedPts))
            --start;
        QElapsedTimer timer;
        timer.start();
        avcodec_flush_buffers(m_codec);
        AVFrame* frame = av_frame_alloc();
        bool found = false;
        for (size_t i = start; !found; ++i) {
            avcodec_send_packet(m_codec, i < m_packets.size() ? m_packets[i] : nullptr);
            while (!found && avcodec_receive_frame(m_codec, frame) >= 0) {
                if (frame->pts == wantedPts) {
                    convert(frame);
                    found = true;
                }
                av_frame_unref(frame);
            }
            if (i >= m_packets.size())
                break;
        }
        av_frame_free(&frame);
        return msSince(timer);
    }
    // Decodes and converts every frame in order; frames per second.
    double throughput()
    {
        avcodec_flush_buffers(m_codec);
        AVFrame* frame = av_frame_alloc();
        QElapsedTimer timer;
        timer.start();
        qint64 frames = 0;
        for (size_t i = 0; i <= m_packets.size(); ++i) {
            avcodec_send_packet(m_codec, i < m_packets.size() ? m_packets[i] : nullptr);
            while (avcodec_receive_frame(m_codec, frame) >= 0) {
                convert(frame);
                ++frames;
                av_frame_unref(frame);
            }
        }
        av_frame_free(&frame);
        return double(frames) * 1000.0 / std::max(1.0, msSince(timer));
    }
    qint64 frameCount() const { return qint64(m_packets.size()); }

private:
    void convert(const AVFrame* frame)
    {
        m_scaler = sws_getCachedContext(m_scaler, frame->width, frame->height, AVPixelFormat(frame->format),
            frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (m_picture.size() != QSize(frame->width, frame->height))
            m_picture = QImage(frame->width, frame->height, QImage::Format_RGB32);
        uint8_t* destination[4] = {m_picture.bits(), nullptr, nullptr, nullptr};
        const int stride[4] = {int(m_picture.bytesPerLine()), 0, 0, 0};
        sws_scale(m_scaler, frame->data, frame->linesize, 0, frame->height, destination, stride);
    }

    AVFormatContext* m_format = nullptr;
    AVCodecParameters* m_parameters = nullptr;
    AVCodecContext* m_codec = nullptr;
    SwsContext* m_scaler = nullptr;
    std::vector<AVPacket*> m_packets;
    std::vector<size_t> m_order;
    QImage m_picture;
};

void benchClip(QTextStream& out, const QString& label, const QString& path)
{
    out << "\n" << label << "\n";
    auto row = [&](const QString& name, const QString& value) {
        out << "  " << name.leftJustified(44, QLatin1Char('.')) << ' ' << value << "\n";
        out.flush();
    };
    auto fmt = [](double ms) { return QString::number(ms, 'f', 2); };
    QRandomGenerator random(20240611);

    VideoEngine engine;
    QElapsedTimer timer;
    timer.start();
    if (!engine.OpenFile(path)) {
        row(QStringLiteral("open"), engine.lastError());
        return;
    }
    row(QStringLiteral("open to first frame ms"), fmt(msSince(timer)));
    const qint64 count = engine.FrameCount();
    row(QStringLiteral("frames / size / fps"),
        QStringLiteral("%1 / %2x%3 / %4")
            .arg(count)
            .arg(engine.FrameWidth())
            .arg(engine.FrameHeight())
            .arg(engine.frameRate(), 0, 'f', 2));

    UiThreadMeter meter;
    // Forward steps at a user's pace (one every 40 ms).
    std::vector<double> forward;
    meter.land(engine, [&] { engine.SeekFrame(count / 5); });
    idle(200);
    for (int i = 0; i < 100 && engine.CurrentFrame() < count - 1; ++i) {
        forward.push_back(meter.land(engine, [&] { engine.StepForward(); }));
        idle(40);
    }
    row(QStringLiteral("forward step p50 / p99 ms"),
        fmt(percentile(forward, 0.5)) + " / " + fmt(percentile(forward, 0.99)));

    // Back over the same stretch: those frames were seen, the cache may hold them.
    std::vector<double> warm;
    for (int i = 0; i < 60; ++i) {
        warm.push_back(meter.land(engine, [&] { engine.SeekFrame(engine.CurrentFrame() - 1); }));
        idle(40);
    }
    row(QStringLiteral("backward step warm p50 / p99 ms"),
        fmt(percentile(warm, 0.5)) + " / " + fmt(percentile(warm, 0.99)));

    // Random seeks, each checked for the exact frame, then one step back at once.
    std::vector<qint64> targets;
    for (int i = 0; i < 40; ++i)
        targets.push_back(1 + qint64(random.bounded(quint32(count - 1))));
    std::vector<double> seeks;
    std::vector<double> cold;
    std::vector<double> baseline;
    int exact = 0;
    // Plain libavcodec seeks to the same targets in turn with the engine, so
    // that both meet the same load on a shared machine.
    PlainDecoder plain;
    const bool havePlain = plain.open(path);
    for (qint64 target : targets) {
        if (havePlain)
            baseline.push_back(plain.seekTime(target));
        idle(20);
        seeks.push_back(meter.land(engine, [&] { engine.SeekFrame(target); }));
        exact += kestrel::test::readFrameIndex(engine.GrabFrame()) == int(target) ? 1 : 0;
        cold.push_back(meter.land(engine, [&] { engine.SeekFrame(target - 1); }));
        exact += kestrel::test::readFrameIndex(engine.GrabFrame()) == int(target - 1) ? 1 : 0;
        idle(60);
    }
    row(QStringLiteral("backward step cold p50 / p99 ms"),
        fmt(percentile(cold, 0.5)) + " / " + fmt(percentile(cold, 0.99)));
    row(QStringLiteral("random seek to landing p50 / p99 ms"),
        fmt(percentile(seeks, 0.5)) + " / " + fmt(percentile(seeks, 0.99)));
    row(QStringLiteral("exact frames after seek/step"),
        QStringLiteral("%1 / %2 (%3 %)")
            .arg(exact)
            .arg(targets.size() * 2)
            .arg(100.0 * exact / (targets.size() * 2), 0, 'f', 1));
    row(QStringLiteral("UI thread longest block while seeking ms"), fmt(meter.longestMs()));

    // The far end of the clip from its start, nothing of it decoded yet.
    {
        VideoEngine fresh;
        if (fresh.OpenFile(path)) {
            UiThreadMeter lastMeter;
            const double lastMs = lastMeter.land(fresh, [&] { fresh.SeekFrame(fresh.FrameCount() - 1); });
            row(QStringLiteral("seek to the last frame (cold) ms / UI block ms"),
                fmt(lastMs) + " / " + fmt(lastMeter.longestMs()));
        }
    }

    if (havePlain) {
        const double ratio = percentile(seeks, 0.5) / std::max(0.001, percentile(baseline, 0.5));
        row(QStringLiteral("libavcodec alone keyframe->target p50 / p99 ms"),
            fmt(percentile(baseline, 0.5)) + " / " + fmt(percentile(baseline, 0.99)));
        row(QStringLiteral("seek p50 / libavcodec p50"), QString::number(ratio, 'f', 2));
        row(QStringLiteral("libavcodec alone decode+convert fps (slice)"), QString::number(plain.throughput(), 'f', 1));
        plain.reopen(true);
        row(QStringLiteral("libavcodec alone decode+convert fps (frame)"), QString::number(plain.throughput(), 'f', 1));
    }

    for (double rate : {1.0, 3.0}) {
        meter.land(engine, [&] { engine.SeekFrame(0); });
        engine.SetRate(rate);
        idle(300);
        const qint64 playFrames = std::min<qint64>(count - 1, qint64(engine.frameRate() * rate * 4));
        // A real event loop, as the program runs: a busy one would take a core from the decoder.
        QEventLoop loop;
        QTimer check;
        QObject::connect(&engine, &VideoEngine::PlaybackEnded, &loop, &QEventLoop::quit);
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (engine.CurrentFrame() >= playFrames || timer.elapsed() > 20000)
                loop.quit();
        });
        check.start(20);
        timer.restart();
        engine.Play();
        loop.exec();
        const double seconds = msSince(timer) / 1000.0;
        engine.Pause();
        const auto stats = engine.playbackStats();
        const qint64 due = stats.shown + stats.skipped;
        row(QStringLiteral("playback x%1: fps shown / late / skipped").arg(rate, 0, 'f', 0),
            QStringLiteral("%1 / %2 / %3 of %4 (%5 % not on time)")
                .arg(double(stats.shown) / std::max(0.001, seconds), 0, 'f', 1)
                .arg(stats.late)
                .arg(stats.skipped)
                .arg(due)
                .arg(100.0 * double(stats.late + stats.skipped) / std::max<qint64>(1, due), 0, 'f', 2));
    }
    engine.SetRate(1.0);
    row(QStringLiteral("cache used MiB"), QString::number(engine.cacheUsedBytes() >> 20));
    row(QStringLiteral("peak memory (process) MiB"), QString::number(peakMemoryMiB()));
}

} // namespace

void runEngineBench(QTextStream& out, const QString& workDir)
{
    out << "Engine benchmark (" << QThread::idealThreadCount() << " cores)\n";
    struct Clip {
        QString label;
        QString file;
        test::ClipRecipe recipe;
    };
    std::vector<Clip> clips;
    test::ClipRecipe hd;
    hd.width = 1920;
    hd.height = 1080;
    hd.fpsNum = 60;
    hd.frames = 600;
    hd.gopSize = 60;
    hd.bFrames = true;
    if (test::hasEncoder("libx264")) {
        hd.codec = QStringLiteral("libx264");
        clips.push_back(
            {QStringLiteral("1920x1080 60 fps H.264 MP4, 10 s, keyframe every 60"), QStringLiteral("hd.mp4"), hd});
    } else {
        hd.codec = QStringLiteral("mpeg4");
        clips.push_back({QStringLiteral("1920x1080 60 fps MPEG-4 AVI (no H.264 encoder here), 10 s"),
            QStringLiteral("hd.avi"), hd});
    }
    // As phones record: a keyframe every two seconds and sensor grain.
    if (test::hasEncoder("libx264")) {
        test::ClipRecipe phone = hd;
        phone.codec = QStringLiteral("libx264");
        phone.gopSize = 120;
        phone.bFrames = true;
        phone.noiseAmplitude = 12;
        clips.push_back({QStringLiteral("1920x1080 60 fps H.264 MP4 with grain, 10 s, keyframe every 120"),
            QStringLiteral("phone.mp4"), phone});
    }
    test::ClipRecipe sd;
    sd.codec = QStringLiteral("mpeg2video");
    sd.width = 720;
    sd.height = 576;
    sd.frames = 250;
    sd.gopSize = 15;
    sd.bFrames = true;
    clips.push_back(
        {QStringLiteral("720x576 25 fps MPEG-2 program stream with B-frames, 10 s"), QStringLiteral("sd.mpg"), sd});

    for (const Clip& clip : clips) {
        const QString path = workDir + QLatin1Char('/') + clip.file;
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!test::makeClip(path, clip.recipe, &error)) {
            out << clip.label << ": cannot make the clip: " << error << "\n";
            continue;
        }
        out << "(made " << clip.file << " in " << timer.elapsed() << " ms)\n";
        benchClip(out, clip.label, path);
    }
    out.flush();
}

} // namespace kestrel::bench
