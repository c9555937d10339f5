#include "engine/DecodeWorker.h"

#include <chrono>

namespace kestrel {

namespace {
// Frames kept ready on each side of a paused focus, and ahead while playing.
constexpr qint64 kPausedReach = 12;
constexpr qint64 kPlayingReach = 90;
// Longest wait for the other thread to finish converting a frame.
constexpr auto kConversionWait = std::chrono::seconds(5);

QSize storedSize(const PacketIndex& index)
{
    return QSize(index.codedWidth(), index.codedHeight());
}
} // namespace

DecodeWorker::DecodeWorker(std::shared_ptr<const PacketIndex> index, FrameCache& cache)
    : m_index(index)
    , m_cache(cache)
    , m_decoder(index)
    , m_decodeSideConverter(index->rotationDegrees(), storedSize(*index))
{
}

DecodeWorker::~DecodeWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_convertWake.notify_all();
    m_done.notify_all();
    if (m_decodeThread.joinable())
        m_decodeThread.join();
    if (m_convertThread.joinable())
        m_convertThread.join();
}

void DecodeWorker::setDeliveryHandler(DeliveryHandler handler)
{
    std::lock_guard lock(m_mutex);
    m_onDelivered = std::move(handler);
}

bool DecodeWorker::start(QString* error)
{
    if (!m_decoder.open(error))
        return false;
    m_decodeThread = std::thread([this] { decodeLoop(); });
    m_convertThread = std::thread([this] { convertLoop(); });
    return true;
}

void DecodeWorker::request(qint64 frameIndex, Fallback fallback, quint64 serial)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending = Request{frameIndex, fallback, serial};
        m_newestSerial = serial; // also cuts a running request or read-ahead short
    }
    m_wake.notify_all();
}

void DecodeWorker::supersede(quint64 serial)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending = Request();
        m_newestSerial = serial;
    }
    m_wake.notify_all();
}

DecodeWorker::Delivery DecodeWorker::waitForDelivery(quint64 serial)
{
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [&] { return m_finishedSerial >= serial || m_quit; });
    return m_lastDelivery.serial == serial ? m_lastDelivery : Delivery();
}

void DecodeWorker::setFocus(qint64 frameIndex, bool playing)
{
    m_cache.setFocus(frameIndex);
    {
        std::lock_guard lock(m_mutex);
        m_focus = frameIndex;
        m_playing = playing;
    }
    m_wake.notify_all();
    m_convertWake.notify_all();
}

bool DecodeWorker::isBroken(qint64 frameIndex) const
{
    std::lock_guard lock(m_mutex);
    return m_broken.count(frameIndex) > 0;
}

bool DecodeWorker::allBroken(qint64 first, qint64 last) const
{
    std::lock_guard lock(m_mutex);
    for (qint64 frame = first; frame <= last; ++frame) {
        if (!m_broken.count(frame))
            return false;
    }
    return true;
}

bool DecodeWorker::superseded(quint64 serial) const
{
    return m_quit || m_newestSerial.load() != serial;
}

void DecodeWorker::markBroken(const std::vector<qint64>& frames)
{
    std::lock_guard lock(m_mutex);
    m_broken.insert(frames.begin(), frames.end());
}

// How far around the focus frames are kept ready: ahead while playing, both
// ways while paused. Never more than the budget holds, or read-ahead would
// evict its own work. With m_mutex held.
DecodeWorker::Reach DecodeWorker::reachLocked() const
{
    const qint64 frameBytes = qint64(m_index->codedWidth()) * m_index->codedHeight() * 4;
    const qint64 affordable = std::max<qint64>(1, m_cache.budgetBytes() / std::max<qint64>(1, frameBytes) / 2);
    if (m_playing)
        return Reach{0, std::min(kPlayingReach, affordable)};
    const qint64 each = std::min(kPausedReach, affordable / 2);
    return Reach{each, each};
}

// With m_mutex held. Frames around the focus, the most wanted first:
// ahead while playing, alternately ahead and behind while paused.
std::vector<qint64> DecodeWorker::framesInReach() const
{
    const qint64 count = m_index->frameCount();
    const Reach reach = reachLocked();
    std::vector<qint64> frames;
    auto add = [&](qint64 frame) {
        if (frame >= 0 && frame < count && !m_broken.count(frame))
            frames.push_back(frame);
    };
    for (qint64 step = 1; step <= std::max(reach.ahead, reach.behind); ++step) {
        if (step <= reach.ahead)
            add(m_focus + step);
        if (step <= reach.behind)
            add(m_focus - step);
    }
    return frames;
}

