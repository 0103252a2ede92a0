// The grid control in a real window: input messages go through the message
// loop (TranslateMessage makes the characters), and the model tells the result.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/winOwners.h"
#include "core/winText.h"
#include "platform/platform.h"
#include "platform/platformWin32.h"
#include "testing/guiDriver.h"
#include "testing/screenshot.h"
#include "widgets/stringGrid.h"
#include "widgets/stringGridWin32.h"

using namespace qx;
using qx::win32::GridControl;

namespace {

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

template <typename Done>
bool pumpUntil(Done done) {
    for (int i = 0; i < 500 && !done(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pump();
    }
    return done();
}

HWND makeHost(int width, int height) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"QxGridTestHost";
    RegisterClassW(&wc);  // fails harmlessly from the second test on
    return CreateWindowExW(0, L"QxGridTestHost", L"グリッド", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, width, height,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

using qx::test::Picture;
using qx::test::screenshotPath;
using qx::test::writeBmp;

// A picture of a window's client area: as it paints itself (WM_PRINTCLIENT) or as the screen shows it.
Picture take(HWND hwnd, bool printClient) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    return qx::test::drawPicture(width, height, [&](HDC mem) {
        if (printClient) {
            SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
        } else {
            win::WindowDC dc(hwnd);
            BitBlt(mem, 0, 0, width, height, dc.get(), 0, 0, SRCCOPY);
        }
    });
}

class GridControlTest : public ::testing::Test {
protected:
    static constexpr int kCols = 6, kRows = 40;
    StringGrid g{kCols, kRows};
    static inline HWND host = nullptr;
    std::unique_ptr<GridControl> grid;
    std::vector<std::string> events;
    std::function<char16_t(char16_t, bool, bool)> press;  // the test's key-press rule

    void SetUp() override {
        for (int c = 1; c < kCols; ++c) {
            g.setCells(c, 0, decimalText(c));
        }
        for (int r = 1; r < kRows; ++r) {
            g.setCells(0, r, decimalText(r));
        }
        ASSERT_TRUE(host);
        g.onSelectCell = [this](int c, int r) { log("select", c, r); };
        g.onClick = [this] { events.push_back("click"); };
        g.onGetEditText = [this](int c, int r) { log("get", c, r); };
        grid = std::make_unique<GridControl>(g);
        grid->onKeyPress = [this](char16_t k, bool ctrl, bool shift) {
            events.push_back("press " + std::to_string(k) + (ctrl ? " ctrl" : "") + (shift ? " shift" : ""));
            return press ? press(k, ctrl, shift) : k;
        };
        grid->onKeyUp = [this](std::uint16_t& k, unsigned mods) { log("up", k, static_cast<int>(mods)); };
        grid->onMouseDown = [this](bool left, int c, int r) {
            log(left ? "down L" : "down R", c, r);
            log("  at", g.Col(), g.Row());
        };
        grid->onMouseMove = [this](int c, int r) { log("move", c, r); };
        grid->onMouseUp = [this] { events.push_back("mouseup"); };
        grid->onDblClick = [this] { events.push_back("dblclick"); };
        grid->onFixedCellClick = [this](int c, int r) { log("fixed", c, r); };
        grid->create(host, 100, 0, 0, 600, 300);
        SetForegroundWindow(host);
        SetFocus(grid->hwnd());
        pump();
        events.clear();
    }

    void TearDown() override {
        grid.reset();
        pump();
    }

    // One host for all: Wine takes seconds to destroy an active top-level window.
    static void SetUpTestSuite() { host = makeHost(640, 400); }
    static void TearDownTestSuite() {
        DestroyWindow(host);
        host = nullptr;
    }

    void log(const char* what, int a, int b) {
        events.push_back(std::string(what) + " " + std::to_string(a) + "," + std::to_string(b));
    }

    static void setModifiers(unsigned mods) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = keys[VK_LSHIFT] = (mods & 1) ? 0x80 : 0;
        keys[VK_MENU] = keys[VK_LMENU] = (mods & 2) ? 0x80 : 0;
        keys[VK_CONTROL] = keys[VK_LCONTROL] = (mods & 4) ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    // A key pressed and released on the focused window, modifiers held.
    void key(UINT vk, unsigned mods = 0) {
        setModifiers(mods);
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(GetFocus(), WM_KEYDOWN, vk, 1 | scan);
        pump();
        PostMessageW(GetFocus(), WM_KEYUP, vk, 1 | scan | (LPARAM{3} << 30));
        pump();
        setModifiers(0);
    }

    void type(const std::u16string& text) {
        for (char16_t ch : text) {
            PostMessageW(GetFocus(), WM_CHAR, ch, 1);
            pump();
        }
    }

    POINT centre(int c, int r) const {
        const RECT rc = grid->cellRect(c, r);
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }

    void mouse(UINT msg, POINT p, WPARAM keys = 0) { SendMessageW(grid->hwnd(), msg, keys, MAKELPARAM(p.x, p.y)); }

    void click(int c, int r, WPARAM keys = 0) {
        mouse(WM_LBUTTONDOWN, centre(c, r), MK_LBUTTON | keys);
        mouse(WM_LBUTTONUP, centre(c, r), keys);
    }

    bool editorVisible() const { return IsWindowVisible(grid->editorHwnd()); }
    std::u16string editorText() const {
        const std::wstring text = test::textOf(grid->editorHwnd());
        return win::fromWide(text.data(), text.size());
    }
    int count(const std::string& what) const {
        return static_cast<int>(std::count(events.begin(), events.end(), what));
    }
};

// Which cell each key leads to is the portable key table's (gridKeysTest);
// here the window's part: key messages, the modifiers' state, the page size
// the view gives, and scrolling the current cell into view.
TEST_F(GridControlTest, KeyMessagesMoveTheCurrentCellAndKeepItInView) {
    struct Step {
        UINT vk;
        unsigned mods;
        int col, row;
    };
    const int lc = kCols - 1, lr = kRows - 1;
    const Step steps[] = {
        {VK_UP, 0, 1, 1},     // the header row is never entered
        {VK_RIGHT, 0, 2, 1},  //
        {VK_TAB, 0, 3, 1},    //
        {VK_TAB, 1, 2, 1},    // Shift+Tab back
        {VK_END, 4, lc, lr},  // Ctrl+End: the last cell
        {VK_HOME, 4, 1, 1},   // Ctrl+Home
    };
    for (const Step& s : steps) {
        key(s.vk, s.mods);
        EXPECT_EQ(g.Col(), s.col) << "key " << s.vk;
        EXPECT_EQ(g.Row(), s.row) << "key " << s.vk;
        EXPECT_EQ(g.Selection(), (GridRect{s.col, s.row, s.col, s.row}));
    }

    // A move that changes both coordinates is one move.
    key(VK_END);
    events.clear();
    key(VK_TAB);
    EXPECT_EQ(count("select 1,2"), 1);
    EXPECT_EQ(count("click"), 1);

    // Page down moves by the rows in view and keeps the current cell in view.
    const int before = g.Row();
    key(VK_NEXT);
    EXPECT_GT(g.Row(), before + 5);
    key(VK_END, 4);
    EXPECT_EQ(g.TopRow(), grid->maxTopRow());
    RECT client;
    GetClientRect(grid->hwnd(), &client);
    const RECT last = grid->cellRect(lc, lr);
    EXPECT_FALSE(IsRectEmpty(&last));
    EXPECT_LE(last.bottom, client.bottom);
}

TEST_F(GridControlTest, ShiftArrowsExtendTheSelectionFromTheAnchor) {
    key(VK_RIGHT);
    key(VK_DOWN);  // (2, 2)
    events.clear();
    key(VK_RIGHT, 1);
    key(VK_DOWN, 1);
    EXPECT_EQ(g.Selection(), (GridRect{2, 2, 3, 3}));
    // The current cell moved to the range's far corner: told as any move is.
    EXPECT_EQ(count("select 3,2"), 1);
    EXPECT_EQ(count("select 3,3"), 1);
    EXPECT_EQ(count("click"), 2);
    key(VK_RIGHT);
    EXPECT_EQ(g.Selection(), (GridRect{4, 3, 4, 3}));
}

TEST_F(GridControlTest, TypingOpensTheEditorWhichWritesThroughUntilEnterClosesIt) {
    type(u"ab");
    ASSERT_TRUE(g.EditorMode());
    EXPECT_TRUE(editorVisible());
    EXPECT_EQ(GetFocus(), grid->editorHwnd());
    EXPECT_EQ(g.Cells(1, 1), u"ab");
    EXPECT_EQ(editorText(), u"ab");
    EXPECT_EQ(events.front(), "press 97");
    EXPECT_EQ(count("get 1,1"), 1);
    RECT er, cell = grid->cellRect(1, 1);
    GetWindowRect(grid->editorHwnd(), &er);
    MapWindowPoints(nullptr, grid->hwnd(), reinterpret_cast<POINT*>(&er), 2);
    EXPECT_GE(er.left, cell.left);
    EXPECT_GE(er.top, cell.top);
    EXPECT_LE(er.right, cell.right);
    EXPECT_LE(er.bottom, cell.bottom);

    key(VK_RETURN);
    EXPECT_FALSE(g.EditorMode());
    EXPECT_FALSE(editorVisible());
    EXPECT_EQ(GetFocus(), grid->hwnd());
    EXPECT_EQ(g.Cells(1, 1), u"ab");

    key(VK_RETURN);  // opens with the whole text selected: typing replaces it
    ASSERT_TRUE(g.EditorMode());
    DWORD from = 1, to = 0;
    SendMessageW(grid->editorHwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 2u);
    type(u"x");
    key(VK_LEFT);  // left and right stay in the text
    type(u"y");
    EXPECT_TRUE(g.EditorMode());
    EXPECT_EQ(g.Cells(1, 1), u"yx");

    key(VK_DOWN);  // up and down leave the cell
    EXPECT_FALSE(g.EditorMode());
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.Cells(1, 1), u"yx");

    g.setCells(1, 2, u"消す");
    key(VK_BACK);  // backspace on a closed editor empties the cell and keeps editing
    EXPECT_TRUE(g.EditorMode());
    EXPECT_EQ(g.Cells(1, 2), u"");
}

TEST_F(GridControlTest, TheKeyHandlersSeeEveryKeyFirstAsTheEditorPassesThemOn) {
    press = [](char16_t k, bool, bool) -> char16_t {
        if (k == u'#') {
            return 0;
        }
        return (k >= u'a' && k <= u'z') ? static_cast<char16_t>(k - 32) : k;
    };
    type(u"a#bｃ");
    EXPECT_EQ(g.Cells(1, 1), u"ABｃ");

    events.clear();
    key('C', 4);  // Ctrl+C types character 3 and is released with Ctrl held
    EXPECT_EQ(count("press 3 ctrl"), 1);
    EXPECT_EQ(count("up 67,4"), 1);
    EXPECT_EQ(g.Cells(1, 1), u"ABｃ");

    key(VK_ESCAPE);  // the handler sees it; the editor stays open
    EXPECT_EQ(count("press 27"), 1);
    EXPECT_TRUE(g.EditorMode());

    // Delete: the editor removes a character first, then the release reaches the handler.
    std::u16string atRelease;
    grid->onKeyUp = [&](std::uint16_t& k, unsigned) {
        if (k == VK_DELETE) {
            atRelease = g.Cells(1, 1);
        }
    };
    key(VK_HOME);
    key(VK_DELETE);
    EXPECT_EQ(atRelease, u"Bｃ");

    // Ctrl+Z is the editor's own single step, through the model.
    key('Z', 4);
    EXPECT_EQ(g.Cells(1, 1), u"ABｃ");
    EXPECT_EQ(editorText(), u"ABｃ");

    // A cancelled Enter neither opens nor closes the editor.
    press = [](char16_t k, bool, bool) -> char16_t { return k == 13 ? 0 : k; };
    key(VK_RETURN);
    EXPECT_TRUE(g.EditorMode());
    // Ctrl+Enter reaches the handler as character 10 with Ctrl.
    events.clear();
    key(VK_RETURN, 4);
    EXPECT_EQ(count("press 10 ctrl"), 1);
}

TEST_F(GridControlTest, EnterAfterAMoveByTheHandlerEditsTheNextCell) {
    press = [this](char16_t k, bool, bool) -> char16_t {
        if (k == 13) {
            g.setCol(g.Col() + 1);  // what the Enter option does
        }
        return k;
    };
    type(u"1");
    key(VK_RETURN);
    EXPECT_EQ(g.Cells(1, 1), u"1");
    EXPECT_EQ(g.Col(), 2);
    EXPECT_TRUE(g.EditorMode());
    EXPECT_EQ(GetFocus(), grid->editorHwnd());
    type(u"2");
    EXPECT_EQ(g.Cells(2, 1), u"2");
    EXPECT_EQ(g.Cells(1, 1), u"1");
}

TEST_F(GridControlTest, ChangesFromOutsideReachTheOpenEditorAndNeverLandInAnotherCell) {
    type(u"ab");
    g.setCells(1, 1, u"外から");  // a paste or an undo while editing
    EXPECT_EQ(editorText(), u"外から");
    EXPECT_EQ(g.editorText(), u"外から");
    g.editorUndo();  // what Escape asks for
    EXPECT_EQ(editorText(), g.Cells(1, 1));

    const std::u16string kept = g.Cells(1, 1);
    g.setCells(3, 3, u"別");
    g.setSelection({1, 1, 3, 3});  // the current cell moves under the editor
    EXPECT_FALSE(g.EditorMode());
    EXPECT_FALSE(editorVisible());
    EXPECT_EQ(g.Cells(1, 1), kept);
    EXPECT_EQ(g.Cells(3, 3), u"別");

    // A block undo released from the editor: the grid comes back from a copy in one
    // update, then the saved selection and its first cell; the typed text stays undone.
    click(2, 2);
    type(u"新しい");
    grid->onKeyUp = [this](std::uint16_t& k, unsigned mods) {
        if (k == 'Z' && (mods & 4)) {
            g.beginUpdate();
            for (int r = 1; r < kRows; ++r) {
                for (int c = 1; c < kCols; ++c) {
                    g.setCells(c, r, u"");
                }
            }
            g.endUpdate();
            g.setSelection({2, 2, 4, 4});
            g.setCol(2);
            g.setRow(2);
        }
    };
    key('Z', 4);
    EXPECT_FALSE(g.EditorMode());
    for (auto [c, r] : {std::pair{2, 2}, std::pair{4, 4}, std::pair{1, 1}}) {
        EXPECT_EQ(g.Cells(c, r), u"") << c << "," << r;
    }
}

TEST_F(GridControlTest, AnImeCompositionLandsInTheEditor) {
    key(VK_RIGHT);
    g.setCells(2, 1, u"旧");
    SendMessageW(grid->hwnd(), WM_IME_STARTCOMPOSITION, 0, 0);
    ASSERT_TRUE(g.EditorMode());
    EXPECT_EQ(GetFocus(), grid->editorHwnd());
    EXPECT_EQ(count("get 2,1"), 1);
    SendMessageW(GetFocus(), WM_IME_CHAR, L'表', 1);
    SendMessageW(GetFocus(), WM_IME_CHAR, L'示', 1);
    pump();
    EXPECT_EQ(g.Cells(2, 1), u"表示");                  // the old text was selected and is replaced
    SendMessageW(grid->hwnd(), WM_IME_CHAR, L'欄', 1);  // a late result sent to the grid
    pump();
    EXPECT_EQ(g.Cells(2, 1), u"表示欄");

    key(VK_DOWN);
    ASSERT_FALSE(g.EditorMode());
    SendMessageW(grid->hwnd(), WM_KEYDOWN, VK_PROCESSKEY, 1);  // a key the IME took
    EXPECT_TRUE(g.EditorMode());
    EXPECT_EQ(GetFocus(), grid->editorHwnd());
}

TEST_F(GridControlTest, MouseClicksDragsAndHeaderClicks) {
    click(3, 4);
    const std::vector<std::string> expected{"select 3,4", "click", "down L 3,4", "  at 3,4", "click", "mouseup"};
    EXPECT_EQ(events, expected);

    events.clear();
    mouse(WM_LBUTTONDOWN, centre(2, 2), MK_LBUTTON);
    mouse(WM_MOUSEMOVE, centre(3, 3), MK_LBUTTON);
    mouse(WM_MOUSEMOVE, centre(4, 5), MK_LBUTTON);
    EXPECT_EQ(g.Selection(), (GridRect{2, 2, 4, 5}));
    mouse(WM_MOUSEMOVE, POINT{-5, centre(4, 5).y}, MK_LBUTTON);  // outside the cells
    mouse(WM_LBUTTONUP, centre(4, 5));
    EXPECT_EQ(count("move 4,5"), 1);
    EXPECT_EQ(count("move -1,5"), 1);
    events.clear();
    mouse(WM_MOUSEMOVE, centre(1, 1));  // no button held
    EXPECT_TRUE(events.empty());

    g.setCol(2);
    g.setRow(2);
    click(4, 3, MK_SHIFT);
    EXPECT_EQ(g.Selection(), (GridRect{2, 2, 4, 3}));

    events.clear();
    mouse(WM_RBUTTONDOWN, centre(5, 5), MK_RBUTTON);
    mouse(WM_RBUTTONUP, centre(5, 5));
    EXPECT_EQ(events.front(), "down R 5,5");
    EXPECT_EQ(g.Col(), 4);  // the right button does not move the current cell

    struct HeaderPress {
        int c, r, upC, upR;
        bool fires;
    };
    const HeaderPress presses[] = {{3, 0, 3, 0, true}, {0, 7, 0, 7, true}, {0, 0, 0, 0, true}, {3, 0, 4, 0, false}};
    for (const HeaderPress& p : presses) {
        events.clear();
        const RECT rc = grid->cellRect(p.c, p.r);
        const RECT up = grid->cellRect(p.upC, p.upR);
        mouse(WM_LBUTTONDOWN, POINT{rc.left + 5, rc.top + 5}, MK_LBUTTON);  // away from the sizing lines
        mouse(WM_LBUTTONUP, POINT{up.left + 5, up.top + 5});
        EXPECT_EQ(count("fixed " + std::to_string(p.c) + "," + std::to_string(p.r)), p.fires ? 1 : 0);
        EXPECT_EQ(count("click"), 0);
    }

    events.clear();
    mouse(WM_LBUTTONDBLCLK, centre(2, 2), MK_LBUTTON);
    mouse(WM_LBUTTONUP, centre(2, 2));
    EXPECT_EQ(count("dblclick"), 1);
    type(u"x");  // and inside the editor
    SendMessageW(grid->editorHwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(grid->editorHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(count("dblclick"), 2);
    EXPECT_TRUE(g.EditorMode());
}

TEST_F(GridControlTest, HeaderLinesResizeColumnsAndRows) {
    const RECT col2 = grid->cellRect(2, 0);
    events.clear();
    mouse(WM_LBUTTONDOWN, POINT{col2.right, 10}, MK_LBUTTON);
    mouse(WM_MOUSEMOVE, POINT{col2.right + 10, 10}, MK_LBUTTON);
    mouse(WM_MOUSEMOVE, POINT{col2.right + 25, 10}, MK_LBUTTON);
    mouse(WM_LBUTTONUP, POINT{col2.right + 25, 10});
    EXPECT_EQ(g.ColWidths(2), StringGrid::kDefaultColWidth + 25);
    EXPECT_EQ(g.ColWidths(3), StringGrid::kDefaultColWidth);
    EXPECT_EQ(count("fixed 2,0") + count("fixed 3,0"), 0);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(grid->cellRect(3, 1).left, col2.right + 25 + 1);

    const RECT row3 = grid->cellRect(0, 3);
    mouse(WM_LBUTTONDOWN, POINT{10, row3.bottom + 1}, MK_LBUTTON);
    mouse(WM_MOUSEMOVE, POINT{10, row3.bottom + 11}, MK_LBUTTON);
    mouse(WM_LBUTTONUP, POINT{10, row3.bottom + 11});
    EXPECT_EQ(g.RowHeights(3), StringGrid::kDefaultRowHeight + 10);

    mouse(WM_LBUTTONDOWN, POINT{grid->cellRect(1, 0).right, 10}, MK_LBUTTON);
    mouse(WM_MOUSEMOVE, POINT{-300, 10}, MK_LBUTTON);
    mouse(WM_LBUTTONUP, POINT{-300, 10});
    EXPECT_GT(g.ColWidths(1), 0);  // never sized away

    // The line between two data cells sizes nothing.
    const RECT data = grid->cellRect(2, 5);
    mouse(WM_LBUTTONDOWN, POINT{data.right, data.top + 5}, MK_LBUTTON);
    mouse(WM_MOUSEMOVE, POINT{data.right + 30, data.top + 5}, MK_LBUTTON);
    mouse(WM_LBUTTONUP, POINT{data.right + 30, data.top + 5});
    EXPECT_EQ(g.ColWidths(2), StringGrid::kDefaultColWidth + 25);
}

TEST_F(GridControlTest, ScrollBarsAndWheelScrollTheDataButNotTheHeaders) {
    SendMessageW(grid->hwnd(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(g.TopRow(), 2);
    SendMessageW(grid->hwnd(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 10), 0);
    EXPECT_EQ(g.TopRow(), 11);
    EXPECT_EQ(GetScrollPos(grid->hwnd(), SB_VERT), 10);
    SendMessageW(grid->hwnd(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 500), 0);
    EXPECT_EQ(g.TopRow(), grid->maxTopRow());
    SendMessageW(grid->hwnd(), WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(g.TopRow(), 1);

    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    SendMessageW(grid->hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(g.TopRow(), 1 + static_cast<int>(lines));
    SendMessageW(grid->hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA / 2)), 0);
    EXPECT_EQ(g.TopRow(), 1 + static_cast<int>(lines));  // half a notch waits for the other half

    // The headers stay; the first row under them is TopRow.
    const int top = g.TopRow();
    EXPECT_EQ(grid->cellRect(2, 0).top, 0);
    const RECT above = grid->cellRect(2, 1);
    EXPECT_TRUE(IsRectEmpty(&above));
    mouse(WM_LBUTTONDOWN, POINT{centre(2, 0).x, StringGrid::kDefaultRowHeight + 5}, MK_LBUTTON);
    mouse(WM_LBUTTONUP, POINT{centre(2, 0).x, StringGrid::kDefaultRowHeight + 5});
    EXPECT_EQ(g.Row(), top);
    EXPECT_EQ(g.TopRow(), top);  // a click in view scrolls nothing

    for (int c = 1; c < kCols; ++c) {
        g.setColWidths(c, 200);
    }
    SendMessageW(grid->hwnd(), WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(g.LeftCol(), 2);
    EXPECT_EQ(grid->cellRect(0, 0).left, 0);
    mouse(WM_LBUTTONDOWN, POINT{StringGrid::kDefaultColWidth + 5, centre(0, top).y}, MK_LBUTTON);
    mouse(WM_LBUTTONUP, POINT{StringGrid::kDefaultColWidth + 5, centre(0, top).y});
    EXPECT_EQ(g.Col(), 2);
}

TEST_F(GridControlTest, PaintingShowsHeadersSelectionGreyColumnsAndLines) {
    std::set<std::pair<int, int>> asked;
    grid->onDrawCell = [&](int c, int r) {
        asked.insert({c, r});
        return CellLook{c == 4};
    };
    g.setSelection({1, 1, 2, 2});
    const Picture p = take(grid->hwnd(), true);
    auto inside = [&](int c, int r) {
        const RECT rc = grid->cellRect(c, r);
        return p.at((rc.left + rc.right) / 2, rc.bottom - 3);  // clear of the text and the edges
    };
    EXPECT_EQ(inside(3, 0), RGB(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(inside(0, 5), RGB(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(inside(1, 1), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(inside(2, 2), GetSysColor(COLOR_WINDOW));  // the current cell is not highlighted
    EXPECT_EQ(inside(3, 3), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(inside(4, 3), GetSysColor(COLOR_BTNFACE));
    const RECT grey = grid->cellRect(4, 3);
    EXPECT_EQ(p.at(grey.left + 5, grey.bottom), GetSysColor(COLOR_BTNFACE));  // one band: no line inside
    const RECT plain = grid->cellRect(3, 3);
    EXPECT_EQ(p.at(plain.left + 5, plain.bottom), RGB(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(p.at(grid->cellRect(1, 0).right, 5), RGB(0, 0, 0));
    for (const auto& [c, r] : asked) {
        EXPECT_TRUE(c >= 1 && r >= 1) << c << "," << r;  // header cells are never grey
    }
    EXPECT_TRUE(asked.count({4, 1}) && asked.count({4, g.TopRow() + 5}));
}

TEST_F(GridControlTest, MergedCellsRunTogetherAndPendingCellsAreTintedAndMarked) {
    CellEdges edges(kCols, kRows);
    edges.setRight(1, 2, false);  // (1, 2) and (2, 2) one field
    edges.setBelow(3, 2, false);  // (3, 2) over (3, 3)
    edges.setRight(1, 6, false);  // a field inside the selection
    g.setDrawnEdges(edges);
    grid->onDrawCell = [](int c, int r) {
        const std::map<std::pair<int, int>, CellChange> pending{
            {{1, 2}, CellChange::Edit}, {{1, 3}, CellChange::Edit}, {{2, 3}, CellChange::Delete},
            {{3, 5}, CellChange::Add},  {{4, 4}, CellChange::Add},  {{2, 6}, CellChange::Edit}};
        const auto it = pending.find({c, r});
        return CellLook{c == 4, it == pending.end() ? CellChange::None : it->second};
    };
    g.setCells(1, 3, u"編集");
    g.setCells(1, 1, u"長い表題が隣の欄まで続く");
    g.setCells(1, 2, u"長い表題が隣の欄まで続く");
    g.setSelection({1, 6, 2, 7});
    const Picture p = take(grid->hwnd(), true);
    const qx::win32::GridOptions& o = grid->options();
    const COLORREF window = GetSysColor(COLOR_WINDOW), line = o.lineColor;
    auto rect = [&](int c, int r) { return grid->cellRect(c, r); };
    auto inside = [&](int c, int r) { return p.at((rect(c, r).left + rect(c, r).right) / 2, rect(c, r).bottom - 3); };
    auto corner = [&](int c, int r) { return p.at(rect(c, r).right - 2, rect(c, r).top + 1); };
    auto lineRight = [&](int c, int r) { return p.at(rect(c, r).right, rect(c, r).bottom - 2); };  // below the text
    auto midBelow = [&](int c, int r) { return p.at((rect(c, r).left + rect(c, r).right) / 2, rect(c, r).bottom); };

    auto inked = [&](int c, int r) {  // pixels of text inside a cell
        int n = 0;
        for (int y = rect(c, r).top; y < rect(c, r).bottom; ++y)
            for (int x = rect(c, r).left; x < rect(c, r).right; ++x)
                n += p.at(x, y) == GetSysColor(COLOR_WINDOWTEXT) ? 1 : 0;
        return n;
    };
    EXPECT_GT(inked(2, 2), 0);               // a long text runs on into the empty rest of its field ...
    EXPECT_EQ(inked(2, 1), 0);               // ... but not across a drawn border
    EXPECT_EQ(lineRight(1, 2), o.editTint);  // no line inside the field
    EXPECT_EQ(lineRight(1, 1), line);
    EXPECT_EQ(lineRight(2, 2), line);
    EXPECT_EQ(p.at(rect(1, 2).right, rect(1, 2).bottom), line);  // the line below the field runs through
    EXPECT_EQ(p.at(rect(1, 2).right, rect(1, 2).top - 1), line);
    EXPECT_EQ(midBelow(3, 2), window);
    EXPECT_EQ(midBelow(3, 1), line);
    EXPECT_EQ(lineRight(1, 6), GetSysColor(COLOR_HIGHLIGHT));  // the selected field is one band
    EXPECT_EQ(lineRight(1, 0), o.fixedLineColor);

    EXPECT_EQ(inside(2, 2), o.editTint);  // the tint and the mark cover the whole field
    EXPECT_EQ(corner(2, 2), o.editMark);
    EXPECT_EQ(corner(1, 2), o.editTint);
    EXPECT_EQ(inside(1, 3), o.editTint);
    EXPECT_EQ(corner(1, 3), o.editMark);
    EXPECT_EQ(inside(2, 3), o.deleteTint);
    EXPECT_EQ(corner(2, 3), o.deleteMark);
    EXPECT_EQ(inside(3, 5), o.addTint);
    EXPECT_EQ(corner(3, 5), o.addMark);
    EXPECT_EQ(inside(4, 4), GetSysColor(COLOR_BTNFACE));  // the grey column stays grey ...
    EXPECT_EQ(corner(4, 4), o.addMark);                   // ... and the mark tells the pending text
    EXPECT_EQ(inside(2, 6), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(corner(2, 6), o.editMark);
    EXPECT_EQ(inside(2, 4), window);
    EXPECT_EQ(corner(2, 4), window);
    const std::set<COLORREF> tints{o.editTint,
                                   o.deleteTint,
                                   o.addTint,
                                   window,
                                   static_cast<COLORREF>(GetSysColor(COLOR_BTNFACE)),
                                   static_cast<COLORREF>(GetSysColor(COLOR_HIGHLIGHT))};
    EXPECT_EQ(tints.size(), 6u);  // each reads apart from the others

    g.setRowCount(kRows - 1);  // another table: the map no longer applies
    EXPECT_EQ(take(grid->hwnd(), true).at(rect(1, 2).right, (rect(1, 2).top + rect(1, 2).bottom) / 2), line);
}

TEST_F(GridControlTest, RepaintWaitsForTheEndOfAnUpdate) {
    UpdateWindow(grid->hwnd());
    const Picture before = take(grid->hwnd(), true);
    g.beginUpdate();
    g.setCells(1, 1, u"途中の文字");
    g.setColWidths(1, 90);
    InvalidateRect(grid->hwnd(), nullptr, FALSE);  // the window asks to be painted anyway
    UpdateWindow(grid->hwnd());
    pump();
    const Picture during = take(grid->hwnd(), true);
    EXPECT_EQ(during.bits, before.bits);  // the last picture stands
    g.endUpdate();
    EXPECT_TRUE(pumpUntil([&] { return take(grid->hwnd(), true).bits != before.bits; }));
}

TEST_F(GridControlTest, MeasuresInTheGridFontAndScalesWithTheDpi) {
    const int kanji = g.textWidth(u"日本語");
    EXPECT_GE(kanji, 36);
    EXPECT_LE(kanji, 42);
    EXPECT_LT(g.textWidth(u"abc"), kanji);
    EXPECT_EQ(g.textWidth(u""), 0);

    grid->setScale(1.5);
    const RECT rc = grid->cellRect(3, 3);
    EXPECT_EQ(rc.right - rc.left, 60);
    EXPECT_EQ(rc.bottom - rc.top, 30);
    EXPECT_EQ(g.ColWidths(3), StringGrid::kDefaultColWidth);  // the model stays at 96 dpi
    EXPECT_EQ(g.textWidth(u"日本語"), kanji);
    click(3, 3);
    EXPECT_EQ(g.Col(), 3);
    EXPECT_EQ(g.Row(), 3);
    type(u"拡");
    RECT er;
    GetWindowRect(grid->editorHwnd(), &er);
    EXPECT_EQ(er.right - er.left, 60);
    const RECT line = grid->cellRect(1, 0);
    mouse(WM_LBUTTONDOWN, POINT{line.right, 10}, MK_LBUTTON);
    mouse(WM_MOUSEMOVE, POINT{line.right + 15, 10}, MK_LBUTTON);
    mouse(WM_LBUTTONUP, POINT{line.right + 15, 10});
    EXPECT_EQ(g.ColWidths(1), StringGrid::kDefaultColWidth + 10);  // 15 screen pixels at 1.5
}

TEST_F(GridControlTest, ScreenshotOfAJapaneseTable) {
    const char16_t* head[] = {u"", u"部品名", u"数量", u"材質", u"備考", u"図番"};
    const char16_t* rows[][5] = {{u"ボルト M12×40", u"８", u"SS400", u"", u"Ａ－１０１"},
                                 {u"六角ナット", u"16", u"S45C", u"", u"A-102"},
                                 {u"平座金", u"１６", u"SUS304", u"", u"Ａ－１０３"},
                                 {u"ｶﾞｽｹｯﾄ（半角）", u"2", u"NBR", u"", u""}};
    g.setColWidths(1, 110);
    g.setColWidths(3, 60);
    g.setColWidths(5, 80);
    for (int c = 1; c < kCols; ++c) {
        g.setCells(c, 0, head[c]);
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 5; ++c) {
            g.setCells(c + 1, r + 1, rows[r][c]);
        }
    }
    grid->onDrawCell = [](int c, int) { return CellLook{c == 4}; };
    click(3, 4);
    type(u"編集中");
    g.setSelection({1, 2, 3, 4});  // a range around the cell being edited
    UpdateWindow(host);
    pump();
    const Picture shot = take(host, false);  // the screen, with the editor on top
    const std::wstring path = screenshotPath(L"stringGrid.bmp");
    ASSERT_TRUE(writeBmp(path, shot));
    // What the screen shows: the grid's colours at known cells, its lines where
    // the columns end, the texts inked, and the editor over the edited cell.
    const qx::win32::GridOptions& o = grid->options();
    auto rect = [&](int c, int r) { return grid->cellRect(c, r); };
    auto inside = [&](int c, int r) {
        return shot.at((rect(c, r).left + rect(c, r).right) / 2, rect(c, r).bottom - 3);
    };
    auto inked = [&](int c, int r, COLORREF ink) {
        int n = 0;
        for (int y = rect(c, r).top; y < rect(c, r).bottom; ++y)
            for (int x = rect(c, r).left; x < rect(c, r).right; ++x)
                n += shot.at(x, y) == ink ? 1 : 0;
        return n;
    };
    EXPECT_EQ(inside(2, 0), o.fixedColor);
    EXPECT_EQ(inside(0, 3), o.fixedColor);
    EXPECT_EQ(inside(1, 3), GetSysColor(COLOR_HIGHLIGHT));  // inside the range
    EXPECT_EQ(inside(2, 2), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(inside(1, 1), GetSysColor(COLOR_WINDOW));   // above it
    EXPECT_EQ(inside(4, 1), GetSysColor(COLOR_BTNFACE));  // the grey column, outside the range
    EXPECT_EQ(inside(4, 8), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(shot.at(rect(5, 1).right, rect(5, 1).bottom - 3), o.lineColor);
    EXPECT_EQ(shot.at(rect(1, 0).right, rect(1, 0).bottom - 3), o.fixedLineColor);
    EXPECT_EQ(shot.at((rect(5, 2).left + rect(5, 2).right) / 2, rect(5, 2).bottom), o.lineColor);
    EXPECT_EQ(rect(2, 1).left, 41 + 111);  // after the header column and the widened first column
    EXPECT_GT(inked(1, 0, GetSysColor(COLOR_BTNTEXT)), 0);
    EXPECT_GT(inked(1, 1, GetSysColor(COLOR_WINDOWTEXT)), 0);
    EXPECT_GT(inked(1, 2, GetSysColor(COLOR_HIGHLIGHTTEXT)), 0);
    EXPECT_EQ(inked(1, 5, GetSysColor(COLOR_WINDOWTEXT)), 0);  // an empty row
    RECT editor;
    GetWindowRect(grid->editorHwnd(), &editor);
    MapWindowPoints(HWND_DESKTOP, host, reinterpret_cast<POINT*>(&editor), 2);
    EXPECT_EQ(editor.left, rect(3, 4).left);
    EXPECT_EQ(editor.right, rect(3, 4).right);
    EXPECT_EQ(inside(3, 4), GetSysColor(COLOR_WINDOW));  // the editor's, not the range's
    EXPECT_GT(inked(3, 4, GetSysColor(COLOR_WINDOWTEXT)), 0);

    key(VK_RETURN);  // closed again: the focused current cell
    key(VK_LEFT);
    UpdateWindow(host);
    ASSERT_TRUE(writeBmp(screenshotPath(L"stringGridFocus.bmp"), take(host, false)));
}

}  // namespace
