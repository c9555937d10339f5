#include "kb/RtfReader.h"

#include "kb/RtfCharacterStyle.h"
#include "kb/RtfCodePage.h"
#include "kb/RtfContent.h"
#include "kb/RtfDocumentBuilder.h"
#include "kb/RtfFlow.h"
#include "kb/RtfFontTable.h"
#include "kb/RtfKeyword.h"
#include "kb/RtfLexer.h"
#include "kb/RtfListLabel.h"
#include "kb/RtfListTable.h"
#include "kb/RtfParagraphStyle.h"
#include "kb/RtfPictureDecoder.h"
#include "kb/RtfRowDefinition.h"
#include "kb/RtfTextBuffer.h"

#include <QColor>
#include <QTextImageFormat>

#include <algorithm>
#include <vector>

namespace kestrel {

namespace {

using Kw = RtfKeyword::Id;

// What a group's text is.
enum class Dest {
    Text, // document text
    Ignore, // properties only: text dropped, but known groups inside are read (shapes, drawing objects)
    Skip, // everything inside dropped
    FontTable,
    ColorTable,
    Picture,
    Numbering, // an old-style \pn numbering definition
    Collect, // text gathered for the parser itself (shape property names, numbering texts)
    ListTable, // Word's list definitions and overrides
};

// What closing a group finishes.
enum class OnClose {
    Nothing,
    Picture,
    ShapePicture,
    Shape,
    TextBox,
    Footnote,
    NumberingDefinition,
    TextBefore,
    TextAfter,
    ShapePropertyName,
    NestedRow,
    List,
    ListLevel,
    LevelText,
    ListOverride
};

struct GroupState {
    Dest dest = Dest::Text;
    OnClose onClose = OnClose::Nothing;
    RtfCharacterStyle chr;
    RtfParagraphStyle para;
    int uc = 1;
    bool inNote = false; // footnote text, gathered at the end
    bool inLabel = false; // a list label (\listtext, \pntext)
};

// A shape (\shp) being read: its property name, and whether it showed something.
struct Shape {
    QString property;
    bool gaveContent = false;
};

class Parser {
public:
    explicit Parser(const QByteArray& data)
        : m_lexer(data)
    {
    }

    RtfContent run();

private:
    GroupState& state() { return m_stack.back(); }
    const GroupState& state() const { return m_stack.back(); }
    RtfFlow& flow() { return state().inNote ? m_notes : m_body; }

    void openGroup();
    void closeGroup();
    void finishGroup(GroupState& closing);
    bool startDestination(Kw word, bool starred);
    void controlWord(const RtfToken& token);
    void textWord(Kw word, const RtfToken& token);
    void documentWord(Kw word, int param);
    void symbol(char symbol);
    // raw: the byte stood in the file as it is (not as \'xx or an escaped brace or backslash).
    void textByte(unsigned char byte, bool raw);
    void textChar(QChar ch);

    int codePage() const;
    void flushText();
    void beforeContent();
    void endParagraph();
    void endCell();
    void endRow();
    void finishPicture();
    void markFootnote();

    QTextCharFormat charFormat();
    RtfParagraphProps paragraphProps();

    RtfLexer m_lexer;
    RtfCodePage m_codePages;
    std::vector<GroupState> m_stack;
    int m_overflowDepth = 0; // groups open beyond kMaxDepth
    bool m_starPending = false;
    bool m_groupStart = false;
    int m_ucSkip = 0;
    int m_docCodePage = RtfCodePage::kWestern;

    // Text not yet handed on: decoded characters, then bytes still in their code page.
    RtfTextBuffer m_text{m_codePages};

    RtfFlow m_body;
    RtfFlow m_notes;
    RtfContent m_content;

    RtfFontTable m_fonts{m_codePages};
    int m_defaultFont = 0;
    std::vector<QColor> m_colors;
    int m_red = -1, m_green = -1, m_blue = -1;

    RtfPictureDecoder::Source m_picture;
    int m_picturesShown = 0;
    int m_picturesAtShppict = -1; // the count when the last \shppict opened
    bool m_shppictShown = false; // the last \shppict showed its picture: skip its \nonshppict
    std::vector<Shape> m_shapes;
    QString m_collected;

    RtfRowDefinition m_rowDefinition;

