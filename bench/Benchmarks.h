#pragma once

#include <QString>
#include <QTextStream>

namespace kestrel::bench {

// Each area of the program measures itself and prints its own table.
// workDir is a scratch folder for clips the benchmark makes.
void runEngineBench(QTextStream& out, const QString& workDir);
void runPaintBench(QTextStream& out, const QString& workDir);
void runDrawingBench(QTextStream& out, const QString& workDir);
void runAnalysisBench(QTextStream& out, const QString& workDir);
void runKbBench(QTextStream& out, const QString& workDir);
void runCaptureBench(QTextStream& out, const QString& workDir);
void runTrackingBench(QTextStream& out, const QString& workDir);

} // namespace kestrel::bench
