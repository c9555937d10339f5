// Knowledge-base figures: reading and writing long, heavily formatted notes.
// Reading must take time in proportion to the file, whether the runs share
// one paragraph or spread over many.
#include "Benchmarks.h"

#include "kb/RtfReader.h"
#include "kb/RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QTextDocument>

#include <algorithm>
#include <ctime>
#include <functional>
#include <vector>

namespace kestrel::bench {

namespace {

// A note of `runs` formatting runs of about ten bytes each,
// `runsPerParagraph` of them to a paragraph: bold changes at every run, so
// no two neighbouring runs can merge, and colour and italic now and then.
QByteArray formattedNote(int runs, int runsPerParagraph)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                     "{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs22\n";
    static const char* const kWords[] = {"grip", "stance", "swing", "plane", "tempo", "wrist", "hips"};
    for (int i = 0; i < runs; ++i) {
        rtf += (i % 2) ? "\\b0 " : "\\b ";
        if (i % 10 == 0)
            rtf += (i % 20) ? "\\i\\cf1 " : "\\i0\\cf0 ";
        rtf += kWords[i % 7];
        rtf += ' ';
        if ((i + 1) % runsPerParagraph == 0)
            rtf += "\\par\n";
    }
    rtf += "\\par}";
    return rtf;
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Figures {
    double wallP50 = 0, cpuP50 = 0;
};

Figures measure(int runs, const std::function<void()>& work)
{
    std::vector<double> wall, cpu;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        const double cpuStart = threadCpuMs();
        timer.start();
        work();
        wall.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

void report(QTextStream& out, const QString& name, const Figures& f, const QString& target)
{
    out << QStringLiteral("  %1  p50 %2 ms  (cpu %3 ms)  %4\n")
               .arg(name, -58)
               .arg(f.wallP50, 0, 'f', 0)
               .arg(f.cpuP50, 0, 'f', 0)
               .arg(target);
}

} // namespace

void runKbBench(QTextStream& out, const QString&)
{
    constexpr int kRuns = 100000;
    const QByteArray oneParagraph = formattedNote(kRuns, kRuns);
    const QByteArray manyParagraphs = formattedNote(kRuns, 100);
    out << QStringLiteral("knowledge base (RTF note of %1 KB, %2 formatting runs)\n")
               .arg(oneParagraph.size() / 1024)
               .arg(kRuns);
    out.flush();

    report(out, QStringLiteral("read, all runs in one paragraph"),
        measure(3,
            [&] {
                QTextDocument doc;
                RtfReader::read(oneParagraph, &doc);
            }),
        QStringLiteral("(target <= 1000 ms)"));
    report(out, QStringLiteral("read, 100 runs to a paragraph"),
        measure(3,
            [&] {
                QTextDocument doc;
                RtfReader::read(manyParagraphs, &doc);
            }),
        QString());
    // What opening the note costs the document window: reading, then laying it out.
    report(out, QStringLiteral("read and lay out at 600 px, one paragraph"),
        measure(3,
            [&] {
                QTextDocument doc;
                doc.setTextWidth(600);
                RtfReader::read(oneParagraph, &doc);
                doc.documentLayout()->documentSize();
            }),
        QString());
    QTextDocument doc;
    RtfReader::read(oneParagraph, &doc);
    QByteArray written;
    report(out, QStringLiteral("write it back"), measure(3, [&] { written = RtfWriter::write(doc); }), QString());
    out << QStringLiteral("  written: %1 KB\n").arg(written.size() / 1024);

    const QByteArray sixMegabytes = formattedNote(6 * kRuns, 6 * kRuns);
    report(out, QStringLiteral("read %1 KB, %2 runs in one paragraph").arg(sixMegabytes.size() / 1024).arg(6 * kRuns),
        measure(1,
            [&] {
                QTextDocument big;
                RtfReader::read(sixMegabytes, &big);
            }),
        QString());
    out.flush();
}

} // namespace kestrel::bench