// Any thread. Frames decoded on the way to another are kept only when they
// are near the focus: a far seek decodes every frame from the keyframe, and
// keeping them all would push out the frames around the one shown.
bool DecodeWorker::worthKeeping(qint64 frameIndex) const
{
    std::lock_guard lock(m_mutex);
    const Reach reach = reachLocked();
    return frameIndex >= m_focus - reach.behind && frameIndex <= m_focus + reach.ahead;
}

void DecodeWorker::keepDecoded(qint64 frameIndex, const AVFrame* frame)
{
    if (!worthKeeping(frameIndex))
        return;
    m_cache.putDecoded(frameIndex, frame);
    m_convertWake.notify_one();
}

// Decoding thread: requests first, then decoding ahead of the converter, then
// helping it convert.
void DecodeWorker::decodeLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_pending.serial != 0) {
            const Request request = m_pending;
            m_pending = Request();
            lock.unlock();
            Delivery delivery;
            delivery.serial = request.serial;
            delivery.frameIndex = land(request, &delivery.picture);
            const bool current = !superseded(request.serial);
            lock.lock();
            m_finishedSerial = std::max(m_finishedSerial, request.serial);
            if (current)
                m_lastDelivery = delivery;
            m_done.notify_all();
            if (current && m_onDelivered) {
                const DeliveryHandler handler = m_onDelivered;
                lock.unlock();
                handler(delivery);
                lock.lock();
            }
            continue;
        }
        qint64 toDecode = -1;
        qint64 toConvert = -1;
        int waiting = 0; // decoded, not converted yet
        for (qint64 frame : framesInReach()) {
            const FrameCache::Status status = m_cache.status(frame);
            if (status == FrameCache::Status::Missing && toDecode < 0)
                toDecode = frame;
            if (status == FrameCache::Status::Decoded) {
                ++waiting;
                if (toConvert < 0)
                    toConvert = frame;
            }
        }
        // Decoding far ahead of the conversion only piles up pictures that
        // must be copied out of the decoder's buffers: help convert instead.
        if (waiting >= FrameCache::kMaxDecoderPictures && toConvert >= 0)
            toDecode = -1;
        if (toDecode < 0 && toConvert < 0) {
            m_wake.wait(lock);
            continue;
        }
        const quint64 serialAtStart = m_newestSerial;
        lock.unlock();
        if (toDecode >= 0) {
            const bool decoded = m_decoder.decodeTo(
                toDecode, [this](qint64 index, const AVFrame* frame) { keepDecoded(index, frame); },
                [this, serialAtStart] { return m_quit || m_newestSerial.load() != serialAtStart; });
            if (!decoded && m_decoder.targetLost()) {
                std::vector<qint64> lost = m_decoder.lostFrames();
                lost.push_back(toDecode);
                markBroken(lost);
            }
        } else if (FramePtr frame = m_cache.claimDecoded(toConvert)) {
            convertClaimed(m_decodeSideConverter, toConvert, std::move(frame));
        }
        lock.lock();
    }
    m_done.notify_all();
}

// Decoding thread. The frame asked for when it decodes; otherwise the nearest
// one that does, first the way the request prefers, then the other way. Each
// failed decode marks its whole damaged stretch, so the search passes a
// broken stretch in one step and costs at most one decode of the clip.
qint64 DecodeWorker::land(const Request& request, QImage* picture)
{
    const qint64 count = m_index->frameCount();
    const qint64 asked = std::clamp<qint64>(request.frameIndex, 0, count - 1);
    if (!isBroken(asked) && produce(asked, request.serial, picture))
        return asked;
    if (superseded(request.serial))
        return -1;
    if (request.fallback == Fallback::Forward) {
        const qint64 ahead = landAhead(asked, request.serial, picture);
        if (ahead >= 0 || superseded(request.serial))
            return ahead;
    }
    for (qint64 frame = nextCandidate(asked, -1); frame >= 0; frame = nextCandidate(frame, -1)) {
        if (produce(frame, request.serial, picture))
            return frame;
        if (superseded(request.serial))
            return -1;
    }
    return request.fallback == Fallback::Backward ? landAhead(asked, request.serial, picture) : -1;
}

