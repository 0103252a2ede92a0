// Every caption of the main window and its dialogs fits its control at 96,
// 120, 144 and 192 dpi. Wine reads the display's dpi once, when a process
// starts: each dpi runs in a child process of this test program, started
// after the prefix's LogPixels values were set (and put back afterwards).
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "core/text.h"
#include "core/winText.h"
#include "editor/gridEditing.h"
#include "sampleInWindow.h"
#include "testing/screenshot.h"

using namespace qx;
using namespace qx::test;

namespace {

constexpr wchar_t kDpiVariable[] = L"QX_CAPTION_FIT_DPI";

int textWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

std::wstring className(HWND h) {
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return name;
}

std::wstring listItem(HWND list, int i) {
    std::wstring s(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    s.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(s.data()))));
    return s;
}

std::wstring withoutTabs(std::wstring s) {
    std::erase(s, L'\t');
    return s;
}

// What each visible control of `window` cuts off its text: a line per control
// whose text needs more room than the control shows, or that sticks out of
// the window. The room is the client width, less what a later control
// covers (its window region), and the chrome is what the control draws
// beside its text. Edit boxes count when they show what the program put
// there (an entry of the target list), not what the user types.
std::vector<std::string> clippedCaptions(HWND window, bool editsToo = true) {
    struct Search {
        HWND window;
        bool edits;
        std::vector<std::string> found;
    } search{window, editsToo, {}};
    EnumChildWindows(
        window,
        [](HWND h, LPARAM lp) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lp);
            if (!IsWindowVisible(h))
                return TRUE;
            const int dpi = static_cast<int>(GetDpiForWindow(h));
            auto px = [dpi](int at96) { return MulDiv(at96, dpi, 96); };
            const std::wstring cls = className(h), text = textOf(h);
            RECT client;
            GetClientRect(h, &client);
            int room = client.right;
            RECT box;
            if (GetWindowRgnBox(h, &box) != ERROR)
                room = std::min<int>(room, box.right);
            const HDC dc = GetDC(h);
            const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(h, WM_GETFONT, 0, 0)));
            auto check = [&](const std::wstring& what, int need, int has) {
                if (need > has)
                    s.found.push_back(toUtf8(win::fromWide(cls + L" \"" + what + L"\"")) + ": needs " +
                                      std::to_string(need) + ", has " + std::to_string(has));
            };
            const auto style = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE));
            if (cls == L"Button" || cls == L"BUTTON") {
                const DWORD kind = style & BS_TYPEMASK;
                if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON) {
                    INT zero = 0;
                    GetCharWidth32W(dc, L'0', L'0', &zero);
                    check(text, textWidth(dc, text) + px(12) + 1 + zero / 2 + 1, room);
                } else if (kind != BS_GROUPBOX) {
                    check(text, textWidth(dc, text) + px(8), room);
                }
            } else if ((cls == L"Static" || cls == L"STATIC") && !text.empty()) {
                std::wistringstream lines(text);
                for (std::wstring line; std::getline(lines, line);)
                    check(line, textWidth(dc, line), room);
            } else if ((cls == L"Edit" || cls == L"EDIT") && !(style & ES_MULTILINE) && s.edits) {
                RECT format{};
                SendMessageW(h, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
                check(text, textWidth(dc, text), format.right - format.left);
            } else if (cls == L"ListBox" || cls == L"LISTBOX") {
                // A name and, after a tab, its identifier: both with a gap between.
                const int gap = textWidth(dc, L"  ");
                for (int i = 0; i < static_cast<int>(SendMessageW(h, LB_GETCOUNT, 0, 0)); ++i) {
                    const std::wstring item = listItem(h, i);
                    const auto tab = item.find(L'\t');
                    const int need = tab == std::wstring::npos ? textWidth(dc, item)
                                                               : textWidth(dc, item.substr(0, tab)) + gap +
                                                                     textWidth(dc, item.substr(tab + 1));
                    check(withoutTabs(item), need, room);
                }
            } else if (cls == STATUSCLASSNAMEW) {
                for (int i = 0; i < static_cast<int>(SendMessageW(h, SB_GETPARTS, 0, 0)); ++i) {
                    RECT part{};
                    SendMessageW(h, SB_GETRECT, i, reinterpret_cast<LPARAM>(&part));
                    const std::wstring shown = withoutTabs(statusText(h, i));
                    check(shown, textWidth(dc, shown) + px(6), part.right - part.left);
                }
            }
            SelectObject(dc, old);
            ReleaseDC(h, dc);
            if (GetParent(h) == s.window) {
                RECT outer;
                RECT area;
                GetClientRect(s.window, &area);
                GetWindowRect(h, &outer);
                MapWindowPoints(nullptr, s.window, reinterpret_cast<POINT*>(&outer), 2);
                check(text + L" (in the window)", outer.right, area.right);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines)
        all += l + "\n";
    return all;
}

// The client area only: without a window manager the title bar is not drawn.
void shootClient(HWND window, const std::wstring& name) {
    Sleep(300);
    RECT r;
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    saveScreen(r, screenshotPath(name));
}

