// Point tracking: a disc followed along a swing arc through blur and behind
// a post, corrections, speeds, the table export and the worker.
#include "AnalysisClips.h"
#include "TrackClips.h"

#include "analysis/ClipPointTracker.h"
#include "analysis/GreyFrameSampler.h"
#include "analysis/TrackCsv.h"
#include "analysis/TrackRunner.h"
#include "analysis/TrackSpeeds.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace kestrel;
using namespace kestrel::test;

namespace {

constexpr double kTolerancePx = 3;

double distance(QPointF a, QPointF b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

TrackClipRecipe recipeAt(int fps)
{
    TrackClipRecipe recipe;
    recipe.fps = fps;
    return recipe;
}

// The frame in the middle of the downswing.
int midDownswing(const TrackClipRecipe& recipe)
{
    return int(std::lround((recipe.stillS + recipe.downS / 2) * recipe.fps));
}

// A track by hand: frames 100 ms apart.
PointTrack handTrack(const std::vector<std::optional<QPointF>>& positions)
{
    PointTrack track;
    track.startFrame = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        track.frameTimesMs.push_back(qint64(i) * 100);
        track.points.push_back(
            positions[i] ? TrackPoint{*positions[i], i == 0 ? TrackState::Set : TrackState::Tracked} : TrackPoint{});
    }
    return track;
}

} // namespace

class TrackingTests : public QObject {
    Q_OBJECT
private:
    AnalysisClips m_clips;

    QString clipAt(int fps)
    {
        return m_clips.made(QStringLiteral("disc_%1fps.avi").arg(fps),
            [fps](const QString& file, QString* error) { return makeTrackClip(file, recipeAt(fps), error); });
    }

    // Every frame where the disc shows whole is within the tolerance, and
    // after the post the disc is found again within three frames of the walk.
    static void checkAgainstTruth(
        const PointTrack& track, const TrackClipTruth& truth, qint64 startFrame, double tolerancePx = kTolerancePx)
    {
        QCOMPARE(track.frameCount(), qint64(truth.frameCount()));
        for (int i = 0; i < truth.frameCount(); ++i) {
            if (!truth.whole[size_t(i)])
                continue;
            QVERIFY2(track.hasPosition(i), qPrintable(QStringLiteral("frame %1 has no position").arg(i)));
            const double off = distance(track.points[size_t(i)].positionPx, truth.centrePx[size_t(i)]);
            QVERIFY2(off <= tolerancePx, qPrintable(QStringLiteral("frame %1 is %2 px off").arg(i).arg(off)));
        }
        // The walk meets the post going away from the start frame.
        const int step = truth.whole.back() && startFrame < truth.frameCount() / 2 ? 1 : -1;
        int hidden = -1;
        for (int i = int(startFrame); i >= 0 && i < truth.frameCount(); i += step) {
            if (!truth.whole[size_t(i)])
                hidden = i;
            else if (hidden >= 0)
                break;
        }
        QVERIFY2(hidden >= 0, "the walk never passes the post");
        int seen = -1;
        for (int k = 1; k <= 3; ++k) {
            const int i = hidden + k * step;
            if (track.points[size_t(i)].state == TrackState::Tracked) {
                seen = i;
                break;
            }
        }
        QVERIFY2(seen >= 0, qPrintable(QStringLiteral("not found within 3 frames after frame %1").arg(hidden)));
    }

private slots:
    void track_followsDiscOnArc_data()
    {
        QTest::addColumn<int>("fps");
        QTest::addColumn<int>("start"); // -1: the last frame, -2: mid-downswing
        QTest::newRow("60fps_from_first") << 60 << 0;
        QTest::newRow("240fps_from_first") << 240 << 0;
        QTest::newRow("60fps_from_last") << 60 << -1;
        QTest::newRow("240fps_from_mid_downswing") << 240 << -2;
    }
    void track_followsDiscOnArc()
    {
        QFETCH(int, fps);
        QFETCH(int, start);
        const QString clip = clipAt(fps);
        QVERIFY(!clip.isEmpty());
        const TrackClipRecipe recipe = recipeAt(fps);
        const TrackClipTruth truth = trackClipTruth(recipe);
        const qint64 frame = start == -1 ? truth.frameCount() - 1 : start == -2 ? midDownswing(recipe) : start;
        // The user's click is a pixel, not the exact centre.
        const QPointF click(
            std::round(truth.centrePx[size_t(frame)].x()), std::round(truth.centrePx[size_t(frame)].y()));
        std::vector<double> shares;
        const PointTrack track
            = ClipPointTracker().track(clip, frame, click, {}, [&](double share) { shares.push_back(share); });
        QVERIFY2(track.succeeded(), qPrintable(track.error));
        QCOMPARE(track.startFrame, frame);
        QCOMPARE(track.points[size_t(frame)].state, TrackState::Set);
        QCOMPARE(track.points[size_t(frame)].positionPx, click);
        QCOMPARE(track.videoSizePx, QSize(recipe.width, recipe.height));
        QCOMPARE(track.frameTimesMs[10], std::llround(10 * 1000.0 / fps));
        checkAgainstTruth(track, truth, frame);
        QVERIFY(!shares.empty());
        QVERIFY(std::is_sorted(shares.begin(), shares.end()));
        QCOMPARE(shares.back(), 1.0);
    }

