// Get and Update through real COM against the drawing server in its own process.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/qdlXUnit.h"
#include "cad/com/comDispatch.h"
#include "cad/com/fastPathRegistration.h"
#include "cad/com/messageFilter.h"
#include "cad/fastPath.h"
#include "core/text.h"
#include "testing/fakeForm.h"
#include "testing/platformFakes.h"
#include "testing/serverProcess.h"

using namespace qx;
using namespace qx::cad;
using namespace qx::cad::com;

namespace {

const std::wstring kProgId = L"QuadcelX.CommandsTest";

struct ComCommands : testing::Test {
    // First, so that it goes last, after every COM object the test holds.
    qx::win::ComApartment apartment;
    test::FakeForm app;
    ComConnector connector;
    std::unique_ptr<DrawingServerProcess> server;
    // Kept alive across register and revoke, as the program keeps its own.
    ComPtr<TMessageFilter> filter;
    std::unique_ptr<VivazQDLForm> form;
    std::wstring file;

    std::vector<std::int64_t> ids;  // the drawing file's entities, in this run

    void SetUp() override {
        ASSERT_TRUE(apartment);
        // Two columns, three rows; a text in row 2 serves column 1 as template.
        start(
            "name C:\\drawings\\\xe9\x83\xa8\xe5\x93\x81\xe8\xa1\xa8.dwg\n"
            "polyline closed 0 0 20 0 20 -15 0 -15\n"
            "line 10 0 10 -15\n"
            "line 0 -5 20 -5\n"
            "line 0 -10 20 -10\n"
            "text 0 1 -1 0 0 abc\n"
            "text 1 0 0 0.5 -7.5 \xe5\x93\x81\xe5\x90\x8d\n"
            "text 2 0 0 11 -1 top\n"
            "entity MTEXT 5 -5\n"
            "pick all\n");
    }
    void start(const std::string& drawing) {
        form.reset();
        server.reset();
        file = exeFolder() + L"comCommandsTest.txt";
        std::ofstream(file.c_str(), std::ios::binary) << drawing;
        server = std::make_unique<DrawingServerProcess>(DrawingServerProcess::defaultExe(), file, kProgId,
                                                        L"{3B9E6C24-8D1A-4F57-B0C3-6A2E91D47F08}");
        filter = ComPtr<TMessageFilter>::share(new TMessageFilter);
        auto s = app.services(&connector);
        s.registerFilter = [f = filter.get()] { f->RegisterFilter(); };
        s.revokeFilter = [f = filter.get()] { f->RevokeFilter(); };
        s.ownHandle = [] { return std::uint64_t{0x7000}; };
        s.setMinimized = [](bool) {};
        form = test::FakeForm::created(s);
        form->targetProgID = std::u16string(kProgId.begin(), kProgId.end());
        ids.clear();
        for (const auto& id : server->application().call(u"QxIds").toVariants())
            ids.push_back(id.toInt64());
    }
    void TearDown() override {
        if (form)
            form->FormClose();
        form.reset();
        if (server) {
            EXPECT_EQ(server->quit(), 0u);
        }
        server.reset();
        DeleteFileW(file.c_str());
    }
    // Update with the k-th call of member failing (none when null); the
    // error the Update ended with, empty when it did not fail.
    std::u16string updateFailing(const char16_t* member, int k) {
        if (member)
            server->application().call(u"QxFailCall", {Variant(member), Variant(k), Variant(u"故障")});
        try {
            form->Button2Click();
        } catch (const Error& e) {
            return e.message();
        }
        return {};
    }
    // The text lines of the drawing as the server saves it, sorted.
    std::vector<std::string> savedTexts() {
        const std::wstring saved = exeFolder() + L"comCommandsSaved.txt";
        server->application().call(u"QxSave", {Variant(std::u16string(saved.begin(), saved.end()))});
        std::ifstream in(saved.c_str(), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("text ", 0) == 0)
                lines.push_back(line);
        }
        in.close();
        DeleteFileW(saved.c_str());
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    std::u16string textOf(std::int64_t id) {
        Dispatch doc = server->application().get(u"ActiveDocument").toDispatch();
        return doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(id))})
            .toDispatch()
            .get(u"TextString")
            .toString();
    }
};

}  // namespace

