#pragma once

#include "engine/TimedPicture.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace kestrel {

// The bounded queue between a capture thread and an encoder thread. The
// capture side never waits: when the queue is full, the newest waiting
// picture gives its place to the one arriving (and is counted as dropped), so
// the latest picture always reaches the encoder and a file never ends early.
class PictureQueue : public PictureSink {
public:
    explicit PictureQueue(int capacity);

    // Capture thread.
    void takePicture(const TimedPicture& picture) override;
    // Encoder thread: waits for a picture; nullopt once closed and empty.
    std::optional<TimedPicture> pop();
    // No more pictures are taken; pop() hands out what is left, then ends.
    void close();
    // Forgets what waits (counted as dropped) and closes.
    void abandon();

    // Fewer places than the capacity may be used: a slow encoder should not
    // face more waiting pictures than it encodes in a moment.
    void setLimit(int places);
    int limit() const;
    int capacity() const { return m_capacity; }
    int size() const;
    qint64 dropped() const;

private:
    const int m_capacity;
    int m_limit;
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<TimedPicture> m_pictures;
    qint64 m_dropped = 0;
    bool m_closed = false;
};

} // namespace kestrel
