#include "engine/PacketIndex.h"

#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>

extern "C" {
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
}

namespace kestrel {

namespace {

// Bigger pictures than this are taken for a broken header, not a video.
constexpr int kMaxSidePx = 16384;
// Compressed video kept in memory; past this a file is refused rather than
// letting the machine swap.
constexpr qint64 kMaxCompressedBytes = qint64(2) << 30;
// No single read of a local file may take longer than this.
constexpr auto kReadTimeout = std::chrono::seconds(10);

struct ReadDeadline {
    std::chrono::steady_clock::time_point until;
    void restart() { until = std::chrono::steady_clock::now() + kReadTimeout; }
};

int interruptWhenLate(void* opaque)
{
    const auto* deadline = static_cast<const ReadDeadline*>(opaque);
    return std::chrono::steady_clock::now() > deadline->until ? 1 : 0;
}

enum class PictureType { Unknown, Intra, Predicted, Bidirectional };

// Reads the picture coding type from the picture header itself. MPEG-1/2 and
// MPEG-4 Visual show a B-picture at once and hold every other picture back
// until the next non-B one arrives, so these types fix the display order even
// where a container (AVI, program streams) carries no usable timestamps.
PictureType pictureType(AVCodecID codec, const AVPacket* packet)
{
    const uint8_t* data = packet->data;
    const int size = packet->size;
    for (int i = 0; i + 5 < size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
            continue;
        const uint8_t code = data[i + 3];
        if (codec == AV_CODEC_ID_MPEG4 && code == 0xb6) {
            switch (data[i + 4] >> 6) {
            case 0:
                return PictureType::Intra;
            case 2:
                return PictureType::Bidirectional;
            default:
                return PictureType::Predicted;
            }
        }
        if ((codec == AV_CODEC_ID_MPEG1VIDEO || codec == AV_CODEC_ID_MPEG2VIDEO) && code == 0x00) {
            switch ((data[i + 5] >> 3) & 7) {
            case 1:
                return PictureType::Intra;
            case 3:
                return PictureType::Bidirectional;
            default:
                return PictureType::Predicted;
            }
        }
    }
    return PictureType::Unknown;
}

bool reordersLikeMpeg(AVCodecID codec)
{
    return codec == AV_CODEC_ID_MPEG1VIDEO || codec == AV_CODEC_ID_MPEG2VIDEO || codec == AV_CODEC_ID_MPEG4;
}

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

bool PacketIndex::build(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (!info.exists())
        return fail(error, QStringLiteral("the file does not exist"));
    if (!info.isFile() || !info.isReadable())
        return fail(error, QStringLiteral("the file cannot be read"));
    if (info.size() == 0)
        return fail(error, QStringLiteral("the file is empty"));

    ReadDeadline deadline;
    deadline.restart();
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return fail(error, QStringLiteral("out of memory"));
    raw->interrupt_callback.callback = interruptWhenLate;
    raw->interrupt_callback.opaque = &deadline;
    const QByteArray url = QFileInfo(path).absoluteFilePath().toUtf8();
    int result = avformat_open_input(&raw, url.constData(), nullptr, nullptr);
    if (result < 0) // avformat_open_input frees the context on failure
        return fail(error, QStringLiteral("not a video file that can be read (%1)").arg(averrorText(result)));
    FormatContextPtr format(raw);

    deadline.restart();
    result = avformat_find_stream_info(format.get(), nullptr);
    if (result < 0)
        return fail(error, QStringLiteral("the file's streams cannot be read (%1)").arg(averrorText(result)));
    const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (streamIndex < 0)
        return fail(error, QStringLiteral("the file holds no video stream"));
    AVStream* stream = format->streams[streamIndex];
    const AVCodecParameters* parameters = stream->codecpar;
    if (!avcodec_find_decoder(parameters->codec_id)) {
        const char* name = avcodec_get_name(parameters->codec_id);
        return fail(error, QStringLiteral("the video codec (%1) is not supported").arg(QString::fromUtf8(name)));
    }
    if (parameters->width <= 0 || parameters->height <= 0)
        return fail(error, QStringLiteral("the video has no frame size"));
    if (parameters->width > kMaxSidePx || parameters->height > kMaxSidePx
        || av_image_check_size(unsigned(parameters->width), unsigned(parameters->height), 0, nullptr) < 0)
        return fail(
            error, QStringLiteral("the frame size %1x%2 is too large").arg(parameters->width).arg(parameters->height));

    m_parameters.reset(avcodec_parameters_alloc());
    avcodec_parameters_copy(m_parameters.get(), parameters);

    if (const auto* matrix
        = reinterpret_cast<const int32_t*>(av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr))) {
        // Players turn the picture clockwise by minus this angle to show it upright.
        const double angle = av_display_rotation_get(matrix);
        if (!std::isnan(angle)) {
            const int clockwise = int(std::lround(-angle / 90.0)) * 90;
            m_rotation = ((clockwise % 360) + 360) % 360;
        }
    }
    const AVRational rate = stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0 ? stream->avg_frame_rate
                                                                                             : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0 && av_q2d(rate) < 2000)
        m_fps = av_q2d(rate);

