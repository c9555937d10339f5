#include "engine/DecodeWorker.h"

namespace kestrel {

namespace {
// Frames kept ready on each side of a paused focus, and ahead while playing.
constexpr qint64 kPausedReach = 12;
constexpr qint64 kPlayingReach = 90;
}  // namespace

DecodeWorker::DecodeWorker(std::shared_ptr<const PacketIndex> index, FrameCache& cache)
    : m_index(index)
    , m_cache(cache)
    , m_decoder(std::move(index))
{
}

DecodeWorker::~DecodeWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_demandPending = true;  // cuts a read-ahead decode short
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool DecodeWorker::start(QString* error)
{
    if (!m_decoder.open(error))
        return false;
    m_thread = std::thread([this] { run(); });
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
}

// Decoding thread.
void DecodeWorker::run()
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
        const qint64 next = nextReadAhead();
        if (next < 0) {
            m_wake.wait(lock);
            continue;
        }
        lock.unlock();
        const bool ok = produce(next, false);
        lock.lock();
        if (!ok && !m_demandPending && !m_quit)
            m_broken.insert(next);
    }
    m_done.notify_all();
}

// Decoding thread. Decodes (if needed) and converts one frame.
bool DecodeWorker::produce(qint64 frameIndex, bool demanded)
{
    if (m_cache.hasPicture(frameIndex))
        return true;
    FramePtr decoded = m_cache.decoded(frameIndex);
    if (!decoded) {
        FramePtr kept;
        const bool ok = m_decoder.decodeTo(
            frameIndex,
            [&](qint64 index, const AVFrame* frame) {
                m_cache.putDecoded(index, frame);
                if (index == frameIndex)
                    kept.reset(av_frame_clone(frame));
            },
            [&] { return !demanded && m_demandPending.load(); });
        if (!ok || !kept)
            return false;
        decoded = std::move(kept);
    }
    const QImage picture
        = m_decoder.toImage(decoded.get(), m_cache.takeSpare(QSize(decoded->width, decoded->height)));
    if (picture.isNull())
        return false;
    m_cache.putPicture(frameIndex, picture);
    return true;
}

// Decoding thread, with m_mutex held. The nearest frame around the focus that
// has no picture yet; -1 when all within reach are ready.
qint64 DecodeWorker::nextReadAhead()
{
    const qint64 count = m_index->frameCount();
    const qint64 frameBytes = qint64(m_index->codedWidth()) * m_index->codedHeight() * 4;
    // Never plan more than the budget holds, or read-ahead would evict itself.
    const qint64 affordable = std::max<qint64>(1, m_cache.budgetBytes() / std::max<qint64>(1, frameBytes) / 2);
    auto wanted = [&](qint64 frame) {
        return frame >= 0 && frame < count && !m_broken.count(frame) && !m_cache.hasPicture(frame);
    };
    if (m_playing) {
        const qint64 reach = std::min(kPlayingReach, affordable);
        for (qint64 step = 1; step <= reach; ++step) {
            if (wanted(m_focus + step))
                return m_focus + step;
        }
        return -1;
    }
    const qint64 reach = std::min(kPausedReach, affordable / 2);
    for (qint64 step = 1; step <= reach; ++step) {
        if (wanted(m_focus + step))
            return m_focus + step;
        if (wanted(m_focus - step))
            return m_focus - step;
    }
    return -1;
}

}  // namespace kestrel
