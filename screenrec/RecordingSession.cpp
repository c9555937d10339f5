#include "screenrec/RecordingSession.h"

#include "engine/FfmpegPtr.h"
#include "engine/OutputFile.h"
#include "engine/PaddedPicture.h"
#include "engine/RecordingClock.h"
#include "screenrec/SoundAligner.h"
#include "screenrec/X11Grabber.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <QByteArray>
#include <QDir>

#include <atomic>
#include <cmath>
#include <cstring>
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

int interruptRequested(void* opaque)
{
    return static_cast<std::atomic<bool>*>(opaque)->load() ? 1 : 0;
}

// The largest size of `picture` that fits `box` with the same proportions, even.
QSize fitted(QSize picture, QSize box)
{
    QSize size = picture.scaled(box, Qt::KeepAspectRatio);
    return QSize(std::max(2, size.width() & ~1), std::max(2, size.height() & ~1));
}

} // namespace

// The output file, shared by the picture and sound threads.
struct Muxer {
    OutputFile file;
    OutputContextPtr context;
    std::mutex mutex;

    // Any thread. Takes over the packet's data.
    int write(AVPacket* packet, const AVCodecContext* encoder, AVStream* stream)
    {
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        std::lock_guard lock(mutex);
        return av_interleaved_write_frame(context.get(), packet);
    }
};

// AVI times sound by its bytes (a constant byte rate) or by its chunks (a
// constant duration each). Vorbis has neither: its packets vary in size and
// in length. Each packet is therefore padded with zero bytes (which Vorbis
// decoders ignore) so that the next one starts at the byte its time stamp
// stands for at the byte rate the file declares. A packet waits for the next
// one's time stamp before it is written. Sound thread.
class ConstantByteRate {
public:
    // leadSamples: how much later than its time stamp a packet's sound comes
    // out of the decoder's overlap-add, which AVI has no way to say.
    ConstantByteRate(double bytesPerSample, qint64 leadSamples)
        : m_bytesPerSample(bytesPerSample)
        , m_leadSamples(leadSamples)
        , m_pending(makePacket())
    {
    }
    // Hands over `packet` (time stamps in samples); returns the packet to
    // write now, padded, or nullptr while the first one waits.
    AVPacket* take(AVPacket* packet)
    {
        const bool had = m_pending->data != nullptr;
        if (had)
            pad(packet->pts);
        std::swap(m_out, m_pending);
        av_packet_unref(m_pending.get());
        av_packet_move_ref(m_pending.get(), packet);
        return had ? m_out.get() : nullptr;
    }
    // The waiting packet, padded to its own end; nullptr when none waits.
    AVPacket* flush()
    {
        if (!m_pending->data)
            return nullptr;
        pad(m_pending->pts + m_pending->duration);
        std::swap(m_out, m_pending);
        av_packet_unref(m_pending.get());
        return m_out.get();
    }

private:
    void pad(qint64 nextStartSamples)
    {
        const qint64 due = qint64(std::llround(double(nextStartSamples + m_leadSamples) * m_bytesPerSample));
        const qint64 missing = due - m_bytes - m_pending->size;
        if (missing > 0 && av_grow_packet(m_pending.get(), int(missing)) >= 0)
            std::memset(m_pending->data + m_pending->size - missing, 0, size_t(missing));
        m_bytes += m_pending->size;
    }

    double m_bytesPerSample;
    qint64 m_leadSamples;
    qint64 m_bytes = 0;
    PacketPtr m_pending;
    PacketPtr m_out = makePacket();
};

