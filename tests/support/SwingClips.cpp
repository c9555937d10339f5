// Swing clips made with libavcodec/libavformat: a club swings about a pivot
// while the sound track carries noise and clicks at known times.
#include "SwingClips.h"

#include "ClipEncoding.h"
#include "TestClips.h"
#include "engine/FfmpegPtr.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace kestrel::test {

namespace {

constexpr double kTopDegrees = 150; // club angle at the top, behind the golfer
constexpr double kFinishDegrees = 140; // club angle at the finish
constexpr int kTicksPerFrame = 4; // timestamps count quarter frames
constexpr int kVariableTicks[] = {3, 5, 4}; // a phone's uneven frame intervals, in quarter frames
constexpr double kClickSeconds = 0.03;
constexpr double kClickDecaySeconds = 0.002;

double totalSeconds(const SwingClipRecipe& r)
{
    return r.addressS + r.backswingS + r.pauseS + r.downswingS + r.followS + r.tailS;
}

double impactSeconds(const SwingClipRecipe& r)
{
    return r.addressS + r.backswingS + r.pauseS + r.downswingS;
}

double smoothStep(double x)
{
    return x * x * (3 - 2 * x);
}

// Club angle from straight down in degrees, negative behind the golfer.
double clubDegrees(const SwingClipRecipe& r, double t)
{
    const double top = r.addressS + r.backswingS;
    const double down = top + r.pauseS;
    const double impact = impactSeconds(r);
    if (t <= r.addressS)
        return 0;
    if (t < top)
        return -kTopDegrees * smoothStep((t - r.addressS) / r.backswingS);
    if (t < down)
        return -kTopDegrees;
    if (t < impact) {
        const double u = (t - down) / r.downswingS; // speeding up all the way to the ball
        return -kTopDegrees * (1 - u * u);
    }
    if (t < impact + r.followS) {
        const double v = (t - impact) / r.followS; // slowing down to a stop
        return kFinishDegrees * (1 - (1 - v) * (1 - v));
    }
    return kFinishDegrees;
}

// Frame timestamps in quarter frames.
std::vector<qint64> frameTicks(const SwingClipRecipe& r)
{
    std::vector<qint64> ticks;
    const double tickSeconds = 1.0 / (r.fps * kTicksPerFrame);
    const double end = totalSeconds(r);
    qint64 tick = 0;
    for (size_t i = 0; double(tick) * tickSeconds < end; ++i) {
        ticks.push_back(tick);
        tick += r.variableRate ? kVariableTicks[i % std::size(kVariableTicks)] : kTicksPerFrame;
    }
    return ticks;
}

void paintFrame(QImage& picture, const SwingClipRecipe& r, double t, std::mt19937& random)
{
    const double w = picture.width();
    const double h = picture.height();
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), QColor(96, 100, 104));
    painter.fillRect(QRectF(0, 0.88 * h, w, 0.12 * h), QColor(70, 110, 60)); // ground
    painter.fillRect(QRectF(0.06 * w, 0.1 * h, 0.12 * w, 0.3 * h), QColor(140, 120, 90)); // a post
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF pivot(w / 2, 0.22 * h);
    const double length = 0.6 * h;
    const double radians = clubDegrees(r, t) * std::numbers::pi / 180;
    const QPointF head = pivot + length * QPointF(std::sin(radians), std::cos(radians));
    painter.setPen(QPen(QColor(235, 235, 235), std::max(2.0, 0.025 * h), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(pivot, head);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 220, 60));
    painter.drawEllipse(head, 0.045 * h, 0.045 * h);
    painter.end();
    if (r.grain <= 0)
        return;
    addSensorNoise(picture, r.grain, random);
}

void addClick(
    std::vector<float>& samples, const SwingClipRecipe& r, double atSeconds, double level, std::mt19937& random)
{
    // A sharp attack: the very first sample is already at half the level or more.
    std::uniform_real_distribution<double> size(0.5, 1.0);
    const auto first = qint64(std::ceil((atSeconds - r.audioStartS) * r.sampleRate));
    const auto length = qint64(kClickSeconds * r.sampleRate);
    for (qint64 k = 0; k < length; ++k) {
        const qint64 at = first + k;
        if (at < 0 || at >= qint64(samples.size()))
            continue;
        const double sign = (random() & 1) ? 1.0 : -1.0;
        samples[size_t(at)]
            += float(level * std::exp(-double(k) / (kClickDecaySeconds * r.sampleRate)) * size(random) * sign);
    }
}

AVSampleFormat pickSampleFormat(const AVCodec* codec)
{
    if (!codec->sample_fmts)
        return AV_SAMPLE_FMT_S16;
    for (AVSampleFormat wanted : {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P}) {
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
            if (*f == wanted)
                return wanted;
        }
    }
    return AV_SAMPLE_FMT_NONE;
}

