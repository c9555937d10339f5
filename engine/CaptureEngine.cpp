#include "engine/CaptureEngine.h"

#include "engine/AviWriter.h"
#include "engine/FfmpegPtr.h"
#include "engine/PaddedPicture.h"
#include "engine/PictureConverter.h"
#include "engine/RecordingClock.h"
#include "engine/V4l2Device.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
}

#include <QDir>
#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <optional>
#include <thread>

namespace kestrel {

namespace {

using Clock = std::chrono::steady_clock;

const QString kVirtualName = QStringLiteral("Kestrel virtual test pattern camera");

// What the virtual camera offers: the usual capture sizes in packed RGB and YUV.
CaptureFormatTable virtualFormats()
{
    CaptureFormatTable table;
    static constexpr int sizes[][2] = {{320, 240}, {640, 480}, {800, 600}, {1280, 720}};
    for (const auto& s : sizes)
        table.append({s[0], s[1], 24, QStringLiteral("RGB")});
    for (const auto& s : sizes)
        table.append({s[0], s[1], 16, QStringLiteral("YUY2")});
    return table;
}

struct DictFree {
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};

} // namespace

struct CaptureEngine::Device {
    QString name;
    QString url; // device node; empty for the virtual camera
    bool isVirtual = false;
};

// The live preview: converts one picture at a time for the UI; while the UI
// has not shown the last one, newer pictures pass by instead of piling up.
class PreviewSink : public PictureSink {
public:
    explicit PreviewSink(CaptureEngine* engine, std::function<void(const QImage&)> deliver)
        : m_engine(engine)
        , m_deliver(std::move(deliver))
        , m_converter(0, QSize(), SWS_POINT)
    {
    }
    // Device thread.
    void takePicture(const TimedPicture& picture) override
    {
        if (m_pending->exchange(true))
            return;
        QImage image = m_converter.convert(picture.frame.get());
        if (image.isNull()) {
            *m_pending = false;
            return;
        }
        // The engine outlives the call; this sink may not.
        QMetaObject::invokeMethod(
            m_engine,
            [pending = m_pending, deliver = m_deliver, image] {
                *pending = false;
                deliver(image);
            },
            Qt::QueuedConnection);
    }

private:
    CaptureEngine* m_engine;
    std::function<void(const QImage&)> m_deliver;
    PictureConverter m_converter;
    std::shared_ptr<std::atomic<bool>> m_pending = std::make_shared<std::atomic<bool>>(false);
};

// One open device with the thread that reads it.
struct CaptureEngine::Session {
    InputPtr input;
    CodecContextPtr decoder;
    int streamIndex = -1;
    bool paceByClock = false; // the virtual camera delivers as fast as it is read
    double devicePictureRate = 30;
    RecordingClock clock; // the engine's: see Impl::clock
    std::thread worker;
    std::atomic<bool> stop{false};

    std::mutex sinksMutex; // guards sinks
    std::vector<std::shared_ptr<PictureSink>> sinks;

    std::mutex painterMutex; // guards painter
    VirtualPainter painter;
    PictureConverter painterInput{0, QSize(), SWS_POINT};
    SwsPtr painterOutput;

    void addSink(std::shared_ptr<PictureSink> sink)
    {
        std::lock_guard lock(sinksMutex);
        sinks.push_back(std::move(sink));
    }
    void removeSink(const std::shared_ptr<PictureSink>& sink)
    {
        std::lock_guard lock(sinksMutex);
        sinks.erase(std::remove(sinks.begin(), sinks.end(), sink), sinks.end());
    }

    void setPainter(VirtualPainter newPainter)
    {
        std::lock_guard lock(painterMutex);
        painter = std::move(newPainter);
    }

    // Device thread.
    void run(CaptureEngine* engine);
    void handOn(const AVFrame* frame, qint64 captureUs);
    FramePtr painted(const AVFrame* frame, qint64 frameIndex);
};

// A recording: the writer, the queue in front of it and the encoder thread.
struct Recording {
    QString path;
    std::unique_ptr<AviWriter> writer;
    std::shared_ptr<QueuedEncoder> encoder;
};

struct CaptureEngine::Impl {
    std::vector<Device> devices;
    mutable std::shared_ptr<const AviEncoders> encoders;
    int deviceIndex = 0;
    double frameRate = 30;
    int codecIndex = -1;
    EncoderSettings encoderSettings;
    QString captureFile;
    int requestedWidth = 0;
    int requestedHeight = 0;
    QString format;
    QString error;
    QImage lastPreview;
    int minimumEncodeMs = 0;
    std::unique_ptr<Session> session;
    std::shared_ptr<PreviewSink> preview;
    std::vector<std::shared_ptr<PictureSink>> addedSinks; // by addPictureSink, for every session
    // Started when a device first opens and kept across reconnections, so
    // that the stamps a sink sees never go back.
    RecordingClock clock;
    VirtualPainter virtualPainter;
    std::unique_ptr<Recording> recording; // capturing
    std::vector<std::unique_ptr<Recording>> finishing; // stopped, still draining
    QueuedEncoder::Progress lastStats; // of the last recording that ended

