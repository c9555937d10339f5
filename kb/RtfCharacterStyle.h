#pragma once

#include "kb/RtfKeyword.h"

#include <QColor>
#include <QFont>
#include <QTextCharFormat>

#include <vector>

namespace kestrel {

class RtfFontTable;

// The character formatting in force in an RTF group, and the
// QTextCharFormat it stands for.
struct RtfCharacterStyle {
    int font = -1; // -1: the document's default font
    int halfPoints = 24;
    int color = 0; // index into the colour table; 0 is "auto"
    int background = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    QTextCharFormat::VerticalAlignment vertical = QTextCharFormat::AlignNormal;
    QFont::Capitalization caps = QFont::MixedCase;

    bool operator==(const RtfCharacterStyle&) const = default;

    // Takes a character formatting word (\b, \fs, \super, \plain, ...);
    // defaultFont is the font \plain returns to. Other words are ignored.
    void word(RtfKeyword::Id word, bool hasParam, int param, int defaultFont);

    QTextCharFormat format(const RtfFontTable& fonts, const std::vector<QColor>& colors, int defaultFont) const;
};

} // namespace kestrel