TEST_F(ComCommands, GetThenUpdateChangeTheServersDrawing) {
    form->Button1Click();
    auto log = form->Memo1.Lines();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], u"Select = 8");  // the empty multiline text is picked too ...
    EXPECT_EQ(log[2], u"Line = 7, Text = 4");
    EXPECT_EQ(log[3], u"Yoko = 4, Tate = 3");
    EXPECT_NE(form->Caption().find(u"部品表.dwg"), std::u16string::npos) << toUtf8(form->Caption());
    StringGrid& g = form->StringGrid1;
    ASSERT_EQ(g.ColCount(), 3);
    ASSERT_EQ(g.RowCount(), 4);
    EXPECT_EQ(g.Cells(1, 1), u"abc");
    EXPECT_EQ(g.Cells(1, 2), u"品名");  // ... but adds no blank line to the cell its extents lie in
    EXPECT_EQ(form->table.firstId(1, 1), ids[4]);

    g.setCells(1, 1, u"型式");
    g.setCells(2, 1, u"");
    g.setCells(1, 3, u"新規");
    form->Memo1.clear();
    form->Button2Click();
    EXPECT_EQ(form->Memo1.Lines().back(), u"[更新] 編集 = 1, 追加 = 1, 削除 = 1");
    EXPECT_EQ(textOf(ids[4]), u"型式");
    EXPECT_THROW(textOf(ids[6]), Error);  // "top" was erased
    const std::int64_t created = form->table.firstId(1, 3);
    ASSERT_GT(created, ids.back());
    EXPECT_EQ(textOf(created), u"新規");

    // The erased entity is passed over; a second Update changes nothing.
    form->Button2Click();
    EXPECT_EQ(form->Memo1.Lines().back(), u"[更新] 編集 = 0, 追加 = 0, 削除 = 0");
}

TEST_F(ComCommands, AFailingServerCallEndsTheGetWithTheServersMessage) {
    server->application().call(u"QxFailCall", {Variant(u"TextString"), Variant(2), Variant(u"図面が読めません")});
    EXPECT_THROW(
        {
            try {
                form->Button1Click();
            } catch (const Error& e) {
                EXPECT_NE(e.message().find(u"図面が読めません"), std::u16string::npos) << toUtf8(e.message());
                throw;
            }
        },
        Error);
    // The set was deleted on the way out.
    Dispatch sets = server->application().get(u"ActiveDocument").toDispatch().get(u"SelectionSets").toDispatch();
    EXPECT_EQ(sets.get(u"Count").toInt32(), 0);
}

// One column per alignment value 0 to 14, from a server that has no EntityName
// (the class names come from ObjectName): every text lands in its cell, and
// every new text copied from a template of that alignment lands at the
// template's offset, where a second Get finds it.
TEST_F(ComCommands, EveryAlignmentThroughAServerWithoutEntityName) {
    std::string drawing = "name C:\\drawings\\align.dwg\nmissing EntityName\npick all\n";
    drawing += "polyline closed 0 0 300 0 300 -24 0 -24\nline 0 -8 300 -8\nline 0 -16 300 -16\n";
    for (int a = 0; a < 15; ++a) {
        const int x = 20 * a;
        if (a > 0)
            drawing += "line " + std::to_string(x) + " 0 " + std::to_string(x) + " -24\n";
        drawing += "text 0 " + std::to_string(x + 2) + " -6 0 0 H\n";
        if (a == 0)
            drawing += "text 0 5 -14 0 0 AB\n";
        else if (a == 3 || a == 5)
            drawing += "text " + std::to_string(a) + " " + std::to_string(x + 2) + " -14.5 " + std::to_string(x + 12) +
                       " -13.5 AB\n";
        else
            drawing += "text " + std::to_string(a) + " 0 0 " + std::to_string(x + 5) + " -14 AB\n";
    }
    start(drawing);
    form->Button1Click();
    StringGrid& g = form->StringGrid1;
    ASSERT_EQ(g.ColCount(), 16);
    ASSERT_EQ(g.RowCount(), 4);
    for (int a = 0; a < 15; ++a) {
        EXPECT_EQ(g.Cells(a + 1, 2), u"AB") << "alignment " << a;
        g.setCells(a + 1, 3, u"新規");
    }
    form->Button2Click();
    EXPECT_EQ(form->Memo1.Lines().back(), u"[更新] 編集 = 0, 追加 = 15, 削除 = 0");
    Dispatch doc = server->application().get(u"ActiveDocument").toDispatch();
    for (int a = 0; a < 15; ++a) {
        Dispatch copy =
            doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(form->table.firstId(a + 1, 3)))}).toDispatch();
        Dispatch tmpl =
            doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(form->table.firstId(a + 1, 2)))}).toDispatch();
        const char16_t* placing = a == 0 ? u"InsertionPoint" : u"TextAlignmentPoint";
        auto p = copy.get(placing).toDoubles(), t = tmpl.get(placing).toDoubles();
        EXPECT_EQ(p, (std::vector<double>{t[0], t[1] - 8, 0})) << "alignment " << a;
        if (a == 3 || a == 5) {
            auto start = copy.get(u"InsertionPoint").toDoubles(), tStart = tmpl.get(u"InsertionPoint").toDoubles();
            EXPECT_EQ(start, (std::vector<double>{tStart[0], tStart[1] - 8, 0})) << "alignment " << a;
        }
    }
    // A second Get finds every new text in its cell.
    form->Button1Click();
    for (int a = 0; a < 15; ++a)
        EXPECT_EQ(g.Cells(a + 1, 3), u"新規") << "alignment " << a;
    EXPECT_EQ(server->application().call(u"QxCallCount", {Variant(u"EntityName")}).toInt32(), 2);  // once a Get
}

