#pragma once

#include "kb/RtfContent.h"
#include "kb/RtfKeyword.h"

namespace kestrel {

// The table row being defined by \trowd and the \cl... and \cellx words
// after it: the cells' right edges, merges and borders, and the row's
// alignment. Word processors define every row before its cells, and Word
// repeats the definition just before \row; the last definition holds.
class RtfRowDefinition {
public:
    // Takes a row or cell word; other words are ignored.
    void word(RtfKeyword::Id word, int param);

    // The row as defined: its left edge and cell definitions, no cells yet.
    RtfTableRow row() const;
    Qt::Alignment alignment() const { return m_alignment; }

private:
    enum class BorderTarget { None, Cell, Row };

    RtfTableRow m_row;
    RtfCellDefinition m_cell; // the next \cellx's
    Qt::Alignment m_alignment = Qt::AlignLeft;
    BorderTarget m_borderTarget = BorderTarget::None;
    bool m_rowBordered = false; // \trbrdr...: every cell has borders
};

} // namespace kestrel
