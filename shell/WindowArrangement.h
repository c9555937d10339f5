#pragma once

class QMdiArea;

namespace kestrel {

// Arrangements of the frame's document windows that QMdiArea lacks.
namespace WindowArrangement {
// One above the other, each the full width of the area.
void tileHorizontally(QMdiArea& area);
// Side by side, each the full height of the area.
void tileVertically(QMdiArea& area);
// Minimises every visible document window; hidden ones are left alone.
void minimiseAll(QMdiArea& area);
} // namespace WindowArrangement

} // namespace kestrel
