#include "testing/guiDriver.h"

#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "core/winText.h"
#include "platform/platformWin32.h"

namespace qx::test {

std::wstring iniPath() {
    const std::wstring p = win::toWide(win32::Win32ExeInfo().exePath());
    return p.substr(0, p.find_last_of(L'.')) + L".ini";
}

void removeSettings() {
    DeleteFileW(iniPath().c_str());
    DeleteFileW((exeFolder() + L"TargetCAD_APIVersion.txt").c_str());
}

// Through messages, so that controls of another process answer too, and a
// hung window does not stop the driver.
std::wstring textOf(HWND h) {
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &n))
        return {};
    std::wstring text(n + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000, &got);
    text.resize(got);
    return text;
}

std::wstring childTexts(HWND h) {
    std::wstring all;
    EnumChildWindows(
        h,
        [](HWND child, LPARAM out) {
            reinterpret_cast<std::wstring*>(out)->append(textOf(child) + L"|");
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND waitForWindow(const wchar_t* cls, const wchar_t* caption, int ms) {
    for (int waited = 0; waited < ms; waited += 20) {
        HWND h = FindWindowW(cls, caption);
        if (h && IsWindowVisible(h))
            return h;
        Sleep(20);
    }
    return nullptr;
}

void key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

void press(WORD vk, WORD modifier) {
    if (modifier)
        key(modifier, false);
    key(vk, false);
    key(vk, true);
    if (modifier)
        key(modifier, true);
}

void typeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT in[2]{};
        for (int i = 0; i < 2; ++i) {
            in[i].type = INPUT_KEYBOARD;
            in[i].ki.wScan = c;
            in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, in, sizeof in[0]);
    }
}

namespace {

void mouseInput(DWORD flags, LONG x = 0, LONG y = 0, DWORD data = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x;
    in.mi.dy = y;
    in.mi.mouseData = data;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

// Absolute coordinates run from 0 to 65535 across the primary screen.
void moveTo(POINT screen) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    mouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, MulDiv(screen.x, 65535, w - 1), MulDiv(screen.y, 65535, h - 1));
}

POINT onScreen(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

// Moves there; a press on the spot of the previous one waits until it can no
// longer make a double click.
void pointTo(POINT at) {
    static POINT last{-100000, -100000};
    static DWORD lastAt = 0;
    const DWORD since = GetTickCount() - lastAt;
    if (std::abs(at.x - last.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(at.y - last.y) <= GetSystemMetrics(SM_CYDOUBLECLK) && since <= GetDoubleClickTime())
        Sleep(GetDoubleClickTime() - since + 50);
    last = at;
    lastAt = GetTickCount();
    moveTo(at);
}

}  // namespace

void click(HWND window, POINT client, bool right, WORD modifier) {
    if (modifier)
        key(modifier, false);
    pointTo(onScreen(window, client));
    mouseInput(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    mouseInput(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    if (modifier)
        key(modifier, true);
}

void drag(HWND window, POINT from, POINT to) {
    pointTo(onScreen(window, from));
    mouseInput(MOUSEEVENTF_LEFTDOWN);
    // In steps, so that the cells passed over see the pointer.
    for (int i = 1; i <= 4; ++i)
        moveTo(onScreen(window, {from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4}));
    mouseInput(MOUSEEVENTF_LEFTUP);
}

void wheel(HWND window, POINT client, int notches) {
    moveTo(onScreen(window, client));
    mouseInput(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(notches * WHEEL_DELTA));
}

POINT centreOf(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT placeIn(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring statusText(HWND bar, int part) {
    const auto n = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, part, 0));
    std::wstring text(n + 1u, L'\0');
    SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
    text.resize(n);
    return text.substr(std::min(text.find_first_not_of(L'\t'), text.size()));
}

int firstVisibleLine(HWND edit) {
    return static_cast<int>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
}

HMENU waitForPopupMenu(int ms) {
    HWND window = waitForWindow(L"#32768", nullptr, ms);
    constexpr UINT kGetMenu = 0x01E1;  // MN_GETHMENU
    return window ? reinterpret_cast<HMENU>(SendMessageW(window, kGetMenu, 0, 0)) : nullptr;
}

int menuItemAt(HMENU menu, const std::wstring& caption) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        if (GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION) > 0 && caption == text)
            return i;
    }
    return -1;
}

bool menuItemEnabled(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    return GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) &&
           !(info.fState & (MFS_GRAYED | MFS_DISABLED));
}

void clickMenuItem(HMENU menu, int position) {
    RECT r{};
    if (!GetMenuItemRect(nullptr, menu, static_cast<UINT>(position), &r))
        return;
    pointTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    Sleep(50);  // the menu tracks the pointer before the button
    mouseInput(MOUSEEVENTF_LEFTDOWN);
    mouseInput(MOUSEEVENTF_LEFTUP);
}

bool chooseFromPopupMenu(HWND window, POINT at, const std::wstring& caption, const std::function<void()>& after) {
    std::atomic<bool> done{false};
    bool chosen = false;
    std::thread driver([&] {
        if (HMENU menu = waitForPopupMenu(5000)) {
            Sleep(100);
            const int item = menuItemAt(menu, caption);
            chosen = item >= 0 && menuItemEnabled(menu, item);
            if (chosen) {
                clickMenuItem(menu, item);
                if (after)
                    after();
            } else {
                press(VK_ESCAPE);
            }
        }
        done = true;
    });
    click(window, at, true);
    pumpUntil(GetAncestor(window, GA_ROOT), [&] { return done.load(); });
    driver.join();
    return chosen;
}

bool pumpUntil(HWND dialog, const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited <= ms; waited += 10) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;  // the main window closed; the rest still needs pumping
            if (!IsWindow(dialog) || !IsDialogMessageW(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (done())
            return true;
        Sleep(10);
    }
    return false;
}

bool closeMainWindow(HWND main, int answer) {
    std::atomic<bool> stop{false}, answered{false};
    std::thread answering([&] {
        for (int waited = 0; waited < 10000 && !stop; waited += 10) {
            if (HWND box = FindWindowW(L"#32770", L"QuadcelX")) {
                PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
                answered = true;
                return;
            }
            Sleep(10);
        }
    });
    PostMessageW(main, WM_CLOSE, 0, 0);
    pumpUntil(nullptr, [&] { return !IsWindow(main) || (answered && !FindWindowW(L"#32770", L"QuadcelX")); });
    stop = true;
    answering.join();
    return !IsWindow(main);
}

}  // namespace qx::test
