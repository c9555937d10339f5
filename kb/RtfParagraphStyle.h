#pragma once

#include "kb/RtfFlow.h"
#include "kb/RtfKeyword.h"
#include "kb/RtfListLabel.h"

namespace kestrel {

// The paragraph formatting in force in an RTF group: alignment, indents and
// spacing (in twips), whether the paragraph is in a table, its old-style
// numbering and the Word list it is an item of.
struct RtfParagraphStyle {
    Qt::Alignment align = Qt::AlignLeft;
    int leftTwips = 0;
    int rightTwips = 0;
    int firstTwips = 0;
    int beforeTwips = 0;
    int afterTwips = 0;
    bool inTable = false;
    RtfListLabel numbering;
    int listOverride = 0; // \ls: the Word list the paragraph belongs to; 0 for none
    int listLevel = 0; // \ilvl

    // Takes a paragraph formatting word (\pard, \qc, \li, \intbl, ...); other words are ignored.
    void word(RtfKeyword::Id word, int param);

    // True when both give the same RtfParagraphProps.
    bool sameLayout(const RtfParagraphStyle& o) const;
    RtfParagraphProps props() const;
};

} // namespace kestrel