// The measuring half: the program in this process, at the dpi that Wine gave it.
class CaptionFitChild : public SampleInWindow {
protected:
    void SetUp() override {
        wchar_t value[16] = {};
        if (!GetEnvironmentVariableW(kDpiVariable, value, 16))
            GTEST_SKIP() << "started by CaptionFit";
        dpi = _wtoi(value);
        // As the program's manifest declares it.
        SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        open("partsListStacked.txt", 6, 10);
        // The shipped target list, so that the dialog shows its entries.
        std::ifstream shipped(std::string(QX_SAMPLES) + "/../packaging/TargetCAD_APIVersion.txt", std::ios::binary);
        std::ofstream((exeFolder() + L"TargetCAD_APIVersion.txt").c_str(), std::ios::binary) << shipped.rdbuf();
    }
    void TearDown() override {
        SampleInWindow::TearDown();
        DeleteFileW((exeFolder() + L"TargetCAD_APIVersion.txt").c_str());
    }
    void shoot(HWND window, const wchar_t* name) {
        if (dpi == 96 || dpi == 144)
            shootClient(window, L"fit-" + std::to_wstring(dpi) + L"-" + name + L".bmp");
    }
    // A pop-up that `open` shows, over the main window's client area; closed with Esc.
    void shootPopUp(const wchar_t* cls, const wchar_t* caption, const wchar_t* name,
                    const std::function<void()>& open) {
        const HWND mainHwnd = main();
        std::thread shot([&] {
            if (HWND popup = waitForWindow(cls, caption)) {
                Sleep(300);
                RECT a, b;
                GetClientRect(mainHwnd, &a);
                MapWindowPoints(mainHwnd, nullptr, reinterpret_cast<POINT*>(&a), 2);
                GetWindowRect(popup, &b);
                UnionRect(&a, &a, &b);
                saveScreen(a, screenshotPath(L"fit-144-" + std::wstring(name) + L".bmp"));
                press(VK_ESCAPE);
            }
        });
        open();
        pump([&] { return !IsWindowVisible(FindWindowW(cls, caption)); }, 5000);
        shot.join();
    }
    // Opens a dialog from the grid's pop-up menu, measures it and closes it.
    void measureDialog(const wchar_t* item, const wchar_t* caption, const wchar_t* close, const wchar_t* shot,
                       bool editsToo, const std::function<void(HWND)>& before = {}) {
        std::vector<std::string> clipped;
        bool seen = false;
        ASSERT_TRUE(chooseFromPopupMenu(grid(), {60, 30}, item, [&] {
            HWND dialog = waitForWindow(nullptr, caption);
            if (!dialog)
                return;
            seen = true;
            if (before)
                before(dialog);
            Sleep(200);
            clipped = clippedCaptions(dialog, editsToo);
            shoot(dialog, shot);
            click(FindWindowExW(dialog, nullptr, L"BUTTON", close), {10, 10});
        }));
        ASSERT_TRUE(pump([&] { return !IsWindowVisible(FindWindowW(nullptr, caption)); }));
        EXPECT_TRUE(seen) << toUtf8(win::fromWide(caption));
        EXPECT_TRUE(clipped.empty()) << toUtf8(win::fromWide(caption)) << " at " << dpi << " dpi:\n" << joined(clipped);
    }
    int dpi = 96;
};

TEST_F(CaptionFitChild, EveryCaptionFits) {
    ASSERT_EQ(static_cast<int>(GetDpiForWindow(main())), dpi);
    // The widest object ID the status bar shows.
    program->form->StatusBar1.setPanelText(0, idPanelText(-1));
    pump([] { return false; }, 300);
    const auto clipped = clippedCaptions(main());
    EXPECT_TRUE(clipped.empty()) << "main window at " << dpi << " dpi:\n" << joined(clipped);
    const RECT name = program->mainWindow->grid().cellRect(2, 3);
    click(grid(), {name.left + 5, name.top + 5});
    pump([] { return false; }, 300);
    shoot(main(), L"main");
    // The operator's CAD chosen in the list, as the guide shows it.
    measureDialog(L"ターゲット CAD", L"ターゲット CAD", L"取り消し", L"target", true, [](HWND dialog) {
        HWND list = FindWindowExW(dialog, nullptr, L"LISTBOX", nullptr);
        const int item = static_cast<int>(
            SendMessageW(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"AutoCAD 2022")));
        RECT r{};
        SendMessageW(list, LB_GETITEMRECT, item, reinterpret_cast<LPARAM>(&r));
        click(list, {r.left + 4, (r.top + r.bottom) / 2});
    });
    measureDialog(L"置換", L"文字列置換", L"取り消し", L"replace", false);

    // The pop-up menu over the table, and the table after an Update, for the guide.
    if (dpi == 144) {
        shootPopUp(L"#32768", nullptr, L"menu", [&] { click(grid(), {120, 60}, true); });
        // The candidates of the column 材質 over the cell.
        const RECT material = program->mainWindow->grid().cellRect(3, 4);
        click(grid(), {material.left + 5, material.top + 5});
        pump([] { return false; }, 300);
        shootPopUp(nullptr, L"入力候補", L"candidates", [] { press(VK_SPACE, VK_CONTROL); });
        for (int c = 1; c < cells().ColCount(); ++c)
            for (int r = 1; r < cells().RowCount(); ++r)
                if (cells().Cells(c, r) == u"SS400")
                    cells().setCells(c, r, u"S45C");
        PostMessageW(FindWindowExW(main(), nullptr, L"BUTTON", L"更新 (Ctrl+Enter) "), BM_CLICK, 0, 0);
        pump([&] {
            return !program->form->Memo1.Lines().empty() &&
                   program->form->Memo1.Lines().back().rfind(u"[更新]", 0) == 0;
        });
        SetForegroundWindow(main());
        shoot(main(), L"updated");
    }

    // A first start: the default target is not running, the operator's AutoCAD is.
    memory.registerProgId(kDefaultProgID);
    memory.registerProgId(u"AutoCAD.Application.24.1", drawing->application());
    std::wstring asked;
    std::thread user([&] {
        if (HWND box = waitForWindow(L"#32770", L"QuadcelX")) {
            asked = childTexts(box);
            shoot(box, L"switch");
            PostMessageW(box, WM_COMMAND, IDNO, 0);
        }
    });
    PostMessageW(FindWindowExW(main(), nullptr, L"BUTTON", L"取得"), BM_CLICK, 0, 0);
    pump([&] { return !asked.empty() && !FindWindowW(L"#32770", L"QuadcelX"); });
    user.join();
    EXPECT_NE(asked.find(L"「AutoCAD 2022」（AutoCAD.Application.24.1）が起動しています"), std::wstring::npos)
        << toUtf8(win::fromWide(asked));
}

