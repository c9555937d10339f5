#pragma once

#include "engine/DelayStore.h"
#include "engine/JpegEncoder.h"
#include "engine/PictureQueue.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace kestrel {

// The camera's last seconds in memory, for a delayed view and for saving
// what just happened. A picture sink like the recorder: the capture thread
// only queues each picture; a thread of the ring's own compresses it to a
// JPEG still and files it in a DelayStore bounded in time and bytes. When
// compressing falls behind, pictures waiting in the short queue are dropped
// (and counted), never the capture.
class DelayRing : public PictureSink {
public:
    struct Status {
        int pictures = 0;
        qint64 bytes = 0;
        qint64 limitBytes = 0;
        qint64 spanUs = 0; // the time asked to be kept
        qint64 heldUs = 0; // the time kept
        qint64 newestUs = 0;
        bool limitedByMemory = false;
        double bytesPerSecond = 0;
        QSize pictureSize;
        qint64 dropped = 0; // pictures never stored (compression fell behind or failed)
    };

    explicit DelayRing(int jpegQuality = JpegEncoder::kDefaultQuality);
    ~DelayRing() override;

    // Capture thread.
    void takePicture(const TimedPicture& picture) override;

    // Any thread.
    void setSpanUs(qint64 spanUs);
    void setLimitBytes(qint64 limitBytes);
    void clear();
    Status status() const;
    // See DelayStore::pictureAt; nullopt when empty.
    std::optional<DelayStore::Picture> pictureAt(qint64 us) const;
    std::vector<DelayStore::Picture> since(qint64 fromUs) const;

    // Runs on the ring's thread after each picture is stored; the ring's own
    // lock is not held, so it may ask for pictures. Set to empty before
    // whatever it calls goes away (this waits for a call in progress).
    void setOnStored(std::function<void()> onStored);

    // Waits until every picture taken so far is stored or dropped; false on timeout.
    bool waitUntilIdle(int timeoutMs);

private:
    void run();

    PictureQueue m_queue;
    const int m_quality;
    mutable std::mutex m_storeMutex; // guards m_store and m_failed
    DelayStore m_store;
    qint64 m_failed = 0;
    std::mutex m_callbackMutex; // guards m_onStored and its call
    std::function<void()> m_onStored;
    std::atomic<qint64> m_taken{0};
    std::atomic<qint64> m_handled{0};
    std::thread m_thread;
};

} // namespace kestrel
