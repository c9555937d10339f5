#include "kb/RtfRowDefinition.h"

#include <algorithm>

namespace kestrel {

namespace {
constexpr int kMaxCells = 4096; // more than any word processor allows (63)
constexpr int kMaxTwips = 31680 * 4; // four 22-inch pages
} // namespace

void RtfRowDefinition::word(RtfKeyword::Id word, int param)
{
    using Kw = RtfKeyword::Id;
    switch (word) {
    case Kw::trowd:
        *this = RtfRowDefinition{};
        return;
    case Kw::trleft:
        m_row.leftTwips = std::clamp(param, -kMaxTwips, kMaxTwips);
        return;
    case Kw::trql:
        m_alignment = Qt::AlignLeft;
        return;
    case Kw::trqc:
        m_alignment = Qt::AlignHCenter;
        return;
    case Kw::trqr:
        m_alignment = Qt::AlignRight;
        return;
    case Kw::cellx:
        m_cell.rightTwips = std::clamp(param, -kMaxTwips, kMaxTwips);
        if (m_row.definitions.size() < kMaxCells)
            m_row.definitions.push_back(m_cell);
        m_cell = {};
        m_borderTarget = BorderTarget::None;
        return;
    case Kw::clmrg:
        m_cell.mergesLeft = true;
        return;
    case Kw::clvmgf:
        m_cell.startsDownMerge = true;
        return;
    case Kw::clvmrg:
        m_cell.mergesUp = true;
        return;
    case Kw::clbrdr:
        m_borderTarget = BorderTarget::Cell;
        return;
    case Kw::trbrdr:
        m_borderTarget = BorderTarget::Row;
        return;
    case Kw::parabrdr:
    case Kw::brdrnone:
        m_borderTarget = BorderTarget::None;
        return;
    case Kw::brdrstyle:
        // A border style after a cell or row side: that side is drawn.
        if (m_borderTarget == BorderTarget::Cell)
            m_cell.bordered = true;
        else if (m_borderTarget == BorderTarget::Row)
            m_rowBordered = true;
        return;
    default:
        return;
    }
}

RtfTableRow RtfRowDefinition::row() const
{
    RtfTableRow row = m_row;
    if (m_rowBordered) {
        for (RtfCellDefinition& cell : row.definitions)
            cell.bordered = true;
    }
    return row;
}

} // namespace kestrel
