#include "engine/DecodeWorker.h"

#include <chrono>

namespace kestrel {

namespace {
// Frames kept ready on each side of a paused focus, and ahead while playing.
constexpr qint64 kPausedReach = 12;
constexpr qint64 kPlayingReach = 90;
// Longest wait for the other thread to finish converting a frame.
constexpr auto kConversionWait = std::chrono::seconds(5);
} // namespace

DecodeWorker::DecodeWorker(std::shared_ptr<const PacketIndex> index, FrameCache& cache)
    : m_index(index)
    , m_cache(cache)
    , m_decoder(index)
    , m_decodeSideConverter(index->rotationDegrees())
{
}

DecodeWorker::~DecodeWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_demandPending = true; // cuts a read-ahead decode short
    m_wake.notify_all();
    m_convertWake.notify_all();
    if (m_decodeThread.joinable())
        m_decodeThread.join();
    if (m_convertThread.joinable())
        m_convertThread.join();
}

bool DecodeWorker::start(QString* error)
{
    if (!m_decoder.open(error))
        return false;
    m_decodeThread = std::thread([this] { decodeLoop(); });
    m_convertThread = std::thread([this] { convertLoop(); });
    return true;
}

bool DecodeWorker::waitForPicture(qint64 frameIndex)
{
    if (m_cache.hasPicture(frameIndex))
        return true;
    std::unique_lock lock(m_mutex);
    if (m_broken.count(frameIndex))
        return false;
    m_demand = frameIndex;
    const quint64 serial = ++m_demandSerial;
    m_demandPending = true;
    m_wake.notify_all();
    m_done.wait(lock, [&] { return m_doneSerial >= serial || m_quit; });
    return !m_demandFailed && m_cache.hasPicture(frameIndex);
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

// With m_mutex held. Frames around the focus, the most wanted first: ahead
// while playing, alternately ahead and behind while paused. Never more than
// the budget holds, or read-ahead would evict its own work.
std::vector<qint64> DecodeWorker::framesInReach() const
{
    const qint64 count = m_index->frameCount();
    const qint64 frameBytes = qint64(m_index->codedWidth()) * m_index->codedHeight() * 4;
    const qint64 affordable = std::max<qint64>(1, m_cache.budgetBytes() / std::max<qint64>(1, frameBytes) / 2);
    std::vector<qint64> frames;
    auto add = [&](qint64 frame) {
        if (frame >= 0 && frame < count && !m_broken.count(frame))
            frames.push_back(frame);
    };
    if (m_playing) {
        const qint64 reach = std::min(kPlayingReach, affordable);
        for (qint64 step = 1; step <= reach; ++step)
            add(m_focus + step);
    } else {
        const qint64 reach = std::min(kPausedReach, affordable / 2);
        for (qint64 step = 1; step <= reach; ++step) {
            add(m_focus + step);
            add(m_focus - step);
        }
    }
    return frames;
}

// Decoding thread: demands first, then decoding ahead of the converter, then
// helping it convert.
void DecodeWorker::decodeLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_demand >= 0) {
            const qint64 frame = m_demand;
            const quint64 serial = m_demandSerial;
            m_demandPending = false;
            lock.unlock();
            const bool ok = produce(frame, true);
            lock.lock();
            if (!ok)
                m_broken.insert(frame);
            if (serial == m_demandSerial) {
                m_demand = -1;
                m_demandFailed = !ok;
                m_doneSerial = serial;
                m_done.notify_all();
            }
            continue;
        }
        qint64 toDecode = -1;
        qint64 toConvert = -1;
        for (qint64 frame : framesInReach()) {
            const FrameCache::Status status = m_cache.status(frame);
            if (status == FrameCache::Status::Missing) {
                toDecode = frame;
                break;
            }
            if (status == FrameCache::Status::Decoded && toConvert < 0)
                toConvert = frame;
        }
        if (toDecode < 0 && toConvert < 0) {
            m_wake.wait(lock);
            continue;
        }
        lock.unlock();
        bool failed = false;
        if (toDecode >= 0) {
            failed = !m_decoder.decodeTo(
                toDecode,
                [this](qint64 index, const AVFrame* frame) {
                    m_cache.putDecoded(index, frame);
                    m_convertWake.notify_one();
                },
                [this] { return m_demandPending.load(); });
        } else if (FramePtr frame = m_cache.claimDecoded(toConvert)) {
            convertClaimed(m_decodeSideConverter, toConvert, std::move(frame));
        }
        lock.lock();
        if (failed && !m_demandPending && !m_quit)
            m_broken.insert(toDecode);
    }
    m_done.notify_all();
}

// Conversion thread.
void DecodeWorker::convertLoop()
{
    PictureConverter converter(m_index->rotationDegrees());
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
    const QImage picture = converter.convert(frame.get(), m_cache.takeSpare(QSize(frame->width, frame->height)));
    if (picture.isNull()) {
        m_cache.releaseClaim(frameIndex);
        return false;
    }
    m_cache.putPicture(frameIndex, picture);
    return true;
}

// Decoding thread. Decodes (if needed) and converts one frame the UI waits for.
bool DecodeWorker::produce(qint64 frameIndex, bool demanded)
{
    FramePtr kept;
    const auto waitUntil = std::chrono::steady_clock::now() + kConversionWait;
    while (!m_quit) {
        switch (m_cache.status(frameIndex)) {
        case FrameCache::Status::Ready:
            return true;
        case FrameCache::Status::Decoded:
            if (FramePtr frame = m_cache.claimDecoded(frameIndex))
                return convertClaimed(m_decodeSideConverter, frameIndex, std::move(frame));
            break; // the other thread took it just now
        case FrameCache::Status::Converting:
            if (std::chrono::steady_clock::now() > waitUntil)
                return false;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            break;
        case FrameCache::Status::Missing:
            if (kept) {
                // Decoded but pushed out of a very small cache at once: convert our own copy.
                const QImage picture = m_decodeSideConverter.convert(kept.get());
                if (picture.isNull())
                    return false;
                m_cache.putPicture(frameIndex, picture);
                return true;
            }
            const bool ok = m_decoder.decodeTo(
                frameIndex,
                [&](qint64 index, const AVFrame* frame) {
                    m_cache.putDecoded(index, frame);
                    if (index == frameIndex)
                        kept.reset(av_frame_clone(frame));
                    m_convertWake.notify_one();
                },
                [&] { return !demanded && m_demandPending.load(); });
            if (!ok || !kept)
                return false;
            break;
        }
    }
    return false;
}

} // namespace kestrel
