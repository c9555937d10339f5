#pragma once

#include <QIcon>
#include <QStringList>

class QComboBox;

namespace kestrel {

// Fills the combo with this platform's font families, each trimmed, blank
// names left out; with sort on, ordered without regard to case (ascending or
// descending). Ends with the combo's text empty.
void FillFontList(QComboBox* combo, const QIcon& icon, bool sort, bool ascending);

// The ordering FillFontList uses; stable, so names equal but for case keep
// their enumeration order.
QStringList SortFontNames(QStringList names, bool ascending);

} // namespace kestrel
