// The program's real windows under Wine: started and closed, typed into,
// clicked, with the clipboard, the candidate pop-up and the three dialogs.
// Each test saves screenshots of what it drove.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "app/programWin32.h"
#include "core/text.h"
#include "core/winOwners.h"
#include "testing/guiDriver.h"
#include "testing/screenshot.h"
#include "testing/serverProcess.h"
#include "tools/cad-standin/drawingFile.h"
#include "widgets/stringGridWin32.h"

using namespace qx;
using namespace qx::win32;

namespace {

using namespace qx::test;

// Fills a dialog's first two edit boxes.
void typeIntoBoxes(HWND dialog, const wchar_t* first, const wchar_t* second) {
    HWND edit1 = FindWindowExW(dialog, nullptr, L"EDIT", nullptr);
    HWND edit2 = FindWindowExW(dialog, edit1, L"EDIT", nullptr);
    SendMessageW(edit1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(first));
    SendMessageW(edit2, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(second));
}

std::wstring readIni(const wchar_t* section, const wchar_t* key) {
    wchar_t buf[256];
    GetPrivateProfileStringW(section, key, L"<missing>", buf, 256, iniPath().c_str());
    return buf;
}

std::u16string u16(const std::wstring& s) {
    return std::u16string(s.begin(), s.end());
}

class Gui : public testing::Test {
protected:
    // First, so that it goes last, after the program and every COM object.
    std::optional<win::ComApartment> apartment;
    void SetUp() override {
        apartment.emplace(Program::initialiseThread());
        ASSERT_TRUE(*apartment);
        removeSettings();
    }
    void TearDown() override {
        closeProgram();
        program.reset();
        apartment.reset();
    }
    void start(cad::CadConnector* cad = nullptr) {
        program = std::make_unique<Program>(cad);
        program->start();
        SetForegroundWindow(main());
        pumpUntil([&] { return IsWindowVisible(main()) != FALSE; });
        pumpFor(200);
    }
    void closeProgram() {
        if (program && IsWindow(main())) {
            qx::test::closeMainWindow(main());
        }
    }
    HWND main() const { return program->mainWindow->hwnd(); }
    HWND grid() const { return program->mainWindow->gridHwnd(); }
    VivazQDLForm& form() { return *program->form; }
    StringGrid& cells() { return form().StringGrid1; }

