// The working grid's event handlers: bookkeeping for both undo mechanisms,
// status panels, key commands and mouse selection.
#include "app/qdlXUnit.h"
#include "editor/gridEditing.h"
#include "widgets/keyCodes.h"

namespace qx {

namespace {
EnterMode enterMode(const CheckBox& right, const CheckBox& down) {
    return right.Checked() ? EnterMode::Right : down.Checked() ? EnterMode::Down : EnterMode::None;
}
}  // namespace

char16_t VivazQDLForm::StringGrid1KeyPress(char16_t key, bool ctrl, bool shift) {
    // Typing while a command pumps messages must not change its cells.
    if (commands_.running()) {
        return 0;
    }
    if (ctrl) {
        if (key == Key::LineFeed) {
            key = 0;
            Memo1.add(u"[Ctrl]+[Enter]");
            if (Button2.Enabled()) {
                Button2Click();
            }
        } else if (key == Key::Space) {
            key = 0;
            Memo1.add(u"[Ctrl]+[Space]");
            if (makeInputList) {
                makeInputList();
            }
        }
    } else if (shift) {
        if (key == Key::Enter) {
            key = 0;
            Memo1.add(u"[Shift]+[Enter]");
            enterMove(StringGrid1, enterMode(CheckBox2, CheckBox3), true);
        }
    } else if (key == Key::Enter) {
        enterMove(StringGrid1, enterMode(CheckBox2, CheckBox3), false);
    } else if (key == Key::Escape) {
        Memo1.add(u"[ESC]");
        if (!StringGrid1.editorUndo()) {
            Memo1.add(u"UNDO 失敗");
        }
    }
    if (CheckBox4.Checked()) {
        key = upperAscii(key);
    }
    return key;
}

void VivazQDLForm::StringGrid1KeyUp(std::uint16_t& key, unsigned modifiers) {
    // As a spreadsheet: Ctrl+Shift++ (the main keyboard's + or the keypad's)
    // inserts a row above, Ctrl+- deletes the selected rows.
    const bool ctrl = (modifiers & static_cast<unsigned>(Modifier::Ctrl)) != 0;
    const bool shift = (modifiers & static_cast<unsigned>(Modifier::Shift)) != 0;
    if (ctrl && ((key == Key::OemPlus && shift) || key == Key::Add)) {
        key = 0;
        Memo1.add(u"[Ctrl]+[Shift]+[+]");
        insertRow(false);
        return;
    }
    if (ctrl && (key == Key::OemMinus || key == Key::Subtract)) {
        key = 0;
        Memo1.add(u"[Ctrl]+[-]");
        deleteRows();
        return;
    }
    runCommand([&] {
        KeyCommandContext ctx{StringGrid1, StringGrid2, blockUndoState,
                              Memo1,       s_.platform, [this] { offerBlockUndo(); }};
        keyCommand(ctx, key, modifiers);
    });
}

void VivazQDLForm::StringGrid1SelectCell(int col, int) {
    if (col != clickCol) {
        StatusBar1.setPanelText(1, colHasText(table, col) ? u"" : u"新規作成不可");
    }
    clickCol = col;
}

void VivazQDLForm::StringGrid1Click() {
    StringGrid& g = StringGrid1;
    const std::vector<std::int64_t>& ids =
        table.validCell(g.Col(), g.Row()) ? table.ids(g.Col(), g.Row()) : std::vector<std::int64_t>{};
    const std::int64_t id = ids.empty() ? 0 : ids.front();
    if (edtColOld > 0 && edtRowOld > 0 && StringGrid2.validCell(edtColOld, edtRowOld) &&
        g.validCell(edtColOld, edtRowOld) && StringGrid2.Cells(edtColOld, edtRowOld) != g.Cells(edtColOld, edtRowOld)) {
        StringGrid2.setCells(edtColOld, edtRowOld, g.Cells(edtColOld, edtRowOld));
    }
    edtColOld = edtCol;
    edtRowOld = edtRow;
    edtSelOld = edtSel;
    if (g.Col() > 0 && g.Row() > 0) {
        blockUndoState.undoSel = edtSelOld;
    }
    StatusBar1.setPanelText(0, idPanelText(id));
}

void VivazQDLForm::StringGrid1GetEditText(int col, int row) {
    FUndoCells->Add(StringGrid1, col, row);
}

void VivazQDLForm::StringGrid1SetEditText(int col, int row) {
    edtCol = col;
    edtRow = row;
    edtSel = StringGrid1.Selection();
    fitRowHeight(row);
}

void VivazQDLForm::StringGrid1FixedCellClick(int col, int row) {
    if (const auto sel = fixedCellSelection(StringGrid1, col, row)) {
        StringGrid1.setSelection(*sel);
        StringGrid1.invalidate();
    }
}

void VivazQDLForm::StringGrid1MouseDown(bool leftButton, int col, int row) {
    if (leftButton && col >= StringGrid1.FixedCols() && row >= StringGrid1.FixedRows()) {
        startCol = col;
        startRow = row;
    }
}

void VivazQDLForm::StringGrid1MouseMove(int col, int row) {
    if (startCol < 0 || startRow < 0 || col < 0 || row < 0 || (col == startCol && row == startRow) ||
        (col == moveCol && row == moveRow)) {
        return;
    }
    StringGrid1.setSelection(dragSelection(StringGrid1, startCol, startRow, col, row));
    StringGrid1.invalidate();
    moveCol = col;
    moveRow = row;
}

void VivazQDLForm::StringGrid1MouseUp() {
    startCol = startRow = -1;
    StringGrid1.invalidate();
}

void VivazQDLForm::StringGrid1DblClick() {
    Memo1.add(u"[DblClick]");
    if (makeInputList) {
        makeInputList();
    }
}

void VivazQDLForm::SpeedButton1Click() {
    runCommand([this] { FUndoCells->Undo(StringGrid1); });
}

void VivazQDLForm::UNDO1Click() {
    runCommand([this] {
        offerBlockUndo();
        blockUndo(StringGrid1, StringGrid2, blockUndoState);
    });
}

}  // namespace qx
