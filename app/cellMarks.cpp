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
    const StringGrid& g = StringGrid1;
    if (col < 1 || row < 1 || !g.validCell(col, row)) {
        return CellChange::None;
    }
    const std::int64_t id = g.Objects(col, row);
    const TQdlText* record = nullptr;
    if (id != 0) {
        // A Get refills textAry while it processes messages, before the index
        // follows: only a record that still holds the ID counts.
        const int k = textIndexOfId(id);
        if (k >= 0 && static_cast<std::size_t>(k) < lists.textAry.size() && lists.textAry[k].objID == id) {
            record = &lists.textAry[k];
        }
    }
    return pendingChange(g.Cells(col, row), id, record);
}

CellLook VivazQDLForm::StringGrid1DrawCell(int col, int row) const {
    return {paintsGrey(StringGrid1, col, row), pendingChangeAt(col, row)};
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
