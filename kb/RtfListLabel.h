#pragma once

#include <QString>

#include <array>
#include <string_view>

namespace kestrel {

// An old-style paragraph numbering (\pn ... group): bullets or numbers at
// one of nine outline levels or the body level, with texts before and after
// the number. Word processors of the 1990s wrote only this, without a
// \pntext label to show, so the reader makes the labels itself.
struct RtfListLabel {
    static constexpr int kBodyLevel = 10;
    static constexpr int kBulletLevel = 11;
    // The number the next item gets at each level; 0 before the first item.
    using Counters = std::array<int, 12>;

    bool active = false;
    bool noLabel = false; // \pnlvlcont: a paragraph that continues the previous item
    int level = kBodyLevel;
    char style = '1'; // '1' decimal, 'A' 'a' letters, 'I' 'i' roman numerals
    int start = 1;
    int font = -1; // \pnf
    QString before; // \pntxtb
    QString after; // \pntxta

    // Takes one control word of the \pn group.
    void applyWord(std::string_view word, bool hasParam, int param);
    // The label of the next paragraph, with its tab; advances counters.
    // symbolFont: the texts are in a symbol font, whose bytes draw a bullet.
    QString next(Counters& counters, bool symbolFont) const;

    static QString formatNumber(int number, char style);
};

} // namespace kestrel