    QString reason;
    deadline.restart();
    raw->interrupt_callback.opaque = &deadline;
    if (!readPackets(format.get(), streamIndex, &reason))
        return fail(error, reason);
    if (reordersLikeMpeg(m_parameters->codec_id))
        orderByPictureType();
    else
        orderByTimestamps();
    if (m_decodeOrder.empty())
        return fail(error, QStringLiteral("the video stream holds no frames"));
    computeTimes(stream->time_base);
    const qint64 firstPts
        = m_presentationPts.front() != AV_NOPTS_VALUE ? m_presentationPts.front() : stream->start_time;
    m_firstFrameSeconds = firstPts != AV_NOPTS_VALUE ? double(firstPts) * av_q2d(stream->time_base) : 0.0;
    return true;
}

bool PacketIndex::readPackets(AVFormatContext* format, int streamIndex, QString* reason)
{
    auto* deadline = static_cast<ReadDeadline*>(format->interrupt_callback.opaque);
    // AVI files from DivX-era encoders pack a B-frame into the packet of the
    // frame before it; unpacked, every packet is one frame.
    BsfContextPtr unpack;
    if (m_parameters->codec_id == AV_CODEC_ID_MPEG4) {
        AVBSFContext* bsf = nullptr;
        if (const AVBitStreamFilter* filter = av_bsf_get_by_name("mpeg4_unpack_bframes");
            filter && av_bsf_alloc(filter, &bsf) >= 0) {
            unpack.reset(bsf);
            avcodec_parameters_copy(bsf->par_in, m_parameters.get());
            bsf->time_base_in = format->streams[streamIndex]->time_base;
            if (av_bsf_init(bsf) < 0)
                unpack.reset();
            else
                avcodec_parameters_copy(m_parameters.get(), bsf->par_out);
        }
    }

    auto keep = [this](PacketPtr packet) {
        m_bytes += packet->size;
        Packet entry;
        entry.key = packet->flags & AV_PKT_FLAG_KEY;
        entry.data = std::move(packet);
        m_packets.push_back(std::move(entry));
    };
    auto drainFilter = [&]() {
        while (true) {
            PacketPtr out(av_packet_alloc());
            if (av_bsf_receive_packet(unpack.get(), out.get()) < 0)
                return;
            keep(std::move(out));
        }
    };

    unsigned recentDamage = 0; // one bit per packet, newest lowest
    bool atFileEnd = false; // the last packet ran up to the end of the file: no trailer followed
    const qint64 fileSize = avio_size(format->pb);
    while (true) {
        PacketPtr packet(av_packet_alloc());
        if (!packet)
            return fail(reason, QStringLiteral("out of memory"));
        deadline->restart();
        const int result = av_read_frame(format, packet.get());
        if (result == AVERROR_EXIT)
            return fail(reason, QStringLiteral("reading the file took too long"));
        if (result < 0) {
            // End of file, or a damaged one: keep what was read.
            m_maybeTruncated = m_maybeTruncated || result != AVERROR_EOF;
            break;
        }
        if (packet->stream_index != streamIndex)
            continue;
        // A damaged packet is still a frame (shown damaged); leaving it out
        // would shift the number of every frame after it.
        if (packet->size <= 0)
            continue;
        recentDamage = (recentDamage << 1) | ((packet->flags & AV_PKT_FLAG_CORRUPT) ? 1 : 0);
        atFileEnd = packet->pos >= 0 && fileSize > 0 && packet->pos + packet->size >= fileSize - 16;
        if (unpack) {
            if (av_bsf_send_packet(unpack.get(), packet.get()) >= 0)
                drainFilter();
        } else {
            keep(std::move(packet));
        }
        if (m_bytes > kMaxCompressedBytes)
            return fail(reason, QStringLiteral("the video is too large to open"));
    }
    if (unpack && av_bsf_send_packet(unpack.get(), nullptr) >= 0)
        drainFilter();
    // A header that promises more frames than there are also tells of a cut file.
    const qint64 promised = format->streams[streamIndex]->nb_frames;
    m_maybeTruncated = m_maybeTruncated || (recentDamage & 0x7) || atFileEnd || promised > packetCount();
    return true;
}

