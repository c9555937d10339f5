// Whole clips made here: impact, phases and tempo against the truth the
// clip was made from, the motion cache, the background runner and bad input.
#include "AnalysisClips.h"

#include "analysis/MotionProfileCache.h"
#include "analysis/SwingAnalysisRunner.h"
#include "analysis/SwingAnalyzer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// How far an estimated phase may lie from the truth.
constexpr double kAddressToleranceMs = 40;
constexpr double kTopToleranceMs = 50; // the middle of a 100 ms pause
constexpr double kFinishToleranceMs = 80; // the follow-through slows to nothing: its end is vague

struct Row {
    const char* name;
    const char* file;
    const char* videoCodec;
    int fps;
    SwingSound sound;
    const char* audioCodec;
    double audioStartS;
    bool variableRate;
    bool bFrames;
    int grain;
};

// Clicks in the sound that are not the impact: a waggle touching the mat,
// a ball dropped after the shot.
const std::vector<SwingClipRecipe::Click> kDistractors{{0.3, 0.25}, {2.5, 0.25}};

const Row kRows[] = {
    {"30fps_avi_click", "30.avi", "mpeg4", 30, SwingSound::Click, "pcm_s16le", 0, false, true, 0},
    {"60fps_mkv_click", "60.mkv", "libx264", 60, SwingSound::Click, "pcm_s16le", 0, false, true, 0},
    {"240fps_mp4_click", "240.mp4", "libx264", 240, SwingSound::Click, "aac", 0, false, false, 0},
    {"240fps_mp4_sound_starts_late", "240late.mp4", "libx264", 240, SwingSound::Click, "aac", 0.4, false, false, 0},
    {"240fps_mkv_sound_starts_early", "240early.mkv", "libx264", 240, SwingSound::Click, "pcm_s16le", -0.3, false,
        false, 0},
    {"60fps_mp4_variable_rate_click", "60vfr.mp4", "libx264", 60, SwingSound::Click, "aac", 0, true, false, 0},
    {"30fps_mpg_mp2_click", "30.mpg", "mpeg2video", 30, SwingSound::Click, "mp2", 0, false, true, 0},
    {"30fps_wmv_wma_click", "30.wmv", "wmv2", 30, SwingSound::Click, "wmav2", 0, false, false, 0},
    {"30fps_avi_no_sound_track", "30mute.avi", "mpeg4", 30, SwingSound::None, "", 0, false, false, 0},
    {"60fps_mkv_noise_only", "60noise.mkv", "libx264", 60, SwingSound::Noise, "pcm_s16le", 0, false, false, 0},
    {"240fps_mp4_digital_silence", "240silent.mp4", "libx264", 240, SwingSound::Silence, "aac", 0, false, false, 0},
    {"30fps_mp4_variable_rate_no_sound", "30vfr.mp4", "libx264", 30, SwingSound::None, "", 0, true, false, 0},
    {"60fps_avi_grainy_no_sound", "60grain.avi", "mpeg4", 60, SwingSound::None, "", 0, false, false, 8},
    {"240fps_mp4_grainy_noise_only", "240grain.mp4", "libx264", 240, SwingSound::Noise, "aac", 0, false, false, 8},
};

SwingClipRecipe recipeOf(const Row& row)
{
    SwingClipRecipe recipe;
    recipe.videoCodec = QString::fromLatin1(row.videoCodec);
    recipe.fps = row.fps;
    recipe.sound = row.sound;
    recipe.audioCodec = QString::fromLatin1(row.audioCodec);
    recipe.audioStartS = row.audioStartS;
    recipe.variableRate = row.variableRate;
    recipe.bFrames = row.bFrames;
    recipe.grain = row.grain;
    recipe.distractors = kDistractors;
    return recipe;
}

const Row& rowNamed(const QString& name)
{
    for (const Row& row : kRows) {
        if (name == QLatin1String(row.name))
            return row;
    }
    qFatal("no such row");
}

double msOf(const SwingTruth& truth, qint64 frame)
{
    return truth.frameSeconds[size_t(frame)] * 1000;
}

} // namespace

class SwingClipTests : public QObject {
    Q_OBJECT
private:
    AnalysisClips m_clips;

