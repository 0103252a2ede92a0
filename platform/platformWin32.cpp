#include "platform/platformWin32.h"

#include <windows.h>

#include <shlobj.h>

#include <memory>
#include <vector>

#include "core/text.h"
#include "core/winOwners.h"
#include "core/winText.h"

namespace qx::win32 {

namespace {
[[noreturn]] void fail(const std::u16string& what, DWORD code = GetLastError()) {
    throw Error(what + u": " + win::systemMessage(code));
}

// Closes the clipboard however the block ends.
struct ClipboardScope {
    ClipboardScope() = default;
    ~ClipboardScope() { CloseClipboard(); }
};

}  // namespace

void Win32Clipboard::setText(const std::u16string& text) {
    if (!OpenClipboard(static_cast<HWND>(owner_))) {
        throw ClipboardBusy();
    }
    ClipboardScope scope;
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    win::GlobalMemory mem(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!mem) {
        fail(u"クリップボード用のメモリを確保できません");
    }
    {
        win::GlobalLockScope lock(mem.get());
        if (!lock.data()) {
            fail(u"クリップボード用のメモリを確保できません", GetLastError());
        }
        auto* p = static_cast<wchar_t*>(lock.data());
        std::copy(text.begin(), text.end(), p);
        p[text.size()] = 0;
    }
    if (!EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, mem.get())) {
        fail(u"クリップボードに書き込めません", GetLastError());
    }
    mem.detach();  // the clipboard owns it now
}

std::u16string Win32Clipboard::getText() {
    if (!OpenClipboard(static_cast<HWND>(owner_))) {
        fail(u"クリップボードを開けません");
    }
    ClipboardScope scope;
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    if (!h) {
        return {};
    }
    win::GlobalLockScope lock(h);
    const auto* p = static_cast<const wchar_t*>(lock.data());
    if (!p) {
        return {};
    }
    // The data need not be terminated inside its block: stop at its size.
    const SIZE_T max = GlobalSize(h) / sizeof(wchar_t);
    SIZE_T n = 0;
    while (n < max && p[n]) {
        ++n;
    }
    return win::fromWide(p, n);
}

void Win32Dialogs::showMessage(const std::u16string& text, MessageBoxKind kind) {
    const UINT icon = kind == MessageBoxKind::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    const win::KeepFocus focus;
    MessageBoxW(static_cast<HWND>(owner), win::wideView(text), L"QuadcelX", MB_OK | icon | MB_DEFBUTTON1);
}

bool Win32Dialogs::askYesNo(const std::u16string& text) {
    const win::KeepFocus focus;
    return MessageBoxW(static_cast<HWND>(owner), win::wideView(text), L"QuadcelX",
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void Win32Pump::processMessages() {
    // Commands call this once per item, ten thousand times in a pass: a look
    // at the queue 50 times a second keeps the window just as live and
    // costs the pass nothing against its automation calls.
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    if (lastPass_ != 0 && now.QuadPart - lastPass_ < frequency.QuadPart / 50) {
        return;
    }
    lastPass_ = now.QuadPart;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
            return;
        }
        if (takes && takes(msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::uint32_t Win32Clock::tickCount() {
    return GetTickCount();
}
void Win32Clock::sleep(std::uint32_t ms) {
    Sleep(ms);
}

std::u16string Win32Profile::readString(const std::u16string& file, const std::u16string& section,
                                        const std::u16string& key, const std::u16string& def) {
    std::vector<wchar_t> buf(256);
    for (;;) {
        const DWORD n = GetPrivateProfileStringW(win::wideView(section), win::wideView(key), win::wideView(def),
                                                 buf.data(), static_cast<DWORD>(buf.size()), win::wideView(file));
        if (n + 1 < buf.size()) {
            return std::u16string(buf.data(), buf.data() + n);
        }
        buf.resize(buf.size() * 4);  // the value was cut: read it again with room
    }
}

void Win32Profile::writeString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                               const std::u16string& value) {
    if (!WritePrivateProfileStringW(win::wideView(section), win::wideView(key), win::wideView(value),
                                    win::wideView(file))) {
        fail(u"設定ファイルに書き込めません " + file);
    }
}

std::u16string Win32ExeInfo::exePath() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) {
            fail(u"実行ファイルの場所が分かりません");
        }
        if (n < buf.size()) {
            return std::u16string(buf.data(), buf.data() + n);
        }
        buf.resize(buf.size() * 2);
    }
}

