#include "screenrec/RecordingSession.h"

#include "engine/FfmpegPtr.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <QByteArray>
#include <QFile>

#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

namespace kestrel {

namespace {

struct Failure {
    QString text;
};

void check(int result, const QString& what)
{
    if (result < 0)
        throw Failure{QStringLiteral("%1: %2").arg(what, averrorText(result))};
}

template <typename T> T* need(T* pointer, const QString& what)
{
    if (!pointer)
        throw Failure{what};
    return pointer;
}

struct DictionaryHolder {
    AVDictionary* dict = nullptr;
    ~DictionaryHolder() { av_dict_free(&dict); }
    void set(const char* key, const QString& value) { av_dict_set(&dict, key, value.toUtf8().constData(), 0); }
};

QString rateText(double fps)
{
    return QString::number(fps, 'g', 10);
}

} // namespace

// The output file, shared by the two worker threads.
struct Muxer {
    OutputFilePtr context;
    std::mutex mutex;
    bool headerWritten = false;

    // Any thread. Takes over the packet's data.
    int write(AVPacket* packet, const AVCodecContext* encoder, AVStream* stream)
    {
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        std::lock_guard lock(mutex);
        return av_interleaved_write_frame(context.get(), packet);
    }
};

// Sends one frame (nullptr to drain) and writes every packet that comes out.
static int encodeAndWrite(
    AVCodecContext* encoder, const AVFrame* frame, Muxer& muxer, AVStream* stream, AVPacket* packet)
{
    int result = avcodec_send_frame(encoder, frame);
    if (result < 0)
        return result;
    while ((result = avcodec_receive_packet(encoder, packet)) >= 0) {
        result = muxer.write(packet, encoder, stream);
        av_packet_unref(packet);
        if (result < 0)
            return result;
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF ? 0 : result;
}

static int interruptRequested(void* opaque)
{
    return static_cast<std::atomic<bool>*>(opaque)->load() ? 1 : 0;
}

struct RecordingSession::Impl {
    RecordingOptions options;
    Muxer muxer;
    bool fileCreated = false;
    std::atomic<bool> stopping{false};
    std::atomic<bool> running{false};
    std::atomic<qint64> framesWritten{0};
    mutable std::mutex errorMutex;
    QString lastError;

    // Picture: the screen grab, its decoder, the scaler and the encoder.
    InputPtr grab;
    CodecContextPtr grabDecoder;
    CodecContextPtr videoEncoder;
    SwsPtr scaler;
    int scalerSourceHeight = 0;
    AVStream* videoStream = nullptr;
    std::thread videoThread;

    // Sound, when a device is chosen.
    InputPtr soundInput;
    CodecContextPtr soundDecoder;
    CodecContextPtr audioEncoder;
    SwrPtr resampler;
    FifoPtr fifo;
    AVStream* audioStream = nullptr;
    std::thread audioThread;

    void noteError(const QString& text)
    {
        std::lock_guard lock(errorMutex);
        if (lastError.isEmpty())
            lastError = text;
    }

    InputPtr openInput(const char* formatName, const QString& url, DictionaryHolder& dictionary)
    {
        avdevice_register_all();
        const AVInputFormat* format
            = need(av_find_input_format(formatName), QStringLiteral("This FFmpeg has no %1 input").arg(formatName));
        AVFormatContext* context = need(avformat_alloc_context(), QStringLiteral("Out of memory"));
        context->interrupt_callback = {interruptRequested, &stopping};
        // avformat_open_input frees the context on failure.
        check(avformat_open_input(&context, url.toUtf8().constData(), format, &dictionary.dict),
            QStringLiteral("Cannot open %1 \"%2\"").arg(formatName, url));
        return InputPtr(context);
    }

    static CodecContextPtr openDecoder(const AVStream* stream)
    {
        const AVCodec* codec = need(
            avcodec_find_decoder(stream->codecpar->codec_id), QStringLiteral("No decoder for the captured stream"));
        CodecContextPtr decoder(need(avcodec_alloc_context3(codec), QStringLiteral("Out of memory")));
        check(avcodec_parameters_to_context(decoder.get(), stream->codecpar), QStringLiteral("Capture decoder"));
        check(avcodec_open2(decoder.get(), codec, nullptr), QStringLiteral("Capture decoder"));
        return decoder;
    }

    void openOutput()
    {
        const char* formatName = options.wmv ? "asf" : "avi";
        AVFormatContext* context = nullptr;
        const QByteArray path = options.outputFile.toUtf8();
        check(avformat_alloc_output_context2(&context, nullptr, formatName, path.constData()),
            QStringLiteral("Output format"));
        muxer.context.reset(context);
        if (options.outputFile.isEmpty())
            throw Failure{QStringLiteral("No output file is chosen")};
        check(avio_open(&context->pb, path.constData(), AVIO_FLAG_WRITE),
            QStringLiteral("Cannot write \"%1\"").arg(options.outputFile));
        fileCreated = true;
    }

    void openScreenGrab()
    {
        DictionaryHolder dictionary;
        dictionary.set("framerate", rateText(options.frameRate));
        dictionary.set("draw_mouse", options.drawMouse ? QStringLiteral("1") : QStringLiteral("0"));
        QString url = options.display.isEmpty() ? QString::fromLocal8Bit(qgetenv("DISPLAY")) : options.display;
        if (options.windowId) {
            dictionary.set("window_id", QString::number(options.windowId));
        } else if (options.captureRect.isValid()) {
            dictionary.set("video_size",
                QStringLiteral("%1x%2").arg(options.captureRect.width()).arg(options.captureRect.height()));
            url += QStringLiteral("+%1,%2").arg(options.captureRect.x()).arg(options.captureRect.y());
        }
        grab = openInput("x11grab", url, dictionary);
        if (grab->nb_streams < 1)
            throw Failure{QStringLiteral("The screen grab has no picture")};
        grabDecoder = openDecoder(grab->streams[0]);
    }

    void openVideoEncoder()
    {
        const QString encoderName = options.wmv ? QStringLiteral("wmv2")
            : options.videoEncoder.isEmpty()    ? QStringLiteral("rawvideo")
                                                : options.videoEncoder;
        const AVCodec* codec = need(avcodec_find_encoder_by_name(encoderName.toLatin1().constData()),
            QStringLiteral("The video compressor %1 is not available").arg(encoderName));
        videoEncoder.reset(need(avcodec_alloc_context3(codec), QStringLiteral("Out of memory")));
        AVCodecContext* enc = videoEncoder.get();

        const AVRational rate = av_d2q(options.frameRate, 100000);
        enc->time_base = av_inv_q(rate);
        enc->framerate = rate;
        if (options.wmv) {
            enc->width = options.profile.widthPx;
            enc->height = options.profile.heightPx;
            enc->bit_rate = options.profile.videoBitrate;
            enc->gop_size = std::max(1, int(std::lround(options.profile.keyFrameIntervalSec * options.frameRate)));
            enc->pix_fmt = AV_PIX_FMT_YUV420P;
        } else if (options.videoEncoder.isEmpty()) {
            enc->width = grabDecoder->width;
            enc->height = grabDecoder->height;
            enc->pix_fmt = AV_PIX_FMT_BGR24;
        } else {
            // Block-based compressors (Microsoft Video 1 works on 4x4 blocks)
            // need sizes they can divide; the grab is cropped by up to 3 pixels.
            enc->width = grabDecoder->width & ~3;
            enc->height = grabDecoder->height & ~3;
            enc->pix_fmt = codec->pix_fmts
                ? avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, grabDecoder->pix_fmt, 0, nullptr)
                : AV_PIX_FMT_BGR24;
            enc->bit_rate = std::max<qint64>(400000, qint64(enc->width * enc->height * options.frameRate * 0.1));
        }
        if (enc->width <= 0 || enc->height <= 0)
            throw Failure{QStringLiteral("The window to record is too small")};
        enc->sample_aspect_ratio = {1, 1};
        if (muxer.context->oformat->flags & AVFMT_GLOBALHEADER)
            enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

        DictionaryHolder dictionary;
        if (!options.wmv) {
            for (auto it = options.videoEncoderOptions.cbegin(); it != options.videoEncoderOptions.cend(); ++it)
                dictionary.set(it.key().toUtf8().constData(), it.value());
        }
        check(avcodec_open2(enc, codec, &dictionary.dict), QStringLiteral("Video compressor %1").arg(encoderName));

        videoStream = need(avformat_new_stream(muxer.context.get(), nullptr), QStringLiteral("Out of memory"));
        check(avcodec_parameters_from_context(videoStream->codecpar, enc), QStringLiteral("Video stream"));
        videoStream->time_base = enc->time_base;
        videoStream->avg_frame_rate = rate;
        videoStream->r_frame_rate = rate;

        // Source and destination sizes are equal when cropping: sws_scale then
        // reads only the top-left part of the grabbed picture.
        const int sourceWidth = options.wmv ? grabDecoder->width : enc->width;
        const int sourceHeight = options.wmv ? grabDecoder->height : enc->height;
        scalerSourceHeight = sourceHeight;
        scaler.reset(need(sws_getContext(sourceWidth, sourceHeight, grabDecoder->pix_fmt, enc->width, enc->height,
                              enc->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr),
            QStringLiteral("Cannot convert the screen picture for the video compressor")));
    }

    void openSound()
    {
        DictionaryHolder dictionary;
        soundInput = openInput(options.audioInputFormat.toLatin1().constData(), options.audioInputDevice, dictionary);
        if (soundInput->nb_streams < 1)
            throw Failure{QStringLiteral("The sound input has no audio")};
        soundDecoder = openDecoder(soundInput->streams[0]);

        const QString encoderName = options.wmv ? QStringLiteral("wmav2")
            : options.audioEncoder.isEmpty()    ? QStringLiteral("pcm_s16le")
                                                : options.audioEncoder;
        const AVCodec* codec = need(avcodec_find_encoder_by_name(encoderName.toLatin1().constData()),
            QStringLiteral("The audio compressor %1 is not available").arg(encoderName));
        audioEncoder.reset(need(avcodec_alloc_context3(codec), QStringLiteral("Out of memory")));
        AVCodecContext* enc = audioEncoder.get();

        int channels = std::min(2, soundDecoder->ch_layout.nb_channels);
        int sampleRate = soundDecoder->sample_rate;
        if (options.wmv) {
            channels = options.profile.audioChannels;
            sampleRate = options.profile.audioSampleRate;
            enc->bit_rate = options.profile.audioBitrate;
        } else if (codec->supported_samplerates) {
            // Nearest rate the compressor offers.
            int best = codec->supported_samplerates[0];
            for (const int* r = codec->supported_samplerates; *r; ++r) {
                if (std::abs(*r - sampleRate) < std::abs(best - sampleRate))
                    best = *r;
            }
            sampleRate = best;
        }
        if (!options.wmv && !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) && enc->bit_rate == 0)
            enc->bit_rate = 128000;
        av_channel_layout_default(&enc->ch_layout, std::max(1, channels));
        enc->sample_rate = sampleRate;
        enc->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        enc->time_base = {1, sampleRate};
        if (muxer.context->oformat->flags & AVFMT_GLOBALHEADER)
            enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        check(avcodec_open2(enc, codec, nullptr), QStringLiteral("Audio compressor %1").arg(encoderName));

        audioStream = need(avformat_new_stream(muxer.context.get(), nullptr), QStringLiteral("Out of memory"));
        check(avcodec_parameters_from_context(audioStream->codecpar, enc), QStringLiteral("Audio stream"));
        audioStream->time_base = enc->time_base;

        SwrContext* swr = nullptr;
        check(swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &soundDecoder->ch_layout,
                  soundDecoder->sample_fmt, soundDecoder->sample_rate, 0, nullptr),
            QStringLiteral("Sound conversion"));
        resampler.reset(swr);
        check(swr_init(swr), QStringLiteral("Sound conversion"));
        fifo.reset(need(
            av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 4096), QStringLiteral("Out of memory")));
    }

    // Video worker thread: grab, convert, encode, write until asked to stop.
    void recordPicture()
    {
        PacketPtr grabbed(av_packet_alloc());
        PacketPtr encoded(av_packet_alloc());
        FramePtr decoded(av_frame_alloc());
        FramePtr converted(av_frame_alloc());
        AVCodecContext* enc = videoEncoder.get();
        converted->format = enc->pix_fmt;
        converted->width = enc->width;
        converted->height = enc->height;
        if (!grabbed || !encoded || !decoded || !converted || av_frame_get_buffer(converted.get(), 64) < 0) {
            noteError(QStringLiteral("Out of memory"));
            return;
        }
        qint64 nextPts = 0;
        int64_t firstGrabTime = AV_NOPTS_VALUE;
        const AVRational grabTimeBase = grab->streams[0]->time_base;
        while (!stopping) {
            int result = av_read_frame(grab.get(), grabbed.get());
            if (result == AVERROR(EAGAIN))
                continue;
            if (result < 0) {
                if (!stopping)
                    noteError(QStringLiteral("Screen grab: %1").arg(averrorText(result)));
                break;
            }
            result = avcodec_send_packet(grabDecoder.get(), grabbed.get());
            av_packet_unref(grabbed.get());
            while (result >= 0 && avcodec_receive_frame(grabDecoder.get(), decoded.get()) >= 0) {
                // The scaler was set up for the size at the start.
                if (decoded->width != grabDecoder->width || decoded->height < scalerSourceHeight) {
                    av_frame_unref(decoded.get());
                    continue;
                }
                // The frame's place on the file's time line comes from the
                // grab's wall clock: when the machine cannot keep up, frames
                // are dropped (AVI repeats the previous one) instead of the
                // recording playing back too fast. x11grab catches up in a
                // burst with equal times; those extra frames are dropped too.
                const int64_t grabTime = decoded->pts != AV_NOPTS_VALUE ? decoded->pts : decoded->best_effort_timestamp;
                if (firstGrabTime == AV_NOPTS_VALUE)
                    firstGrabTime = grabTime;
                const int64_t slot = av_rescale_q_rnd(grabTime - firstGrabTime, grabTimeBase, enc->time_base,
                    AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
                if (slot < nextPts) {
                    av_frame_unref(decoded.get());
                    continue;
                }
                nextPts = slot + 1;
                converted->pts = slot;
                result = av_frame_make_writable(converted.get());
                if (result >= 0) {
                    sws_scale(scaler.get(), decoded->data, decoded->linesize, 0, scalerSourceHeight, converted->data,
                        converted->linesize);
                    result = encodeAndWrite(enc, converted.get(), muxer, videoStream, encoded.get());
                    if (result >= 0)
                        ++framesWritten;
                }
                av_frame_unref(decoded.get());
            }
            if (result < 0) {
                noteError(QStringLiteral("Video compressor: %1").arg(averrorText(result)));
                break;
            }
        }
        const int result = encodeAndWrite(enc, nullptr, muxer, videoStream, encoded.get());
        if (result < 0)
            noteError(QStringLiteral("Video compressor: %1").arg(averrorText(result)));
    }

    // Audio worker thread: the sound input into the audio compressor.
    void recordSound()
    {
        PacketPtr captured(av_packet_alloc());
        PacketPtr encoded(av_packet_alloc());
        FramePtr decoded(av_frame_alloc());
        AVCodecContext* enc = audioEncoder.get();
        const bool variableSize = enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
        const int frameSamples = enc->frame_size > 0 && !variableSize ? enc->frame_size : 1024;
        qint64 nextPts = 0;
        auto encodeFromFifo = [&](bool finishing) {
            while (
                av_audio_fifo_size(fifo.get()) >= frameSamples || (finishing && av_audio_fifo_size(fifo.get()) > 0)) {
                const int samples = std::min(frameSamples, av_audio_fifo_size(fifo.get()));
                if (samples < frameSamples && !variableSize
                    && !(enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME))
                    return 0; // a short last frame this compressor cannot take is dropped
                FramePtr frame(av_frame_alloc());
                frame->nb_samples = samples;
                frame->format = enc->sample_fmt;
                frame->sample_rate = enc->sample_rate;
                av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
                if (av_frame_get_buffer(frame.get(), 0) < 0)
                    return AVERROR(ENOMEM);
                av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->data), samples);
                frame->pts = nextPts;
                nextPts += samples;
                const int result = encodeAndWrite(enc, frame.get(), muxer, audioStream, encoded.get());
                if (result < 0)
                    return result;
            }
            return 0;
        };
        int result = 0;
        while (!stopping && result >= 0) {
            result = av_read_frame(soundInput.get(), captured.get());
            if (result == AVERROR(EAGAIN)) {
                result = 0;
                continue;
            }
            if (result < 0)
                break;
            result = avcodec_send_packet(soundDecoder.get(), captured.get());
            av_packet_unref(captured.get());
            while (result >= 0 && avcodec_receive_frame(soundDecoder.get(), decoded.get()) >= 0) {
                const int capacity = swr_get_out_samples(resampler.get(), decoded->nb_samples);
                uint8_t** buffer = nullptr;
                result = av_samples_alloc_array_and_samples(
                    &buffer, nullptr, enc->ch_layout.nb_channels, capacity, enc->sample_fmt, 0);
                if (result >= 0) {
                    const int converted = swr_convert(resampler.get(), buffer, capacity,
                        const_cast<const uint8_t**>(decoded->extended_data), decoded->nb_samples);
                    if (converted > 0)
                        av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(buffer), converted);
                    result = converted < 0 ? converted : 0;
                    av_freep(&buffer[0]);
                    av_freep(&buffer);
                }
                av_frame_unref(decoded.get());
                if (result >= 0)
                    result = encodeFromFifo(false);
            }
        }
        if (result < 0 && !stopping)
            noteError(QStringLiteral("Sound: %1").arg(averrorText(result)));
        if (encodeFromFifo(true) < 0 || encodeAndWrite(enc, nullptr, muxer, audioStream, encoded.get()) < 0)
            noteError(QStringLiteral("Audio compressor failed at the end of the recording"));
    }
};

