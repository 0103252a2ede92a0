// Rows of the drawn table inserted, deleted and numbered in the grid; the
// Update carries them out in the drawing.
#include <algorithm>

#include "app/qdlXUnit.h"
#include "core/text.h"

namespace qx {

namespace {
std::u16string number(int n) {
    return fromUtf8(std::to_string(n));
}
}  // namespace

RowGrowth VivazQDLForm::rowGrowth() {
    return menuItem(u"GROWUP1").Checked ? RowGrowth::Up : RowGrowth::Down;
}

void VivazQDLForm::beforeRowCommand() {
    blockUndoState.undoSel = StringGrid1.Selection();
    copyGrid(table, StringGrid2);
    // Cell undo remembers cells by position, which rows shift.
    FUndoCells->Clear();
    offerBlockUndo();
}

void VivazQDLForm::insertRow(bool below) {
    runCommand([&] {
        if (!Button2.Enabled()) {
            return;  // no table read yet
        }
        const int row = std::clamp(StringGrid1.Row(), 1, table.RowCount() - 1);
        beforeRowCommand();
        const int at = below ? row + 1 : row;
        table.insertRow(at);
        StringGrid1.setRow(at);
        StringGrid1.setSelection({StringGrid1.Col(), at, StringGrid1.Col(), at});
        Memo1.add(u"[行] " + number(at) + u" 行目に挿入（更新で図面に反映します）");
    });
}

void VivazQDLForm::deleteRows() {
    runCommand([&] {
        if (!Button2.Enabled()) {
            return;
        }
        const GridRect s = StringGrid1.Selection();
        const int first = std::max(s.Top, 1), last = std::min(s.Bottom, table.RowCount() - 1);
        if (first > last) {
            return;
        }
        if (last - first + 1 >= table.RowCount() - 1) {
            s_.platform.dialogs->showMessage(u"表の行をすべて削除することはできません。", MessageBoxKind::Error);
            return;
        }
        beforeRowCommand();
        table.deleteRows(first, last);
        const int row = std::min(first, table.RowCount() - 1);
        StringGrid1.setRow(row);
        StringGrid1.setSelection({StringGrid1.Col(), row, StringGrid1.Col(), row});
        Memo1.add(u"[行] " + number(first) + (first == last ? u"" : u"～" + number(last)) +
                  u" 行目を削除（更新で図面に反映します）");
    });
}

void VivazQDLForm::renumberColumn() {
    runCommand([&] {
        const GridRect s = StringGrid1.Selection();
        const int col = std::max(StringGrid1.Col(), 1);
        const int first = std::max(s.Top, 1), last = std::min(s.Bottom, table.RowCount() - 1);
        if (!Button2.Enabled() || first > last || col >= table.ColCount()) {
            return;
        }
        beforeRowCommand();
        const StringGrid::UpdateScope oneRepaint(StringGrid1);
        const bool up = rowGrowth() == RowGrowth::Up;
        for (int r = first; r <= last; ++r) {
            table.setCells(col, r, number(up ? last - r + 1 : r - first + 1));
        }
        Memo1.add(u"[行] 列 " + number(col) + u" に連番 1～" + number(last - first + 1) + (up ? u"（下から）" : u""));
    });
}

}  // namespace qx
