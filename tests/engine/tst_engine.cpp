// The engine against clips made here, whose frames show their own index:
// every seek and step must land on exactly the frame asked for.
#include "engine/FrameCache.h"
#include "engine/VideoEngine.h"
#include "support/TestClips.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using kestrel::VideoEngine;
using kestrel::test::ClipRecipe;

namespace {

struct ClipKind {
    const char* name;
    const char* fileName;
    const char* codec;
    bool bFrames;
    int frames;
    int fps;
    int gop;
};

// One clip per container and codec the engine must handle exactly.
const ClipKind kClips[] = {
    {"avi_mpeg4_bframes", "mpeg4.avi", "mpeg4", true, 60, 25, 12},
    {"avi_mjpeg", "mjpeg.avi", "mjpeg", false, 40, 25, 1},
    {"mpg_mpeg1_bframes", "mpeg1.mpg", "mpeg1video", true, 60, 25, 12},
    {"mpeg_mpeg2_bframes", "mpeg2.mpeg", "mpeg2video", true, 60, 25, 15},
    {"wmv_wmv2", "wmv2.wmv", "wmv2", false, 60, 25, 12},
    {"mp4_h264_bframes", "h264.mp4", "libx264", true, 60, 25, 20},
    {"mov_h264_240fps", "h264_240.mov", "libx264", true, 72, 240, 24},
    {"mkv_h264_bframes", "h264.mkv", "libx264", true, 60, 30, 15},
};

qint64 expectedTimeMs(const ClipKind& clip, qint64 frame)
{
    return std::llround(frame * 1000.0 / clip.fps);
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QHash<QString, QString> m_made; // clip name -> path, for encoders present

    const ClipKind& clipNamed(const QString& name)
    {
        for (const ClipKind& clip : kClips) {
            if (name == QLatin1String(clip.name))
                return clip;
        }
        qFatal("no such clip");
    }
    void addClipRows()
    {
        QTest::addColumn<QString>("clip");
        for (const ClipKind& clip : kClips)
            QTest::newRow(clip.name) << QString::fromLatin1(clip.name);
    }
    // Opens the row's clip; skips the row when this machine lacks its encoder.
    bool openClip(VideoEngine& engine, const QString& name)
    {
        if (!m_made.contains(name))
            return false;
        if (!engine.OpenFile(m_made.value(name))) {
            qWarning() << engine.lastError();
            return false;
        }
        return true;
    }
    QString path(const QString& fileName) const { return m_dir.filePath(fileName); }
    static void writeBytes(const QString& file, const QByteArray& bytes)
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    static QByteArray readBytes(const QString& file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const ClipKind& clip : kClips) {
            if (!kestrel::test::hasEncoder(clip.codec))
                continue;
            ClipRecipe recipe;
            recipe.codec = QString::fromLatin1(clip.codec);
            recipe.bFrames = clip.bFrames;
            recipe.frames = clip.frames;
            recipe.fpsNum = clip.fps;
            recipe.gopSize = clip.gop;
            QString error;
            const QString file = path(QString::fromLatin1(clip.fileName));
            QVERIFY2(kestrel::test::makeClip(file, recipe, &error), qPrintable(error));
            m_made.insert(QString::fromLatin1(clip.name), file);
        }
    }