// Decoding thread. The first frame after `frameIndex` that decodes, found by
// decoding on in one pass; -1 when none does.
qint64 DecodeWorker::landAhead(qint64 frameIndex, quint64 serial, QImage* picture)
{
    qint64 landed = -1;
    bool landingKept = false;
    const bool found = m_decoder.decodeToFirstAfter(
        frameIndex,
        [&](qint64 index, const AVFrame* frame) {
            if (!landingKept && index > frameIndex) {
                m_cache.putDecoded(index, frame); // the first after the damage: the landing
                landingKept = true;
            } else {
                keepDecoded(index, frame);
            }
        },
        [&] { return superseded(serial); }, &landed);
    if (!found)
        return -1;
    std::vector<qint64> skipped;
    for (qint64 frame = frameIndex + 1; frame < landed; ++frame)
        skipped.push_back(frame);
    markBroken(skipped);
    return produce(landed, serial, picture) ? landed : -1;
}

qint64 DecodeWorker::nextCandidate(qint64 frameIndex, int step) const
{
    std::lock_guard lock(m_mutex);
    qint64 frame = frameIndex + step;
    while (frame >= 0 && frame < m_index->frameCount() && m_broken.count(frame))
        frame += step;
    return frame;
}

// Conversion thread.
void DecodeWorker::convertLoop()
{
    PictureConverter converter(m_index->rotationDegrees(), storedSize(*m_index));
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        qint64 toConvert = -1;
        for (qint64 frame : framesInReach()) {
            if (m_cache.status(frame) == FrameCache::Status::Decoded) {
                toConvert = frame;
                break;
            }
        }
        if (toConvert < 0) {
            // Woken by new frames and focus changes; the timeout covers a wake-up
            // that came between the search and the wait.
            m_convertWake.wait_for(lock, std::chrono::milliseconds(10));
            continue;
        }
        lock.unlock();
        if (FramePtr frame = m_cache.claimDecoded(toConvert))
            convertClaimed(converter, toConvert, std::move(frame));
        lock.lock();
    }
}

// Either thread, with a claim on the frame.
bool DecodeWorker::convertClaimed(PictureConverter& converter, qint64 frameIndex, FramePtr frame)
{
    const QImage picture = converter.convert(frame.get(), m_cache.takeSpare(storedSize(*m_index)));
    if (picture.isNull()) {
        m_cache.releaseClaim(frameIndex);
        return false;
    }
    m_cache.putPicture(frameIndex, picture);
    return true;
}

// Decoding thread. Decodes (if needed) and converts one frame a request
// waits for; false when it cannot be decoded or a newer request came.
bool DecodeWorker::produce(qint64 frameIndex, quint64 serial, QImage* picture)
{
    FramePtr kept;
    const auto waitUntil = std::chrono::steady_clock::now() + kConversionWait;
    while (!superseded(serial)) {
        switch (m_cache.status(frameIndex)) {
        case FrameCache::Status::Ready:
            *picture = m_cache.picture(frameIndex);
            if (!picture->isNull())
                return true;
            break; // evicted just now: look again
        case FrameCache::Status::Decoded:
            if (FramePtr frame = m_cache.claimDecoded(frameIndex)) {
                if (!convertClaimed(m_decodeSideConverter, frameIndex, std::move(frame)))
                    return false;
            }
            break; // converted, or the other thread took it just now
        case FrameCache::Status::Converting:
            if (std::chrono::steady_clock::now() > waitUntil)
                return false;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            break;
        case FrameCache::Status::Missing:
            if (kept) {
                // Decoded but pushed out of a very small cache at once: convert our own copy.
                *picture = m_decodeSideConverter.convert(kept.get());
                if (picture->isNull())
                    return false;
                m_cache.putPicture(frameIndex, *picture);
                return true;
            }
            const bool decoded = m_decoder.decodeTo(
                frameIndex,
                [&](qint64 index, const AVFrame* frame) {
                    if (index == frameIndex) {
                        m_cache.putDecoded(index, frame);
                        kept.reset(av_frame_clone(frame));
                    } else {
                        keepDecoded(index, frame);
                    }
                },
                [&] { return superseded(serial); });
            if (!decoded) {
                if (m_decoder.targetLost()) {
                    std::vector<qint64> lost = m_decoder.lostFrames();
                    lost.push_back(frameIndex);
                    markBroken(lost);
                }
                return false;
            }
            if (!kept)
                return false;
            break;
        }
    }
    return false;
}

} // namespace kestrel
