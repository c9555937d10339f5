#pragma once

#include "kb/RtfContent.h"

#include <optional>

class QTextImageFormat;

namespace kestrel {

// Paragraph properties as they stand when content arrives or a paragraph ends.
struct RtfParagraphProps {
    QTextBlockFormat format;
    bool inTable = false; // \intbl
};

// Collects what the reader finds into paragraphs and tables: text runs into
// the open paragraph, paragraphs into the body or into the open table cell,
// cells into rows, rows into a table that ends at the first paragraph outside
// it. Adjacent runs of one format are one run.
class RtfFlow {
public:
    void addText(const QString& text, const QTextCharFormat& format, const RtfParagraphProps& props);
    void addPicture(const QTextImageFormat& format, const RtfParagraphProps& props);
    bool paragraphStarted() const { return !m_paragraph.runs.empty(); }
    const RtfParagraphProps& lastContentProps() const { return m_lastContentProps; }

    void endParagraph(const RtfParagraphProps& props);
    void endCell(const RtfParagraphProps& props);
    // definition: the row's left edge and cell definitions; its cells are filled here.
    void endRow(RtfTableRow definition, Qt::Alignment tableAlignment);
    // A nested table's cells are read as tab-separated text: the last one leaves a tab behind.
    void dropTrailingTab();

    // Ends what is still open (an unterminated paragraph keeps the properties
    // of its last content) and hands the items over.
    std::vector<RtfFlowItem> finish();

private:
    RtfParagraph takeParagraph(const QTextBlockFormat& format);
    void closeTable();

    std::vector<RtfFlowItem> m_items;
    RtfParagraph m_paragraph;
    RtfParagraphProps m_lastContentProps;
    std::vector<RtfParagraph> m_cellParagraphs; // of the open cell
    std::vector<std::vector<RtfParagraph>> m_rowCells; // cells of the open row
    std::optional<RtfTable> m_table;
};

} // namespace kestrel
