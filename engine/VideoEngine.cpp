#include "engine/VideoEngine.h"

#include "engine/DecodeWorker.h"
#include "engine/FrameCache.h"
#include "engine/PacketIndex.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

namespace kestrel {

namespace {

// A cut-short file may end in a torn frame: such frames are not counted, so
// that FrameCount() only covers frames that can really be shown.
void dropTornLastFrames(const std::shared_ptr<PacketIndex>& index)
{
    // A short read at the very end leaves a packet flagged as damaged.
    const PacketIndex::Packet& final = index->packet(index->packetCount() - 1);
    if ((final.data->flags & AV_PKT_FLAG_CORRUPT) && final.frameIndex == index->frameCount() - 1
        && index->frameCount() > 1)
        index->dropLastFrame();
    for (int tries = 0; tries < 3 && index->frameCount() > 1; ++tries) {
        FrameDecoder probe(index);
        if (!probe.open(nullptr))
            return;
        const bool decoded = probe.decodeTo(index->frameCount() - 1, [](qint64, const AVFrame*) {}, {});
        if (decoded && !probe.targetDamaged())
            return;
        index->dropLastFrame();
    }
}

// The stream's length: the last frame's start plus one frame interval. Frame n
// then starts at about n × Duration ÷ FrameCount, which is how callers turn a
// frame-counting slider into a time.
qint64 streamLengthMs(const PacketIndex& index)
{
    const qint64 count = index.frameCount();
    const qint64 first = index.frameTimeMs(0);
    const qint64 last = index.frameTimeMs(count - 1);
    const double intervalMs
        = count > 1 ? double(last - first) / double(count - 1) : 1000.0 / std::max(1.0, index.framesPerSecond());
    return last + std::max<qint64>(1, std::llround(intervalMs));
}

constexpr qint64 kDefaultCacheBudget = qint64(512) << 20;
constexpr double kMinRate = 0.01;
constexpr double kMaxRate = 16.0;
// How often a stalled playback looks again for its next frame.
constexpr int kStallPollMs = 2;
} // namespace

struct VideoEngine::Impl {
    QString path;
    QString error;
    std::shared_ptr<PacketIndex> index;
    std::unique_ptr<FrameCache> cache;
    std::unique_ptr<DecodeWorker> worker;
    qint64 cacheBudget = kDefaultCacheBudget;
    State state = State::Closed;
    qint64 durationMs = 0;
    double rate = 1.0;
    VideoFrame shown;

