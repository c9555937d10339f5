#include "SwingEventsTest.h"

#include "VideoTestFixture.h"
#include "analysis/SwingMarksStore.h"
#include "app/mMain.h"
#include "engine/VideoEngine.h"
#include "video/ClipSwingEvents.h"

#include <QLabel>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
constexpr int kAnalysisTimeoutMs = 60000;

SwingClipRecipe swingRecipe(int fps, double addressS)
{
    SwingClipRecipe recipe;
    recipe.videoCodec = QStringLiteral("libx264");
    recipe.fps = fps;
    recipe.addressS = addressS;
    return recipe;
}

bool eventsReady(const ClipSwingEvents& events)
{
    return events.status() == ClipSwingEvents::Status::Ready;
}

qint64 frameMs(const VideoEngine& engine)
{
    return engine.Duration() / engine.FrameCount();
}

// After both windows have shown their frames: the follower shows the
// leader's moment of the swing, impact on impact, within one of its frames.
void expectAligned(frmVideo& leader, frmVideo& follower, const char* step)
{
    VideoEngine& a = leader.vcxVideo();
    VideoEngine& b = follower.vcxVideo();
    QVERIFY(a.waitUntilShown());
    QVERIFY(b.waitUntilShown());
    const qint64 leaderImpactMs = a.frameTimeMs(leader.swingMarks().frame(SwingEvent::Impact));
    const qint64 followerImpactMs = b.frameTimeMs(follower.swingMarks().frame(SwingEvent::Impact));
    const qint64 target = a.shownPositionMs() - leaderImpactMs + followerImpactMs;
    const qint64 off = qAbs(b.shownPositionMs() - target);
    QVERIFY2(off <= frameMs(b),
        qPrintable(
            QStringLiteral("%1: follower at %2 ms, target %3 ms").arg(step).arg(b.shownPositionMs()).arg(target)));
}
} // namespace

void SwingEventsTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The two swings reach impact at different times of their clips.
    const SwingClipRecipe at60 = swingRecipe(60, 0.6);
    const SwingClipRecipe at240 = swingRecipe(240, 0.35);
    m_clip60 = m_dir.filePath(QStringLiteral("swing60.mkv"));
    m_clip240 = m_dir.filePath(QStringLiteral("swing240.mkv"));
    QString error;
    if (!makeSwingClip(m_clip60, at60, &error) || !makeSwingClip(m_clip240, at240, &error))
        QSKIP(qPrintable(QStringLiteral("cannot make swing clips: ") + error));
    m_truth60 = swingTruth(at60);
    m_truth240 = swingTruth(at240);
}

void SwingEventsTest::marks_foundInBackground_onSliderWithTempoLine()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(m_clip60);
    auto* label = f.window->findChild<QLabel*>(QStringLiteral("lblSwingEvents"));
    QVERIFY(label);
    // The window opened at once; the analysis reports while it runs.
    QCOMPARE(f.window->swingEvents().status(), ClipSwingEvents::Status::Finding);
    QVERIFY(label->text().startsWith(QStringLiteral("Finding swing events\u2026 ")));
    QVERIFY(f.frame.videoMarks.isEmpty());
    QVERIFY(!f.window->GoToSwingEvent(SwingEvent::Impact));

    QTRY_VERIFY_WITH_TIMEOUT(eventsReady(f.window->swingEvents()), kAnalysisTimeoutMs);
    const SwingMarks& marks = f.window->swingMarks();
    QVERIFY(qAbs(marks.frame(SwingEvent::Impact) - m_truth60.impact) <= 1);
    QVERIFY(marks.inOrder());

    QCOMPARE(f.frame.videoMarks.size(), 4);
    const QStringList letters{"A", "T", "I", "F"};
    for (int i = 0; i < 4; ++i) {
        const TrackBarMark& mark = f.frame.videoMarks[i];
        QCOMPARE(mark.letter, letters[i]);
        QCOMPARE(qint64(mark.value), marks.frame(kSwingEvents[size_t(i)]));
    }
    const qint64 impact = marks.frame(SwingEvent::Impact);
    const qint64 impactMs = f.window->vcxVideo().frameTimeMs(impact);
    QCOMPARE(f.frame.videoMarks[2].toolTip,
        QStringLiteral("Impact: frame %1 (%2)").arg(impact + 1).arg(FormatTime(qint32(impactMs), true)));
    QVERIFY(f.frame.videoMarks[2].colour != f.frame.videoMarks[0].colour);

    const SwingTempo tempo = f.window->swingEvents().tempo();
    QVERIFY(tempo.isValid());
    QVERIFY(qAbs(tempo.downswingMs - m_truth60.downswingMs) <= 40);
    QCOMPARE(label->text(), QStringLiteral("tempo ") + tempo.text());
    QVERIFY(label->isVisible());
}

