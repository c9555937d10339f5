#include "engine/AudioTrackReader.h"

#include "engine/FfmpegPtr.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace kestrel {

namespace {

// Sound longer than this is cut: a swing clip lasts seconds, not hours.
constexpr double kMaxSeconds = 20 * 60;
// A jump in the timestamps larger than this is a gap, filled with silence.
constexpr double kGapSeconds = 0.010;

// Converts decoded frames of any layout, format and rate to mono float,
// setting itself up again whenever the frames change their parameters.
class MonoConverter {
public:
    explicit MonoConverter(int maxRate)
        : m_maxRate(maxRate)
    {
    }
    ~MonoConverter() { av_channel_layout_uninit(&m_layout); }
    MonoConverter(const MonoConverter&) = delete;
    MonoConverter& operator=(const MonoConverter&) = delete;

    int outputRate() const { return m_outputRate; }

    // Appends the frame's samples to `out`; false when they cannot be converted.
    bool append(const AVFrame* frame, std::vector<float>& out)
    {
        if (!matches(frame) && !setUp(frame))
            return false;
        return convert(frame->extended_data, frame->nb_samples, out);
    }
    // Hands over what the resampler still holds.
    void drain(std::vector<float>& out)
    {
        if (m_resampler)
            convert(nullptr, 0, out);
    }

private:
    bool matches(const AVFrame* frame) const
    {
        return m_resampler && frame->format == m_format && frame->sample_rate == m_inputRate
            && av_channel_layout_compare(&frame->ch_layout, &m_layout) == 0;
    }

    bool setUp(const AVFrame* frame)
    {
        if (frame->sample_rate <= 0 || frame->ch_layout.nb_channels <= 0)
            return false;
        AVChannelLayout input{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&input, frame->ch_layout.nb_channels);
        else
            av_channel_layout_copy(&input, &frame->ch_layout);
        // The first parameters fix the output rate; later changes are resampled to it.
        if (m_outputRate == 0)
            m_outputRate = std::min(frame->sample_rate, m_maxRate);
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        SwrContext* raw = nullptr;
        const int result = swr_alloc_set_opts2(&raw, &mono, AV_SAMPLE_FMT_FLT, m_outputRate, &input,
            AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&input);
        SwrPtr resampler(raw);
        if (result < 0 || swr_init(resampler.get()) < 0)
            return false;
        m_resampler = std::move(resampler);
        m_format = frame->format;
        m_inputRate = frame->sample_rate;
        av_channel_layout_uninit(&m_layout);
        av_channel_layout_copy(&m_layout, &frame->ch_layout);
        return true;
    }

    bool convert(uint8_t** input, int inputSamples, std::vector<float>& out)
    {
        const int room = swr_get_out_samples(m_resampler.get(), inputSamples);
        if (room < 0)
            return false;
        const size_t before = out.size();
        out.resize(before + size_t(room));
        auto* target = reinterpret_cast<uint8_t*>(out.data() + before);
        const int made
            = swr_convert(m_resampler.get(), &target, room, const_cast<const uint8_t**>(input), inputSamples);
        out.resize(before + size_t(std::max(0, made)));
        return made >= 0;
    }

    int m_maxRate;
    int m_outputRate = 0;
    SwrPtr m_resampler;
    int m_format = -1;
    int m_inputRate = 0;
    AVChannelLayout m_layout{};
};

} // namespace

AudioTrackReader::AudioTrackReader(int maxSampleRate)
    : m_maxSampleRate(std::max(8000, maxSampleRate))
{
}

