#include "ImageEffectsTest.h"

#include "VideoTestFixture.h"
#include "video/ImageEffects.h"
#include "video/ImpactAlignment.h"
#include "video/VideoFrameComposer.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

using namespace kestrel;

namespace {
QImage noise(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, 0xFF000000 | (random.generate() & 0xFFFFFF));
    return image;
}

// Blend of one channel as a reader would compute it with real numbers.
int expectedChannel(int source, int destination, int alpha)
{
    return qRound((source * alpha + destination * (255 - alpha)) / 255.0);
}
} // namespace

void ImageEffectsTest::mirrorInPlace_matchesMirroredImage_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("even width") << 64 << 3;
    QTest::newRow("odd width") << 63 << 5;
    QTest::newRow("single column") << 1 << 4;
    QTest::newRow("1080p") << 1920 << 1080;
}

void ImageEffectsTest::mirrorInPlace_matchesMirroredImage()
{
    QFETCH(int, width);
    QFETCH(int, height);
    const QImage original = noise(width, height, 7);
    QImage picture = original.copy();
    ImageEffects::mirrorInPlace(picture);
    QCOMPARE(picture, original.mirrored(true, false));
    ImageEffects::mirrorInPlace(picture);
    QCOMPARE(picture, original);
}

void ImageEffectsTest::copyInto_copiesOrMirrors_data()
{
    QTest::addColumn<bool>("mirror");
    QTest::newRow("copy") << false;
    QTest::newRow("mirror") << true;
}

void ImageEffectsTest::copyInto_copiesOrMirrors()
{
    QFETCH(bool, mirror);
    const QImage source = noise(37, 11, 3);
    QImage destination(source.size(), QImage::Format_RGB32);
    destination.fill(Qt::red);
    ImageEffects::copyInto(source, destination, mirror);
    QCOMPARE(destination, mirror ? source.mirrored(true, false) : source);
}

void ImageEffectsTest::blendKeyed_constantAlpha_data()
{
    QTest::addColumn<int>("alpha");
    QTest::newRow("0 leaves the destination") << 0;
    QTest::newRow("255 gives the source") << 255;
    QTest::newRow("125 default opacity") << 125;
    QTest::newRow("128 half") << 128;
    QTest::newRow("1") << 1;
    QTest::newRow("254") << 254;
}

void ImageEffectsTest::blendKeyed_constantAlpha()
{
    QFETCH(int, alpha);
    const QImage source = noise(40, 30, 11);
    const QImage background = noise(40, 30, 12);
    QImage destination = background.copy();
    ImageEffects::blendKeyed(destination, QPoint(0, 0), source, alpha);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const QRgb s = source.pixel(x, y), d = background.pixel(x, y), out = destination.pixel(x, y);
            if ((s & 0xFFFFFF) == ImageEffects::TransparentKey) {
                QCOMPARE(out, d);
                continue;
            }
            if (alpha == 0)
                QCOMPARE(out, d);
            else if (alpha == 255)
                QCOMPARE(out, s);
            QVERIFY(qAbs(qRed(out) - expectedChannel(qRed(s), qRed(d), alpha)) <= 1);
            QVERIFY(qAbs(qGreen(out) - expectedChannel(qGreen(s), qGreen(d), alpha)) <= 1);
            QVERIFY(qAbs(qBlue(out) - expectedChannel(qBlue(s), qBlue(d), alpha)) <= 1);
        }
    }
}

void ImageEffectsTest::blendKeyed_keyColourNeverCovers()
{
    QImage source(20, 20, QImage::Format_RGB32);
    source.fill(QColor(255, 0, 255));
    // Near-magenta is an ordinary colour and is blended.
    source.setPixel(5, 5, qRgb(254, 0, 255));
    const QImage background = noise(20, 20, 5);
    for (int alpha : {0, 125, 255}) {
        QImage destination = background.copy();
        ImageEffects::blendKeyed(destination, QPoint(0, 0), source, alpha);
        if (alpha == 255)
            QCOMPARE(destination.pixel(5, 5), qRgb(254, 0, 255));
        if (alpha == 0)
            QCOMPARE(destination.pixel(5, 5), background.pixel(5, 5));
        destination.setPixel(5, 5, background.pixel(5, 5));
        QCOMPARE(destination, background);
    }
}

