#include "kb/RtfListLabel.h"

#include <algorithm>

namespace kestrel {

namespace {

QString letters(int number, char base)
{
    // 1 → A, 26 → Z, 27 → AA, as word processors count.
    QString out;
    while (number > 0) {
        --number;
        out.prepend(QChar(base + number % 26));
        number /= 26;
    }
    return out;
}

QString roman(int number)
{
    static const std::pair<int, const char*> kDigits[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"},
        {90, "XC"}, {50, "L"}, {40, "XL"}, {10, "X"}, {9, "IX"}, {5, "V"}, {4, "IV"}, {1, "I"}};
    QString out;
    number = std::min(number, 3999);
    for (const auto& [value, text] : kDigits) {
        while (number >= value) {
            out += QLatin1String(text);
            number -= value;
        }
    }
    return out;
}

} // namespace

void RtfListLabel::applyWord(std::string_view word, bool hasParam, int param)
{
    if (word == "pnlvlblt") {
        level = kBulletLevel;
    } else if (word == "pnlvlbody") {
        level = kBodyLevel;
    } else if (word == "pnlvlcont") {
        noLabel = true;
    } else if (word == "pnlvl" && hasParam) {
        level = std::clamp(param, 1, 9);
    } else if (word == "pndec" || word == "pnord" || word == "pncard") {
        style = '1';
    } else if (word == "pnucltr") {
        style = 'A';
    } else if (word == "pnlcltr") {
        style = 'a';
    } else if (word == "pnucrm") {
        style = 'I';
    } else if (word == "pnlcrm") {
        style = 'i';
    } else if (word == "pnstart" && hasParam) {
        start = std::clamp(param, 0, 32767);
    } else if (word == "pnf" && hasParam) {
        font = param;
    }
}

QString RtfListLabel::formatNumber(int number, char style)
{
    switch (style) {
    case 'A':
        return letters(number, 'A');
    case 'a':
        return letters(number, 'a');
    case 'I':
        return roman(number);
    case 'i':
        return roman(number).toLower();
    default:
        return QString::number(number);
    }
}

QString RtfListLabel::next(Counters& counters, bool symbolFont) const
{
    if (!active || noLabel)
        return {};
    if (level == kBulletLevel) {
        const QString bullet = before.isEmpty() || symbolFont ? QString(QChar(0x2022)) : before;
        return bullet + QLatin1Char('\t');
    }
    int& following = counters[size_t(level)];
    const int number = following == 0 ? start : following;
    following = std::min(number + 1, 32767);
    // A new item at an outline level starts the levels below it afresh.
    if (level < kBodyLevel) {
        for (int deeper = level + 1; deeper < kBodyLevel; ++deeper)
            counters[size_t(deeper)] = 0;
    }
    return before + formatNumber(number, style) + after + QLatin1Char('\t');
}

} // namespace kestrel