void SwingEventsTest::marks_closingWindowCancelsTheAnalysis()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(m_clip240);
    QCOMPARE(f.window->swingEvents().status(), ClipSwingEvents::Status::Finding);
    f.window->close();
    QCOMPARE(f.window->swingEvents().status(), ClipSwingEvents::Status::None);
    QVERIFY(f.frame.videoMarks.isEmpty());
    // A cancelled run never reports, however long it is given.
    QTest::qWait(300);
    QCOMPARE(f.window->swingEvents().status(), ClipSwingEvents::Status::None);
    QVERIFY(f.window->swingMarks().isEmpty());
}

void SwingEventsTest::marks_goToImpactNextAndPrevious()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(m_clip60);
    QTRY_VERIFY_WITH_TIMEOUT(eventsReady(f.window->swingEvents()), kAnalysisTimeoutMs);
    const SwingMarks marks = f.window->swingMarks();
    VideoEngine& engine = f.window->vcxVideo();
    const auto landsOn = [&](SwingEvent event) {
        const qint64 frame = marks.frame(event);
        return engine.waitUntilShown() && engine.currentVideoFrame().index == frame && engine.CurrentFrame() == frame
            && f.frame.videoPosition == int(frame) && f.window->currentFrame() == frame;
    };

    QVERIFY(f.window->GoToSwingEvent(SwingEvent::Impact));
    QVERIFY(landsOn(SwingEvent::Impact));
    QVERIFY(f.window->GoToNextMark(1));
    QVERIFY(landsOn(SwingEvent::Finish));
    QVERIFY(!f.window->GoToNextMark(1));
    QVERIFY(landsOn(SwingEvent::Finish));
    for (SwingEvent event : {SwingEvent::Impact, SwingEvent::Top, SwingEvent::Address}) {
        QVERIFY(f.window->GoToNextMark(-1));
        QVERIFY(landsOn(event));
    }
    QVERIFY(!f.window->GoToNextMark(-1));
    f.window->vcxFirst();
    QVERIFY(f.window->GoToNextMark(1));
    QVERIFY(landsOn(SwingEvent::Address));
    // Between two marks the step goes to the next one, not back to the last.
    f.window->StepBy(2);
    QVERIFY(f.window->GoToNextMark(-1));
    QVERIFY(landsOn(SwingEvent::Address));
}

