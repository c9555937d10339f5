// Swing analysis figures: a minute of 240 fps video with sound analysed from
// scratch, then again with its motion curve cached.
#include "Benchmarks.h"

#include "analysis/AudioOnsetDetector.h"
#include "analysis/MotionProfiler.h"
#include "analysis/SwingAnalyzer.h"
#include "engine/AudioTrackReader.h"
#include "engine/PacketIndex.h"
#include "support/SwingClips.h"
#include "support/TestClips.h"

#include <QElapsedTimer>
#include <QThread>

#include <sys/resource.h>

namespace kestrel::bench {

namespace {

// CPU time of the whole process (all threads), which a busy machine does not inflate.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A minute of a driving-range recording: the golfer waits, swings once in
// the middle, and holds the finish; hiss, hum and two quieter clicks around.
test::SwingClipRecipe minuteAt240(int width, int height)
{
    test::SwingClipRecipe recipe;
    recipe.videoCodec = test::hasEncoder("libx264") ? QStringLiteral("libx264") : QStringLiteral("mpeg4");
    recipe.width = width;
    recipe.height = height;
    recipe.fps = 240;
    recipe.addressS = 28;
    recipe.tailS = 60 - 28 - recipe.backswingS - recipe.pauseS - recipe.downswingS - recipe.followS;
    recipe.audioCodec = QStringLiteral("aac");
    recipe.distractors = {{20.0, 0.25}, {31.0, 0.3}};
    return recipe;
}

void benchMinute(QTextStream& out, const QString& workDir, int width, int height)
{
    auto row = [&](const QString& name, const QString& value) {
        out << "  " << name.leftJustified(44, QLatin1Char('.')) << ' ' << value << "\n";
        out.flush();
    };
    const test::SwingClipRecipe recipe = minuteAt240(width, height);
    const QString path = workDir + QStringLiteral("/minute%1.mp4").arg(height);
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!test::makeSwingClip(path, recipe, &error)) {
        out << "cannot make the clip: " << error << "\n";
        return;
    }
    out << "\n"
        << width << 'x' << height << " 240 fps " << recipe.videoCodec << " MP4 with AAC sound, 60 s (made in "
        << timer.elapsed() / 1000 << " s)\n";
    const test::SwingTruth truth = test::swingTruth(recipe);

    // The parts one by one.
    timer.restart();
    auto index = std::make_shared<PacketIndex>();
    if (!index->build(path, &error)) {
        out << "cannot index the clip: " << error << "\n";
        return;
    }
    row(QStringLiteral("index the file ms"), QString::number(timer.elapsed()));
    for (int threads : {1, 0}) {
        timer.restart();
        const double cpuBefore = cpuSeconds();
        MotionProfile profile;
        MotionProfiler(threads).compute(index, &profile);
        const double seconds = double(timer.elapsed()) / 1000;
        const double cpu = cpuSeconds() - cpuBefore;
        row(threads == 1 ? QStringLiteral("motion curve, one thread s (CPU s)")
                         : QStringLiteral("motion curve, all cores s (CPU s)"),
            QStringLiteral("%1 (%2), %3 frames per CPU second")
                .arg(seconds, 0, 'f', 2)
                .arg(cpu, 0, 'f', 2)
                .arg(double(profile.frameCount()) / cpu, 0, 'f', 0));
    }
    timer.restart();
    AudioTrackReader reader;
    reader.read(path);
    const qint64 readMs = timer.elapsed();
    timer.restart();
    const std::vector<AudioOnset> onsets = AudioOnsetDetector::find(reader.track());
    row(QStringLiteral("sound: decode / onsets ms"), QStringLiteral("%1 / %2").arg(readMs).arg(timer.elapsed()));

    // The whole analysis, as the program runs it.
    SwingAnalyzer::Options options;
    options.cacheFolder = workDir + QStringLiteral("/cache");
    const SwingAnalyzer analyzer(options);
    timer.restart();
    const double cpuBefore = cpuSeconds();
    const SwingAnalysis cold = analyzer.analyze(path);
    row(QStringLiteral("whole analysis, first time s (CPU s)"),
        QStringLiteral("%1 (%2)")
            .arg(double(timer.elapsed()) / 1000, 0, 'f', 2)
            .arg(cpuSeconds() - cpuBefore, 0, 'f', 2));
    timer.restart();
    const SwingAnalysis warm = analyzer.analyze(path);
    row(QStringLiteral("whole analysis, motion cached ms"), QString::number(timer.elapsed()));
    row(QStringLiteral("impact found / true frame"),
        QStringLiteral("%1 (%2) / %3")
            .arg(cold.impact.frameIndex)
            .arg(impactSourceName(cold.impact.source))
            .arg(truth.impact));
    row(QStringLiteral("same result from the cache"),
        warm.marks == cold.marks ? QStringLiteral("yes") : QStringLiteral("NO"));
    row(QStringLiteral("peak memory (process) MiB"), QString::number(peakMemoryMiB()));
}

} // namespace

void runAnalysisBench(QTextStream& out, const QString& workDir)
{
    out << "\nSwing analysis benchmark (" << QThread::idealThreadCount() << " cores)\n";
    benchMinute(out, workDir, 640, 360);
    benchMinute(out, workDir, 1280, 720);
    out.flush();
}

} // namespace kestrel::bench
