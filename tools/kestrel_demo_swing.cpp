// kestrel-demo-swing: renders a synthetic golf swing for demonstrations and screenshots.
//   kestrel-demo-swing OUT.avi [--model] [--frames N] [--size WxH]
// The normal clip shows a golfer in red on sky and grass. With --model the
// golfer wears dark blue, swings a little differently and stands on pure
// magenta, the colour the model blend leaves out, so only the figure shows
// over the user's video.
#include "engine/AviEncoders.h"
#include "engine/AviWriter.h"
#include "engine/FfmpegPtr.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr double kFramesPerSecond = 30.0;
constexpr QRgb kTransparentKey = 0xFF00FF;

// One moment of the swing, face-on. Angles are in degrees from straight
// down, growing towards the target (to the right of the picture); lengths
// are fractions of the picture height.
struct Pose {
    double arms = 0; // shoulders -> hands
    double club = 0; // hands -> club head
    double hipShift = 0; // sideways move of the hips
    double spineTilt = 0; // lean of the spine from upright, negative away from the target
    double shoulderTurn = 0; // 0 square to the camera, 1 fully turned (shoulders look narrow)
};

struct KeyPose {
    double phase; // 0 address .. 1 finish
    Pose pose;
};

// Address, takeaway, top, downswing, impact, follow-through, finish.
constexpr std::array<KeyPose, 9> kUserSwing{{
    {0.00, {2, 7, 0.000, -8, 0.0}},
    {0.12, {2, 7, 0.000, -8, 0.0}},
    {0.30, {-60, -100, -0.010, -9, 0.5}},
    {0.50, {-150, -265, -0.020, -10, 0.9}},
    {0.56, {-148, -262, -0.018, -10, 0.9}},
    {0.70, {-65, -125, 0.015, -12, 0.4}},
    {0.78, {4, 6, 0.025, -12, 0.1}},
    {0.88, {90, 150, 0.035, -8, 0.6}},
    {1.00, {150, 275, 0.045, -4, 0.9}},
}};

// The model turns a little less, keeps the club shorter of parallel and
// starts down earlier.
constexpr std::array<KeyPose, 9> kModelSwing{{
    {0.00, {1, 6, 0.000, -6, 0.0}},
    {0.10, {1, 6, 0.000, -6, 0.0}},
    {0.27, {-55, -95, -0.008, -7, 0.5}},
    {0.46, {-140, -250, -0.015, -8, 0.85}},
    {0.52, {-138, -248, -0.012, -8, 0.85}},
    {0.66, {-55, -115, 0.020, -10, 0.4}},
    {0.75, {6, 8, 0.030, -11, 0.1}},
    {0.86, {95, 160, 0.040, -6, 0.6}},
    {1.00, {160, 285, 0.050, -2, 0.95}},
}};

struct Outfit {
    QColor shirt;
    QColor trousers;
    QColor skin;
};

double smoothStep(double x)
{
    return x * x * (3 - 2 * x);
}

template <size_t N> Pose poseAt(double phase, const std::array<KeyPose, N>& keys)
{
    if (phase <= keys.front().phase)
        return keys.front().pose;
    for (size_t i = 1; i < N; ++i) {
        if (phase > keys[i].phase)
            continue;
        const KeyPose& a = keys[i - 1];
        const KeyPose& b = keys[i];
        const double s = smoothStep((phase - a.phase) / (b.phase - a.phase));
        auto mix = [s](double from, double to) { return from + (to - from) * s; };
        return {mix(a.pose.arms, b.pose.arms), mix(a.pose.club, b.pose.club), mix(a.pose.hipShift, b.pose.hipShift),
            mix(a.pose.spineTilt, b.pose.spineTilt), mix(a.pose.shoulderTurn, b.pose.shoulderTurn)};
    }
    return keys.back().pose;
}

// Unit vector for an angle measured from straight down (y grows downwards).
QPointF direction(double degrees)
{
    const double r = degrees * std::numbers::pi / 180.0;
    return {std::sin(r), std::cos(r)};
}