    QString clipOf(const Row& row) { return m_clips.swing(QString::fromLatin1(row.file), recipeOf(row)); }
    SwingAnalyzer analyzer(bool useSound = true) const
    {
        SwingAnalyzer::Options options;
        options.useSound = useSound;
        options.useCache = false;
        return SwingAnalyzer(options);
    }
    void addRows()
    {
        QTest::addColumn<QString>("row");
        for (const Row& row : kRows)
            QTest::newRow(row.name) << QString::fromLatin1(row.name);
    }
    // A clip that is not a swing: index frames that change every frame, as a
    // screen recording or a counter would.
    QString patternClip()
    {
        ClipRecipe recipe;
        recipe.frames = 40;
        return m_clips.indexed(QStringLiteral("pattern.avi"), recipe);
    }

private slots:
    void analyze_findsImpactPhasesAndTempo_data() { addRows(); }
    void analyze_findsImpactPhasesAndTempo()
    {
        QFETCH(QString, row);
        const Row& clip = rowNamed(row);
        const QString path = clipOf(clip);
        if (path.isEmpty())
            QSKIP("encoder missing");
        const SwingTruth truth = swingTruth(recipeOf(clip));
        const SwingAnalysis analysis = analyzer().analyze(path);
        QVERIFY2(analysis.succeeded(), qPrintable(analysis.error));
        QCOMPARE(qint64(analysis.frameTimesMs.size()), truth.frameCount());
        QCOMPARE(analysis.hasSound, clip.sound != SwingSound::None);

        // With a click the sound decides, to the frame; without, the motion, within two.
        const bool click = clip.sound == SwingSound::Click;
        QCOMPARE(analysis.impact.source, click ? ImpactSource::Audio : ImpactSource::Motion);
        const qint64 impactError = std::abs(analysis.impact.frameIndex - truth.impact);
        QVERIFY2(impactError <= (click ? 1 : 2),
            qPrintable(QStringLiteral("impact %1, truly %2").arg(analysis.impact.frameIndex).arg(truth.impact)));
        QVERIFY(analysis.impact.confidence >= (click ? 0.8 : 0.5));
        if (click)
            QVERIFY(std::abs(analysis.impact.timeMs - truth.impactS * 1000) < 2.5);

        const SwingMarks& marks = analysis.marks;
        QCOMPARE(marks.frame(SwingEvent::Impact), analysis.impact.frameIndex);
        QVERIFY(marks.inOrder());
        const auto near = [&](SwingEvent event, qint64 truthFrame, double toleranceMs) {
            const qint64 found = marks.frame(event);
            const bool close = found >= 0 && std::abs(msOf(truth, found) - msOf(truth, truthFrame)) <= toleranceMs;
            if (!close)
                qWarning() << swingEventName(event) << found << "truly" << truthFrame;
            return close;
        };
        QVERIFY(near(SwingEvent::Address, truth.address, kAddressToleranceMs));
        QVERIFY(near(SwingEvent::Top, truth.top, kTopToleranceMs));
        QVERIFY(near(SwingEvent::Finish, truth.finish, kFinishToleranceMs));
        QVERIFY(analysis.tempo.isValid());
        QVERIFY(std::abs(analysis.tempo.backswingMs - truth.backswingMs) <= kAddressToleranceMs + kTopToleranceMs);
        QVERIFY(std::abs(analysis.tempo.downswingMs - truth.downswingMs) <= kTopToleranceMs + 5);
    }

    void analyze_motionAloneFindsImpactWithinTwoFrames_data() { addRows(); }
    void analyze_motionAloneFindsImpactWithinTwoFrames()
    {
        QFETCH(QString, row);
        const Row& clip = rowNamed(row);
        const QString path = clipOf(clip);
        if (path.isEmpty())
            QSKIP("encoder missing");
        const SwingAnalysis analysis = analyzer(false).analyze(path);
        QCOMPARE(analysis.impact.source, ImpactSource::Motion);
        QVERIFY(analysis.impact.confidence > 0.5);
        QVERIFY(std::abs(analysis.impact.frameIndex - swingTruth(recipeOf(clip)).impact) <= 2);
    }

    void analyze_louderSoundAwayFromTheSwingIsNotTheImpact()
    {
        // Someone on the next mat hits a ball, louder than our own contact.
        SwingClipRecipe recipe;
        recipe.fps = 60;
        recipe.videoCodec = QStringLiteral("libx264");
        recipe.clickLevel = 0.5;
        recipe.distractors = {{0.25, 0.7}};
        const QString path = m_clips.swing(QStringLiteral("neighbour.mkv"), recipe);
        const SwingAnalysis analysis = analyzer().analyze(path);
        QCOMPARE(analysis.impact.source, ImpactSource::Audio);
        QVERIFY(std::abs(analysis.impact.frameIndex - swingTruth(recipe).impact) <= 1);
    }