// Mono samples into every channel of a frame of the encoder's format.
void fillAudioFrame(AVFrame* frame, const float* mono, int count)
{
    const int channels = frame->ch_layout.nb_channels;
    const auto format = AVSampleFormat(frame->format);
    for (int i = 0; i < count; ++i) {
        const float value = std::clamp(mono[i], -1.0f, 1.0f);
        const auto whole = int16_t(std::lround(value * 32767));
        for (int c = 0; c < channels; ++c) {
            switch (format) {
            case AV_SAMPLE_FMT_FLTP:
                reinterpret_cast<float*>(frame->extended_data[c])[i] = value;
                break;
            case AV_SAMPLE_FMT_FLT:
                reinterpret_cast<float*>(frame->data[0])[i * channels + c] = value;
                break;
            case AV_SAMPLE_FMT_S16P:
                reinterpret_cast<int16_t*>(frame->extended_data[c])[i] = whole;
                break;
            default:
                reinterpret_cast<int16_t*>(frame->data[0])[i * channels + c] = whole;
            }
        }
    }
}

// One output file with a video stream and maybe a sound stream.
class SwingWriter {
public:
    explicit SwingWriter(const SwingClipRecipe& recipe)
        : m_recipe(recipe)
    {
    }

    bool write(const QString& path, QString* error)
    {
        const QString suffix = QFileInfo(path).suffix().toLower();
        const bool timestamped
            = suffix == QLatin1String("mp4") || suffix == QLatin1String("mov") || suffix == QLatin1String("mkv");
        if (!timestamped && (m_recipe.variableRate || m_recipe.audioStartS != 0))
            return failWith(error, QStringLiteral("variable rates and late sound need mp4, mov or mkv"));
        // Constant-rate containers count whole frames.
        m_ticksPerUnit = timestamped ? 1 : kTicksPerFrame;
        if (av_log_get_level() > AV_LOG_ERROR)
            av_log_set_level(AV_LOG_ERROR);
        const QByteArray file = QFileInfo(path).absoluteFilePath().toUtf8();
        AVFormatContext* raw = nullptr;
        int result = avformat_alloc_output_context2(&raw, nullptr, nullptr, file.constData());
        if (result < 0 || !raw)
            return failWith(error, QStringLiteral("no muxer for %1").arg(path));
        m_output.reset(raw);
        if (!openVideo(error) || (m_recipe.sound != SwingSound::None && !openAudio(error)))
            return false;
        if (!(m_output->oformat->flags & AVFMT_NOFILE)
            && avio_open(&m_output->pb, file.constData(), AVIO_FLAG_WRITE) < 0)
            return failWith(error, QStringLiteral("cannot write %1").arg(path));
        m_output->max_delay = int(0.7 * AV_TIME_BASE);
        if ((result = avformat_write_header(m_output.get(), nullptr)) < 0)
            return failWith(error, QStringLiteral("cannot start %1: %2").arg(path, averrorText(result)));

        const std::vector<qint64> ticks = frameTicks(m_recipe);
        const std::vector<float> sound = swingSound(m_recipe);
        std::mt19937 random(7);
        const double videoOffset = std::max(0.0, -m_recipe.audioStartS);
        const qint64 offsetTicks = std::llround(videoOffset * m_recipe.fps * kTicksPerFrame);
        const double tickSeconds = 1.0 / (m_recipe.fps * kTicksPerFrame);
        size_t soundDone = 0;
        for (size_t i = 0; i < ticks.size(); ++i) {
            const double t = double(ticks[i]) * tickSeconds;
            // Sound up to this frame's time goes first, to keep the streams interleaved.
            while (m_audio && soundDone < sound.size()
                && m_recipe.audioStartS + double(soundDone) / m_recipe.sampleRate <= t) {
                if (!writeAudio(sound, &soundDone, error))
                    return false;
            }
            if (!writeVideo(t, (ticks[i] + offsetTicks) / m_ticksPerUnit, random, error))
                return false;
        }
        while (m_audio && soundDone < sound.size()) {
            if (!writeAudio(sound, &soundDone, error))
                return false;
        }
        if (!send(m_video.get(), m_videoStream, nullptr, error)
            || (m_audio && !send(m_audio.get(), m_audioStream, nullptr, error)))
            return false;
        if ((result = av_write_trailer(m_output.get())) < 0)
            return failWith(error, QStringLiteral("cannot finish %1: %2").arg(path, averrorText(result)));
        return true;
    }

private:
    bool openVideo(QString* error)
    {
        const QByteArray name = m_recipe.videoCodec.toUtf8();
        const AVCodec* codec = avcodec_find_encoder_by_name(name.constData());
        if (!codec)
            return failWith(error, QStringLiteral("no encoder %1").arg(m_recipe.videoCodec));
        m_videoStream = avformat_new_stream(m_output.get(), nullptr);
        m_video.reset(avcodec_alloc_context3(codec));
        m_video->width = m_recipe.width;
        m_video->height = m_recipe.height;
        m_video->time_base = AVRational{m_ticksPerUnit, m_recipe.fps * kTicksPerFrame};
        m_video->framerate = AVRational{m_recipe.fps, 1};
        m_video->pix_fmt = codec->id == AV_CODEC_ID_MJPEG ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
        m_video->gop_size = std::max(1, m_recipe.fps / 2);
        m_video->max_b_frames = m_recipe.bFrames ? 2 : 0;
        if (codec->id == AV_CODEC_ID_H264) {
            av_opt_set(m_video->priv_data, "preset", m_recipe.bFrames ? "veryfast" : "ultrafast", 0);
            av_opt_set(m_video->priv_data, "crf", "23", 0);
        } else {
            m_video->flags |= AV_CODEC_FLAG_QSCALE;
            m_video->global_quality = FF_QP2LAMBDA * 4;
        }
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
            m_video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        int result = avcodec_open2(m_video.get(), codec, nullptr);
        if (result < 0)
            return failWith(error, QStringLiteral("cannot open %1: %2").arg(m_recipe.videoCodec, averrorText(result)));
        avcodec_parameters_from_context(m_videoStream->codecpar, m_video.get());
        m_videoStream->time_base = m_video->time_base;
        m_videoStream->avg_frame_rate = m_video->framerate;

        m_picture = makeFrame();
        m_picture->format = AV_PIX_FMT_BGRA;
        m_picture->width = m_recipe.width;
        m_picture->height = m_recipe.height;
        m_coded = makeFrame();
        m_coded->format = m_video->pix_fmt;
        m_coded->width = m_recipe.width;
        m_coded->height = m_recipe.height;
        m_scaler.reset(sws_getContext(m_recipe.width, m_recipe.height, AV_PIX_FMT_BGRA, m_recipe.width, m_recipe.height,
            m_video->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!m_scaler || av_frame_get_buffer(m_picture.get(), 64) < 0 || av_frame_get_buffer(m_coded.get(), 64) < 0)
            return failWith(error, QStringLiteral("out of memory"));
        return true;
    }

    bool openAudio(QString* error)
    {
        const QByteArray name = m_recipe.audioCodec.toUtf8();
        const AVCodec* codec = avcodec_find_encoder_by_name(name.constData());
        if (!codec)
            return failWith(error, QStringLiteral("no encoder %1").arg(m_recipe.audioCodec));
        m_audioStream = avformat_new_stream(m_output.get(), nullptr);
        m_audio.reset(avcodec_alloc_context3(codec));
        m_audio->sample_fmt = pickSampleFormat(codec);
        m_audio->sample_rate = m_recipe.sampleRate;
        av_channel_layout_default(&m_audio->ch_layout, m_recipe.channels);
        m_audio->time_base = AVRational{1, m_recipe.sampleRate};
        m_audio->bit_rate = 128000;
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
            m_audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        int result = avcodec_open2(m_audio.get(), codec, nullptr);
        if (result < 0)
            return failWith(error, QStringLiteral("cannot open %1: %2").arg(m_recipe.audioCodec, averrorText(result)));
        avcodec_parameters_from_context(m_audioStream->codecpar, m_audio.get());
        m_audioStream->time_base = m_audio->time_base;
        const bool anySize = codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
        m_audioFrameSize = !anySize && m_audio->frame_size > 0 ? m_audio->frame_size : 1024;
        m_audioStart = std::llround(std::max(0.0, m_recipe.audioStartS) * m_recipe.sampleRate);
        return true;
    }

    bool writeVideo(double t, qint64 pts, std::mt19937& random, QString* error)
    {
        if (av_frame_make_writable(m_picture.get()) < 0 || av_frame_make_writable(m_coded.get()) < 0)
            return failWith(error, QStringLiteral("out of memory"));
        // Painted straight into FFmpeg's padded buffer, which libswscale then reads.
        QImage picture(
            m_picture->data[0], m_recipe.width, m_recipe.height, m_picture->linesize[0], QImage::Format_RGB32);
        paintFrame(picture, m_recipe, t, random);
        sws_scale(
            m_scaler.get(), m_picture->data, m_picture->linesize, 0, m_recipe.height, m_coded->data, m_coded->linesize);
        m_coded->pts = pts;
        return send(m_video.get(), m_videoStream, m_coded.get(), error);
    }

    // The next frame's worth of sound, padded with silence at the end.
    bool writeAudio(const std::vector<float>& sound, size_t* done, QString* error)
    {
        FramePtr frame = makeFrame();
        frame->format = m_audio->sample_fmt;
        frame->sample_rate = m_audio->sample_rate;
        frame->nb_samples = m_audioFrameSize;
        av_channel_layout_copy(&frame->ch_layout, &m_audio->ch_layout);
        if (av_frame_get_buffer(frame.get(), 0) < 0)
            return failWith(error, QStringLiteral("out of memory"));
        std::vector<float> chunk(size_t(m_audioFrameSize), 0.0f);
        const size_t count = std::min(sound.size() - *done, chunk.size());
        std::copy_n(sound.begin() + qint64(*done), count, chunk.begin());
        fillAudioFrame(frame.get(), chunk.data(), m_audioFrameSize);
        frame->pts = m_audioStart + qint64(*done);
        *done += count;
        return send(m_audio.get(), m_audioStream, frame.get(), error);
    }

    bool send(AVCodecContext* encoder, AVStream* stream, AVFrame* frame, QString* error)
    {
        return encodeAndWrite(m_output.get(), encoder, stream, frame, error);
    }

    const SwingClipRecipe& m_recipe;
    int m_ticksPerUnit = 1;
    OutputFilePtr m_output;
    AVStream* m_videoStream = nullptr;
    AVStream* m_audioStream = nullptr;
    CodecContextPtr m_video;
    CodecContextPtr m_audio;
    FramePtr m_picture;
    FramePtr m_coded;
    SwsContextPtr m_scaler;
    int m_audioFrameSize = 1024;
    qint64 m_audioStart = 0;
};

} // namespace

