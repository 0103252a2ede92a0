// End to end: the program's real windows, real COM and the drawing server in
// its own process, driven as the user drives them.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "app/programWin32.h"
#include "core/text.h"
#include "testing/guiDriver.h"
#include "testing/screenshot.h"
#include "testing/serverProcess.h"

using namespace qx;
using namespace qx::cad;
using namespace qx::win32;
using namespace qx::test;
using qx::cad::com::DrawingServerProcess;

namespace {

std::string sample(const char* name) {
    std::ifstream in(std::string(QX_SAMPLES) + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A drawing file beside the tests: the sample with a scripted pick of everything.
std::wstring drawingFile(const wchar_t* name, const std::string& content) {
    std::wstring path = exeFolder() + name;
    std::ofstream(path.c_str(), std::ios::binary) << content << "pick all\n";
    return path;
}

class EndToEnd : public testing::Test {
protected:
    // First, so that it goes last, after the program and every COM object.
    std::optional<win::ComApartment> apartment;
    void SetUp() override {
        apartment.emplace(Program::initialiseThread());
        ASSERT_TRUE(*apartment);
        removeSettings();
    }
    void TearDown() override {
        if (program && IsWindow(main())) {
            qx::test::closeMainWindow(main());
        }
        program.reset();
        servers.clear();
        apartment.reset();
    }
    DrawingServerProcess& serve(const wchar_t* progId, const wchar_t* clsid, const std::string& drawing) {
        std::wstring file = drawingFile((std::wstring(progId) + L".txt").c_str(), drawing);
        servers.push_back(
            std::make_unique<DrawingServerProcess>(DrawingServerProcess::defaultExe(), file, progId, clsid));
        return *servers.back();
    }
    void start(const wchar_t* progId) {
        WritePrivateProfileStringW(L"Target", L"ProgID", progId, iniPath().c_str());
        program = std::make_unique<Program>();
        program->start();
        pump([&] { return IsWindowVisible(main()) != FALSE; });
    }
    bool pump(const std::function<bool()>& done, int ms = 60000) {
        return pumpUntil(program && IsWindow(main()) ? main() : nullptr, done, ms);
    }
    HWND main() const { return program->mainWindow->hwnd(); }
    HWND button(const wchar_t* caption) const { return FindWindowExW(main(), nullptr, L"BUTTON", caption); }
    VivazQDLForm& form() { return *program->form; }
    StringGrid& cells() { return form().StringGrid1; }
    std::vector<std::u16string> log() { return form().Memo1.Lines(); }
    // Clicks Get and waits until its last log line is written.
    void get() {
        form().Memo1.clear();
        PostMessageW(button(L"取得"), BM_CLICK, 0, 0);
        ASSERT_TRUE(pump([&] { return log().size() >= 4 && log()[3].rfind(u"Yoko", 0) == 0; }));
        SetForegroundWindow(main());
    }
    void update() {
        const std::size_t before = log().size();
        PostMessageW(button(L"更新 (Ctrl+Enter) "), BM_CLICK, 0, 0);
        ASSERT_TRUE(pump([&] { return log().size() > before && log().back().rfind(u"[更新]", 0) == 0; }));
    }
    static std::wstring textOf(HWND h) { return qx::test::textOf(h); }
    std::u16string textOf(DrawingServerProcess& server, std::int64_t id) {
        Dispatch doc = server.application().get(u"ActiveDocument").toDispatch();
        return doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(id))})
            .toDispatch()
            .get(u"TextString")
            .toString();
    }

    std::vector<std::unique_ptr<DrawingServerProcess>> servers;
    std::unique_ptr<Program> program;
};

const wchar_t kParts[] = L"QuadcelX.E2EParts";
const wchar_t kPartsClsid[] = L"{6A1C9E02-4B7D-4E31-8F25-0D9B3C7A1E64}";
const wchar_t kTitle[] = L"QuadcelX.E2ETitle";
const wchar_t kTitleClsid[] = L"{B4E07D15-2C9A-4F68-91D3-7E5A0C2B8F39}";

}  // namespace