    void open_reportsExactCountSizeAndFirstFrame_data() { addClipRows(); }
    void open_reportsExactCountSizeAndFirstFrame()
    {
        QFETCH(QString, clip);
        const ClipKind& kind = clipNamed(clip);
        VideoEngine engine;
        if (!openClip(engine, clip))
            QSKIP("encoder missing on this machine");
        QCOMPARE(engine.FrameCount(), qint64(kind.frames));
        QCOMPARE(engine.FrameWidth(), 320);
        QCOMPARE(engine.FrameHeight(), 240);
        QCOMPARE(engine.GetFrameSize(), QSize(320, 240));
        QCOMPARE(engine.CurrentFrame(), qint64(0));
        QCOMPARE(engine.Position(), qint64(0));
        QVERIFY(std::abs(engine.Duration() - expectedTimeMs(kind, kind.frames)) <= 1);
        QVERIFY(std::abs(engine.frameRate() - kind.fps) < 0.5);
        QCOMPARE(engine.state(), VideoEngine::State::Paused);
        QCOMPARE(engine.GrabFrame().size(), QSize(320, 240));
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), 0);
    }

    void seekFrame_landsOnExactFrame_data() { addClipRows(); }
    void seekFrame_landsOnExactFrame()
    {
        QFETCH(QString, clip);
        const ClipKind& kind = clipNamed(clip);
        VideoEngine engine;
        if (!openClip(engine, clip))
            QSKIP("encoder missing on this machine");
        const int last = kind.frames - 1;
        // Far jumps both ways, neighbours of keyframes, the very ends.
        const QList<int> targets
            = {last / 2, 3, last, 0, kind.gop, kind.gop - 1, last - 1, kind.gop + 1, 1, last / 3, 2 * last / 3, last};
        for (int target : targets) {
            engine.SeekFrame(target);
            QVERIFY(engine.waitUntilShown());
            QCOMPARE(engine.CurrentFrame(), qint64(target));
            QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), target);
            QCOMPARE(engine.currentVideoFrame().index, qint64(target));
            QVERIFY2(std::abs(engine.Position() - expectedTimeMs(kind, target)) <= 1,
                qPrintable(QStringLiteral("frame %1 at %2 ms").arg(target).arg(engine.Position())));
        }
        engine.SeekFrame(last + 100);
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(engine.CurrentFrame(), qint64(last));
        engine.SeekFrame(-5);
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(engine.CurrentFrame(), qint64(0));
    }

    void stepForward_showsEveryFrameInTurn_data() { addClipRows(); }
    void stepForward_showsEveryFrameInTurn()
    {
        QFETCH(QString, clip);
        const ClipKind& kind = clipNamed(clip);
        VideoEngine engine;
        if (!openClip(engine, clip))
            QSKIP("encoder missing on this machine");
        engine.SeekFrame(kind.frames / 3);
        QVERIFY(engine.waitUntilShown());
        for (qint64 expected = kind.frames / 3 + 1; expected < kind.frames; ++expected) {
            engine.StepForward();
            QVERIFY(engine.waitUntilShown());
            QCOMPARE(engine.CurrentFrame(), expected);
            QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), int(expected));
        }
        engine.StepForward(); // at the end it stays put
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(engine.CurrentFrame(), qint64(kind.frames - 1));
        QCOMPARE(engine.Position(), engine.Duration());
    }

    void stepBackward_showsEveryFrameInTurn_data() { addClipRows(); }
    void stepBackward_showsEveryFrameInTurn()
    {
        QFETCH(QString, clip);
        const ClipKind& kind = clipNamed(clip);
        VideoEngine engine;
        if (!openClip(engine, clip))
            QSKIP("encoder missing on this machine");
        // A small cache forces frames out and back in while walking back.
        engine.setCacheBudgetBytes(320 * 240 * 4 * 6);
        engine.SeekFrame(kind.frames - 1);
        QVERIFY(engine.waitUntilShown());
        for (qint64 expected = kind.frames - 2; expected >= 0; --expected) {
            engine.SeekFrame(engine.CurrentFrame() - 1);
            QVERIFY(engine.waitUntilShown());
            QCOMPARE(engine.CurrentFrame(), expected);
            QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), int(expected));
        }
        QVERIFY(engine.cacheUsedBytes() <= 320 * 240 * 4 * 6);
    }

    void seekTime_showsFrameOnScreenAtThatTime_data() { addClipRows(); }
    void seekTime_showsFrameOnScreenAtThatTime()
    {
        QFETCH(QString, clip);
        const ClipKind& kind = clipNamed(clip);
        VideoEngine engine;
        if (!openClip(engine, clip))
            QSKIP("encoder missing on this machine");
        for (int frame : {kind.frames / 2, 0, kind.frames - 1, 7, kind.frames / 4}) {
            const qint64 start = expectedTimeMs(kind, frame);
            const qint64 middle = start + 500 / kind.fps; // half a frame later
            for (qint64 ms : {start, middle}) {
                engine.SeekTime(ms);
                QVERIFY(engine.waitUntilShown());
                QCOMPARE(engine.CurrentFrame(), qint64(frame));
                QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), frame);
                QVERIFY(engine.Position() <= ms);
            }
        }
        engine.SeekTime(engine.Duration() + 5000);
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(engine.CurrentFrame(), qint64(kind.frames - 1));
        QCOMPARE(engine.Position(), engine.Duration());
    }

    void frameOfSliderTime_isThatFrame_andTheEndIsReachedByStepping_data() { addClipRows(); }
    void frameOfSliderTime_isThatFrame_andTheEndIsReachedByStepping()
    {
        // Windows map a frame-counting slider to n × Duration ÷ FrameCount.
        QFETCH(QString, clip);
        const ClipKind& kind = clipNamed(clip);
        VideoEngine engine;
        if (!openClip(engine, clip))
            QSKIP("encoder missing on this machine");
        for (int frame : {1, kind.frames / 3, kind.frames - 2, kind.frames - 1}) {
            // Frame times are whole milliseconds, rounded to the nearest.
            engine.SeekTime(std::llround(double(engine.Duration()) * frame / double(engine.FrameCount())));
            QVERIFY(engine.waitUntilShown());
            QCOMPARE(engine.CurrentFrame(), qint64(frame));
        }
        QVERIFY(engine.Position() < engine.Duration());
        engine.StepForward();
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(engine.CurrentFrame(), qint64(kind.frames - 1));
        QCOMPARE(engine.Position(), engine.Duration());
        engine.SeekFrame(0);
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(engine.Position(), qint64(0));
        QCOMPARE(engine.state(), VideoEngine::State::Paused);
    }

    void playThenPause_afterOpening_showsFrameZero()
    {
        VideoEngine engine;
        if (!openClip(engine, QStringLiteral("mpeg_mpeg2_bframes")))
            QSKIP("encoder missing on this machine");
        engine.Play();
        QCOMPARE(engine.state(), VideoEngine::State::Playing);
        engine.Pause();
        QCOMPARE(engine.state(), VideoEngine::State::Paused);
        QCOMPARE(engine.CurrentFrame(), qint64(0));
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), 0);
        QTest::qWait(120); // nothing moves while paused
        QCOMPARE(engine.CurrentFrame(), qint64(0));
    }

    void play_toTheEnd_endsWithPositionAtDuration_data() { addClipRows(); }
    void play_toTheEnd_endsWithPositionAtDuration()
    {
        QFETCH(QString, clip);
        const ClipKind& kind = clipNamed(clip);
        VideoEngine engine;
        if (!openClip(engine, clip))
            QSKIP("encoder missing on this machine");
        QSignalSpy ended(&engine, &VideoEngine::PlaybackEnded);
        QSignalSpy ready(&engine, &VideoEngine::FrameReady);
        engine.SetRate(4.0);
        engine.SeekFrame(kind.frames / 2);
        QVERIFY(engine.waitUntilShown());
        engine.Play();
        QVERIFY(ended.wait(5000));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(engine.state(), VideoEngine::State::Ended);
        QCOMPARE(engine.CurrentFrame(), qint64(kind.frames - 1));
        QCOMPARE(engine.Position(), engine.Duration());
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), kind.frames - 1);
        QVERIFY(ready.count() >= 2);
        const auto stats = engine.playbackStats();
        QCOMPARE(stats.shown + stats.skipped, qint64(kind.frames - 1 - kind.frames / 2));
    }

    void play_advancesAtTheSetRate()
    {
        VideoEngine engine;
        if (!openClip(engine, QStringLiteral("avi_mjpeg")))
            QSKIP("encoder missing on this machine");
        engine.SetRate(2.0);
        QCOMPARE(engine.rate(), 2.0);
        engine.Play();
        QTest::qWait(400); // 0.8 s of video = 20 frames at 25 fps
        engine.Pause();
        const qint64 reached = engine.CurrentFrame();
        QVERIFY2(reached >= 12 && reached <= 28, qPrintable(QString::number(reached)));
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), int(reached));
        engine.Play(); // playing again goes on from where it paused
        engine.Pause();
        QCOMPARE(engine.CurrentFrame(), reached);
    }

    void play_fromTheEnd_startsOver()
    {
        VideoEngine engine;
        if (!openClip(engine, QStringLiteral("avi_mjpeg")))
            QSKIP("encoder missing on this machine");
        engine.SeekFrame(engine.FrameCount() - 1);
        QVERIFY(engine.waitUntilShown());
        engine.Play();
        QCOMPARE(engine.CurrentFrame(), qint64(0));
        engine.Pause();
    }

    void frameReady_followsEveryLandingOnTheEventLoop()
    {
        VideoEngine engine;
        QSignalSpy ready(&engine, &VideoEngine::FrameReady);
        if (!openClip(engine, QStringLiteral("mp4_h264_bframes")))
            QSKIP("encoder missing on this machine");
        QCoreApplication::processEvents();
        ready.clear();
        engine.SeekFrame(30);
        QVERIFY(engine.waitUntilShown());
        QCoreApplication::processEvents();
        QCOMPARE(ready.count(), 1);
        // A frame the cache holds is shown inside the call, and announced as an event.
        engine.SeekFrame(0);
        QVERIFY(!engine.isSeeking());
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), 0);
        QCOMPARE(ready.count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(ready.count(), 2);
        // An event that comes after a newer request is not announced: only
        // the newest lands.
        engine.SeekFrame(30);
        engine.SeekFrame(0);
        QVERIFY(engine.waitUntilShown());
        QCoreApplication::processEvents();
        QCOMPARE(ready.count(), 3);
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), 0);
    }

    void wmv_frameBeforeLastIsUsable()
    {
        VideoEngine engine;
        if (!openClip(engine, QStringLiteral("wmv_wmv2")))
            QSKIP("encoder missing on this machine");
        const qint64 target = engine.FrameCount() - 2;
        engine.SeekFrame(target);
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), int(target));
    }

    // Files whose own tables would mislead a player: edit lists that hide
    // decoded frames, a WMV whose index was lost.
    void trickyFile_seeksExactly_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<int>("hidden");
        QTest::addColumn<bool>("stripAsfIndex");
        QTest::newRow("mp4 edit list hiding 4 frames")
            << QStringLiteral("hidden.mp4") << QStringLiteral("libx264") << 4 << false;
        QTest::newRow("mov edit list hiding 7 frames")
            << QStringLiteral("hidden.mov") << QStringLiteral("libx264") << 7 << false;
        QTest::newRow("mp4 mpeg4 edit list")
            << QStringLiteral("hidden_mpeg4.mp4") << QStringLiteral("mpeg4") << 3 << false;
        QTest::newRow("wmv without index") << QStringLiteral("noindex.wmv") << QStringLiteral("wmv2") << 0 << true;
    }
    void trickyFile_seeksExactly()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, codec);
        QFETCH(int, hidden);
        QFETCH(bool, stripAsfIndex);
        if (!kestrel::test::hasEncoder(codec.toLatin1().constData()))
            QSKIP("encoder missing on this machine");
        ClipRecipe recipe;
        recipe.codec = codec;
        recipe.frames = 45;
        recipe.gopSize = 10;
        recipe.bFrames = codec != QLatin1String("wmv2");
        recipe.hiddenLeadingFrames = hidden;
        QString error;
        QVERIFY2(kestrel::test::makeClip(path(fileName), recipe, &error), qPrintable(error));
        if (stripAsfIndex) {
            // The ASF simple index object, cut off as a crashed recorder leaves it.
            const QByteArray indexGuid = QByteArray::fromHex("90080033b1e5cf1189f400a0c90349cb");
            const QByteArray whole = readBytes(path(fileName));
            const int at = whole.lastIndexOf(indexGuid);
            QVERIFY(at > 0);
            writeBytes(path(fileName), whole.left(at));
        }
        VideoEngine engine;
        QVERIFY2(engine.OpenFile(path(fileName)), qPrintable(engine.lastError()));
        QCOMPARE(engine.FrameCount(), qint64(recipe.frames));
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), 0);
        for (int target : {44, 0, 21, 20, 19, 9, 10, 43, 1}) {
            engine.SeekFrame(target);
            QVERIFY(engine.waitUntilShown());
            QCOMPARE(engine.CurrentFrame(), qint64(target));
            QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), target);
            QCOMPARE(engine.Position(), qint64(target) * 40);
        }
        QCOMPARE(engine.Duration(), qint64(45 * 40));
    }

    void variableRate_stepsAndTimesFollowTheFrames_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("mov") << QStringLiteral("vfr.mov");
        QTest::newRow("mp4") << QStringLiteral("vfr.mp4");
        QTest::newRow("mkv") << QStringLiteral("vfr.mkv");
    }
    void variableRate_stepsAndTimesFollowTheFrames()
    {
        QFETCH(QString, fileName);
        if (!kestrel::test::hasEncoder("libx264"))
            QSKIP("no H.264 encoder");
        ClipRecipe recipe;
        recipe.codec = QStringLiteral("libx264");
        recipe.frames = 40;
        recipe.fpsNum = 30;
        recipe.gopSize = 8;
        recipe.bFrames = true;
        recipe.variableRate = true;
        QString error;
        QVERIFY2(kestrel::test::makeClip(path(fileName), recipe, &error), qPrintable(error));
        VideoEngine engine;
        QVERIFY2(engine.OpenFile(path(fileName)), qPrintable(engine.lastError()));
        QCOMPARE(engine.FrameCount(), qint64(recipe.frames));
        QVERIFY(engine.Duration() > kestrel::test::clipFrameTimeMs(recipe, recipe.frames - 1));
        for (int frame = 0; frame < recipe.frames; ++frame) {
            if (frame > 0)
                engine.StepForward();
            QVERIFY(engine.waitUntilShown());
            QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), frame);
            QVERIFY(std::abs(engine.Position() - kestrel::test::clipFrameTimeMs(recipe, frame)) <= 1);
        }
        // Going back one frame, and to the frame on screen at a time, in the slow half.
        for (int frame : {35, 34, 22, 21, 20, 3}) {
            engine.SeekFrame(frame);
            QVERIFY(engine.waitUntilShown());
            QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), frame);
            const qint64 justBeforeNext = kestrel::test::clipFrameTimeMs(recipe, frame + 1) - 2;
            engine.SeekTime(justBeforeNext);
            QVERIFY(engine.waitUntilShown());
            QCOMPARE(engine.CurrentFrame(), qint64(frame));
            QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), frame);
        }
    }

    void rotationTag_showsUprightWithUprightSize_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("rotation");
        QTest::newRow("mp4_90") << QStringLiteral("rot90.mp4") << 90;
        QTest::newRow("mov_270") << QStringLiteral("rot270.mov") << 270;
        QTest::newRow("mp4_180") << QStringLiteral("rot180.mp4") << 180;
    }
    void rotationTag_showsUprightWithUprightSize()
    {
        QFETCH(QString, fileName);
        QFETCH(int, rotation);
        if (!kestrel::test::hasEncoder("libx264"))
            QSKIP("no H.264 encoder");
        ClipRecipe recipe;
        recipe.codec = QStringLiteral("libx264");
        recipe.frames = 20;
        recipe.rotationDegrees = rotation;
        QString error;
        QVERIFY2(kestrel::test::makeClip(path(fileName), recipe, &error), qPrintable(error));
        VideoEngine engine;
        QVERIFY2(engine.OpenFile(path(fileName)), qPrintable(engine.lastError()));
        const QSize upright = rotation == 180 ? QSize(320, 240) : QSize(240, 320);
        QCOMPARE(engine.GetFrameSize(), upright);
        QCOMPARE(engine.FrameWidth(), upright.width());
        QCOMPARE(engine.FrameHeight(), upright.height());
        engine.SeekFrame(13);
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(engine.GrabFrame().size(), upright);
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), 13);
    }

    void truncatedFile_opensAndShowsTheFramesItHolds_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::newRow("avi_mpeg4") << QStringLiteral("avi_mpeg4_bframes");
        QTest::newRow("mpg_mpeg1") << QStringLiteral("mpg_mpeg1_bframes");
        QTest::newRow("avi_mjpeg") << QStringLiteral("avi_mjpeg");
    }
    void truncatedFile_opensAndShowsTheFramesItHolds()
    {
        QFETCH(QString, clip);
        const ClipKind& kind = clipNamed(clip);
        if (!m_made.contains(clip))
            QSKIP("encoder missing on this machine");
        const QByteArray whole = readBytes(m_made.value(clip));
        const QString cut = path(clip + QStringLiteral("_cut") + QFileInfo(m_made.value(clip)).suffix().prepend('.'));
        writeBytes(cut, whole.left(whole.size() * 6 / 10));
        VideoEngine engine;
        QVERIFY2(engine.OpenFile(cut), qPrintable(engine.lastError()));
        QVERIFY(engine.FrameCount() > kind.frames / 3);
        QVERIFY(engine.FrameCount() < kind.frames);
        const qint64 last = engine.FrameCount() - 1;
        for (qint64 frame : {last, qint64(0), last / 2, last - 1, last}) {
            engine.SeekFrame(frame);
            QVERIFY(engine.waitUntilShown());
            const int shown = kestrel::test::readFrameIndex(engine.GrabFrame());
            QCOMPARE(engine.CurrentFrame(), frame);
            QCOMPARE(shown, int(frame));
        }
    }

    void badInput_failsWithReasonNamingTheFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QStringLiteral("missing") << QStringLiteral("does not exist");
        QTest::newRow("empty") << QStringLiteral("empty") << QStringLiteral("empty");
        QTest::newRow("text named avi") << QStringLiteral("text") << QStringLiteral("not a video");
        QTest::newRow("header only") << QStringLiteral("headerOnly") << QString();
        QTest::newRow("audio only") << QStringLiteral("audio") << QStringLiteral("no video stream");
        QTest::newRow("unknown codec") << QStringLiteral("unknownCodec") << QString();
        QTest::newRow("huge frame size") << QStringLiteral("huge") << QString();
        QTest::newRow("zero frame size") << QStringLiteral("zero") << QString();
        QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("cannot be read");
    }
    void badInput_failsWithReasonNamingTheFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString file = path(QStringLiteral("bad_") + kind + QStringLiteral(".avi"));
        if (kind == QLatin1String("empty")) {
            writeBytes(file, {});
        } else if (kind == QLatin1String("text")) {
            writeBytes(file, QByteArray("These are not the frames you are looking for.\n").repeated(40));
        } else if (kind == QLatin1String("headerOnly")) {
            QVERIFY(m_made.contains(QStringLiteral("avi_mjpeg")));
            writeBytes(file, readBytes(m_made.value(QStringLiteral("avi_mjpeg"))).left(300));
        } else if (kind == QLatin1String("audio")) {
            writeBytes(file, wavFile());
        } else if (kind == QLatin1String("unknownCodec")) {
            QByteArray bytes = readBytes(m_made.value(QStringLiteral("avi_mjpeg")));
            bytes.replace("MJPG", "QZ9Q");
            writeBytes(file, bytes);
        } else if (kind == QLatin1String("huge") || kind == QLatin1String("zero")) {
            writeBytes(file, rawAviWithWidth(kind == QLatin1String("huge") ? 100000 : 0));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(m_dir.path()).mkpath(file));
        }
        VideoEngine engine;
        QVERIFY(!engine.OpenFile(file));
        QVERIFY2(engine.lastError().contains(QDir::toNativeSeparators(file)), qPrintable(engine.lastError()));
        if (!reason.isEmpty())
            QVERIFY2(engine.lastError().contains(reason), qPrintable(engine.lastError()));
        QCOMPARE(engine.state(), VideoEngine::State::Closed);
        QCOMPARE(engine.FrameCount(), qint64(0));
        QVERIFY(engine.GrabFrame().isNull());
        engine.StepForward(); // harmless on a closed engine
        QVERIFY(engine.waitUntilShown());
        engine.Play();
        QCOMPARE(engine.state(), VideoEngine::State::Closed);
    }

    void openAgain_replacesTheFileAndCloseReleasesIt()
    {
        VideoEngine engine;
        if (!openClip(engine, QStringLiteral("avi_mpeg4_bframes")) || !m_made.contains(QStringLiteral("avi_mjpeg")))
            QSKIP("encoder missing on this machine");
        engine.SeekFrame(30);
        QVERIFY(engine.waitUntilShown());
        QVERIFY(engine.OpenFile(m_made.value(QStringLiteral("avi_mjpeg"))));
        QCOMPARE(engine.FrameCount(), qint64(40));
        QCOMPARE(engine.CurrentFrame(), qint64(0));
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), 0);
        engine.SeekFrame(12);
        QVERIFY(engine.waitUntilShown());
        // A failed open leaves the file open before as it was.
        QVERIFY(!engine.OpenFile(path(QStringLiteral("nothing_here.avi"))));
        QVERIFY(engine.lastError().contains(QStringLiteral("nothing_here.avi")));
        QCOMPARE(engine.state(), VideoEngine::State::Paused);
        QCOMPARE(engine.FrameCount(), qint64(40));
        QCOMPARE(engine.CurrentFrame(), qint64(12));
        engine.StepForward();
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(kestrel::test::readFrameIndex(engine.GrabFrame()), 13);
        QVERIFY(engine.OpenFile(m_made.value(QStringLiteral("avi_mjpeg"))));
        engine.CloseFile();
        QCOMPARE(engine.FrameCount(), qint64(0));
        QVERIFY(engine.fileName().isEmpty());
    }

    // The cache on its own: what it keeps within its budget, and claims.
    void frameCache_keepsFramesNearestTheFocusWithinBudget()
    {
        const QImage picture(100, 10, QImage::Format_RGB32); // 4000 bytes
        kestrel::FrameCache cache(4000 * 5);
        cache.setFocus(10);
        for (qint64 frame : {2, 9, 10, 11, 12, 30, 8})
            cache.putPicture(frame, picture.copy());
        QVERIFY(cache.usedBytes() <= 4000 * 5);
        for (qint64 frame : {8, 9, 10, 11, 12})
            QVERIFY2(cache.hasPicture(frame), qPrintable(QString::number(frame)));
        QVERIFY(!cache.hasPicture(2));
        QVERIFY(!cache.hasPicture(30));
        cache.setFocus(30);
        cache.putPicture(29, picture.copy());
        QVERIFY(!cache.hasPicture(8)); // the farthest from the new focus went first
        QVERIFY(cache.hasPicture(29));
        cache.setBudgetBytes(4000);
        QCOMPARE(cache.usedBytes(), qint64(4000));
        QVERIFY(cache.hasPicture(29));
    }

    void frameCache_claimLetsOneThreadConvertAFrame()
    {
        kestrel::FrameCache cache(qint64(64) << 20);
        kestrel::FramePtr frame(av_frame_alloc());
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = 64;
        frame->height = 48;
        QVERIFY(av_frame_get_buffer(frame.get(), 0) >= 0);
        cache.putDecoded(5, frame.get());
        QCOMPARE(cache.status(5), kestrel::FrameCache::Status::Decoded);
        QCOMPARE(cache.status(6), kestrel::FrameCache::Status::Missing);
        kestrel::FramePtr claimed = cache.claimDecoded(5);
        QVERIFY(claimed);
        QVERIFY(!cache.claimDecoded(5)); // a second converter gets nothing
        QCOMPARE(cache.status(5), kestrel::FrameCache::Status::Converting);
        cache.releaseClaim(5);
        QVERIFY(cache.claimDecoded(5));
        cache.putPicture(5, QImage(64, 48, QImage::Format_RGB32));
        QCOMPARE(cache.status(5), kestrel::FrameCache::Status::Ready);
        QCOMPARE(cache.usedBytes(), qint64(64 * 48 * 4));
    }

    void frameCache_handsBackOnlyPicturesNobodyHolds_data()
    {
        QTest::addColumn<bool>("heldElsewhere");
        QTest::newRow("held by the screen") << true;
        QTest::newRow("held by nobody") << false;
    }
    void frameCache_handsBackOnlyPicturesNobodyHolds()
    {
        QFETCH(bool, heldElsewhere);
        kestrel::FrameCache cache(4000); // room for one 100x10 picture
        cache.setFocus(0);
        QImage screen(100, 10, QImage::Format_RGB32);
        cache.putPicture(0, screen);
        if (!heldElsewhere)
            screen = QImage();
        cache.setFocus(1);
        cache.putPicture(1, QImage(100, 10, QImage::Format_RGB32)); // pushes frame 0 out
        QVERIFY(!cache.hasPicture(0));
        QVERIFY(cache.takeSpare(QSize(50, 10)).isNull());
        const QImage spare = cache.takeSpare(QSize(100, 10));
        QCOMPARE(spare.isNull(), heldElsewhere);
        QVERIFY(cache.takeSpare(QSize(100, 10)).isNull()); // handed out once
    }