    void analyze_clipsThatAreNoSwing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing_file") << "missing"
                                      << "does not exist";
        QTest::newRow("text_file") << "text"
                                   << "not a video file";
        QTest::newRow("changing_pattern") << "pattern"
                                          << "";
    }
    void analyze_clipsThatAreNoSwing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, error);
        QString path = m_clips.path(QStringLiteral("missing.avi"));
        if (kind == QLatin1String("text")) {
            path = m_clips.path(QStringLiteral("swing.avi"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a video at all\n");
        } else if (kind == QLatin1String("pattern")) {
            path = patternClip();
        }
        const SwingAnalysis analysis = analyzer().analyze(path);
        if (error.isEmpty()) {
            QVERIFY2(analysis.succeeded(), qPrintable(analysis.error));
            QVERIFY(analysis.impact.confidence < 0.5);
            return;
        }
        QVERIFY(analysis.error.startsWith(QStringLiteral("Cannot analyse %1: ").arg(QDir::toNativeSeparators(path))));
        QVERIFY2(analysis.error.contains(error), qPrintable(analysis.error));
        QVERIFY(!analysis.impact.found());
    }

    void cache_measuresOnceAndAgainWhenTheClipChanges()
    {
        const QString cacheFolder = m_clips.path(QStringLiteral("cache"));
        SwingAnalyzer::Options options;
        options.cacheFolder = cacheFolder;
        const SwingAnalyzer cached(options);
        const QString path = clipOf(rowNamed(QStringLiteral("60fps_mkv_click")));
        const SwingAnalysis first = cached.analyze(path);
        QVERIFY(!first.motionFromCache);
        const SwingAnalysis second = cached.analyze(path);
        QVERIFY(second.motionFromCache);
        QCOMPARE(second.marks, first.marks);
        QCOMPARE(second.frameTimesMs, first.frameTimesMs);

        // A damaged entry counts as none, and is written anew.
        const QString entry = MotionProfileCache(cacheFolder).entryPath(path);
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.resize(file.size() / 2);
        file.close();
        const SwingAnalysis repaired = cached.analyze(path);
        QVERIFY(!repaired.motionFromCache);
        QCOMPARE(repaired.marks, first.marks);
        QVERIFY(cached.analyze(path).motionFromCache);

        // A clip written again (a new modification time) is measured again.
        QFile clip(path);
        QVERIFY(clip.open(QIODevice::ReadWrite));
        QVERIFY(clip.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        clip.close();
        QVERIFY(!cached.analyze(path).motionFromCache);
        QCOMPARE(QDir(cacheFolder).entryList(QDir::Files).size(), 2);
    }

    void cache_unwritableFolder_stillAnalyses()
    {
        const QString blocker = m_clips.path(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly)); // a file where the folder should be
        file.close();
        SwingAnalyzer::Options options;
        options.cacheFolder = blocker + QStringLiteral("/motion");
        const SwingAnalysis analysis
            = SwingAnalyzer(options).analyze(clipOf(rowNamed(QStringLiteral("30fps_avi_click"))));
        QVERIFY(analysis.succeeded());
        QVERIFY(analysis.impact.found());
    }

    void runner_reportsProgressThenTheResultOnce()
    {
        SwingAnalyzer::Options options;
        options.useCache = false;
        SwingAnalysisRunner runner(options);
        QSignalSpy progress(&runner, &SwingAnalysisRunner::progressChanged);
        QSignalSpy finished(&runner, &SwingAnalysisRunner::finished);
        QSignalSpy canceled(&runner, &SwingAnalysisRunner::canceled);
        const Row& row = rowNamed(QStringLiteral("240fps_mp4_click"));
        runner.start(clipOf(row));
        QVERIFY(runner.isRunning());
        QVERIFY(finished.wait(60000));
        QVERIFY(!runner.isRunning());
        QCOMPARE(finished.size(), 1);
        QCOMPARE(canceled.size(), 0);
        const auto analysis = finished.first().first().value<SwingAnalysis>();
        QVERIFY(std::abs(analysis.impact.frameIndex - swingTruth(recipeOf(row)).impact) <= 1);
        QVERIFY(progress.size() >= 2);
        int previous = -1;
        for (const QList<QVariant>& report : progress) {
            QVERIFY(report.first().toInt() > previous);
            previous = report.first().toInt();
        }
        QCOMPARE(previous, 100);
        QTest::qWait(50);
        QCOMPARE(finished.size(), 1);
    }

    void runner_cancelledOrReplacedRunsNeverReport()
    {
        SwingAnalyzer::Options options;
        options.useCache = false;
        SwingAnalysisRunner runner(options);
        QSignalSpy finished(&runner, &SwingAnalysisRunner::finished);
        QSignalSpy canceled(&runner, &SwingAnalysisRunner::canceled);
        const QString slow = clipOf(rowNamed(QStringLiteral("240fps_mp4_digital_silence")));
        runner.start(slow);
        runner.cancel();
        QCOMPARE(canceled.size(), 1);
        QVERIFY(!runner.isRunning());
        runner.start(slow);
        const Row& row = rowNamed(QStringLiteral("30fps_avi_click"));
        runner.start(clipOf(row)); // replaces the run just started
        QCOMPARE(canceled.size(), 2);
        QVERIFY(finished.wait(60000));
        QTest::qWait(200);
        QCOMPARE(finished.size(), 1);
        const auto analysis = finished.first().first().value<SwingAnalysis>();
        QCOMPARE(qint64(analysis.frameTimesMs.size()), swingTruth(recipeOf(row)).frameCount());
        runner.cancel(); // nothing running: nothing to report
        QCOMPARE(canceled.size(), 2);
    }

    void runner_destroyedWhileRunning_stopsItsWorker()
    {
        SwingAnalyzer::Options options;
        options.useCache = false;
        auto runner = std::make_unique<SwingAnalysisRunner>(options);
        runner->start(clipOf(rowNamed(QStringLiteral("240fps_mp4_digital_silence"))));
        QTest::qWait(20);
        runner.reset();
        QTest::qWait(20); // any report already queued must find no one
    }
};

int runSwingClipTests(int argc, char** argv)
{
    SwingClipTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "SwingClipTests.moc"
