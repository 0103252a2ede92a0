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
    saveWindows(L"e2e-rows-before.bmp", main(), reinterpret_cast<HWND>(server.application().get(u"HWND").toUInt64()));

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
    // The drawing server's window beside it shows the moved geometry.
    const auto view = reinterpret_cast<HWND>(server.application().get(u"HWND").toUInt64());
    saveWindows(L"e2e-rows.bmp", main(), view);

    // One U in the CAD application: the table as it was.
    EXPECT_TRUE(server.application().call(u"QxUndo").toBool());
    get();
    EXPECT_EQ(cells().Cells(2, 4), third);
    EXPECT_EQ(cells().Cells(2, 9), last);
    EXPECT_EQ(form().lists.yokoAry, yoko);
}

namespace {

const wchar_t kLong[] = L"QuadcelX.E2ELong";
const wchar_t kLongClsid[] = L"{3F8B2D61-9C4E-4A07-B5D2-61E0A9C4F7B3}";

// A cols x rows table in the drawing file format: a closed border, a line per
// inner edge, then one text per cell row by row ("R<row>C<col>").
std::string generatedTable(int cols, int rows) {
    std::ostringstream out;
    out << "name C:\\図面\\長い表.dwg\n";
    out << "polyline closed 0 0 " << cols * 20 << " 0 " << cols * 20 << " " << -rows * 8 << " 0 " << -rows * 8 << "\n";
    for (int c = 1; c < cols; ++c)
        out << "line " << c * 20 << " 0 " << c * 20 << " " << -rows * 8 << "\n";
    for (int r = 1; r < rows; ++r)
        out << "line 0 " << -r * 8 << " " << cols * 20 << " " << -r * 8 << "\n";
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            out << "text 0 " << c * 20 + 2 << " " << -r * 8 - 6 << " 0 0 R" << r + 1 << "C" << c + 1 << "\n";
    return out.str();
}

constexpr int kCols = 40, kRows = 40;

// Long commands, call by call: a Get of a 40 x 40 table, or an Update of many cells.
class LongCommands : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        WritePrivateProfileStringW(L"AcadQDL", L"FastPath", L"0", iniPath().c_str());
        server = &serve(kLong, kLongClsid, generatedTable(kCols, kRows));
        start(kLong);
    }
    // The next pick: the border, every line and the texts of the first `rows` rows.
    void pickFirstRows(int rows) {
        const auto ids = server->application().call(u"QxIds").toVariants();
        std::vector<Variant> picked(ids.begin(), ids.begin() + kCols + kRows - 1 + rows * kCols);
        server->application().call(u"QxPickIds", {Variant(picked)});
    }
    // Presses Esc (from another thread) once `progress` says the command is that far.
    std::thread escWhen(const std::function<bool()>& farEnough) {
        return std::thread([this, farEnough] {
            for (int i = 0; i < 3000 && !farEnough(); ++i)
                Sleep(10);
            press(VK_ESCAPE);
            escaped = true;
        });
    }
    int progress() {
        return static_cast<int>(
            SendMessageW(FindWindowExW(main(), nullptr, PROGRESS_CLASSW, nullptr), PBM_GETPOS, 0, 0));
    }
    std::u16string drawingText(std::int64_t id) { return textOf(*server, id); }
    DrawingServerProcess* server = nullptr;
    std::atomic<bool> escaped{false};
};

}  // namespace

TEST_F(LongCommands, EscStopsAGetAndTheTableAndItsRecordsStayAsTheyWere) {
    pickFirstRows(2);
    get();
    ASSERT_EQ(cells().RowCount(), kRows + 1);
    ASSERT_EQ(cells().Cells(3, 2), u"R2C3");
    const auto textsBefore = form().lists.textAry.size();

    server->application().call(u"QxPickAll");
    std::thread esc = escWhen([&] { return progress() >= 100; });
    form().Memo1.clear();
    PostMessageW(button(L"取得"), BM_CLICK, 0, 0);
    ASSERT_TRUE(pump([&] { return !log().empty() && log().back().rfind(u"[取得] 中止しました", 0) == 0; }));
    esc.join();
    // Stopped between two entities, long before the last of them.
    const int picked = kCols + kRows - 1 + kCols * kRows;
    EXPECT_EQ(log().front(), u"Select = " + fromUtf8(std::to_string(picked)));
    EXPECT_EQ(cells().Cells(3, 3), u"");  // the grid as the first Get left it
    EXPECT_EQ(cells().Cells(3, 2), u"R2C3");
    EXPECT_EQ(form().lists.textAry.size(), textsBefore);
    EXPECT_FALSE(IsWindowEnabled(FindWindowExW(main(), nullptr, L"BUTTON", L"中止")));

    // The records still match the drawing: an edit goes to its text.
    const std::int64_t id = form().table.firstId(3, 2);
    cells().setCells(3, 2, u"変更後");
    update();
    EXPECT_EQ(log().back(), u"[更新] 編集 = 1, 追加 = 0, 削除 = 0");
    EXPECT_EQ(drawingText(id), u"変更後");
}

