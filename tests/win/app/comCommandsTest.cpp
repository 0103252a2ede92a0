// Get and Update through real COM against the drawing server in its own process.
#include <gtest/gtest.h>

#include <fstream>

#include "app/qdlXUnit.h"
#include "cad/com/comDispatch.h"
#include "cad/com/messageFilter.h"
#include "platform/platformFakes.h"
#include "serverProcess.h"

using namespace qx;
using namespace qx::cad;
using namespace qx::cad::com;

namespace {

const std::wstring kProgId = L"QuadcelX.CommandsTest";

struct ComCommands : testing::Test {
    fake::FakePlatform fakes;
    ComConnector connector;
    std::unique_ptr<DrawingServerProcess> server;
    std::unique_ptr<VivazQDLForm> form;
    std::wstring file;

    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        // Two columns, three rows; a text in row 2 serves column 1 as template.
        file = exeFolder() + L"comCommandsTest.txt";
        std::ofstream(file.c_str(), std::ios::binary) << "name C:\\drawings\\\xe9\x83\xa8\xe5\x93\x81\xe8\xa1\xa8.dwg\n"
                                                         "firstid 8589934590\n"
                                                         "polyline closed 0 0 20 0 20 -15 0 -15\n"
                                                         "line 10 0 10 -15\n"
                                                         "line 0 -5 20 -5\n"
                                                         "line 0 -10 20 -10\n"
                                                         "text 0 0 0 1 -1 abc\n"
                                                         "text 1 0.5 -7.5 0 0 \xe5\x93\x81\xe5\x90\x8d\n"
                                                         "text 2 0 0 11 -1 top\n"
                                                         "entity MTEXT 5 -5\n"
                                                         "pick all\n";
        server = std::make_unique<DrawingServerProcess>(DrawingServerProcess::defaultExe(), file, kProgId,
                                                        L"{3B9E6C24-8D1A-4F57-B0C3-6A2E91D47F08}");
        auto* filter = new TMessageFilter;
        filter->AddRef();  // the test keeps it alive across register and revoke
        VivazQDLForm::Services s;
        s.platform = fakes.platform();
        s.cad = &connector;
        s.registerFilter = [filter] { filter->RegisterFilter(); };
        s.revokeFilter = [filter] {
            filter->RevokeFilter();
            filter->Release();
        };
        s.ownHandle = [] { return std::uint64_t{0x7000}; };
        s.setMinimized = [](bool) {};
        form = std::make_unique<VivazQDLForm>(s);
        form->FormCreate();
        form->targetProgID = std::u16string(kProgId.begin(), kProgId.end());
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
        CoUninitialize();
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
    EXPECT_EQ(log[0], u"Select = 7");  // the multiline text is filtered out
    EXPECT_EQ(log[2], u"Line = 7, Text = 3");
    EXPECT_EQ(log[3], u"Yoko = 4, Tate = 3");
    EXPECT_NE(form->Caption().find(u"部品表.dwg"), std::u16string::npos) << toUtf8(form->Caption());
    StringGrid& g = form->StringGrid1;
    ASSERT_EQ(g.ColCount(), 3);
    ASSERT_EQ(g.RowCount(), 4);
    EXPECT_EQ(g.Cells(1, 1), u"abc");
    EXPECT_EQ(g.Cells(1, 2), u"品名");
    EXPECT_EQ(g.Objects(1, 1), 8589934594);

    g.setCells(1, 1, u"型式");
    g.setCells(2, 1, u"");
    g.setCells(1, 3, u"新規");
    form->Memo1.clear();
    form->Button2Click();
    EXPECT_EQ(form->Memo1.Lines().back(), u"[更新] 編集 = 1, 追加 = 1, 削除 = 1");
    EXPECT_EQ(textOf(8589934594), u"型式");
    EXPECT_THROW(textOf(8589934596), Error);  // "top" was erased
    const std::int64_t created = g.Objects(1, 3);
    ASSERT_GT(created, 8589934597);
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
