#include "engine/VideoEngine.h"

#include "engine/DecodeWorker.h"
#include "engine/FfmpegLog.h"
#include "engine/FrameCache.h"
#include "engine/PacketIndex.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

extern "C" {
#include <libavutil/pixdesc.h>
}

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
    std::unique_ptr<DecodeWorker> worker; // after the cache: goes first
    qint64 cacheBudget = kDefaultCacheBudget;
    std::shared_ptr<MemoryBudget> sharedBudget;
    int budgetMember = 0;
    // Closed, Paused, Playing or Ended; Seeking is a pending request seen from outside.
    State mode = State::Closed;
    qint64 durationMs = 0;
    double rate = 1.0;
    VideoFrame shown;
    qint64 targetFrame = 0; // where positioning has put the video
    quint64 newestSerial = 0; // never reset, so that no delivery for an earlier file can land
    quint64 pendingSerial = 0; // the request not landed yet; 0 when none

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
    limitFfmpegLogging();
}

VideoEngine::~VideoEngine()
{
    CloseFile();
    setMemoryBudget(nullptr, MemoryBudget::Role::Background);
}

void VideoEngine::setMemoryBudget(std::shared_ptr<MemoryBudget> budget, MemoryBudget::Role role)
{
    if (d->sharedBudget)
        d->sharedBudget->leave(d->budgetMember);
    d->sharedBudget = std::move(budget);
    d->budgetMember = 0;
    if (!d->sharedBudget)
        return;
    d->budgetMember = d->sharedBudget->join(role, [this](qint64 bytes) {
        d->cacheBudget = bytes;
        if (d->cache)
            d->cache->setBudgetBytes(bytes);
    });
    d->sharedBudget->setFrameBytes(d->budgetMember, frameBytes());
}

void VideoEngine::setBudgetRole(MemoryBudget::Role role)
{
    if (d->sharedBudget)
        d->sharedBudget->setRole(d->budgetMember, role);
}

// What one shown picture of the open file takes.
qint64 VideoEngine::frameBytes() const
{
    return d->index ? qint64(d->index->codedWidth()) * d->index->codedHeight() * 4 : 0;
}

bool VideoEngine::OpenFile(const QString& path)
{
    const QString name = QDir::toNativeSeparators(path);
    auto index = std::make_shared<PacketIndex>();
    QString reason;
    if (!index->build(path, &reason)) {
        d->error = QStringLiteral("Cannot open %1: %2.").arg(name, reason);
        return false;
    }
    if (index->maybeTruncated())
        dropTornLastFrames(index);
    auto cache = std::make_unique<FrameCache>(d->cacheBudget);
    auto worker = std::make_unique<DecodeWorker>(index, *cache);
    if (!worker->start(&reason)) {
        d->error = QStringLiteral("Cannot open %1: %2.").arg(name, reason);
        return false;
    }
    // The first frame that decodes, before anything of the file open now goes.
    const quint64 serial = ++d->newestSerial;
    worker->request(0, DecodeWorker::Fallback::Forward, serial);
    const DecodeWorker::Delivery first = worker->waitForDelivery(serial);
    if (first.frameIndex < 0) {
        d->error = QStringLiteral("Cannot open %1: none of its frames can be decoded.").arg(name);
        return false;
    }

    closeQuietly();
    worker->setDeliveryHandler([this](const DecodeWorker::Delivery& delivery) {
        QMetaObject::invokeMethod(
            this, [this, delivery] { landDelivery(delivery.serial, delivery.frameIndex, delivery.picture); },
            Qt::QueuedConnection);
    });
    d->index = index;
    d->cache = std::move(cache);
    d->worker = std::move(worker);
    d->path = path;
    d->durationMs = streamLengthMs(*index);
    d->mode = State::Paused;
    d->targetFrame = first.frameIndex;
    if (d->sharedBudget)
        d->sharedBudget->setFrameBytes(d->budgetMember, frameBytes());
    show(first.frameIndex, first.picture);
    announceFrame();
    d->error.clear();
    return true;
}