// The title block of the guide at 144 dpi: merged fields, two changes waiting for the Update.
class GuideTitleBlock : public SampleInWindow {};

TEST_F(GuideTitleBlock, WithChangesWaiting) {
    wchar_t value[16] = {};
    if (!GetEnvironmentVariableW(kDpiVariable, value, 16) || _wtoi(value) != 144)
        GTEST_SKIP() << "taken at 144 dpi by CaptionFit";
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    open("titleBlockMerged.txt", 8, 6);
    // A new drawing number: the cell waits for the Update, tinted.
    for (int c = 1; c < cells().ColCount(); ++c)
        for (int r = 1; r < cells().RowCount(); ++r)
            if (cells().Cells(c, r) == u"A1-2300")
                cells().setCells(c, r, u"A1-2301");
    const RECT designer = cell(2, 4);  // away from 取得, whose tip would cover the table
    click(grid(), {designer.left + 5, designer.top + 5});
    pump([] { return false; }, 300);
    shootClient(main(), L"fit-144-title.bmp");
}

// The dpi values of the prefix: the user's and the machine's (Wine reads both).
class LogPixels {
public:
    explicit LogPixels(DWORD dpi) {
        for (auto& k : keys_) {
            HKEY key = nullptr;
            if (RegCreateKeyExW(k.root, k.path, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) !=
                ERROR_SUCCESS)
                continue;
            DWORD size = sizeof k.old;
            k.had = RegQueryValueExW(key, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&k.old), &size) ==
                    ERROR_SUCCESS;
            RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
            RegCloseKey(key);
        }
    }
    ~LogPixels() {
        for (auto& k : keys_) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(k.root, k.path, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
                continue;
            if (k.had)
                RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&k.old), sizeof k.old);
            else
                RegDeleteValueW(key, L"LogPixels");
            RegCloseKey(key);
        }
    }

private:
    struct Key {
        HKEY root;
        const wchar_t* path;
        DWORD old = 0;
        bool had = false;
    } keys_[2] = {{HKEY_CURRENT_USER, L"Control Panel\\Desktop"},
                  {HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"}};
};

// Runs this test program's measuring half in a process of its own; its output.
std::string runChild(int dpi, DWORD& exitCode) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring log = exeFolder() + L"caption-fit-" + std::to_wstring(dpi) + L".log";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=CaptionFitChild.*:GuideTitleBlock.*";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out;
    PROCESS_INFORMATION pi{};
    SetEnvironmentVariableW(kDpiVariable, std::to_wstring(dpi).c_str());
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableW(kDpiVariable, nullptr);
    CloseHandle(out);
    exitCode = 1;
    if (!started)
        return "the child process did not start";
    // A child that hangs is a failure to see, not a test run that never ends.
    if (WaitForSingleObject(pi.hProcess, 300000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 3);
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    std::ifstream in(log.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class CaptionFit : public testing::TestWithParam<int> {};

TEST_P(CaptionFit, NothingClipped) {
    DWORD exitCode = 0;
    std::string output;
    {
        const LogPixels setting(static_cast<DWORD>(GetParam()));
        output = runChild(GetParam(), exitCode);
    }
    EXPECT_EQ(exitCode, 0u) << output;
    EXPECT_NE(output.find("[  PASSED  ]"), std::string::npos) << output;
    EXPECT_EQ(output.find("[  FAILED  ]"), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(Dpi, CaptionFit, testing::Values(96, 120, 144, 192));

}  // namespace
