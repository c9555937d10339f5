#include "engine/FrameDecoder.h"

#include <QThread>

#include <algorithm>

namespace kestrel {

namespace {
// Packets past the target's own after which a target that has not come out
// never will: more than any decoder holds back for reordering (H.264 keeps at
// most 16 pictures).
constexpr qint64 kLostAfterPackets = 20;
} // namespace

FrameDecoder::FrameDecoder(std::shared_ptr<const PacketIndex> index)
    : m_index(std::move(index))
    , m_scratch(av_packet_alloc())
{
}

bool FrameDecoder::open(QString* error)
{
    const AVCodecParameters* parameters = m_index->codecParameters();
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    m_codec.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!m_codec || avcodec_parameters_to_context(m_codec.get(), parameters) < 0) {
        if (error)
            *error = QStringLiteral("the video decoder cannot be created");
        return false;
    }
    // Frame threads would add a frame of latency per thread to every seek;
    // slices keep both cores busy without it.
    m_codec->thread_count = std::min(QThread::idealThreadCount(), 4);
    m_codec->thread_type = FF_THREAD_SLICE;
    const int result = avcodec_open2(m_codec.get(), codec, nullptr);
    if (result < 0) {
        if (error)
            *error = QStringLiteral("the video decoder cannot be opened (%1)").arg(averrorText(result));
        return false;
    }
    return true;
}

void FrameDecoder::restartAt(qint64 decodeIndex)
{
    avcodec_flush_buffers(m_codec.get());
    m_nextPacket = decodeIndex;
    m_runStart = decodeIndex;
    m_runFloor = std::max<qint64>(0, m_index->packet(decodeIndex).frameIndex);
    m_lastOutput = -1;
    m_drained = false;
    m_outputInRun.clear();
}

bool FrameDecoder::sendNext()
{
    if (m_nextPacket >= m_index->packetCount()) {
        if (m_drained)
            return false;
        avcodec_send_packet(m_codec.get(), nullptr);
        m_drained = true;
        return true;
    }
    const PacketIndex::Packet& entry = m_index->packet(m_nextPacket);
    av_packet_ref(m_scratch.get(), entry.data.get());
    // Frames that are never shown come out with a negative tag and are dropped.
    m_scratch->pts = entry.frameIndex >= 0 ? entry.frameIndex : -1 - m_nextPacket;
    m_scratch->dts = AV_NOPTS_VALUE;
    const int result = avcodec_send_packet(m_codec.get(), m_scratch.get());
    av_packet_unref(m_scratch.get());
    if (result == AVERROR(EAGAIN))
        return true; // output must be taken first; the same packet goes again
    ++m_nextPacket;
    ++m_packetsSent;
    return true;
}

void FrameDecoder::receiveAll(const Sink& sink, qint64 target, bool* reached)
{
    FramePtr frame(av_frame_alloc());
    while (avcodec_receive_frame(m_codec.get(), frame.get()) >= 0) {
        const qint64 index = frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
        if (index != AV_NOPTS_VALUE && index >= m_runFloor && index < m_index->frameCount()) {
            m_lastOutput = std::max(m_lastOutput, index);
            m_outputInRun.push_back(index);
            sink(index, frame.get());
            if (index == target) {
                *reached = true;
                m_targetDamaged = (frame->flags & AV_FRAME_FLAG_CORRUPT) || frame->decode_error_flags != 0;
            }
        }
        av_frame_unref(frame.get());
    }
}

bool FrameDecoder::decodeTo(qint64 target, const Sink& sink, const StopCheck& shouldStop)
{
    if (target < 0 || target >= m_index->frameCount())
        return false;
    const qint64 start = m_index->startPacketFor(target);
    // Going on is right when the run began at or before the keyframe the
    // target needs, has not passed the target, and no later keyframe lies
    // between the run's position and the target's keyframe.
    const bool canContinue
        = m_runStart >= 0 && !m_drained && m_runStart <= start && start <= m_nextPacket && target > m_lastOutput;
    if (!canContinue)
        restartAt(start);
    bool reached = false;
    m_targetDamaged = false;
    m_targetLost = false;
    while (!reached) {
        if (shouldStop && shouldStop())
            return false;
        if (passedTarget(target) || !sendNext()) {
            // Damaged data, or the stream ended without the target.
            m_targetLost = true;
            m_lostTarget = target;
            return false;
        }
        receiveAll(sink, target, &reached);
    }
    return true;
}

bool FrameDecoder::decodeToFirstAfter(qint64 frameIndex, const Sink& sink, const StopCheck& shouldStop, qint64* landed)
{
    const qint64 next = frameIndex + 1;
    if (next >= m_index->frameCount())
        return false;
    // Going on with the current run is right when it has not passed the frame.
    const qint64 start = m_index->startPacketFor(next);
    const bool canContinue = m_runStart >= 0 && !m_drained && m_runStart <= start && m_lastOutput <= frameIndex;
    if (!canContinue)
        restartAt(start);
    qint64 found = -1;
    const Sink watch = [&](qint64 index, const AVFrame* frame) {
        sink(index, frame);
        if (index > frameIndex && found < 0)
            found = index;
    };
    bool reached = false;
    while (found < 0) {
        if (shouldStop && shouldStop())
            return false;
        if (!sendNext())
            return false;
        receiveAll(watch, -1, &reached);
    }
    *landed = found;
    return true;
}

bool FrameDecoder::passedTarget(qint64 target) const
{
    return m_nextPacket > m_index->decodeIndexOf(target) + kLostAfterPackets;
}

std::vector<qint64> FrameDecoder::lostFrames() const
{
    if (!m_targetLost || m_runStart < 0)
        return {};
    std::vector<qint64> produced = m_outputInRun;
    std::sort(produced.begin(), produced.end());
    std::vector<qint64> lost;
    const qint64 sentEnd = std::min(m_nextPacket, m_index->packetCount());
    for (qint64 packet = m_runStart; packet < sentEnd; ++packet) {
        const qint64 frame = m_index->packet(packet).frameIndex;
        // Pictures come out in presentation order: one that has not come out by
        // the time a later one has is lost too.
        if (frame >= m_runFloor && frame <= std::max(m_lostTarget, m_lastOutput)
            && !std::binary_search(produced.begin(), produced.end(), frame))
            lost.push_back(frame);
    }
    std::sort(lost.begin(), lost.end());
    return lost;
}

} // namespace kestrel