private:
    // A short 8-bit mono PCM WAV: a real media file without any video.
    static QByteArray wavFile()
    {
        const QByteArray samples(8000, char(0x80));
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData("RIFF", 4);
        out << quint32(36 + samples.size());
        out.writeRawData("WAVEfmt ", 8);
        out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(8000) << quint16(1) << quint16(8);
        out.writeRawData("data", 4);
        out << quint32(samples.size());
        out.writeRawData(samples.constData(), samples.size());
        return bytes;
    }
    // A raw-video AVI whose headers claim the given width; raw video takes its
    // size from the header alone, so nothing corrects it.
    QByteArray rawAviWithWidth(int width)
    {
        ClipRecipe recipe;
        recipe.codec = QStringLiteral("rawvideo");
        recipe.width = 64;
        recipe.height = 48;
        recipe.frames = 3;
        const QString source = path(QStringLiteral("raw_source.avi"));
        QString error;
        if (!kestrel::test::makeClip(source, recipe, &error))
            qWarning() << error;
        QByteArray bytes = readBytes(source);
        auto patch = [&](const char* tag, int offset) {
            const int at = bytes.indexOf(tag);
            if (at < 0)
                return;
            const quint32 value = quint32(width);
            for (int i = 0; i < 4; ++i)
                bytes[at + offset + i] = char((value >> (8 * i)) & 0xff);
        };
        patch("avih", 8 + 32); // dwWidth
        patch("strf", 8 + 4); // BITMAPINFOHEADER biWidth
        return bytes;
    }
};

QObject* makeEngineTest()
{
    return new TestEngine;
}

#include "tst_engine.moc"
