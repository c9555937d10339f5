// Areas whose benchmark has not landed yet print nothing. Each area's own
// file replaces its line here.
#include "Benchmarks.h"

namespace kestrel::bench {
} // namespace kestrel::bench
