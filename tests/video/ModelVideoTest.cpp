#include "ModelVideoTest.h"

#include "engine/VideoEngine.h"
#include "video/ImageEffects.h"
#include "video/VideoFrameComposer.h"
#include "video/VideoPicture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <cmath>

using namespace kestrel;
using namespace kestrel::test;

namespace {
// The part of the composed picture that is neither the time text nor off the model.
QRect comparedArea(const QRect& model, const QSize& picture)
{
    return model.intersected(QRect(QPoint(0, 0), picture))
        .intersected(QRect(0, VideoFrameComposer::TimeTextHeight, picture.width(), picture.height()));
}

void openBoth(VideoWindowFixture& f, const QString& video, const QString& model)
{
    f.window->NewPlayerFile(video, false);
    f.window->NewModelFile(model);
}
} // namespace

void ModelVideoTest::initTestCase()
{
    m_video = m_clips.clip(QStringLiteral("user.avi"), recipe(QStringLiteral("mpeg4"), 60, 25));
    m_video10fps = m_clips.clip(QStringLiteral("user10.avi"), recipe(QStringLiteral("mpeg4"), 40, 10));
    m_modelAvi = m_clips.clip(QStringLiteral("model.avi"), recipe(QStringLiteral("mpeg4"), 30, 30, 160, 120));
    m_modelWmv = m_clips.clip(QStringLiteral("model.wmv"), recipe(QStringLiteral("wmv2"), 30, 25, 160, 120));
    m_modelShort = m_clips.clip(QStringLiteral("short.mpg"), recipe(QStringLiteral("mpeg1video"), 8, 25, 160, 120));
    m_modelLarge = m_clips.clip(QStringLiteral("large.avi"), recipe(QStringLiteral("mpeg4"), 10, 25, 480, 360));
    if (m_video.isEmpty() || m_modelAvi.isEmpty() || m_modelWmv.isEmpty() || m_modelShort.isEmpty()
        || m_modelLarge.isEmpty() || m_video10fps.isEmpty())
        QFAIL(qPrintable(QStringLiteral("cannot make test clips: ") + m_clips.lastError()));
}

void ModelVideoTest::open_sliderRangeFollowsModelExtension_data()
{
    QTest::addColumn<bool>("wmvModel");
    QTest::addColumn<int>("sliderMax");
    QTest::newRow("avi model, full count") << false << 30;
    QTest::newRow("wmv model, two frames short") << true << 28;
}

void ModelVideoTest::open_sliderRangeFollowsModelExtension()
{
    QFETCH(bool, wmvModel);
    QFETCH(int, sliderMax);
    VideoWindowFixture f;
    f.frame.modelPosition = 9;
    openBoth(f, m_video, wmvModel ? m_modelWmv : m_modelAvi);
    QVERIFY(f.window->HasModel());
    QCOMPARE(f.window->modelExt(), wmvModel ? QStringLiteral("wmv") : QStringLiteral("avi"));
    QCOMPARE(f.frame.modelRange.minimum, 0);
    QCOMPARE(f.frame.modelRange.maximum, sliderMax);
    QCOMPARE(int(f.window->vcxModel().FrameCount()) - (wmvModel ? 2 : 0), sliderMax);
    QCOMPARE(f.frame.modelPosition, 0);
    QCOMPARE(f.window->modelZoom(), 1.0);
    QCOMPARE(f.window->modelPlacement(), QPoint(0, 0));
    // The user's video keeps its own range.
    QCOMPARE(f.frame.videoRange.maximum, 60);
    QCOMPARE(readFrameIndex(f.window->vcxModel().GrabFrame()), 0);
}

void ModelVideoTest::open_askedByDialog_keepsWorkDir()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(m_video, false);
    f.prompter.answerFile(m_modelAvi);
    f.window->NewModelFile(QString());
    QCOMPARE(f.prompter.shown().size(), 1);
    QCOMPARE(f.prompter.last().request.title, QStringLiteral("Load video file"));
    QVERIFY(f.window->HasModel());
    QCOMPARE(f.settings->read(QStringLiteral("workDir"), QString()),
        m_modelAvi.left(m_modelAvi.lastIndexOf(QLatin1Char('/')) + 1));

    // Cancelling a second time leaves the model as it was.
    f.window->NewModelFile(QString());
    QVERIFY(f.window->HasModel());
    QCOMPARE(f.window->modelExt(), QStringLiteral("avi"));
}

