// The scripted demo: QuadcelX's real windows against the drawing server with
// the parts list, driven as a user would: Get, an edit, a paste, a width
// conversion, Update, Get again. Prints the log, saves the resulting drawing
// and screenshots, and fails loudly when a step did not happen.
//
//   qx-demo DRAWING OUTPUT-FOLDER
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/programWin32.h"
#include "core/text.h"
#include "core/winText.h"
#include "testing/guiDriver.h"
#include "testing/screenshot.h"
#include "testing/serverProcess.h"

using namespace qx;
using namespace qx::test;

namespace {

class Demo {
public:
    Demo(const std::wstring& drawing, const std::wstring& out) : out_(out) {
        server_ = std::make_unique<cad::com::DrawingServerProcess>(cad::com::DrawingServerProcess::defaultExe(),
                                                                   drawing, L"QuadcelX.DrawingServer",
                                                                   L"{5C1A0D1E-7F53-4C1B-9E0A-51D2A7C30B61}");
        // No one sits at the drawing server's window: its pick is scripted.
        server_->application().call(u"QxPickAll");
        program_ = std::make_unique<win32::Program>();
        program_->start();
        program_->form->targetProgID = u"QuadcelX.DrawingServer";
        pump([&] { return IsWindowVisible(main()) != FALSE; });
    }
    ~Demo() {
        if (program_ && IsWindow(main())) {
            closeMainWindow(main());
        }
    }

    void run() {
        StringGrid& g = program_->form->StringGrid1;
        step("Get", [&] {
            click(L"取得");
            expect(pump([&] { return lastLogStarts(u"Yoko"); }), "the Get wrote no Yoko/Tate line");
            expect(g.RowCount() == 31 && g.ColCount() == 13, "the table is not 12 x 30");
        });
        shot(L"demo-1-get.bmp");

        step("edit", [&] {
            SetForegroundWindow(main());
            SetFocus(program_->mainWindow->gridHwnd());
            g.setSelection({2, 3, 2, 3});
            typeText(L"六角穴付きボルト");
            press(VK_RETURN);
            expect(pump([&] { return g.Cells(2, 3) == u"六角穴付きボルト" && !g.EditorMode(); }),
                   "typing did not land");
        });

        step("paste", [&] {
            program_->clipboard.setText(u"SUS304\t2\r\nSUS316\t4\r\n");
            g.setSelection({4, 5, 4, 5});
            press('V', VK_CONTROL);
            expect(pump([&] { return g.Cells(4, 6) == u"SUS316" && g.Cells(5, 6) == u"4"; }),
                   "the pasted block is not in the grid");
        });

        step("width conversion", [&] {
            g.setSelection({3, 2, 3, 31});
            program_->form->menuItem(u"N9").click();  // 半角->全角
            expect(g.Cells(3, 2) == u"ＱＸ－０１０００", "the part numbers did not become full width");
        });
        shot(L"demo-2-edited.bmp");

        step("Update", [&] {
            click(L"更新 (Ctrl+Enter) ");
            expect(pump([&] { return lastLogStarts(u"[更新]"); }), "the Update wrote no count line");
            // The typed name, three changed cells of the pasted block, 29 part numbers.
            expect(log().back() == u"[更新] 編集 = 33, 追加 = 0, 削除 = 0",
                   "the Update reported " + toUtf8(log().back()));
        });

        step("Get again", [&] {
            program_->form->Memo1.clear();
            click(L"取得");
            expect(pump([&] { return lastLogStarts(u"Yoko"); }), "the second Get wrote no Yoko/Tate line");
            expect(g.Cells(2, 3) == u"六角穴付きボルト" && g.Cells(4, 6) == u"SUS316" &&
                       g.Cells(3, 2) == u"ＱＸ－０１０００",
                   "the drawing does not hold the changes");
        });
        shot(L"demo-3-again.bmp");

        const std::wstring saved = out_ + L"\\partsList-updated.txt";
        server_->application().call(u"QxSave", {cad::Variant(win::fromWide(saved))});
        std::wprintf(L"drawing saved: %ls\n", saved.c_str());
    }

private:
    template <typename F>
    void step(const char* name, F body) {
        std::printf("== %s\n", name);
        startsOver_ = std::string(name).rfind("Get", 0) == 0;
        const std::size_t before = log().size();
        body();
        const auto lines = log();
        // The log's new lines (a Get empties it first: then all of them).
        for (std::size_t i = before <= lines.size() && !startsOver_ ? before : 0; i < lines.size(); ++i)
            std::printf("   %s\n", toUtf8(lines[i]).c_str());
        std::fflush(stdout);
    }
    static void expect(bool ok, const std::string& what) {
        if (!ok)
            throw Error(u"demo step failed: " + fromUtf8(what));
    }
    bool pump(const std::function<bool()>& done) { return pumpUntil(main(), done, 120000); }
    HWND main() const { return program_->mainWindow->hwnd(); }
    std::vector<std::u16string> log() const { return program_->form->Memo1.Lines(); }
    bool lastLogStarts(const char16_t* prefix) const {
        auto l = log();
        return !l.empty() && l.back().rfind(prefix, 0) == 0;
    }
    void click(const wchar_t* caption) {
        HWND b = FindWindowExW(main(), nullptr, L"BUTTON", caption);
        expect(b != nullptr, "a button is missing");
        PostMessageW(b, BM_CLICK, 0, 0);
    }
    void shot(const wchar_t* name) {
        pumpUntil(
            main(), [] { return false; }, 300);
        RECT r;
        GetWindowRect(main(), &r);
        saveScreen(r, out_ + L"\\" + name);
    }

    std::wstring out_;
    bool startsOver_ = false;
    std::unique_ptr<cad::com::DrawingServerProcess> server_;
    std::unique_ptr<win32::Program> program_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: qx-demo DRAWING OUTPUT-FOLDER\n");
        return 2;
    }
    const auto apartment = win32::Program::initialiseThread();
    if (!apartment)
        return 1;
    int rc = 0;
    try {
        Demo demo(argv[1], argv[2]);
        demo.run();
        std::printf("demo: every step happened\n");
    } catch (const Error& e) {
        std::printf("DEMO FAILED: %s\n", e.what());  // on stdout, beside the steps
        rc = 1;
    }
    return rc;
}
