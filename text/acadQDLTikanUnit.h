// The find-and-replace dialog and its grid command.
#pragma once

#include <string>
#include <string_view>

#include "text/zenHanUtil.h"
#include "widgets/stringGrid.h"
#include "widgets/widgets.h"

namespace qx {

class TnTextTikanForm : public Form {
public:
    TnTextTikanForm();
    // Empties both boxes; the constructor calls it once.
    void FormCreate();
    void Button1Click() { closeModal(ModalResult::OK); }
    void Button2Click() { closeModal(ModalResult::Cancel); }

    Edit Edit1;          // search text
    Edit Edit2;          // replacement text
    CheckBox CheckBox1;  // ticked: ignore letter case
    Button Button1;      // "実行"
    Button Button2;      // "取り消し"
};

// Every occurrence of `search` in `text` replaced by `replacement`, left to
// right without overlap, never searching inserted text again. With
// `ignoreCase`, ASCII and full-width Latin letters match either case.
// An empty search changes nothing.
std::u16string replaceText(const std::u16string& text, std::u16string_view search, std::u16string_view replacement,
                           bool ignoreCase);

// The replace command: fills the search box from the selection's top-left
// cell, shows the dialog and, on OK, snapshots the working grid, records the
// selection in `undoSel` and replaces within every selected data cell. Texts
// only; object IDs stay. Returns true when it replaced.
bool runReplace(TnTextTikanForm& form, StringGrid& working, GridCells& snapshot, GridRect selection, GridRect& undoSel);

}  // namespace qx
