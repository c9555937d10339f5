#include "PictureTests.h"

#include "EngineTestSupport.h"
#include "engine/PaddedPicture.h"
#include "engine/VideoEngine.h"
#include "support/TestClips.h"

#include <QtTest>

using kestrel::VideoEngine;
using kestrel::test::ClipRecipe;

namespace {
struct Shape {
    const char* name;
    const char* codec;
    const char* pixelFormat;
    int width;
    int height;
    int rotation;
};
// Widths whose rows end 8..14 pixels into a 16-pixel block (1080, 360, 1084)
// made libswscale's wide stores run past the row; 1078 left its last
// columns unconverted in a row without room for the block.
const Shape kShapes[] = {
    {"1080 wide", "libx264", "", 1080, 64, 0},
    {"1078 wide", "libx264", "", 1078, 64, 0},
    {"360 wide", "libx264", "", 360, 64, 0},
    {"1084 wide", "libx264", "", 1084, 64, 0},
    {"1080 turned 90", "libx264", "", 1080, 64, 90},
    {"1078 turned 180", "libx264", "", 1078, 64, 180},
    {"360 turned 270", "libx264", "", 360, 64, 270},
    {"1084 turned 90", "libx264", "", 1084, 64, 90},
    {"phone 1080x1920 turned 90", "libx264", "", 1080, 1920, 90},
    {"phone 1080x1920 turned 270", "libx264", "", 1080, 1920, 270},
    {"HEVC 8-bit 1080 wide", "libx265", "yuv420p", 1080, 64, 0},
    {"HEVC 10-bit 1078 wide turned 90", "libx265", "yuv420p10le", 1078, 64, 90},
    {"MPEG-4 Visual 360 wide", "mpeg4", "", 360, 64, 0},
};
} // namespace

void PictureTests::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void PictureTests::everyColumnMatchesLibavcodec_data()
{
    QTest::addColumn<int>("shape");
    for (int i = 0; i < int(std::size(kShapes)); ++i)
        QTest::newRow(kShapes[i].name) << i;
}

void PictureTests::everyColumnMatchesLibavcodec()
{
    QFETCH(int, shape);
    const Shape& s = kShapes[shape];
    if (!kestrel::test::hasEncoder(s.codec))
        QSKIP("encoder missing on this machine");
    ClipRecipe recipe;
    recipe.codec = QString::fromLatin1(s.codec);
    recipe.pixelFormat = QString::fromLatin1(s.pixelFormat);
    recipe.width = s.width;
    recipe.height = s.height;
    recipe.rotationDegrees = s.rotation;
    recipe.frames = s.height > 1000 ? 3 : 6;
    recipe.gopSize = 3;
    recipe.fpsNum = 30;
    const QString file = m_dir.filePath(QStringLiteral("clip%1.mp4").arg(shape));
    QString error;
    QVERIFY2(kestrel::test::makeClip(file, recipe, &error), qPrintable(error));

    const kestrel::test::ReferenceDecode reference = kestrel::test::decodeWithLibavcodec(file, s.rotation, 30);
    QVERIFY2(reference.error.isEmpty(), qPrintable(reference.error));
    QCOMPARE(reference.pictures.size(), recipe.frames);

    VideoEngine engine;
    QVERIFY2(engine.OpenFile(file), qPrintable(engine.lastError()));
    const bool sideways = s.rotation % 180 != 0;
    const QSize upright = sideways ? QSize(s.height, s.width) : QSize(s.width, s.height);
    QCOMPARE(engine.GetFrameSize(), upright);
    QCOMPARE(engine.streamFacts().rotationDegrees, s.rotation);
    // Backwards, so that every frame is decoded on its own and converted into
    // a recycled picture as well as a fresh one.
    for (int frame = recipe.frames - 1; frame >= 0; --frame) {
        engine.SeekFrame(frame);
        QVERIFY(engine.waitUntilShown());
        const QImage shown = engine.GrabFrame();
        QCOMPARE(shown.size(), upright);
        QCOMPARE(kestrel::test::readFrameIndex(shown), frame);
        const QImage& expected = reference.pictures.at(frame);
        for (int y = 0; y < upright.height(); ++y) {
            const auto* got = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
            const auto* want = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
            for (int x = 0; x < upright.width(); ++x) {
                if ((got[x] & 0xffffff) != (want[x] & 0xffffff))
                    QFAIL(qPrintable(QStringLiteral("frame %1 differs at (%2, %3): %4 instead of %5")
                                         .arg(frame)
                                         .arg(x)
                                         .arg(y)
                                         .arg(got[x] & 0xffffff, 6, 16, QLatin1Char('0'))
                                         .arg(want[x] & 0xffffff, 6, 16, QLatin1Char('0'))));
            }
        }
    }
}

void PictureTests::paddedImage_rowsAndSpareRowForWideStores()
{
    for (int width : {1, 7, 16, 360, 1078, 1080, 1084, 1920}) {
        const QImage image = kestrel::makePaddedImage(QSize(width, 3));
        QCOMPARE(image.width(), width);
        QCOMPARE(image.bytesPerLine() % 64, 0);
        QVERIFY(image.bytesPerLine() >= width * 4);
        QVERIFY(image.bytesPerLine() < width * 4 + 64);
        QVERIFY(kestrel::isPaddedImage(image));
        // A copy Qt makes is not ours to hand to FFmpeg unless its rows are
        // whole blocks anyway; a shared one is not writable in place.
        const QImage shared = image;
        QVERIFY(!kestrel::isPaddedImage(image));
        Q_UNUSED(shared);
        const QImage plain(width, 3, QImage::Format_RGB32);
        QCOMPARE(kestrel::isPaddedImage(plain), width % 16 == 0);
    }
    QVERIFY(kestrel::makePaddedImage(QSize(0, 10)).isNull());
}