void ImageEffectsTest::blendKeyed_clipsAtEdges_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QSize>("sourceSize");
    QTest::newRow("larger than destination") << QPoint(0, 0) << QSize(80, 70);
    QTest::newRow("off the top left") << QPoint(-15, -9) << QSize(30, 30);
    QTest::newRow("off the bottom right") << QPoint(40, 30) << QSize(30, 30);
    QTest::newRow("entirely outside") << QPoint(60, 0) << QSize(30, 30);
    QTest::newRow("entirely outside negative") << QPoint(-31, -40) << QSize(30, 30);
    QTest::newRow("larger and off both edges") << QPoint(-5, -5) << QSize(100, 100);
}

void ImageEffectsTest::blendKeyed_clipsAtEdges()
{
    QFETCH(QPoint, at);
    QFETCH(QSize, sourceSize);
    const QImage source = noise(sourceSize.width(), sourceSize.height(), 21);
    const QImage background = noise(50, 40, 22);
    QImage destination = background.copy();
    ImageEffects::blendKeyed(destination, at, source, 255);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 50; ++x) {
            const QPoint inSource = QPoint(x, y) - at;
            const bool covered = source.rect().contains(inSource)
                && (source.pixel(inSource) & 0xFFFFFF) != ImageEffects::TransparentKey;
            QCOMPARE(destination.pixel(x, y), covered ? source.pixel(inSource) : background.pixel(x, y));
        }
    }
}

void ImageEffectsTest::compose_zoomStretchesToSize_data()
{
    QTest::addColumn<double>("zoom");
    QTest::newRow("1.0 pixel for pixel") << 1.0;
    QTest::newRow("0.2") << 0.2;
    QTest::newRow("2.4") << 2.4;
}

