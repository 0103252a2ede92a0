// The input candidate pop-up: the distinct texts of the current column, offered
// for the current cell.
#pragma once

#include <functional>
#include <utility>

#include "platform/platform.h"
#include "widgets/stringGrid.h"
#include "widgets/widgets.h"

namespace qx {

class TInputListForm : public Form {
public:
    TInputListForm();
    ListBox ListBox1;
    static constexpr int kWidth = 296, kHeight = 200;
    void ListBox1DblClick() { closeModal(ModalResult::OK); }
    // Enter and Escape end the pop-up; other keys belong to the list. True when consumed.
    bool ListBox1KeyDown(int key);
    // The application was switched away or back: the pop-up closes without writing.
    void applicationActivated() {
        if (Visible()) {
            closeModal(ModalResult::Cancel);
        }
    }
};

// The pop-up's anchor: the grid's place in the window plus the widths and heights
// of the scrolled cells before the current one, in screen coordinates.
struct CellScreenPos {
    int x = 0, y = 0;
    bool ok = false;
};
CellScreenPos cellScreenPos(const StringGrid& grid, int gridLeft, int gridTop,
                            const std::function<bool(int& x, int& y)>& clientToScreen);

// Collects, shows and writes; true when there was at least one candidate.
bool makeInputList(StringGrid& grid, TInputListForm& popup, Locale& locale, Screen& screen, CellScreenPos anchor);

}  // namespace qx
