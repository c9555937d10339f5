#include "kb/RtfDocumentBuilder.h"

#include "kb/RtfTableGrid.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

namespace kestrel {

namespace {

constexpr double kTwipsPerPx = 15.0;

// Adds a paragraph at the cursor. freshBlock: the cursor stands in an empty
// block nothing has used yet (a new document, a new cell, after a table),
// which takes the paragraph instead of a new block.
void addParagraph(QTextCursor& cursor, const RtfParagraph& paragraph, bool& freshBlock)
{
    if (freshBlock)
        cursor.setBlockFormat(paragraph.format);
    else
        cursor.insertBlock(paragraph.format);
    freshBlock = false;
    for (const RtfRun& run : paragraph.runs) {
        if (run.format.isImageFormat())
            cursor.insertImage(run.format.toImageFormat());
        else
            cursor.insertText(run.text, run.format);
    }
}

QTextTableFormat tableFormat(const RtfTable& table, const RtfTableGrid& grid)
{
    QTextTableFormat format;
    format.setCellPadding(4);
    format.setCellSpacing(0);
    format.setBorderCollapse(true);
    format.setBorder(grid.bordered() ? 1 : 0);
    format.setBorderBrush(QColor(Qt::black));
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setAlignment(table.alignment);
    if (!grid.columnTwips().empty()) {
        QList<QTextLength> widths;
        for (const int twips : grid.columnTwips())
            widths.append(QTextLength(QTextLength::FixedLength, twips / kTwipsPerPx));
        format.setColumnWidthConstraints(widths);
    }
    return format;
}

// Leaves the cursor in the block Qt keeps after the table.
void addTable(QTextCursor& cursor, const RtfTable& table)
{
    const RtfTableGrid grid(table);
    if (grid.rows() == 0 || grid.columns() == 0)
        return;
    QTextTable* qtable = cursor.insertTable(grid.rows(), grid.columns(), tableFormat(table, grid));
    for (const RtfTableGrid::Cell& cell : grid.cells()) {
        if (cell.rowSpan > 1 || cell.columnSpan > 1)
            qtable->mergeCells(cell.row, cell.column, cell.rowSpan, cell.columnSpan);
    }
    for (const RtfTableGrid::Cell& cell : grid.cells()) {
        QTextCursor inCell = qtable->cellAt(cell.row, cell.column).firstCursorPosition();
        bool freshBlock = true;
        for (const std::vector<RtfParagraph>* paragraphs : cell.contents) {
            for (const RtfParagraph& paragraph : *paragraphs)
                addParagraph(inCell, paragraph, freshBlock);
        }
    }
    cursor = qtable->lastCursorPosition();
    cursor.movePosition(QTextCursor::NextBlock);
}

} // namespace

void RtfDocumentBuilder::build(const RtfContent& content, QTextDocument* doc)
{
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    for (const RtfPicture& picture : content.pictures) {
        doc->addResource(QTextDocument::ImageResource, QUrl(picture.name), picture.image);
        if (!picture.original.kind.isEmpty())
            doc->addResource(RtfPictureOriginal::kResourceType, RtfPictureOriginal::resourceName(picture.name),
                QVariant::fromValue(picture.original));
    }

    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    bool freshBlock = true;
    for (const RtfFlowItem& item : content.flow) {
        if (const auto* paragraph = std::get_if<RtfParagraph>(&item)) {
            addParagraph(cursor, *paragraph, freshBlock);
        } else {
            addTable(cursor, std::get<RtfTable>(item));
            freshBlock = true;
        }
    }
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(undo);
}

} // namespace kestrel