TEST_F(EndToEnd, GetEditUpdateAndAGetAgainSeeTheChangedDrawing) {
    auto& server = serve(kParts, kPartsClsid, sample("partsList.txt"));
    start(kParts);
    get();
    auto lines = log();
    EXPECT_EQ(lines[0], u"Select = 299");  // the circle is filtered out, the multiline text not
    EXPECT_EQ(lines[1].substr(lines[1].size() - 4), u" sec");
    EXPECT_EQ(lines[2], u"Line = 44, Text = 258");
    EXPECT_EQ(lines[3], u"Yoko = 31, Tate = 13");
    EXPECT_EQ(textOf(main()), L"C:\\図面\\部品表.dwg");
    EXPECT_EQ(cells().Cells(2, 2), u"六角ボルト");
    EXPECT_TRUE(IsWindowEnabled(button(L"更新 (Ctrl+Enter) ")));
    const std::int64_t edited = form().table.firstId(4, 3), emptied = form().table.firstId(10, 2);

    // An edit typed into a cell, a cell emptied with Delete, a new text typed into an empty cell.
    SetFocus(program->mainWindow->gridHwnd());
    cells().setSelection({4, 3, 4, 3});
    typeText(L"S50C");
    press(VK_RETURN);
    ASSERT_TRUE(pump([&] { return cells().Cells(4, 3) == u"S50C" && !cells().EditorMode(); }, 5000));
    cells().setSelection({10, 2, 10, 2});
    press(VK_DELETE);
    ASSERT_TRUE(pump([&] { return cells().Cells(10, 2).empty(); }, 5000));
    cells().setSelection({4, 22, 4, 22});
    typeText(L"SUS316");
    press(VK_RETURN);
    ASSERT_TRUE(pump([&] { return cells().Cells(4, 22) == u"SUS316" && !cells().EditorMode(); }, 5000));
    update();
    EXPECT_EQ(log().back(), u"[更新] 編集 = 1, 追加 = 1, 削除 = 1");
    EXPECT_EQ(textOf(server, edited), u"S50C");
    EXPECT_THROW(textOf(server, emptied), Error);
    const std::int64_t created = form().table.firstId(4, 22);
    ASSERT_NE(created, 0);
    EXPECT_EQ(textOf(server, created), u"SUS316");
    update();
    EXPECT_EQ(log().back(), u"[更新] 編集 = 0, 追加 = 0, 削除 = 0");

    get();
    EXPECT_EQ(cells().Cells(4, 3), u"S50C");
    EXPECT_EQ(cells().Cells(4, 22), u"SUS316");
    EXPECT_EQ(cells().Cells(10, 2), u"");
    saveWindows(L"e2e-after-update.bmp", main());
}

TEST_F(EndToEnd, AnEntityErasedInTheDrawingIsPassedOver) {
    auto& server = serve(kParts, kPartsClsid, sample("partsList.txt"));
    start(kParts);
    get();
    const std::int64_t gone = form().table.firstId(3, 5), kept = form().table.firstId(3, 6);
    server.application().call(u"QxErase", {Variant::int64(gone)});
    cells().setCells(3, 5, u"QX-99999");
    cells().setCells(3, 6, u"QX-88888");
    update();
    EXPECT_EQ(log().back(), u"[更新] 編集 = 1, 追加 = 0, 削除 = 0");
    EXPECT_EQ(textOf(server, kept), u"QX-88888");
}