QPen roundPen(const QColor& color, double width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void paintBackground(QPainter& painter, const QSizeF& size, double groundY, bool model)
{
    if (model) {
        painter.fillRect(QRectF(QPointF(0, 0), size), QColor::fromRgb(kTransparentKey));
        return;
    }
    QLinearGradient sky(0, 0, 0, groundY);
    sky.setColorAt(0, QColor(110, 160, 220));
    sky.setColorAt(1, QColor(200, 225, 245));
    painter.fillRect(QRectF(0, 0, size.width(), groundY), sky);
    painter.fillRect(QRectF(0, groundY, size.width(), size.height() - groundY), QColor(70, 140, 60));
}

// Paints the golfer in `pose`; `ballFlight` is 0 until impact, then grows as the ball leaves.
void paintGolfer(QPainter& painter, const QSizeF& size, const Pose& pose, const Outfit& outfit, double ballFlight)
{
    const double h = size.height();
    const double centreX = size.width() / 2;
    const double groundY = 0.86 * h;
    const QPointF hips(centreX + pose.hipShift * h, 0.58 * h);
    const QPointF shoulders = hips + 0.22 * h * direction(180 - pose.spineTilt);
    const QPointF head = hips + 0.31 * h * direction(180 - pose.spineTilt);
    const QPointF hands = shoulders + 0.24 * h * direction(pose.arms);
    const QPointF clubHead = hands + 0.26 * h * direction(pose.club);
    const double halfShoulders = 0.055 * h * (1 - 0.6 * pose.shoulderTurn);
    const double line = std::max(2.0, 0.012 * h);

    // Ball: on the tee until impact, then away towards the target.
    const QPointF ball(centreX + ballFlight * size.width(), groundY - ballFlight * 0.8 * h);
    if (ball.x() < size.width() + line) {
        painter.setPen(roundPen(Qt::darkGray, 1));
        painter.setBrush(Qt::white);
        painter.drawEllipse(ball, 0.012 * h, 0.012 * h);
    }

    // Legs from the hips to fixed feet, with a small knee flex.
    painter.setPen(roundPen(outfit.trousers, 2.2 * line));
    for (const double side : {-1.0, 1.0}) {
        const QPointF foot(centreX + side * 0.1 * h, groundY);
        const QPointF knee((hips.x() + foot.x()) / 2 + side * 0.01 * h, (hips.y() + foot.y()) / 2);
        painter.drawPolyline(QList<QPointF>{hips, knee, foot});
    }
    // Body: one thick line from the hips to the shoulders.
    painter.setPen(roundPen(outfit.shirt, 3.5 * line));
    painter.drawLine(hips, shoulders);
    // Bare arms, from each shoulder to the hands on the grip, so they show in front of the shirt.
    painter.setPen(roundPen(outfit.skin.darker(115), 1.4 * line));
    painter.drawLine(shoulders + QPointF(-halfShoulders, 0), hands);
    painter.drawLine(shoulders + QPointF(halfShoulders, 0), hands);
    // Club: shaft and head.
    painter.setPen(roundPen(QColor(60, 60, 60), 0.5 * line));
    painter.drawLine(hands, clubHead);
    painter.setPen(roundPen(QColor(20, 20, 20), 1.6 * line));
    painter.drawLine(clubHead, clubHead + 0.025 * h * direction(pose.club + 90));
    painter.setPen(roundPen(outfit.skin.darker(130), 1));
    painter.setBrush(outfit.skin);
    painter.drawEllipse(hands, 0.9 * line, 0.9 * line);
    painter.drawEllipse(head, 0.05 * h, 0.05 * h);
}

QImage renderFrame(const QSize& size, double phase, bool model)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    // Smoothed edges would mix the figure with the key colour and leave a pink fringe.
    painter.setRenderHint(QPainter::Antialiasing, !model);
    paintBackground(painter, size, 0.86 * size.height(), model);
    const Pose pose = model ? poseAt(phase, kModelSwing) : poseAt(phase, kUserSwing);
    const double impact = model ? kModelSwing[6].phase : kUserSwing[6].phase;
    const double ballFlight = phase > impact ? (phase - impact) * 3 : 0;
    const Outfit outfit = model ? Outfit{QColor(25, 45, 110), QColor(20, 25, 50), QColor(225, 185, 150)}
                                : Outfit{QColor(200, 40, 40), QColor(70, 70, 70), QColor(240, 195, 160)};
    paintGolfer(painter, size, pose, outfit, ballFlight);
    return image;
}

