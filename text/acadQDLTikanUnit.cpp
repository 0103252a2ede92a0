#include "text/acadQDLTikanUnit.h"

#include <algorithm>

namespace qx {

TnTextTikanForm::TnTextTikanForm() {
    setCaption(u"文字列置換");
    Width = 203;  // client area; the peer adds the tool-window frame
    Height = 128;
    CheckBox1.Caption = u"大文字/小文字を無視";
    CheckBox1.setChecked(true);
    Button1.Caption = u"実行";
    Button2.Caption = u"取り消し";
    Button1.onClick = [this] { Button1Click(); };
    Button2.onClick = [this] { Button2Click(); };
    FormCreate();
}

void TnTextTikanForm::FormCreate() {
    Edit1.setText(u"");
    Edit2.setText(u"");
}

namespace {

// One code unit for one: folding keeps positions, so matches map back to the original.
char16_t foldLatin(char16_t c) {
    if (c >= u'A' && c <= u'Z') {
        return static_cast<char16_t>(c - u'A' + u'a');
    }
    if (c >= 0xFF21 && c <= 0xFF3A) {  // Ａ..Ｚ
        return static_cast<char16_t>(c - 0xFF21 + 0xFF41);
    }
    return c;
}

std::u16string folded(std::u16string_view s) {
    std::u16string out(s);
    std::transform(out.begin(), out.end(), out.begin(), foldLatin);
    return out;
}

}  // namespace

std::u16string replaceText(const std::u16string& text, std::u16string_view search, std::u16string_view replacement,
                           bool ignoreCase) {
    std::u16string out = text;
    if (ignoreCase) {
        const std::u16string hay = folded(text);
        replaceAllOf(out, folded(search), replacement, &hay);
    } else {
        replaceAllOf(out, search, replacement);
    }
    return out;
}

bool runReplace(TnTextTikanForm& form, StringGrid& working, GridCells& snapshot, GridRect selection,
                GridRect& undoSel) {
    form.Edit1.setText(working.validCell(selection.Left, selection.Top) ? working.Cells(selection.Left, selection.Top)
                                                                        : std::u16string());
    if (form.ShowModal() != ModalResult::OK) {
        return false;
    }
    const std::u16string search = form.Edit1.Text();
    const std::u16string replacement = form.Edit2.Text();
    const bool ignoreCase = form.CheckBox1.Checked();
    blockEdit(working, snapshot, &undoSel, selection, [&] {
        const GridRect cells = dataCellsIn(working, selection);
        for (int r = cells.Top; r <= cells.Bottom; ++r) {
            for (int c = cells.Left; c <= cells.Right; ++c) {
                working.setCells(c, r, replaceText(working.Cells(c, r), search, replacement, ignoreCase));
            }
        }
    });
    return true;
}

}  // namespace qx
