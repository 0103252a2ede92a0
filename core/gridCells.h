// Cell texts in rows and columns, the header row and column included: what
// a grid view shows and edits. The table model implements it; a view keeps
// no cell text of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qx {

// Which inner borders between data cells the drawing has, so that a merged
// field can show as one area. Indices are the grid's columns and rows
// (headers included); a border asked for outside the map counts as drawn.
class CellEdges {
public:
    CellEdges() = default;
    CellEdges(int cols, int rows);  // every border drawn
    int cols() const { return cols_; }
    int rows() const { return rows_; }
    // The border between cell (c, r) and its right neighbour (c + 1, r).
    bool right(int c, int r) const { return flag(right_, c, r); }
    // The border between cell (c, r) and the cell below it (c, r + 1).
    bool below(int c, int r) const { return flag(below_, c, r); }
    void setRight(int c, int r, bool drawn) { set(right_, c, r, drawn); }
    void setBelow(int c, int r, bool drawn) { set(below_, c, r, drawn); }
    bool operator==(const CellEdges&) const = default;

private:
    bool inside(int c, int r) const { return c >= 0 && r >= 0 && c < cols_ && r < rows_; }
    bool flag(const std::vector<bool>& v, int c, int r) const {
        return !inside(c, r) || v[static_cast<std::size_t>(r) * cols_ + c];
    }
    void set(std::vector<bool>& v, int c, int r, bool drawn) {
        if (inside(c, r)) {
            v[static_cast<std::size_t>(r) * cols_ + c] = drawn;
        }
    }
    int cols_ = 0;
    int rows_ = 0;
    std::vector<bool> right_, below_;
};

// What an Update would do to a cell; the grid tints pending cells by it.
enum class CellChange : std::uint8_t { None, Edit, Delete, Add };

// How a data cell is painted beyond its text: grey (the button-face colour)
// and the tint of its pending change.
struct CellLook {
    bool grey = false;
    CellChange change = CellChange::None;
};

class GridCells {
public:
    virtual ~GridCells() = default;
    virtual int ColCount() const = 0;
    virtual int RowCount() const = 0;
    bool validCell(int c, int r) const { return c >= 0 && r >= 0 && c < ColCount() && r < RowCount(); }
    // Out of range throws qx::Error.
    virtual const std::u16string& Cells(int c, int r) const = 0;
    virtual void setCells(int c, int r, std::u16string text) = 0;
    // New counts; cells inside both the old and the new size keep their contents.
    virtual void setSize(int cols, int rows) = 0;
    // Which row each row is, header included, for grids whose rows can be
    // inserted and deleted: a key per row that stays with the row. Empty for
    // grids that do not track rows.
    virtual std::vector<std::int64_t> rowKeys() const { return {}; }
    // Puts the rows in the order of the keys (as rowKeys gave them); the
    // counts follow. A plain grid just keeps them.
    virtual void setRowKeys(const std::vector<std::int64_t>& keys) = 0;

    // The view that shows the cells listens: after a change of the counts,
    // and after a change of cell contents.
    std::function<void()> onShapeChanged;
    std::function<void()> onCellsChanged;

protected:
    void shapeChanged() const {
        if (onShapeChanged) {
            onShapeChanged();
        }
    }
    void cellsChanged() const {
        if (onCellsChanged) {
            onCellsChanged();
        }
    }
    [[noreturn]] static void outOfRange(int c, int r);
};

// Plain texts, for a grid that shows no table of the drawing.
class CellTexts final : public GridCells {
public:
    CellTexts(int cols = 0, int rows = 0) { setSize(cols, rows); }
    int ColCount() const override { return cols_; }
    int RowCount() const override { return rows_; }
    const std::u16string& Cells(int c, int r) const override;
    void setCells(int c, int r, std::u16string text) override;
    void setSize(int cols, int rows) override;
    std::vector<std::int64_t> rowKeys() const override { return keys_; }
    void setRowKeys(const std::vector<std::int64_t>& keys) override { keys_ = keys; }

private:
    int cols_ = 0, rows_ = 0;
    std::vector<std::u16string> texts_;  // row-major
    std::vector<std::int64_t> keys_;
};

// Makes the destination's rows, counts and texts equal to the source's. The
// snapshot a block edit takes is such a copy: a table's object IDs follow the
// drawing alone and never go back with a snapshot; its row keys do, so that
// rows inserted or deleted since come back as they were.
void copyGrid(const GridCells& source, GridCells& destination);

// Moves the cells of a row-major vector to new counts, keeping those inside both.
template <class T>
void reshapeCells(std::vector<T>& cells, int oldCols, int oldRows, int cols, int rows) {
    std::vector<T> next(static_cast<std::size_t>(cols) * rows);
    const int keepC = oldCols < cols ? oldCols : cols, keepR = oldRows < rows ? oldRows : rows;
    for (int r = 0; r < keepR; ++r) {
        for (int c = 0; c < keepC; ++c) {
            next[static_cast<std::size_t>(r) * cols + c] = std::move(cells[static_cast<std::size_t>(r) * oldCols + c]);
        }
    }
    cells = std::move(next);
}

}  // namespace qx
