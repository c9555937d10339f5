#include "engine/DelayRing.h"

#include "engine/FfmpegLog.h"

#include <chrono>

namespace kestrel {

namespace {
// Pictures that may wait for compression: enough to ride out a busy moment,
// few enough that raw pictures never pile up.
constexpr int kQueueCapacity = 4;
} // namespace

DelayRing::DelayRing(int jpegQuality)
    : m_queue(kQueueCapacity)
    , m_quality(jpegQuality)
{
    limitFfmpegLogging(); // a line for every JPEG-range picture converted, otherwise
    m_thread = std::thread([this] { run(); });
}

DelayRing::~DelayRing()
{
    m_queue.abandon();
    m_thread.join();
}

void DelayRing::takePicture(const TimedPicture& picture)
{
    ++m_taken;
    m_queue.takePicture(picture);
}

void DelayRing::setSpanUs(qint64 spanUs)
{
    std::lock_guard lock(m_storeMutex);
    m_store.setSpanUs(spanUs);
}

void DelayRing::setLimitBytes(qint64 limitBytes)
{
    std::lock_guard lock(m_storeMutex);
    m_store.setLimitBytes(limitBytes);
}

void DelayRing::clear()
{
    std::lock_guard lock(m_storeMutex);
    m_store.clear();
}

DelayRing::Status DelayRing::status() const
{
    std::lock_guard lock(m_storeMutex);
    Status status;
    status.pictures = m_store.count();
    status.bytes = m_store.bytes();
    status.limitBytes = m_store.limitBytes();
    status.spanUs = m_store.spanUs();
    status.heldUs = m_store.heldUs();
    status.newestUs = m_store.newestUs();
    status.limitedByMemory = m_store.limitedByMemory();
    status.bytesPerSecond = m_store.bytesPerSecond();
    status.pictureSize = m_store.pictureSize();
    status.dropped = m_queue.dropped() + m_failed;
    return status;
}

std::optional<DelayStore::Picture> DelayRing::pictureAt(qint64 us) const
{
    std::lock_guard lock(m_storeMutex);
    const DelayStore::Picture* picture = m_store.pictureAt(us);
    return picture ? std::optional<DelayStore::Picture>(*picture) : std::nullopt;
}

std::vector<DelayStore::Picture> DelayRing::since(qint64 fromUs) const
{
    std::lock_guard lock(m_storeMutex);
    return m_store.since(fromUs);
}

void DelayRing::setOnStored(std::function<void()> onStored)
{
    std::lock_guard lock(m_callbackMutex);
    m_onStored = std::move(onStored);
}

bool DelayRing::waitUntilIdle(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_handled + m_queue.dropped() < m_taken) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The ring's thread.
void DelayRing::run()
{
    JpegEncoder encoder(m_quality);
    while (std::optional<TimedPicture> picture = m_queue.pop()) {
        const AVFrame* frame = picture->frame.get();
        QByteArray still = encoder.encode(frame);
        {
            std::lock_guard lock(m_storeMutex);
            if (still.isEmpty())
                ++m_failed;
            else
                m_store.append({std::move(still), picture->captureUs}, QSize(frame->width, frame->height));
        }
        picture.reset(); // the raw picture goes back to the camera now
        {
            std::lock_guard lock(m_callbackMutex);
            if (m_onStored)
                m_onStored();
        }
        ++m_handled;
    }
}

} // namespace kestrel