    RtfListTable m_lists;
    RtfListLabel m_numberingDefinition; // the \pn group being read
    RtfListLabel::Counters m_numberCounters{};
    bool m_labelSeen = false; // the open paragraph has its list label
    bool m_paragraphNumbered = false;
    int m_noteNumber = 0;
    // The body's last text marks a footnote: a \chftn number or a superscript mark of its own.
    bool m_noteMarked = false;

    // The formats of the last styles asked for: consecutive runs mostly share them.
    RtfCharacterStyle m_cachedChar;
    QTextCharFormat m_cachedCharFormat;
    int m_cachedFontsRevision = -1;
    bool m_charCacheValid = false;
    RtfParagraphStyle m_cachedPara;
    RtfParagraphProps m_cachedParaProps;
    bool m_paraCacheValid = false;
};

RtfContent Parser::run()
{
    for (RtfToken token = m_lexer.next(); token.kind != RtfToken::Kind::End; token = m_lexer.next()) {
        switch (token.kind) {
        case RtfToken::Kind::GroupStart:
            openGroup();
            break;
        case RtfToken::Kind::GroupEnd:
            closeGroup();
            if (m_stack.empty() && m_overflowDepth == 0)
                goto done; // the document's group closed: what follows is not RTF
            break;
        case RtfToken::Kind::Word:
            if (token.word == "bin") {
                // Raw bytes follow: picture data, or stepped over.
                const QByteArrayView bytes = m_lexer.binary(token.hasParam ? token.param : 0);
                if (m_overflowDepth == 0 && !m_stack.empty() && state().dest == Dest::Picture)
                    m_picture.data += bytes;
            } else if (m_overflowDepth == 0 && !m_stack.empty()) {
                controlWord(token);
            }
            break;
        case RtfToken::Kind::Symbol:
            if (m_overflowDepth == 0 && !m_stack.empty())
                symbol(token.symbol);
            break;
        case RtfToken::Kind::HexByte:
        case RtfToken::Kind::Text:
            if (m_overflowDepth == 0 && !m_stack.empty())
                textByte(token.byte, token.kind == RtfToken::Kind::Text && token.byte >= 0x80);
            break;
        case RtfToken::Kind::End:
            break;
        }
    }
done:
    // A truncated file: close what is open so that what was read so far shows.
    while (!m_stack.empty())
        closeGroup();
    flushText();
    m_content.flow = m_body.finish();
    for (RtfFlowItem& item : m_notes.finish())
        m_content.flow.push_back(std::move(item));
    return std::move(m_content);
}

void Parser::openGroup()
{
    flushText();
    m_ucSkip = 0;
    if (m_overflowDepth > 0 || int(m_stack.size()) >= RtfReader::kMaxDepth) {
        ++m_overflowDepth;
        return;
    }
    GroupState inner = m_stack.empty() ? GroupState{} : m_stack.back();
    inner.onClose = OnClose::Nothing;
    m_stack.push_back(std::move(inner));
    m_groupStart = true;
    m_starPending = false;
}

void Parser::closeGroup()
{
    m_ucSkip = 0;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_stack.empty())
        return;
    flushText();
    finishGroup(m_stack.back());
    if (m_stack.back().dest == Dest::FontTable && m_stack.size() > 1
        && m_stack[m_stack.size() - 2].dest == Dest::FontTable)
        m_fonts.finishEntry(m_docCodePage); // an entry group closed without its ';'
    m_stack.pop_back();
    m_groupStart = false;
    m_starPending = false;
}

// Runs while the closing group is still on the stack.
void Parser::finishGroup(GroupState& closing)
{
    switch (closing.onClose) {
    case OnClose::Nothing:
        return;
    case OnClose::Picture:
        finishPicture();
        return;
    case OnClose::ShapePicture:
        m_shppictShown = m_picturesShown > m_picturesAtShppict;
        return;
    case OnClose::Shape:
        if (!m_shapes.empty())
            m_shapes.pop_back();
        return;
    case OnClose::TextBox:
    case OnClose::Footnote:
        // The box's or the note's last paragraph ends with it.
        if (flow().paragraphStarted())
            endParagraph();
        return;
    case OnClose::NumberingDefinition:
        if (m_stack.size() > 1)
            m_stack[m_stack.size() - 2].para.numbering = m_numberingDefinition;
        return;
    case OnClose::TextBefore:
        m_numberingDefinition.before = m_collected;
        return;
    case OnClose::TextAfter:
        m_numberingDefinition.after = m_collected;
        return;
    case OnClose::ShapePropertyName:
        if (!m_shapes.empty())
            m_shapes.back().property = m_collected.trimmed();
        return;
    case OnClose::NestedRow:
        // A row of a table inside a cell ends: its cells were read as tab-separated text.
        m_body.dropTrailingTab();
        if (m_body.paragraphStarted())
            endParagraph();
        return;
    case OnClose::List:
        m_lists.finishList();
        return;
    case OnClose::ListLevel:
        m_lists.finishLevel();
        return;
    case OnClose::LevelText:
        m_lists.setLevelText(m_collected);
        return;
    case OnClose::ListOverride:
        m_lists.finishOverride();
        return;
    }
}

// What closing a group of the list tables finishes.
OnClose listGroupEnd(Kw word)
{
    switch (word) {
    case Kw::list:
        return OnClose::List;
    case Kw::listlevel:
        return OnClose::ListLevel;
    case Kw::listoverride:
        return OnClose::ListOverride;
    default:
        return OnClose::Nothing; // \lfolevel: its \listlevel is the group that counts
    }
}

// Decides what a group holds from its first control word (or a \* one).
// Returns true when the word was taken as a destination.
bool Parser::startDestination(Kw word, bool starred)
{
    GroupState& s = state();
    const bool inText = s.dest == Dest::Text;
    const bool readable = inText || s.dest == Dest::Ignore;
    auto become = [&](Dest dest, OnClose onClose = OnClose::Nothing) {
        s.dest = dest;
        s.onClose = onClose;
        return true;
    };
    switch (word) {
    case Kw::fonttbl:
        return become(Dest::FontTable);
    case Kw::colortbl:
        m_colors.clear();
        m_charCacheValid = false;
        return become(Dest::ColorTable);
    case Kw::pict:
        if (!inText)
            return become(Dest::Skip);
        m_picture = {};
        return become(Dest::Picture, OnClose::Picture);
    case Kw::shppict:
        if (!inText)
            return become(Dest::Skip);
        m_picturesAtShppict = m_picturesShown;
        return become(Dest::Text, OnClose::ShapePicture);
    case Kw::nonshppict:
        // The fallback of the \shppict before it; shown only when that showed nothing.
        return become(inText && !m_shppictShown ? Dest::Text : Dest::Skip);
    case Kw::shp:
    case Kw::shpgrp:
        if (!readable)
            return become(Dest::Skip);
        m_shapes.push_back({});
        return become(Dest::Ignore, OnClose::Shape);
    case Kw::shpinst:
    case Kw::sp:
    case Kw::Do:
    case Kw::upr:
    case Kw::object:
        return become(readable ? Dest::Ignore : Dest::Skip);
    case Kw::sn:
        m_collected.clear();
        return become(readable ? Dest::Collect : Dest::Skip, OnClose::ShapePropertyName);
    case Kw::sv:
        // Only the picture property of a shape is content.
        return become(readable && !m_shapes.empty() && m_shapes.back().property == QLatin1String("pib") ? Dest::Text
                                                                                                        : Dest::Skip);
    case Kw::shptxt:
    case Kw::dptxbxtext:
        if (!readable)
            return become(Dest::Skip);
        if (!m_shapes.empty())
            m_shapes.back().gaveContent = true;
        // A text box's paragraphs stand where the box is anchored, apart from the text around it.
        if (flow().paragraphStarted())
            endParagraph();
        return become(Dest::Text, OnClose::TextBox);
    case Kw::shprslt:
        return become(readable && (m_shapes.empty() || !m_shapes.back().gaveContent) ? Dest::Text : Dest::Skip);
    case Kw::ud:
    case Kw::result: // what an embedded object shows
        return become(readable ? Dest::Text : Dest::Skip);
    case Kw::footnote:
        if (!inText)
            return become(Dest::Skip);
        if (!s.inNote)
            markFootnote();
        s.inNote = true;
        return become(Dest::Text, OnClose::Footnote);
    case Kw::listtext:
    case Kw::pntext:
        if (!inText)
            return become(Dest::Skip);
        m_labelSeen = true;
        s.inLabel = true;
        return true;
    case Kw::pn:
        if (!inText)
            return become(Dest::Skip);
        m_numberingDefinition = {};
        m_numberingDefinition.active = true;
        return become(Dest::Numbering, OnClose::NumberingDefinition);
    case Kw::pntxtb:
    case Kw::pntxta:
        if (s.dest != Dest::Numbering)
            return become(Dest::Skip);
        m_collected.clear();
        return become(Dest::Collect, word == Kw::pntxtb ? OnClose::TextBefore : OnClose::TextAfter);
    case Kw::nesttableprops:
        return become(Dest::Skip, inText ? OnClose::NestedRow : OnClose::Nothing);
    case Kw::listtable:
    case Kw::listoverridetable:
        return become(inText ? Dest::ListTable : Dest::Skip);
    case Kw::list:
    case Kw::listlevel:
    case Kw::listoverride:
    case Kw::lfolevel:
        if (s.dest != Dest::ListTable)
            return false;
        if (word == Kw::list)
            m_lists.startList();
        else if (word == Kw::listlevel)
            m_lists.startLevel();
        else if (word == Kw::listoverride)
            m_lists.startOverride();
        return become(Dest::ListTable, listGroupEnd(word));
    case Kw::leveltext:
        if (s.dest != Dest::ListTable)
            return become(Dest::Skip);
        m_collected.clear();
        return become(Dest::Collect, OnClose::LevelText);
    default:
        if (starred || RtfKeyword::isSkippedDestination(word))
            return become(Dest::Skip);
        return false;
    }
}

void Parser::controlWord(const RtfToken& token)
{
    GroupState& s = state();
    const bool starred = m_starPending;
    const bool first = m_groupStart;
    m_starPending = false;
    m_groupStart = false;
    if (s.dest == Dest::Skip)
        return;
    const Kw word = RtfKeyword::lookup(token.word);
    if ((first || starred) && startDestination(word, starred))
        return;
    const bool hasParam = token.hasParam;
    const int param = token.param;

    switch (s.dest) {
    case Dest::FontTable:
        m_fonts.word(word, hasParam, param, m_docCodePage);
        return;
    case Dest::ColorTable:
        if (word == Kw::red)
            m_red = std::clamp(param, 0, 255);
        else if (word == Kw::green)
            m_green = std::clamp(param, 0, 255);
        else if (word == Kw::blue)
            m_blue = std::clamp(param, 0, 255);
        return;
    case Dest::Picture:
        m_picture.word(word, token.word, hasParam, param);
        return;
    case Dest::Numbering:
        m_numberingDefinition.applyWord(token.word, hasParam, param);
        if (word == Kw::pnf)
            s.chr.font = param; // the numbering texts are in this font
        return;
    case Dest::Collect:
        if (word == Kw::u && hasParam) {
            textChar(QChar(char16_t(param)));
            m_ucSkip = s.uc;
        } else if (word == Kw::uc) {
            s.uc = std::clamp(param, 0, 16);
        }
        return;
    case Dest::ListTable:
        m_lists.word(token.word, hasParam, param);
        return;
    case Dest::Ignore:
    case Dest::Skip:
        return;
    case Dest::Text:
        textWord(word, token);
        return;
    }
}

void Parser::textWord(Kw word, const RtfToken& token)
{
    GroupState& s = state();
    const int param = token.param;
    if (word == Kw::u && token.hasParam) {
        textChar(QChar(char16_t(param)));
        m_ucSkip = s.uc;
        return;
    }
    // Unicode fallback characters are single characters; anything else ends them.
    m_ucSkip = 0;
    if (const char16_t ch = RtfKeyword::character(word)) {
        textChar(QChar(ch));
        return;
    }
    switch (word) {
    case Kw::uc:
        s.uc = std::clamp(param, 0, 16);
        return;
    case Kw::par:
    case Kw::page:
        endParagraph();
        return;
    case Kw::sect:
        // A section ends the paragraph it is in; after a \par it adds none.
        if (flow().paragraphStarted() || !m_text.isEmpty())
            endParagraph();
        return;
    case Kw::chftn:
        // The reference mark in the text counts the notes; the mark in the note repeats it.
        flushText();
        if (!s.inNote)
            ++m_noteNumber;
        for (const QChar ch : QString::number(std::max(m_noteNumber, 1)))
            textChar(ch);
        flushText();
        if (!s.inNote)
            m_noteMarked = true;
        return;
    case Kw::cell:
        endCell();
        return;
    case Kw::row:
        endRow();
        return;
    case Kw::nestrow:
        flushText();
        m_body.dropTrailingTab();
        if (flow().paragraphStarted())
            endParagraph();
        return;
    default:
        break;
    }
    flushText();
    s.chr.word(word, token.hasParam, param, m_defaultFont);
    s.para.word(word, param);
    m_rowDefinition.word(word, param);
    documentWord(word, param);
}

// Words about the whole document: its code page and default font.
void Parser::documentWord(Kw word, int param)
{
    switch (word) {
    case Kw::deff:
        m_defaultFont = param;
        if (state().chr.font < 0)
            state().chr.font = param;
        return;
    case Kw::ansi:
        m_docCodePage = RtfCodePage::kWestern;
        return;
    case Kw::ansicpg:
        m_docCodePage = param > 0 ? param : RtfCodePage::kWestern;
        return;
    case Kw::pc:
        m_docCodePage = 437;
        return;
    case Kw::pca:
        m_docCodePage = 850;
        return;
    case Kw::mac:
        m_docCodePage = 10000;
        return;
    default:
        return;
    }
}

void Parser::symbol(char symbol)
{
    const Dest dest = state().dest;
    m_groupStart = false;
    switch (symbol) {
    case '*':
        m_starPending = true;
        return;
    case '~':
        textChar(QChar(0x00A0));
        return;
    case '_':
        textChar(QChar(0x2011));
        return;
    case '\n':
    case '\r':
        if (dest == Dest::Text)
            endParagraph();
        return;
    default:
        return; // optional hyphen, index marks and the like
    }
}

void Parser::textByte(unsigned char byte, bool raw)
{
    GroupState& s = state();
    m_groupStart = false;
    switch (s.dest) {
    case Dest::Picture:
        m_picture.hexDigit(byte);
        return;
    case Dest::ColorTable:
        if (byte == ';') {
            if (m_red < 0 && m_green < 0 && m_blue < 0)
                m_colors.emplace_back(); // "auto": the default colour
            else
                m_colors.emplace_back(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0));
            m_red = m_green = m_blue = -1;
            m_charCacheValid = false;
        }
        return;
    case Dest::FontTable:
        m_fonts.byte(byte, m_docCodePage);
        return;
    case Dest::Text:
    case Dest::Collect: {
        if (byte < 0x80 && m_text.takesAscii() && m_ucSkip == 0) {
            m_text.addAscii(char(byte));
            return;
        }
        const int cp = codePage();
        // A double-byte character written as it is takes the next byte of the
        // file as its second, even a backslash or a brace (Shift-JIS Cyrillic
        // "\x84\x7B" is one letter), as Word and LibreOffice read it.
        const int trail = raw && RtfCodePage::isLeadByte(cp, byte) ? m_lexer.rawByte() : -1;
        if (m_ucSkip > 0) {
            --m_ucSkip;
            return;
        }
        const int target = cp == RtfCodePage::kSymbol && s.inLabel ? RtfTextBuffer::kLabelBullets : cp;
        m_text.addByte(char(byte), target);
        if (trail >= 0)
            m_text.addByte(char(trail), target);
        return;
    }
    case Dest::Ignore:
    case Dest::Skip:
    case Dest::Numbering:
    case Dest::ListTable:
        return;
    }
}

