// A parts list whose cells stack two texts, in the program's real window:
// tall rows for values of several lines, Alt+Enter in the editor, and copy
// as a spreadsheet writes such cells. Saves a screenshot.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/programWin32.h"
#include "core/winOwners.h"
#include "core/winText.h"
#include "testing/guiDriver.h"
#include "testing/sampleDrawing.h"
#include "testing/screenshot.h"
#include "widgets/stringGridWin32.h"

using namespace qx;
using namespace qx::win32;
using namespace qx::test;

namespace {

class StackedCellsGui : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Program::initialiseThread());
        removeSettings();
        drawing = loadSample("partsListStacked.txt");
        drawing->pickAll();
        memory.registerProgId(kDefaultProgID, drawing->application());
        program = std::make_unique<Program>(&memory);
        program->start();
        SetForegroundWindow(main());
        pump([&] { return IsWindowVisible(main()) != FALSE; });
        click(FindWindowExW(main(), nullptr, L"BUTTON", L"取得"), {10, 10});
        ASSERT_TRUE(pump([&] { return cells().RowCount() == 10 && cells().ColCount() == 6; }));
        SetForegroundWindow(main());
        pump([] { return false; }, 200);
    }
    void TearDown() override {
        if (program && IsWindow(main())) {
            closeMainWindow(main());
        }
        program.reset();
        CoUninitialize();
    }
    HWND main() const { return program->mainWindow->hwnd(); }
    HWND grid() const { return program->mainWindow->gridHwnd(); }
    StringGrid& cells() { return program->form->StringGrid1; }
    bool pump(const std::function<bool()>& done, int ms = 10000) {
        return pumpUntil(program && IsWindow(main()) ? main() : nullptr, done, ms);
    }
    int rowHeight(int r) {
        const RECT rc = program->mainWindow->grid().cellRect(1, r);
        return rc.bottom - rc.top;
    }
    std::u16string clipboardText() {
        std::u16string text;
        if (!OpenClipboard(nullptr))
            return text;
        if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
            const qx::win::GlobalLockScope lock(h);
            if (lock.data())
                text = reinterpret_cast<const char16_t*>(lock.data());
        }
        CloseClipboard();
        return text;
    }

    std::unique_ptr<cad::MemDrawing> drawing;
    cad::MemConnector memory;
    std::unique_ptr<Program> program;
};

}  // namespace

TEST_F(StackedCellsGui, TallRowsAltEnterAndCopyOfValuesOfSeveralLines) {
    // 品名 over 規格 in one cell: the row is as tall as its two lines.
    EXPECT_EQ(cells().Cells(2, 1), u"品名\n規格");
    EXPECT_EQ(cells().Cells(2, 2), u"ベースプレート\nt12×200×300");
    const int single = rowHeight(0);
    EXPECT_GT(rowHeight(2), single + 8);
    EXPECT_GT(rowHeight(3), single + 8);
    EXPECT_EQ(rowHeight(0), single);

    // An empty remark typed as two lines with Alt+Enter: the row grows on.
    SetFocus(grid());
    cells().moveCurrent(5, 3);
    typeText(L"仮");
    press(VK_RETURN, VK_MENU);
    typeText(L"要確認");
    press(VK_RETURN);
    ASSERT_TRUE(pump([&] { return !cells().EditorMode() && cells().Cells(5, 3) == u"仮\n要確認"; }, 5000))
        << toUtf8(cells().Cells(5, 3));
    // The pending value reads as an addition of two lines.
    EXPECT_EQ(program->form->pendingChangeAt(5, 3), CellChange::Add);

    // Ctrl+C of the name and the remark: both in quotes, as a spreadsheet writes them.
    cells().setSelection({2, 3, 5, 3});
    press('C', VK_CONTROL);
    ASSERT_TRUE(pump([&] { return !clipboardText().empty(); }, 5000));
    const std::u16string copied = clipboardText();
    EXPECT_EQ(copied.substr(0, 1), u"\"");  // the name over the standard
    EXPECT_NE(copied.find(u"\"仮\n要確認\"\r\n"), std::u16string::npos);
    cells().moveCurrent(5, 3);
    pump([] { return false; }, 300);
    ASSERT_TRUE(saveWindows(L"stacked-cells.bmp", main()));
}