    const Device* chosenDevice() const
    {
        return deviceIndex >= 0 && deviceIndex < int(devices.size()) ? &devices[deviceIndex] : nullptr;
    }
};

CaptureEngine::CaptureEngine(std::shared_ptr<const AviEncoders> encoders, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Impl>())
{
    d->encoders = std::move(encoders);
    avdevice_register_all();
}

CaptureEngine::~CaptureEngine()
{
    closeSession();
    // Recordings still draining are completed, not lost.
    for (auto& recording : d->finishing)
        recording->encoder->wait();
}

int CaptureEngine::DeviceCount()
{
    d->devices.clear();
    if (const AVInputFormat* v4l2 = av_find_input_format("video4linux2")) {
        AVDeviceInfoList* list = nullptr;
        const int previousLevel = av_log_get_level();
        av_log_set_level(AV_LOG_QUIET); // "no devices" is an ordinary answer, not a warning
        if (avdevice_list_input_sources(v4l2, nullptr, nullptr, &list) >= 0 && list) {
            for (int i = 0; i < list->nb_devices; ++i) {
                const AVDeviceInfo* info = list->devices[i];
                Device device;
                device.url = QString::fromUtf8(info->device_name);
                device.name = info->device_description && *info->device_description
                    ? QString::fromUtf8(info->device_description)
                    : device.url;
                d->devices.push_back(device);
            }
        }
        av_log_set_level(previousLevel);
        avdevice_free_list_devices(&list);
    }
    if (qEnvironmentVariable("KESTREL_VIRTUAL_CAMERA") == QLatin1String("1"))
        d->devices.push_back(Device{kVirtualName, QString(), true});
    return int(d->devices.size());
}

QString CaptureEngine::DeviceName(int index) const
{
    return index >= 0 && index < int(d->devices.size()) ? d->devices[index].name : QString();
}

bool CaptureEngine::isVirtualDevice(int index) const
{
    return index >= 0 && index < int(d->devices.size()) && d->devices[index].isVirtual;
}

QString CaptureEngine::devicePath(int index) const
{
    return index >= 0 && index < int(d->devices.size()) ? d->devices[index].url : QString();
}

const AviEncoders& CaptureEngine::encoders() const
{
    if (!d->encoders)
        d->encoders = std::make_shared<const AviEncoders>();
    return *d->encoders;
}

int CaptureEngine::CodecCount() const
{
    return encoders().count();
}

QString CaptureEngine::CodecName(int index) const
{
    return encoders().readableName(index);
}

void CaptureEngine::setDeviceIndex(int index)
{
    d->deviceIndex = index;
}
int CaptureEngine::deviceIndex() const
{
    return d->deviceIndex;
}
void CaptureEngine::setFrameRate(double framesPerSecond)
{
    d->frameRate = framesPerSecond;
}
double CaptureEngine::frameRate() const
{
    return d->frameRate;
}
void CaptureEngine::setCodecIndex(int index)
{
    d->codecIndex = index;
}
int CaptureEngine::codecIndex() const
{
    return d->codecIndex;
}
void CaptureEngine::setEncoderSettings(const EncoderSettings& settings)
{
    d->encoderSettings = settings;
}
EncoderSettings CaptureEngine::encoderSettings() const
{
    return d->encoderSettings;
}
void CaptureEngine::setCaptureFileName(const QString& path)
{
    d->captureFile = path;
}
QString CaptureEngine::captureFileName() const
{
    return d->captureFile;
}
QString CaptureEngine::lastError() const
{
    return d->error;
}
QImage CaptureEngine::lastPreview() const
{
    return d->lastPreview;
}
QString CaptureEngine::format() const
{
    return d->format;
}

bool CaptureEngine::setConnected(bool connected)
{
    if (!connected) {
        closeSession();
        return true;
    }
    if (d->session)
        return true;
    return openSession();
}

bool CaptureEngine::isConnected() const
{
    return d->session != nullptr;
}

CaptureFormatTable CaptureEngine::FormatTable() const
{
    const Device* device = d->chosenDevice();
    if (!device)
        return {};
    if (device->isVirtual)
        return virtualFormats();
    return V4l2Device(device->url).formats();
}

bool CaptureEngine::SetFrameSize(int width, int height)
{
    if (IsCapturing())
        return false;
    d->requestedWidth = width;
    d->requestedHeight = height;
    if (!d->session)
        return true;
    closeSession();
    return openSession();
}

bool CaptureEngine::setFormat(const QString& shortName)
{
    if (IsCapturing())
        return false;
    const QString trimmed = shortName.trimmed();
    if (trimmed == d->format)
        return true;
    d->format = trimmed;
    if (!d->session)
        return true;
    closeSession();
    return openSession();
}

int CaptureEngine::FrameWidth() const
{
    return d->session ? d->session->decoder->width : d->requestedWidth;
}

int CaptureEngine::FrameHeight() const
{
    return d->session ? d->session->decoder->height : d->requestedHeight;
}

bool CaptureEngine::openSession()
{
    const Device* device = d->chosenDevice();
    if (!device) {
        d->error = QStringLiteral("No capture device is chosen.");
        return false;
    }
    auto session = std::make_unique<Session>();
    AVDictionary* rawOptions = nullptr;
    QString url;
    const AVInputFormat* inputFormat = nullptr;
    const double rate = d->frameRate > 0 ? d->frameRate : 30.0;
    if (device->isVirtual) {
        inputFormat = av_find_input_format("lavfi");
        const int w = d->requestedWidth > 0 ? d->requestedWidth : 640;
        const int h = d->requestedHeight > 0 ? d->requestedHeight : 480;
        const char* pixel = d->format.compare(QLatin1String("YUY2"), Qt::CaseInsensitive) == 0 ? "yuyv422" : "rgb24";
        url = QStringLiteral("testsrc2=size=%1x%2:rate=%3,format=%4").arg(w).arg(h).arg(rate).arg(QLatin1String(pixel));
        session->paceByClock = true;
    } else {
        inputFormat = av_find_input_format("video4linux2");
        url = device->url;
        if (d->requestedWidth > 0 && d->requestedHeight > 0)
            av_dict_set(&rawOptions, "video_size",
                QStringLiteral("%1x%2").arg(d->requestedWidth).arg(d->requestedHeight).toUtf8().constData(), 0);
        if (d->frameRate > 0)
            av_dict_set(&rawOptions, "framerate", QByteArray::number(d->frameRate).constData(), 0);
        const QString pixel = V4l2Device::ffmpegFormatName(d->format);
        if (!pixel.isEmpty())
            av_dict_set(&rawOptions, "input_format", pixel.toUtf8().constData(), 0);
    }
    std::unique_ptr<AVDictionary, DictFree> options(rawOptions);
    if (!inputFormat) {
        d->error = QStringLiteral("FFmpeg on this machine cannot read %1.").arg(device->isVirtual ? kVirtualName : url);
        return false;
    }

    AVFormatContext* input = avformat_alloc_context();
    if (!device->isVirtual)
        input->flags |= AVFMT_FLAG_NONBLOCK;
    AVDictionary* optionsIn = options.release();
    int result = avformat_open_input(&input, url.toUtf8().constData(), inputFormat, &optionsIn);
    options.reset(optionsIn);
    if (result < 0) {
        d->error = QStringLiteral("%1 cannot be opened: %2").arg(device->name, averrorText(result));
        return false;
    }
    session->input.reset(input);
    session->streamIndex = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (session->streamIndex < 0) {
        d->error = QStringLiteral("%1 delivers no video.").arg(device->name);
        return false;
    }
    const AVStream* stream = input->streams[session->streamIndex];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        d->error = QStringLiteral("%1 delivers a picture format FFmpeg cannot decode.").arg(device->name);
        return false;
    }
    session->decoder.reset(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(session->decoder.get(), stream->codecpar);
    if ((result = avcodec_open2(session->decoder.get(), codec, nullptr)) < 0) {
        d->error = QStringLiteral("%1: %2").arg(device->name, averrorText(result));
        return false;
    }
    const AVRational deviceRate = stream->avg_frame_rate.num ? stream->avg_frame_rate : stream->r_frame_rate;
    session->devicePictureRate = deviceRate.num && deviceRate.den ? av_q2d(deviceRate) : rate;

    d->session = std::move(session);
    d->preview = std::make_shared<PreviewSink>(this, [this](const QImage& picture) { deliverPreview(picture); });
    d->session->addSink(d->preview);
    for (const auto& sink : d->addedSinks)
        d->session->addSink(sink);
    if (device->isVirtual)
        d->session->setPainter(d->virtualPainter);
    if (!d->clock.isStarted())
        d->clock.start();
    d->session->clock = d->clock;
    d->session->worker = std::thread([session = d->session.get(), this] { session->run(this); });
    d->error.clear();
    return true;
}

void CaptureEngine::closeSession()
{
    if (!d->session)
        return;
    StopCapture();
    d->session->stop = true;
    if (d->session->worker.joinable())
        d->session->worker.join();
    d->session.reset();
    d->preview.reset();
}

bool CaptureEngine::StartCapture()
{
    if (!d->session) {
        d->error = QStringLiteral("No capture device is connected.");
        return false;
    }
    if (IsCapturing())
        return true;
    if (isFinishing()) {
        d->error = QStringLiteral("The previous recording is still being saved.");
        return false;
    }
    auto recording = std::make_unique<Recording>();
    recording->path = d->captureFile;
    recording->writer = std::make_unique<AviWriter>();
    const double rate = d->frameRate > 0 ? d->frameRate : d->session->devicePictureRate;
    if (!recording->writer->open(
            d->captureFile, encoders(), d->codecIndex, d->encoderSettings, FrameWidth(), FrameHeight(), rate)) {
        d->error = recording->writer->lastError();
        return false;
    }
    // Up to a second of pictures may wait, within a memory budget.
    constexpr qint64 kQueueBudgetBytes = 256 << 20;
    const qint64 pictureBytes
        = std::max(1, av_image_get_buffer_size(d->session->decoder->pix_fmt, FrameWidth(), FrameHeight(), 1));
    const int capacity
        = int(std::clamp<qint64>(std::min<qint64>(qint64(std::ceil(rate)), kQueueBudgetBytes / pictureBytes), 2, 120));
    recording->encoder = std::make_shared<QueuedEncoder>(*recording->writer, rate, capacity);
    recording->encoder->setMinimumEncodeMs(d->minimumEncodeMs);
    recording->encoder->setFinished([this](bool ok, const QString& error) {
        // Dropped by Qt if the engine is gone by then.
        QMetaObject::invokeMethod(
            this, [this, ok, error] { recordingEnded(ok, error); }, Qt::QueuedConnection);
    });
    recording->encoder->start(d->session->clock.nowUs());
    d->session->addSink(recording->encoder);
    d->recording = std::move(recording);
    QMetaObject::invokeMethod(this, &CaptureEngine::CaptureStarted, Qt::QueuedConnection);
    return true;
}

void CaptureEngine::StopCapture()
{
    if (!d->recording)
        return;
    if (d->session) {
        d->session->removeSink(d->recording->encoder);
        d->recording->encoder->stop(d->session->clock.nowUs());
    } else {
        d->recording->encoder->stop(d->recording->encoder->progress().recordedUs);
    }
    d->finishing.push_back(std::move(d->recording));
    QMetaObject::invokeMethod(this, &CaptureEngine::CaptureStopped, Qt::QueuedConnection);
}

bool CaptureEngine::IsCapturing() const
{
    return d->recording != nullptr;
}

bool CaptureEngine::isFinishing() const
{
    return !d->finishing.empty();
}

QueuedEncoder::Progress CaptureEngine::recordingStats() const
{
    if (d->recording)
        return d->recording->encoder->progress();
    if (!d->finishing.empty())
        return d->finishing.back()->encoder->progress();
    return d->lastStats;
}

void CaptureEngine::setMinimumEncodeMs(int ms)
{
    d->minimumEncodeMs = ms;
}

void CaptureEngine::addPictureSink(std::shared_ptr<PictureSink> sink)
{
    if (!sink || std::find(d->addedSinks.begin(), d->addedSinks.end(), sink) != d->addedSinks.end())
        return;
    d->addedSinks.push_back(sink);
    if (d->session)
        d->session->addSink(std::move(sink));
}

void CaptureEngine::removePictureSink(const std::shared_ptr<PictureSink>& sink)
{
    d->addedSinks.erase(std::remove(d->addedSinks.begin(), d->addedSinks.end(), sink), d->addedSinks.end());
    if (d->session)
        d->session->removeSink(sink);
}

void CaptureEngine::setVirtualCameraPainter(VirtualPainter painter)
{
    d->virtualPainter = std::move(painter);
    if (d->session && d->session->paceByClock)
        d->session->setPainter(d->virtualPainter);
}

double CaptureEngine::pictureRate() const
{
    if (d->frameRate > 0)
        return d->frameRate;
    return d->session ? d->session->devicePictureRate : 30.0;
}

void CaptureEngine::deliverPreview(const QImage& picture)
{
    d->lastPreview = picture;
    emit previewFrame(picture);
}

// A recording's encoder thread is done: the file is complete, or it failed
// (then possibly while still capturing, e.g. on a full disk).
void CaptureEngine::recordingEnded(bool ok, const QString& error)
{
    std::unique_ptr<Recording> ended;
    bool wasCapturing = false;
    for (auto it = d->finishing.begin(); it != d->finishing.end(); ++it) {
        if ((*it)->encoder->progress().finished) {
            ended = std::move(*it);
            d->finishing.erase(it);
            break;
        }
    }
    if (!ended && d->recording && d->recording->encoder->progress().finished) {
        if (d->session)
            d->session->removeSink(d->recording->encoder);
        ended = std::move(d->recording);
        wasCapturing = true;
    }
    if (!ended)
        return;
    ended->encoder->wait();
    d->lastStats = ended->encoder->progress();
    if (!ok)
        d->error = error;
    emit recordingFinished(ok, ended->path, error);
    if (!ok)
        emit captureError(error);
    if (wasCapturing)
        emit CaptureStopped();
}

void CaptureEngine::deviceFailed(const QString& reason)
{
    d->error = reason;
    StopCapture(); // keeps what was recorded so far
    emit captureError(reason);
}

// Device thread: reads, decodes and hands each picture on until told to stop.
void CaptureEngine::Session::run(CaptureEngine* engine)
{
    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    const Clock::time_point start = Clock::now();
    qint64 delivered = 0;
    while (!stop) {
        const int result = av_read_frame(input.get(), packet.get());
        if (result == AVERROR(EAGAIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        if (result < 0) {
            const QString reason
                = QStringLiteral("The capture device stopped delivering pictures: %1").arg(averrorText(result));
            QMetaObject::invokeMethod(
                engine, [engine, reason] { engine->deviceFailed(reason); }, Qt::QueuedConnection);
            return;
        }
        // The picture was taken when its packet arrived.
        const qint64 captureUs = clock.nowUs();
        if (packet->stream_index == streamIndex && avcodec_send_packet(decoder.get(), packet.get()) >= 0) {
            while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
                qint64 stampUs = captureUs;
                if (paceByClock) {
                    const auto due = start
                        + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>(delivered / devicePictureRate));
                    while (!stop && Clock::now() < due)
                        std::this_thread::sleep_for(
                            std::min<Clock::duration>(due - Clock::now(), std::chrono::milliseconds(20)));
                    stampUs = clock.nowUs();
                }
                if (!stop) {
                    FramePtr drawn = paceByClock ? painted(frame.get(), delivered) : nullptr;
                    handOn(drawn ? drawn.get() : frame.get(), stampUs);
                }
                ++delivered;
                av_frame_unref(frame.get());
            }
        }
        av_packet_unref(packet.get());
    }
}

// Device thread: the virtual camera's picture with the painter's drawing
// over it, in the picture's own pixel format; null without a painter.
FramePtr CaptureEngine::Session::painted(const AVFrame* frame, qint64 frameIndex)
{
    std::lock_guard lock(painterMutex);
    if (!painter)
        return nullptr;
    QImage picture = painterInput.convert(frame);
    if (picture.isNull())
        return nullptr;
    painter(picture, frameIndex);
    FramePtr result = makePaddedFrame(AVPixelFormat(frame->format), frame->width, frame->height);
    painterOutput.reset(
        sws_getCachedContext(painterOutput.release(), picture.width(), picture.height(), AV_PIX_FMT_BGRA, frame->width,
            frame->height, AVPixelFormat(frame->format), SWS_POINT, nullptr, nullptr, nullptr));
    if (!result || !painterOutput)
        return nullptr;
    const uint8_t* source[4] = {picture.constBits(), nullptr, nullptr, nullptr};
    const int sourceStride[4] = {int(picture.bytesPerLine()), 0, 0, 0};
    sws_scale(painterOutput.get(), source, sourceStride, 0, picture.height(), result->data, result->linesize);
    return result;
}

// Device thread.
void CaptureEngine::Session::handOn(const AVFrame* frame, qint64 captureUs)
{
    const TimedPicture picture{shareFrame(frame), captureUs};
    if (!picture.frame)
        return;
    std::vector<std::shared_ptr<PictureSink>> receivers;
    {
        std::lock_guard lock(sinksMutex);
        receivers = sinks;
    }
    for (const auto& sink : receivers)
        sink->takePicture(picture);
}

} // namespace kestrel