void SwingEventsTest::setMark_keptAcrossWindows_findAgainKeepsIt()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(m_clip60);
    QTRY_VERIFY_WITH_TIMEOUT(eventsReady(f.window->swingEvents()), kAnalysisTimeoutMs);
    const SwingMarks found = f.window->swingMarks();
    const qint64 movedTop = found.frame(SwingEvent::Top) + 3;
    QVERIFY(f.window->GoToSwingEvent(SwingEvent::Top));
    f.window->StepBy(3);
    QVERIFY(f.window->SetSwingMarkHere(SwingEvent::Top));
    QCOMPARE(f.window->swingMarks().frame(SwingEvent::Top), movedTop);
    QVERIFY(f.window->swingMarks().isUserSet(SwingEvent::Top));
    QVERIFY(!f.window->swingMarks().isUserSet(SwingEvent::Impact));
    QVERIFY(f.frame.videoMarks[1].toolTip.endsWith(QStringLiteral(", set by you")));
    QCOMPARE(qint64(f.frame.videoMarks[1].value), movedTop);
    // The tempo follows the moved mark.
    const SwingTempo tempo = f.window->swingEvents().tempo();
    QCOMPARE(tempo.downswingMs,
        f.window->vcxVideo().frameTimeMs(found.frame(SwingEvent::Impact)) - f.window->vcxVideo().frameTimeMs(movedTop));
    QCOMPARE(f.window->findChild<QLabel*>(QStringLiteral("lblSwingEvents"))->text(),
        QStringLiteral("tempo ") + tempo.text());
    const QString stored = f.settings->read(SwingMarksStore::keyFor(m_clip60), QString());
    QVERIFY2(stored.contains(QStringLiteral("top=%1*").arg(movedTop)), qPrintable(stored));

    // A new window (as after a restart) takes the kept marks without analysing.
    frmVideo second(f.app, f.frame);
    second.NewPlayerFile(m_clip60);
    QCOMPARE(second.swingEvents().status(), ClipSwingEvents::Status::Ready);
    QCOMPARE(second.swingMarks(), f.window->swingMarks());

    // Finding the events again keeps what the user chose.
    second.FindSwingEventsAgain();
    QCOMPARE(second.swingEvents().status(), ClipSwingEvents::Status::Finding);
    QTRY_VERIFY_WITH_TIMEOUT(eventsReady(second.swingEvents()), kAnalysisTimeoutMs);
    QCOMPARE(second.swingMarks().frame(SwingEvent::Top), movedTop);
    QVERIFY(second.swingMarks().isUserSet(SwingEvent::Top));
    QCOMPARE(second.swingMarks().frame(SwingEvent::Impact), found.frame(SwingEvent::Impact));
}

void SwingEventsTest::sync_partnerFollowsByTime_data()
{
    QTest::addColumn<bool>("slowMotionLeads");
    QTest::newRow("60 fps leads, 240 fps follows") << false;
    QTest::newRow("240 fps leads, 60 fps follows") << true;
}

