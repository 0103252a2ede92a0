// The drawing server as a separate process, reached like a CAD application.
#include <gtest/gtest.h>

#include <fstream>

#include "cad/com/comDispatch.h"
#include "core/text.h"
#include "testing/serverProcess.h"
#include "tools/cad-standin/memDrawing.h"

using namespace qx::cad;
using namespace qx::cad::com;

namespace {

const std::wstring kProgId = L"QuadcelX.DrawingServerTest";
const std::wstring kClsid = L"{0E4F3B7A-2C6D-4B58-8F1E-3A9C7D20E415}";

std::u16string u16(const std::wstring& s) {
    return std::u16string(s.begin(), s.end());
}

class DrawingServer : public ::testing::Test {
protected:
    // First, so that it goes last, after every COM object the test holds.
    qx::win::ComApartment apartment;
    void SetUp() override {
        ASSERT_TRUE(apartment);
        file_ = exeFolder() + L"drawingServerTest.txt";
        std::ofstream(file_.c_str(), std::ios::binary) << "name C:\\\xe5\x9b\xb3\xe9\x9d\xa2.dwg\n"
                                                          "firstid 8589934592\n"
                                                          "line 0 0 10 0\n"
                                                          "text 0 1 -1 0 0 \xe5\x93\x81\xe5\x90\x8d\n"
                                                          "entity CIRCLE 0 0\n"
                                                          // {\H3;品名}\P数量, bottom centre
                                                          "mtext 8 5 -5 0 2.5 {\\H3;\xe5\x93\x81\xe5\x90\x8d}"
                                                          "\\P\xe6\x95\xb0\xe9\x87\x8f\n"
                                                          "pick all\n";
        server_ = std::make_unique<DrawingServerProcess>(DrawingServerProcess::defaultExe(), file_, kProgId, kClsid);
        app_ = server_->application();
        doc_ = app_.get(u"ActiveDocument").toDispatch();
        textId_ = app_.call(u"QxIds").toVariants().at(1).toInt64();
    }
    void TearDown() override {
        app_ = doc_ = {};
        if (server_) {
            EXPECT_EQ(server_->quit(), 0u);
        }
        EXPECT_FALSE(ComConnector().isTargetRunning(u16(kProgId)));
        server_.reset();
        DeleteFileW(file_.c_str());
    }
    Dispatch pick() {
        Dispatch set =
            doc_.get(u"SelectionSets").toDispatch().call(u"Add", {Variant::byRef(Variant(u"ssTemp"))}).toDispatch();
        set.call(u"SelectOnScreen", {Variant::byRef(std::vector<std::int16_t>{0}),
                                     Variant::byRef(std::vector<Variant>{Variant(u"TEXT,*LINE")})});
        return set;
    }

    std::wstring file_;
    std::unique_ptr<DrawingServerProcess> server_;
    Dispatch app_, doc_;
    std::int64_t textId_ = 0;  // the text's ID in this run
};

}  // namespace

TEST_F(DrawingServer, ServesTheDrawingToAnotherProcess) {
    EXPECT_EQ(doc_.get(u"FullName").toString(), u"C:\\図面.dwg");
    Dispatch set = pick();
    ASSERT_EQ(set.get(u"Count").toInt32(), 2);
    Dispatch text = set.call(u"Item", {Variant(1)}).toDispatch();
    auto id = text.get(u"ObjectID").toInt64();
    EXPECT_EQ(id, textId_);
    EXPECT_GT(id, std::int64_t{1} << 32);
    Dispatch same = doc_.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(id))}).toDispatch();
    same.put(u"TextString", Variant(u"数量"));
    EXPECT_EQ(text.get(u"TextString").toString(), u"数量");
    EXPECT_EQ(text.get(u"InsertionPoint").toDoubles(), (std::vector<double>{1, -1, 0}));
    try {
        doc_.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(7))});
        ADD_FAILURE() << "no error";
    } catch (const qx::Error& e) {
        EXPECT_NE(e.message().find(u"no object has the ID 7"), std::u16string::npos);
    }
    set.call(u"Delete");
}