TEST_F(LongCommands, EscStopsAnUpdateWithWhatItWroteRecordedAndItsUndoGroupClosed) {
    constexpr int rows = 12;
    pickFirstRows(rows);
    get();
    std::vector<std::int64_t> ids;
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= kCols; ++c) {
            ids.push_back(form().table.firstId(c, r));
            cells().setCells(c, r, u"新" + fromUtf8(std::to_string(r * 100 + c)));
        }
    std::thread esc = escWhen([&] { return progress() >= 20; });
    form().Memo1.clear();
    PostMessageW(button(L"更新 (Ctrl+Enter) "), BM_CLICK, 0, 0);
    ASSERT_TRUE(pump([&] { return !log().empty() && log().back().rfind(u"[更新] 中止しました", 0) == 0; }));
    esc.join();
    ASSERT_EQ(log().size(), 2u);
    const std::u16string counts = log()[0];
    ASSERT_EQ(counts.rfind(u"[更新] 編集 = ", 0), 0u) << toUtf8(counts);
    const int edited = std::stoi(toUtf8(counts.substr(10)));
    EXPECT_GT(edited, 0);
    EXPECT_LT(edited, rows * kCols);
    // The drawing holds the first `edited` cells' new texts and the old ones
    // after them; the records say the same, so only the rest is pending.
    for (int i = 0; i < rows * kCols; ++i) {
        const int c = i % kCols + 1, r = i / kCols + 1;
        const std::u16string now = drawingText(ids[static_cast<std::size_t>(i)]);
        const bool written = i < edited;
        EXPECT_EQ(now, written ? cells().Cells(c, r) : u"R" + fromUtf8(std::to_string(r) + "C" + std::to_string(c)))
            << c << "," << r;
        EXPECT_EQ(form().pendingChangeAt(c, r) == CellChange::None, written) << c << "," << r;
    }
    const Dispatch app = server->application();
    EXPECT_FALSE(app.call(u"QxUndoMarkOpen").toBool());
    EXPECT_EQ(app.call(u"QxUndoGroupCount").toInt32(), 1);
    EXPECT_EQ(app.call(u"QxUndoMarkMisuse").toInt32(), 0);
    // One U in the CAD application takes the stopped Update back whole.
    EXPECT_TRUE(app.call(u"QxUndo").toBool());
    EXPECT_EQ(drawingText(ids[0]), u"R1C1");
}

TEST_F(LongCommands, ClosingDuringAGetAsksAndClosesOnceItHasStopped) {
    server->application().call(u"QxPickAll");
    std::wstring question;
    std::thread user([&] {
        for (int i = 0; i < 3000 && progress() < 50; ++i)
            Sleep(10);
        PostMessageW(main(), WM_CLOSE, 0, 0);
        if (HWND box = waitForWindow(L"#32770", L"QuadcelX")) {
            question = childTexts(box);
            PostMessageW(box, WM_COMMAND, IDYES, 0);
        }
    });
    PostMessageW(button(L"取得"), BM_CLICK, 0, 0);
    const bool closed = pump([&] { return !IsWindow(main()); });
    user.join();
    EXPECT_TRUE(closed);
    EXPECT_NE(question.find(L"「取得」を実行中です"), std::wstring::npos)
        << toUtf8(std::u16string(question.begin(), question.end()));
    wchar_t left[32] = {};
    GetPrivateProfileStringW(L"AcadQDL", L"Left", L"", left, 32, iniPath().c_str());
    EXPECT_NE(std::wstring(left), L"");  // closed the ordinary way: the settings were written
}

// On a first start the chosen target is rarely the CAD the user runs.
TEST_F(EndToEnd, AChosenTargetThatIsNotRunningOffersTheRunningOne) {
    serve(kParts, kPartsClsid, sample("partsList.txt"));
    serve(kTitle, kTitleClsid, sample("titleBlock.txt")).quit();  // installed, not running
    auto writeList = [](const char* content) {
        std::ofstream((exeFolder() + L"TargetCAD_APIVersion.txt").c_str(), std::ios::binary) << content;
    };
    // Not installed, and nothing else of the list running: a message naming it.
    writeList("Nowhere\tQuadcelX.E2ENowhere\r\n");
    start(L"QuadcelX.E2ENowhere");
    std::wstring said;
    std::thread user([&] {
        if (HWND box = waitForWindow(L"#32770", L"QuadcelX")) {
            said = childTexts(box);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    PostMessageW(button(L"取得"), BM_CLICK, 0, 0);
    pump([&] { return !said.empty() && !FindWindowW(L"#32770", L"QuadcelX"); });
    user.join();
    EXPECT_NE(said.find(L"「Nowhere」（QuadcelX.E2ENowhere）はこのコンピューターに登録されていません"),
              std::wstring::npos)
        << toUtf8(std::u16string(said.begin(), said.end()));

    // Installed but not running, while another target of the list runs: offered, and taken.
    writeList("Parts\tQuadcelX.E2EParts\r\nTitle\tQuadcelX.E2ETitle\r\n");
    form().targetProgID = u"QuadcelX.E2ETitle";
    std::wstring asked;
    std::thread user2([&] {
        if (HWND box = waitForWindow(L"#32770", L"QuadcelX")) {
            asked = childTexts(box);
            PostMessageW(box, WM_COMMAND, IDYES, 0);
        }
    });
    form().Memo1.clear();
    PostMessageW(button(L"取得"), BM_CLICK, 0, 0);
    ASSERT_TRUE(pump([&] { return log().size() >= 4 && log()[3].rfind(u"Yoko", 0) == 0; }));
    user2.join();
    EXPECT_NE(asked.find(L"「Title」（QuadcelX.E2ETitle）は起動していませんが、「Parts」（QuadcelX.E2EParts）が起動"),
              std::wstring::npos)
        << toUtf8(std::u16string(asked.begin(), asked.end()));
    EXPECT_EQ(form().targetProgID, u"QuadcelX.E2EParts");
    EXPECT_EQ(cells().RowCount(), 31);
}