    void track_workingScaleBelowVideoSize_staysOnDisc()
    {
        // Half the clip's width: positions come back in the video's own pixels.
        ClipPointTracker::Options options;
        options.workingSidePx = 320;
        options.tracker.patchRadiusPx = 7;
        const TrackClipTruth truth = trackClipTruth(recipeAt(60));
        const PointTrack track = ClipPointTracker(options).track(clipAt(60), 0, truth.centrePx[0]);
        QVERIFY2(track.succeeded(), qPrintable(track.error));
        checkAgainstTruth(track, truth, 0);
    }

    void track_clickInsidePlainDisc_stillFollowsIt()
    {
        // The disc is wider than the patch a click takes: the look must grow to its edge.
        TrackClipRecipe recipe = recipeAt(60);
        recipe.discRadiusPx = 26;
        const QString clip = m_clips.made(QStringLiteral("big_disc.avi"),
            [&recipe](const QString& file, QString* error) { return makeTrackClip(file, recipe, error); });
        QVERIFY(!clip.isEmpty());
        const TrackClipTruth truth = trackClipTruth(recipe);
        const PointTrack track = ClipPointTracker().track(clip, 0, truth.centrePx[0]);
        QVERIFY2(track.succeeded(), qPrintable(track.error));
        // Followed, not lost: a click on an even patch would otherwise find
        // nothing to match. The wide look places it less exactly than a
        // textured one: within a quarter of the disc's width.
        checkAgainstTruth(track, truth, 0, recipe.discRadiusPx / 2);
    }

    void track_badInput_saysWhy_data()
    {
        QTest::addColumn<bool>("missingFile");
        QTest::addColumn<qint64>("frame");
        QTest::addColumn<QString>("startOfError");
        QTest::newRow("no_such_file") << true << qint64(0) << QStringLiteral("Cannot track a point in ");
        QTest::newRow("frame_past_end") << false << qint64(100000)
                                        << QStringLiteral("Frame 100000 is not in the clip (0 to ");
        QTest::newRow("negative_frame") << false << qint64(-1) << QStringLiteral("Frame -1 is not in the clip (0 to ");
    }
    void track_badInput_saysWhy()
    {
        QFETCH(bool, missingFile);
        QFETCH(qint64, frame);
        QFETCH(QString, startOfError);
        const QString clip = missingFile ? m_clips.path(QStringLiteral("none.avi")) : clipAt(60);
        const PointTrack track = ClipPointTracker().track(clip, frame, QPointF(10, 10));
        QVERIFY(!track.succeeded());
        QVERIFY2(track.error.startsWith(startOfError), qPrintable(track.error));
        QVERIFY(track.points.empty());
    }