// Sends one frame (nullptr to drain) and writes every packet that comes out.
static int encodeAndWrite(AVCodecContext* encoder, const AVFrame* frame, Muxer& muxer, AVStream* stream,
    AVPacket* packet, ConstantByteRate* byteRate = nullptr)
{
    int result = avcodec_send_frame(encoder, frame);
    if (result < 0)
        return result;
    while ((result = avcodec_receive_packet(encoder, packet)) >= 0) {
        AVPacket* ready = byteRate ? byteRate->take(packet) : packet;
        result = ready ? muxer.write(ready, encoder, stream) : 0;
        av_packet_unref(packet);
        if (ready)
            av_packet_unref(ready);
        if (result < 0)
            return result;
    }
    if (result == AVERROR_EOF && byteRate) {
        if (AVPacket* last = byteRate->flush()) {
            result = muxer.write(last, encoder, stream);
            av_packet_unref(last);
            return std::min(result, 0);
        }
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF ? 0 : result;
}

// The video compressor behind the picture queue: converts the grabbed
// picture (letterboxed into a WMV profile's size), encodes it into the slot
// it is given and writes it. Encoder thread.
class ScreenVideoEncoder : public PictureEncoder {
public:
    ScreenVideoEncoder(Muxer& muxer, CodecContextPtr encoder, AVStream* stream, QSize grabSize)
        : m_muxer(muxer)
        , m_encoder(std::move(encoder))
        , m_stream(stream)
        , m_packet(makePacket())
    {
        AVCodecContext* enc = m_encoder.get();
        m_picture = makePaddedFrame(enc->pix_fmt, enc->width, enc->height);
        // Block compressors need sizes they can divide: the grab is cropped
        // by up to 3 pixels. A WMV profile's size takes the whole picture,
        // scaled with its proportions kept, in black bars.
        const QSize frameSize(enc->width, enc->height);
        const bool cropped = grabSize.width() >= enc->width && grabSize.height() >= enc->height
            && grabSize.width() - enc->width < 4 && grabSize.height() - enc->height < 4;
        m_source = cropped ? frameSize : grabSize; // the top-left part of a cropped grab is read
        m_placed = cropped ? frameSize : fitted(grabSize, frameSize);
        m_offset = QPoint((enc->width - m_placed.width()) / 2 & ~15, (enc->height - m_placed.height()) / 2 & ~1);
        m_scaler.reset(sws_getContext(m_source.width(), m_source.height(), AV_PIX_FMT_BGR0, m_placed.width(),
            m_placed.height(), enc->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (m_placed != frameSize)
            m_bars = makePaddedFrame(enc->pix_fmt, enc->width, enc->height);
        if (m_bars) {
            const ptrdiff_t lines[4]
                = {m_bars->linesize[0], m_bars->linesize[1], m_bars->linesize[2], m_bars->linesize[3]};
            av_image_fill_black(m_bars->data, lines, enc->pix_fmt, enc->color_range, enc->width, enc->height);
        }
    }

    bool isReady() const { return m_picture && m_scaler && m_packet && (m_placed == frameSize() || m_bars); }

    bool encodePicture(const AVFrame* frame, qint64 frameIndex) override
    {
        AVCodecContext* enc = m_encoder.get();
        if (av_frame_make_writable(m_picture.get()) < 0)
            return fail(AVERROR(ENOMEM));
        if (m_bars)
            av_frame_copy(m_picture.get(), m_bars.get());
        uint8_t* target[4] = {};
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(enc->pix_fmt);
        for (int plane = 0; plane < 4 && m_picture->data[plane]; ++plane) {
            const bool chroma = plane == 1 || plane == 2;
            const int x = chroma ? m_offset.x() >> desc->log2_chroma_w : m_offset.x();
            const int y = chroma ? m_offset.y() >> desc->log2_chroma_h : m_offset.y();
            const int bytesPerPixel
                = desc->comp[0].step > 0 && !(desc->flags & AV_PIX_FMT_FLAG_PLANAR) ? desc->comp[0].step : 1;
            target[plane] = m_picture->data[plane] + qsizetype(y) * m_picture->linesize[plane] + x * bytesPerPixel;
        }
        sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, m_source.height(), target, m_picture->linesize);
        if (m_bars)
            repaintBars();
        m_picture->pts = frameIndex;
        return write(m_picture.get());
    }

    bool finishFile() override { return write(nullptr); }
    QString lastError() const override { return m_error; }

private:
    QSize frameSize() const { return QSize(m_encoder->width, m_encoder->height); }

    // The scaler writes whole blocks and may reach into the bar on the right of
    // a row: the bars are copied back over.
    void repaintBars()
    {
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(m_encoder->pix_fmt);
        for (int plane = 0; plane < 4 && m_picture->data[plane]; ++plane) {
            const bool chroma = plane == 1 || plane == 2;
            const int shiftW = chroma ? desc->log2_chroma_w : 0;
            const int shiftH = chroma ? desc->log2_chroma_h : 0;
            const int rows = AV_CEIL_RSHIFT(m_encoder->height, shiftH);
            const int right = (m_offset.x() + m_placed.width()) >> shiftW;
            const int top = m_offset.y() >> shiftH;
            const int bottom = (m_offset.y() + m_placed.height()) >> shiftH;
            for (int y = 0; y < rows; ++y) {
                uint8_t* row = m_picture->data[plane] + qsizetype(y) * m_picture->linesize[plane];
                const uint8_t* bar = m_bars->data[plane] + qsizetype(y) * m_bars->linesize[plane];
                if (y < top || y >= bottom)
                    std::memcpy(row, bar, size_t(m_picture->linesize[plane]));
                else
                    std::memcpy(row + right, bar + right, size_t(m_picture->linesize[plane] - right));
            }
        }
    }

    bool write(const AVFrame* frame)
    {
        const int result = encodeAndWrite(m_encoder.get(), frame, m_muxer, m_stream, m_packet.get());
        return result >= 0 || fail(result);
    }

    bool fail(int code)
    {
        m_error = QStringLiteral("%1 cannot be written: %2")
                      .arg(QDir::toNativeSeparators(m_muxer.file.path()), OutputFile::writeErrorText(code));
        return false;
    }

    Muxer& m_muxer;
    CodecContextPtr m_encoder;
    AVStream* m_stream;
    PacketPtr m_packet;
    FramePtr m_picture;
    FramePtr m_bars; // black bars of a letterboxed picture
    SwsPtr m_scaler;
    QSize m_source;
    QSize m_placed;
    QPoint m_offset;
    QString m_error;
};

struct RecordingSession::Impl {
    RecordingOptions options;
    Finished finished;
    RecordingClock clock;
    Muxer muxer;
    std::atomic<bool> ending{false};
    std::atomic<bool> stopping{false};
    std::atomic<bool> soundStopping{false}; // interrupts a sound read that waits
    std::atomic<qint64> endUs{-1};
    std::atomic<bool> running{false};
    std::atomic<bool> done{false};
    mutable std::mutex errorMutex;
    QString lastError;
    QString endedBecause;

    // Picture.
    X11Grabber grabber;
    AVStream* videoStream = nullptr;
    std::unique_ptr<ScreenVideoEncoder> videoEncoder;
    std::unique_ptr<QueuedEncoder> queue;
    std::thread grabThread;

    // Sound, when a device is chosen.
    InputPtr soundInput;
    CodecContextPtr soundDecoder;
    CodecContextPtr audioEncoder;
    SwrPtr resampler;
    FifoPtr fifo;
    AVStream* audioStream = nullptr;
    std::unique_ptr<ConstantByteRate> byteRate; // Vorbis in AVI
    std::thread soundThread;

    std::thread finisher;

    void noteError(const QString& text)
    {
        std::lock_guard lock(errorMutex);
        if (lastError.isEmpty())
            lastError = text;
    }

    // Ends the recording now: `reason` when it ends by itself.
    void end(qint64 atUs, const QString& reason = {})
    {
        if (ending.exchange(true))
            return;
        {
            std::lock_guard lock(errorMutex);
            endedBecause = reason;
        }
        // The end is known before anyone sees the stop.
        endUs = std::max<qint64>(0, atUs);
        stopping = true;
    }

    InputPtr openInput(const char* formatName, const QString& url, DictionaryHolder& dictionary)
    {
        avdevice_register_all();
        const AVInputFormat* format
            = need(av_find_input_format(formatName), QStringLiteral("This FFmpeg has no %1 input").arg(formatName));
        AVFormatContext* context = need(avformat_alloc_context(), QStringLiteral("Out of memory"));
        context->interrupt_callback = {interruptRequested, &soundStopping};
        // avformat_open_input frees the context on failure.
        check(avformat_open_input(&context, url.toUtf8().constData(), format, &dictionary.dict),
            QStringLiteral("Cannot open %1 \"%2\"").arg(formatName, url));
        return InputPtr(context);
    }

    static CodecContextPtr openDecoder(const AVStream* stream)
    {
        const AVCodec* codec = need(
            avcodec_find_decoder(stream->codecpar->codec_id), QStringLiteral("No decoder for the captured sound"));
        CodecContextPtr decoder(need(avcodec_alloc_context3(codec), QStringLiteral("Out of memory")));
        check(avcodec_parameters_to_context(decoder.get(), stream->codecpar), QStringLiteral("Sound decoder"));
        check(avcodec_open2(decoder.get(), codec, nullptr), QStringLiteral("Sound decoder"));
        return decoder;
    }

    void openOutput()
    {
        if (options.outputFile.isEmpty())
            throw Failure{QStringLiteral("No output file is chosen")};
        AVFormatContext* context = nullptr;
        check(avformat_alloc_output_context2(&context, nullptr, options.wmv ? "asf" : "avi", nullptr),
            QStringLiteral("Output format"));
        muxer.context.reset(context);
        if (!muxer.file.open(options.outputFile))
            throw Failure{muxer.file.errorText()};
        context->pb = muxer.file.io();
        context->flags |= AVFMT_FLAG_CUSTOM_IO;
    }

    void openScreenGrab()
    {
        QString display = options.display.isEmpty() ? QString::fromLocal8Bit(qgetenv("DISPLAY")) : options.display;
        if (!grabber.open(display, options.windowId, options.captureRect, options.drawMouse))
            throw Failure{grabber.error()};
    }

    void openVideoEncoder()
    {
        const QString encoderName = options.wmv ? QStringLiteral("wmv2")
            : options.videoEncoder.isEmpty()    ? QStringLiteral("rawvideo")
                                                : options.videoEncoder;
        const AVCodec* codec = need(avcodec_find_encoder_by_name(encoderName.toLatin1().constData()),
            QStringLiteral("The video compressor %1 is not available").arg(encoderName));
        CodecContextPtr encoder(need(avcodec_alloc_context3(codec), QStringLiteral("Out of memory")));
        AVCodecContext* enc = encoder.get();

        const QSize grabbed = grabber.pictureSize();
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
            enc->width = grabbed.width();
            enc->height = grabbed.height();
            enc->pix_fmt = AV_PIX_FMT_BGR24;
        } else {
            enc->width = grabbed.width() & ~3;
            enc->height = grabbed.height() & ~3;
            enc->pix_fmt = codec->pix_fmts
                ? avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGR0, 0, nullptr)
                : AV_PIX_FMT_BGR24;
            enc->bit_rate = std::max<qint64>(400000, qint64(enc->width * enc->height * options.frameRate * 0.1));
        }
        if (enc->width <= 0 || enc->height <= 0)
            throw Failure{QStringLiteral("The window to record is too small")};
        enc->sample_aspect_ratio = {1, 1};
        enc->thread_count = 0;
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

        videoEncoder = std::make_unique<ScreenVideoEncoder>(muxer, std::move(encoder), videoStream, grabbed);
        if (!videoEncoder->isReady())
            throw Failure{QStringLiteral("Cannot convert the screen picture for the video compressor")};
    }

    void openSound()
    {
        DictionaryHolder dictionary;
        // Small pieces, so that the time a piece arrives tells when it was taken.
        if (options.audioInputFormat == QLatin1String("pulse"))
            dictionary.set("fragment_size", QStringLiteral("960"));
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
        if (!options.wmv && codec->id == AV_CODEC_ID_VORBIS) {
            // Twice the average rate, so that padding, not overflow, is the rule.
            const qint64 declaredBitRate = 2 * std::max<qint64>(enc->bit_rate, 128000);
            audioStream->codecpar->bit_rate = declaredBitRate;
            audioStream->codecpar->block_align = 1; // timed by bytes...
            audioStream->codecpar->frame_size = 0; // ...not by chunks of the encoder's input size
            // Vorbis's long blocks hold 2048 samples at the rates used here;
            // the decoder hands out a block's samples one block late.
            byteRate = std::make_unique<ConstantByteRate>(double(declaredBitRate) / 8.0 / enc->sample_rate, 2048);
        }

        SwrContext* swr = nullptr;
        check(swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &soundDecoder->ch_layout,
                  soundDecoder->sample_fmt, soundDecoder->sample_rate, 0, nullptr),
            QStringLiteral("Sound conversion"));
        resampler.reset(swr);
        check(swr_init(swr), QStringLiteral("Sound conversion"));
        fifo.reset(need(
            av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 4096), QStringLiteral("Out of memory")));
    }

    // Grab thread: one picture at every frame time until the end.
    void grabPictures()
    {
        const QSize size = grabber.pictureSize();
        const int stride = int(paddedBytesPerLine(size.width(), 4));
        // Pictures come from a pool: the queue and the encoder hand them back.
        std::unique_ptr<AVBufferPool, void (*)(AVBufferPool*)> pool(
            av_buffer_pool_init(size_t(stride) * (size.height() + 1) + AV_INPUT_BUFFER_PADDING_SIZE, nullptr),
            [](AVBufferPool* p) { av_buffer_pool_uninit(&p); });
        const double periodUs = 1e6 / options.frameRate;
        qint64 tick = 0;
        while (!stopping) {
            const qint64 dueUs = qint64(double(tick) * periodUs);
            while (!stopping && clock.nowUs() < dueUs)
                std::this_thread::sleep_for(std::chrono::microseconds(std::min<qint64>(dueUs - clock.nowUs(), 20000)));
            if (stopping)
                break;
            const qint64 captureUs = clock.nowUs();
            FramePtr frame = makeFrame();
            frame->buf[0] = av_buffer_pool_get(pool.get());
            if (!frame->buf[0]) {
                noteError(QStringLiteral("Out of memory"));
                end(captureUs, QStringLiteral("the computer ran out of memory"));
                break;
            }
            frame->data[0] = frame->buf[0]->data;
            frame->linesize[0] = stride;
            frame->format = AV_PIX_FMT_BGR0;
            frame->width = size.width();
            frame->height = size.height();
            const X11Grabber::Result result = grabber.grab(frame.get());
            if (result != X11Grabber::Result::Picture) {
                if (result == X11Grabber::Result::Failed)
                    noteError(grabber.error());
                end(captureUs, X11Grabber::reasonText(result));
                break;
            }
            queue->takePicture({shareFrame(frame.get()), captureUs});
            // A grab that took longer than a frame skips the times it missed.
            tick = std::max(tick + 1, qint64(double(clock.nowUs()) / periodUs) + 1);
        }
        queue->stop(endUs);
    }

    // Sound thread: the sound input, stamped with the recording's clock, into
    // the audio compressor, until the end of the pictures.
    void recordSound()
    {
        PacketPtr captured = makePacket();
        PacketPtr encoded = makePacket();
        FramePtr decoded = makeFrame();
        AVCodecContext* enc = audioEncoder.get();
        const bool variableSize = enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
        const int frameSamples = enc->frame_size > 0 && !variableSize ? enc->frame_size : 1024;
        const int channels = enc->ch_layout.nb_channels;
        // Within a quarter of a frame, jitter of the input is let be.
        SoundAligner aligner(enc->sample_rate, qint64(250000 / options.frameRate));
        qint64 nextPts = 0;
        int result = 0;

        auto encodeFromFifo = [&](bool finishing) {
            while (
                av_audio_fifo_size(fifo.get()) >= frameSamples || (finishing && av_audio_fifo_size(fifo.get()) > 0)) {
                const int samples = std::min(frameSamples, av_audio_fifo_size(fifo.get()));
                FramePtr frame = makeFrame();
                // A short last frame is filled up with silence for compressors that need whole frames.
                frame->nb_samples = variableSize || (enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)
                    ? samples
                    : frameSamples;
                frame->format = enc->sample_fmt;
                frame->sample_rate = enc->sample_rate;
                av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
                if (av_frame_get_buffer(frame.get(), 0) < 0)
                    return AVERROR(ENOMEM);
                av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, channels, enc->sample_fmt);
                av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->extended_data), samples);
                frame->pts = nextPts;
                nextPts += frame->nb_samples;
                const int written = encodeAndWrite(enc, frame.get(), muxer, audioStream, encoded.get(), byteRate.get());
                if (written < 0)
                    return written;
            }
            return 0;
        };
        auto addSilence = [&](qint64 samples) {
            uint8_t** buffer = nullptr;
            while (samples > 0) {
                const int chunk = int(std::min<qint64>(samples, 4096));
                if (av_samples_alloc_array_and_samples(&buffer, nullptr, channels, chunk, enc->sample_fmt, 0) < 0)
                    return AVERROR(ENOMEM);
                av_samples_set_silence(buffer, 0, chunk, channels, enc->sample_fmt);
                av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(buffer), chunk);
                av_freep(&buffer[0]);
                av_freep(&buffer);
                samples -= chunk;
                const int written = encodeFromFifo(false);
                if (written < 0)
                    return written;
            }
            return 0;
        };

        while (result >= 0) {
            if (stopping && aligner.position() >= qint64(double(endUs) * enc->sample_rate / 1e6))
                break; // the sound has reached the end of the pictures
            result = av_read_frame(soundInput.get(), captured.get());
            if (result == AVERROR(EAGAIN)) {
                result = 0;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            if (result < 0)
                break;
            // The packet's last sample was taken just now. (The sound inputs' own
            // stamps lean on the server's latency reports, which can be off by
            // more than half a second, e.g. for a monitor source.)
            const int inputSamples = av_get_audio_frame_duration2(soundInput->streams[0]->codecpar, captured->size);
            const qint64 arrivalUs = clock.nowUs();
            const qint64 captureUs = arrivalUs - qint64(inputSamples) * 1000000 / std::max(1, soundDecoder->sample_rate)
                - queue->originUs();
            result = avcodec_send_packet(soundDecoder.get(), captured.get());
            av_packet_unref(captured.get());
            qint64 chunkUs = captureUs;
            while (result >= 0 && avcodec_receive_frame(soundDecoder.get(), decoded.get()) >= 0) {
                const int capacity = swr_get_out_samples(resampler.get(), decoded->nb_samples);
                uint8_t** buffer = nullptr;
                result = av_samples_alloc_array_and_samples(&buffer, nullptr, channels, capacity, enc->sample_fmt, 0);
                if (result >= 0) {
                    const int converted = swr_convert(resampler.get(), buffer, capacity,
                        const_cast<const uint8_t**>(decoded->extended_data), decoded->nb_samples);
                    if (converted > 0) {
                        const SoundAligner::Step step = aligner.place(chunkUs, converted);
                        if (step.silence > 0)
                            result = addSilence(step.silence);
                        if (result >= 0 && step.skip < converted) {
                            uint8_t* from[AV_NUM_DATA_POINTERS] = {};
                            const int bytes = av_get_bytes_per_sample(enc->sample_fmt);
                            const bool planar = av_sample_fmt_is_planar(enc->sample_fmt);
                            for (int c = 0; c < (planar ? channels : 1); ++c)
                                from[c] = buffer[c] + step.skip * bytes * (planar ? 1 : channels);
                            av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(from), int(converted - step.skip));
                        }
                        chunkUs += qint64(converted) * 1000000 / enc->sample_rate;
                    }
                    if (converted < 0)
                        result = converted;
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
        // The sound lasts as long as the pictures: what is missing at the end is silence.
        int ending = addSilence(aligner.paddingUntil(endUs));
        if (ending >= 0)
            ending = encodeFromFifo(true);
        if (ending >= 0)
            ending = encodeAndWrite(enc, nullptr, muxer, audioStream, encoded.get(), byteRate.get());
        if (ending < 0)
            noteError(QStringLiteral("%1 cannot be written: %2")
                          .arg(QDir::toNativeSeparators(options.outputFile), OutputFile::writeErrorText(ending)));
    }

    // Finisher thread: waits for pictures and sound, then completes the file.
    void finish(bool picturesOk, const QString& pictureError)
    {
        if (!picturesOk && !pictureError.isEmpty())
            noteError(pictureError);
        if (!picturesOk)
            end(queue->progress().recordedUs, QStringLiteral("the file could not be written"));
        grabThread.join();
        if (soundThread.joinable()) {
            // A sound input that delivers nothing more must not hold up the end.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (!soundFinished && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            soundStopping = true;
            soundThread.join();
        }
        bool ok = picturesOk && queue->progress().written > 0;
        if (ok) {
            const int result = av_write_trailer(muxer.context.get());
            if (result < 0) {
                noteError(QStringLiteral("%1 cannot be written: %2")
                              .arg(QDir::toNativeSeparators(options.outputFile), OutputFile::writeErrorText(result)));
                ok = false;
            }
        }
        if (ok && !muxer.file.commit()) {
            noteError(muxer.file.errorText());
            ok = false;
        }
        if (!ok)
            muxer.file.cancel();
        muxer.context.reset();
        QString error;
        QString ended;
        {
            std::lock_guard lock(errorMutex);
            error = lastError;
            ended = endedBecause;
        }
        done = true;
        running = false;
        if (finished)
            finished(ok, error, ended);
    }

    std::atomic<bool> soundFinished{false};
};

RecordingSession::RecordingSession(RecordingOptions options)
    : d(std::make_unique<Impl>())
{
    d->options = std::move(options);
}

RecordingSession::~RecordingSession()
{
    stop();
    wait();
}

void RecordingSession::setFinished(Finished finished)
{
    d->finished = std::move(finished);
}

bool RecordingSession::start(QString* error)
{
    if (d->running || d->done)
        return false;
    try {
        if (!(d->options.frameRate > 0 && d->options.frameRate <= 1000))
            throw Failure{QStringLiteral("The frame rate must lie between 0 and 1000")};
        d->openScreenGrab();
        d->openOutput();
        d->openVideoEncoder();
        if (!d->options.audioInputFormat.isEmpty())
            d->openSound();
        const int result = avformat_write_header(d->muxer.context.get(), nullptr);
        if (result < 0)
            throw Failure{
                QStringLiteral("%1 cannot be written: %2")
                    .arg(QDir::toNativeSeparators(d->options.outputFile), OutputFile::writeErrorText(result))};
    } catch (const Failure& failure) {
        if (error)
            *error = failure.text;
        d->muxer.context.reset();
        d->muxer.file.cancel(); // a file that never got its header is no recording
        return false;
    }
    // Up to a second of pictures may wait for the compressor.
    d->queue = std::make_unique<QueuedEncoder>(
        *d->videoEncoder, d->options.frameRate, std::clamp(int(std::ceil(d->options.frameRate)), 2, 60));
    d->queue->setFinished([this](bool ok, const QString& reason) {
        // The encoder thread ends here; the rest of the work goes to the finisher.
        d->finisher = std::thread([this, ok, reason] { d->finish(ok, reason); });
    });
    d->running = true;
    d->clock.start();
    d->queue->start(0);
    d->grabThread = std::thread([this] { d->grabPictures(); });
    if (d->soundInput) {
        d->soundThread = std::thread([this] {
            d->recordSound();
            d->soundFinished = true;
        });
    }
    return true;
}

void RecordingSession::stop()
{
    if (d->running)
        d->end(d->clock.nowUs());
}

void RecordingSession::wait()
{
    if (!d->queue)
        return;
    d->queue->wait();
    if (d->finisher.joinable())
        d->finisher.join();
}

bool RecordingSession::isRunning() const
{
    return d->running && !d->stopping;
}

bool RecordingSession::isFinished() const
{
    return d->done;
}

QSize RecordingSession::pictureSize() const
{
    return d->grabber.pictureSize();
}

QueuedEncoder::Progress RecordingSession::progress() const
{
    return d->queue ? d->queue->progress() : QueuedEncoder::Progress{};
}

qint64 RecordingSession::framesWritten() const
{
    return progress().written;
}

QString RecordingSession::lastError() const
{
    std::lock_guard lock(d->errorMutex);
    return d->lastError;
}

} // namespace kestrel