TEST_F(EndToEnd, ABusyServerIsWaitedForAndARefusedCallIsReported) {
    auto& server = serve(kParts, kPartsClsid, sample("partsList.txt"));
    start(kParts);
    server.application().call(u"QxBusyFor", {Variant(1500)});
    get();
    EXPECT_EQ(log()[2], u"Line = 44, Text = 258");

    server.application().call(u"QxRejectCalls", {Variant(1)});
    std::wstring message;
    std::thread driver([&] {
        HWND box = waitForWindow(L"#32770", L"QuadcelX", 30000);
        if (!box)
            return;
        message = childTexts(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    form().Memo1.clear();
    PostMessageW(button(L"取得"), BM_CLICK, 0, 0);
    pump([&] { return !message.empty(); }, 30000);
    driver.join();
    EXPECT_NE(message.find(L"0x80010001"), std::wstring::npos) << std::string(message.begin(), message.end());
    EXPECT_EQ(cells().Cells(2, 2), u"六角ボルト");  // the table stays as it was
    get();                                          // and the next Get works
    EXPECT_EQ(log()[0], u"Select = 299");
}

TEST_F(EndToEnd, TheTargetDialogSwitchesBetweenTwoRunningServers) {
    serve(kParts, kPartsClsid, sample("partsList.txt"));
    serve(kTitle, kTitleClsid, sample("titleBlock.txt"));
    {
        std::ofstream list((exeFolder() + L"TargetCAD_APIVersion.txt").c_str(), std::ios::binary);
        list << "Parts\tQuadcelX.E2EParts\r\nTitle\tQuadcelX.E2ETitle\r\n";
    }
    start(kParts);
    EXPECT_EQ(qx::test::textOf(main()), L"QuadcelX [ Parts ]");
    get();
    EXPECT_EQ(cells().RowCount(), 31);

    std::thread driver([&] {
        HWND dialog = waitForWindow(nullptr, L"ターゲット CAD");
        if (!dialog)
            return;
        HWND list = FindWindowExW(dialog, nullptr, L"LISTBOX", nullptr);
        SendMessageW(list, LB_SETCURSEL, 1, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        PostMessageW(FindWindowExW(dialog, nullptr, L"BUTTON", L"OK"), BM_CLICK, 0, 0);
    });
    PostMessageW(button(L"取得"), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
    pump([&] { return form().targetProgID == u"QuadcelX.E2ETitle"; });
    driver.join();
    EXPECT_EQ(qx::test::textOf(main()), L"QuadcelX [ Title ]");
    get();
    EXPECT_EQ(cells().RowCount(), 5);
    EXPECT_EQ(cells().Cells(1, 1), u"図名");
    EXPECT_EQ(qx::test::textOf(main()), L"C:\\図面\\表題欄.dwg");
}

TEST_F(EndToEnd, UnsavedEditsAreAskedAboutAndNoKeepsThem) {
    auto& server = serve(kParts, kPartsClsid, sample("partsList.txt"));
    start(kParts);
    get();
    cells().setCells(3, 5, u"QX-12345");

    // No to closing: the window and the edit stay.
    EXPECT_FALSE(closeMainWindow(main(), IDNO));
    ASSERT_TRUE(IsWindow(main()));
    EXPECT_EQ(cells().Cells(3, 5), u"QX-12345");

    // No to a Get: nothing is picked, the grid and the log stay.
    const int picks = server.application().call(u"QxCallCount", {Variant(u"SelectOnScreen")}).toInt32();
    const auto logBefore = log();
    std::atomic<bool> answered{false};
    std::wstring question;
    std::thread user([&] {
        if (HWND box = waitForWindow(L"#32770", L"QuadcelX")) {
            question = childTexts(box);
            Sleep(200);
            RECT r;
            GetWindowRect(box, &r);
            saveScreen(r, screenshotPath(L"unsaved-edits.bmp"));
            PostMessageW(box, WM_COMMAND, IDNO, 0);
        }
        answered = true;
    });
    PostMessageW(button(L"取得"), BM_CLICK, 0, 0);
    pump([&] { return answered && !FindWindowW(L"#32770", L"QuadcelX"); }, 15000);
    user.join();
    EXPECT_NE(question.find(L"取得すると"), std::wstring::npos)
        << toUtf8(std::u16string(question.begin(), question.end()));
    EXPECT_EQ(server.application().call(u"QxCallCount", {Variant(u"SelectOnScreen")}).toInt32(), picks);
    EXPECT_EQ(cells().Cells(3, 5), u"QX-12345");
    EXPECT_EQ(log(), logBefore);

    EXPECT_TRUE(closeMainWindow(main(), IDYES));
}

TEST_F(EndToEnd, RowsInsertedAndDeletedMoveTheDrawnTableAndOneUTakesThemBack) {
    auto& server = serve(kParts, kPartsClsid, sample("partsListStacked.txt"));
    start(kParts);
    get();
    ASSERT_EQ(cells().RowCount(), 10);
    const std::vector<double> yoko = form().lists.yokoAry;
    ASSERT_EQ(yoko.size(), 10u);
    const std::u16string third = cells().Cells(2, 4), last = cells().Cells(2, 9);

    // A row above the third part, typed into; the last part's row deleted.
    SetFocus(program->mainWindow->gridHwnd());
    cells().setSelection({2, 4, 2, 4});
    cells().setRow(4);
    form().insertRow(false);
    typeText(L"座金");
    press(VK_RETURN);
    ASSERT_TRUE(pump([&] { return cells().Cells(2, 4) == u"座金" && !cells().EditorMode(); }, 5000));
    cells().setSelection({2, 10, 2, 10});
    form().deleteRows();
    ASSERT_EQ(cells().RowCount(), 10);
    update();
    const auto lines = log();
    EXPECT_NE(std::find(lines.begin(), lines.end(), u"[更新] 行の挿入 = 1, 行の削除 = 1"), lines.end());

    // The drawing through COM: the same row boundaries, the new row's text, the last part gone.
    get();
    EXPECT_EQ(form().lists.yokoAry, yoko);
    EXPECT_EQ(cells().Cells(2, 4), u"座金");
    EXPECT_EQ(cells().Cells(2, 5), third);
    EXPECT_NE(cells().Cells(2, 9), last);
    saveWindows(L"e2e-rows.bmp", main());

    // One U in the CAD application: the table as it was.
    EXPECT_TRUE(server.application().call(u"QxUndo").toBool());
    get();
    EXPECT_EQ(cells().Cells(2, 4), third);
    EXPECT_EQ(cells().Cells(2, 9), last);
    EXPECT_EQ(form().lists.yokoAry, yoko);
}