TEST_F(ComCommands, AnUpdateOnAnotherDrawingWritesNothingAndSaysSo) {
    form->Button1Click();
    StringGrid& g = form->StringGrid1;
    g.setCells(1, 1, u"型式");
    server->application().call(u"QxNewDocument", {Variant(u"")});
    form->Memo1.clear();
    form->Button2Click();
    ASSERT_EQ(app.fakes.dialogs.shown.size(), 1u);
    EXPECT_NE(app.fakes.dialogs.shown[0].first.find(u"Drawing1.dwg"), std::u16string::npos)
        << toUtf8(app.fakes.dialogs.shown[0].first);
    EXPECT_TRUE(form->Memo1.Lines().empty());
    EXPECT_EQ(g.Cells(1, 1), u"型式");
    server->application().call(u"QxActivateDocument", {Variant(0)});
    EXPECT_EQ(textOf(ids[4]), u"abc");

    // The same drawing opened again: its IDs are new.
    server->application().call(u"QxReopen");
    form->Button2Click();
    ASSERT_EQ(app.fakes.dialogs.shown.size(), 2u);
    EXPECT_NE(app.fakes.dialogs.shown[1].first.find(u"開き直"), std::u16string::npos)
        << toUtf8(app.fakes.dialogs.shown[1].first);
}

// A sample of the fault positions of an Update through COM: whatever call
// fails, the drawing keeps no text the records do not know, and a clean
// Update then leaves the drawing as an Update without the fault does.
TEST_F(ComCommands, AFaultAnywhereInAnUpdateLeavesNoStrayText) {
    const std::string drawing =
        "name C:\\drawings\\faults.dwg\npick all\n"
        "polyline closed 0 0 20 0 20 -20 0 -20\n"
        "line 10 0 10 -20\nline 0 -5 20 -5\nline 0 -10 20 -10\nline 0 -15 20 -15\n"
        "text 0 1 -4 0 0 a1\ntext 1 0 0 15 -4 b1\n"
        "text 0 1 -9 0 0 a2\ntext 1 0 0 15 -9 b2\n"
        "text 0 1 -14 0 0 a3\ntext 1 0 0 15 -14 b3\n";
    auto editAndUpdate = [&](const char16_t* member, int k) {
        start(drawing);
        form->Button1Click();
        StringGrid& g = form->StringGrid1;
        g.setCells(1, 1, u"A1");
        g.setCells(2, 3, u"");
        g.setCells(1, 4, u"a4");
        g.setCells(2, 4, u"b4");
        return !updateFailing(member, k).empty();
    };
    ASSERT_FALSE(editAndUpdate(nullptr, 0));
    EXPECT_EQ(form->Memo1.Lines().back(), u"[更新] 編集 = 1, 追加 = 2, 削除 = 1");
    const auto expected = savedTexts();
    const std::pair<const char16_t*, int> positions[] = {
        {u"Move", 1}, {u"TextString", 3}, {u"ObjectID", 2}, {u"Update", 3}, {u"Copy", 2}};
    for (const auto& [member, k] : positions) {
        EXPECT_TRUE(editAndUpdate(member, k)) << toUtf8(member) << " #" << k;
        // The drawing holds exactly the texts the records know.
        const auto recorded = std::count_if(form->lists.textAry.begin(), form->lists.textAry.end(),
                                            [](const TQdlText& t) { return t.objID != 0; });
        EXPECT_EQ(static_cast<long>(savedTexts().size()), static_cast<long>(recorded)) << toUtf8(member) << " #" << k;
        form->Button2Click();
        EXPECT_EQ(savedTexts(), expected) << toUtf8(member) << " #" << k;
    }
}

