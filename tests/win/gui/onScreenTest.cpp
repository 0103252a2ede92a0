// What the windows show, read from the real controls through their messages
// (the grid's painted view, the log's text and first line, the pop-up menu's
// items, the status bar's parts, the focus, the controls' places) while the
// program is driven by keys and the mouse. Saves screenshots of what it drove.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "app/programWin32.h"
#include "core/winText.h"
#include "editor/gridEditing.h"
#include "testing/guiDriver.h"
#include "testing/sampleDrawing.h"
#include "testing/screenshot.h"
#include "widgets/stringGridWin32.h"

using namespace qx;
using namespace qx::win32;
using namespace qx::test;

namespace {

class OnScreen : public testing::Test {
protected:
    // First, so that it goes last, after the program and every COM object.
    std::optional<win::ComApartment> apartment;
    void SetUp() override {
        apartment.emplace(Program::initialiseThread());
        ASSERT_TRUE(*apartment);
        removeSettings();
        parts = loadSample("partsList.txt");   // 12 columns, 30 rows; column 12 holds no text
        title = loadSample("titleBlock.txt");  // 4 x 4
        parts->pickAll();
        title->pickAll();
        program = std::make_unique<Program>(&memory);
        program->start();
        SetForegroundWindow(main());
        pump([&] { return IsWindowVisible(main()) != FALSE; });
        pumpFor(200);
    }
    void TearDown() override {
        if (program && IsWindow(main()))
            closeMainWindow(main());
        program.reset();
        apartment.reset();
    }

    HWND main() const { return program->mainWindow->hwnd(); }
    HWND grid() const { return program->mainWindow->gridHwnd(); }
    HWND child(const wchar_t* cls, const wchar_t* caption) const {
        return FindWindowExW(main(), nullptr, cls, caption);
    }
    HWND statusBar() const { return child(STATUSCLASSNAMEW, nullptr); }
    HWND memo() const {
        for (HWND e = child(L"EDIT", nullptr); e; e = FindWindowExW(main(), e, L"EDIT", nullptr)) {
            if (GetWindowLongPtrW(e, GWL_STYLE) & ES_MULTILINE)
                return e;
        }
        return nullptr;
    }
    VivazQDLForm& form() { return *program->form; }

    bool pump(const std::function<bool()>& done, int ms = 10000) {
        return pumpUntil(program && IsWindow(main()) ? main() : nullptr, done, ms);
    }
    void pumpFor(int ms) {
        pump([] { return false; }, ms);
    }

    // The Get button clicked with the mouse, picking the whole drawing.
    void get(cad::MemDrawing& drawing, int rows) {
        memory.registerProgId(kDefaultProgID, drawing.application());
        const auto logCleared = form().Memo1.replacements();  // the Get starts its log afresh
        click(child(L"BUTTON", L"取得"), {10, 10});
        ASSERT_TRUE(pump([&] { return form().Memo1.replacements() != logCleared && !form().commandRunning(); }));
        ASSERT_EQ(form().StringGrid1.RowCount(), rows);
        SetForegroundWindow(main());
        pumpFor(200);
    }

