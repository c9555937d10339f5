#pragma once

#include "engine/FfmpegPtr.h"
#include "engine/PacketIndex.h"

#include <functional>
#include <memory>
#include <vector>

namespace kestrel {

// Decodes frames of an indexed file by presentation index, continuing the
// current run of packets where it can and starting again from the right
// keyframe where it must. Every packet is sent tagged with its own frame index
// as pts, so each picture that comes out says which frame it is.
//
// Lives on the decoding thread.
class FrameDecoder {
public:
    using Sink = std::function<void(qint64 frameIndex, const AVFrame* frame)>;
    using StopCheck = std::function<bool()>;

    explicit FrameDecoder(std::shared_ptr<const PacketIndex> index);

    bool open(QString* error);
    // Decodes until `target` has been handed to the sink; every other frame
    // decoded on the way is handed over too. False when the target cannot be
    // decoded or shouldStop() said so. A target that has not come out once
    // the packets a decoder could still be holding back have gone in is lost:
    // damaged data gives up there instead of decoding on to the end.
    bool decodeTo(qint64 target, const Sink& sink, const StopCheck& shouldStop);

    // Decodes on until some frame after `frameIndex` comes out, and sets
    // `landed` to it: the nearest frame past a damaged stretch, found in one
    // pass. False when none does before the stream ends, or shouldStop() said so.
    bool decodeToFirstAfter(qint64 frameIndex, const Sink& sink, const StopCheck& shouldStop, qint64* landed);

    // Whether the last target of decodeTo() came out with decoding errors
    // (a concealed picture).
    bool targetDamaged() const { return m_targetDamaged; }
    // Whether the last failed decodeTo() gave up on a lost target (rather
    // than being stopped).
    bool targetLost() const { return m_targetLost; }
    // After a lost target: every frame of the run up to the target that went
    // in and never came out, so that a whole damaged stretch is known at once.
    std::vector<qint64> lostFrames() const;

    // Throughput counters for diagnostics.
    qint64 packetsSent() const { return m_packetsSent; }

private:
    void restartAt(qint64 decodeIndex);
    bool sendNext();
    void receiveAll(const Sink& sink, qint64 target, bool* reached);
    bool passedTarget(qint64 target) const;

    std::shared_ptr<const PacketIndex> m_index;
    CodecContextPtr m_codec;
    PacketPtr m_scratch;
    qint64 m_nextPacket = 0; // decode index of the next packet to send
    qint64 m_runStart = -1; // keyframe packet the current run started at, -1 before the first run
    qint64 m_runFloor = 0; // frames below this index are garbage in this run (open GOP)
    qint64 m_lastOutput = -1; // highest frame index the run has produced
    bool m_drained = false; // end of stream sent; the codec needs a flush before more packets
    qint64 m_packetsSent = 0;
    bool m_targetDamaged = false;
    bool m_targetLost = false;
    qint64 m_lostTarget = -1;
    std::vector<qint64> m_outputInRun; // frames the current run has produced
};

} // namespace kestrel