void ModelVideoTest::open_unreadableModel_isDroppedSilently()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(m_video, false);
    const QString path = f.home.filePath(QStringLiteral("junk.avi"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("junk");
    file.close();
    f.window->NewModelFile(path);
    QVERIFY(!f.window->HasModel());
    QVERIFY(f.prompter.shown().isEmpty());
    QCOMPARE(shownIndex(*f.window), 0);
}

void ModelVideoTest::zoom_limits_data()
{
    QTest::addColumn<bool>("in");
    QTest::addColumn<int>("presses");
    QTest::addColumn<double>("expected");
    QTest::newRow("in x28 just under 2.4") << true << 28 << 2.4;
    QTest::newRow("in x29 about 2.45") << true << 29 << 2.45;
    QTest::newRow("in x30 stops") << true << 30 << 2.45;
    QTest::newRow("out x12 about 0.40") << false << 12 << 0.4;
    QTest::newRow("out x13 stops") << false << 13 << 0.4;
    QTest::newRow("out x1") << false << 1 << 0.95;
}

void ModelVideoTest::zoom_limits()
{
    QFETCH(bool, in);
    QFETCH(int, presses);
    QFETCH(double, expected);
    VideoWindowFixture f;
    f.frame.opacity = 255;
    openBoth(f, m_video, m_modelAvi);
    for (int i = 0; i < presses; ++i)
        in ? f.window->modelZoomIn() : f.window->modelZoomOut();
    QVERIFY2(
        qAbs(f.window->modelZoom() - expected) < 1e-9, qPrintable(QString::number(f.window->modelZoom(), 'g', 17)));
    // The model is shown at its zoomed size: the blended area ends there.
    const QSize modelSize(int(std::lround(160 * expected)), int(std::lround(120 * expected)));
    const QImage scaled = centreSampled(f.window->vcxModel().GrabFrame(), modelSize);
    const QImage composed = f.window->composedPicture();
    const QRect area = comparedArea(QRect(QPoint(0, 0), modelSize), composed.size());
    for (int y = area.top(); y <= area.bottom(); y += 2)
        for (int x = area.left(); x <= area.right(); x += 2)
            QCOMPARE(composed.pixel(x, y), scaled.pixel(x, y));
}

void ModelVideoTest::setPos_seeksFrameOrTime_data()
{
    QTest::addColumn<bool>("wmvModel");
    QTest::addColumn<int>("position");
    QTest::newRow("avi frame 12") << false << 12;
    QTest::newRow("avi frame 29") << false << 29;
    QTest::newRow("wmv by time, frame 12") << true << 12;
    QTest::newRow("wmv back to 0") << true << 0;
}

void ModelVideoTest::setPos_seeksFrameOrTime()
{
    QFETCH(bool, wmvModel);
    QFETCH(int, position);
    VideoWindowFixture f;
    f.frame.opacity = 255;
    openBoth(f, m_video, wmvModel ? m_modelWmv : m_modelAvi);
    f.window->modelSetPos(5);
    f.window->modelSetPos(position);
    // WMV models seek by time: the value times the rounded frame duration,
    // which can land a frame short on clips whose duration is not a whole
    // number of frames.
    const qint64 frames = f.window->vcxModel().FrameCount();
    const int frameMs = int(std::lround(double(f.window->vcxModel().Duration()) / double(frames)));
    const int expected = wmvModel ? frameMs * position / 40 : position;
    QCOMPARE(int(f.window->vcxModel().CurrentFrame()), expected);
    position = expected;
    // The picture follows through the model's frame event.
    QTRY_COMPARE(shownModelIndex(*f.window), position);
}

void ModelVideoTest::playAlone_loopsAndOnlyModelStopEnabled()
{
    VideoWindowFixture f;
    f.frame.opacity = 255;
    openBoth(f, m_video, m_modelShort);
    QList<int> seen;
    QObject::connect(&f.window->vcxModel(), &VideoEngine::FrameReady, f.window.get(),
        [&] { seen << readFrameIndex(f.window->vcxModel().GrabFrame()); });
    f.window->modelPlay(false);
    QCOMPARE(f.frame.enabledCount(), 1);
    QCOMPARE(f.frame.enabledButtons(Toolbar::Model), QList<int>{4});
    QTRY_VERIFY_WITH_TIMEOUT(seen.contains(7) && seen.lastIndexOf(0) > seen.indexOf(7), 5000);
    // The user's video stays where it is.
    QCOMPARE(int(f.window->vcxVideo().CurrentFrame()), 0);
    f.window->modelStop(false);
    QCOMPARE(f.frame.enabledButtons(Toolbar::Model), QList<int>({0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11}));
    QCOMPARE(f.frame.enabledCount(), 10 + 13 + 16 + 11);
    const int stoppedAt = int(f.window->vcxModel().CurrentFrame());
    QTest::qWait(150);
    QCOMPARE(int(f.window->vcxModel().CurrentFrame()), stoppedAt);
}

void ModelVideoTest::playWithVideo_stepsBothOneFramePerTick()
{
    // Video at 10 fps, model at 30 fps: each tick still moves both by one frame.
    VideoWindowFixture f;
    openBoth(f, m_video10fps, m_modelAvi);
    QTest::qWait(50); // the frame events of opening
    QList<int> videoFrames, modelAtVideoFrame;
    QObject::connect(&f.window->vcxVideo(), &VideoEngine::FrameReady, f.window.get(), [&] {
        videoFrames << readFrameIndex(f.window->backgroundPicture());
        modelAtVideoFrame << int(f.window->vcxModel().CurrentFrame());
    });
    QElapsedTimer clock;
    clock.start();
    f.window->modelPlay(true);
    QCOMPARE(f.frame.enabledCount(), 1);
    QCOMPARE(f.frame.enabledButtons(Toolbar::Model), QList<int>{4});
    QTRY_VERIFY_WITH_TIMEOUT(videoFrames.size() >= 5, 5000);
    f.window->modelStop(true);
    const qint64 elapsed = clock.elapsed();

    for (int i = 0; i < videoFrames.size(); ++i) {
        QCOMPARE(videoFrames[i], i + 1);
        QCOMPARE(modelAtVideoFrame[i], i + 1);
    }
    // Ticks are 100 ms apart.
    QVERIFY2(elapsed >= (videoFrames.size() - 1) * 100 - 20, qPrintable(QString::number(elapsed)));
    QCOMPARE(f.window->vcxVideo().CurrentFrame(), f.window->vcxModel().CurrentFrame());
    const int frames = videoFrames.size();
    QTest::qWait(250);
    QCOMPARE(videoFrames.size(), frames);
}

void ModelVideoTest::stopWithVideo_sliderShowsVideoFrameWithoutSeeking()
{
    VideoWindowFixture f;
    openBoth(f, m_video, m_modelAvi);
    f.window->modelPlay(true);
    QTRY_VERIFY_WITH_TIMEOUT(f.window->vcxVideo().CurrentFrame() >= 3, 5000);
    f.window->modelStop(true);
    const int videoFrame = int(f.window->vcxVideo().CurrentFrame());
    QCOMPARE(f.frame.videoPosition, videoFrame);
    QCOMPARE(f.sliderSeeks, 0);
    QVERIFY(!f.window->PlayerButtonClick());
    QCOMPARE(f.frame.enabledButtons(Toolbar::Model), QList<int>({0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11}));
    QTest::qWait(50);
    QCOMPARE(int(f.window->vcxVideo().CurrentFrame()), videoFrame);
}

void ModelVideoTest::blend_opacityExtremesGiveVideoOrModel_data()
{
    QTest::addColumn<int>("opacity");
    QTest::newRow("0 shows the video alone") << 0;
    QTest::newRow("255 shows the model alone") << 255;
}

void ModelVideoTest::blend_opacityExtremesGiveVideoOrModel()
{
    QFETCH(int, opacity);
    VideoWindowFixture f;
    f.frame.opacity = opacity;
    openBoth(f, m_video, m_modelAvi);
    f.window->vcxNext();
    f.window->vcxNext();
    f.window->vcxNext();
    f.window->modelSetPos(7);
    QVERIFY(settle(*f.window));
    f.window->PaintVideoFrame();
    const QImage composed = f.window->composedPicture();
    const QImage video = f.window->backgroundPicture();
    const QImage model = f.window->vcxModel().GrabFrame();
    QCOMPARE(readFrameIndex(model), 7);
    const QRect modelRect(QPoint(0, 0), model.size());
    for (int y = VideoFrameComposer::TimeTextHeight; y < composed.height(); ++y) {
        for (int x = 0; x < composed.width(); ++x) {
            const bool overModel = modelRect.contains(x, y);
            const QRgb expected = overModel && opacity == 255 ? model.pixel(x, y) : video.pixel(x, y);
            QCOMPARE(composed.pixel(x, y), expected);
        }
    }
    QCOMPARE(readFrameIndex(video), 3);
    if (opacity == 0)
        QCOMPARE(shownIndex(*f.window), 3);
}

void ModelVideoTest::blend_magentaModelPixelsNeverCoverVideo()
{
    // Clips carry no magenta, so the decoded model frame is keyed by hand:
    // its left half becomes the key colour before the composer blends it.
    VideoWindowFixture f;
    openBoth(f, m_video, m_modelAvi);
    QImage modelFrame = f.window->vcxModel().GrabFrame().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < modelFrame.height(); ++y)
        for (int x = 0; x < modelFrame.width() / 2; ++x)
            modelFrame.setPixel(x, y, ImageEffects::TransparentKey | 0xFF000000);
    for (int opacity : {0, 125, 255}) {
        const VideoFrameComposer::ModelOverlay overlay{modelFrame, QSize(240, 180), QPoint(20, 50), opacity};
        VideoFrameComposer composer;
        QImage picture;
        composer.compose({f.window->vcxVideo().GrabFrame(), QSize(320, 240), false, &overlay, 0}, picture);
        const QImage video = composer.background();
        for (int y = 50; y < 230; ++y)
            for (int x = 20; x < 20 + 120; ++x)
                QCOMPARE(picture.pixel(x, y), video.pixel(x, y));
        if (opacity == 255)
            QCOMPARE(picture.pixel(20 + 120 + 5, 60), centreSampled(modelFrame, QSize(240, 180)).pixel(125, 10));
    }
}

