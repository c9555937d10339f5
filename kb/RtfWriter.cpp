#include "kb/RtfWriter.h"

#include "kb/RtfCodePage.h"
#include "kb/RtfContent.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <variant>

namespace kestrel {

namespace {

constexpr double kTwipsPerPx = 15.0;
constexpr int kTextWidthTwips = 9638; // an A4 page's text width with 2 cm margins, for tables of no fixed width

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

QByteArray twips(double px)
{
    return number(qRound(px * kTwipsPerPx));
}

QByteArray escapeText(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == QChar::LineSeparator || u == '\n' || u == '\r') {
            out += "\\line ";
        } else if (u == 0x00A0) {
            out += "\\~";
        } else if (u < 0x20 || u == QChar::ObjectReplacementCharacter) {
            continue; // other control characters have no place in the text
        } else if (u < 0x80) {
            out += char(u);
        } else if (const int byte = RtfCodePage::toWestern(ch); byte >= 0) {
            out += "\\'" + QByteArray::number(byte, 16).rightJustified(2, '0');
        } else {
            out += "\\u" + number(qint16(u)) + '?';
        }
    }
    return out;
}

class Writer {
public:
    explicit Writer(const QTextDocument& doc)
        : m_doc(doc)
    {
    }

    QByteArray run();

private:
    void writeFrame(const QTextFrame* frame);
    void writeBlock(const QTextBlock& block, bool inTable, const char* end);
    void writeRuns(const QTextBlock& block);
    void writeTable(const QTextTable* table);
    void writeCell(const QTextTableCell& cell);
    void writeNestedTable(const QTextTable* table);
    std::vector<int> columnEdges(const QTextTable* table) const;
    QString familyOf(const QTextCharFormat& format) const;
    int fontIndex(const QString& family);
    int colorIndex(const QBrush& brush);
    QByteArray runFormat(const QTextCharFormat& format);
    QByteArray picture(const QTextImageFormat& format) const;

    const QTextDocument& m_doc;
    QByteArray m_body;
    QStringList m_fonts;
    QList<QColor> m_colors;
};

QString Writer::familyOf(const QTextCharFormat& format) const
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return m_doc.defaultFont().family();
}

int Writer::fontIndex(const QString& family)
{
    int index = int(m_fonts.indexOf(family));
    if (index < 0) {
        m_fonts.append(family);
        index = int(m_fonts.size()) - 1;
    }
    return index;
}

// Entry 0 of the colour table is "auto": 0 means no colour of its own.
int Writer::colorIndex(const QBrush& brush)
{
    if (brush.style() == Qt::NoBrush)
        return 0;
    const QColor color = brush.color();
    const QColor rgb(color.red(), color.green(), color.blue());
    int index = int(m_colors.indexOf(rgb));
    if (index < 0) {
        m_colors.append(rgb);
        index = int(m_colors.size()) - 1;
    }
    return index + 1;
}

QByteArray Writer::runFormat(const QTextCharFormat& format)
{
    double points = format.fontPointSize();
    if (points <= 0)
        points = m_doc.defaultFont().pointSizeF() > 0 ? m_doc.defaultFont().pointSizeF() : 12.0;
    QByteArray out = "\\plain\\f" + number(fontIndex(familyOf(format))) + "\\fs" + number(qRound(points * 2));
    if (format.fontWeight() >= QFont::DemiBold)
        out += "\\b";
    if (format.fontItalic())
        out += "\\i";
    if (format.fontUnderline())
        out += "\\ul";
    if (format.fontStrikeOut())
        out += "\\strike";
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        out += "\\super";
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        out += "\\sub";
    if (format.fontCapitalization() == QFont::AllUppercase)
        out += "\\caps";
    else if (format.fontCapitalization() == QFont::SmallCaps)
        out += "\\scaps";
    if (const int color = colorIndex(format.foreground()); color > 0)
        out += "\\cf" + number(color);
    if (const int background = colorIndex(format.background()); background > 0)
        out += "\\highlight" + number(background);
    out += ' ';
    return out;
}

