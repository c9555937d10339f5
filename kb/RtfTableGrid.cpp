#include "kb/RtfTableGrid.h"

#include <algorithm>

namespace kestrel {

namespace {

constexpr int kDefaultCellTwips = 1440; // one inch, for cells whose row gave no edge
constexpr int kSameEdgeTwips = 20; // edges this close are one (word processors round differently per row)

bool hasText(const std::vector<RtfParagraph>& paragraphs)
{
    return std::any_of(paragraphs.begin(), paragraphs.end(), [](const RtfParagraph& p) { return !p.runs.empty(); });
}

// The grid column an edge falls on: the last grid edge not beyond it (the grid is sorted).
int columnOf(const std::vector<int>& grid, int edge)
{
    const auto it = std::upper_bound(grid.begin(), grid.end(), edge + kSameEdgeTwips / 2);
    return std::max(0, int(it - grid.begin()) - 1);
}

} // namespace

RtfTableGrid::RtfTableGrid(const RtfTable& table)
    : m_rows(int(table.rows.size()))
{
    bool haveEdges = false;
    const std::vector<RowEdges> edges = rowEdges(table, haveEdges);

    std::vector<int> grid;
    if (haveEdges) {
        std::vector<int> all;
        for (const RowEdges& row : edges) {
            all.push_back(row.left);
            all.insert(all.end(), row.rights.begin(), row.rights.end());
        }
        std::sort(all.begin(), all.end());
        for (const int edge : all) {
            if (grid.empty() || edge - grid.back() >= kSameEdgeTwips)
                grid.push_back(edge);
        }
        for (size_t i = 1; i < grid.size(); ++i)
            m_columnTwips.push_back(grid[i] - grid[i - 1]);
    } else {
        size_t widest = 0;
        for (const RtfTableRow& row : table.rows)
            widest = std::max({widest, row.cells.size(), row.definitions.size()});
        m_columnTwips.assign(widest, 0);
    }
    m_owner.assign(size_t(m_rows), std::vector<int>(m_columnTwips.size(), -1));
    placeCells(table, edges, grid);
    m_columns = int(m_columnTwips.size());
    if (!haveEdges)
        m_columnTwips.clear();
}

std::vector<RtfTableGrid::RowEdges> RtfTableGrid::rowEdges(const RtfTable& table, bool& haveEdges) const
{
    std::vector<RowEdges> out;
    haveEdges = false;
    for (const RtfTableRow& row : table.rows) {
        for (const RtfCellDefinition& d : row.definitions)
            haveEdges = haveEdges || d.rightTwips >= 0;
    }
    if (!haveEdges)
        return out;
    for (const RtfTableRow& row : table.rows) {
        RowEdges edges;
        edges.left = row.leftTwips;
        int previous = row.leftTwips;
        const size_t count = std::max(row.cells.size(), row.definitions.size());
        for (size_t i = 0; i < count; ++i) {
            int right = i < row.definitions.size() ? row.definitions[i].rightTwips : -1;
            if (right < 0)
                right = previous + kDefaultCellTwips;
            // Edges out of order would make cells of no width: each cell gets at least one grid step.
            right = std::max(right, previous + kSameEdgeTwips);
            edges.rights.push_back(right);
            previous = right;
        }
        out.push_back(std::move(edges));
    }
    return out;
}

int RtfTableGrid::placeInRow(int row, int column, int span)
{
    std::vector<int>& owners = m_owner[size_t(row)];
    // The first free column at or after the wanted one; past the last, the grid grows.
    while (column < int(owners.size()) && owners[size_t(column)] >= 0)
        ++column;
    int free = 0;
    while (column + free < int(owners.size()) && owners[size_t(column + free)] < 0 && free < span)
        ++free;
    if (free == 0) {
        for (std::vector<int>& r : m_owner)
            r.push_back(-1);
        m_columnTwips.push_back(kDefaultCellTwips);
        free = 1;
    }
    Cell cell;
    cell.row = row;
    cell.column = column;
    cell.columnSpan = free;
    m_cells.push_back(cell);
    const int index = int(m_cells.size()) - 1;
    for (int c = column; c < column + free; ++c)
        owners[size_t(c)] = index;
    return index;
}

void RtfTableGrid::placeCells(const RtfTable& table, const std::vector<RowEdges>& edges, const std::vector<int>& grid)
{
    static const std::vector<RtfParagraph> kNoParagraphs;
    for (int r = 0; r < m_rows; ++r) {
        const RtfTableRow& row = table.rows[size_t(r)];
        const size_t count = std::max(row.cells.size(), row.definitions.size());
        int previousInRow = -1;
        int previousEnd = 0;
        for (size_t i = 0; i < count; ++i) {
            const RtfCellDefinition definition = i < row.definitions.size() ? row.definitions[i] : RtfCellDefinition{};
            m_bordered = m_bordered || definition.bordered;
            const std::vector<RtfParagraph>& content = i < row.cells.size() ? row.cells[i] : kNoParagraphs;
            int start = int(i);
            int end = int(i) + 1;
            if (!grid.empty()) {
                const RowEdges& e = edges[size_t(r)];
                start = i == 0 ? columnOf(grid, e.left) : previousEnd;
                end = std::max(start + 1, columnOf(grid, e.rights[i]));
            }
            previousEnd = end;

            int into = -1;
            if (definition.mergesLeft && previousInRow >= 0) {
                into = previousInRow;
                Cell& left = m_cells[size_t(into)];
                const int stop = std::min(end, int(m_owner[size_t(r)].size()));
                for (int c = left.column + left.columnSpan; c < stop && m_owner[size_t(r)][size_t(c)] < 0; ++c) {
                    m_owner[size_t(r)][size_t(c)] = into;
                    ++left.columnSpan;
                }
            } else if (definition.mergesUp && r > 0 && start < int(m_owner[size_t(r - 1)].size())) {
                const int above = m_owner[size_t(r - 1)][size_t(start)];
                if (above >= 0) {
                    Cell& top = m_cells[size_t(above)];
                    const bool fits = top.column == start && top.columnSpan == end - start && top.row + top.rowSpan == r
                        && std::all_of(m_owner[size_t(r)].begin() + start, m_owner[size_t(r)].begin() + end,
                            [](int owner) { return owner < 0; });
                    if (fits) {
                        into = above;
                        ++top.rowSpan;
                        std::fill(m_owner[size_t(r)].begin() + start, m_owner[size_t(r)].begin() + end, above);
                    }
                }
            }
            if (into >= 0) {
                if (hasText(content))
                    m_cells[size_t(into)].contents.push_back(&content);
                continue;
            }
            into = placeInRow(r, start, end - start);
            m_cells[size_t(into)].contents.push_back(&content);
            previousInRow = into;
        }
    }
}

} // namespace kestrel