void ImageEffectsTest::compose_zoomStretchesToSize()
{
    QFETCH(double, zoom);
    const QImage frame = noise(320, 240, 31);
    const QSize size(qRound(320 * zoom), qRound(240 * zoom));
    VideoFrameComposer composer;
    QImage picture;
    composer.compose({frame, size, false, nullptr, 0}, picture);
    QCOMPARE(picture.size(), size);
    QCOMPARE(composer.background().size(), size);
    if (zoom == 1.0)
        QCOMPARE(composer.background(), frame);
    // Outside the time text the picture is the stretched frame.
    const QImage expected = kestrel::test::centreSampled(frame, size);
    for (int y = VideoFrameComposer::TimeTextHeight; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            QCOMPARE(picture.pixel(x, y), expected.pixel(x, y));
}

void ImageEffectsTest::compose_flipMirrorsFrameButNotTimeTextOrModel()
{
    const QImage frame = noise(200, 100, 41);
    QImage modelFrame(30, 20, QImage::Format_RGB32);
    modelFrame.fill(Qt::green);
    modelFrame.setPixel(0, 0, qRgb(255, 0, 0));
    const VideoFrameComposer::ModelOverlay model{modelFrame, modelFrame.size(), QPoint(100, 60), 255};
    VideoFrameComposer composer;
    QImage picture;
    composer.compose({frame, frame.size(), true, &model, 2500}, picture);

    QImage expected = frame.mirrored(true, false);
    QPainter(&expected).drawImage(100, 60, modelFrame);
    VideoFrameComposer::drawTimeText(expected, 2500);
    QCOMPARE(picture, expected);
    // The model's marked corner stays top-left: the model is not turned over.
    QCOMPARE(picture.pixel(100, 60), qRgb(255, 0, 0));
}

void ImageEffectsTest::compose_magentaModelPixelsLeaveVideo()
{
    const QImage frame = noise(160, 120, 51);
    QImage modelFrame(80, 60, QImage::Format_RGB32);
    modelFrame.fill(QColor(255, 0, 255));
    QPainter(&modelFrame).fillRect(20, 20, 10, 10, Qt::yellow);
    // Zoomed 2x the key colour must stay exact, so no pixel of it shows.
    const VideoFrameComposer::ModelOverlay model{modelFrame, QSize(160, 120), QPoint(0, 0), 255};
    VideoFrameComposer composer;
    QImage picture;
    composer.compose({frame, frame.size(), false, &model, 0}, picture);
    for (int y = VideoFrameComposer::TimeTextHeight; y < 120; ++y) {
        for (int x = 0; x < 160; ++x) {
            const bool yellow = x >= 40 && x < 60 && y >= 40 && y < 60;
            QCOMPARE(picture.pixel(x, y), yellow ? qRgb(255, 255, 0) : frame.pixel(x, y));
        }
    }
}

void ImageEffectsTest::compose_drawingsHookRunsLastOnComposedPicture()
{
    const QImage frame = noise(120, 80, 61);
    VideoFrameComposer composer;
    QImage picture;
    QImage seen;
    composer.compose({frame, frame.size(), true, nullptr, 1000}, picture, [&seen](QImage& p) {
        seen = p.copy();
        p.setPixel(0, 0, qRgb(1, 2, 3));
    });
    QImage expected = frame.mirrored(true, false);
    VideoFrameComposer::drawTimeText(expected, 1000);
    QCOMPARE(seen, expected);
    QCOMPARE(picture.pixel(0, 0), qRgb(1, 2, 3));
    // The background stays the unmirrored stretched frame.
    QCOMPARE(composer.background(), frame);
}

// Colours a compressed magenta key picks up, and colours that must stay.
namespace {
const QList<QRgb> kNearMagenta{qRgb(254, 0, 253), qRgb(255, 3, 255), qRgb(250, 4, 251), qRgb(252, 1, 255)};
const QList<QRgb> kFarFromMagenta{
    qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(200, 0, 200), qRgb(255, 40, 255), qRgb(255, 255, 255), qRgb(240, 0, 255)};

// A source row of `width` pixels repeating `colours`, odd widths reaching the
// routine's one-pixel tail as well as its four-pixel body.
QImage rowOf(const QList<QRgb>& colours, int width)
{
    QImage row(width, 3, QImage::Format_RGB32);
    for (int y = 0; y < row.height(); ++y)
        for (int x = 0; x < width; ++x)
            row.setPixel(x, y, colours[x % colours.size()]);
    return row;
}
} // namespace

void ImageEffectsTest::keyTolerance_zeroKeysExactMagentaOnly()
{
    QList<QRgb> colours = kNearMagenta + kFarFromMagenta;
    colours << ImageEffects::TransparentKey;
    const QImage source = rowOf(colours, 23);
    const QImage background = noise(23, 3, 71);
    for (int alpha : {125, 255}) {
        QImage byDefault = background.copy();
        ImageEffects::blendKeyed(byDefault, QPoint(0, 0), source, alpha);
        QImage atZero = background.copy();
        ImageEffects::blendKeyed(atZero, QPoint(0, 0), source, alpha, ImageEffects::TransparentKey, {}, 0);
        QCOMPARE(atZero, byDefault);
        for (int x = 0; x < source.width(); ++x) {
            const bool key = (source.pixel(x, 0) & 0xFFFFFF) == ImageEffects::TransparentKey;
            QCOMPARE(atZero.pixel(x, 1) == background.pixel(x, 1), key || alpha == 0);
        }
    }
}

void ImageEffectsTest::keyTolerance_keysNearMagentaNotOtherColours_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("four-pixel body") << 40;
    QTest::newRow("odd width, tail pixels") << 13;
    QTest::newRow("narrower than four") << 3;
}