    // Playback clock: frame `anchorFrame` was due at wall time `anchorWallMs`.
    QTimer timer;
    QElapsedTimer clock;
    qint64 anchorFrame = 0;
    qint64 anchorWallMs = 0;
    PlaybackStats stats;
};

VideoEngine::VideoEngine(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Impl>())
{
    d->timer.setSingleShot(true);
    d->timer.setTimerType(Qt::PreciseTimer);
    connect(&d->timer, &QTimer::timeout, this, &VideoEngine::presentDueFrame);
    d->clock.start();
}

VideoEngine::~VideoEngine()
{
    CloseFile();
}

bool VideoEngine::OpenFile(const QString& path)
{
    CloseFile();
    const QString name = QDir::toNativeSeparators(path);
    auto index = std::make_shared<PacketIndex>();
    QString reason;
    if (!index->build(path, &reason)) {
        d->error = QStringLiteral("Cannot open %1: %2.").arg(name, reason);
        return false;
    }
    if (index->maybeTruncated())
        dropTornLastFrames(index);
    d->index = index;
    d->cache = std::make_unique<FrameCache>(d->cacheBudget);
    d->worker = std::make_unique<DecodeWorker>(index, *d->cache);
    if (!d->worker->start(&reason)) {
        d->error = QStringLiteral("Cannot open %1: %2.").arg(name, reason);
        closeQuietly();
        return false;
    }
    d->path = path;
    d->durationMs = streamLengthMs(*index);
    d->state = State::Paused;
    if (!showFrame(0)) {
        d->error = QStringLiteral("Cannot open %1: its first frame cannot be decoded.").arg(name);
        closeQuietly();
        return false;
    }
    d->error.clear();
    return true;
}

void VideoEngine::closeQuietly()
{
    d->timer.stop();
    d->worker.reset(); // joins the decoding thread before the cache goes
    d->cache.reset();
    d->index.reset();
    d->path.clear();
    d->shown = VideoFrame();
    d->durationMs = 0;
    d->state = State::Closed;
}

void VideoEngine::CloseFile()
{
    closeQuietly();
    d->error.clear();
}

QString VideoEngine::lastError() const
{
    return d->error;
}
QString VideoEngine::fileName() const
{
    return d->path;
}

bool VideoEngine::showFrame(qint64 frameIndex)
{
    if (!d->index)
        return false;
    frameIndex = std::clamp<qint64>(frameIndex, 0, d->index->frameCount() - 1);
    const bool playing = d->state == State::Playing;
    d->worker->setFocus(frameIndex, playing);
    if (!d->worker->waitForPicture(frameIndex))
        return false;
    d->shown.index = frameIndex;
    d->shown.timeMs = d->index->frameTimeMs(frameIndex);
    d->shown.image = d->cache->picture(frameIndex);
    QMetaObject::invokeMethod(this, &VideoEngine::FrameReady, Qt::QueuedConnection);
    return true;
}

void VideoEngine::seekTo(qint64 frameIndex)
{
    if (!d->index)
        return;
    const qint64 last = d->index->frameCount() - 1;
    frameIndex = std::clamp<qint64>(frameIndex, 0, last);
    // A frame that cannot be decoded (the torn end of a truncated file) shows
    // the nearest one before it instead.
    while (frameIndex >= 0 && !showFrame(frameIndex))
        --frameIndex;
    if (d->state == State::Ended)
        d->state = State::Paused;
    if (d->state == State::Playing)
        restartClock();
}

void VideoEngine::Play()
{
    if (!d->index || d->state == State::Playing)
        return;
    if (d->shown.index >= d->index->frameCount() - 1)
        seekTo(0); // playing from the end starts over
    d->state = State::Playing;
    d->stats = PlaybackStats();
    d->worker->setFocus(d->shown.index, true);
    restartClock();
}

void VideoEngine::Pause()
{
    if (d->state != State::Playing)
        return;
    d->timer.stop();
    d->state = State::Paused;
    d->worker->setFocus(d->shown.index, false);
}

void VideoEngine::StepForward()
{
    if (!d->index)
        return;
    // Stepping past the last frame reaches the end: the picture stays, the
    // position becomes the duration.
    if (d->shown.index >= d->index->frameCount() - 1) {
        if (d->state == State::Paused)
            d->state = State::Ended;
        return;
    }
    seekTo(d->shown.index + 1);
}

void VideoEngine::SeekTime(qint64 ms)
{
    if (!d->index)
        return;
    seekTo(d->index->frameAtTime(ms));
    if (ms >= d->durationMs && d->state == State::Paused)
        d->state = State::Ended;
}

void VideoEngine::SeekFrame(qint64 frameIndex)
{
    seekTo(frameIndex);
}

void VideoEngine::SetRate(double factor)
{
    if (!(factor > 0))
        return;
    d->rate = std::clamp(factor, kMinRate, kMaxRate);
    if (d->state == State::Playing)
        restartClock();
}

void VideoEngine::restartClock()
{
    d->anchorFrame = d->shown.index;
    d->anchorWallMs = d->clock.elapsed();
    scheduleNext();
}

qint64 VideoEngine::dueWallMs(qint64 frameIndex) const
{
    return dueWallForMediaMs(d->index->frameTimeMs(frameIndex));
}

qint64 VideoEngine::dueWallForMediaMs(qint64 mediaMs) const
{
    const qint64 sinceAnchorMs = mediaMs - d->index->frameTimeMs(d->anchorFrame);
    return d->anchorWallMs + qint64(std::llround(double(sinceAnchorMs) / d->rate));
}

void VideoEngine::scheduleNext()
{
    const qint64 next = d->shown.index + 1;
    // After the last frame, playback ends when that frame's time is up.
    const qint64 dueMs = next >= d->index->frameCount() ? dueWallForMediaMs(d->durationMs) : dueWallMs(next);
    const qint64 wait = dueMs - d->clock.elapsed();
    d->timer.start(int(std::clamp<qint64>(wait, 0, 1000)));
}

void VideoEngine::presentDueFrame()
{
    if (d->state != State::Playing || !d->index)
        return;
    const qint64 last = d->index->frameCount() - 1;
    if (d->shown.index >= last) {
        if (dueWallForMediaMs(d->durationMs) > d->clock.elapsed()) {
            scheduleNext();
            return;
        }
        d->timer.stop();
        d->state = State::Ended;
        d->worker->setFocus(d->shown.index, false);
        QMetaObject::invokeMethod(this, &VideoEngine::PlaybackEnded, Qt::QueuedConnection);
        return;
    }
    const qint64 now = d->clock.elapsed();
    // The newest frame whose time has come; frames in between that are not
    // ready are skipped rather than shown late.
    qint64 due = d->shown.index + 1;
    while (due < last && dueWallMs(due + 1) <= now)
        ++due;
    if (dueWallMs(d->shown.index + 1) > now) {
        scheduleNext();
        return;
    }
    qint64 pick = -1;
    for (qint64 frame = due; frame > d->shown.index; --frame) {
        if (d->cache->hasPicture(frame)) {
            pick = frame;
            break;
        }
    }
    if (pick < 0) {
        d->worker->setFocus(d->shown.index, true);
        d->timer.start(kStallPollMs);
        return;
    }
    d->stats.skipped += pick - d->shown.index - 1;
    // A frame shown more than half a frame interval after it was due is late.
    const qint64 intervalMs = qint64(1000.0 / std::max(1.0, d->index->framesPerSecond()) / d->rate);
    if (now - dueWallMs(pick) > std::max<qint64>(1, intervalMs / 2))
        ++d->stats.late;
    ++d->stats.shown;
    d->shown.index = pick;
    d->shown.timeMs = d->index->frameTimeMs(pick);
    d->shown.image = d->cache->picture(pick);
    d->worker->setFocus(pick, true);
    QMetaObject::invokeMethod(this, &VideoEngine::FrameReady, Qt::QueuedConnection);
    scheduleNext();
}

qint64 VideoEngine::Position() const
{
    if (!d->index)
        return 0;
    return d->state == State::Ended ? d->durationMs : d->shown.timeMs;
}
qint64 VideoEngine::Duration() const
{
    return d->durationMs;
}
qint64 VideoEngine::CurrentFrame() const
{
    return d->index ? d->shown.index : 0;
}
qint64 VideoEngine::FrameCount() const
{
    return d->index ? d->index->frameCount() : 0;
}

int VideoEngine::FrameWidth() const
{
    if (!d->index)
        return 0;
    const bool sideways = d->index->rotationDegrees() % 180 != 0;
    return sideways ? d->index->codedHeight() : d->index->codedWidth();
}

int VideoEngine::FrameHeight() const
{
    if (!d->index)
        return 0;
    const bool sideways = d->index->rotationDegrees() % 180 != 0;
    return sideways ? d->index->codedWidth() : d->index->codedHeight();
}

QSize VideoEngine::GetFrameSize() const
{
    return QSize(FrameWidth(), FrameHeight());
}
double VideoEngine::frameRate() const
{
    return d->index ? d->index->framesPerSecond() : 0.0;
}
double VideoEngine::rate() const
{
    return d->rate;
}
VideoEngine::State VideoEngine::state() const
{
    return d->state;
}
QImage VideoEngine::GrabFrame() const
{
    return d->shown.image;
}
VideoFrame VideoEngine::currentVideoFrame() const
{
    return d->shown;
}
VideoEngine::PlaybackStats VideoEngine::playbackStats() const
{
    return d->stats;
}

void VideoEngine::setCacheBudgetBytes(qint64 budgetBytes)
{
    d->cacheBudget = std::max<qint64>(0, budgetBytes);
    if (d->cache)
        d->cache->setBudgetBytes(d->cacheBudget);
}

qint64 VideoEngine::cacheUsedBytes() const
{
    return d->cache ? d->cache->usedBytes() : 0;
}

} // namespace kestrel
