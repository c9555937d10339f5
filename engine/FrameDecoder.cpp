#include "engine/FrameDecoder.h"

#include <QThread>

namespace kestrel {

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
    while (!reached) {
        if (shouldStop && shouldStop())
            return false;
        if (!sendNext())
            return false; // the stream ended without the target (a damaged frame)
        receiveAll(sink, target, &reached);
    }
    return true;
}

} // namespace kestrel
