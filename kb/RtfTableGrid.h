#pragma once

#include "kb/RtfContent.h"

namespace kestrel {

// Lays the rows of an RTF table onto one grid of columns. RTF gives each row
// its own cell edges (\cellx); the grid's columns lie between every edge any
// row uses, so a cell that spans two of another row's cells spans two
// columns. Horizontal (\clmrg) and vertical (\clvmrg) merges become spans.
// Never loses a cell's text: content of a merged-away cell joins the cell it
// merges into.
class RtfTableGrid {
public:
    struct Cell {
        int row = 0;
        int column = 0;
        int rowSpan = 1;
        int columnSpan = 1;
        std::vector<const std::vector<RtfParagraph>*> contents; // the first is the cell's own
    };

    explicit RtfTableGrid(const RtfTable& table);

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    // Column widths in twips; empty when no row gave its cell edges.
    const std::vector<int>& columnTwips() const { return m_columnTwips; }
    const std::vector<Cell>& cells() const { return m_cells; }
    bool bordered() const { return m_bordered; }

private:
    struct RowEdges {
        int left = 0;
        std::vector<int> rights;
    };
    std::vector<RowEdges> rowEdges(const RtfTable& table, bool& haveEdges) const;
    void placeCells(const RtfTable& table, const std::vector<RowEdges>& edges, const std::vector<int>& grid);
    int placeInRow(int row, int column, int span);

    int m_rows = 0;
    int m_columns = 0;
    std::vector<int> m_columnTwips;
    std::vector<Cell> m_cells;
    std::vector<std::vector<int>> m_owner; // per row and column: index into m_cells, -1 when free
    bool m_bordered = false;
};

} // namespace kestrel
