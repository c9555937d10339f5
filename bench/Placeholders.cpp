// Areas whose benchmark has not landed yet print nothing. Each area's own
// file replaces its line here.
#include "Benchmarks.h"

namespace kestrel::bench {
void runEngineBench(QTextStream&, const QString&) {}
void runPaintBench(QTextStream&, const QString&) {}
void runDrawingBench(QTextStream&, const QString&) {}
}  // namespace kestrel::bench