TEST_F(DrawingServer, TestControlsPickFailEraseAndCount) {
    app_.call(u"QxPickIds", {Variant(std::vector<Variant>{Variant::int64(textId_)})});
    Dispatch set = pick();
    EXPECT_EQ(set.get(u"Count").toInt32(), 1);
    set.call(u"Delete");

    app_.call(u"QxPickCancel");
    EXPECT_THROW(pick(), qx::Error);

    int before = app_.call(u"QxCallCount", {Variant(u"TextString")}).toInt32();
    app_.call(u"QxFailCall", {Variant(u"TextString"), Variant(1), Variant(u"図面が壊れています")});
    Dispatch text = doc_.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(textId_))}).toDispatch();
    try {
        text.get(u"TextString");
        ADD_FAILURE() << "no error";
    } catch (const qx::Error& e) {
        EXPECT_NE(e.message().find(u"図面が壊れています"), std::u16string::npos);
    }
    EXPECT_EQ(text.get(u"TextString").toString(), u"品名");
    EXPECT_EQ(app_.call(u"QxCallCount", {Variant(u"TextString")}).toInt32(), before + 2);

    app_.call(u"QxErase", {Variant::int64(textId_)});
    EXPECT_THROW(doc_.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(textId_))}), qx::Error);
}

// A CAD application refuses to put a point that does not place the text, and
// its object IDs live for one run: a later run never hands out the same.
TEST_F(DrawingServer, KeepsTheObjectModelsRulesAcrossTheBoundary) {
    Dispatch text = doc_.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(textId_))}).toDispatch();
    try {
        text.put(u"TextAlignmentPoint", Variant::byRef(std::vector<double>{5, 5, 0}));
        ADD_FAILURE() << "no error";
    } catch (const qx::Error& e) {
        EXPECT_NE(e.message().find(u"not applicable"), std::u16string::npos) << qx::toUtf8(e.message());
    }
    text.call(u"Move", {Variant(std::vector<double>{0, 0, 0}), Variant(std::vector<double>{2, -3, 0})});
    EXPECT_EQ(text.get(u"InsertionPoint").toDoubles(), (std::vector<double>{3, -4, 0}));
    EXPECT_EQ(text.get(u"ObjectName").toString(), u"AcDbText");
    EXPECT_EQ(doc_.get(u"Name").toString(), u"図面.dwg");

    app_.call(u"QxNewDocument", {Variant(u"")});
    Dispatch other = app_.get(u"ActiveDocument").toDispatch();
    EXPECT_EQ(other.get(u"FullName").toString(), u"");
    EXPECT_EQ(other.get(u"Name").toString(), u"Drawing1.dwg");
    EXPECT_THROW(other.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(textId_))}), qx::Error);
    app_.call(u"QxActivateDocument", {Variant(0)});

    // The same file served again.
    const auto firstRun = app_.call(u"QxIds").toVariants();
    app_ = doc_ = {};
    EXPECT_EQ(server_->quit(), 0u);
    server_ = std::make_unique<DrawingServerProcess>(DrawingServerProcess::defaultExe(), file_, kProgId, kClsid);
    app_ = server_->application();
    doc_ = app_.get(u"ActiveDocument").toDispatch();
    for (const auto& id : app_.call(u"QxIds").toVariants()) {
        for (const auto& old : firstRun)
            EXPECT_NE(id.toInt64(), old.toInt64());
    }
}

TEST_F(DrawingServer, BusyServerRefusesCalls) {
    app_.call(u"QxRejectCalls", {Variant(1)});
    try {
        doc_.get(u"FullName");
        ADD_FAILURE() << "no error";
    } catch (const qx::Error& e) {
        EXPECT_NE(e.message().find(u"0x80010001"), std::u16string::npos) << qx::toUtf8(e.message());
    }
    EXPECT_EQ(doc_.get(u"FullName").toString(), u"C:\\図面.dwg");
}