SwingTruth swingTruth(const SwingClipRecipe& recipe)
{
    SwingTruth truth;
    for (qint64 tick : frameTicks(recipe))
        truth.frameSeconds.push_back(double(tick) / (recipe.fps * kTicksPerFrame));
    const std::vector<double>& times = truth.frameSeconds;
    const auto nearest = [&](double seconds) {
        qint64 best = 0;
        for (qint64 i = 0; i < qint64(times.size()); ++i) {
            if (std::abs(times[size_t(i)] - seconds) < std::abs(times[size_t(best)] - seconds))
                best = i;
        }
        return best;
    };
    truth.impactS = impactSeconds(recipe);
    truth.impact = nearest(truth.impactS);
    truth.top = nearest(recipe.addressS + recipe.backswingS + recipe.pauseS / 2);
    for (qint64 i = 0; i < truth.frameCount(); ++i) {
        if (times[size_t(i)] <= recipe.addressS)
            truth.address = i;
        if (truth.finish < 0 && times[size_t(i)] >= truth.impactS + recipe.followS)
            truth.finish = i;
    }
    const auto ms = [&](qint64 frame) { return std::llround(times[size_t(frame)] * 1000); };
    truth.backswingMs = ms(truth.top) - ms(truth.address);
    truth.downswingMs = ms(truth.impact) - ms(truth.top);
    return truth;
}

