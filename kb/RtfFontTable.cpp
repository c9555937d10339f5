#include "kb/RtfFontTable.h"

#include "kb/RtfCodePage.h"

namespace kestrel {

RtfFontTable::RtfFontTable(RtfCodePage& codePages)
    : m_codePages(codePages)
{
}

int RtfFontTable::entryCodePage(int documentCodePage) const
{
    return m_entryCodePage ? m_entryCodePage : documentCodePage;
}

void RtfFontTable::word(RtfKeyword::Id word, bool hasParam, int param, int documentCodePage)
{
    switch (word) {
    case RtfKeyword::Id::f:
        finishEntry(documentCodePage);
        m_entry = param;
        m_entryCodePage = 0;
        m_entryHasCpg = false;
        return;
    case RtfKeyword::Id::fcharset:
        if (!m_entryHasCpg)
            m_entryCodePage = RtfCodePage::fromCharset(param);
        return;
    case RtfKeyword::Id::cpg:
        m_entryHasCpg = true;
        m_entryCodePage = param;
        return;
    case RtfKeyword::Id::u:
        if (hasParam) {
            m_name += m_codePages.decode(m_nameBytes, entryCodePage(documentCodePage));
            m_nameBytes.clear();
            m_name += QChar(char16_t(param));
        }
        return;
    default:
        return;
    }
}

void RtfFontTable::byte(unsigned char byte, int documentCodePage)
{
    if (byte == ';')
        finishEntry(documentCodePage);
    else
        m_nameBytes += char(byte);
}

void RtfFontTable::finishEntry(int documentCodePage)
{
    if (m_entry < 0)
        return;
    m_name += m_codePages.decode(m_nameBytes, entryCodePage(documentCodePage));
    m_fonts.insert(m_entry, Font{m_name.trimmed(), m_entryCodePage});
    m_name.clear();
    m_nameBytes.clear();
    m_entry = -1;
    ++m_revision;
}

QString RtfFontTable::family(int font) const
{
    const auto found = m_fonts.constFind(font);
    return found == m_fonts.constEnd() ? QString() : found->name;
}

int RtfFontTable::codePage(int font) const
{
    const auto found = m_fonts.constFind(font);
    return found == m_fonts.constEnd() ? 0 : found->codePage;
}

} // namespace kestrel