QByteArray Writer::picture(const QTextImageFormat& format) const
{
    const QUrl name(format.name());
    QByteArray kind;
    QByteArray data;
    int picw = 0;
    int pich = 0;
    const QVariant original
        = m_doc.resource(RtfPictureOriginal::kResourceType, RtfPictureOriginal::resourceName(format.name()));
    const QVariant resource = m_doc.resource(QTextDocument::ImageResource, name);
    QImage image;
    if (resource.canConvert<QImage>())
        image = resource.value<QImage>();
    if (image.isNull() && resource.canConvert<QPixmap>())
        image = resource.value<QPixmap>().toImage();
    if (original.canConvert<RtfPictureOriginal>()) {
        // Kept as read: a JPEG stays a JPEG, a metafile shown as a placeholder stays the metafile.
        const RtfPictureOriginal kept = original.value<RtfPictureOriginal>();
        kind = kept.kind;
        data = kept.data;
        picw = kept.picw;
        pich = kept.pich;
        if (picw <= 0 && (kind == "pngblip" || kind == "jpegblip")) {
            // A bitmap's size in pixels, which the file it came from did not give.
            picw = image.width();
            pich = image.height();
        }
    } else {
        if (image.isNull())
            image.load(format.name());
        if (image.isNull())
            return {};
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            return {};
        kind = "pngblip";
        picw = image.width();
        pich = image.height();
    }
    const double width = format.width() > 0 ? format.width() : image.width();
    const double height = format.height() > 0 ? format.height() : image.height();
    QByteArray out = "{\\pict\\" + kind + "\\picw" + number(picw) + "\\pich" + number(pich) + "\\picwgoal"
        + twips(width) + "\\pichgoal" + twips(height) + "\n";
    const QByteArray hex = data.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        out += hex.mid(i, 128);
        out += '\n';
    }
    out += '}';
    return out;
}

void Writer::writeRuns(const QTextBlock& block)
{
    if (const QTextList* list = block.textList()) {
        // A list item's label is written as text: every reader shows it, in the run's own format.
        QString label;
        switch (list->format().style()) {
        case QTextListFormat::ListDisc:
            label = QString(QChar(0x2022));
            break;
        case QTextListFormat::ListCircle:
            label = QString(QChar(0x25E6));
            break;
        case QTextListFormat::ListSquare:
            label = QString(QChar(0x25AA));
            break;
        default:
            label = list->itemText(block);
            break;
        }
        m_body += '{' + runFormat(block.charFormat()) + escapeText(label) + "\\tab}";
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        // Each run is a group of its own: readers then need not undo one run's
        // format before the next (LibreOffice misreads an ungrouped \super).
        const QTextCharFormat format = fragment.charFormat();
        m_body += '{' + runFormat(format);
        if (format.isImageFormat()) {
            // One object replacement character per picture in the run.
            const QByteArray pict = picture(format.toImageFormat());
            for (int i = 0; i < fragment.length(); ++i)
                m_body += pict;
        } else {
            m_body += escapeText(fragment.text());
        }
        m_body += '}';
    }
}

void Writer::writeBlock(const QTextBlock& block, bool inTable, const char* end)
{
    const QTextBlockFormat format = block.blockFormat();
    m_body += "\\pard";
    if (inTable)
        m_body += "\\intbl";
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        m_body += "\\qc";
    else if (align & Qt::AlignRight)
        m_body += "\\qr";
    else if (align & Qt::AlignJustify)
        m_body += "\\qj";
    else
        m_body += "\\ql";
    double left = format.leftMargin() + format.indent() * m_doc.indentWidth();
    double first = format.textIndent();
    if (const QTextList* list = block.textList()) {
        left += list->format().indent() * m_doc.indentWidth();
        first = first != 0 ? first : -24; // the label hangs before the text
    }
    if (qRound(left * kTwipsPerPx) != 0)
        m_body += "\\li" + twips(left);
    if (qRound(format.rightMargin() * kTwipsPerPx) != 0)
        m_body += "\\ri" + twips(format.rightMargin());
    if (qRound(first * kTwipsPerPx) != 0)
        m_body += "\\fi" + twips(first);
    if (qRound(format.topMargin() * kTwipsPerPx) != 0)
        m_body += "\\sb" + twips(format.topMargin());
    if (qRound(format.bottomMargin() * kTwipsPerPx) != 0)
        m_body += "\\sa" + twips(format.bottomMargin());
    m_body += ' ';
    writeRuns(block);
    m_body += end;
}

// The right edge of every column in twips, from the left of the table.
std::vector<int> Writer::columnEdges(const QTextTable* table) const
{
    const int columns = table->columns();
    const QList<QTextLength> constraints = table->format().columnWidthConstraints();
    std::vector<int> edges;
    int right = 0;
    for (int c = 0; c < columns; ++c) {
        const QTextLength length = c < constraints.size() ? constraints[c] : QTextLength();
        int width = kTextWidthTwips / columns;
        if (length.type() == QTextLength::FixedLength && length.rawValue() > 0)
            width = qRound(length.rawValue() * kTwipsPerPx);
        else if (length.type() == QTextLength::PercentageLength && length.rawValue() > 0)
            width = qRound(length.rawValue() * kTextWidthTwips / 100.0);
        right += std::max(width, 1);
        edges.push_back(right);
    }
    return edges;
}

