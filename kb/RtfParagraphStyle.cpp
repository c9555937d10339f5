#include "kb/RtfParagraphStyle.h"

#include <algorithm>

namespace kestrel {

namespace {
constexpr double kTwipsPerPx = 15.0;
constexpr int kMaxTwips = 31680; // 22 inches, the widest page there is
} // namespace

void RtfParagraphStyle::word(RtfKeyword::Id word, int param)
{
    using Kw = RtfKeyword::Id;
    switch (word) {
    case Kw::pard:
        *this = RtfParagraphStyle{};
        return;
    case Kw::ql:
        align = Qt::AlignLeft;
        return;
    case Kw::qc:
        align = Qt::AlignHCenter;
        return;
    case Kw::qr:
        align = Qt::AlignRight;
        return;
    case Kw::qj:
        align = Qt::AlignJustify;
        return;
    case Kw::li:
        leftTwips = std::clamp(param, -kMaxTwips, kMaxTwips);
        return;
    case Kw::ri:
        rightTwips = std::clamp(param, -kMaxTwips, kMaxTwips);
        return;
    case Kw::fi:
        firstTwips = std::clamp(param, -kMaxTwips, kMaxTwips);
        return;
    case Kw::sb:
        beforeTwips = std::clamp(param, 0, kMaxTwips);
        return;
    case Kw::sa:
        afterTwips = std::clamp(param, 0, kMaxTwips);
        return;
    case Kw::intbl:
        inTable = true;
        return;
    case Kw::itap:
        inTable = param > 0;
        return;
    case Kw::ls:
        listOverride = std::max(param, 0);
        return;
    case Kw::ilvl:
        listLevel = std::clamp(param, 0, 8);
        return;
    default:
        return;
    }
}

bool RtfParagraphStyle::sameLayout(const RtfParagraphStyle& o) const
{
    return align == o.align && leftTwips == o.leftTwips && rightTwips == o.rightTwips && firstTwips == o.firstTwips
        && beforeTwips == o.beforeTwips && afterTwips == o.afterTwips && inTable == o.inTable;
}

RtfParagraphProps RtfParagraphStyle::props() const
{
    QTextBlockFormat format;
    format.setAlignment(align);
    if (leftTwips)
        format.setLeftMargin(leftTwips / kTwipsPerPx);
    if (rightTwips)
        format.setRightMargin(rightTwips / kTwipsPerPx);
    if (firstTwips)
        format.setTextIndent(firstTwips / kTwipsPerPx);
    // A hanging indent is a tab stop, as in word processors: the tab after
    // a list label takes the text to the indent. Qt measures tab stops from
    // where the first line starts.
    if (firstTwips < 0)
        format.setTabPositions({QTextOption::Tab(-firstTwips / kTwipsPerPx, QTextOption::LeftTab)});
    if (beforeTwips)
        format.setTopMargin(beforeTwips / kTwipsPerPx);
    if (afterTwips)
        format.setBottomMargin(afterTwips / kTwipsPerPx);
    return RtfParagraphProps{format, inTable};
}

} // namespace kestrel
