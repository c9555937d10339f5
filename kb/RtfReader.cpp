#include "kb/RtfReader.h"

#include "kb/RtfCodePage.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace kestrel {

namespace {

enum class Dest { Text, FontTable, ColorTable, Picture, Skip };

struct CharState {
    int font = -1;
    int halfPoints = 24;
    int color = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

enum class PictType { None, Png, Jpeg };

struct GroupState {
    Dest dest = Dest::Text;
    CharState chr;
    Qt::Alignment align = Qt::AlignLeft;
    int uc = 1;
};

// Destinations whose content is never text of the document.
bool isSkippedDestination(const QByteArray& word)
{
    static const QByteArray kWords[] = {"stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer",
        "footerl", "footerr", "footerf", "footnote", "annotation", "listtable", "listoverridetable", "revtbl",
        "rsidtbl", "generator", "xmlnstbl", "themedata", "colorschememapping", "latentstyles", "datastore", "fldinst",
        "nonshppict", "object", "pgdsctbl", "userprops", "docvar", "mmathPr", "bkmkstart", "bkmkend", "filetbl",
        "template", "xe", "tc", "pn", "atnid", "atnauthor", "private", "objdata"};
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

class Parser {
public:
    Parser(const QByteArray& data, QTextDocument* doc)
        : m_data(data)
        , m_doc(doc)
        , m_cursor(doc)
    {
    }

    void run();

private:
    void openGroup();
    void closeGroup();
    void controlWord(const QByteArray& word, bool hasParam, int param);
    void controlSymbol(char symbol);
    void textByte(unsigned char byte);
    void textChar(QChar ch);
    void flushText();
    void paragraph();
    void lineBreak();
    void startContent();
    void finishPicture();
    QTextCharFormat charFormat() const;
    GroupState& state() { return m_stack.back(); }

    const QByteArray& m_data;
    qsizetype m_pos = 0;
    QTextDocument* m_doc;
    QTextCursor m_cursor;
    std::vector<GroupState> m_stack;
    int m_overflowDepth = 0; // groups open beyond kMaxDepth
    bool m_starPending = false;
    bool m_groupStart = false;
    int m_ucSkip = 0;
    bool m_paragraphPending = false;
    Qt::Alignment m_contentAlign = Qt::AlignLeft; // of the last text or picture
    QString m_pending;

    QHash<int, QString> m_fonts;
    int m_defaultFont = 0;
    int m_fontEntry = -1;
    QString m_fontName;
    std::vector<QColor> m_colors;
    int m_red = -1, m_green = -1, m_blue = -1;

    PictType m_pictType = PictType::None;
    QByteArray m_pictData;
    int m_pictNibble = -1;
    int m_picw = 0, m_pich = 0, m_picwGoal = 0, m_pichGoal = 0, m_scaleX = 100, m_scaleY = 100;
    int m_imageCount = 0;
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void Parser::run()
{
    const qsizetype size = m_data.size();
    // The document's outer group; anything before "{\rtf" was checked by the caller.
    while (m_pos < size && m_data[m_pos] != '{')
        ++m_pos;
    while (m_pos < size) {
        const char c = m_data[m_pos++];
        if (c == '{') {
            openGroup();
        } else if (c == '}') {
            closeGroup();
            if (m_stack.empty() && m_overflowDepth == 0)
                break; // the document's group closed: what follows is not RTF
        } else if (c == '\\') {
            if (m_pos >= size)
                break;
            const char next = m_data[m_pos];
            if (isLetter(next)) {
                QByteArray word;
                while (m_pos < size && isLetter(m_data[m_pos])) {
                    if (word.size() < 32)
                        word += m_data[m_pos];
                    ++m_pos;
                }
                bool hasParam = false;
                bool negative = false;
                qint64 value = 0;
                if (m_pos < size && m_data[m_pos] == '-' && m_pos + 1 < size && m_data[m_pos + 1] >= '0'
                    && m_data[m_pos + 1] <= '9') {
                    negative = true;
                    ++m_pos;
                }
                while (m_pos < size && m_data[m_pos] >= '0' && m_data[m_pos] <= '9') {
                    hasParam = true;
                    value = std::min<qint64>(value * 10 + (m_data[m_pos] - '0'), 0x7FFFFFFF);
                    ++m_pos;
                }
                if (m_pos < size && m_data[m_pos] == ' ')
                    ++m_pos;
                if (m_overflowDepth == 0)
                    controlWord(word, hasParam, int(negative ? -value : value));
            } else {
                ++m_pos;
                if (m_overflowDepth == 0)
                    controlSymbol(next);
            }
        } else if (c == '\r' || c == '\n' || c == '\0') {
            continue;
        } else if (m_overflowDepth == 0 && !m_stack.empty()) {
            textByte(static_cast<unsigned char>(c));
        }
    }
    flushText();
    // A truncated file: close what is open so a picture read so far still shows.
    while (!m_stack.empty())
        closeGroup();
    // The last paragraph had no \par of its own.
    if (!m_paragraphPending) {
        QTextBlockFormat block = m_cursor.blockFormat();
        block.setAlignment(m_contentAlign);
        m_cursor.setBlockFormat(block);
    }
}

void Parser::openGroup()
{
    flushText();
    m_ucSkip = 0;
    if (m_overflowDepth > 0 || int(m_stack.size()) >= RtfReader::kMaxDepth) {
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(m_stack.empty() ? GroupState{} : m_stack.back());
    m_groupStart = true;
    m_starPending = false;
}

void Parser::closeGroup()
{
    flushText();
    m_ucSkip = 0;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_stack.empty())
        return;
    const Dest closing = m_stack.back().dest;
    if (m_stack.size() == 1)
        m_contentAlign = m_stack.back().align; // applies to an unterminated last paragraph
    m_stack.pop_back();
    const Dest parent = m_stack.empty() ? Dest::Text : m_stack.back().dest;
    if (closing == Dest::Picture && parent != Dest::Picture)
        finishPicture();
    if (closing == Dest::FontTable && parent == Dest::FontTable && m_fontEntry >= 0 && !m_fontName.isEmpty()) {
        // An entry group closed without its ';'.
        m_fonts.insert(m_fontEntry, m_fontName.trimmed());
        m_fontName.clear();
    }
    m_groupStart = false;
    m_starPending = false;
}

void Parser::controlSymbol(char symbol)
{
    if (m_stack.empty())
        return;
    switch (symbol) {
    case '*':
        m_starPending = true;
        return;
    case '\'': {
        const int hi = m_pos < m_data.size() ? hexValue(m_data[m_pos]) : -1;
        const int lo = m_pos + 1 < m_data.size() ? hexValue(m_data[m_pos + 1]) : -1;
        if (hi < 0)
            return;
        if (lo < 0) {
            ++m_pos; // half an escape: drop it rather than show a stray digit
            return;
        }
        m_pos += 2;
        if (m_ucSkip > 0) {
            --m_ucSkip;
            return;
        }
        textChar(rtf::fromCp1252(static_cast<unsigned char>(hi * 16 + lo)));
        return;
    }
    case '\\':
    case '{':
    case '}':
        textByte(static_cast<unsigned char>(symbol));
        return;
    case '~':
        textChar(QChar(0x00A0));
        return;
    case '_':
        textChar(QChar(0x2011));
        return;
    case '\n':
    case '\r':
        if (state().dest == Dest::Text)
            paragraph();
        return;
    default:
        return; // optional hyphen, index marks and the like
    }
}

void Parser::controlWord(const QByteArray& word, bool hasParam, int param)
{
    if (m_stack.empty())
        return;
    GroupState& s = state();
    const bool starred = m_starPending;
    const bool first = m_groupStart;
    m_starPending = false;
    m_groupStart = false;

    if (word == "bin") {
        // Raw binary data follows; take it as picture data or step over it.
        const qsizetype count = std::clamp<qsizetype>(hasParam ? param : 0, 0, m_data.size() - m_pos);
        if (s.dest == Dest::Picture)
            m_pictData += m_data.mid(m_pos, count);
        m_pos += count;
        return;
    }
    if (s.dest == Dest::Skip)
        return;

    // Destinations.
    if (first || starred) {
        if (word == "fonttbl") {
            flushText();
            s.dest = Dest::FontTable;
            return;
        }
        if (word == "colortbl") {
            flushText();
            s.dest = Dest::ColorTable;
            m_colors.clear();
            return;
        }
        if (word == "pict" && s.dest != Dest::FontTable && s.dest != Dest::ColorTable) {
            flushText();
            s.dest = Dest::Picture;
            m_pictType = PictType::None;
            m_pictData.clear();
            m_pictNibble = -1;
            m_picw = m_pich = m_picwGoal = m_pichGoal = 0;
            m_scaleX = m_scaleY = 100;
            return;
        }
        if (word == "shppict")
            return; // holds the picture proper; its sibling nonshppict is the fallback
        if (isSkippedDestination(word) || starred) {
            flushText();
            s.dest = Dest::Skip;
            return;
        }
    }

    switch (s.dest) {
    case Dest::FontTable:
        if (word == "f")
            m_fontEntry = param, m_fontName.clear();
        else if (word == "u" && hasParam)
            m_fontName += QChar(char16_t(param < 0 ? param + 65536 : param));
        return;
    case Dest::ColorTable:
        if (word == "red")
            m_red = std::clamp(param, 0, 255);
        else if (word == "green")
            m_green = std::clamp(param, 0, 255);
        else if (word == "blue")
            m_blue = std::clamp(param, 0, 255);
        return;
    case Dest::Picture:
        if (word == "pngblip")
            m_pictType = PictType::Png;
        else if (word == "jpegblip")
            m_pictType = PictType::Jpeg;
        else if (word == "picw")
            m_picw = param;
        else if (word == "pich")
            m_pich = param;
        else if (word == "picwgoal")
            m_picwGoal = param;
        else if (word == "pichgoal")
            m_pichGoal = param;
        else if (word == "picscalex")
            m_scaleX = param;
        else if (word == "picscaley")
            m_scaleY = param;
        return;
    case Dest::Skip:
        return;
    case Dest::Text:
        break;
    }

    if (word == "u" && hasParam) {
        textChar(QChar(char16_t(param < 0 ? param + 65536 : param)));
        m_ucSkip = s.uc;
        return;
    }
    // Unicode fallback characters are single characters; anything else ends them.
    m_ucSkip = 0;
    if (word == "par" || word == "page") {
        paragraph();
    } else if (word == "line") {
        lineBreak();
    } else if (word == "tab") {
        textChar(QChar('\t'));
    } else if (word == "emdash") {
        textChar(QChar(0x2014));
    } else if (word == "endash") {
        textChar(QChar(0x2013));
    } else if (word == "bullet") {
        textChar(QChar(0x2022));
    } else if (word == "lquote") {
        textChar(QChar(0x2018));
    } else if (word == "rquote") {
        textChar(QChar(0x2019));
    } else if (word == "ldblquote") {
        textChar(QChar(0x201C));
    } else if (word == "rdblquote") {
        textChar(QChar(0x201D));
    } else if (word == "emspace") {
        textChar(QChar(0x2003));
    } else if (word == "enspace") {
        textChar(QChar(0x2002));
    } else if (word == "uc") {
        s.uc = std::clamp(param, 0, 16);
    } else {
        flushText();
        if (word == "pard")
            s.align = Qt::AlignLeft;
        else if (word == "ql")
            s.align = Qt::AlignLeft;
        else if (word == "qc")
            s.align = Qt::AlignHCenter;
        else if (word == "qr")
            s.align = Qt::AlignRight;
        else if (word == "qj")
            s.align = Qt::AlignJustify;
        else if (word == "plain")
            s.chr = CharState{m_defaultFont};
        else if (word == "b")
            s.chr.bold = !hasParam || param != 0;
        else if (word == "i")
            s.chr.italic = !hasParam || param != 0;
        else if (word == "ulnone")
            s.chr.underline = false;
        else if (word == "ul" || word == "uld" || word == "uldash" || word == "uldb" || word == "ulw"
            || word == "ulwave" || word == "ulth" || word == "uldashd" || word == "uldashdd")
            s.chr.underline = !hasParam || param != 0;
        else if (word == "f")
            s.chr.font = param;
        else if (word == "fs")
            s.chr.halfPoints = hasParam ? std::clamp(param, 2, 3276) : 24;
        else if (word == "cf")
            s.chr.color = param;
        else if (word == "deff") {
            m_defaultFont = param;
            if (s.chr.font < 0)
                s.chr.font = param;
        }
    }
}

void Parser::textByte(unsigned char byte)
{
    if (m_stack.empty())
        return;
    m_groupStart = false;
    switch (state().dest) {
    case Dest::Picture: {
        const int v = hexValue(char(byte));
        if (v < 0)
            return;
        if (m_pictNibble < 0) {
            m_pictNibble = v;
        } else {
            m_pictData += char(m_pictNibble * 16 + v);
            m_pictNibble = -1;
        }
        return;
    }
    case Dest::ColorTable:
        if (byte == ';') {
            if (m_red < 0 && m_green < 0 && m_blue < 0)
                m_colors.emplace_back(); // "auto": the default colour
            else
                m_colors.emplace_back(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0));
            m_red = m_green = m_blue = -1;
        }
        return;
    case Dest::FontTable:
        if (byte == ';') {
            if (m_fontEntry >= 0)
                m_fonts.insert(m_fontEntry, m_fontName.trimmed());
            m_fontName.clear();
        } else {
            m_fontName += rtf::fromCp1252(byte);
        }
        return;
    case Dest::Skip:
        return;
    case Dest::Text:
        if (m_ucSkip > 0) {
            --m_ucSkip;
            return;
        }
        textChar(rtf::fromCp1252(byte));
        return;
    }
}

void Parser::textChar(QChar ch)
{
    if (m_stack.empty())
        return;
    if (state().dest == Dest::FontTable) {
        m_fontName += ch;
        return;
    }
    if (state().dest != Dest::Text)
        return;
    m_pending += ch;
}

void Parser::startContent()
{
    if (!m_stack.empty())
        m_contentAlign = state().align;
    if (m_paragraphPending) {
        m_cursor.insertBlock();
        m_paragraphPending = false;
    }
}

QTextCharFormat Parser::charFormat() const
{
    QTextCharFormat format;
    const CharState& c = m_stack.empty() ? CharState{} : m_stack.back().chr;
    const int fontIndex = c.font >= 0 ? c.font : m_defaultFont;
    const auto font = m_fonts.constFind(fontIndex);
    if (font != m_fonts.constEnd() && !font->isEmpty())
        format.setFontFamilies(QStringList{*font});
    format.setFontPointSize(c.halfPoints / 2.0);
    format.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(c.italic);
    format.setFontUnderline(c.underline);
    if (c.color > 0 && c.color < int(m_colors.size()) && m_colors[size_t(c.color)].isValid())
        format.setForeground(m_colors[size_t(c.color)]);
    return format;
}

void Parser::flushText()
{
    if (m_pending.isEmpty())
        return;
    startContent();
    m_cursor.insertText(m_pending, charFormat());
    m_pending.clear();
}

void Parser::paragraph()
{
    flushText();
    startContent();
    QTextBlockFormat block = m_cursor.blockFormat();
    block.setAlignment(state().align);
    m_cursor.setBlockFormat(block);
    m_paragraphPending = true;
}

void Parser::lineBreak()
{
    textChar(QChar::LineSeparator);
}

void Parser::finishPicture()
{
    if (m_pictType == PictType::None || m_pictData.isEmpty())
        return;
    QImage image;
    if (!image.loadFromData(m_pictData, m_pictType == PictType::Png ? "PNG" : "JPEG") || image.isNull())
        return;
    // Goal sizes are in twips (1/1440 inch); the document works at 96 dpi.
    double width = m_picwGoal > 0 ? m_picwGoal / 15.0 : image.width();
    double height = m_pichGoal > 0 ? m_pichGoal / 15.0 : image.height();
    width *= std::clamp(m_scaleX, 1, 1000) / 100.0;
    height *= std::clamp(m_scaleY, 1, 1000) / 100.0;
    if (width < 1 || height < 1 || width > 20000 || height > 20000) {
        width = image.width();
        height = image.height();
    }
    const QString name = QStringLiteral("rtfimage://%1").arg(++m_imageCount);
    m_doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(width);
    format.setHeight(height);
    flushText();
    startContent();
    m_cursor.insertImage(format);
}

} // namespace

bool RtfReader::looksLikeRtf(const QByteArray& data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.mid(i, 5) == "{\\rtf";
}

bool RtfReader::read(const QByteArray& rtf, QTextDocument* doc)
{
    if (!doc || !looksLikeRtf(rtf))
        return false;
    doc->clear();
    Parser parser(rtf, doc);
    parser.run();
    return true;
}

} // namespace kestrel
