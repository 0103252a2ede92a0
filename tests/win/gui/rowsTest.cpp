// Rows of a parts list inserted by the keys a spreadsheet user expects and
// deleted from the pop-up menu, in the program's real window: the headers
// show what waits, 更新 carries it out and a second 取得 reads it back; the
// selected column numbered both ways. Saves a screenshot.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/winOwners.h"
#include "testing/guiDriver.h"
#include "testing/screenshot.h"
#include "tests/win/gui/sampleInWindow.h"
#include "widgets/stringGridWin32.h"

using namespace qx;
using namespace qx::win32;
using namespace qx::test;

namespace {

class RowsGui : public SampleInWindow {
protected:
    void SetUp() override { open("partsListStacked.txt", 6, 10); }
    COLORREF headerTint(int r) {
        UpdateWindow(grid());
        const qx::win::WindowDC dc(grid());
        return GetPixel(dc.get(), cell(0, r).left + 3, cell(0, r).bottom - 3);
    }
    POINT centre(int c, int r) {
        const RECT rc = cell(c, r);
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    std::u16string name(int r) { return cells().Cells(2, r); }
    // A click on a cell scrolled into view first.
    POINT shown(int c, int r) {
        cells().moveCurrent(c, r);
        pump([] { return false; }, 200);
        return centre(c, r);
    }
};

}  // namespace

TEST_F(RowsGui, InsertedByCtrlShiftPlusDeletedFromTheMenuAndCarriedOutByTheUpdate) {
    const GridOptions& o = program->mainWindow->grid().options();
    const std::u16string third = name(4), last = name(9);
    SetFocus(grid());
    click(grid(), centre(2, 4));
    // Ctrl+Shift++ inserts above the current row, as in a spreadsheet.
    key(VK_CONTROL, false);
    key(VK_SHIFT, false);
    press(VK_OEM_PLUS);
    key(VK_SHIFT, true);
    key(VK_CONTROL, true);
    ASSERT_TRUE(pump([&] { return cells().RowCount() == 11; }));
    EXPECT_EQ(name(4), u"");
    EXPECT_EQ(name(5), third);
    EXPECT_EQ(cells().Cells(0, 10), u"10");  // the headers numbered afresh
    EXPECT_EQ(headerTint(4), o.addTint);
    EXPECT_EQ(headerTint(5), o.fixedColor);
    typeText(L"座金");
    press(VK_RETURN);
    ASSERT_TRUE(pump([&] { return name(4) == u"座金"; }));

    // The last part's row goes from the pop-up menu.
    const POINT lastRow = shown(2, 10);
    click(grid(), lastRow);
    ASSERT_TRUE(chooseFromPopupMenu(grid(), lastRow, L"行を削除 ( Ctrl + - )"));
    ASSERT_TRUE(pump([&] { return cells().RowCount() == 10; }));
    cells().moveCurrent(2, 9);
    EXPECT_EQ(headerTint(9), o.deleteTint);  // the rows went below the last one
    ASSERT_TRUE(saveWindows(L"rows-pending.bmp", main()));

    // The block undo brings the deleted row back; Ctrl+- deletes it again.
    ASSERT_TRUE(chooseFromPopupMenu(grid(), shown(2, 3), L"UNDO ( Ctrl + Z )"));
    ASSERT_TRUE(pump([&] { return cells().RowCount() == 11; }));
    EXPECT_EQ(name(10), last);
    EXPECT_EQ(name(4), u"座金");
    click(grid(), shown(2, 10));
    press(VK_OEM_MINUS, VK_CONTROL);
    ASSERT_TRUE(pump([&] { return cells().RowCount() == 10; }));

    click(FindWindowExW(main(), nullptr, L"BUTTON", L"更新 (Ctrl+Enter) "), {10, 10});
    ASSERT_TRUE(pump([&] { return !program->form->table.rowsChanged(); }));
    pump([] { return false; }, 300);
    shown(2, 4);
    EXPECT_EQ(headerTint(4), o.fixedColor);
    ASSERT_TRUE(saveWindows(L"rows-updated.bmp", main()));
    const auto log = program->form->Memo1.Lines();
    EXPECT_NE(std::find(log.begin(), log.end(), u"[更新] 行の挿入 = 1, 行の削除 = 1"), log.end());

    // A second Get reads the same table from the drawing.
    program->form->Memo1.clear();
    click(FindWindowExW(main(), nullptr, L"BUTTON", L"取得"), {10, 10});
    ASSERT_TRUE(pump([&] { return program->form->Memo1.Lines().size() >= 4; }));
    EXPECT_EQ(cells().RowCount(), 10);
    EXPECT_EQ(name(5), third);
    EXPECT_NE(name(9), last);
}

TEST_F(RowsGui, TheSelectedCellsOfAColumnAreNumberedTheWayTheTableGrows) {
    const auto selectParts = [&] {
        click(grid(), shown(1, 2));
        for (int i = 0; i < 7; ++i)
            press(VK_DOWN, VK_SHIFT);
        pump([&] { return cells().Selection().Bottom == 9; }, 2000);
    };
    selectParts();
    ASSERT_TRUE(chooseFromPopupMenu(grid(), {120, 60}, L"選択した列に連番を振る"));
    ASSERT_TRUE(pump([&] { return cells().Cells(1, 9) == u"8"; }));
    EXPECT_EQ(cells().Cells(1, 2), u"1");
    EXPECT_EQ(cells().Cells(1, 1), u"品番");  // the heading stays
    ASSERT_TRUE(chooseFromPopupMenu(grid(), {120, 60}, L"表は上へ伸びる ( 1 が最下行 )"));
    selectParts();
    ASSERT_TRUE(chooseFromPopupMenu(grid(), {120, 60}, L"選択した列に連番を振る"));
    ASSERT_TRUE(pump([&] { return cells().Cells(1, 9) == u"1"; }));
    EXPECT_EQ(cells().Cells(1, 2), u"8");
    EXPECT_TRUE(program->form->menuItem(u"GROWUP1").Checked);
}
