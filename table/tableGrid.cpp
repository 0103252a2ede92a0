#include "table/tableGrid.h"

#include <algorithm>

#include <cmath>
#include <string>

namespace qx {

namespace {
std::u16string number(int n) {
    const std::string s = std::to_string(n);
    return {s.begin(), s.end()};
}
}  // namespace

void clearGrid(StringGrid& grid) {
    StringGrid::UpdateScope scope(grid);
    for (int r = 0; r < grid.RowCount(); ++r) {
        for (int c = 0; c < grid.ColCount(); ++c) {
            grid.setCells(c, r, {});
            grid.setObjects(c, r, 0);
        }
    }
}

bool fillGrid(StringGrid& grid, const TQdlLists& lists) {
    const auto& tate = lists.tateAry;
    const auto& yoko = lists.yokoAry;
    const int a = static_cast<int>(yoko.size());
    const int b = static_cast<int>(tate.size());
    if (lists.textAry.empty() || a < 2 || b < 2) {
        return false;
    }
    StringGrid::UpdateScope scope(grid);
    grid.setRowCount(a);
    grid.setColCount(b);
    clearGrid(grid);
    for (int j = 1; j < a; ++j) {
        grid.setCells(0, j, number(j));
    }
    for (int i = 1; i < b; ++i) {
        grid.setCells(i, 0, number(i));
    }

    double s = 0;  // drawing units per pixel of the column widened last
    for (const TQdlText& t : lists.textAry) {
        const int r = yokoIndexOf(yoko, t.base.y);
        const int c = tateIndexOf(tate, t.base.x);
        if (r < 0 || c < 0) {
            continue;  // outside the table or on a boundary
        }
        grid.setCells(c + 1, r + 1, t.sText);
        grid.setObjects(c + 1, r + 1, t.objID);
        const int w = grid.textWidth(t.sText) + 10;
        if (grid.ColWidths(c + 1) <= w) {
            grid.setColWidths(c + 1, w);
            s = (tate[c + 1] - tate[c]) / w;
        }
    }
    if (s > 0) {
        for (int c = 1; c < b; ++c) {
            // nearbyint rounds halves to even in the default rounding mode.
            const double v = std::nearbyint((tate[c] - tate[c - 1]) / s) + 2;
            if (v < grid.DefaultColWidth()) {
                grid.setColWidths(c, static_cast<int>(v));
            }
        }
    }
    return true;
}

void copyGrid(const StringGrid& source, StringGrid& destination) {
    if (&source == &destination) {
        return;
    }
    StringGrid::UpdateScope scope(destination);
    destination.setRowCount(source.RowCount());
    destination.setColCount(source.ColCount());
    for (int r = 0; r < source.RowCount(); ++r) {
        for (int c = 0; c < source.ColCount(); ++c) {
            destination.setCells(c, r, source.Cells(c, r));
            destination.setObjects(c, r, source.Objects(c, r));
        }
    }
}

GridRect clipToDataCells(const StringGrid& grid, GridRect r) {
    auto clip = [](int v, int first, int last) { return std::max(first, std::min(v, last)); };
    const int lastCol = std::max(grid.FixedCols(), grid.ColCount() - 1);
    const int lastRow = std::max(grid.FixedRows(), grid.RowCount() - 1);
    r.Left = clip(r.Left, grid.FixedCols(), lastCol);
    r.Right = clip(r.Right, grid.FixedCols(), lastCol);
    r.Top = clip(r.Top, grid.FixedRows(), lastRow);
    r.Bottom = clip(r.Bottom, grid.FixedRows(), lastRow);
    return r;
}

GridRect dataCellsIn(const StringGrid& grid, GridRect r) {
    r.Left = std::max(r.Left, grid.FixedCols());
    r.Top = std::max(r.Top, grid.FixedRows());
    r.Right = std::min(r.Right, grid.ColCount() - 1);
    r.Bottom = std::min(r.Bottom, grid.RowCount() - 1);
    return r;
}

}  // namespace qx