void Writer::writeTable(const QTextTable* table)
{
    const QTextTableFormat format = table->format();
    const std::vector<int> edges = columnEdges(table);
    const QByteArray border = format.border() > 0
        ? QByteArray(
            "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10")
        : QByteArray();
    QByteArray rowStart = "\\trowd\\trgaph60\\trleft0";
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        rowStart += "\\trqc";
    else if (align & Qt::AlignRight)
        rowStart += "\\trqr";

    for (int r = 0; r < table->rows(); ++r) {
        // The row's cells: one per cell starting in this row, and one \clvmrg
        // cell where a cell from a row above reaches down.
        QByteArray definition = rowStart;
        std::vector<QTextTableCell> cells;
        for (int c = 0; c < table->columns();) {
            const QTextTableCell cell = table->cellAt(r, c);
            const int span = std::max(1, cell.columnSpan());
            if (cell.row() == r && cell.rowSpan() > 1)
                definition += "\\clvmgf";
            else if (cell.row() < r)
                definition += "\\clvmrg";
            definition += border + "\\cellx" + number(edges[size_t(std::min(c + span, table->columns()) - 1)]);
            cells.push_back(cell.row() == r ? cell : QTextTableCell());
            c += span;
        }
        m_body += definition + "\n";
        for (const QTextTableCell& cell : cells) {
            if (cell.isValid())
                writeCell(cell);
            else
                m_body += "\\pard\\intbl \\cell\n";
        }
        m_body += "\\row\n";
    }
}

void Writer::writeCell(const QTextTableCell& cell)
{
    // In order: paragraphs, and tables inside the cell. Each paragraph ends
    // with \par but the cell's last, which ends the cell.
    std::vector<std::variant<QTextBlock, const QTextTable*>> parts;
    for (auto it = cell.begin(); !it.atEnd(); ++it) {
        if (const auto* nested = qobject_cast<const QTextTable*>(it.currentFrame()))
            parts.emplace_back(nested);
        else if (it.currentBlock().isValid())
            parts.emplace_back(it.currentBlock());
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        if (const auto* block = std::get_if<QTextBlock>(&parts[i])) {
            writeBlock(*block, true, last ? "\\cell\n" : "\\par\n");
        } else {
            writeNestedTable(std::get<const QTextTable*>(parts[i]));
            if (last)
                m_body += "\\pard\\intbl \\cell\n";
        }
    }
    if (parts.empty())
        m_body += "\\pard\\intbl \\cell\n";
}

// A table inside a cell: its rows as paragraphs of the cell, cells apart by tabs.
void Writer::writeNestedTable(const QTextTable* table)
{
    for (int r = 0; r < table->rows(); ++r) {
        m_body += "\\pard\\intbl ";
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue;
            if (c > 0)
                m_body += "\\tab ";
            for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
                if (it.currentBlock().isValid())
                    writeRuns(it.currentBlock());
            }
        }
        m_body += "\\par\n";
    }
}

void Writer::writeFrame(const QTextFrame* frame)
{
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame* child = it.currentFrame()) {
            if (const auto* table = qobject_cast<const QTextTable*>(child))
                writeTable(table);
            else
                writeFrame(child);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (!block.isValid())
            continue;
        // Qt keeps an empty block before a table that opens the document; it is no paragraph of the note.
        QTextFrame::iterator next = it;
        ++next;
        if (frame == m_doc.rootFrame() && block == m_doc.begin() && block.length() <= 1 && !next.atEnd()
            && qobject_cast<const QTextTable*>(next.currentFrame()))
            continue;
        writeBlock(block, false, "\\par\n");
    }
}

QByteArray Writer::run()
{
    // The body first: it decides which fonts and colours the tables need.
    fontIndex(m_doc.defaultFont().family());
    writeFrame(m_doc.rootFrame());

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i)
        out += "{\\f" + number(i) + "\\fnil\\fcharset0 " + escapeText(m_fonts[i]) + ";}";
    out += "}\n{\\colortbl ;";
    for (const QColor& c : std::as_const(m_colors))
        out += "\\red" + number(c.red()) + "\\green" + number(c.green()) + "\\blue" + number(c.blue()) + ';';
    out += "}\n{\\*\\generator Kestrel;}\\viewkind4\n";
    out += m_body;
    out += "}\n";
    return out;
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument& doc)
{
    return Writer(doc).run();
}

} // namespace kestrel
