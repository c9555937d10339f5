#include "kb/RtfFlow.h"

#include <QTextImageFormat>

namespace kestrel {

void RtfFlow::addText(const QString& text, const QTextCharFormat& format, const RtfParagraphProps& props)
{
    if (text.isEmpty())
        return;
    m_lastContentProps = props;
    std::vector<RtfRun>& runs = m_paragraph.runs;
    if (!runs.empty() && !runs.back().format.isImageFormat() && runs.back().format == format)
        runs.back().text += text;
    else
        runs.push_back({text, format});
}

void RtfFlow::addPicture(const QTextImageFormat& format, const RtfParagraphProps& props)
{
    m_lastContentProps = props;
    m_paragraph.runs.push_back({QString(QChar::ObjectReplacementCharacter), format});
}

RtfParagraph RtfFlow::takeParagraph(const QTextBlockFormat& format)
{
    RtfParagraph paragraph = std::move(m_paragraph);
    m_paragraph = {};
    paragraph.format = format;
    return paragraph;
}

void RtfFlow::endParagraph(const RtfParagraphProps& props)
{
    // A paragraph outside \intbl still belongs to a row whose cells have begun.
    if (props.inTable || !m_rowCells.empty()) {
        m_cellParagraphs.push_back(takeParagraph(props.format));
        return;
    }
    RtfParagraph paragraph = takeParagraph(props.format);
    closeTable();
    m_items.emplace_back(std::move(paragraph));
}

void RtfFlow::endCell(const RtfParagraphProps& props)
{
    m_cellParagraphs.push_back(takeParagraph(props.format));
    m_rowCells.push_back(std::move(m_cellParagraphs));
    m_cellParagraphs.clear();
}

void RtfFlow::endRow(RtfTableRow definition, Qt::Alignment tableAlignment)
{
    // Content after the last \cell is one more cell.
    if (paragraphStarted()) {
        endCell(m_lastContentProps);
    } else if (!m_cellParagraphs.empty()) {
        m_rowCells.push_back(std::move(m_cellParagraphs));
        m_cellParagraphs.clear();
    }
    if (m_rowCells.empty())
        return; // a row without cells shows nothing
    definition.cells = std::move(m_rowCells);
    m_rowCells.clear();
    if (!m_table) {
        m_table.emplace();
        m_table->alignment = tableAlignment;
    }
    m_table->rows.push_back(std::move(definition));
}

void RtfFlow::dropTrailingTab()
{
    std::vector<RtfRun>& runs = m_paragraph.runs;
    if (!runs.empty() && runs.back().text.endsWith(QLatin1Char('\t'))) {
        runs.back().text.chop(1);
        if (runs.back().text.isEmpty())
            runs.pop_back();
    }
}

void RtfFlow::closeTable()
{
    // Table paragraphs that never saw their \cell or \row still make a row.
    if (!m_cellParagraphs.empty() || !m_rowCells.empty())
        endRow({}, Qt::AlignLeft);
    if (m_table) {
        m_items.emplace_back(std::move(*m_table));
        m_table.reset();
    }
}

std::vector<RtfFlowItem> RtfFlow::finish()
{
    if (paragraphStarted())
        endParagraph(m_lastContentProps);
    closeTable();
    return std::move(m_items);
}

} // namespace kestrel
