// The table grid: placing the fetched texts into cells and copying tables.
#pragma once

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "table/qdlTable.h"
#include "table/tableModel.h"

namespace qx {

// The data cell (column, row, both from 1) whose inside holds the point;
// nullopt on a boundary or outside the table.
std::optional<std::pair<int, int>> cellAt(const TQdlLists& lists, double x, double y);
// The cell a text belongs to: by its placing point, else by the centre of
// its extents when the Get read it; a centre on a boundary goes to the cell
// right of it or below it.
std::optional<std::pair<int, int>> cellOfText(const TQdlLists& lists, const TQdlText& text);

// Column widths in pixels, fitted to the texts as the table is filled.
struct ColumnFit {
    std::vector<int> widths;                            // per grid column; missing ones take defaultWidth
    std::function<int(const std::u16string&)> measure;  // pixel width of a text in the grid's font
    int defaultWidth = 40;
};

// Resizes, numbers and fills the table from the lists: every text whose
// cell is found joins that cell, the cell's value being its texts' strings
// in reading order (top to bottom, texts within `tolerance` of one height
// left to right) joined by line breaks, and its IDs in the same order.
// Fits the column widths when asked. False (the table untouched) when the
// lists make no table.
bool fillGrid(TableModel& table, const TQdlLists& lists, double tolerance, ColumnFit* fit = nullptr);
// Empties the value and IDs of every cell, headers included; the counts stay.
void clearGrid(TableModel& table);

}  // namespace qx