RecordingSession::RecordingSession(RecordingOptions options)
    : d(std::make_unique<Impl>())
{
    d->options = std::move(options);
}

RecordingSession::~RecordingSession()
{
    stop();
}

bool RecordingSession::start(QString* error)
{
    if (d->running)
        return true;
    try {
        if (!(d->options.frameRate > 0 && d->options.frameRate <= 1000))
            throw Failure{QStringLiteral("The frame rate must lie between 0 and 1000")};
        d->openOutput();
        d->openScreenGrab();
        d->openVideoEncoder();
        if (!d->options.audioInputFormat.isEmpty())
            d->openSound();
        check(avformat_write_header(d->muxer.context.get(), nullptr), QStringLiteral("Cannot start the file"));
        d->muxer.headerWritten = true;
    } catch (const Failure& failure) {
        if (error)
            *error = failure.text;
        d->muxer.context.reset();
        // A file that never got its header is no recording.
        if (d->fileCreated)
            QFile::remove(d->options.outputFile);
        return false;
    }
    d->running = true;
    d->videoThread = std::thread([this] { d->recordPicture(); });
    if (d->soundInput)
        d->audioThread = std::thread([this] { d->recordSound(); });
    return true;
}

void RecordingSession::stop()
{
    if (!d->running)
        return;
    d->stopping = true;
    if (d->videoThread.joinable())
        d->videoThread.join();
    if (d->audioThread.joinable())
        d->audioThread.join();
    const int result = av_write_trailer(d->muxer.context.get());
    if (result < 0)
        d->noteError(QStringLiteral("Finishing the file: %1").arg(averrorText(result)));
    d->muxer.context.reset();
    d->running = false;
}

bool RecordingSession::isRunning() const
{
    return d->running;
}

qint64 RecordingSession::framesWritten() const
{
    return d->framesWritten;
}

QString RecordingSession::lastError() const
{
    std::lock_guard lock(d->errorMutex);
    return d->lastError;
}

} // namespace kestrel