namespace {

// The fast path's DLL of this build, registered in the machine hive (where
// Wine's CLSIDFromProgID looks) for as long as the object lives.
struct FastPathRegistered {
    FastPathRegistered() {
        registered = registerFastPath(HKEY_LOCAL_MACHINE, exeFolder() + L"..\\app\\exe\\QuadcelXFast.dll");
    }
    ~FastPathRegistered() { unregisterFastPath(HKEY_LOCAL_MACHINE); }
    bool registered = false;
};

}  // namespace

// The drawing server loads the DLL into its own process, as a CAD
// application does; the commands then give the same table and drawing as
// call by call, and a fault inside a chunk leaves them as consistent.
TEST_F(ComCommands, TheFastPathInsideTheServerGivesTheSameResults) {
    std::string drawing = "name C:\\drawings\\fast.dwg\npick all\nentity SPLINE 1 -1\n";
    drawing += "polyline closed 0 0 120 0 120 -48 0 -48\n";
    for (int c = 1; c < 6; ++c)
        drawing += "line " + std::to_string(20 * c) + " 0 " + std::to_string(20 * c) + " -48\n";
    for (int r = 1; r < 6; ++r)
        drawing += "line 0 " + std::to_string(-8 * r) + " 120 " + std::to_string(-8 * r) + "\n";
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 6; ++c) {
            if (r == 5 && c == 1)
                continue;  // an empty cell for a new text
            const int a = (r * 6 + c) % 15;
            const std::string text = " R" + std::to_string(r) + "C" + std::to_string(c) + "\n";
            if (a == 0)
                drawing += "text 0 " + std::to_string(20 * c + 2) + " " + std::to_string(-8 * r - 6) + " 0 0" + text;
            else
                drawing += "text " + std::to_string(a) + " 0 0 " + std::to_string(20 * c + 10) + " " +
                           std::to_string(-8 * r - 4) + text;
        }
    }
    // What is left: the texts as the drawing file has them, and the records without IDs.
    auto outcome = [&](bool fast, const char16_t* failing, int k) {
        FastPathRegistered registration;
        if (!fast)
            unregisterFastPath(HKEY_LOCAL_MACHINE);
        start(drawing);
        EXPECT_EQ(static_cast<bool>(loadFastPath(server->application())), fast);
        form->Button1Click();
        StringGrid& g = form->StringGrid1;
        g.setCells(1, 1, u"編集");
        g.setCells(2, 3, u"");
        g.setCells(4, 6, u"");
        g.setCells(4, 6, u"再");
        g.setCells(2, 3, u"戻し");
        g.setCells(2, 6, u"追加");
        const std::u16string error = updateFailing(failing, k);
        const auto texts = savedTexts();
        std::vector<std::u16string> records;
        for (const auto& t : form->lists.textAry)
            records.push_back(t.sText + (t.objID ? u"+" : u"-"));
        const auto lines = form->Memo1.Lines();
        return std::make_tuple(texts, records, error.empty(), lines.back());
    };
    ASSERT_TRUE(FastPathRegistered().registered);
    EXPECT_EQ(outcome(true, nullptr, 0), outcome(false, nullptr, 0));
    for (const auto& [member, k] : std::vector<std::pair<const char16_t*, int>>{{u"TextString", 3}, {u"Move", 1}}) {
        const auto fast = outcome(true, member, k), slow = outcome(false, member, k);
        EXPECT_FALSE(std::get<2>(fast)) << toUtf8(member);
        EXPECT_EQ(fast, slow) << toUtf8(member);
    }
}

