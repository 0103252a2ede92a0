#include "core/gridCells.h"

#include <algorithm>

#include "core/error.h"
#include "core/text.h"

namespace qx {

CellEdges::CellEdges(int cols, int rows)
    : cols_(std::max(cols, 0)),
      rows_(std::max(rows, 0)),
      right_(static_cast<std::size_t>(cols_) * rows_, true),
      below_(static_cast<std::size_t>(cols_) * rows_, true) {}

void GridCells::outOfRange(int c, int r) {
    throw Error(u"グリッドの範囲外です (" + decimalText(c) + u", " + decimalText(r) + u")");
}

const std::u16string& CellTexts::Cells(int c, int r) const {
    if (!validCell(c, r)) {
        outOfRange(c, r);
    }
    return texts_[static_cast<std::size_t>(r) * cols_ + c];
}

void CellTexts::setCells(int c, int r, std::u16string text) {
    if (!validCell(c, r)) {
        outOfRange(c, r);
    }
    texts_[static_cast<std::size_t>(r) * cols_ + c] = std::move(text);
    cellsChanged();
}

void CellTexts::setSize(int cols, int rows) {
    cols = std::max(cols, 0);
    rows = std::max(rows, 0);
    if (cols == cols_ && rows == rows_) {
        return;
    }
    reshapeCells(texts_, cols_, rows_, cols, rows);
    cols_ = cols;
    rows_ = rows;
    shapeChanged();
}

void copyGrid(const GridCells& source, GridCells& destination) {
    if (&source == &destination) {
        return;
    }
    if (const auto keys = source.rowKeys(); !keys.empty()) {
        destination.setRowKeys(keys);
    }
    destination.setSize(source.ColCount(), source.RowCount());
    for (int r = 0; r < source.RowCount(); ++r) {
        for (int c = 0; c < source.ColCount(); ++c) {
            if (destination.Cells(c, r) != source.Cells(c, r)) {
                destination.setCells(c, r, source.Cells(c, r));
            }
        }
    }
}

}  // namespace qx
