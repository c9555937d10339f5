// Frame painting figures: what one PaintVideoFrame costs at 1920x1080.
#include "Benchmarks.h"

#include "app/AppContext.h"
#include "engine/VideoEngine.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/support/TestClips.h"
#include "tests/video/FakeFrameServices.h"
#include "video/ImageEffects.h"
#include "video/VideoFrameComposer.h"
#include "video/VideoPicture.h"
#include "video/frmVideo.h"

#include <QElapsedTimer>
#include <QPainter>

#include <algorithm>
#include <ctime>
#include <functional>
#include <vector>

namespace kestrel::bench {

namespace {

// Wall-clock figures and the CPU time of this thread: on a shared machine
// the wall clock also counts the time other programs had the processor.
struct PaintFigures {
    double p50 = 0, p90 = 0, min = 0, cpuP50 = 0;
};

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

PaintFigures measurePaint(int runs, const std::function<void()>& work)
{
    work(); // warm-up: buffers, fonts and glyph caches
    std::vector<double> ms, cpu;
    ms.reserve(runs);
    cpu.reserve(runs);
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        const double cpuStart = threadCpuMs();
        timer.start();
        work();
        ms.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    return {ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.front(), cpu[cpu.size() / 2]};
}

void reportPaint(QTextStream& out, const QString& name, const PaintFigures& f, const QString& target = {})
{
    out << QStringLiteral("  %1  p50 %2 ms  p90 %3 ms  min %4 ms  cpu p50 %5 ms  %6\n")
               .arg(name, -40)
               .arg(f.p50, 0, 'f', 3)
               .arg(f.p90, 0, 'f', 3)
               .arg(f.min, 0, 'f', 3)
               .arg(f.cpuP50, 0, 'f', 3)
               .arg(target);
    out.flush();
}

// A model frame as a keyed reference swing would look: a figure on magenta.
QImage keyedModel(int width, int height)
{
    QImage model = test::indexPattern(3, width, height);
    QPainter painter(&model);
    painter.fillRect(0, 0, width / 2, height, QColor(255, 0, 255));
    return model;
}

} // namespace

// The whole of a frame's way to the screen in a real window: the window
// composes (flip, model blend, time text, drawings) and its picture widget
// paints into the window's backing store.
void benchWindowPaint(QTextStream& out, const QString& workDir)
{
    test::ClipRecipe recipe;
    recipe.codec = QStringLiteral("mjpeg");
    recipe.width = 1920;
    recipe.height = 1080;
    recipe.frames = 4;
    recipe.gopSize = 1;
    const QString video = workDir + QStringLiteral("/paint-video.avi");
    const QString model = workDir + QStringLiteral("/paint-model.avi");
    if (!test::makeClip(video, recipe) || !test::makeClip(model, recipe)) {
        out << "  window paint: cannot make the clips\n";
        return;
    }
    test::FakeFrameServices frame;
    test::ScriptedPrompter prompter;
    const AppContext app{nullptr, &prompter, workDir};
    frmVideo window(app, frame);
    window.resize(1940, 1100);
    window.show();
    window.NewPlayerFile(video);
    window.NewModelFile(model);
    window.setVideoFlip(true);
    window.vcxVideo().waitUntilShown();
    window.vcxModel().waitUntilShown();
    reportPaint(out, QStringLiteral("window: compose and paint, flip, model"),
        measurePaint(100,
            [&] {
                window.PaintVideoFrame();
                window.picVideo()->repaint();
            }),
        QStringLiteral("(target p50 <= 4 ms)"));
}

void runPaintBench(QTextStream& out, const QString& workDir)
{
    out << "paint (PaintVideoFrame at 1920x1080 RGB32)\n";
    const QImage frame = test::indexPattern(1, 1920, 1080);
    const QImage model = keyedModel(1920, 1080);
    const VideoFrameComposer::ModelOverlay overlay{model, model.size(), QPoint(0, 0), 125};
    VideoFrameComposer composer;
    QImage picture;
    const int runs = 200;

    reportPaint(out, QStringLiteral("full paint: zoom 1.0, flip, model blend"),
        measurePaint(runs,
            [&] {
                composer.compose({frame, frame.size(), true, &overlay, 2500}, picture);
            }),
        QStringLiteral("(target p50 <= 4 ms)"));
    reportPaint(out, QStringLiteral("plain paint: zoom 1.0, no flip, no model"), measurePaint(runs, [&] {
        composer.compose({frame, frame.size(), false, nullptr, 2500}, picture);
    }));
    reportPaint(out, QStringLiteral("paint: zoom 1.0, flip, no model"), measurePaint(runs, [&] {
        composer.compose({frame, frame.size(), true, nullptr, 2500}, picture);
    }));
    reportPaint(out, QStringLiteral("paint: zoom 1.0, no flip, model blend"), measurePaint(runs, [&] {
        composer.compose({frame, frame.size(), false, &overlay, 2500}, picture);
    }));
    const QImage small = test::indexPattern(1, 800, 450);
    reportPaint(out, QStringLiteral("zoomed paint: 800x450 at 2.4, flip"), measurePaint(runs, [&] {
        composer.compose({small, QSize(1920, 1080), true, nullptr, 2500}, picture);
    }));
    reportPaint(out, QStringLiteral("mirror in place alone"),
        measurePaint(runs, [&] { ImageEffects::mirrorInPlace(picture); }));
    reportPaint(out, QStringLiteral("keyed blend alone, alpha 125"),
        measurePaint(runs, [&] { ImageEffects::blendKeyed(picture, QPoint(0, 0), model, 125); }));
    benchWindowPaint(out, workDir);
}

} // namespace kestrel::bench
