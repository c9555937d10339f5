#include "SeekRequestTests.h"

#include "engine/VideoEngine.h"
#include "support/TestClips.h"

#include <QSignalSpy>
#include <QtTest>

using kestrel::VideoEngine;
using kestrel::test::readFrameIndex;

namespace {
constexpr int kFrames = 300;
} // namespace

void SeekRequestTests::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (!kestrel::test::hasEncoder("libx264"))
        QSKIP("libx264 missing on this machine");
    // One keyframe for the whole clip: any frame far from the one shown is
    // a long decode away, never in the cache.
    kestrel::test::ClipRecipe recipe;
    recipe.codec = QStringLiteral("libx264");
    recipe.frames = kFrames;
    recipe.gopSize = kFrames;
    recipe.fpsNum = 60;
    m_longGop = m_dir.filePath(QStringLiteral("longgop.mp4"));
    QString error;
    QVERIFY2(kestrel::test::makeClip(m_longGop, recipe, &error), qPrintable(error));
}

void SeekRequestTests::farSeek_returnsAtOnce_keepsTheShownFrameUntilItLands()
{
    VideoEngine engine;
    QVERIFY(engine.OpenFile(m_longGop));
    QSignalSpy ready(&engine, &VideoEngine::FrameReady);
    QVERIFY(ready.wait(5000)); // the first frame's event
    ready.clear();

    engine.SeekFrame(kFrames - 10);
    // Back from the call with nothing decoded yet: the position is the one
    // asked for, the picture still the old frame.
    QVERIFY(engine.isSeeking());
    QCOMPARE(engine.state(), VideoEngine::State::Seeking);
    QCOMPARE(engine.CurrentFrame(), qint64(kFrames - 10));
    QCOMPARE(engine.currentVideoFrame().index, qint64(0));
    QCOMPARE(readFrameIndex(engine.GrabFrame()), 0);
    QCOMPARE(engine.shownPositionMs(), qint64(0));

    QVERIFY(ready.wait(10000));
    QCOMPARE(ready.count(), 1);
    QVERIFY(!engine.isSeeking());
    QCOMPARE(engine.state(), VideoEngine::State::Paused);
    QCOMPARE(readFrameIndex(engine.GrabFrame()), kFrames - 10);
    QCOMPARE(engine.currentVideoFrame().index, qint64(kFrames - 10));
    QCOMPARE(engine.shownPositionMs(), engine.Position());
}

void SeekRequestTests::burstOfSeeks_onlyTheNewestLands()
{
    VideoEngine engine;
    QVERIFY(engine.OpenFile(m_longGop));
    QCoreApplication::processEvents();
    QList<int> shown;
    connect(&engine, &VideoEngine::FrameReady, this, [&] { shown << readFrameIndex(engine.GrabFrame()); });
    QCoreApplication::processEvents();
    shown.clear();
    // As a slider dragged fast both ways asks.
    for (int target : {200, 120, 260, 40, 150, 230})
        engine.SeekFrame(target);
    QTRY_VERIFY_WITH_TIMEOUT(!engine.isSeeking(), 10000);
    QTest::qWait(20);
    QCOMPARE(shown, QList<int>{230});
    QCOMPARE(engine.CurrentFrame(), qint64(230));
}

void SeekRequestTests::stepsBeforeLanding_countFromThePositionAskedFor()
{
    VideoEngine engine;
    QVERIFY(engine.OpenFile(m_longGop));
    engine.SeekFrame(150);
    engine.StepForward();
    engine.StepForward();
    QCOMPARE(engine.CurrentFrame(), qint64(152));
    QVERIFY(engine.waitUntilShown());
    QCOMPARE(readFrameIndex(engine.GrabFrame()), 152);
    engine.SeekFrame(engine.CurrentFrame() - 1);
    QVERIFY(engine.waitUntilShown());
    QCOMPARE(readFrameIndex(engine.GrabFrame()), 151);
}

void SeekRequestTests::playDuringASeek_startsFromTheLandedFrame()
{
    VideoEngine engine;
    QVERIFY(engine.OpenFile(m_longGop));
    QList<int> shown;
    connect(&engine, &VideoEngine::FrameReady, this, [&] { shown << readFrameIndex(engine.GrabFrame()); });
    engine.SeekFrame(200);
    engine.Play();
    QCOMPARE(engine.state(), VideoEngine::State::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(engine.CurrentFrame() > 205, 10000);
    engine.Pause();
    QVERIFY(!shown.isEmpty());
    // Nothing before the landing was shown, and play went on from there.
    shown.removeAll(0);
    QCOMPARE(shown.first(), 200);
    QVERIFY(std::is_sorted(shown.begin(), shown.end()));
}

void SeekRequestTests::seekPastTheEnd_isTheEndAtOnce()
{
    VideoEngine engine;
    QVERIFY(engine.OpenFile(m_longGop));
    engine.SeekTime(engine.Duration() + 1000);
    QCOMPARE(engine.Position(), engine.Duration());
    QCOMPARE(engine.CurrentFrame(), qint64(kFrames - 1));
    QVERIFY(engine.waitUntilShown());
    QCOMPARE(engine.state(), VideoEngine::State::Ended);
    QCOMPARE(engine.shownPositionMs(), engine.Duration());
    QCOMPARE(readFrameIndex(engine.GrabFrame()), kFrames - 1);
}