// Cells of several texts and a field number on a border, through COM with
// and without the fast path: edited lines come back from a second Get, and
// the user's U takes the whole Update back in one step.
TEST_F(ComCommands, StackedCellsRoundTripAndOneUndoStep) {
    const std::string drawing =
        "name C:\\drawings\\stacked.dwg\npick all\n"
        "polyline closed 0 0 40 0 40 -36 0 -36\n"
        "line 20 0 20 -36\nline 0 -12 40 -12\nline 0 -24 40 -24\n"
        "text 0 2 -4 0 0 A\ntext 0 2 -8 0 0 B\n"
        "text 0 22 -5 0 0 C\n"
        "text 0 2 -16 0 0 D\ntext 0 2 -20 0 0 E\n"
        "textheight 1.8\ntext 10 0 0 20 -18 7\n"  // a field number centred on the border
        "textheight 2.5\ntext 0 22 -28 0 0 F\n";
    for (const bool fast : {false, true}) {
        FastPathRegistered registration;
        if (!fast)
            unregisterFastPath(HKEY_LOCAL_MACHINE);
        start(drawing);
        form->Button1Click();
        TableModel& t = form->table;
        ASSERT_EQ(t.RowCount(), 4);
        EXPECT_EQ(t.Cells(1, 1), u"A\nB");
        EXPECT_EQ(t.Cells(1, 2), u"D\nE");
        EXPECT_EQ(t.Cells(2, 2), u"7");  // right of the border it sits on
        t.setCells(1, 1, u"A\nB2\nB3");
        t.setCells(1, 2, u"D");
        t.setCells(2, 1, u"");
        t.setCells(1, 3, u"G\nH");
        EXPECT_EQ(updateFailing(nullptr, 0), u"") << fast;
        EXPECT_EQ(form->Memo1.Lines().back(), u"[更新] 編集 = 1, 追加 = 3, 削除 = 2") << fast;
        form->Button1Click();
        EXPECT_EQ(t.Cells(1, 1), u"A\nB2\nB3") << fast;
        EXPECT_EQ(t.Cells(1, 2), u"D") << fast;
        EXPECT_EQ(t.Cells(2, 1), u"") << fast;
        EXPECT_EQ(t.Cells(1, 3), u"G\nH") << fast;
        EXPECT_EQ(server->application().call(u"QxUndoMarkOpen").toBool(), false);
        EXPECT_TRUE(server->application().call(u"QxUndo").toBool());
        form->Button1Click();
        EXPECT_EQ(t.Cells(1, 1), u"A\nB") << fast;
        EXPECT_EQ(t.Cells(1, 2), u"D\nE") << fast;
        EXPECT_EQ(t.Cells(2, 1), u"C") << fast;
        EXPECT_EQ(t.Cells(1, 3), u"") << fast;
    }
}

// Multiline templates of every attachment through COM: a value typed into
// the row below becomes one copy of its column's template, at the
// template's offset, and a second Get reads it back.
TEST_F(ComCommands, MultilineTextsOfEveryAttachment) {
    std::string drawing = "name C:\\drawings\\mtext.dwg\npick all\npolyline closed 0 0 180 0 180 -36 0 -36\n";
    for (int c = 1; c < 9; ++c)
        drawing += "line " + std::to_string(20 * c) + " 0 " + std::to_string(20 * c) + " -36\n";
    drawing += "line 0 -12 180 -12\nline 0 -24 180 -24\n";
    for (int a = 1; a <= 9; ++a) {
        const int x = 20 * (a - 1) + 3 + ((a - 1) % 3) * 7, y = -15 - ((a - 1) / 3) * 3;
        drawing += "text 0 " + std::to_string(20 * (a - 1) + 2) + " -6 0 0 H\n";
        drawing += "mtext " + std::to_string(a) + " " + std::to_string(x) + " " + std::to_string(y) +
                   " 15 2.5 {\\H2.5;T" + std::to_string(a) + "}\n";
    }
    start(drawing);
    form->Button1Click();
    TableModel& t = form->table;
    ASSERT_EQ(t.ColCount(), 10);
    for (int a = 1; a <= 9; ++a) {
        EXPECT_EQ(t.Cells(a, 2), u"T" + decimalText(a));
        t.setCells(a, 3, u"x\ny");
    }
    EXPECT_EQ(updateFailing(nullptr, 0), u"");
    EXPECT_EQ(form->Memo1.Lines().back(), u"[更新] 編集 = 0, 追加 = 9, 削除 = 0");
    Dispatch doc = server->application().get(u"ActiveDocument").toDispatch();
    for (int a = 1; a <= 9; ++a) {
        auto object = [&](int row) {
            return doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(t.firstId(a, row)))}).toDispatch();
        };
        const Dispatch copy = object(3), tmpl = object(2);
        EXPECT_EQ(copy.get(u"AttachmentPoint").toInt32(), a);
        EXPECT_EQ(copy.get(u"TextString").toString(), u"{\\H2.5;x\\Py}");
        const auto p = copy.get(u"InsertionPoint").toDoubles(), q = tmpl.get(u"InsertionPoint").toDoubles();
        EXPECT_NEAR(p[0], q[0], 1e-9) << a;
        EXPECT_NEAR(p[1], q[1] - 12, 1e-9) << a;
    }
    form->Button1Click();
    for (int a = 1; a <= 9; ++a)
        EXPECT_EQ(t.Cells(a, 3), u"x\ny") << a;
}