void VideoEngine::closeQuietly()
{
    d->timer.stop();
    d->worker.reset(); // joins the decoding threads before the cache goes
    d->cache.reset();
    d->index.reset();
    d->path.clear();
    d->shown = VideoFrame();
    d->durationMs = 0;
    d->targetFrame = 0;
    d->pendingSerial = 0;
    d->mode = State::Closed;
    if (d->sharedBudget)
        d->sharedBudget->setFrameBytes(d->budgetMember, 0);
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

void VideoEngine::show(qint64 frameIndex, const QImage& picture)
{
    d->shown.index = frameIndex;
    d->shown.timeMs = d->index->frameTimeMs(frameIndex);
    d->shown.image = picture;
    d->worker->setFocus(frameIndex, d->mode == State::Playing);
}

// FrameReady follows as an event; if a newer request has come by then, this
// frame is no longer the one wanted and nobody hears of it.
void VideoEngine::announceFrame()
{
    const quint64 serial = d->newestSerial;
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            if (serial == d->newestSerial)
                emit FrameReady();
        },
        Qt::QueuedConnection);
}

void VideoEngine::requestFrame(qint64 frameIndex, Travel travel)
{
    frameIndex = std::clamp<qint64>(frameIndex, 0, d->index->frameCount() - 1);
    d->targetFrame = frameIndex;
    const quint64 serial = ++d->newestSerial;
    const QImage cached = d->worker->isBroken(frameIndex) ? QImage() : d->cache->picture(frameIndex);
    if (!cached.isNull()) {
        d->worker->supersede(serial);
        d->pendingSerial = 0;
        show(frameIndex, cached);
        if (d->mode == State::Playing)
            restartClock();
        announceFrame();
        return;
    }
    // Playback waits for the frame; the landing restarts its clock.
    d->timer.stop();
    d->pendingSerial = serial;
    d->worker->setFocus(frameIndex, false);
    d->worker->request(frameIndex,
        travel == Travel::Forward ? DecodeWorker::Fallback::Forward : DecodeWorker::Fallback::Backward, serial);
}

void VideoEngine::landDelivery(quint64 serial, qint64 frameIndex, const QImage& picture)
{
    if (serial != d->pendingSerial || !d->index)
        return; // an older request, or landed already
    d->pendingSerial = 0;
    if (frameIndex >= 0)
        show(frameIndex, picture);
    // Landing short of the last frame (damage there) is not the end.
    if (d->shown.index != d->targetFrame && d->mode == State::Ended)
        d->mode = State::Paused;
    d->targetFrame = d->shown.index;
    if (d->mode == State::Playing) {
        d->worker->setFocus(d->shown.index, true);
        restartClock();
    }
    emit FrameReady();
}

bool VideoEngine::waitUntilShown()
{
    if (!d->worker || d->pendingSerial == 0)
        return true;
    const quint64 serial = d->pendingSerial;
    const DecodeWorker::Delivery delivery = d->worker->waitForDelivery(serial);
    if (delivery.serial == serial)
        landDelivery(serial, delivery.frameIndex, delivery.picture);
    return d->pendingSerial == 0;
}

void VideoEngine::Play()
{
    if (!d->index || d->mode == State::Playing)
        return;
    if (d->targetFrame >= d->index->frameCount() - 1)
        requestFrame(0, Travel::Forward); // playing from the end starts over
    d->mode = State::Playing;
    d->stats = PlaybackStats();
    if (d->pendingSerial == 0) {
        d->worker->setFocus(d->shown.index, true);
        restartClock();
    }
}

void VideoEngine::Pause()
{
    if (d->mode != State::Playing)
        return;
    d->timer.stop();
    d->mode = State::Paused;
    d->worker->setFocus(d->targetFrame, false);
}

void VideoEngine::StepForward()
{
    if (!d->index)
        return;
    // Stepping past the last frame reaches the end: the picture stays, the
    // position becomes the duration.
    if (d->targetFrame >= d->index->frameCount() - 1) {
        if (d->mode == State::Paused)
            d->mode = State::Ended;
        return;
    }
    requestFrame(d->targetFrame + 1, Travel::Forward);
}

void VideoEngine::SeekTime(qint64 ms)
{
    if (!d->index)
        return;
    const qint64 frame = d->index->frameAtTime(ms);
    if (d->mode == State::Ended)
        d->mode = State::Paused;
    requestFrame(frame, frame < d->targetFrame ? Travel::Backward : Travel::Forward);
    if (ms >= d->durationMs && d->mode == State::Paused)
        d->mode = State::Ended;
}