void Parser::textChar(QChar ch)
{
    const Dest dest = state().dest;
    if (dest != Dest::Text && dest != Dest::Collect)
        return;
    m_text.addChar(ch);
}

int Parser::codePage() const
{
    // The run's font decides, as LibreOffice reads it; Word writes the same
    // font as \f and as \af for right-to-left text.
    const RtfCharacterStyle& c = state().chr;
    const int fontPage = m_fonts.codePage(c.font >= 0 ? c.font : m_defaultFont);
    return fontPage != 0 ? fontPage : m_docCodePage;
}

void Parser::flushText()
{
    if (m_text.isEmpty())
        return;
    const QString text = m_text.take();
    if (m_stack.empty())
        return;
    const GroupState& s = state();
    if (s.dest == Dest::Collect) {
        m_collected += text;
    } else if (s.dest == Dest::Text && !s.chr.hidden) {
        beforeContent();
        QTextCharFormat format = charFormat();
        QString shown = text;
        if (s.inLabel) {
            // A label's bullet from a symbol font was read as U+2022, which the
            // symbol font itself may not draw: the text's own font does.
            if (m_fonts.codePage(s.chr.font >= 0 ? s.chr.font : m_defaultFont) == RtfCodePage::kSymbol)
                format.clearProperty(QTextFormat::FontFamilies);
            // Symbol-font glyphs written as Unicode (LibreOffice's U+F095,
            // Word's U+F0B7) sit in the private use area: no font here draws them.
            for (QChar& ch : shown) {
                if (ch.category() == QChar::Other_PrivateUse)
                    ch = QChar(0x2022);
            }
        }
        flow().addText(shown, format, paragraphProps());
        if (!s.inNote)
            m_noteMarked = s.chr.vertical == QTextCharFormat::AlignSuperScript;
    }
}

