#include "kb/RtfCharacterStyle.h"

#include "kb/RtfFontTable.h"

#include <algorithm>

namespace kestrel {

void RtfCharacterStyle::word(RtfKeyword::Id word, bool hasParam, int param, int defaultFont)
{
    using Kw = RtfKeyword::Id;
    const bool on = !hasParam || param != 0;
    switch (word) {
    case Kw::plain:
        *this = RtfCharacterStyle{};
        font = defaultFont;
        return;
    case Kw::b:
        bold = on;
        return;
    case Kw::i:
        italic = on;
        return;
    case Kw::ul:
        underline = on;
        return;
    case Kw::ulnone:
        underline = false;
        return;
    case Kw::strike:
    case Kw::striked:
        strike = on;
        return;
    case Kw::sub:
        vertical = QTextCharFormat::AlignSubScript;
        return;
    case Kw::super:
        vertical = QTextCharFormat::AlignSuperScript;
        return;
    case Kw::nosupersub:
        vertical = QTextCharFormat::AlignNormal;
        return;
    case Kw::up: // raised by half-points: LibreOffice's superscript
        vertical = hasParam && param == 0 ? QTextCharFormat::AlignNormal : QTextCharFormat::AlignSuperScript;
        return;
    case Kw::dn:
        vertical = hasParam && param == 0 ? QTextCharFormat::AlignNormal : QTextCharFormat::AlignSubScript;
        return;
    case Kw::highlight:
    case Kw::chcbpat:
    case Kw::cb:
        background = std::max(param, 0);
        return;
    case Kw::v:
        hidden = on;
        return;
    case Kw::caps:
        caps = on ? QFont::AllUppercase : QFont::MixedCase;
        return;
    case Kw::scaps:
        caps = on ? QFont::SmallCaps : QFont::MixedCase;
        return;
    case Kw::f:
        font = param;
        return;
    case Kw::fs:
        halfPoints = hasParam ? std::clamp(param, 2, 3276) : 24;
        return;
    case Kw::cf:
        color = param;
        return;
    default:
        return;
    }
}

QTextCharFormat RtfCharacterStyle::format(
    const RtfFontTable& fonts, const std::vector<QColor>& colors, int defaultFont) const
{
    QTextCharFormat format;
    if (const QString family = fonts.family(font >= 0 ? font : defaultFont); !family.isEmpty())
        format.setFontFamilies(QStringList{family});
    format.setFontPointSize(halfPoints / 2.0);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(italic);
    format.setFontUnderline(underline);
    if (strike)
        format.setFontStrikeOut(true);
    if (vertical != QTextCharFormat::AlignNormal)
        format.setVerticalAlignment(vertical);
    if (caps != QFont::MixedCase)
        format.setFontCapitalization(caps);
    const auto colorAt
        = [&](int index) { return index > 0 && index < int(colors.size()) ? colors[size_t(index)] : QColor(); };
    if (const QColor c = colorAt(color); c.isValid())
        format.setForeground(c);
    if (const QColor c = colorAt(background); c.isValid())
        format.setBackground(c);
    return format;
}

} // namespace kestrel
