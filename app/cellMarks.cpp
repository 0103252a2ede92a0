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
        StringGrid1.clearDrawnEdges();
        return;
    }
    StringGrid1.setDrawnEdges(drawnBorders(lists.lineAry, lists.tateAry, lists.yokoAry, tolerance));
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