// A footnote whose place in the text has no mark gets its number there, as
// word processors number notes themselves.
void Parser::markFootnote()
{
    flushText();
    if (!m_noteMarked) {
        ++m_noteNumber;
        beforeContent();
        QTextCharFormat format = charFormat();
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        flow().addText(QString::number(m_noteNumber), format, paragraphProps());
    }
    m_noteMarked = false;
}

// A list paragraph without a label of its own gets one made from its old-style
// \pn definition or from its Word list (\ls).
void Parser::beforeContent()
{
    const GroupState& s = state();
    if (m_labelSeen || s.inLabel)
        return;
    if (!s.para.numbering.active) {
        // A Word list item written without its \listtext label: made from the list's definition.
        if (s.para.listOverride > 0) {
            m_labelSeen = true;
            const QString label = m_lists.nextLabel(s.para.listOverride, s.para.listLevel, m_fonts);
            if (!label.isEmpty())
                flow().addText(label, charFormat(), paragraphProps());
        }
        return;
    }
    m_labelSeen = true;
    m_paragraphNumbered = true;
    const bool symbolFont = m_fonts.codePage(s.para.numbering.font) == RtfCodePage::kSymbol;
    const QString label = s.para.numbering.next(m_numberCounters, symbolFont);
    if (!label.isEmpty())
        flow().addText(label, charFormat(), paragraphProps());
}