    void correct_retracksAwayFromStartUpToNextPlacedFrame()
    {
        const TrackClipRecipe recipe = recipeAt(60);
        const TrackClipTruth truth = trackClipTruth(recipe);
        const QString clip = clipAt(60);
        const qint64 start = midDownswing(recipe);
        PointTrack track = ClipPointTracker().track(clip, start, truth.centrePx[size_t(start)]);
        QVERIFY2(track.succeeded(), qPrintable(track.error));
        // The user placed the point later on too; everything between went astray.
        const qint64 later = start + 30;
        const qint64 fixAt = start + 10;
        track.points[size_t(later)] = {truth.centrePx[size_t(later)] + QPointF(0.5, 0), TrackState::Set};
        const PointTrack before = track;
        for (qint64 i = fixAt; i < later; ++i)
            track.points[size_t(i)] = {QPointF(5, 5), TrackState::Tracked};

        const PointTrack fixed = ClipPointTracker().correct(clip, track, fixAt, truth.centrePx[size_t(fixAt)]);
        QVERIFY2(fixed.succeeded(), qPrintable(fixed.error));
        QCOMPARE(fixed.points[size_t(fixAt)].state, TrackState::Set);
        for (qint64 i = fixAt + 1; i < later; ++i) {
            if (truth.whole[size_t(i)])
                QVERIFY2(distance(fixed.points[size_t(i)].positionPx, truth.centrePx[size_t(i)]) <= kTolerancePx,
                    qPrintable(QStringLiteral("frame %1").arg(i)));
        }
        // Before the fix and from the next placed frame on, nothing moved.
        for (qint64 i = 0; i < fixAt; ++i)
            QCOMPARE(fixed.points[size_t(i)].positionPx, before.points[size_t(i)].positionPx);
        for (qint64 i = later; i < fixed.frameCount(); ++i) {
            QCOMPARE(fixed.points[size_t(i)].positionPx, before.points[size_t(i)].positionPx);
            QCOMPARE(fixed.points[size_t(i)].state, before.points[size_t(i)].state);
        }
        QCOMPARE(fixed.setFrames(), (std::vector<qint64>{start, fixAt, later}));
    }

    void correct_beforeStartFrame_retracksBackwards()
    {
        const TrackClipRecipe recipe = recipeAt(60);
        const TrackClipTruth truth = trackClipTruth(recipe);
        const QString clip = clipAt(60);
        const qint64 start = truth.frameCount() - 1;
        PointTrack track = ClipPointTracker().track(clip, start, truth.centrePx[size_t(start)]);
        QVERIFY2(track.succeeded(), qPrintable(track.error));
        const PointTrack before = track;
        const qint64 fixAt = midDownswing(recipe);
        for (qint64 i = 0; i < fixAt; ++i)
            track.points[size_t(i)] = {};
        const PointTrack fixed = ClipPointTracker().correct(clip, track, fixAt, truth.centrePx[size_t(fixAt)]);
        QVERIFY2(fixed.succeeded(), qPrintable(fixed.error));
        for (qint64 i = 0; i < fixAt; ++i)
            QVERIFY2(distance(fixed.points[size_t(i)].positionPx, truth.centrePx[size_t(i)]) <= kTolerancePx,
                qPrintable(QStringLiteral("frame %1").arg(i)));
        for (qint64 i = fixAt + 1; i < fixed.frameCount(); ++i)
            QCOMPARE(fixed.points[size_t(i)].positionPx, before.points[size_t(i)].positionPx);
    }

    void correct_trackOfAnotherClip_isRefused()
    {
        PointTrack foreign = handTrack({QPointF(1, 1), QPointF(2, 2)});
        const PointTrack result = ClipPointTracker().correct(clipAt(60), foreign, 1, QPointF(3, 3));
        QVERIFY(!result.succeeded());
        QVERIFY2(result.error.startsWith(QStringLiteral("The track does not belong to ")), qPrintable(result.error));
    }

