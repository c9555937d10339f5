#include "analysis/MotionProfiler.h"

#include "analysis/GreyThumbnailer.h"
#include "engine/SequentialFrameReader.h"

#include <QThread>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>

namespace kestrel {

namespace {

// Shorter clips are not worth a second decoder.
constexpr qint64 kMinFramesPerSpan = 240;
// Grey differences up to this size are coding noise, not movement, when
// locating where the picture changed.
constexpr int kNoiseGreyLevels = 3;

struct Change {
    float motion = 0;
    float x = std::numeric_limits<float>::quiet_NaN();
    float y = std::numeric_limits<float>::quiet_NaN();
};

// How much two thumbnails differ and where, in the upright picture's
// coordinates. Change that touches nearly every cell at once (the coding
// noise of a keyframe, a flicker of the light) is taken as the level every
// cell changes by; the motion is what stands out above it.
Change compare(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after, int width, int height,
    int rotationDegrees, std::vector<int>& differences, std::vector<int>& scratch)
{
    const size_t cells = size_t(width) * size_t(height);
    differences.resize(cells);
    for (size_t i = 0; i < cells; ++i)
        differences[i] = std::abs(int(after[i]) - int(before[i]));
    scratch = differences;
    const auto quarter = scratch.begin() + qint64(cells / 4);
    std::nth_element(scratch.begin(), quarter, scratch.end());
    const int everywhere = *quarter;
    const int located = std::max(everywhere, kNoiseGreyLevels);
    qint64 total = 0;
    double weight = 0;
    double sumX = 0;
    double sumY = 0;
    for (int y = 0; y < height; ++y) {
        const size_t row = size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) {
            const int difference = differences[row + size_t(x)];
            total += std::max(0, difference - everywhere);
            if (difference > located) {
                const double w = difference - located;
                weight += w;
                sumX += w * (x + 0.5);
                sumY += w * (y + 0.5);
            }
        }
    }
    Change change;
    change.motion = float(double(total) / double(std::max(1, width * height)));
    if (weight > 0) {
        const double u = sumX / weight / width;
        const double v = sumY / weight / height;
        // Coded picture to upright: a player turns it clockwise by the rotation.
        switch (rotationDegrees) {
        case 90:
            change.x = float(1 - v);
            change.y = float(u);
            break;
        case 180:
            change.x = float(1 - u);
            change.y = float(1 - v);
            break;
        case 270:
            change.x = float(v);
            change.y = float(1 - u);
            break;
        default:
            change.x = float(u);
            change.y = float(v);
        }
    }
    return change;
}

// The frames one thread measures, and what it found.
struct Span {
    qint64 first = 0;
    qint64 last = 0;
    std::atomic<qint64> framesDone{0};
    QString error;
    qint64 decoded = 0;
    std::vector<float> motion;
    std::vector<float> centreX;
    std::vector<float> centreY;
};

// Runs on a helper thread.
void measure(const std::shared_ptr<const PacketIndex>& index, Span& span, const std::atomic<bool>& stop)
{
    const size_t count = size_t(span.last - span.first + 1);
    span.motion.assign(count, 0.0f);
    span.centreX.assign(count, std::numeric_limits<float>::quiet_NaN());
    span.centreY.assign(count, std::numeric_limits<float>::quiet_NaN());
    SequentialFrameReader reader(index);
    if (!reader.open(&span.error))
        return;
    GreyThumbnailer thumbnailer(index->codedWidth(), index->codedHeight());
    std::vector<uint8_t> previous;
    std::vector<uint8_t> current;
    std::vector<int> differences;
    std::vector<int> scratch;
    qint64 previousIndex = -1;
    // The frame before the span is read too: the span's first frame is measured against it.
    const qint64 start = std::max<qint64>(0, span.first - 1);
    const auto take = [&](qint64 frameIndex, const AVFrame* frame) {
        span.framesDone = frameIndex - start + 1;
        if (!thumbnailer.make(frame, current))
            return;
        ++span.decoded;
        if (previousIndex >= 0 && frameIndex >= span.first) {
            const Change change = compare(previous, current, thumbnailer.width(), thumbnailer.height(),
                index->rotationDegrees(), differences, scratch);
            // A difference across missing frames is shared out among them.
            const qint64 gap = frameIndex - previousIndex;
            for (qint64 f = std::max(previousIndex + 1, span.first); f <= frameIndex; ++f)
                span.motion[size_t(f - span.first)] = change.motion / float(gap);
            span.centreX[size_t(frameIndex - span.first)] = change.x;
            span.centreY[size_t(frameIndex - span.first)] = change.y;
        }
        previous.swap(current);
        previousIndex = frameIndex;
    };
    reader.read(start, span.last, take, [&stop] { return stop.load(std::memory_order_relaxed); });
}

} // namespace

MotionProfiler::MotionProfiler(int threads)
    : m_threads(threads > 0 ? threads : std::clamp(QThread::idealThreadCount(), 1, 4))
{
}

bool MotionProfiler::compute(const std::shared_ptr<const PacketIndex>& index, MotionProfile* profile,
    const StopCheck& shouldStop, const Progress& progress)
{
    m_error.clear();
    const qint64 frames = index->frameCount();
    const qint64 spanCount = std::clamp<qint64>(frames / kMinFramesPerSpan, 1, m_threads);
    std::vector<std::unique_ptr<Span>> spans;
    for (qint64 i = 0; i < spanCount; ++i) {
        auto span = std::make_unique<Span>();
        span->first = i * frames / spanCount;
        span->last = (i + 1) * frames / spanCount - 1;
        spans.push_back(std::move(span));
    }

    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable allDone;
    size_t finished = 0;
    std::vector<std::thread> helpers;
    for (auto& span : spans) {
        helpers.emplace_back([&, spanPtr = span.get()] {
            measure(index, *spanPtr, stop);
            const std::lock_guard lock(mutex);
            ++finished;
            allDone.notify_all();
        });
    }
    while (true) {
        std::unique_lock lock(mutex);
        if (allDone.wait_for(lock, std::chrono::milliseconds(30), [&] { return finished == spans.size(); }))
            break;
        lock.unlock();
        if (shouldStop && shouldStop())
            stop = true;
        if (progress) {
            qint64 done = 0;
            for (const auto& span : spans)
                done += span->framesDone;
            progress(std::min(1.0, double(done) / double(frames)));
        }
    }
    for (std::thread& helper : helpers)
        helper.join();
    if (stop) {
        m_error = QStringLiteral("stopped");
        return false;
    }

    MotionProfile result;
    result.firstFrameSeconds = index->firstFrameSeconds();
    result.frameTimesMs.reserve(size_t(frames));
    for (qint64 i = 0; i < frames; ++i) {
        result.frameTimesMs.push_back(index->frameTimeMs(i));
        result.keyframe.push_back(index->packet(index->decodeIndexOf(i)).key ? 1 : 0);
    }
    qint64 decoded = 0;
    for (const auto& span : spans) {
        result.motion.insert(result.motion.end(), span->motion.begin(), span->motion.end());
        result.centreX.insert(result.centreX.end(), span->centreX.begin(), span->centreX.end());
        result.centreY.insert(result.centreY.end(), span->centreY.begin(), span->centreY.end());
        decoded += span->decoded;
        if (m_error.isEmpty())
            m_error = span->error;
    }
    if (decoded == 0) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("no frame of the video could be decoded");
        return false;
    }
    m_error.clear();
    *profile = std::move(result);
    if (progress)
        progress(1.0);
    return true;
}

} // namespace kestrel
