#include "analysis/ClipPointTracker.h"

#include "analysis/GreyFrameSampler.h"
#include "engine/PacketIndex.h"
#include "engine/SequentialFrameReader.h"

#include <QDir>

#include <algorithm>
#include <utility>
#include <vector>

namespace kestrel {

struct ClipPointTracker::Walk {
    std::shared_ptr<const PacketIndex> index;
    PointTrack& track;
    QPointF startPx; // upright video pixels
    const StopCheck& shouldStop;
    const Progress& progress;
    qint64 framesDone = 0;
    qint64 framesToDo = 1;

    void advance()
    {
        ++framesDone;
        if (progress)
            progress(std::min(1.0, double(framesDone) / double(std::max<qint64>(1, framesToDo))));
    }
    bool stopped() const { return shouldStop && shouldStop(); }
};

namespace {

// Pixel centres map onto pixel centres: video pixel n covers working pixels
// from n * scale to (n + 1) * scale.
cv::Point2f toWorking(QPointF videoPx, double scale)
{
    return {float((videoPx.x() + 0.5) * scale - 0.5), float((videoPx.y() + 0.5) * scale - 0.5)};
}

QPointF toVideo(cv::Point2f workingPx, double scale)
{
    return {(workingPx.x + 0.5) / scale - 0.5, (workingPx.y + 0.5) / scale - 0.5};
}

QSize uprightSize(const PacketIndex& index)
{
    const bool sideways = index.rotationDegrees() % 180 != 0;
    return sideways ? QSize(index.codedHeight(), index.codedWidth()) : QSize(index.codedWidth(), index.codedHeight());
}

} // namespace

ClipPointTracker::ClipPointTracker()
    : ClipPointTracker(Options())
{
}

ClipPointTracker::ClipPointTracker(Options options)
    : m_options(options)
{
}

std::shared_ptr<const PacketIndex> ClipPointTracker::openIndex(const QString& path, QString* error) const
{
    auto index = std::make_shared<PacketIndex>();
    if (!index->build(path, error))
        return nullptr;
    if (index->frameCount() == 0) {
        *error = QStringLiteral("the file has no video frames");
        return nullptr;
    }
    return index;
}

PointTrack ClipPointTracker::track(
    const QString& path, qint64 frame, QPointF atPx, const StopCheck& shouldStop, const Progress& progress) const
{
    PointTrack track;
    QString error;
    const std::shared_ptr<const PacketIndex> index = openIndex(path, &error);
    if (!index) {
        track.error = QStringLiteral("Cannot track a point in %1: %2.").arg(QDir::toNativeSeparators(path), error);
        return track;
    }
    const qint64 frames = index->frameCount();
    if (frame < 0 || frame >= frames) {
        track.error = QStringLiteral("Frame %1 is not in the clip (0 to %2).").arg(frame).arg(frames - 1);
        return track;
    }
    track.videoSizePx = uprightSize(*index);
    for (qint64 i = 0; i < frames; ++i)
        track.frameTimesMs.push_back(index->frameTimeMs(i));
    track.points.resize(size_t(frames));
    track.points[size_t(frame)] = {atPx, TrackState::Set};
    track.startFrame = frame;

    Walk walk{index, track, atPx, shouldStop, progress};
    walk.framesToDo = frames + 1; // the start frame is read by both walks
    if (!walkForward(walk, frame, frames - 1) || !walkBackward(walk, frame, 0)) {
        PointTrack stopped;
        stopped.error = track.error.isEmpty() ? stoppedError() : track.error;
        return stopped;
    }
    if (progress)
        progress(1.0);
    return track;
}

PointTrack ClipPointTracker::correct(const QString& path, PointTrack track, qint64 frame, QPointF atPx,
    const StopCheck& shouldStop, const Progress& progress) const
{
    QString error;
    const std::shared_ptr<const PacketIndex> index = openIndex(path, &error);
    if (!index) {
        track.error = QStringLiteral("Cannot track a point in %1: %2.").arg(QDir::toNativeSeparators(path), error);
        return track;
    }
    if (track.frameCount() != index->frameCount() || track.startFrame < 0) {
        track.error = QStringLiteral("The track does not belong to %1.").arg(QDir::toNativeSeparators(path));
        return track;
    }
    if (frame < 0 || frame >= track.frameCount()) {
        track.error = QStringLiteral("Frame %1 is not in the clip (0 to %2).").arg(frame).arg(track.frameCount() - 1);
        return track;
    }
    track.error.clear();
    track.points[size_t(frame)] = {atPx, TrackState::Set};
    // The correction holds up to the nearest other placed frame on the side away from the start.
    qint64 nextSet = track.frameCount();
    qint64 previousSet = -1;
    for (qint64 placed : track.setFrames()) {
        if (placed > frame)
            nextSet = std::min(nextSet, placed);
        if (placed < frame)
            previousSet = std::max(previousSet, placed);
    }
    const bool forward = frame >= track.startFrame;
    const bool backward = frame <= track.startFrame;
    Walk walk{index, track, atPx, shouldStop, progress};
    walk.framesToDo = (forward ? nextSet - frame : 0) + (backward ? frame - previousSet : 0);
    if ((forward && !walkForward(walk, frame, nextSet - 1))
        || (backward && !walkBackward(walk, frame, previousSet + 1))) {
        PointTrack stopped;
        stopped.error = track.error.isEmpty() ? stoppedError() : track.error;
        return stopped;
    }
    if (progress)
        progress(1.0);
    return track;
}

bool ClipPointTracker::walkForward(Walk& walk, qint64 from, qint64 last) const
{
    if (last <= from)
        return true;
    SequentialFrameReader reader(walk.index);
    QString error;
    if (!reader.open(&error)) {
        walk.track.error = error;
        return false;
    }
    GreyFrameSampler sampler(QSize(walk.index->codedWidth(), walk.index->codedHeight()), walk.index->rotationDegrees(),
        m_options.workingSidePx);
    PointTracker tracker(m_options.tracker);
    bool begun = false;
    const auto take = [&](qint64 frameIndex, const AVFrame* frame) {
        walk.advance();
        cv::Mat grey;
        if (!sampler.sample(frame, grey))
            return;
        const double timeMs = double(walk.index->frameTimeMs(frameIndex));
        if (!begun) {
            // The start frame itself, or the first after it that decodes.
            tracker.begin(grey, toWorking(walk.startPx, sampler.scale()), timeMs);
            begun = true;
            return;
        }
        const PointTracker::Step step = tracker.next(grey, timeMs);
        walk.track.points[size_t(frameIndex)] = {toVideo(step.positionPx, sampler.scale()), step.state};
    };
    return reader.read(from, last, take, [&walk] { return walk.stopped(); });
}

bool ClipPointTracker::walkBackward(Walk& walk, qint64 from, qint64 first) const
{
    if (first >= from)
        return true;
    SequentialFrameReader reader(walk.index);
    QString error;
    if (!reader.open(&error)) {
        walk.track.error = error;
        return false;
    }
    GreyFrameSampler sampler(QSize(walk.index->codedWidth(), walk.index->codedHeight()), walk.index->rotationDegrees(),
        m_options.workingSidePx);
    PointTracker tracker(m_options.tracker);
    bool begun = false;
    // Decoding only runs forwards: a stretch at a time is read and then walked in reverse.
    const qint64 chunk = std::max(2, m_options.backwardChunkFrames);
    std::vector<std::pair<qint64, cv::Mat>> pictures;
    for (qint64 high = from; high >= first;) {
        const qint64 low = std::max(first, high - chunk + 1);
        pictures.clear();
        const auto take = [&](qint64 frameIndex, const AVFrame* frame) {
            cv::Mat grey;
            if (sampler.sample(frame, grey))
                pictures.emplace_back(frameIndex, std::move(grey));
        };
        if (!reader.read(low, high, take, [&walk] { return walk.stopped(); }))
            return false;
        for (auto picture = pictures.rbegin(); picture != pictures.rend(); ++picture) {
            walk.advance();
            const double timeMs = double(walk.index->frameTimeMs(picture->first));
            if (!begun) {
                tracker.begin(picture->second, toWorking(walk.startPx, sampler.scale()), timeMs);
                begun = true;
                continue;
            }
            const PointTracker::Step step = tracker.next(picture->second, timeMs);
            walk.track.points[size_t(picture->first)] = {toVideo(step.positionPx, sampler.scale()), step.state};
        }
        if (walk.stopped())
            return false;
        high = low - 1;
    }
    return true;
}

} // namespace kestrel