void ImageEffectsTest::keyTolerance_keysNearMagentaNotOtherColours()
{
    QFETCH(int, width);
    QList<QRgb> colours;
    for (int i = 0; i < qMax(kNearMagenta.size(), kFarFromMagenta.size()); ++i)
        colours << kNearMagenta[i % kNearMagenta.size()] << kFarFromMagenta[i % kFarFromMagenta.size()];
    const QImage source = rowOf(colours, width);
    const QImage background = noise(width, 3, 73);
    QImage destination = background.copy();
    constexpr int tolerance = 5;
    ImageEffects::blendKeyed(destination, QPoint(0, 0), source, 255, ImageEffects::TransparentKey, {}, tolerance);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb s = source.pixel(x, y);
            const bool near = kNearMagenta.contains(s);
            QCOMPARE(destination.pixel(x, y), near ? background.pixel(x, y) : s);
        }
    }
}

void ImageEffectsTest::keyTolerance_reachesComposerFromModelOverlay()
{
    const QImage frame = noise(64, 48, 81);
    QImage modelFrame(64, 48, QImage::Format_RGB32);
    modelFrame.fill(QColor(254, 0, 253));
    QPainter(&modelFrame).fillRect(0, 40, 64, 8, Qt::red);
    VideoFrameComposer composer;
    for (int tolerance : {0, 2}) {
        const VideoFrameComposer::ModelOverlay model{modelFrame, modelFrame.size(), QPoint(0, 0), 255, tolerance};
        QImage picture;
        composer.compose({frame, frame.size(), false, &model, 0}, picture);
        // Below the time text: the near-magenta rows show the video only with
        // a tolerance; the red rows always cover it.
        QCOMPARE(picture.pixel(50, 20), tolerance > 0 ? frame.pixel(50, 20) : qRgb(254, 0, 253));
        QCOMPARE(picture.pixel(50, 44), qRgb(255, 0, 0));
    }
}

void ImageEffectsTest::nearestFrameAt_picksNearestTime_data()
{
    QTest::addColumn<QList<qint64>>("frameTimes");
    QTest::addColumn<qint64>("timeMs");
    QTest::addColumn<qint64>("frame");
    const QList<qint64> at60{0, 17, 33, 50, 67, 83};
    const QList<qint64> variable{0, 25, 58, 83, 125};
    QTest::newRow("exact frame time") << at60 << qint64(33) << qint64(2);
    QTest::newRow("just after a frame") << at60 << qint64(35) << qint64(2);
    QTest::newRow("just before a frame") << at60 << qint64(48) << qint64(3);
    QTest::newRow("tie goes to the earlier frame") << QList<qint64>{0, 10, 20} << qint64(15) << qint64(1);
    QTest::newRow("before the first frame") << at60 << qint64(-400) << qint64(0);
    QTest::newRow("past the last frame") << at60 << qint64(9000) << qint64(5);
    QTest::newRow("variable intervals") << variable << qint64(100) << qint64(3);
    QTest::newRow("variable intervals, long gap") << variable << qint64(105) << qint64(4);
    QTest::newRow("one frame") << QList<qint64>{0} << qint64(50) << qint64(0);
    QTest::newRow("no frames") << QList<qint64>{} << qint64(50) << qint64(-1);
}

void ImageEffectsTest::nearestFrameAt_picksNearestTime()
{
    QFETCH(QList<qint64>, frameTimes);
    QFETCH(qint64, timeMs);
    QFETCH(qint64, frame);
    QCOMPARE(
        nearestFrameAt(timeMs, frameTimes.size(), [&frameTimes](qint64 index) { return frameTimes.at(index); }), frame);
    // Lined up at impact: 60 ms into one clip whose impact is at 100 ms is
    // 40 ms before the other's impact.
    QCOMPARE(alignedTimeMs(60, 100, 500), qint64(460));
}