AudioTrackReader::Outcome AudioTrackReader::read(
    const QString& path, const StopCheck& shouldStop, const Progress& progress)
{
    m_track = AudioTrack();
    m_error.clear();
    auto fail = [this](Outcome outcome, const QString& reason) {
        m_error = reason;
        m_track = AudioTrack();
        return outcome;
    };

    const QByteArray url = QFileInfo(path).absoluteFilePath().toUtf8();
    AVFormatContext* raw = nullptr;
    int result = avformat_open_input(&raw, url.constData(), nullptr, nullptr);
    if (result < 0)
        return fail(Outcome::Failed, QStringLiteral("the file cannot be read (%1)").arg(averrorText(result)));
    FormatContextPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return fail(Outcome::Failed, QStringLiteral("the file's streams cannot be read"));
    const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (streamIndex < 0)
        return fail(Outcome::NoAudio, QStringLiteral("the file has no sound"));
    AVStream* stream = format->streams[streamIndex];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        const QString name = QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id));
        return fail(Outcome::NoAudio, QStringLiteral("the sound codec (%1) is not supported").arg(name));
    }
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = int(i) == streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0)
        return fail(Outcome::Failed, QStringLiteral("the sound decoder cannot be created"));
    // With the packets' time base the decoder moves the first timestamp past
    // the encoder's priming samples it drops.
    decoder->pkt_timebase = stream->time_base;
    result = avcodec_open2(decoder.get(), codec, nullptr);
    if (result < 0)
        return fail(
            Outcome::Failed, QStringLiteral("the sound decoder cannot be opened (%1)").arg(averrorText(result)));

    const double timeBase = av_q2d(stream->time_base);
    const double fileSeconds = format->duration > 0 ? double(format->duration) / AV_TIME_BASE : 0.0;
    const double clockStart = format->start_time != AV_NOPTS_VALUE ? double(format->start_time) / AV_TIME_BASE : 0.0;
    MonoConverter converter(m_maxSampleRate);
    bool started = false;
    bool full = false;
    std::vector<float>& samples = m_track.samples;

    auto take = [&](const AVFrame* frame) {
        const qint64 pts = frame->best_effort_timestamp;
        if (!started) {
            m_track.startSeconds = pts != AV_NOPTS_VALUE ? double(pts) * timeBase
                : stream->start_time != AV_NOPTS_VALUE   ? double(stream->start_time) * timeBase
                                                         : 0.0;
        }
        if (!converter.append(frame, samples))
            return false;
        if (!started) {
            started = true;
            m_track.sampleRate = converter.outputRate();
        }
        return true;
    };
    // Silence for a jump forward in the timestamps, before the frame is appended.
    auto fillGap = [&](const AVFrame* frame) {
        if (!started || frame->best_effort_timestamp == AV_NOPTS_VALUE)
            return;
        const double due = m_track.sampleAt(double(frame->best_effort_timestamp) * timeBase);
        const double gap = due - double(samples.size());
        if (gap > kGapSeconds * m_track.sampleRate)
            samples.resize(samples.size() + size_t(std::llround(gap)), 0.0f);
    };
    FramePtr frame = makeFrame();
    auto receive = [&]() {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            fillGap(frame.get());
            const bool ok = take(frame.get());
            av_frame_unref(frame.get());
            if (!ok)
                return false;
            full = m_track.sampleRate > 0 && double(samples.size()) > kMaxSeconds * m_track.sampleRate;
        }
        return true;
    };

    PacketPtr packet = makePacket();
    int packetsSinceReport = 0;
    while (!full) {
        if (shouldStop && shouldStop())
            return fail(Outcome::Stopped, QStringLiteral("stopped"));
        result = av_read_frame(format.get(), packet.get());
        if (result < 0)
            break; // end of file, or damage: keep what was read
        if (packet->stream_index == streamIndex) {
            if (progress && fileSeconds > 0 && packet->pts != AV_NOPTS_VALUE && ++packetsSinceReport >= 64) {
                packetsSinceReport = 0;
                progress(std::clamp((double(packet->pts) * timeBase - clockStart) / fileSeconds, 0.0, 1.0));
            }
            // A damaged packet is skipped; the next frame's timestamp leaves a gap of silence.
            if (avcodec_send_packet(decoder.get(), packet.get()) >= 0 && !receive()) {
                av_packet_unref(packet.get());
                return fail(Outcome::Failed, QStringLiteral("the sound cannot be converted"));
            }
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    receive();
    converter.drain(samples);
    if (samples.empty())
        return fail(Outcome::NoAudio, QStringLiteral("the sound stream holds no samples"));
    if (progress)
        progress(1.0);
    return Outcome::Read;
}

} // namespace kestrel