void PacketIndex::orderByPictureType()
{
    // Non-B pictures are shown when the next non-B picture arrives.
    const AVCodecID codec = m_parameters->codec_id;
    qint64 next = 0;
    qint64 heldBack = -1;
    for (qint64 i = 0; i < packetCount(); ++i) {
        Packet& entry = m_packets[size_t(i)];
        if (entry.data->flags & AV_PKT_FLAG_DISCARD)
            continue;
        if (pictureType(codec, entry.data.get()) == PictureType::Bidirectional) {
            entry.frameIndex = next++;
            continue;
        }
        if (heldBack >= 0)
            m_packets[size_t(heldBack)].frameIndex = next++;
        heldBack = i;
    }
    if (heldBack >= 0)
        m_packets[size_t(heldBack)].frameIndex = next++;

    m_decodeOrder.assign(size_t(next), -1);
    m_presentationPts.assign(size_t(next), AV_NOPTS_VALUE);
    for (qint64 i = 0; i < packetCount(); ++i) {
        const Packet& entry = m_packets[size_t(i)];
        if (entry.frameIndex >= 0) {
            m_decodeOrder[size_t(entry.frameIndex)] = i;
            m_presentationPts[size_t(entry.frameIndex)] = entry.data->pts;
        }
    }
}

void PacketIndex::orderByTimestamps()
{
    // Presentation order is the order of the timestamps; without them, the
    // order of the packets (intra-only and B-frame-free codecs).
    std::vector<qint64> shown;
    bool allStamped = true;
    for (qint64 i = 0; i < packetCount(); ++i) {
        const AVPacket* data = m_packets[size_t(i)].data.get();
        if (data->flags & AV_PKT_FLAG_DISCARD)
            continue;
        shown.push_back(i);
        allStamped = allStamped && data->pts != AV_NOPTS_VALUE;
    }
    if (allStamped) {
        std::stable_sort(shown.begin(), shown.end(),
            [this](qint64 a, qint64 b) { return m_packets[size_t(a)].data->pts < m_packets[size_t(b)].data->pts; });
    }
    m_decodeOrder = shown;
    m_presentationPts.assign(shown.size(), AV_NOPTS_VALUE);
    for (size_t frame = 0; frame < shown.size(); ++frame) {
        Packet& entry = m_packets[size_t(shown[frame])];
        entry.frameIndex = qint64(frame);
        m_presentationPts[frame] = allStamped ? entry.data->pts : AV_NOPTS_VALUE;
    }
}

void PacketIndex::computeTimes(AVRational timeBase)
{
    // Timestamps when every frame has one and they rise; otherwise a constant
    // rate, which is what AVI and program streams are.
    const size_t count = m_decodeOrder.size();
    bool usable = m_presentationPts.front() != AV_NOPTS_VALUE;
    for (size_t i = 1; usable && i < count; ++i)
        usable = m_presentationPts[i] != AV_NOPTS_VALUE && m_presentationPts[i] > m_presentationPts[i - 1];
    m_timesMs.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (usable) {
            const qint64 delta = m_presentationPts[i] - m_presentationPts[0];
            m_timesMs[i] = av_rescale_q(delta, timeBase, AVRational{1, 1000});
        } else {
            m_timesMs[i] = std::llround(double(i) * 1000.0 / m_fps);
        }
        if (i > 0 && m_timesMs[i] <= m_timesMs[i - 1])
            m_timesMs[i] = m_timesMs[i - 1] + 1; // keep times distinct even at 1000+ fps
    }
    if (usable && count > 1) {
        const double spanSeconds = double(m_timesMs.back()) / 1000.0;
        if (spanSeconds > 0)
            m_fps = double(count - 1) / spanSeconds;
        // Intervals in the stream's own units: a rate varies when one interval
        // strays from the average by more than a tenth (ms rounding would
        // make every 30 fps clip look variable).
        const double mean = double(m_presentationPts.back() - m_presentationPts.front()) / double(count - 1);
        for (size_t i = 1; i < count && !m_variableRate; ++i)
            m_variableRate = std::abs(double(m_presentationPts[i] - m_presentationPts[i - 1]) - mean) > 0.1 * mean;
    }
}

void PacketIndex::dropLastFrame()
{
    if (m_decodeOrder.empty())
        return;
    m_packets[size_t(m_decodeOrder.back())].frameIndex = -1;
    m_decodeOrder.pop_back();
    m_presentationPts.pop_back();
    m_timesMs.pop_back();
}

qint64 PacketIndex::startPacketFor(qint64 frameIndex) const
{
    const qint64 target = decodeIndexOf(frameIndex);
    // The nearest keyframe at or before the packet that is not itself shown
    // after the target: an open-GOP B-frame shown before its keyframe needs the
    // keyframe of the group before.
    for (qint64 i = target; i >= 0; --i) {
        const Packet& entry = m_packets[size_t(i)];
        if (entry.key && entry.frameIndex <= frameIndex)
            return i;
    }
    return 0;
}

qint64 PacketIndex::frameAtTime(qint64 ms) const
{
    const auto after = std::upper_bound(m_timesMs.begin(), m_timesMs.end(), ms);
    if (after == m_timesMs.begin())
        return 0;
    return qint64(after - m_timesMs.begin()) - 1;
}

} // namespace kestrel
