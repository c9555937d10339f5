#pragma once

#include "engine/FrameCache.h"
#include "engine/FrameDecoder.h"
#include "engine/PacketIndex.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace kestrel {

// The decoding thread. The UI thread asks for the frame it must show now and
// waits for it; in between the thread fills the cache around the focus so
// that the next steps, either way, find their frame ready.
class DecodeWorker {
public:
    DecodeWorker(std::shared_ptr<const PacketIndex> index, FrameCache& cache);
    ~DecodeWorker();

    bool start(QString* error);
    // UI thread: blocks until the frame's picture is in the cache. False when
    // it cannot be decoded.
    bool waitForPicture(qint64 frameIndex);
    // UI thread: where read-ahead centres, and whether it should run ahead for playback.
    void setFocus(qint64 frameIndex, bool playing);

private:
    void run();
    bool produce(qint64 frameIndex, bool demanded);
    qint64 nextReadAhead();

    std::shared_ptr<const PacketIndex> m_index;
    FrameCache& m_cache;
    FrameDecoder m_decoder;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    qint64 m_demand = -1;
    quint64 m_demandSerial = 0;
    quint64 m_doneSerial = 0;
    bool m_demandFailed = false;
    std::atomic<bool> m_demandPending{false};
    qint64 m_focus = 0;
    bool m_playing = false;
    bool m_quit = false;
    std::set<qint64> m_broken;  // frames that cannot be decoded; read-ahead skips them
};

}  // namespace kestrel