    bool pumpUntil(const std::function<bool()>& done, int ms = 10000) {
        return qx::test::pumpUntil(program && IsWindow(main()) ? main() : nullptr, done, ms);
    }
    void pumpFor(int ms) {
        pumpUntil([] { return false; }, ms);
    }
    // Clicks a cell of the working grid with the left button.
    void clickCell(int col, int row) {
        const RECT rc = program->mainWindow->grid().cellRect(col, row);
        click(grid(), {rc.left + 5, rc.top + 5});
        pumpUntil([&] { return cells().Col() == col && cells().Row() == row; }, 3000);
    }
    bool fromMenu(const wchar_t* caption, const std::function<void()>& after = {}) {
        return chooseFromPopupMenu(grid(), {120, 60}, caption, after);
    }
    // The parts list as a drawing in memory, fetched with the Get button.
    void getPartsList() {
        std::ifstream in(std::string(QX_SAMPLES) + "/partsList.txt", std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        drawing = cad::loadDrawing(fromUtf8(bytes.str()));
        drawing->pickAll();
        memory.registerProgId(kDefaultProgID, drawing->application());
        start(&memory);
        HWND get = FindWindowExW(main(), nullptr, L"BUTTON", L"取得");
        ASSERT_NE(get, nullptr);
        click(get, {10, 10});
        ASSERT_TRUE(pumpUntil([&] { return cells().RowCount() == 31; }));
        SetForegroundWindow(main());
        pumpFor(200);
    }

    std::unique_ptr<Program> program;
    std::unique_ptr<cad::MemDrawing> drawing;
    cad::MemConnector memory;
};

}  // namespace

TEST_F(Gui, StartsCentredWithoutSettingsAndWritesAllSevenKeysOnClose) {
    start();
    RECT r;
    GetWindowRect(main(), &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
    EXPECT_EQ(textOf(main()), L"Quadrel 2023 for AutoCAD 2021～2023");
    EXPECT_FALSE(IsWindowEnabled(FindWindowExW(main(), nullptr, L"BUTTON", L"更新 (Ctrl+Enter) ")));
    qx::test::saveWindows(L"main-start.bmp", main());
    closeProgram();
    EXPECT_EQ(readIni(L"AcadQDL", L"Left"), std::to_wstring(r.left));
    EXPECT_EQ(readIni(L"AcadQDL", L"Top"), std::to_wstring(r.top));
    EXPECT_EQ(readIni(L"AcadQDL", L"chk2"), L"0");
    EXPECT_EQ(readIni(L"AcadQDL", L"chk3"), L"0");
    EXPECT_EQ(readIni(L"AcadQDL", L"chk4"), L"0");
    EXPECT_EQ(readIni(L"AcadQDL", L"edt1"), L"0.1");
    EXPECT_EQ(readIni(L"Target", L"ProgID"), L"BricscadApp.AcadApplication");
}

TEST_F(Gui, WindowPositionAndOptionsRoundTripThroughTheIniFile) {
    WritePrivateProfileStringW(L"AcadQDL", L"Left", L"120", iniPath().c_str());
    WritePrivateProfileStringW(L"AcadQDL", L"Top", L"90", iniPath().c_str());
    WritePrivateProfileStringW(L"AcadQDL", L"chk3", L"1", iniPath().c_str());
    WritePrivateProfileStringW(L"AcadQDL", L"edt1", L"0.25", iniPath().c_str());
    start();
    RECT r;
    GetWindowRect(main(), &r);
    EXPECT_EQ(r.left, 120);
    EXPECT_EQ(r.top, 90);
    HWND down = FindWindowExW(main(), nullptr, L"BUTTON", L"Enter:[↓]");
    EXPECT_EQ(SendMessageW(down, BM_GETCHECK, 0, 0), BST_CHECKED);
    SetWindowPos(main(), nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    pumpFor(100);
    closeProgram();
    EXPECT_EQ(readIni(L"AcadQDL", L"Left"), L"200");
    EXPECT_EQ(readIni(L"AcadQDL", L"Top"), L"150");
    EXPECT_EQ(readIni(L"AcadQDL", L"chk3"), L"1");
    EXPECT_EQ(readIni(L"AcadQDL", L"edt1"), L"0.25");
}

TEST_F(Gui, TypingWithEnterMovingRightThenDown) {
    start();
    HWND right = FindWindowExW(main(), nullptr, L"BUTTON", L"Enter:[→]");
    click(right, {10, 10});
    EXPECT_TRUE(pumpUntil([&] { return SendMessageW(right, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 3000));
    EXPECT_TRUE(form().CheckBox2.Checked());
    clickCell(1, 1);
    typeText(L"ab");
    press(VK_RETURN);
    ASSERT_TRUE(pumpUntil([&] { return cells().Col() == 2; }, 5000)) << cells().Col() << "," << cells().Row();
    EXPECT_EQ(cells().Cells(1, 1), u"ab");
    EXPECT_EQ(cells().Row(), 1);

    click(FindWindowExW(main(), nullptr, L"BUTTON", L"Enter:[↓]"), {10, 10});
    EXPECT_TRUE(pumpUntil([&] { return SendMessageW(right, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }, 3000));
    EXPECT_FALSE(form().CheckBox2.Checked());
    clickCell(2, 1);  // back to the grid
    typeText(L"部品");
    press(VK_RETURN);
    ASSERT_TRUE(pumpUntil([&] { return cells().Row() == 2; }, 5000));
    EXPECT_EQ(cells().Cells(2, 1), u"部品");
    EXPECT_EQ(cells().Col(), 2);
    pumpFor(100);
    qx::test::saveWindows(L"typing.bmp", main());
}

TEST_F(Gui, CopyAndPasteThroughTheClipboardEvenWhileAnotherHolderHasItOpen) {
    start();
    cells().setCells(1, 1, u"a");
    cells().setCells(2, 1, u"品名");
    cells().setCells(1, 2, u"c");
    cells().setSelection({1, 1, 2, 2});
    SetFocus(grid());
    // Another process holds the clipboard open for a moment: the copy retries.
    const qx::win::UniqueHandle held(CreateEventW(nullptr, TRUE, FALSE, L"QuadcelXClipboardHeld"));
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const auto holder = qx::cad::com::startProcess(
        exe, L"--gtest_also_run_disabled_tests --gtest_filter=ClipboardHolder.DISABLED_HoldsItOpen");
    const qx::win::UniqueHandle& process = holder.handle;
    ASSERT_EQ(WaitForSingleObject(held.get(), 20000), WAIT_OBJECT_0);
    press('C', VK_CONTROL);
    ASSERT_TRUE(pumpUntil([&] { return !form().Memo1.Lines().empty(); }, 8000));
    EXPECT_EQ(WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
    // The copied block, then the key's log line.
    EXPECT_EQ(form().Memo1.text(), u"a\t品名\r\nc\t\r\n[Ctrl]+[C]\r\n");
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(data, nullptr);
    std::wstring text(static_cast<const wchar_t*>(GlobalLock(data)));
    GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ(text, L"a\t品名\r\nc\t\r\n");

    cells().setSelection({3, 3, 3, 3});
    press('V', VK_CONTROL);
    ASSERT_TRUE(pumpUntil([&] { return cells().Cells(4, 3) == u"品名"; }, 5000));
    EXPECT_EQ(cells().Cells(3, 3), u"a");
    EXPECT_EQ(cells().Cells(3, 4), u"c");
    qx::test::saveWindows(L"clipboard.bmp", main());
}

TEST_F(Gui, CandidatePopUpOpensAboveTheCellAndWritesTheChoice) {
    getPartsList();
    constexpr int row = 6;
    clickCell(4, row);  // 材質
    const std::u16string before = cells().Cells(4, row);
    RECT cellOnScreen{};
    std::wstring shot = qx::test::screenshotPath(L"candidates.bmp");
    HWND mainHwnd = main();
    std::thread driver([&] {
        HWND popup = waitForWindow(nullptr, L"入力候補");
        if (!popup)
            return;
        Sleep(300);
        RECT r;
        GetWindowRect(popup, &r);
        RECT m;
        GetWindowRect(mainHwnd, &m);
        UnionRect(&m, &m, &r);
        qx::test::saveScreen(m, shot);
        cellOnScreen = r;
        press(VK_DOWN);
        press(VK_RETURN);
    });
    press(VK_SPACE, VK_CONTROL);
    ASSERT_TRUE(pumpUntil([&] { return cells().Cells(4, row) != before; }, 10000));
    driver.join();
    // Sorted candidates (A5052, ABS, CAC406, ...): the second one was chosen.
    EXPECT_EQ(cells().Cells(4, row), u"ABS") << toUtf8(cells().Cells(4, row));
    // The pop-up stood just above the current cell, its left edge near the cell's.
    RECT cell = program->mainWindow->grid().cellRect(4, row);
    MapWindowPoints(grid(), nullptr, reinterpret_cast<POINT*>(&cell), 2);
    EXPECT_LE(cellOnScreen.bottom, cell.top);
    EXPECT_GE(cellOnScreen.bottom, cell.top - 24);
    EXPECT_NEAR(cellOnScreen.left, cell.left, 45);
    EXPECT_EQ(form().Memo1.Lines().back(), u"[Ctrl]+[Space]");
}

TEST_F(Gui, ReplaceDialogReplacesInTheSelection) {
    getPartsList();
    const RECT header = program->mainWindow->grid().cellRect(4, 0);
    click(grid(), {header.left + 5, header.top + 5});  // the whole column 材質
    pumpFor(100);
    std::wstring shot = qx::test::screenshotPath(L"replace.bmp");
    HWND mainHwnd = main();
    ASSERT_TRUE(fromMenu(L"置換", [&] {
        HWND dialog = waitForWindow(nullptr, L"文字列置換");
        if (!dialog)
            return;
        typeIntoBoxes(dialog, L"sus", L"SUS316-");
        Sleep(300);
        RECT a, b;
        GetWindowRect(mainHwnd, &a);
        GetWindowRect(dialog, &b);
        UnionRect(&a, &a, &b);
        qx::test::saveScreen(a, shot);
        click(FindWindowExW(dialog, nullptr, L"BUTTON", L"実行"), {10, 10});
    }));
    EXPECT_EQ(cells().Cells(4, 4), u"SUS316-304");  // ticked box: case ignored
    EXPECT_EQ(cells().Cells(4, 2), u"SS400");
    ASSERT_TRUE(fromMenu(L"UNDO ( Ctrl + Z )"));
    EXPECT_EQ(cells().Cells(4, 4), u"SUS304");
}

TEST_F(Gui, TargetDialogAddsAnEntryAndChangesTheCaption) {
    start();
    std::wstring shot = qx::test::screenshotPath(L"target.bmp");
    std::thread driver([&] {
        HWND dialog = waitForWindow(nullptr, L"ターゲット CAD");
        if (!dialog)
            return;
        typeIntoBoxes(dialog, L"図面サーバー", L"QuadcelX.DrawingServer");
        // The entry is in the list before OK; a click the dialog did not
        // take yet (it may still be settling after it showed) is made again.
        HWND list = FindWindowExW(dialog, nullptr, L"LISTBOX", nullptr);
        for (int attempt = 0; attempt < 2 && SendMessageW(list, LB_GETCOUNT, 0, 0) == 0; ++attempt) {
            typeIntoBoxes(dialog, L"図面サーバー", L"QuadcelX.DrawingServer");
            click(FindWindowExW(dialog, nullptr, L"BUTTON", L"追加"), {10, 10});
            for (int i = 0; i < 50 && SendMessageW(list, LB_GETCOUNT, 0, 0) == 0; ++i)
                Sleep(100);
        }
        Sleep(300);
        RECT r;
        GetWindowRect(dialog, &r);
        qx::test::saveScreen(r, shot);
        click(FindWindowExW(dialog, nullptr, L"BUTTON", L"OK"), {10, 10});
    });
    // The right mouse button on Get opens it.
    HWND get = FindWindowExW(main(), nullptr, L"BUTTON", L"取得");
    click(get, {5, 5}, true);
    pumpUntil([&] { return form().targetProgID == u"QuadcelX.DrawingServer"; });
    driver.join();
    EXPECT_EQ(textOf(main()), L"QuadcelX [ 図面サーバー ]");
    EXPECT_EQ(form().targetProgID, u"QuadcelX.DrawingServer");
    std::ifstream list((exeFolder() + L"TargetCAD_APIVersion.txt").c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(list)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "\x90\x7d\x96\xca\x83\x54\x81\x5b\x83\x6f\x81\x5b\tQuadcelX.DrawingServer\r\n");  // Shift-JIS
}

TEST_F(Gui, AboutBoxShowsTheVersionLine) {
    start();
    std::wstring text;
    std::wstring shot = qx::test::screenshotPath(L"about.bmp");
    ASSERT_TRUE(fromMenu(L"バージョン情報", [&] {
        HWND box = waitForWindow(L"#32770", L"QuadcelX");
        if (!box)
            return;
        text = childTexts(box);
        Sleep(200);
        RECT r;
        GetWindowRect(box, &r);
        qx::test::saveScreen(r, shot);
        press(VK_RETURN);  // the default button
    }));
    EXPECT_FALSE(IsWindow(FindWindowW(L"#32770", L"QuadcelX")));
    EXPECT_NE(text.find(L"QuadrelX.exe 2023.08.10\n"), std::wstring::npos) << toUtf8(u16(text));
    EXPECT_NE(text.find(L"OK"), std::wstring::npos);
}

// The pop-up menu shows what the form's model holds, item by item: the
// captions in order and which items can be chosen now.
TEST_F(Gui, FilledTableAndItsPopUpMenu) {
    getPartsList();
    clickCell(2, 3);
    qx::test::saveWindows(L"main-table.bmp", main());
    std::wstring shot = qx::test::screenshotPath(L"menu.bmp");
    HWND mainHwnd = main();
    std::atomic<bool> shown{false};
    std::vector<std::pair<std::u16string, bool>> items;  // caption ("" for a separator), enabled
    std::thread driver([&] {
        HMENU menuHandle = qx::test::waitForPopupMenu();
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (!menuHandle || !menu)
            return;
        for (int i = 0; i < GetMenuItemCount(menuHandle); ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(menuHandle, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            items.emplace_back(u16(text), qx::test::menuItemEnabled(menuHandle, i));
        }
        shown = true;
        Sleep(300);
        RECT a, b;
        GetWindowRect(mainHwnd, &a);
        GetWindowRect(menu, &b);
        UnionRect(&a, &a, &b);
        qx::test::saveScreen(a, shot);
        press(VK_ESCAPE);
    });
    click(grid(), {120, 60}, true);  // the right button opens it
    pumpUntil([&] { return shown && !IsWindowVisible(FindWindowW(L"#32768", nullptr)); }, 10000);
    driver.join();
    ASSERT_TRUE(shown);
    const auto& model = form().PopupMenu1;
    ASSERT_EQ(items.size(), model.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const bool separator = model[i].Caption == u"-";
        EXPECT_EQ(toUtf8(items[i].first), separator ? "" : toUtf8(model[i].Caption)) << i;
        if (!separator) {
            EXPECT_EQ(items[i].second, model[i].Enabled()) << toUtf8(model[i].Caption);
        }
    }
}

// Run by the clipboard test as a separate process.
TEST(ClipboardHolder, DISABLED_HoldsItOpen) {
    const qx::win::UniqueHandle held(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"QuadcelXClipboardHeld"));
    ASSERT_TRUE(held);
    ASSERT_TRUE(OpenClipboard(nullptr));
    SetEvent(held.get());
    Sleep(700);
    CloseClipboard();
}