void SwingEventsTest::sync_partnerFollowsByTime()
{
    QFETCH(bool, slowMotionLeads);
    VideoWindowFixture f;
    // Two windows share the fake frame; the slider is driven by hand here.
    f.frame.onVideoSliderMoved = nullptr;
    frmVideo other(f.app, f.frame);
    other.resize(400, 300);
    other.show();
    f.window->NewPlayerFile(m_clip60);
    other.NewPlayerFile(m_clip240);
    QTRY_VERIFY_WITH_TIMEOUT(eventsReady(f.window->swingEvents()), kAnalysisTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(eventsReady(other.swingEvents()), kAnalysisTimeoutMs);
    frmVideo& leader = slowMotionLeads ? other : *f.window;
    frmVideo& follower = slowMotionLeads ? *f.window : other;

    QVERIFY(leader.SyncAtImpact(&follower));
    QCOMPARE(leader.syncedPartner(), &follower);
    QCOMPARE(follower.syncedPartner(), &leader);

    QVERIFY(leader.GoToSwingEvent(SwingEvent::Impact));
    expectAligned(leader, follower, "impact");
    QCOMPARE(follower.vcxVideo().currentVideoFrame().index, follower.swingMarks().frame(SwingEvent::Impact));

    for (qint64 step : {1, 1, 1, 3, -7, -1}) {
        leader.StepBy(step);
        expectAligned(leader, follower, qPrintable(QStringLiteral("step %1").arg(step)));
    }
    QVERIFY(leader.GoToSwingEvent(SwingEvent::Top));
    expectAligned(leader, follower, "top");
    QVERIFY(leader.GoToNextMark(1));
    expectAligned(leader, follower, "next mark");
    QString next = QStringLiteral("next");
    leader.vcxSetPos(next);
    expectAligned(leader, follower, "next button");

    // The slider counts frames; dropping it a few frames past impact.
    f.frame.videoPosition = int(leader.swingMarks().frame(SwingEvent::Impact)) + 6;
    QString slider = QStringLiteral("scrollchange");
    leader.vcxSetPos(slider);
    expectAligned(leader, follower, "slider");

    // The follower's own moves take the leader along the same way.
    follower.StepBy(-2);
    expectAligned(follower, leader, "follower steps");

    // Playing: the follower does not play by itself but shows the leader's moments.
    QVERIFY(leader.GoToSwingEvent(SwingEvent::Top));
    leader.vcxPlay();
    QTest::qWait(250);
    QVERIFY(!follower.IsPlaying());
    leader.vcxStop();
    expectAligned(leader, follower, "after playing");
}

void SwingEventsTest::sync_needsBothImpacts_andEndsWhenPartnerReopens()
{
    VideoWindowFixture f;
    f.frame.onVideoSliderMoved = nullptr;
    frmVideo other(f.app, f.frame);
    f.window->NewPlayerFile(m_clip60);
    other.NewPlayerFile(m_clip240);
    // The partner's analysis still runs: no impact yet, no link.
    QVERIFY(!eventsReady(other.swingEvents()));
    QVERIFY(!f.window->SyncAtImpact(&other));
    QCOMPARE(f.window->syncedPartner(), nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(eventsReady(f.window->swingEvents()), kAnalysisTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(eventsReady(other.swingEvents()), kAnalysisTimeoutMs);
    QVERIFY(!f.window->SyncAtImpact(f.window.get()));
    QVERIFY(f.window->SyncAtImpact(&other));

    // A new clip in the partner ends the link on both sides.
    other.NewPlayerFile(m_clip60);
    QCOMPARE(f.window->syncedPartner(), nullptr);
    QCOMPARE(other.syncedPartner(), nullptr);
    const qint64 before = other.vcxVideo().CurrentFrame();
    f.window->StepBy(5);
    QCOMPARE(other.vcxVideo().CurrentFrame(), before);
}

void SwingEventsTest::syncModel_modelFollowsVideoAtImpact()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(m_clip60);
    f.window->NewModelFile(m_clip240);
    QTRY_VERIFY_WITH_TIMEOUT(eventsReady(f.window->swingEvents()), kAnalysisTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(eventsReady(f.window->modelSwingEvents()), kAnalysisTimeoutMs);
    VideoEngine& video = f.window->vcxVideo();
    VideoEngine& model = f.window->vcxModel();
    const qint64 modelImpact = f.window->modelSwingEvents().marks().frame(SwingEvent::Impact);
    QVERIFY(qAbs(modelImpact - m_truth240.impact) <= 2);

    QVERIFY(f.window->SyncModelAtImpact());
    QVERIFY(f.window->GoToSwingEvent(SwingEvent::Impact));
    QVERIFY(model.waitUntilShown());
    QCOMPARE(model.currentVideoFrame().index, modelImpact);
    QCOMPARE(f.frame.modelPosition, int(modelImpact));

    const auto expectModelAligned = [&](const char* step) {
        QVERIFY(video.waitUntilShown());
        QVERIFY(model.waitUntilShown());
        const qint64 target = video.shownPositionMs()
            - video.frameTimeMs(f.window->swingMarks().frame(SwingEvent::Impact)) + model.frameTimeMs(modelImpact);
        QVERIFY2(qAbs(model.shownPositionMs() - target) <= frameMs(model),
            qPrintable(
                QStringLiteral("%1: model at %2 ms, target %3 ms").arg(step).arg(model.shownPositionMs()).arg(target)));
    };
    for (qint64 step : {1, 2, -4}) {
        f.window->StepBy(step);
        expectModelAligned("step");
    }
    // Stepping together: the video steps, the model keeps to its moments.
    f.window->modelPlay(true);
    QTest::qWait(350);
    f.window->modelStop(true);
    QVERIFY(video.CurrentFrame() > f.window->swingMarks().frame(SwingEvent::Impact));
    expectModelAligned("stepping together");

    // Closing the model ends the link; the video moves alone.
    f.window->modelClose();
    QVERIFY(!f.window->modelSyncedAtImpact());
}
