#pragma once

#include "engine/FrameDecoder.h"
#include "engine/PacketIndex.h"

#include <memory>

namespace kestrel {

// Walks a span of an indexed file's frames in presentation order, handing
// each frame to a sink exactly once with the same index the player gives it.
// Frames that cannot be decoded are left out and counted, never renumbered.
//
// Runs on whatever thread calls it; one reader per thread, any number of
// readers over one shared index.
class SequentialFrameReader {
public:
    using Sink = FrameDecoder::Sink;
    using StopCheck = FrameDecoder::StopCheck;

    explicit SequentialFrameReader(std::shared_ptr<const PacketIndex> index);

    bool open(QString* error);
    // Hands frames first..last (inclusive, clamped to the file) to the sink in
    // rising order. False only when shouldStop() said so.
    bool read(qint64 first, qint64 last, const Sink& sink, const StopCheck& shouldStop = {});

    // Frames of the last read() that could not be decoded.
    qint64 skippedFrames() const { return m_skipped; }

private:
    std::shared_ptr<const PacketIndex> m_index;
    FrameDecoder m_decoder;
    qint64 m_skipped = 0;
};

} // namespace kestrel
