#include "engine/SequentialFrameReader.h"

#include <algorithm>

namespace kestrel {

SequentialFrameReader::SequentialFrameReader(std::shared_ptr<const PacketIndex> index)
    : m_index(index)
    , m_decoder(std::move(index))
{
}

bool SequentialFrameReader::open(QString* error)
{
    return m_decoder.open(error);
}

bool SequentialFrameReader::read(qint64 first, qint64 last, const Sink& sink, const StopCheck& shouldStop)
{
    m_skipped = 0;
    first = std::max<qint64>(0, first);
    last = std::min(last, m_index->frameCount() - 1);
    qint64 handed = first - 1; // highest frame index given to the sink so far
    const Sink inOrder = [&](qint64 index, const AVFrame* frame) {
        // A restart at a keyframe brings back frames already handed over.
        if (index <= handed || index > last)
            return;
        m_skipped += index - handed - 1;
        handed = index;
        sink(index, frame);
    };
    // Asking for one frame after another lets the decoder run on through the
    // packets instead of starting again from a keyframe.
    while (handed < last) {
        const bool reached = m_decoder.decodeTo(handed + 1, inOrder, shouldStop);
        if (shouldStop && shouldStop())
            return false;
        if (!reached) {
            // The decoder ran to the end of the stream: nothing more will come.
            m_skipped += last - handed;
            break;
        }
    }
    return true;
}

} // namespace kestrel
