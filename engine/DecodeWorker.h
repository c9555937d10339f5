#pragma once

#include "engine/FrameCache.h"
#include "engine/FrameDecoder.h"
#include "engine/PacketIndex.h"
#include "engine/PictureConverter.h"

#include <QImage>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace kestrel {

// Two threads behind the UI: one decodes, one turns decoded pictures into
// shown ones, so that on two cores both run at once. The UI asks for a frame
// and goes on; the decoding thread hands the picture back when it has it. In
// between the threads fill the cache around the focus so that the next steps,
// either way, find their frame ready.
class DecodeWorker {
public:
    // Which way to look for a frame that can be shown when the one asked for
    // cannot be decoded: on past the damage first, or back before it.
    enum class Fallback { Forward, Backward };

    // What a request came to. `frameIndex` is the frame landed on (the one
    // asked for, or the nearest one that decodes), -1 when no frame at all
    // could be shown.
    struct Delivery {
        quint64 serial = 0;
        qint64 frameIndex = -1;
        QImage picture;
    };
    // Called on the decoding thread for every request that was not
    // superseded by a newer one.
    using DeliveryHandler = std::function<void(const Delivery&)>;

    DecodeWorker(std::shared_ptr<const PacketIndex> index, FrameCache& cache);
    ~DecodeWorker();

    void setDeliveryHandler(DeliveryHandler handler);
    bool start(QString* error);

    // Any thread: asks for a frame. A request still running when a newer one
    // comes is given up, and only the newest is delivered.
    void request(qint64 frameIndex, Fallback fallback, quint64 serial);
    // Any thread: a request that needs no decoding was served elsewhere; any
    // older one still running is given up.
    void supersede(quint64 serial);
    // Blocks until the request with this serial (or a newer one) has been
    // delivered or given up; its delivery, or a Delivery with serial 0.
    // Only for opening and command-line use: the UI never waits.
    Delivery waitForDelivery(quint64 serial);

    // Where read-ahead centres, and whether it should run ahead for playback.
    void setFocus(qint64 frameIndex, bool playing);

    // Frames known not to decode.
    bool isBroken(qint64 frameIndex) const;
    // True when every frame from `first` to `last` is known not to decode.
    bool allBroken(qint64 first, qint64 last) const;

private:
    struct Request {
        qint64 frameIndex = -1;
        Fallback fallback = Fallback::Forward;
        quint64 serial = 0;
    };

    void decodeLoop();
    void convertLoop();
    qint64 land(const Request& request, QImage* picture);
    qint64 landAhead(qint64 frameIndex, quint64 serial, QImage* picture);
    bool produce(qint64 frameIndex, quint64 serial, QImage* picture);
    qint64 nextCandidate(qint64 frameIndex, int step) const;
    bool convertClaimed(PictureConverter& converter, qint64 frameIndex, FramePtr frame);
    bool superseded(quint64 serial) const;
    struct Reach {
        qint64 behind = 0;
        qint64 ahead = 0;
    };
    Reach reachLocked() const;
    bool worthKeeping(qint64 frameIndex) const;
    void keepDecoded(qint64 frameIndex, const AVFrame* frame);
    void markBroken(const std::vector<qint64>& frames);
    std::vector<qint64> framesInReach() const;

    std::shared_ptr<const PacketIndex> m_index;
    FrameCache& m_cache;
    FrameDecoder m_decoder;
    PictureConverter m_decodeSideConverter; // used by the decoding thread only
    DeliveryHandler m_onDelivered;
    std::thread m_decodeThread;
    std::thread m_convertThread;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_convertWake;
    std::condition_variable m_done;
    Request m_pending; // serial 0: none
    std::atomic<quint64> m_newestSerial{0};
    Delivery m_lastDelivery;
    quint64 m_finishedSerial = 0; // newest serial delivered or given up
    qint64 m_focus = 0;
    bool m_playing = false;
    std::atomic<bool> m_quit{false};
    std::set<qint64> m_broken; // frames that cannot be decoded; read-ahead and landing skip them
};

} // namespace kestrel
