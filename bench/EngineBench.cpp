// Engine figures: open, step, seek and playback times on clips made here,
// measured next to plain libavcodec doing the same decoding work.
#include "Benchmarks.h"

#include "engine/MemoryBudget.h"
#include "engine/PaddedPicture.h"
#include "engine/VideoEngine.h"
#include "support/TestClips.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

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

// Resident memory now, MiB.
long residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? long(fields[1].toLongLong() * sysconf(_SC_PAGESIZE) / (1 << 20)) : 0;
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
            m_picture = makePaddedImage(QSize(frame->width, frame->height));
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

// What one clip is measured for.
struct BenchClip {
    QString label;
    QString file;
    test::ClipRecipe recipe;
    QList<double> playRates; // playback rates whose timeliness is measured
};

using RowWriter = std::function<void(const QString&, const QString&)>;

QString fmt(double ms)
{
    return QString::number(ms, 'f', 2);
}

void benchSteps(VideoEngine& engine, UiThreadMeter& meter, const RowWriter& row)
{
    const qint64 count = engine.FrameCount();
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
}

// Random seeks with nothing cached, each checked for the exact frame, then
// one step back at once; libavcodec alone decodes from the keyframe to the
// same target in turn, so that both meet the same load.
void benchColdSeeks(VideoEngine& engine, UiThreadMeter& meter, const QString& path, const RowWriter& row)
{
    const qint64 count = engine.FrameCount();
    QRandomGenerator random(20240611);
    std::vector<qint64> targets;
    for (int i = 0; i < 40; ++i)
        targets.push_back(1 + qint64(random.bounded(quint32(count - 1))));
    std::vector<double> seeks, backs, baseline;
    int exact = 0;
    PlainDecoder plain;
    const bool havePlain = plain.open(path);
    for (qint64 target : targets) {
        if (havePlain)
            baseline.push_back(plain.seekTime(target));
        idle(20);
        engine.dropCachedFrames();
        seeks.push_back(meter.land(engine, [&] { engine.SeekFrame(target); }));
        exact += kestrel::test::readFrameIndex(engine.GrabFrame()) == int(target) ? 1 : 0;
        backs.push_back(meter.land(engine, [&] { engine.SeekFrame(target - 1); }));
        exact += kestrel::test::readFrameIndex(engine.GrabFrame()) == int(target - 1) ? 1 : 0;
        idle(60);
    }
    row(QStringLiteral("backward step right after a seek p50 / p99 ms"),
        fmt(percentile(backs, 0.5)) + " / " + fmt(percentile(backs, 0.99)));
    row(QStringLiteral("cold random seek to landing p50 / p99 ms"),
        fmt(percentile(seeks, 0.5)) + " / " + fmt(percentile(seeks, 0.99)));
    if (havePlain) {
        row(QStringLiteral("libavcodec alone keyframe->target p50 / p99 ms"),
            fmt(percentile(baseline, 0.5)) + " / " + fmt(percentile(baseline, 0.99)));
        row(QStringLiteral("cold seek p50 / libavcodec p50"),
            QString::number(percentile(seeks, 0.5) / std::max(0.001, percentile(baseline, 0.5)), 'f', 2));
        row(QStringLiteral("libavcodec alone decode+convert fps (slice)"), QString::number(plain.throughput(), 'f', 1));
    }
    row(QStringLiteral("exact frames after seek/step"),
        QStringLiteral("%1 / %2 (%3 %)")
            .arg(exact)
            .arg(targets.size() * 2)
            .arg(100.0 * exact / double(targets.size() * 2), 0, 'f', 1));
}

void benchPlayback(VideoEngine& engine, UiThreadMeter& meter, double rate, const RowWriter& row)
{
    const qint64 count = engine.FrameCount();
    meter.land(engine, [&] { engine.SeekFrame(0); });
    engine.SetRate(rate);
    idle(300);
    const qint64 playFrames = std::min<qint64>(count - 1, qint64(engine.frameRate() * rate * 4));
    // A real event loop, as the program runs: a busy one would take a core from the decoder.
    QEventLoop loop;
    QTimer check;
    QElapsedTimer timer;
    QObject::connect(&engine, &VideoEngine::PlaybackEnded, &loop, &QEventLoop::quit);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (engine.CurrentFrame() >= playFrames || timer.elapsed() > 20000)
            loop.quit();
    });
    check.start(20);
    timer.start();
    engine.Play();
    loop.exec();
    const double seconds = msSince(timer) / 1000.0;
    engine.Pause();
    engine.SetRate(1.0);
    const auto stats = engine.playbackStats();
    const qint64 due = stats.shown + stats.skipped;
    row(QStringLiteral("playback x%1: fps shown / late / skipped").arg(rate, 0, 'f', 0),
        QStringLiteral("%1 / %2 / %3 of %4 (%5 % not on time)")
            .arg(double(stats.shown) / std::max(0.001, seconds), 0, 'f', 1)
            .arg(stats.late)
            .arg(stats.skipped)
            .arg(due)
            .arg(100.0 * double(stats.late + stats.skipped) / double(std::max<qint64>(1, due)), 0, 'f', 2));
}