    void speeds_matchTruthAfterCalibration_data()
    {
        QTest::addColumn<int>("fps");
        QTest::newRow("60fps") << 60;
        QTest::newRow("240fps") << 240;
    }
    void speeds_matchTruthAfterCalibration()
    {
        QFETCH(int, fps);
        const TrackClipTruth truth = trackClipTruth(recipeAt(fps));
        const PointTrack track = ClipPointTracker().track(clipAt(fps), 0, truth.centrePx[0]);
        QVERIFY2(track.succeeded(), qPrintable(track.error));
        const TrackSpeeds speeds = TrackSpeeds::of(track);
        // A ruler 1.15 m long over the arc's 230 px radius.
        const double metresPerPx = 1.15 / 230;
        const int reach = std::max(1, fps / 60) * 3;
        int compared = 0;
        for (int i = reach; i + reach < truth.frameCount(); ++i) {
            bool clear = truth.speedPxPerS[size_t(i)] > 300;
            for (int j = i - reach; j <= i + reach; ++j)
                clear = clear && truth.whole[size_t(j)];
            if (!clear)
                continue;
            QVERIFY(speeds.pxPerS[size_t(i)].has_value());
            const double measured = convertSpeed(*speeds.pxPerS[size_t(i)], SpeedUnit::MetresPerSecond, metresPerPx);
            const double real = truth.speedPxPerS[size_t(i)] * metresPerPx;
            QVERIFY2(std::abs(measured - real) <= 0.05 * real,
                qPrintable(QStringLiteral("frame %1: %2 m/s, really %3").arg(i).arg(measured).arg(real)));
            ++compared;
        }
        QVERIFY(compared > truth.frameCount() / 3);
        const double topReal = *std::max_element(truth.speedPxPerS.begin(), truth.speedPxPerS.end());
        QVERIFY2(std::abs(speeds.topPxPerS - topReal) <= 0.05 * topReal,
            qPrintable(QStringLiteral("top %1 px/s, really %2").arg(speeds.topPxPerS).arg(topReal)));
        const auto fastest = std::max_element(truth.speedPxPerS.begin(), truth.speedPxPerS.end());
        QVERIFY(std::abs(speeds.topFrame - (fastest - truth.speedPxPerS.begin())) <= fps / 20);
    }

    void speeds_unitsAndText()
    {
        // 100 px/s at 0.01 m/px is 1 m/s.
        QCOMPARE(convertSpeed(100, SpeedUnit::PixelsPerSecond, 0.01), 100.0);
        QCOMPARE(convertSpeed(100, SpeedUnit::MetresPerSecond, 0.01), 1.0);
        QCOMPARE(convertSpeed(100, SpeedUnit::KilometresPerHour, 0.01), 3.6);
        QVERIFY(std::abs(convertSpeed(100, SpeedUnit::MilesPerHour, 0.01) - 2.236936) < 1e-6);
        QCOMPARE(speedText(1234.56, SpeedUnit::PixelsPerSecond, 0), QStringLiteral("1234.6 px/s"));
        QCOMPARE(speedText(1000, SpeedUnit::KilometresPerHour, 0.01), QStringLiteral("36.0 km/h"));
        QCOMPARE(speedText(1000, SpeedUnit::MilesPerHour, 0.01), QStringLiteral("22.4 mph"));
    }