void VideoEngine::SeekFrame(qint64 frameIndex)
{
    if (!d->index)
        return;
    if (d->mode == State::Ended)
        d->mode = State::Paused;
    requestFrame(frameIndex, frameIndex < d->targetFrame ? Travel::Backward : Travel::Forward);
}

void VideoEngine::SetRate(double factor)
{
    if (!(factor > 0))
        return;
    d->rate = std::clamp(factor, kMinRate, kMaxRate);
    if (d->mode == State::Playing && d->pendingSerial == 0)
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

void VideoEngine::endPlayback()
{
    d->timer.stop();
    d->mode = State::Ended;
    d->worker->setFocus(d->shown.index, false);
    QMetaObject::invokeMethod(this, &VideoEngine::PlaybackEnded, Qt::QueuedConnection);
}

void VideoEngine::presentDueFrame()
{
    if (d->mode != State::Playing || !d->index || d->pendingSerial != 0)
        return;
    const qint64 last = d->index->frameCount() - 1;
    // Frames that cannot be decoded at the end end playback as the last one would.
    if (d->shown.index >= last || d->worker->allBroken(d->shown.index + 1, last)) {
        if (dueWallForMediaMs(d->durationMs) > d->clock.elapsed()) {
            scheduleNext();
            return;
        }
        endPlayback();
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
    QImage picture;
    for (qint64 frame = due; frame > d->shown.index; --frame) {
        picture = d->cache->picture(frame);
        if (!picture.isNull()) {
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
    d->targetFrame = pick;
    show(pick, picture);
    announceFrame();
    scheduleNext();
}

qint64 VideoEngine::Position() const
{
    if (!d->index)
        return 0;
    return d->mode == State::Ended ? d->durationMs : d->index->frameTimeMs(d->targetFrame);
}
qint64 VideoEngine::shownPositionMs() const
{
    if (!d->index)
        return 0;
    return d->mode == State::Ended && d->pendingSerial == 0 ? d->durationMs : d->shown.timeMs;
}
qint64 VideoEngine::Duration() const
{
    return d->durationMs;
}
qint64 VideoEngine::CurrentFrame() const
{
    return d->index ? d->targetFrame : 0;
}
qint64 VideoEngine::frameTimeMs(qint64 frameIndex) const
{
    if (!d->index)
        return 0;
    return d->index->frameTimeMs(std::clamp<qint64>(frameIndex, 0, d->index->frameCount() - 1));
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
VideoEngine::StreamFacts VideoEngine::streamFacts() const
{
    StreamFacts facts;
    if (!d->index)
        return facts;
    const AVCodecParameters* parameters = d->index->codecParameters();
    facts.codec = QString::fromLatin1(avcodec_get_name(parameters->codec_id));
    const char* format = av_get_pix_fmt_name(AVPixelFormat(parameters->format));
    facts.pixelFormat = format ? QString::fromLatin1(format) : QStringLiteral("unknown");
    facts.rotationDegrees = d->index->rotationDegrees();
    facts.variableFrameRate = d->index->variableFrameRate();
    return facts;
}
double VideoEngine::rate() const
{
    return d->rate;
}
VideoEngine::State VideoEngine::state() const
{
    if (d->pendingSerial != 0 && d->mode != State::Playing && d->mode != State::Closed)
        return State::Seeking;
    return d->mode;
}
bool VideoEngine::isSeeking() const
{
    return d->pendingSerial != 0;
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

qint64 VideoEngine::cacheBudgetBytes() const
{
    return d->cacheBudget;
}

void VideoEngine::setCacheBudgetBytes(qint64 budgetBytes)
{
    d->cacheBudget = std::max<qint64>(0, budgetBytes);
    if (d->cache)
        d->cache->setBudgetBytes(d->cacheBudget);
}

void VideoEngine::dropCachedFrames()
{
    if (d->cache)
        d->cache->clear();
}

qint64 VideoEngine::cacheUsedBytes() const
{
    return d->cache ? d->cache->usedBytes() : 0;
}

} // namespace kestrel
