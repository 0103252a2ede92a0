// The table as it is drawn: merged fields without inner borders, and cells
// tinted by what the next Update would do to them.
#include "app/qdlXUnit.h"
#include "editor/gridEditing.h"
#include "table/drawnBorders.h"

namespace qx {

void VivazQDLForm::showDrawnBorders(double tolerance) {
    if (lists.lineAry.empty()) {
        // Texts placed against the boundaries of an earlier Get, whose lines
        // are gone: nothing tells a merged field, so every border shows.
        drawnEdges_.reset();
        StringGrid1.clearDrawnEdges();
        return;
    }
    drawnEdges_ = drawnBorders(lists.lineAry, lists.tateAry, lists.yokoAry, tolerance);
    drawnEdgeRows_ = table.rowKeys();
    shownEdgeRows_ = drawnEdgeRows_;
    StringGrid1.setDrawnEdges(*drawnEdges_);
}

void VivazQDLForm::followRowsWithBorders() {
    const auto keys = table.rowKeys();
    if (!drawnEdges_ || keys == shownEdgeRows_) {
        return;
    }
    shownEdgeRows_ = keys;
    // The drawn rows keep their borders; a border between rows that were
    // not neighbours in the drawing, and a new row's, shows drawn, and a new
    // row takes the column borders of the row above it (below it at the top).
    std::unordered_map<std::int64_t, int> drawnRow;
    for (std::size_t r = 0; r < drawnEdgeRows_.size(); ++r) {
        drawnRow[drawnEdgeRows_[r]] = static_cast<int>(r);
    }
    const int rows = static_cast<int>(keys.size());
    CellEdges edges(table.ColCount(), rows);
    const auto rowOf = [&](int r) {
        const auto it = drawnRow.find(keys[static_cast<std::size_t>(r)]);
        return it == drawnRow.end() ? -1 : it->second;
    };
    for (int r = 0; r < rows; ++r) {
        int from = rowOf(r);
        for (int n = r - 1; from < 0 && n >= 1; --n) {
            from = rowOf(n);
        }
        for (int n = r + 1; from < 0 && n < rows; ++n) {
            from = rowOf(n);
        }
        const int self = rowOf(r), next = r + 1 < rows ? rowOf(r + 1) : -1;
        for (int c = 0; c < table.ColCount(); ++c) {
            edges.setRight(c, r, from < 0 || drawnEdges_->right(c, from));
            edges.setBelow(c, r, self < 0 || next != self + 1 || drawnEdges_->below(c, self));
        }
    }
    StringGrid1.setDrawnEdges(std::move(edges));
}

CellChange VivazQDLForm::pendingChangeAt(int col, int row) const {
    if (col < 1 || row < 1 || !table.validCell(col, row)) {
        return CellChange::None;
    }
    return pendingChange(table, col, row, lists.textAry, textIndex_);
}

CellLook VivazQDLForm::StringGrid1DrawCell(int col, int row) const {
    return {paintsGrey(StringGrid1, table, col, row), pendingChangeAt(col, row)};
}

void VivazQDLForm::refreshPendingMarks() {
    StringGrid1.invalidate();
}

VivazQDLForm::PendingMarksRefresh::~PendingMarksRefresh() {
    try {
        form.refreshPendingMarks();
    } catch (...) {
        // A repaint must not replace the Update's own error.
    }
}

}  // namespace qx
