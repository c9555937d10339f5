#include "engine/EncoderSpeed.h"

#include "engine/FfmpegPtr.h"
#include "engine/PaddedPicture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThreadPool>

namespace kestrel {

namespace {

// A desktop-like picture: flat panels, fine detail like text, a soft
// gradient, and a detailed block that moves with `frame`, so that inter-frame
// coders have work.
FramePtr drawPicture(QSize size, int frame)
{
    FramePtr picture = makePaddedFrame(AV_PIX_FMT_RGB24, size.width(), size.height());
    if (!picture)
        return nullptr;
    const int w = size.width();
    const int h = size.height();
    const int bx = (frame * 17) % std::max(1, w - w / 6);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = picture->data[0] + qsizetype(y) * picture->linesize[0];
        for (int x = 0; x < w; ++x) {
            uint8_t value;
            if (x >= bx && x < bx + w / 6 && y > h / 2 && y < h / 2 + h / 6)
                value = uint8_t((x * 31 + y * 17 + frame * 5) & 0xff);
            else if (y < h / 10)
                value = 60;
            else if (x < w / 5)
                value = uint8_t(200 + (y % 7));
            else if ((y / 14) % 2 == 0 && (x * 7 + y * 13) % 11 < 4)
                value = 20;
            else
                value = uint8_t(120 + (x + y) % 90);
            row[3 * x] = value;
            row[3 * x + 1] = uint8_t(value ^ (y < h / 10 ? 0x30 : 0));
            row[3 * x + 2] = uint8_t(255 - value / 2);
        }
    }
    return picture;
}

} // namespace

EncoderSpeed::EncoderSpeed(QObject* parent)
    : QObject(parent)
{
}

EncoderSpeed::~EncoderSpeed()
{
    waitForAll();
}

double EncoderSpeed::measure(const QString& encoderName, QSize size, int budgetMs)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(encoderName.toLatin1().constData());
    if (!codec || size.isEmpty())
        return 0;
    CodecContextPtr encoder(avcodec_alloc_context3(codec));
    AVCodecContext* c = encoder.get();
    c->width = size.width();
    c->height = size.height();
    c->time_base = AVRational{1, 25};
    c->framerate = AVRational{25, 1};
    c->gop_size = 12;
    c->thread_count = 0;
    c->pix_fmt = codec->pix_fmts ? avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_YUV420P, 0, nullptr)
                                 : AV_PIX_FMT_BGR24;
    for (const AVPixelFormat* f = codec->pix_fmts; f && *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == AV_PIX_FMT_YUVJ420P) {
            c->pix_fmt = AV_PIX_FMT_YUVJ420P;
            c->color_range = AVCOL_RANGE_JPEG;
        }
    }
    if (avcodec_open2(c, codec, nullptr) < 0)
        return 0;
    // A few different pictures in the encoder's format, made before the clock runs.
    constexpr int kPictures = 6;
    std::vector<FramePtr> pictures;
    SwsPtr scaler(sws_getContext(
        c->width, c->height, AV_PIX_FMT_RGB24, c->width, c->height, c->pix_fmt, SWS_POINT, nullptr, nullptr, nullptr));
    if (!scaler)
        return 0;
    for (int i = 0; i < kPictures; ++i) {
        FramePtr source = drawPicture(size, i);
        FramePtr picture = makePaddedFrame(c->pix_fmt, c->width, c->height);
        if (!source || !picture)
            return 0;
        sws_scale(scaler.get(), source->data, source->linesize, 0, c->height, picture->data, picture->linesize);
        pictures.push_back(std::move(picture));
    }
    PacketPtr packet = makePacket();
    QElapsedTimer clock;
    clock.start();
    int frames = 0;
    // At least a few pictures, so that a first key frame alone does not decide.
    while (frames < 4 || (clock.elapsed() < budgetMs && frames < 200)) {
        AVFrame* picture = pictures[frames % kPictures].get();
        picture->pts = frames;
        if (avcodec_send_frame(c, picture) < 0)
            return 0;
        while (avcodec_receive_packet(c, packet.get()) >= 0)
            av_packet_unref(packet.get());
        ++frames;
    }
    const qint64 elapsedMs = std::max<qint64>(1, clock.elapsed());
    return frames * 1000.0 / double(elapsedMs);
}

QString EncoderSpeed::key(const QString& encoderName, QSize size)
{
    return QStringLiteral("%1@%2x%3").arg(encoderName).arg(size.width()).arg(size.height());
}

std::optional<double> EncoderSpeed::known(const QString& encoderName, QSize size) const
{
    const auto found = m_known.constFind(key(encoderName, size));
    if (found == m_known.constEnd())
        return std::nullopt;
    return found.value();
}

void EncoderSpeed::request(const QString& encoderName, QSize size)
{
    const QString id = key(encoderName, size);
    if (m_known.contains(id) || m_running.contains(id) || size.isEmpty())
        return;
    m_running.insert(id);
    QPointer<EncoderSpeed> self(this);
    QThreadPool::globalInstance()->start([self, encoderName, size, id] {
        const double fps = measure(encoderName, size);
        QMetaObject::invokeMethod(
            self.data(),
            [self, encoderName, size, id, fps] {
                self->m_running.remove(id);
                self->m_known.insert(id, fps);
                emit self->measured(encoderName, size, fps);
            },
            Qt::QueuedConnection);
    });
}

void EncoderSpeed::remember(const QString& encoderName, QSize size, double framesPerSecond)
{
    m_known.insert(key(encoderName, size), framesPerSecond);
}

QString EncoderSpeed::tooSlowText(const QString& compressorName, QSize size, double framesPerSecond, double manages)
{
    return QStringLiteral("%1 cannot keep up with %2x%3 pictures at %4 frames a second on this computer: it "
                          "compresses about %5 a second, so the others are dropped.")
        .arg(compressorName)
        .arg(size.width())
        .arg(size.height())
        .arg(framesPerSecond)
        .arg(int(manages));
}

QString EncoderSpeed::proposalText(const QString& fastCompressorName)
{
    return QStringLiteral("%1 keeps up. Record with %1 instead?").arg(fastCompressorName);
}

void EncoderSpeed::waitForAll()
{
    if (m_running.isEmpty())
        return;
    QThreadPool::globalInstance()->waitForDone();
    // Deliver what the workers posted.
    QCoreApplication::sendPostedEvents(this);
}

} // namespace kestrel