TEST_F(DrawingServer, MemberIdsCrossTheBoundaryOncePerKindAndName) {
    Dispatch set = pick();
    Dispatch first = set.call(u"Item", {Variant(0)}).toDispatch();
    first.get(u"EntityName");  // every name this test uses on an entity is known now
    int before = app_.get(u"QxNameLookups").toInt32();
    for (int i = 0; i < 5; ++i) {
        Dispatch e = set.call(u"Item", {Variant(i % 2)}).toDispatch();
        e.get(u"EntityName");
    }
    // Five new objects, ten calls, no look-up: every name is known for its kind.
    EXPECT_EQ(app_.get(u"QxNameLookups").toInt32() - before, 0);
    set.call(u"Delete");
}

TEST_F(DrawingServer, SavesTheDrawingItServes) {
    Dispatch text = doc_.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(textId_))}).toDispatch();
    text.put(u"TextString", Variant(u"型式"));
    auto saved = exeFolder() + L"drawingServerSaved.txt";
    app_.call(u"QxSave", {Variant(u16(saved))});
    std::ifstream in(saved.c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("text 0 1 -1 0 0 \xe5\x9e\x8b\xe5\xbc\x8f\n"), std::string::npos) << bytes;
    in.close();
    DeleteFileW(saved.c_str());
}

namespace {

std::vector<Variant> boxOf(const Dispatch& entity) {
    std::vector<Variant> corners{Variant::byRef(Variant()), Variant::byRef(Variant())};
    entity.invoke(u"GetBoundingBox", corners);
    return corners;
}

}  // namespace

// The corners come back through the client's by-reference variables across
// the process boundary, the same as the drawing gives them in-process; the
// text's own height and rotation cross too and are saved.
TEST_F(DrawingServer, BoundingBoxesAndTextSizesCrossTheBoundary) {
    Dispatch text = doc_.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(textId_))}).toDispatch();
    Dispatch turned = text.call(u"Copy").toDispatch();
    turned.put(u"Height", Variant(4.0));
    turned.put(u"Rotation", Variant(0.5));
    EXPECT_EQ(turned.get(u"Height"), Variant(4.0));
    EXPECT_EQ(turned.get(u"Rotation"), Variant(0.5));
    EXPECT_THROW(turned.put(u"Height", Variant(0.0)), qx::Error);

    MemDrawing local;
    const auto plain = local.addText(u"品名", {1, -1, 0}, {}, 0);
    const auto rotated = local.addText(u"品名", {1, -1, 0}, {}, 0, 4.0, 0.5);
    auto localDoc = local.application().get(u"ActiveDocument").toDispatch();
    for (auto [remote, id] : {std::pair{text, plain}, std::pair{turned, rotated}}) {
        auto got = boxOf(remote);
        auto want = boxOf(localDoc.call(u"ObjectIdToObject", {Variant::int64(id)}).toDispatch());
        ASSERT_EQ(got.size(), 2u);
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(got[i].isByRef());
            EXPECT_EQ(got[i].toDoubles(), want[i].toDoubles()) << i;
        }
    }
    auto line =
        doc_.call(u"ObjectIdToObject", {Variant::int64(app_.call(u"QxIds").toVariants().at(0).toInt64())}).toDispatch();
    auto lineBox = boxOf(line);
    EXPECT_EQ(lineBox[0].toDoubles(), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(lineBox[1].toDoubles(), (std::vector<double>{10, 0, 0}));
    try {
        text.call(u"GetBoundingBox", {Variant::byRef(Variant())});
        ADD_FAILURE() << "no error";
    } catch (const qx::Error& e) {
        EXPECT_NE(e.message().find(u"parameter not optional"), std::u16string::npos) << qx::toUtf8(e.message());
    }

    auto saved = exeFolder() + L"drawingServerSized.txt";
    app_.call(u"QxSave", {Variant(u16(saved))});
    std::ifstream in(saved.c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("textheight 4\ntextrotation 28.64788975654116\ntext 0 1 -1 0 0 "), std::string::npos) << bytes;
    in.close();
    DeleteFileW(saved.c_str());
}

