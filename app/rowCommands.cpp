// Rows of the drawn table inserted, deleted and numbered in the grid; the
// Update carries them out in the drawing.
#include <algorithm>

#include "app/qdlXUnit.h"
#include "core/text.h"

namespace qx {

RowGrowth VivazQDLForm::rowGrowth() {
    return menuItem(u"GROWUP1").Checked ? RowGrowth::Up : RowGrowth::Down;
}

template <typename Change>
void VivazQDLForm::rowCommand(Change&& change) {
    // Cell undo remembers cells by position, which rows shift.
    FUndoCells->Clear();
    blockEdit(StringGrid1, StringGrid2, &blockUndoState.undoSel, StringGrid1.Selection(), change);
    offerBlockUndo();
}

void VivazQDLForm::insertRow(bool below) {
    runCommand([&] {
        if (!Button2.Enabled()) {
            return;  // no table read yet
        }
        const int row = std::clamp(StringGrid1.Row(), 1, table.RowCount() - 1);
        const int at = below ? row + 1 : row;
        rowCommand([&] { table.insertRow(at); });
        StringGrid1.setRow(at);
        StringGrid1.setSelection({StringGrid1.Col(), at, StringGrid1.Col(), at});
        Memo1.add(u"[行] " + decimalText(at) + u" 行目に挿入（更新で図面に反映します）");
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
        rowCommand([&] { table.deleteRows(first, last); });
        const int row = std::min(first, table.RowCount() - 1);
        StringGrid1.setRow(row);
        StringGrid1.setSelection({StringGrid1.Col(), row, StringGrid1.Col(), row});
        Memo1.add(u"[行] " + decimalText(first) + (first == last ? u"" : u"～" + decimalText(last)) +
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
        const bool up = rowGrowth() == RowGrowth::Up;
        rowCommand([&] {
            for (int r = first; r <= last; ++r) {
                table.setCells(col, r, decimalText(up ? last - r + 1 : r - first + 1));
            }
        });
        Memo1.add(u"[行] 列 " + decimalText(col) + u" に連番 1～" + decimalText(last - first + 1) +
                  (up ? u"（下から）" : u""));
    });
}

}  // namespace qx
