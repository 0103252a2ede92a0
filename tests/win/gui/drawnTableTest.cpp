// The title block with merged fields in the program's real window: merged
// fields without inner lines, pending changes tinted until the Update writes
// them. Saves a screenshot before and after the Update.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/programWin32.h"
#include "core/winOwners.h"
#include "testing/guiDriver.h"
#include "testing/sampleDrawing.h"
#include "testing/screenshot.h"
#include "tests/win/gui/sampleInWindow.h"
#include "tools/cad-standin/drawingFile.h"
#include "widgets/stringGridWin32.h"

using namespace qx;
using namespace qx::win32;
using namespace qx::test;

namespace {

class DrawnTableGui : public SampleInWindow {
protected:
    void SetUp() override { open("titleBlockMerged.txt", 8, 6); }
    // What the screen shows of the grid, once it has painted.
    COLORREF pixel(int x, int y) {
        UpdateWindow(grid());
        const qx::win::WindowDC dc(grid());
        return GetPixel(dc.get(), x, y);
    }
    COLORREF inside(int c, int r) { return pixel((cell(c, r).left + cell(c, r).right) / 2, cell(c, r).bottom - 3); }
    COLORREF corner(int c, int r) { return pixel(cell(c, r).right - 2, cell(c, r).top + 1); }
    COLORREF lineRightOf(int c, int r) { return pixel(cell(c, r).right, (cell(c, r).top + cell(c, r).bottom) / 2); }
};

}  // namespace

TEST_F(DrawnTableGui, MergedFieldsAndPendingChangesBeforeAndAfterTheUpdate) {
    const GridOptions& o = program->mainWindow->grid().options();
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    // The drawing title spans columns 2 to 4: no line inside it, one after it.
    EXPECT_EQ(lineRightOf(2, 2), window);
    EXPECT_EQ(lineRightOf(3, 2), window);
    EXPECT_EQ(lineRightOf(4, 2), o.lineColor);
    EXPECT_EQ(lineRightOf(2, 4), o.lineColor);

    // An edit typed into the window, the others as a paste or the Delete key would leave them.
    SetFocus(grid());
    cells().setSelection({2, 4, 2, 4});
    typeText(L"山田太郎");
    press(VK_RETURN);
    ASSERT_TRUE(pump([&] { return cells().Cells(2, 4) == u"山田太郎" && !cells().EditorMode(); }, 5000));
    cells().setCells(4, 4, u"");
    cells().setCells(6, 5, u"2023.08.12");
    cells().setCells(7, 2, u"済");
    cells().setCells(2, 2, u"搬送装置 総組立図");
    cells().setSelection({2, 4, 3, 5});
    pump([] { return false; }, 300);
    EXPECT_EQ(inside(2, 4), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(corner(2, 4), o.editMark);  // also on the selection
    EXPECT_EQ(inside(3, 2), o.editTint);  // the edited title's field reads as one ...
    EXPECT_EQ(corner(4, 2), o.editMark);  // ... marked at its end
    EXPECT_EQ(inside(4, 4), o.deleteTint);
    EXPECT_EQ(inside(6, 5), o.addTint);
    EXPECT_EQ(inside(7, 2), GetSysColor(COLOR_BTNFACE));  // no text to copy in the stamp field: grey ...
    EXPECT_EQ(corner(7, 2), o.addMark);                   // ... with the mark of the typed text
    EXPECT_EQ(lineRightOf(2, 2), o.editTint);             // the edited field reads as one
    ASSERT_TRUE(saveWindows(L"drawn-table.bmp", main()));

    click(FindWindowExW(main(), nullptr, L"BUTTON", L"更新 (Ctrl+Enter) "), {10, 10});
    const auto updated = [&] {
        const auto lines = program->form->Memo1.Lines();
        return std::find(lines.begin(), lines.end(), u"[更新] 編集 = 2, 追加 = 1, 削除 = 1") != lines.end();
    };
    ASSERT_TRUE(pump(updated));
    pump([] { return false; }, 300);
    EXPECT_EQ(corner(2, 4), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(inside(3, 2), window);
    EXPECT_EQ(corner(4, 2), window);
    EXPECT_EQ(inside(4, 4), window);
    EXPECT_EQ(inside(6, 5), window);
    EXPECT_EQ(corner(7, 2), o.addMark);  // still not in the drawing
    ASSERT_TRUE(saveWindows(L"drawn-table-updated.bmp", main()));
}