    // What the grid painted last, once it has painted what it holds now.
    GridPainted painted() {
        pumpFor(50);
        UpdateWindow(grid());
        GridPainted p;
        EXPECT_TRUE(SendMessageW(grid(), kGridGetPainted, 0, reinterpret_cast<LPARAM>(&p)));
        return p;
    }
    RECT cellRect(int c, int r) const { return program->mainWindow->grid().cellRect(c, r); }
    POINT cellPoint(int c, int r) const {
        const RECT rc = cellRect(c, r);
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    void clickCell(int c, int r, WORD modifier = 0) {
        click(grid(), cellPoint(c, r), false, modifier);
        pumpFor(100);
    }
    // The screen over a cell: its background and whether text is inked in it.
    Picture shotOf(int c, int r) {
        UpdateWindow(grid());
        RECT rc = cellRect(c, r);
        MapWindowPoints(grid(), nullptr, reinterpret_cast<POINT*>(&rc), 2);
        return captureScreen(rc);
    }
    COLORREF background(int c, int r) {
        const Picture p = shotOf(c, r);
        return p.at(p.width / 2, p.height - 3);
    }
    bool inked(int c, int r) {
        const Picture p = shotOf(c, r);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (p.at(x, y) == GetSysColor(COLOR_WINDOWTEXT))
                    return true;
        return false;
    }

    // An item of the grid's pop-up menu, chosen with the mouse when it is not grey.
    bool fromMenu(const wchar_t* caption, const std::function<void()>& after = {}) {
        const bool chosen = chooseFromPopupMenu(grid(), {120, 60}, caption, after);
        pumpFor(200);
        return chosen;
    }

    std::unique_ptr<cad::MemDrawing> parts, title;
    cad::MemConnector memory;
    std::unique_ptr<Program> program;
};

// The keyboard focus of another thread's windows.
HWND focusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

}  // namespace

// A Get of a smaller table shows it from its first row, wherever the larger
// one was scrolled to or had its current cell.
TEST_F(OnScreen, ASmallerTableShowsFromItsFirstRow) {
    const struct {
        const char* how;
        std::function<void()> scroll;
    } cases[] = {
        {"scrolled by the wheel", [&] { wheel(grid(), cellPoint(2, 3), -5); }},
        {"current cell in the last row", [&] { press(VK_END, VK_CONTROL); }},
    };
    for (const auto& c : cases) {
        get(*parts, 31);
        clickCell(2, 2);
        c.scroll();
        ASSERT_TRUE(pump([&] { return painted().topRow > 5; })) << c.how;
        get(*title, 5);
        const GridPainted p = painted();
        EXPECT_EQ(p.topRow, 1) << c.how;
        EXPECT_GE(p.row, 1) << c.how;
        EXPECT_LE(p.row, 4) << c.how;
        EXPECT_TRUE(inked(1, 1)) << c.how;  // 図名, under the header row
        EXPECT_TRUE(inked(2, 4)) << c.how;  // 佐藤, in the last row
    }
    saveWindows(L"smaller-table.bmp", main());
}

// With 1行目固定 the first row is a header: the current cell and the
// selection leave it, and typing, Delete and the candidates work below it.
TEST_F(OnScreen, AFrozenFirstRowIsNeitherSelectedNorEdited) {
    get(*parts, 31);
    clickCell(2, 1);  // 品名, the table's own heading
    click(child(L"BUTTON", L"1行目固定"), {5, 8});
    ASSERT_TRUE(pump([&] { return form().StringGrid1.FixedRows() == 2; }));
    GridPainted p = painted();
    EXPECT_EQ(p.col, 2);
    EXPECT_EQ(p.row, 2);
    EXPECT_EQ(p.selection, (GridRect{2, 2, 2, 2}));
    EXPECT_EQ(p.topRow, 2);

    clickCell(2, 1);  // back from the check box: a frozen cell takes the click but not the current cell
    EXPECT_EQ(painted().row, 2);
    typeText(L"新");
    press(VK_RETURN);
    press(VK_DOWN);
    press(VK_UP, VK_SHIFT);  // a range can only grow down to row 2
    press(VK_UP, VK_SHIFT);
    p = painted();
    EXPECT_EQ(p.selection, (GridRect{2, 2, 2, 3}));
    press(VK_DELETE);
    std::thread driver([] {
        if (waitForWindow(nullptr, L"入力候補", 5000)) {
            Sleep(200);
            press(VK_RETURN);
        }
    });
    press(VK_SPACE, VK_CONTROL);
    pumpFor(300);
    driver.join();
    pump([&] { return !form().commandRunning(); });
    const GridOptions& o = program->mainWindow->grid().options();
    // The frozen row is as the drawing has it; the cells below carry the edits.
    EXPECT_EQ(form().table.Cells(2, 1), u"品名");
    EXPECT_NE(background(2, 1), o.editTint);
    EXPECT_NE(background(2, 1), o.deleteTint);
    EXPECT_NE(form().table.Cells(2, 2), u"六角ボルト");
    saveWindows(L"frozen-row.bmp", main());
}

// A copy from the pop-up menu replaces the log's content by the copied text,
// also when its last line is the one the log showed last.
TEST_F(OnScreen, EachCopyFromTheMenuReplacesTheLog) {
    const struct {
        int c, r;
        const wchar_t* text;
    } typed[] = {{1, 1, L"A"}, {1, 2, L"B"}, {2, 1, L"C"}, {2, 2, L"B"}};
    for (const auto& t : typed) {
        clickCell(t.c, t.r);
        typeText(t.text);
        press(VK_RETURN);
    }
    clickCell(1, 1);
    clickCell(1, 2, VK_SHIFT);
    ASSERT_TRUE(fromMenu(L"コピー ( Ctrl + C )"));
    EXPECT_EQ(textOf(memo()), L"A\r\nB");
    clickCell(2, 1);
    clickCell(2, 2, VK_SHIFT);
    ASSERT_TRUE(fromMenu(L"コピー ( Ctrl + C )"));
    EXPECT_EQ(textOf(memo()), L"C\r\nB");
}

// After Ctrl+C and Ctrl+X the log shows the beginning of the copied block,
// however many lines it has.
TEST_F(OnScreen, TheLogScrollsBackToTheStartOfTheCopiedBlock) {
    get(*parts, 31);
    for (const WORD letter : {'C', 'X'}) {
        clickCell(3, 1);
        clickCell(3, 8, VK_SHIFT);  // 品番 over seven rows, taller than the log
        press(letter, VK_CONTROL);
        const std::wstring line = letter == 'C' ? L"[Ctrl]+[C]" : L"[Ctrl]+[X]";
        ASSERT_TRUE(pump([&] { return textOf(memo()).ends_with(line); }, 5000)) << char(letter);
        EXPECT_TRUE(textOf(memo()).starts_with(L"品番\r\nQX-01000\r\n")) << char(letter);
        EXPECT_EQ(SendMessageW(memo(), EM_GETLINECOUNT, 0, 0), 9) << char(letter);
        EXPECT_EQ(firstVisibleLine(memo()), 0) << char(letter);
        DWORD from = 1, to = 1;
        SendMessageW(memo(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, 0u) << char(letter);  // the caret at the start
    }
    EXPECT_TRUE(form().table.Cells(3, 2).empty());  // the cut emptied the block
    saveWindows(L"log-after-cut.bmp", main());
}

// The menu's UNDO is grey after a Get and offered once a block edit or the
// keys' block undo ran; chosen, it brings the cells back.
TEST_F(OnScreen, TheMenusUndoIsOfferedAfterABlockEditOrCtrlZ) {
    get(*parts, 31);
    EXPECT_FALSE(fromMenu(L"UNDO ( Ctrl + Z )"));
    clickCell(2, 2);
    press('Z', VK_CONTROL);
    EXPECT_TRUE(fromMenu(L"UNDO ( Ctrl + Z )"));

    get(*parts, 31);  // nothing edited: no question
    EXPECT_FALSE(fromMenu(L"UNDO ( Ctrl + Z )"));
    clickCell(2, 2);
    clickCell(3, 4, VK_SHIFT);
    press(VK_DELETE);
    ASSERT_TRUE(pump([&] { return !inked(2, 3); }, 3000));
    EXPECT_TRUE(fromMenu(L"UNDO ( Ctrl + Z )"));
    EXPECT_TRUE(inked(2, 3));
    EXPECT_EQ(form().table.Cells(3, 4), u"QX-01020");
}

// After a pop-up, a dialog or a message box the keys go to the grid again;
// a flat button clicked with the mouse never keeps the focus.
TEST_F(OnScreen, TheFocusComesBackToTheGrid) {
    get(*parts, 31);
    const HWND mainHwnd = main();
    HWND focusAfterAdd = nullptr, addButton = nullptr;
    const struct {
        const char* what;
        std::function<void()> open;   // in this thread
        std::function<void()> drive;  // meanwhile, in another
    } cases[] = {
        {"candidate pop-up", [] { press(VK_SPACE, VK_CONTROL); },
         [] {
             if (waitForWindow(nullptr, L"入力候補", 5000)) {
                 Sleep(200);
                 press(VK_RETURN);
             }
         }},
        {"replace dialog",
         [&] {
             fromMenu(L"置換", [] {
                 if (HWND dialog = waitForWindow(nullptr, L"文字列置換", 5000)) {
                     Sleep(200);
                     click(FindWindowExW(dialog, nullptr, L"BUTTON", L"実行"), {10, 10});
                 }
             });
         },
         {}},
        {"about box",
         [&] {
             fromMenu(L"バージョン情報", [] {
                 if (waitForWindow(L"#32770", L"QuadcelX", 5000)) {
                     Sleep(200);
                     press(VK_RETURN);
                 }
             });
         },
         {}},
        {"target dialog",
         [&] {
             click(FindWindowExW(mainHwnd, nullptr, L"BUTTON", L"取得"), {10, 10}, true);
         },
         [&] {
             if (HWND dialog = waitForWindow(nullptr, L"ターゲット CAD", 5000)) {
                 Sleep(200);
                 HWND edit = FindWindowExW(dialog, nullptr, L"EDIT", nullptr);
                 click(edit, {5, 5});
                 addButton = FindWindowExW(dialog, nullptr, L"BUTTON", L"追加");
                 click(addButton, {10, 10});
                 Sleep(300);
                 focusAfterAdd = focusOf(dialog);
                 click(FindWindowExW(dialog, nullptr, L"BUTTON", L"取り消し"), {10, 10});
             }
         }},
        {"cell undo button",
         [&] {
             click(FindWindowExW(mainHwnd, nullptr, L"BUTTON", L"UNDO"), {10, 10});
         },
         {}},
    };
    for (const auto& c : cases) {
        clickCell(4, 3);
        ASSERT_EQ(GetFocus(), grid()) << c.what;
        std::thread driver(c.drive ? c.drive : std::function<void()>([] {}));
        c.open();
        pumpFor(500);
        driver.join();
        pump([&] { return GetFocus() == grid(); }, 3000);
        EXPECT_EQ(GetFocus(), grid()) << c.what;
    }
    EXPECT_NE(addButton, nullptr);
    EXPECT_NE(focusAfterAdd, addButton);  // 追加 did not take the focus from the box
    EXPECT_NE(focusAfterAdd, nullptr);
}

// The status bar follows the current cell however it moves: by Shift and an
// arrow, by Shift and a click, by a drag.
TEST_F(OnScreen, TheStatusBarFollowsTheCurrentCell) {
    get(*parts, 31);
    const auto idText = [&](int c, int r) {
        const auto& ids = form().table.ids(c, r);
        return win::toWide(idPanelText(ids.empty() ? 0 : ids.front()));
    };
    clickCell(9, 2);
    press(VK_END);  // the view goes right, to the column without texts
    ASSERT_TRUE(pump([&] { return painted().col == 12; }, 3000));
    const struct {
        const char* how;
        int startCol, startRow;
        std::function<void()> move;
        int col, row;
    } cases[] = {
        {"Shift+Right", 11, 2, [] { press(VK_RIGHT, VK_SHIFT); }, 12, 2},
        {"Shift+Left", 12, 2, [] { press(VK_LEFT, VK_SHIFT); }, 11, 2},
        {"Shift+click", 12, 3, [&] { clickCell(9, 5, VK_SHIFT); }, 9, 5},
        {"drag", 9, 4, [&] { drag(grid(), cellPoint(9, 4), cellPoint(12, 6)); }, 12, 6},
    };
    for (const auto& c : cases) {
        clickCell(c.startCol, c.startRow);
        c.move();
        const std::wstring noNewText = form().table.ids(c.col, 1).empty() ? L"新規作成不可" : L"";
        pump(
            [&] {
                return statusText(statusBar(), 1) == noNewText && statusText(statusBar(), 0) == idText(c.col, c.row);
            },
            3000);
        EXPECT_EQ(painted().col, c.col) << c.how;
        EXPECT_EQ(painted().row, c.row) << c.how;
        EXPECT_EQ(statusText(statusBar(), 1), noNewText) << c.how;
        EXPECT_EQ(statusText(statusBar(), 0), idText(c.col, c.row)) << c.how;
    }
    EXPECT_EQ(idText(9, 5).substr(0, 6), L" ID = ");  // a case that shows an ID
}

// The design's places and sizes are the least the controls get (a caption
// that needs more widens its control and moves the ones on its right); where
// check boxes overlap, each one's box is still its own to click.
TEST_F(OnScreen, ControlsHaveAtLeastTheDesignsPlacesAndSizes) {
    const int dpi = windowDpi(main());
    auto design = [&](int left, int top, int width, int height) {
        return RECT{MulDiv(left, dpi, 96), MulDiv(top, dpi, 96), MulDiv(left + width, dpi, 96),
                    MulDiv(top + height, dpi, 96)};
    };
    RECT client;
    GetClientRect(main(), &client);
    const struct {
        const wchar_t* cls;
        const wchar_t* caption;
        RECT place;
    } controls[] = {
        {L"BUTTON", L"取得", design(3, 3, 65, 32)},
        {L"BUTTON", L"更新 (Ctrl+Enter) ", design(71, 3, 99, 32)},
        {L"BUTTON", L"1行目固定", design(171 + 8, 3 + 8, 89, 17)},
        {L"BUTTON", L"Enter:[→]", design(171 + 89, 3 + 8, 80, 17)},
        {L"BUTTON", L"Enter:[↓]", design(171 + 159, 3 + 4, 66, 25)},
        {L"BUTTON", L"a -> A", design(171 + 223, 3 + 8, 58, 17)},
        {L"BUTTON", L"UNDO", design(534, 2, 38, 33)},
        {L"QuadcelXGrid", nullptr, design(0, 41, 578, 215)},
        {PROGRESS_CLASSW, nullptr, design(0, 315, 516, 12)},
        {L"BUTTON", L"中止", design(520, 312, 58, 18)},
        {STATUSCLASSNAMEW, nullptr, RECT{0, client.bottom - MulDiv(19, dpi, 96), client.right, client.bottom}},
        {nullptr, nullptr, design(0, 259, 578, 53)},  // the log
    };
    for (const auto& c : controls) {
        HWND h = c.cls ? child(c.cls, c.caption) : memo();
        const std::string name = toUtf8(win::fromWide(c.caption ? c.caption : c.cls ? c.cls : L"log"));
        ASSERT_NE(h, nullptr) << name;
        const RECT r = placeIn(main(), h);
        const bool atLeast = r.left >= c.place.left && r.top == c.place.top &&
                             r.right - r.left >= c.place.right - c.place.left &&
                             r.bottom - r.top == c.place.bottom - c.place.top;
        EXPECT_TRUE(atLeast) << name << ": " << r.left << "," << r.top << " " << r.right - r.left << "x"
                             << r.bottom - r.top;
    }
    // Where the boxes overlap, the later one lies on top: each square takes its own click.
    for (const wchar_t* caption : {L"1行目固定", L"Enter:[→]", L"Enter:[↓]", L"a -> A"}) {
        HWND box = child(L"BUTTON", caption);
        RECT r;
        GetWindowRect(box, &r);
        const POINT square{r.left + 6, (r.top + r.bottom) / 2};
        EXPECT_EQ(WindowFromPoint(square), box) << toUtf8(win::fromWide(caption));
    }
    saveWindows(L"main-sizes.bmp", main());
}
