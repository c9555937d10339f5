// Point tracking figures: the club head of a 10 s 1080p60 swing followed
// through the whole clip, against the 10 s the clip takes to play.
#include "Benchmarks.h"

#include "analysis/ClipPointTracker.h"
#include "support/SwingClips.h"
#include "support/TestClips.h"

#include <QElapsedTimer>
#include <QThread>

#include <cmath>

#include <sys/resource.h>

namespace kestrel::bench {

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

void runTrackingBench(QTextStream& out, const QString& workDir)
{
    out << "\nPoint tracking benchmark (" << QThread::idealThreadCount() << " cores)\n";
    auto row = [&](const QString& name, const QString& value) {
        out << "  " << name.leftJustified(44, QLatin1Char('.')) << ' ' << value << "\n";
        out.flush();
    };
    test::SwingClipRecipe recipe;
    recipe.videoCodec = test::hasEncoder("libx264") ? QStringLiteral("libx264") : QStringLiteral("mpeg4");
    recipe.width = 1920;
    recipe.height = 1080;
    recipe.fps = 60;
    recipe.grain = 3;
    recipe.addressS = 4;
    recipe.tailS = 10 - recipe.addressS - recipe.backswingS - recipe.pauseS - recipe.downswingS - recipe.followS;
    recipe.sound = test::SwingSound::None;
    const QString path = workDir + QStringLiteral("/swing1080p60.mp4");
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!test::makeSwingClip(path, recipe, &error)) {
        out << "cannot make the clip: " << error << "\n";
        return;
    }
    out << "\n1920x1080 60 fps " << recipe.videoCodec << " MP4, 10 s (made in " << timer.elapsed() / 1000 << " s)\n";

    // The club head at address: straight below the pivot, 0.6 of the height away.
    const QPointF head(recipe.width / 2.0, (0.22 + 0.6) * recipe.height);
    timer.restart();
    const double cpuBefore = cpuSeconds();
    const PointTrack track = ClipPointTracker().track(path, 0, head);
    const double seconds = double(timer.elapsed()) / 1000;
    const double cpu = cpuSeconds() - cpuBefore;
    if (!track.succeeded()) {
        out << "cannot track: " << track.error << "\n";
        return;
    }
    int tracked = 0;
    int predicted = 0;
    qint64 firstLost = -1;
    for (qint64 i = 0; i < track.frameCount(); ++i) {
        const TrackState state = track.points[size_t(i)].state;
        tracked += state == TrackState::Tracked ? 1 : 0;
        predicted += state == TrackState::Predicted ? 1 : 0;
        if (firstLost < 0 && state == TrackState::Absent)
            firstLost = i;
    }
    row(QStringLiteral("track the club head, 600 frames s (CPU s)"),
        QStringLiteral("%1 (%2), %3 frames/s")
            .arg(seconds, 0, 'f', 2)
            .arg(cpu, 0, 'f', 2)
            .arg(600 / seconds, 0, 'f', 0));
    row(QStringLiteral("faster than playing the clip (10 s)"),
        seconds < 10 ? QStringLiteral("yes") : QStringLiteral("NO"));
    row(QStringLiteral("frames found / carried on / of"),
        QStringLiteral("%1 / %2 / %3").arg(tracked).arg(predicted).arg(track.frameCount()));
    const double impactS = recipe.addressS + recipe.backswingS + recipe.pauseS + recipe.downswingS;
    row(QStringLiteral("first frame lost / impact frame"),
        QStringLiteral("%1 / %2").arg(firstLost).arg(std::lround(impactS * recipe.fps)));
}

} // namespace kestrel::bench
