#include "editor/qdlInputListUnit.h"

#include "editor/gridEditing.h"
#include "widgets/keyCodes.h"

namespace qx {

TInputListForm::TInputListForm() {
    setCaption(u"入力候補");
    Width = kWidth;
    Height = kHeight;
}

bool TInputListForm::ListBox1KeyDown(int key) {
    if (key == Key::Enter) {
        closeModal(ModalResult::OK);
        return true;
    }
    if (key == Key::Escape) {
        closeModal(ModalResult::Cancel);
        return true;
    }
    return false;
}

CellScreenPos cellScreenPos(const StringGrid& g, int gridLeft, int gridTop,
                            const std::function<bool(int& x, int& y)>& clientToScreen) {
    CellScreenPos p{gridLeft + g.colAxis().sizeBetween(g.LeftCol(), g.Col()),
                    gridTop + g.rowAxis().sizeBetween(g.TopRow(), g.Row()), false};
    p.ok = clientToScreen ? clientToScreen(p.x, p.y) : true;
    return p;
}

bool makeInputList(StringGrid& g, TInputListForm& popup, Locale& locale, Screen& screen, CellScreenPos anchor) {
    const std::vector<std::u16string> items = inputCandidates(g, locale);
    if (items.empty()) {
        return false;
    }
    popup.ListBox1.clear();
    for (const auto& t : items) {
        popup.ListBox1.insertAt(static_cast<int>(popup.ListBox1.Items().size()), t);
    }
    popup.ListBox1.setItemIndex(0);
    const PopupPlacement at =
        placeCandidates(anchor.x, anchor.y, popup.Width, popup.Height, screen.primarySize().width);
    popup.Left = at.left;
    popup.Top = at.top;
    const int col = g.Col(), row = g.Row();
    if (popup.ShowModal() == ModalResult::OK && popup.ListBox1.ItemIndex() >= 0) {
        const std::u16string text = popup.ListBox1.Items()[popup.ListBox1.ItemIndex()];
        if (!text.empty() && g.validCell(col, row) && !g.isFixed(col, row)) {
            g.setCells(col, row, text);
            g.editorTakeUp();
        }
    }
    return true;
}

}  // namespace qx