void ModelVideoTest::blend_largerModelIsClippedAtEdges()
{
    VideoWindowFixture f;
    f.frame.opacity = 255;
    openBoth(f, m_video, m_modelLarge);
    f.window->modelAdjust();
    VideoPicture* picture = f.window->picVideo();
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(picture, QPoint(70, 80));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(70, 80));
    QCOMPARE(f.window->modelPlacement(), QPoint(-30, -20));
    const QImage composed = f.window->composedPicture();
    QCOMPARE(composed.size(), QSize(320, 240));
    const QImage model = f.window->vcxModel().GrabFrame();
    for (int y = VideoFrameComposer::TimeTextHeight; y < 240; y += 3)
        for (int x = 0; x < 320; x += 3)
            QCOMPARE(composed.pixel(x, y), model.pixel(x + 30, y + 20));
}

void ModelVideoTest::adjust_onlyAdjustAndZoomEnabled_dragMovesPlacement()
{
    VideoWindowFixture f;
    f.frame.opacity = 255;
    openBoth(f, m_video, m_modelAvi);
    VideoPicture* picture = f.window->picVideo();
    f.window->modelAdjust();
    QVERIFY(f.window->modelAdjustMode());
    QCOMPARE(picture->cursor().shape(), Qt::SizeAllCursor);
    QCOMPARE(f.frame.enabledCount(), 3);
    QCOMPARE(f.frame.enabledButtons(Toolbar::Model), QList<int>({6, 7, 8}));

    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(50, 60));
    QTest::mouseMove(picture, QPoint(70, 65));
    QCOMPARE(f.window->modelPlacement(), QPoint(20, 5));
    QTest::mouseMove(picture, QPoint(90, 100));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(90, 100));
    QCOMPARE(f.window->modelPlacement(), QPoint(40, 40));
    // Moving without a press does not drag.
    QTest::mouseMove(picture, QPoint(200, 200));
    QCOMPARE(f.window->modelPlacement(), QPoint(40, 40));

    const QImage composed = f.window->composedPicture();
    const QImage model = f.window->vcxModel().GrabFrame();
    for (int y = 0; y < 120; y += 2)
        for (int x = 0; x < 160; x += 2)
            QCOMPARE(composed.pixel(40 + x, 40 + y), model.pixel(x, y));
    QCOMPARE(composed.pixel(39, 100), f.window->backgroundPicture().pixel(39, 100));

    f.window->modelAdjust();
    QVERIFY(!f.window->modelAdjustMode());
    QCOMPARE(picture->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(f.frame.enabledCount(), 10 + 13 + 16 + 12);
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(50, 60));
    QTest::mouseMove(picture, QPoint(70, 65));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(70, 65));
    QCOMPARE(f.window->modelPlacement(), QPoint(40, 40));
}

