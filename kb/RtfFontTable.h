#pragma once

#include "kb/RtfKeyword.h"

#include <QByteArray>
#include <QHash>
#include <QString>

namespace kestrel {

class RtfCodePage;

// The \fonttbl of a document: each font's name and the code page its 8-bit
// text is in (from \fcharset, or \cpg which wins; a symbol font named without
// either is still one). Names themselves are in their font's code page.
class RtfFontTable {
public:
    explicit RtfFontTable(RtfCodePage& codePages);

    // A control word inside the table (\f starts an entry).
    void word(RtfKeyword::Id word, bool hasParam, int param, int documentCodePage);
    // A byte of an entry's name; ';' ends the entry.
    void byte(unsigned char byte, int documentCodePage);
    // Ends the open entry, if any (an entry group closed without its ';').
    void finishEntry(int documentCodePage);

    QString family(int font) const;
    // The font's code page; 0 when it reads in the document's.
    int codePage(int font) const;
    // Counts changes, so that formats made from the table can tell they are stale.
    int revision() const { return m_revision; }

private:
    struct Font {
        QString name;
        int codePage = 0;
    };
    int entryCodePage(int documentCodePage) const;

    RtfCodePage& m_codePages;
    QHash<int, Font> m_fonts;
    int m_entry = -1;
    int m_entryCodePage = 0;
    bool m_entryHasCpg = false;
    bool m_entryHasCharset = false;
    QString m_name;
    QByteArray m_nameBytes;
    int m_revision = 0;
};

} // namespace kestrel