// Wraps the picture's pixels without copying: RGB32 is B, G, R, 0xFF in memory.
kestrel::FramePtr wrapImage(const QImage& image)
{
    kestrel::FramePtr frame = kestrel::makeFrame();
    frame->format = AV_PIX_FMT_BGRA;
    frame->width = image.width();
    frame->height = image.height();
    frame->data[0] = const_cast<uint8_t*>(image.constBits());
    frame->linesize[0] = int(image.bytesPerLine());
    return frame;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrel-demo-swing"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders a synthetic golf swing into an AVI file."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("out.avi"), QStringLiteral("The video file to write."));
    const QCommandLineOption model(QStringLiteral("model"),
        QStringLiteral("Model swing: blue golfer on magenta (the blend's transparent colour), uncompressed."));
    const QCommandLineOption frames(
        QStringLiteral("frames"), QStringLiteral("Number of frames (default 75)."), QStringLiteral("N"), "75");
    const QCommandLineOption size(
        QStringLiteral("size"), QStringLiteral("Picture size (default 640x480)."), QStringLiteral("WxH"), "640x480");
    parser.addOptions({model, frames, size});
    parser.process(application);

    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        err << parser.helpText();
        return 2;
    }
    bool countOk = false;
    const int frameCount = parser.value(frames).toInt(&countOk);
    const QStringList sizeParts = parser.value(size).split(QLatin1Char('x'));
    bool widthOk = false;
    bool heightOk = false;
    const QSize pictureSize
        = sizeParts.size() == 2 ? QSize(sizeParts[0].toInt(&widthOk), sizeParts[1].toInt(&heightOk)) : QSize();
    if (!countOk || frameCount < 2 || frameCount > 10000) {
        err << "--frames wants a number from 2 to 10000, not " << parser.value(frames) << '\n';
        return 2;
    }
    // Even sizes: the YUV 4:2:0 encoders halve both dimensions.
    if (!widthOk || !heightOk || pictureSize.width() < 64 || pictureSize.height() < 64 || pictureSize.width() > 4096
        || pictureSize.height() > 4096 || pictureSize.width() % 2 || pictureSize.height() % 2) {
        err << "--size wants even WxH from 64x64 to 4096x4096, not " << parser.value(size) << '\n';
        return 2;
    }

    // The key colour must survive exactly, so the model is uncompressed; the
    // user's clip is small MPEG-4 when this machine has it.
    const kestrel::AviEncoders encoders;
    const bool isModel = parser.isSet(model);
    const int encoder = isModel ? -1 : encoders.indexOf(QStringLiteral("mpeg4"));
    kestrel::EncoderSettings settings;
    settings.quality = 3;
    kestrel::AviWriter writer;
    if (!writer.open(
            files.first(), encoders, encoder, settings, pictureSize.width(), pictureSize.height(), kFramesPerSecond)) {
        err << writer.lastError() << '\n';
        return 1;
    }
    for (int i = 0; i < frameCount; ++i) {
        const QImage image = renderFrame(pictureSize, double(i) / (frameCount - 1), isModel);
        const kestrel::FramePtr frame = wrapImage(image);
        if (!writer.writeFrame(frame.get(), i)) {
            err << writer.lastError() << '\n';
            return 1;
        }
    }
    if (!writer.finish()) {
        err << writer.lastError() << '\n';
        return 1;
    }
    QTextStream(stdout) << frameCount << " frames (" << pictureSize.width() << 'x' << pictureSize.height() << ", "
                        << encoders.encoderName(encoder) << ") written to " << files.first() << '\n';
    return 0;
}