void benchClip(QTextStream& out, const BenchClip& clip, const QString& path)
{
    out << "\n" << clip.label << "\n";
    const RowWriter row = [&](const QString& name, const QString& value) {
        out << "  " << name.leftJustified(46, QLatin1Char('.')) << ' ' << value << "\n";
        out.flush();
    };
    const long residentBefore = residentMiB();
    VideoEngine engine;
    QElapsedTimer timer;
    timer.start();
    if (!engine.OpenFile(path)) {
        row(QStringLiteral("open"), engine.lastError());
        return;
    }
    row(QStringLiteral("open to first frame ms"), fmt(msSince(timer)));
    row(QStringLiteral("frames / size / fps"),
        QStringLiteral("%1 / %2x%3 / %4")
            .arg(engine.FrameCount())
            .arg(engine.FrameWidth())
            .arg(engine.FrameHeight())
            .arg(engine.frameRate(), 0, 'f', 2));

    UiThreadMeter meter;
    benchSteps(engine, meter, row);
    benchColdSeeks(engine, meter, path, row);
    row(QStringLiteral("UI thread longest block while seeking ms"), fmt(meter.longestMs()));
    {
        // The far end of the clip from its start, nothing of it decoded yet.
        VideoEngine fresh;
        if (fresh.OpenFile(path)) {
            UiThreadMeter lastMeter;
            const double lastMs = lastMeter.land(fresh, [&] { fresh.SeekFrame(fresh.FrameCount() - 1); });
            row(QStringLiteral("seek to the last frame (cold) ms / UI block ms"),
                fmt(lastMs) + " / " + fmt(lastMeter.longestMs()));
        }
    }
    for (double rate : clip.playRates)
        benchPlayback(engine, meter, rate, row);
    row(QStringLiteral("cache budget / used MiB"),
        QStringLiteral("%1 / %2").arg(engine.cacheBudgetBytes() >> 20).arg(engine.cacheUsedBytes() >> 20));
    row(QStringLiteral("resident beyond the cache MiB"),
        QString::number(residentMiB() - residentBefore - long(engine.cacheUsedBytes() >> 20)));
}

// Three windows, each with a model, on 1080p clips: one plays, the others
// are stepped and seeked now and then, all within one budget.
void benchThreeWindows(QTextStream& out, const QStringList& clips, qint64 budgetBytes)
{
    out << "\nThree windows with models on 1080p clips, one playing, one budget of " << (budgetBytes >> 20) << " MiB\n";
    const long residentBefore = residentMiB();
    auto budget = std::make_shared<MemoryBudget>(budgetBytes);
    std::vector<std::unique_ptr<VideoEngine>> videos, models;
    for (int window = 0; window < 3; ++window) {
        const bool active = window == 0;
        videos.push_back(std::make_unique<VideoEngine>());
        models.push_back(std::make_unique<VideoEngine>());
        videos.back()->setMemoryBudget(
            budget, active ? MemoryBudget::Role::ActiveVideo : MemoryBudget::Role::Background);
        models.back()->setMemoryBudget(
            budget, active ? MemoryBudget::Role::ActiveModel : MemoryBudget::Role::Background);
        videos.back()->OpenFile(clips.value(window % clips.size()));
        models.back()->OpenFile(clips.value((window + 1) % clips.size()));
    }
    long peak = residentMiB();
    QElapsedTimer timer;
    timer.start();
    videos[0]->Play();
    QRandomGenerator random(7);
    while (timer.elapsed() < 8000) {
        for (auto* engines : {&videos, &models}) {
            for (auto& engine : *engines) {
                if (engine.get() != videos[0].get() && random.bounded(4) == 0)
                    engine->SeekFrame(qint64(random.bounded(quint32(engine->FrameCount()))));
                else if (engine.get() != videos[0].get())
                    engine->StepForward();
            }
        }
        idle(120);
        peak = std::max(peak, residentMiB());
    }
    videos[0]->Pause();
    qint64 used = 0;
    for (auto* engines : {&videos, &models})
        for (auto& engine : *engines)
            used += engine->cacheUsedBytes();
    const long beyond = peak - residentBefore - long(budgetBytes >> 20);
    out << "  " << QStringLiteral("caches used / budget MiB").leftJustified(46, QLatin1Char('.')) << ' ' << (used >> 20)
        << " / " << (budgetBytes >> 20) << "\n";
    out << "  " << QStringLiteral("peak resident, whole scenario MiB").leftJustified(46, QLatin1Char('.')) << ' '
        << (peak - residentBefore) << "\n";
    out << "  " << QStringLiteral("beyond the budget, per open clip MiB").leftJustified(46, QLatin1Char('.')) << ' '
        << (beyond / 6) << "  (target <= 150)\n";
    out.flush();
}

} // namespace

