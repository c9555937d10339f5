#include "kb/RtfListTable.h"

#include "kb/RtfCodePage.h"
#include "kb/RtfFontTable.h"
#include "kb/RtfListLabel.h"

#include <algorithm>

namespace kestrel {

void RtfListTable::startList()
{
    m_levels.clear();
    m_listId = 0;
}

void RtfListTable::finishList()
{
    if (!m_levels.empty())
        m_lists[m_listId] = std::move(m_levels);
    m_levels.clear();
}

void RtfListTable::startLevel()
{
    m_level = {};
    m_inLevel = true;
}

void RtfListTable::finishLevel()
{
    m_inLevel = false;
    std::vector<Level>& levels = m_inOverride ? m_override.levels : m_levels;
    if (int(levels.size()) < kLevels)
        levels.push_back(m_level);
}

void RtfListTable::startOverride()
{
    m_override = {};
    m_overrideLs = 0;
    m_inOverride = true;
}

void RtfListTable::finishOverride()
{
    m_inOverride = false;
    if (m_overrideLs > 0)
        m_overrides[m_overrideLs] = std::move(m_override);
    m_override = {};
}

void RtfListTable::setLevelText(const QString& text)
{
    if (text.isEmpty())
        return;
    const int length = std::min<int>(text.at(0).unicode(), int(text.size()) - 1);
    m_level.text = text.mid(1, length);
}

void RtfListTable::word(std::string_view word, bool hasParam, int param)
{
    if (word == "listid" && hasParam) {
        if (m_inOverride)
            m_override.listId = param;
        else
            m_listId = param;
    } else if (word == "ls" && hasParam && m_inOverride) {
        m_overrideLs = param;
    } else if (!m_inLevel) {
        return;
    } else if (word == "levelnfc" && hasParam) {
        m_level.format = param;
    } else if (word == "levelstartat" && hasParam) {
        m_level.start = std::clamp(param, 0, 32767);
    } else if (word == "f" && hasParam) {
        m_level.font = param;
    }
}

const RtfListTable::Level* RtfListTable::levelOf(int ls, int level) const
{
    const auto override = m_overrides.find(ls);
    if (override == m_overrides.end())
        return nullptr;
    if (size_t(level) < override->second.levels.size())
        return &override->second.levels[size_t(level)];
    const auto list = m_lists.find(override->second.listId);
    if (list == m_lists.end() || size_t(level) >= list->second.size())
        return nullptr;
    return &list->second[size_t(level)];
}

QString RtfListTable::number(int ls, int level) const
{
    const Level* definition = levelOf(ls, level);
    const auto counters = m_counters.find(ls);
    const int value = counters == m_counters.end() ? 0 : counters->second[size_t(level)];
    const int shown = value > 0 ? value : (definition ? definition->start : 1);
    switch (definition ? definition->format : 0) {
    case 1:
        return RtfListLabel::formatNumber(shown, 'I');
    case 2:
        return RtfListLabel::formatNumber(shown, 'i');
    case 3:
        return RtfListLabel::formatNumber(shown, 'A');
    case 4:
        return RtfListLabel::formatNumber(shown, 'a');
    case 22:
        return QStringLiteral("%1").arg(shown, 2, 10, QLatin1Char('0'));
    default:
        return QString::number(shown);
    }
}

QString RtfListTable::nextLabel(int ls, int level, const RtfFontTable& fonts)
{
    level = std::clamp(level, 0, kLevels - 1);
    const Level* definition = levelOf(ls, level);
    if (!definition || definition->format == 255)
        return {};
    std::array<int, kLevels>& counters = m_counters[ls];
    counters[size_t(level)]
        = counters[size_t(level)] > 0 ? counters[size_t(level)] + 1 : std::max(definition->start, 1);
    for (int deeper = level + 1; deeper < kLevels; ++deeper)
        counters[size_t(deeper)] = 0;

    const bool symbolFont = definition->font >= 0 && fonts.codePage(definition->font) == RtfCodePage::kSymbol;
    QString label;
    for (const QChar ch : definition->text) {
        if (ch.unicode() < kLevels)
            label += number(ls, ch.unicode());
        else if (symbolFont || ch.category() == QChar::Other_PrivateUse)
            label += QChar(0x2022); // a symbol font's glyph: no font here draws it as such
        else
            label += ch;
    }
    if (label.isEmpty() && definition->format == 23)
        label = QChar(0x2022);
    return label.isEmpty() ? QString() : label + QLatin1Char('\t');
}

} // namespace kestrel