// The user's U through QxUndo: a marked group of a client's edits, copies,
// moves and deletions goes back at once; unmarked calls one at a time; marks
// left unbalanced are counted.
TEST_F(DrawingServer, UndoGroupsAsTheApplicationKeepsThem) {
    Dispatch text = doc_.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(textId_))}).toDispatch();
    const auto lineId = app_.call(u"QxIds").toVariants().at(0).toInt64();
    Dispatch line = doc_.call(u"ObjectIdToObject", {Variant::int64(lineId)}).toDispatch();
    const std::vector<Variant> by{Variant(std::vector<double>{0, 0, 0}), Variant(std::vector<double>{2, 3, 0})};
    const auto idsBefore = app_.call(u"QxIds").toVariants();

    doc_.call(u"StartUndoMark");
    EXPECT_TRUE(app_.call(u"QxUndoMarkOpen").toBool());
    text.put(u"TextString", Variant(u"型式"));
    text.put(u"Height", Variant(3.5));
    text.call(u"Move", by);
    Dispatch copy = text.call(u"Copy").toDispatch();
    copy.call(u"Move", by);
    line.call(u"Delete");
    doc_.call(u"EndUndoMark");
    EXPECT_EQ(app_.call(u"QxUndoGroupCount").toInt32(), 1);
    EXPECT_TRUE(app_.call(u"QxUndo").toBool());
    EXPECT_EQ(text.get(u"TextString").toString(), u"品名");
    EXPECT_EQ(text.get(u"Height"), Variant(2.5));
    EXPECT_EQ(text.get(u"InsertionPoint").toDoubles(), (std::vector<double>{1, -1, 0}));
    EXPECT_EQ(line.get(u"EndPoint").toDoubles(), (std::vector<double>{10, 0, 0}));
    EXPECT_EQ(app_.call(u"QxIds").toVariants(), idsBefore);
    EXPECT_FALSE(app_.call(u"QxUndo").toBool());

    text.put(u"TextString", Variant(u"一"));
    text.put(u"TextString", Variant(u"二"));
    EXPECT_EQ(app_.call(u"QxUndoGroupCount").toInt32(), 2);
    EXPECT_TRUE(app_.call(u"QxUndo").toBool());
    EXPECT_EQ(text.get(u"TextString").toString(), u"一");

    EXPECT_EQ(app_.call(u"QxUndoMarkMisuse").toInt32(), 0);
    doc_.call(u"EndUndoMark");
    doc_.call(u"StartUndoMark");
    text.put(u"TextString", Variant(u"三"));
    EXPECT_TRUE(app_.call(u"QxUndo").toBool());  // closes the open mark first
    EXPECT_EQ(text.get(u"TextString").toString(), u"一");
    EXPECT_EQ(app_.call(u"QxUndoMarkMisuse").toInt32(), 2);
    EXPECT_FALSE(app_.call(u"QxUndoMarkOpen").toBool());
}