void Parser::endParagraph()
{
    flushText();
    flow().endParagraph(paragraphProps());
    if (!m_paragraphNumbered && !state().para.numbering.active)
        m_numberCounters = {}; // a paragraph outside the list ends its numbering
    m_labelSeen = false;
    m_paragraphNumbered = false;
}

void Parser::endCell()
{
    flushText();
    RtfParagraphProps props = paragraphProps();
    props.inTable = true;
    flow().endCell(props);
    m_labelSeen = false;
}

void Parser::endRow()
{
    flushText();
    flow().endRow(m_rowDefinition.row(), m_rowDefinition.alignment());
    m_labelSeen = false;
}

void Parser::finishPicture()
{
    const RtfPictureDecoder::Result picture = RtfPictureDecoder::decode(m_picture);
    m_picture = {};
    if (picture.image.isNull())
        return;
    RtfPicture resource;
    resource.name = QStringLiteral("rtfimage://%1").arg(m_content.pictures.size() + 1);
    resource.image = picture.image;
    resource.original = picture.original;
    QTextImageFormat format;
    format.setName(resource.name);
    format.setWidth(picture.shownPx.width());
    format.setHeight(picture.shownPx.height());
    m_content.pictures.push_back(std::move(resource));
    ++m_picturesShown;
    if (!m_shapes.empty())
        m_shapes.back().gaveContent = true;
    beforeContent();
    flow().addPicture(format, paragraphProps());
}