std::vector<float> swingSound(const SwingClipRecipe& recipe)
{
    if (recipe.sound == SwingSound::None)
        return {};
    const auto count = size_t(std::llround((totalSeconds(recipe) - recipe.audioStartS) * recipe.sampleRate));
    std::vector<float> samples(count, 0.0f);
    if (recipe.sound == SwingSound::Silence)
        return samples;
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, recipe.noiseLevel);
    for (size_t i = 0; i < count; ++i) {
        const double t = recipe.audioStartS + double(i) / recipe.sampleRate;
        // Hiss, and the hum of a mains-powered light, twice as loud.
        samples[i] = float(noise(random) + 2 * recipe.noiseLevel * std::sin(2 * std::numbers::pi * 100 * t));
    }
    if (recipe.sound == SwingSound::Click)
        addClick(samples, recipe, impactSeconds(recipe), recipe.clickLevel, random);
    for (const SwingClipRecipe::Click& click : recipe.distractors)
        addClick(samples, recipe, click.seconds, click.level, random);
    return samples;
}

bool makeSwingClip(const QString& path, const SwingClipRecipe& recipe, QString* error)
{
    if (recipe.width < 16 || recipe.height < 16 || recipe.fps <= 0 || recipe.sampleRate <= 0 || recipe.channels <= 0)
        return failWith(error, QStringLiteral("invalid swing clip recipe"));
    return SwingWriter(recipe).write(path, error);
}

} // namespace kestrel::test