void runEngineBench(QTextStream& out, const QString& workDir)
{
    out << "Engine benchmark (" << QThread::idealThreadCount() << " cores)\n";
    std::vector<BenchClip> clips;
    const bool h264 = test::hasEncoder("libx264");
    // As phones record: long keyframe intervals, B-frames and sensor grain.
    test::ClipRecipe phone;
    phone.codec = h264 ? QStringLiteral("libx264") : QStringLiteral("mpeg4");
    phone.width = 1920;
    phone.height = 1080;
    phone.fpsNum = 60;
    phone.frames = 600;
    phone.gopSize = 120;
    phone.bFrames = true;
    phone.noiseAmplitude = 12;
    clips.push_back({QStringLiteral("1920x1080 60 fps H.264 with grain, 10 s, keyframe every 120"),
        QStringLiteral("phone1080.mp4"), phone, {3.0}});
    test::ClipRecipe slowMotion = phone;
    slowMotion.width = 1280;
    slowMotion.height = 720;
    slowMotion.fpsNum = 240;
    slowMotion.frames = 960;
    slowMotion.gopSize = 240;
    clips.push_back({QStringLiteral("1280x720 240 fps H.264 with grain, 4 s, keyframe every 240"),
        QStringLiteral("phone720x240.mp4"), slowMotion, {1.0}});
    test::ClipRecipe uhd = phone;
    uhd.width = 3840;
    uhd.height = 2160;
    uhd.fpsNum = 30;
    uhd.frames = 300;
    uhd.gopSize = 60;
    clips.push_back({QStringLiteral("3840x2160 30 fps H.264 with grain, 10 s, keyframe every 60"),
        QStringLiteral("phone4k.mp4"), uhd, {1.0}});
    if (test::hasEncoder("libx265")) {
        test::ClipRecipe hevc = phone;
        hevc.codec = QStringLiteral("libx265");
        hevc.frames = 240;
        clips.push_back({QStringLiteral("1920x1080 60 fps HEVC with grain, 4 s, keyframe every 120"),
            QStringLiteral("phone1080.hevc.mp4"), hevc, {1.0}});
    }
    test::ClipRecipe sd;
    sd.codec = QStringLiteral("mpeg2video");
    sd.width = 720;
    sd.height = 576;
    sd.frames = 250;
    sd.gopSize = 15;
    sd.bFrames = true;
    sd.noiseAmplitude = 12;
    clips.push_back({QStringLiteral("720x576 25 fps MPEG-2 program stream with B-frames, 10 s"),
        QStringLiteral("sd.mpg"), sd, {3.0}});

    QStringList made;
    for (const BenchClip& clip : clips) {
        const QString path = workDir + QLatin1Char('/') + clip.file;
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!test::makeClip(path, clip.recipe, &error)) {
            out << clip.label << ": cannot make the clip: " << error << "\n";
            continue;
        }
        out << "(made " << clip.file << " in " << timer.elapsed() << " ms)\n";
        benchClip(out, clip, path);
        if (clip.recipe.width == 1920 && clip.recipe.codec == phone.codec)
            made << path;
    }
    if (!made.isEmpty())
        benchThreeWindows(out, made, qint64(1024) << 20);
    out << "\nprocess peak resident MiB: " << peakMemoryMiB() << "\n";
    out.flush();
}

} // namespace kestrel::bench
