#pragma once

#include "engine/FrameCache.h"
#include "engine/FrameDecoder.h"
#include "engine/PacketIndex.h"
#include "engine/PictureConverter.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace kestrel {

// Two threads behind the UI: one decodes, one turns decoded pictures into
// shown ones, so that on two cores both run at once. The UI thread asks for
// the frame it must show now and waits for it; in between the threads fill the
// cache around the focus so that the next steps, either way, find their frame
// ready.
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
    void decodeLoop();
    void convertLoop();
    bool produce(qint64 frameIndex, bool demanded);
    bool convertClaimed(PictureConverter& converter, qint64 frameIndex, FramePtr frame);
    std::vector<qint64> framesInReach() const;

    std::shared_ptr<const PacketIndex> m_index;
    FrameCache& m_cache;
    FrameDecoder m_decoder;
    PictureConverter m_decodeSideConverter; // used by the decoding thread only
    std::thread m_decodeThread;
    std::thread m_convertThread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_convertWake;
    std::condition_variable m_done;
    qint64 m_demand = -1;
    quint64 m_demandSerial = 0;
    quint64 m_doneSerial = 0;
    bool m_demandFailed = false;
    std::atomic<bool> m_demandPending{false};
    qint64 m_focus = 0;
    bool m_playing = false;
    std::atomic<bool> m_quit{false};
    std::set<qint64> m_broken; // frames that cannot be decoded; read-ahead skips them
};

} // namespace kestrel
