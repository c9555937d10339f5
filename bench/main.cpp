// kestrel-bench: speed and memory figures for the engine, frame painting,
// drawing, swing analysis, point tracking, the knowledge base and the camera's
// delay buffer.
// Run with `./kestrel.sh bench`; `--only engine|paint|drawing|analysis|tracking|kb|capture` picks one.
#include "Benchmarks.h"

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    const int only = args.indexOf(QStringLiteral("--only"));
    const QString area = only >= 0 ? args.value(only + 1) : QString();

    QTemporaryDir work;
    QTextStream out(stdout);
    if (area.isEmpty() || area == QLatin1String("engine"))
        kestrel::bench::runEngineBench(out, work.path());
    if (area.isEmpty() || area == QLatin1String("paint"))
        kestrel::bench::runPaintBench(out, work.path());
    if (area.isEmpty() || area == QLatin1String("drawing"))
        kestrel::bench::runDrawingBench(out, work.path());
    if (area.isEmpty() || area == QLatin1String("analysis"))
        kestrel::bench::runAnalysisBench(out, work.path());
    if (area.isEmpty() || area == QLatin1String("tracking"))
        kestrel::bench::runTrackingBench(out, work.path());
    if (area.isEmpty() || area == QLatin1String("kb"))
        kestrel::bench::runKbBench(out, work.path());
    if (area.isEmpty() || area == QLatin1String("capture"))
        kestrel::bench::runCaptureBench(out, work.path());
    return 0;
}