// A multiline text's members across the process boundary: read, written in
// one undo group and taken back, refused, its frame as the drawing gives it
// in-process, admitted by a filter that names MTEXT, and saved as an mtext line.
TEST_F(DrawingServer, MultilineTextMembersCrossTheBoundary) {
    const auto id = app_.call(u"QxIds").toVariants().at(3).toInt64();
    Dispatch m = doc_.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(id))}).toDispatch();
    EXPECT_EQ(m.get(u"ObjectName").toString(), u"AcDbMText");
    EXPECT_EQ(m.get(u"TextString").toString(), u"{\\H3;品名}\\P数量");
    EXPECT_EQ(m.get(u"InsertionPoint").toDoubles(), (std::vector<double>{5, -5, 0}));
    EXPECT_EQ(m.get(u"AttachmentPoint"), Variant(8));
    EXPECT_EQ(m.get(u"Width"), Variant(0.0));
    EXPECT_EQ(m.get(u"Height"), Variant(2.5));
    EXPECT_EQ(m.get(u"Rotation"), Variant(0.0));
    EXPECT_EQ(m.get(u"LineSpacingFactor"), Variant(1.0));
    EXPECT_THROW(m.get(u"Alignment"), MemberNotFound);
    EXPECT_THROW(m.put(u"TextAlignmentPoint", Variant(std::vector<double>{0, 0, 0})), MemberNotFound);

    doc_.call(u"StartUndoMark");
    m.put(u"TextString", Variant(u"\\L型式\\l\\P\\P備考"));
    m.put(u"AttachmentPoint", Variant(1));
    m.put(u"Width", Variant(40.0));
    m.put(u"Height", Variant(3.5));
    m.put(u"LineSpacingFactor", Variant(1.5));
    m.put(u"Rotation", Variant(0.25));
    doc_.call(u"EndUndoMark");
    for (const auto& [member, bad] : {std::pair{u"Width", Variant(-1.0)}, std::pair{u"AttachmentPoint", Variant(0)},
                                      std::pair{u"Height", Variant(0.0)}}) {
        try {
            m.put(member, bad);
            ADD_FAILURE() << qx::toUtf8(member) << ": no error";
        } catch (const qx::Error& e) {
            EXPECT_NE(e.message().find(u"invalid input"), std::u16string::npos) << qx::toUtf8(e.message());
        }
    }
    EXPECT_EQ(app_.call(u"QxUndoGroupCount").toInt32(), 1);

    MemDrawing local;
    const auto placed = m.get(u"InsertionPoint").toDoubles();
    const auto same =
        local.addMText(u"\\L型式\\l\\P\\P備考", {placed.at(0), placed.at(1), placed.at(2)}, 1, 40, 3.5, 0.25, 1.5);
    auto got = boxOf(m);
    auto want = boxOf(local.application()
                          .get(u"ActiveDocument")
                          .toDispatch()
                          .call(u"ObjectIdToObject", {Variant::int64(same)})
                          .toDispatch());
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(got[i].isByRef());
        EXPECT_EQ(got[i].toDoubles(), want[i].toDoubles()) << i;
    }

    Dispatch set =
        doc_.get(u"SelectionSets").toDispatch().call(u"Add", {Variant::byRef(Variant(u"ssMText"))}).toDispatch();
    set.call(u"SelectOnScreen", {Variant::byRef(std::vector<std::int16_t>{0}),
                                 Variant::byRef(std::vector<Variant>{Variant(u"TEXT,MTEXT,*LINE")})});
    EXPECT_EQ(set.get(u"Count").toInt32(), 3);
    EXPECT_EQ(set.call(u"Item", {Variant(2)}).toDispatch().get(u"ObjectID").toInt64(), id);
    set.call(u"Delete");

    auto saved = exeFolder() + L"drawingServerMText.txt";
    app_.call(u"QxSave", {Variant(u16(saved))});
    std::ifstream in(saved.c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("linespacing 1.5\nmtext 1 "), std::string::npos) << bytes;
    EXPECT_NE(bytes.find(" 40 3.5 \\L\xe5\x9e\x8b\xe5\xbc\x8f\\l\\P\\P\xe5\x82\x99\xe8\x80\x83\n"), std::string::npos)
        << bytes;
    in.close();
    DeleteFileW(saved.c_str());

    EXPECT_TRUE(app_.call(u"QxUndo").toBool());
    EXPECT_EQ(m.get(u"TextString").toString(), u"{\\H3;品名}\\P数量");
    EXPECT_EQ(m.get(u"InsertionPoint").toDoubles(), (std::vector<double>{5, -5, 0}));
    EXPECT_EQ(m.get(u"AttachmentPoint"), Variant(8));
    EXPECT_EQ(m.get(u"Width"), Variant(0.0));
    EXPECT_EQ(m.get(u"LineSpacingFactor"), Variant(1.0));
}

TEST(DrawingServerRegistration, UnregisterRemovesTheIdentifier) {
    auto exe = DrawingServerProcess::defaultExe();
    ASSERT_EQ(runProgram(exe, L"/regserver QuadcelX.Gone {9A0B4C71-33E2-4D0F-A6B8-7C51E2F9D034}"), 0u);
    CLSID clsid;
    EXPECT_TRUE(SUCCEEDED(CLSIDFromProgID(L"QuadcelX.Gone", &clsid)));
    ASSERT_EQ(runProgram(exe, L"/unregserver QuadcelX.Gone"), 0u);
    EXPECT_EQ(CLSIDFromProgID(L"QuadcelX.Gone", &clsid), CO_E_CLASSSTRING);
}