std::u16string Win32ExeInfo::exeFolder() {
    const std::u16string p = exePath();
    return p.substr(0, p.find_last_of(u"\\/") + 1);
}

bool Win32Folders::canWrite(const std::u16string& folder) {
    // The folder's attributes and ACLs say too little (a read-only medium, a
    // share): only making a file tells. It goes again when closed.
    const std::u16string probe = folder + u"QuadcelX-" + decimalText(GetCurrentProcessId()) + u".tmp";
    win::UniqueHandle f(CreateFileW(win::wideView(probe), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return static_cast<bool>(f);
}

std::u16string Win32Folders::appDataFolder() {
    wchar_t path[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return {};
    }
    std::u16string folder = win::fromWide(path, wcslen(path));
    if (!folder.empty() && folder.back() != u'\\') {
        folder += u'\\';
    }
    return folder;
}

bool Win32Folders::makeFolder(const std::u16string& folder) {
    const int rc = SHCreateDirectoryExW(nullptr, win::wideView(folder), nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS || rc == ERROR_FILE_EXISTS;
}

ScreenSize Win32Screen::primarySize() {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

static HWND toHwnd(std::uint64_t h) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(h));
}

bool Win32WindowManager::isIconic(std::uint64_t hwnd) {
    return IsIconic(toHwnd(hwnd)) != 0;
}
void Win32WindowManager::openIcon(std::uint64_t hwnd) {
    OpenIcon(toHwnd(hwnd));
}
void Win32WindowManager::setForegroundWindow(std::uint64_t hwnd) {
    SetForegroundWindow(toHwnd(hwnd));
}
std::uint64_t Win32WindowManager::foregroundWindow() {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(GetForegroundWindow()));
}
void Win32WindowManager::keybdEvent(std::uint8_t vk, std::uint32_t flags) {
    keybd_event(vk, 0, flags, 0);
}

bool Win32FileSystem::exists(const std::u16string& path) {
    const DWORD a = GetFileAttributesW(win::wideView(path));
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Win32FileSystem::readAll(const std::u16string& path) {
    win::UniqueHandle f(CreateFileW(win::wideView(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) {
        fail(u"ファイルを開けません " + path);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart > (64LL << 20)) {
        throw Error(u"ファイルが大きすぎます " + path);
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size())) {
        fail(u"ファイルを読めません " + path);
    }
    return bytes;
}

void Win32FileSystem::writeAll(const std::u16string& path, const std::string& bytes) {
    // Write beside the file, then replace it, so a failed write leaves the old content.
    const std::u16string tmp = path + u".tmp";
    {
        win::UniqueHandle f(
            CreateFileW(win::wideView(tmp), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!f) {
            fail(u"ファイルに書き込めません " + path);
        }
        DWORD put = 0;
        if (!bytes.empty() && (!WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) ||
                               put != bytes.size())) {
            const DWORD e = GetLastError();
            f.reset();  // closed before the file can be deleted
            DeleteFileW(win::wideView(tmp));
            fail(u"ファイルに書き込めません " + path, e);
        }
    }
    if (!MoveFileExW(win::wideView(tmp), win::wideView(path), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD e = GetLastError();
        DeleteFileW(win::wideView(tmp));
        fail(u"ファイルに書き込めません " + path, e);
    }
}

}  // namespace qx::win32
