#pragma once

#include "kb/RtfFlow.h"
#include "kb/RtfKeyword.h"
#include "kb/RtfListLabel.h"

namespace kestrel {

// The paragraph formatting in force in an RTF group: alignment, indents and
// spacing (in twips), whether the paragraph is in a table, and its
// old-style numbering.
struct RtfParagraphStyle {
    Qt::Alignment align = Qt::AlignLeft;
    int leftTwips = 0;
    int rightTwips = 0;
    int firstTwips = 0;
    int beforeTwips = 0;
    int afterTwips = 0;
    bool inTable = false;
    RtfListLabel numbering;

    // Takes a paragraph formatting word (\pard, \qc, \li, \intbl, ...); other words are ignored.
    void word(RtfKeyword::Id word, int param);

    // True when both give the same RtfParagraphProps.
    bool sameLayout(const RtfParagraphStyle& o) const;
    RtfParagraphProps props() const;
};

} // namespace kestrel
