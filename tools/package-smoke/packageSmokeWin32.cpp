// The package's smoke test: the QuadrelX.exe unzipped from the package is run
// as a separate process and driven from here only through its windows, as a
// user drives it: first start with the shipped target list, choosing the
// drawing server in the target dialog, Get, typing into a cell, Update, and a
// start with the settings the program wrote. Checks the version resource and
// the icon of the file, the caption, the list written back, the settings file
// beside the executable and the drawing itself.
//
//   qx-package-smoke APP-FOLDER DRAWING OUTPUT-FOLDER VERSION
#include <objbase.h>
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/winOwners.h"
#include "core/winText.h"
#include "testing/guiDriver.h"
#include "testing/screenshot.h"
#include "testing/serverProcess.h"

namespace {

using qx::cad::Variant;
using qx::cad::com::DrawingServerProcess;
using qx::test::textOf;
using qx::win::fromWide;
using qx::win::UniqueHandle;

const wchar_t kServerName[] = L"図面サーバー (試験用)";
const wchar_t kServerProgId[] = L"QuadcelX.DrawingServer";
const wchar_t kServerClsid[] = L"{5C1A0D1E-7F53-4C1B-9E0A-51D2A7C30B61}";
const wchar_t kTyped[] = L"スモーク試験ボルト";

std::string utf8(const std::wstring& w) {
    return qx::toUtf8(fromWide(w));
}

void say(const std::wstring& line) {
    const std::string s = "   " + utf8(line) + "\n";
    std::fwrite(s.data(), 1, s.size(), stdout);
    std::fflush(stdout);
}

void check(bool ok, const std::wstring& what) {
    if (!ok)
        throw std::runtime_error(utf8(what));
}

bool waitFor(const std::function<bool()>& done, int ms = 20000) {
    for (int waited = 0; waited <= ms; waited += 50) {
        if (done())
            return true;
        Sleep(50);
    }
    return false;
}

std::wstring classOf(HWND h) {
    wchar_t name[256];
    const int n = GetClassNameW(h, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

bool sameClass(HWND h, const wchar_t* cls) {
    return lstrcmpiW(classOf(h).c_str(), cls) == 0;
}

// A visible top-level window of the process for which `match` holds.
HWND topWindow(DWORD pid, const std::function<bool(HWND)>& match) {
    struct Search {
        DWORD pid;
        const std::function<bool(HWND)>* match;
        HWND found;
    } s{pid, &match, nullptr};
    EnumWindows(
        [](HWND h, LPARAM p) {
            auto& s = *reinterpret_cast<Search*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner == s.pid && IsWindowVisible(h) && (*s.match)(h)) {
                s.found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The window's descendants of a class, in creation order.
std::vector<HWND> children(HWND parent, const wchar_t* cls) {
    struct Search {
        const wchar_t* cls;
        std::vector<HWND> found;
    } s{cls, {}};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM p) {
            auto& s = *reinterpret_cast<Search*>(p);
            if (sameClass(h, s.cls))
                s.found.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND button(HWND parent, const std::wstring& captionStart) {
    for (HWND b : children(parent, L"Button")) {
        if (textOf(b).rfind(captionStart, 0) == 0)
            return b;
    }
    check(false, L"no button " + captionStart);
    return nullptr;
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::size_t count(const std::string& haystack, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + needle.size()))
        ++n;
    return n;
}

std::vector<std::string> crlfLines(const std::string& text, std::size_t from) {
    std::vector<std::string> lines;
    for (std::size_t at = from; at < text.size();) {
        const auto end = text.find("\r\n", at);
        check(end != std::string::npos, L"a line of the target list does not end in CR LF");
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// The file's version resource: numbers, and both string blocks.
void checkVersion(const std::wstring& exe, const std::wstring& name, const std::wstring& version) {
    DWORD ignored = 0, size = 0, error = 0;
    // Once, a first call in a prefix still settling failed; a missing resource fails every time.
    for (int attempt = 0; attempt < 10 && size == 0; ++attempt) {
        if (attempt > 0)
            Sleep(500);
        size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
        error = size ? 0 : GetLastError();
        if (error)
            say(L"GetFileVersionInfoSizeW failed with error " + std::to_wstring(error));
    }
    check(size > 0, name + L" has no version resource (error " + std::to_wstring(error) + L")");
    std::vector<BYTE> data(size);
    check(GetFileVersionInfoW(exe.c_str(), 0, size, data.data()) != FALSE, L"the version resource cannot be read");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    check(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len) && fixed,
          L"no fixed version information");
    wchar_t numbers[64];
    swprintf(numbers, 64, L"%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
             HIWORD(fixed->dwFileVersionLS));
    check(numbers == version, L"file version " + std::wstring(numbers) + L", expected " + version);
    check(fixed->dwProductVersionMS == fixed->dwFileVersionMS && fixed->dwProductVersionLS == fixed->dwFileVersionLS,
          L"product and file versions differ");
    for (const wchar_t* block : {L"041104B0", L"040904B0"}) {
        auto value = [&](const wchar_t* name) {
            wchar_t* text = nullptr;
            UINT chars = 0;
            const std::wstring path = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + name;
            if (!VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&text), &chars) || !text)
                return std::wstring();
            return std::wstring(text, chars > 0 && text[chars - 1] == 0 ? chars - 1 : chars);
        };
        check(value(L"ProductVersion") == version, std::wstring(L"ProductVersion in ") + block);
        check(value(L"ProductName") == L"QuadcelX", std::wstring(L"ProductName in ") + block);
        check(value(L"OriginalFilename") == name, std::wstring(L"OriginalFilename in ") + block);
        const std::wstring description = value(L"FileDescription");
        say(std::wstring(block) + L" FileDescription: " + description);
        const bool japanese = std::any_of(description.begin(), description.end(), [](wchar_t c) { return c > 0x3000; });
        check(japanese == (std::wstring(block) == L"041104B0"),
              std::wstring(L"FileDescription's language in ") + block);
    }
}

// Icon group 1 of the file holds the four sizes.
void checkIcon(const std::wstring& exe) {
#pragma pack(push, 2)
    struct Entry {
        BYTE width, height, colours, reserved;
        WORD planes, bits;
        DWORD bytes;
        WORD id;
    };
    struct Directory {
        WORD reserved, type, count;
        Entry entries[1];
    };
#pragma pack(pop)
    std::set<int> sizes;
    {
        qx::win::UniqueModule file(LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        check(static_cast<bool>(file), L"QuadrelX.exe cannot be loaded as a resource file");
        if (HRSRC group = FindResourceW(file.get(), MAKEINTRESOURCEW(1), RT_GROUP_ICON)) {
            const auto* dir = static_cast<const Directory*>(LockResource(LoadResource(file.get(), group)));
            for (WORD i = 0; dir && i < dir->count; ++i)
                sizes.insert(dir->entries[i].width == 0 ? 256 : dir->entries[i].width);
        }
    }
    check(sizes == std::set<int>{16, 32, 48, 256}, L"icon 1 does not hold 16, 32, 48 and 256 pixels");
    qx::win::UniqueIcon large, small;
    check(ExtractIconExW(exe.c_str(), 0, large.out(), small.out(), 1) > 0 && large && small,
          L"the shell finds no icon");
}

// Pixels of the icon's amber cell (#FFB000) in the left part of the window's
// title bar: the small icon is drawn there.
int iconPixelsInCaption(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    const int height = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
    const auto picture = qx::test::captureScreen(RECT{r.left, r.top, r.left + 64, r.top + height});
    return static_cast<int>(std::count_if(picture.bits.begin(), picture.bits.end(), [](std::uint32_t px) {
        const int red = (px >> 16) & 0xFF, green = (px >> 8) & 0xFF, blue = px & 0xFF;
        return red > 240 && green > 160 && green < 192 && blue < 24;
    }));
}

bool userClassesKey(const std::wstring& path) {
    qx::win::UniqueKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + path).c_str(), 0, KEY_READ, key.out()) ==
           ERROR_SUCCESS;
}

// QuadrelX.exe /unregister, answered as a user answers its message box: the
// message's text, and the program's exit code once OK is pressed.
std::pair<std::wstring, DWORD> unregister(const std::wstring& folder) {
    const auto started = qx::cad::com::startProcess(folder + L"\\QuadrelX.exe", L"/unregister", folder);
    const UniqueHandle& process = started.handle;
    HWND box = nullptr;
    const bool shown = waitFor([&] { return (box = topWindow(started.id, [](HWND) { return true; })) != nullptr; });
    if (!shown)
        TerminateProcess(process.get(), 99);
    check(shown, L"/unregister showed no message");
    Sleep(300);
    std::wstring text;
    for (HWND c : children(box, L"Static"))
        text += textOf(c);
    check(children(box, L"QuadcelXGrid").empty(), L"/unregister showed the main window");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    check(WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0, L"/unregister did not end after OK");
    DWORD rc = 99;
    GetExitCodeProcess(process.get(), &rc);
    return {text, rc};
}

// QuadrelX.exe from the package folder, in a process of its own.
class App {
public:
    explicit App(const std::wstring& folder) {
        auto started = qx::cad::com::startProcess(folder + L"\\QuadrelX.exe", L"", folder);
        process_ = std::move(started.handle);
        pid_ = started.id;
        check(waitFor([&] { return (main_ = findMain()) != nullptr; }), L"the main window did not appear");
        // The window shows; give it a moment to paint before anything is looked at.
        Sleep(1500);
    }
    ~App() {
        if (process_ && WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) {
            PostMessageW(main_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0)
                TerminateProcess(process_.get(), 99);
        }
    }
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    HWND main() const { return main_; }
    DWORD pid() const { return pid_; }
    std::wstring caption() const { return textOf(main_); }
    // The log: the main window's read-only multi-line edit box (the grid's
    // in-place editor is multi-line too, but writable).
    std::wstring log() const {
        for (HWND e : children(main_, L"Edit"))
            if ((GetWindowLongPtrW(e, GWL_STYLE) & (ES_MULTILINE | ES_READONLY)) == (ES_MULTILINE | ES_READONLY))
                return textOf(e);
        return {};
    }
    bool logHas(const std::wstring& text) const { return log().find(text) != std::wstring::npos; }
    HWND grid() const {
        auto g = children(main_, L"QuadcelXGrid");
        check(!g.empty(), L"no grid control");
        return g.front();
    }
    // Closes the window as the user does and waits for the program to end.
    void close() {
        PostMessageW(main_, WM_CLOSE, 0, 0);
        check(WaitForSingleObject(process_.get(), 20000) == WAIT_OBJECT_0, L"QuadrelX.exe did not end after closing");
        DWORD rc = 1;
        GetExitCodeProcess(process_.get(), &rc);
        process_.reset();
        check(rc == 0, L"QuadrelX.exe ended with exit code " + std::to_wstring(rc));
    }

private:
    HWND findMain() const {
        return topWindow(pid_, [](HWND h) {
            for (HWND b : children(h, L"Button"))
                if (textOf(b) == L"取得")
                    return true;
            return false;
        });
    }
    UniqueHandle process_;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

// Keys posted to the grid control itself: they reach it whichever window is in
// front, and they come in the order posted, before a button click posted later.
void postKey(HWND grid, WORD vk) {
    PostMessageW(grid, WM_KEYDOWN, vk, 1);
    PostMessageW(grid, WM_KEYUP, vk, 0xC0000001);
}

void postText(HWND grid, const std::wstring& text) {
    for (wchar_t c : text)
        PostMessageW(grid, WM_CHAR, c, 1);
}

class Smoke {
public:
    Smoke(std::wstring folder, std::wstring drawing, std::wstring out, std::wstring version)
        : folder_(std::move(folder)),
          drawing_(std::move(drawing)),
          out_(std::move(out)),
          version_(std::move(version)) {}

    void run() {
        const std::wstring exe = folder_ + L"\\QuadrelX.exe", ini = folder_ + L"\\QuadrelX.ini",
                           list = folder_ + L"\\TargetCAD_APIVersion.txt";
        const std::string shippedList = readFile(list);

        step(L"the files: version resources and icon", [&] {
            checkVersion(exe, L"QuadrelX.exe", version_);
            checkVersion(folder_ + L"\\QuadcelXFast.dll", L"QuadcelXFast.dll", version_);
            checkIcon(exe);
        });

        step(L"first start: caption from the shipped target list", [&] {
            check(GetFileAttributesW(ini.c_str()) == INVALID_FILE_ATTRIBUTES, L"a settings file is there already");
            App app(folder_);
            say(L"caption: " + app.caption());
            check(app.caption() == L"QuadcelX [ BricsCAD ]", L"the caption is not the shipped list's BricsCAD");
            shotWindow(app.main(), L"smoke-1-first-start.bmp");
            shotScreen(L"smoke-1-desktop.bmp");
            // Wine answers WM_GETICON only inside the window's own process, so
            // the title bar that the virtual desktop draws is looked at instead.
            const int amber = iconPixelsInCaption(app.main());
            say(L"title bar: " + std::to_wstring(amber) + L" pixels of the icon's amber cell");
            check(amber > 0, L"the title bar does not show the icon");
            app.close();
            checkSettings(ini, L"BricscadApp.AcadApplication");
        });

        auto server = std::make_unique<DrawingServerProcess>(DrawingServerProcess::defaultExe(), drawing_,
                                                             kServerProgId, kServerClsid);
        // No one sits at the drawing server's window: its pick is scripted.
        server->application().call(u"QxPickAll");

        {
            App app(folder_);
            step(L"target dialog: add the drawing server and choose it", [&] {
                HWND get = button(app.main(), L"取得");
                // Only the right mouse button on 取得 opens the dialog.
                PostMessageW(get, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
                PostMessageW(get, WM_RBUTTONUP, 0, MAKELPARAM(4, 4));
                HWND dialog = nullptr;
                check(waitFor([&] {
                          return (dialog = topWindow(app.pid(),
                                                     [](HWND h) { return textOf(h) == L"ターゲット CAD"; })) != nullptr;
                      }),
                      L"the target dialog did not open");
                Sleep(500);
                HWND listBox = children(dialog, L"ListBox").at(0);
                const auto entries = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
                const auto selected = SendMessageW(listBox, LB_GETCURSEL, 0, 0);
                std::wstring entry(SendMessageW(listBox, LB_GETTEXTLEN, selected, 0) + 1, L'\0');
                entry.resize(SendMessageW(listBox, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(entry.data())));
                say(L"list: " + std::to_wstring(entries) + L" entries, selected " + entry);
                check(entries == 7 && entry == L"BricsCAD\tBricscadApp.AcadApplication",
                      L"the dialog does not show the shipped list with BricsCAD selected");
                shotWindow(dialog, L"smoke-2-target-shipped.bmp");
                auto edits = children(dialog, L"Edit");
                check(edits.size() == 2, L"the dialog has not two edit boxes");
                SendMessageW(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kServerName));
                SendMessageW(edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kServerProgId));
                SendMessageW(button(dialog, L"追加"), BM_CLICK, 0, 0);
                check(SendMessageW(listBox, LB_GETCOUNT, 0, 0) == 8, L"追加 did not add the entry");
                shotWindow(dialog, L"smoke-2-target-added.bmp");
                PostMessageW(button(dialog, L"OK"), BM_CLICK, 0, 0);
                const std::wstring expected = std::wstring(L"QuadcelX [ ") + kServerName + L" ]";
                check(waitFor([&] { return app.caption() == expected; }),
                      L"OK did not set the caption: " + app.caption());
                say(L"caption: " + app.caption());
                checkListWrittenBack(shippedList, readFile(list));
            });

            step(L"Get", [&] {
                PostMessageW(button(app.main(), L"取得"), BM_CLICK, 0, 0);
                const bool got = waitFor([&] { return app.logHas(L"Yoko = "); }, 60000);
                if (!got) {
                    sayLog(app);
                    shotScreen(L"smoke-3-failed.bmp");  // what stood in the way: a message, a window
                }
                check(got, L"the Get wrote no Yoko line");
                say(L"caption: " + app.caption());
                sayLog(app);
                Sleep(500);
                shotWindow(app.main(), L"smoke-3-got.bmp");
            });

            step(L"edit: type into cell (2, 3), which holds a text", [&] {
                SetForegroundWindow(app.main());
                const HWND grid = app.grid();
                postKey(grid, VK_HOME);  // the first data column
                for (int i = 0; i < 40; ++i)
                    postKey(grid, VK_UP);  // the first data row
                postKey(grid, VK_DOWN);
                postKey(grid, VK_DOWN);
                postKey(grid, VK_RIGHT);
                postText(grid, kTyped);  // the first character opens the editor, the rest go into it
                postText(grid, L"\r");   // Enter closes it
                Sleep(1000);
                shotWindow(app.main(), L"smoke-4-edited.bmp");
            });

            step(L"Update", [&] {
                PostMessageW(button(app.main(), L"更新"), BM_CLICK, 0, 0);
                check(waitFor([&] { return app.logHas(L"[更新]"); }, 60000), L"the Update wrote no count line");
                sayLog(app);
                check(app.logHas(L"[更新] 編集 = 1, 追加 = 0, 削除 = 0"), L"the Update did not write the one edit");
                shotWindow(app.main(), L"smoke-5-updated.bmp");
            });

            step(L"the drawing holds the edit", [&] {
                const std::wstring saved = out_ + L"\\partsList-smoke.txt";
                server->application().call(u"QxSave", {Variant(fromWide(saved))});
                const std::string before = readFile(drawing_), after = readFile(saved);
                check(!after.empty(), L"QxSave wrote nothing");
                // The cell's text was replaced, not a text added: as many texts as before.
                check(count(after, utf8(kTyped)) == 1, L"the typed text is not in the drawing");
                check(count(before, "\ntext ") == count(after, "\ntext "), L"the drawing has not as many texts");
                say(L"drawing saved: " + saved);
            });

            step(L"close: the settings file beside the executable", [&] {
                app.close();
                checkSettings(ini, kServerProgId);
            });
        }

        step(L"third start: the settings and the list as written", [&] {
            App app(folder_);
            say(L"caption: " + app.caption());
            check(app.caption() == std::wstring(L"QuadcelX [ ") + kServerName + L" ]",
                  L"the third start's caption does not name the chosen target");
            app.close();
        });

        check(server->quit() == 0, L"the drawing server did not end cleanly");

        step(L"removal: /unregister takes the fast path's registration out of the user's classes", [&] {
            const std::wstring progId = L"QuadcelX.FastPath.1";
            check(userClassesKey(progId), L"the Get did not register the fast path for the user");
            const auto [said, rc] = unregister(folder_);
            say(L"message: " + said);
            check(rc == 0, L"/unregister ended with exit code " + std::to_wstring(rc));
            check(said.find(L"削除しました") != std::wstring::npos && said.find(progId) != std::wstring::npos,
                  L"/unregister did not say what it removed");
            check(!userClassesKey(progId), L"the registration is still there");
            const auto [again, rc2] = unregister(folder_);
            say(L"message: " + again);
            check(rc2 == 0 && again.find(L"登録がありません") != std::wstring::npos,
                  L"a second /unregister did not say that nothing was registered");
        });
    }

private:
    template <typename F>
    void step(const std::wstring& name, F body) {
        const std::string line = "== " + utf8(name) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
        body();
    }

    static void sayLog(const App& app) {
        std::wstringstream lines(app.log());
        for (std::wstring l; std::getline(lines, l);) {
            if (!l.empty() && l.back() == L'\r')
                l.pop_back();
            say(L"log: " + l);
        }
    }

    // Every key the program writes, and the target.
    static void checkSettings(const std::wstring& ini, const std::wstring& progId) {
        check(GetFileAttributesW(ini.c_str()) != INVALID_FILE_ATTRIBUTES, L"no settings file beside the executable");
        auto read = [&](const wchar_t* section, const wchar_t* key) {
            wchar_t value[512];
            GetPrivateProfileStringW(section, key, L"<missing>", value, 512, ini.c_str());
            return std::wstring(value);
        };
        for (const wchar_t* key : {L"Left", L"Top", L"chk2", L"chk3", L"chk4", L"edt1"})
            check(read(L"AcadQDL", key) != L"<missing>", std::wstring(L"the settings lack ") + key);
        check(read(L"Target", L"ProgID") == progId, L"the settings' ProgID is " + read(L"Target", L"ProgID"));
        say(L"settings: " + ini + L", ProgID=" + progId);
    }

    // The dialog wrote the list back in the encoding it read: the byte-order
    // mark, CR LF, the shipped lines unchanged and the added one.
    static void checkListWrittenBack(const std::string& shipped, const std::string& written) {
        const std::string bom = "\xEF\xBB\xBF";
        check(shipped.rfind(bom, 0) == 0, L"the shipped list has no UTF-8 byte-order mark");
        check(written.rfind(bom, 0) == 0, L"the written list lost its UTF-8 byte-order mark");
        auto before = crlfLines(shipped, bom.size()), after = crlfLines(written, bom.size());
        before.push_back(utf8(std::wstring(kServerName) + L"\t" + kServerProgId));
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        check(before == after, L"the written list is not the shipped one plus the added entry");
        say(L"target list written back: " + std::to_wstring(after.size()) + L" lines, UTF-8 with BOM, CR LF");
    }

    void shotWindow(HWND h, const wchar_t* name) {
        RECT r;
        GetWindowRect(h, &r);
        qx::test::saveScreen(r, out_ + L"\\" + name);
    }
    void shotScreen(const wchar_t* name) {
        RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        qx::test::saveScreen(r, out_ + L"\\" + name);
    }

    std::wstring folder_, drawing_, out_, version_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: qx-package-smoke APP-FOLDER DRAWING OUTPUT-FOLDER VERSION\n");
        return 2;
    }
    const qx::win::ComApartment apartment;
    if (!apartment)
        return 1;
    int rc = 0;
    try {
        Smoke(argv[1], argv[2], argv[3], argv[4]).run();
        std::printf("package smoke test: every step passed\n");
    } catch (const std::exception& e) {
        std::printf("PACKAGE SMOKE TEST FAILED: %s\n", e.what());
        rc = 1;
    }
    std::fflush(stdout);
    return rc;
}