QTextCharFormat Parser::charFormat()
{
    const RtfCharacterStyle& c = state().chr;
    if (!m_charCacheValid || !(c == m_cachedChar) || m_cachedFontsRevision != m_fonts.revision()) {
        m_cachedChar = c;
        m_cachedCharFormat = c.format(m_fonts, m_colors, m_defaultFont);
        m_cachedFontsRevision = m_fonts.revision();
        m_charCacheValid = true;
    }
    return m_cachedCharFormat;
}

RtfParagraphProps Parser::paragraphProps()
{
    const RtfParagraphStyle& p = state().para;
    if (!m_paraCacheValid || !p.sameLayout(m_cachedPara)) {
        m_cachedPara = p;
        m_cachedParaProps = p.props();
        m_paraCacheValid = true;
    }
    return m_cachedParaProps;
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

bool RtfReader::parse(const QByteArray& rtf, RtfContent& content)
{
    if (!looksLikeRtf(rtf))
        return false;
    content = Parser(rtf).run();
    return true;
}

bool RtfReader::read(const QByteArray& rtf, QTextDocument* doc)
{
    RtfContent content;
    if (!doc || !parse(rtf, content))
        return false;
    RtfDocumentBuilder::build(content, doc);
    return true;
}

} // namespace kestrel