    void speeds_needTwoSightingsNearby()
    {
        // 10 px in 100 ms, then a gap, then a lone point.
        const PointTrack track = handTrack({QPointF(0, 0), QPointF(10, 0), std::nullopt, QPointF(30, 40)});
        const TrackSpeeds speeds = TrackSpeeds::of(track);
        QCOMPARE(speeds.pxPerS[0].value(), 100.0);
        QCOMPARE(speeds.pxPerS[1].value(), 100.0);
        QVERIFY(!speeds.pxPerS[2].has_value());
        QVERIFY(!speeds.pxPerS[3].has_value());
        QCOMPARE(speeds.topPxPerS, 100.0);
        QCOMPARE(speeds.topFrame, qint64(0));

        // A guessed position, however fast, neither has a speed nor lends one.
        PointTrack guessed = handTrack({QPointF(0, 0), QPointF(10, 0), QPointF(500, 0), QPointF(30, 0)});
        guessed.points[2].state = TrackState::Predicted;
        const TrackSpeeds fromSightings = TrackSpeeds::of(guessed);
        QVERIFY(!fromSightings.pxPerS[2].has_value());
        QVERIFY(!fromSightings.pxPerS[3].has_value());
        QCOMPARE(fromSightings.pxPerS[1].value(), 100.0);
        QCOMPARE(fromSightings.topPxPerS, 100.0);
    }

