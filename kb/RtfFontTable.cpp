#include "kb/RtfFontTable.h"

#include "kb/RtfCodePage.h"

namespace kestrel {

namespace {

// Fonts whose bytes are glyph numbers, known by name: old writers leave out
// \fcharset2 for them ("{\f1 Symbol;}"), and readers still draw bullets.
bool isSymbolFontName(const QString& name)
{
    static const QStringList names{QStringLiteral("Symbol"), QStringLiteral("Wingdings"), QStringLiteral("Wingdings 2"),
        QStringLiteral("Wingdings 3"), QStringLiteral("Webdings"), QStringLiteral("Zapf Dingbats"),
        QStringLiteral("ZapfDingbats")};
    return names.contains(name, Qt::CaseInsensitive);
}

} // namespace

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
        m_entryHasCharset = false;
        return;
    case RtfKeyword::Id::fcharset:
        m_entryHasCharset = true;
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
    const QString name = m_name.trimmed();
    const bool namedSymbol = !m_entryHasCharset && !m_entryHasCpg && isSymbolFontName(name);
    m_fonts.insert(m_entry, Font{name, namedSymbol ? RtfCodePage::kSymbol : m_entryCodePage});
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
