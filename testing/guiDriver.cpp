#include "testing/guiDriver.h"

#include <atomic>
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