    void csv_listsFramesWithPositions_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<double>("metresPerPx");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("pixels") << int(SpeedUnit::PixelsPerSecond) << 0.0
                                << QByteArray("frame,time ms,x,y,speed px/s\n0,0,0.0,0.0,100.00\n"
                                              "1,100,10.0,0.0,100.00\n3,300,30.0,40.0,\n");
        QTest::newRow("km_per_hour") << int(SpeedUnit::KilometresPerHour) << 0.01
                                     << QByteArray("frame,time ms,x,y,speed km/h\n0,0,0.0,0.0,3.60\n"
                                                   "1,100,10.0,0.0,3.60\n3,300,30.0,40.0,\n");
    }
    void csv_listsFramesWithPositions()
    {
        QFETCH(int, unit);
        QFETCH(double, metresPerPx);
        QFETCH(QByteArray, expected);
        const PointTrack track = handTrack({QPointF(0, 0), QPointF(10, 0), std::nullopt, QPointF(30, 40)});
        QCOMPARE(TrackCsv::text(track, SpeedUnit(unit), metresPerPx), expected);
        const QString file = m_clips.path(QStringLiteral("track.csv"));
        QString error;
        QVERIFY(TrackCsv::write(file, track, SpeedUnit(unit), metresPerPx, &error));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), expected);
    }

    void csv_unwritableFolder_failsWithReason()
    {
        QString error;
        QVERIFY(!TrackCsv::write(m_clips.path(QStringLiteral("no/such/folder/track.csv")), handTrack({QPointF(0, 0)}),
            SpeedUnit::PixelsPerSecond, 0, &error));
        QVERIFY(!error.isEmpty());
    }

    void lines_onePerFrame()
    {
        const PointTrack track = handTrack({QPointF(1.24, 2), std::nullopt, QPointF(30, 40.04)});
        QCOMPARE(pointTrackLines(track),
            (QStringList{QStringLiteral("0 1.2 2.0"), QStringLiteral("1 - -"), QStringLiteral("2 30.0 40.0")}));
    }

    void sampler_turnsAndScalesLikeThePlayer_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<int>("uprightX"); // where stored pixel (0, 0) shows in a 4x2 picture turned upright
        QTest::addColumn<int>("uprightY");
        QTest::newRow("none") << 0 << 0 << 0;
        QTest::newRow("90") << 90 << 1 << 0;
        QTest::newRow("180") << 180 << 3 << 1;
        QTest::newRow("270") << 270 << 0 << 3;
    }
    void sampler_turnsAndScalesLikeThePlayer()
    {
        QFETCH(int, rotation);
        QFETCH(int, uprightX);
        QFETCH(int, uprightY);
        FramePtr frame = makeFrame();
        frame->format = AV_PIX_FMT_GRAY8;
        frame->width = 4;
        frame->height = 2;
        QVERIFY(av_frame_get_buffer(frame.get(), 64) >= 0);
        for (int y = 0; y < 2; ++y)
            std::fill_n(frame->data[0] + y * frame->linesize[0], 4, uint8_t(20));
        frame->data[0][0] = 200;
        GreyFrameSampler sampler(QSize(4, 2), rotation, 960);
        QCOMPARE(sampler.scale(), 1.0);
        cv::Mat grey;
        QVERIFY(sampler.sample(frame.get(), grey));
        QCOMPARE(grey.cols, rotation % 180 ? 2 : 4);
        QCOMPARE(grey.size(), sampler.size());
        QCOMPARE(int(grey.at<uchar>(uprightY, uprightX)), 200);
        QCOMPARE(int(cv::sum(grey)[0]), 200 + 7 * 20);
        // Scaled down: the longer side meets the limit.
        GreyFrameSampler half(QSize(1920, 1080), rotation, 960);
        QCOMPARE(half.scale(), 0.5);
        QCOMPARE(half.size(), rotation % 180 ? cv::Size(540, 960) : cv::Size(960, 540));
    }

    void runner_reportsProgressThenTrack()
    {
        const TrackClipTruth truth = trackClipTruth(recipeAt(60));
        TrackRunner runner;
        QSignalSpy progress(&runner, &TrackRunner::progressChanged);
        QSignalSpy finished(&runner, &TrackRunner::finished);
        runner.start(clipAt(60), 0, truth.centrePx[0], 7);
        QVERIFY(runner.isRunning());
        QVERIFY(finished.wait(60000));
        QVERIFY(!runner.isRunning());
        const auto track = finished.first().at(0).value<PointTrack>();
        QCOMPARE(finished.first().at(1).toInt(), 7);
        QVERIFY2(track.succeeded(), qPrintable(track.error));
        QCOMPARE(track.frameCount(), qint64(truth.frameCount()));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().first().toInt(), 100);

        // A correction through the runner comes back the same way.
        runner.correct(clipAt(60), track, 20, truth.centrePx[20], 8);
        QVERIFY(finished.wait(60000));
        const auto fixed = finished.last().at(0).value<PointTrack>();
        QCOMPARE(finished.last().at(1).toInt(), 8);
        QCOMPARE(fixed.points[20].state, TrackState::Set);
    }

    void runner_cancel_reportsNothingMore()
    {
        // A long clip, so the run is still going when it is cancelled.
        TrackClipRecipe recipe = recipeAt(240);
        const TrackClipTruth truth = trackClipTruth(recipe);
        TrackRunner runner;
        QSignalSpy finished(&runner, &TrackRunner::finished);
        QSignalSpy canceled(&runner, &TrackRunner::canceled);
        runner.start(clipAt(240), 0, truth.centrePx[0]);
        runner.cancel();
        QCOMPARE(canceled.size(), 1);
        QVERIFY(!runner.isRunning());
        QTest::qWait(500);
        QCOMPARE(finished.size(), 0);
        runner.cancel(); // nothing running: nothing to report
        QCOMPARE(canceled.size(), 1);
    }

    void tracker_stop_endsTheWalk()
    {
        const TrackClipTruth truth = trackClipTruth(recipeAt(240));
        int calls = 0;
        const PointTrack track
            = ClipPointTracker().track(clipAt(240), 0, truth.centrePx[0], [&calls] { return ++calls > 5; });
        QCOMPARE(track.error, ClipPointTracker::stoppedError());
        QVERIFY(track.points.empty());
    }

    void runner_destroyedWhileRunning_stopsItsWorker()
    {
        const TrackClipTruth truth = trackClipTruth(recipeAt(240));
        auto runner = std::make_unique<TrackRunner>();
        runner->start(clipAt(240), 0, truth.centrePx[0]);
        QTest::qWait(20);
        runner.reset();
        QTest::qWait(20); // any report already queued must find no one
    }
};

int runTrackingTests(int argc, char** argv)
{
    TrackingTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "TrackingTests.moc"