void ModelVideoTest::close_removesModelAtOnce()
{
    VideoWindowFixture f;
    f.frame.opacity = 255;
    openBoth(f, m_video, m_modelAvi);
    f.window->modelSetPos(9);
    QTRY_COMPARE(shownModelIndex(*f.window), 9);
    f.window->modelClose();
    QVERIFY(!f.window->HasModel());
    // No event loop turn: the picture is already the video alone.
    QImage expected = f.window->backgroundPicture().copy();
    VideoFrameComposer::drawTimeText(expected, f.window->vcxVideo().Position());
    QCOMPARE(f.window->composedPicture(), expected);
    QCOMPARE(shownIndex(*f.window), 0);
}

void ModelVideoTest::commandsWithoutModelDoNothing()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(m_video, false);
    const int before = f.frame.enabledCount();
    f.window->modelPlay(false);
    f.window->modelPlay(true);
    f.window->modelAdjust();
    f.window->modelStop(true);
    QCOMPARE(f.frame.enabledCount(), before);
    QVERIFY(!f.window->modelAdjustMode());
    f.window->modelZoomIn();
    QVERIFY(qAbs(f.window->modelZoom() - 1.05) < 1e-12);
    QTest::qWait(250);
    QCOMPARE(int(f.window->vcxVideo().CurrentFrame()), 0);
}
