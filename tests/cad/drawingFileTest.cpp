#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <numbers>
#include <sstream>

#include "core/text.h"
#include "tools/cad-standin/drawingFile.h"

using namespace qx::cad;
using qx::Error;

TEST(DrawingFile, ReadsEveryItem) {
    auto drawing = loadDrawing(
        u"# a two-cell table\r\n"
        u"name C:\\図面\\my table.dwg\r\n"
        u"firstid 4294967300\n"
        u"hwnd 655406\n"
        u"line 0 0 20 0\n"
        u"polyline closed 0 0 20 0 20 -10 0 -10\n"
        u"\n"
        u"text 0 1.5 -2 0 0 品名  A-1\n"
        u"entity MTEXT 3 -3\n"
        u"pick entities 1 3\n");
    EXPECT_EQ(drawing->fullName(), u"C:\\図面\\my table.dwg");
    EXPECT_EQ(drawing->hwnd(), 655406u);
    auto ids = drawing->liveIds();
    ASSERT_EQ(ids.size(), 4u);
    EXPECT_EQ(ids[0], 4294967300);
    EXPECT_EQ(drawing->entity(ids[1])->coordinates, (std::vector<double>{0, 0, 20, 0, 20, -10, 0, -10}));
    EXPECT_TRUE(drawing->entity(ids[1])->closed);
    auto text = *drawing->entity(ids[2]);
    EXPECT_EQ(text.text, u"品名  A-1");  // the rest of the line, inner blanks kept
    EXPECT_EQ(text.alignment, 0);
    EXPECT_EQ(text.insertionPoint, (Point3{1.5, -2, 0}));
    EXPECT_EQ(text.alignmentPoint, (Point3{0, 0, 0}));
    // The old position line: a multiline text without contents, which the Get's filter leaves out.
    const auto marker = *drawing->entity(ids[3]);
    EXPECT_EQ(marker.kind, EntityKind::MText);
    EXPECT_EQ(marker.text, u"");
    EXPECT_EQ(marker.insertionPoint, (Point3{3, -3, 0}));
    EXPECT_EQ(marker.attachment, 1);
    EXPECT_EQ(marker.width, 0);
    EXPECT_EQ(marker.height, kMemTextHeight);

    auto doc = drawing->application().get(u"ActiveDocument").toDispatch();
    auto set = doc.get(u"SelectionSets").toDispatch().call(u"Add", {Variant(u"ssTemp")}).toDispatch();
    set.call(u"SelectOnScreen");
    EXPECT_EQ(drawing->selectionSetIds(u"ssTemp"), (std::vector<std::int64_t>{ids[0], ids[2]}));
}

TEST(DrawingFile, CancelledPick) {
    auto drawing = loadDrawing(u"text 0 0 0 0 0 x\npick cancel\n");
    auto doc = drawing->application().get(u"ActiveDocument").toDispatch();
    auto set = doc.get(u"SelectionSets").toDispatch().call(u"Add", {Variant(u"s")}).toDispatch();
    EXPECT_THROW(set.call(u"SelectOnScreen"), Error);
}

TEST(DrawingFile, SavedDrawingLoadsAsTheSameEntities) {
    auto drawing = loadDrawing(
        u"name C:\\図面.dwg\nfirstid 8589934592\nline 0 0 20.125 0\npolyline open 0 0 0.1 -10\n"
        u"text 2 1 -2 3.3333333333333335 -2 数量 12\nentity SPLINE 3 -3\ntext 0 0 0 0 0 gone\n");
    auto ids = drawing->liveIds();
    drawing->erase(ids[4]);
    auto doc = drawing->application().get(u"ActiveDocument").toDispatch();
    doc.call(u"ObjectIdToObject", {Variant::int64(ids[2])}).toDispatch().put(u"TextString", Variant(u"a\r\nb"));

    auto saved = saveDrawing(*drawing);
    auto again = loadDrawing(saved);
    EXPECT_EQ(saveDrawing(*again), saved);
    EXPECT_EQ(again->fullName(), u"C:\\図面.dwg");
    auto newIds = again->liveIds();
    ASSERT_EQ(newIds.size(), 4u);
    EXPECT_EQ(newIds[0], 8589934592);
    EXPECT_EQ(again->entity(newIds[0])->end, (Point3{20.125, 0, 0}));
    EXPECT_EQ(again->entity(newIds[1])->coordinates, (std::vector<double>{0, 0, 0.1, -10}));
    auto text = *again->entity(newIds[2]);
    EXPECT_EQ(text.text, u"a  b");  // one line per text
    EXPECT_EQ(text.alignment, 2);
    EXPECT_EQ(text.alignmentPoint.x, 3.3333333333333335);
    EXPECT_EQ(again->entity(newIds[3])->kind, EntityKind::Spline);
}

TEST(DrawingFile, UnsavedDrawingAndMissingMembers) {
    auto drawing = loadDrawing(u"unsaved\nmissing EntityName\ntext 0 1 -1 0 0 x\npick all\n");
    EXPECT_EQ(drawing->fullName(), u"");
    EXPECT_EQ(drawing->name(), u"Drawing1.dwg");
    auto doc = drawing->application().get(u"ActiveDocument").toDispatch();
    auto text = doc.call(u"ObjectIdToObject", {Variant::int64(drawing->liveIds()[0])}).toDispatch();
    EXPECT_THROW(text.get(u"EntityName"), qx::cad::MemberNotFound);
    EXPECT_EQ(text.get(u"ObjectName").toString(), u"AcDbText");
    EXPECT_EQ(saveDrawing(*drawing).substr(0, 8), u"unsaved\n");
}

// What a file may hold at the edges of its values saves and loads again as
// the same drawing: the largest window handle, the last object IDs, and
// carriage returns inside a line, which are blanks.
TEST(DrawingFile, EdgeValuesSaveAndLoadAgainAsTheSameDrawing) {
    auto drawing =
        loadDrawing(u"name a\r\r\nhwnd 18446744073709551615\nfirstid 9223372036854775806\ntext 1 0 0 5 5 \rx\ry\r\r\n");
    EXPECT_EQ(drawing->fullName(), u"a ");
    EXPECT_EQ(drawing->hwnd(), std::numeric_limits<std::uint64_t>::max());
    ASSERT_EQ(drawing->liveEntities().size(), 1u);
    EXPECT_EQ(drawing->liveEntities()[0].text, u"x y ");
    auto saved = saveDrawing(*drawing);
    auto again = loadDrawing(saved);
    EXPECT_EQ(again->liveEntities(), drawing->liveEntities());
    EXPECT_EQ(again->hwnd(), drawing->hwnd());
    EXPECT_EQ(saveDrawing(*again), saved);

    auto windowless = loadDrawing(u"hwnd 0\n");
    EXPECT_EQ(loadDrawing(saveDrawing(*windowless))->hwnd(), 0u);
}

// The file's insertion point of a text that the drawing places by its
// alignment point is not what the drawing holds: it derives its own.
TEST(DrawingFile, DerivedInsertionPointIsTheDrawingsOwn) {
    auto drawing = loadDrawing(u"text 2 99 99 10 -5 ab\n");
    auto text = *drawing->entity(drawing->liveIds()[0]);
    EXPECT_EQ(text.alignmentPoint, (Point3{10, -5, 0}));
    EXPECT_EQ(text.insertionPoint, (Point3{10 - kMemTextHeight, -5, 0}));  // two half-width characters
}

// Heights and rotations apply to the texts after them; saving writes them
// only where they change, and what it wrote loads to the same texts.
TEST(DrawingFile, TextHeightAndRotationLinesRoundTrip) {
    auto drawing = loadDrawing(
        u"text 0 0 0 0 0 a\n"
        u"textheight 5\ntextrotation 90\n"
        u"text 0 1 1 0 0 b\n"
        u"text 2 0 0 10 0 cd\n"
        u"textheight 1.25\n"
        u"line 0 0 1 1\n"
        u"text 0 2 2 0 0 e\n"
        u"textrotation 0\n"
        u"text 0 3 3 0 0 f\n");
    auto texts = drawing->liveEntities();
    ASSERT_EQ(texts.size(), 6u);
    struct Want {
        double height, rotation;
    };
    const double quarter = std::numbers::pi / 2;
    const Want want[] = {{2.5, 0}, {5, quarter}, {5, quarter}, {0, 0}, {1.25, quarter}, {1.25, 0}};
    for (std::size_t i : {0u, 1u, 2u, 4u, 5u}) {
        EXPECT_EQ(texts[i].height, want[i].height) << i;
        EXPECT_DOUBLE_EQ(texts[i].rotation, want[i].rotation) << i;
    }
    // "cd" is right-aligned at (10, 0): its baseline of 5 units runs up to it.
    EXPECT_NEAR(texts[2].insertionPoint.x, 10, 1e-12);
    EXPECT_NEAR(texts[2].insertionPoint.y, -5, 1e-12);

    auto saved = saveDrawing(*drawing);
    EXPECT_NE(saved.find(u"text 0 0 0 0 0 a\ntextheight 5\ntextrotation 90\ntext 0 1 1 0 0 b\ntext 2 "),
              std::u16string::npos)
        << qx::toUtf8(saved);
    EXPECT_NE(saved.find(u"line 0 0 1 1\ntextheight 1.25\ntext 0 2 2 0 0 e\ntextrotation 0\ntext 0 3 3"),
              std::u16string::npos)
        << qx::toUtf8(saved);
    auto again = loadDrawing(saved);
    EXPECT_EQ(again->liveEntities(), drawing->liveEntities());
    EXPECT_EQ(saveDrawing(*again), saved);
}

// Angles in degrees that have no short exact radian value, and one put
// through automation that no decimal degrees give exactly, save and load
// again to the same drawing.
TEST(DrawingFile, RotationsSaveAsDegreesThatReadBackTheSame) {
    std::u16string file;
    for (const char16_t* degrees : {u"0.1", u"-45", u"359.99999999999994", u"1e-300", u"123456.789", u"1e300"})
        file += u"textrotation " + std::u16string(degrees) + u"\ntext 0 0 0 0 0 x\n";
    auto drawing = loadDrawing(file);
    const auto id = drawing->addText(u"y", {0, 0, 0}, {0, 0, 0}, 0, 2.5, 0.1234567890123456789);
    auto saved = saveDrawing(*drawing);
    auto again = loadDrawing(saved);
    const auto before = drawing->liveEntities(), after = again->liveEntities();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i + 1 < before.size(); ++i)
        EXPECT_EQ(after[i].rotation, before[i].rotation) << i;
    EXPECT_NEAR(after.back().rotation, drawing->entity(id)->rotation, 1e-15);
    EXPECT_EQ(saveDrawing(*again), saved);
}

struct BadLine {
    const char16_t* text;
    const char16_t* message;
};

class DrawingFileErrors : public ::testing::TestWithParam<BadLine> {};

TEST_P(DrawingFileErrors, NameTheLine) {
    try {
        loadDrawing(GetParam().text);
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Items, DrawingFileErrors,
    ::testing::Values(BadLine{u"line 0 0 1", u"line 1: expected 4 values"},
                      BadLine{u"# c\nline 0 0 1 x", u"line 2: \"x\" is not a number"},
                      BadLine{u"line 0 0 1 1e999", u"line 1: \"1e999\" is not a number"},
                      BadLine{u"polyline shut 0 0 1 1", u"line 1: a polyline is open or closed"},
                      BadLine{u"polyline open 0 0 1", u"line 1: a polyline needs x y pairs of at least two vertices"},
                      BadLine{u"text 15 0 0 0 0 a", u"line 1: the alignment is 0 to 14"},
                      BadLine{u"text 1 0 0 0", u"line 1: a text needs an alignment and two points"},
                      BadLine{u"entity ARC 0 0", u"line 1: unknown entity kind \"ARC\""},
                      BadLine{u"pick some", u"line 1: unknown pick \"some\""},
                      BadLine{u"line 0 0 1 1\npick entities 2", u"line 2: there is no entity 2"},
                      BadLine{u"pick entities 0", u"line 1: entities count from 1"},
                      BadLine{u"firstid 0", u"line 1: object IDs start above 0"},
                      BadLine{u"firstid 99999999999999999999", u"line 1: \"99999999999999999999\" is not an integer"},
                      BadLine{u"name", u"line 1: the name is missing"},
                      BadLine{u"name \r\r\nline 0 0 1 1", u"line 1: the name is missing"},
                      BadLine{u"hwnd -1", u"line 1: \"-1\" is not an unsigned integer"},
                      BadLine{u"firstid 9223372036854775807\nline 0 0 1 1",
                              u"line 1: too few object IDs above it for the drawing's entities"},
                      BadLine{u"unsaved now", u"line 1: expected 0 values"},
                      BadLine{u"missing", u"line 1: expected 1 values"},
                      BadLine{u"circle 0 0 1", u"line 1: unknown item \"circle\""},
                      BadLine{u"textheight 0", u"line 1: a text's height is a finite number above 0"},
                      BadLine{u"textheight -2.5", u"line 1: a text's height is a finite number above 0"},
                      BadLine{u"textheight inf", u"line 1: a text's height is a finite number above 0"},
                      BadLine{u"textheight nan", u"line 1: a text's height is a finite number above 0"},
                      BadLine{u"textheight", u"line 1: expected 1 values"},
                      BadLine{u"textrotation 1e308", u"line 1: a text's rotation is a finite number of degrees"},
                      BadLine{u"textrotation nan", u"line 1: a text's rotation is a finite number of degrees"},
                      BadLine{u"textrotation 90 deg", u"line 1: expected 1 values"},
                      BadLine{u"mtext 1 0 0 0", u"line 1: a multiline text needs attachment, point, width and height"},
                      BadLine{u"mtext 0 0 0 0 2.5 a", u"line 1: the attachment point is 1 to 9"},
                      BadLine{u"mtext 10 0 0 0 2.5 a", u"line 1: the attachment point is 1 to 9"},
                      BadLine{u"mtext 1.5 0 0 0 2.5 a", u"line 1: \"1.5\" is not an integer"},
                      BadLine{u"mtext 1 0 0 -1 2.5 a", u"line 1: a multiline text's width is finite, 0 or more"},
                      BadLine{u"mtext 1 0 0 inf 2.5 a", u"line 1: a multiline text's width is finite, 0 or more"},
                      BadLine{u"mtext 1 0 0 0 0 a", u"line 1: a multiline text's height is a finite number above 0"},
                      BadLine{u"mtext 1 0 x 0 2.5 a", u"line 1: \"x\" is not a number"},
                      BadLine{u"linespacing 0.2", u"line 1: a line spacing factor is 0.25 to 4"},
                      BadLine{u"linespacing nan", u"line 1: a line spacing factor is 0.25 to 4"},
                      BadLine{u"linespacing", u"line 1: expected 1 values"}));

// The mtext line: attachment point, insertion point, width, height, then the
// raw contents to the end of the line. textrotation and linespacing apply to
// the multiline texts after them, textheight does not.
TEST(DrawingFile, MTextLinesLoadAsWritten) {
    auto drawing = loadDrawing(
        u"mtext 1 20.99999999999997 266.0 0.0 1.0 \\H2;Tehnolo\\U+0161ki list\n"
        u"textheight 9\n"
        u"textrotation 90\n"
        u"linespacing 2.5\n"
        u"mtext 9 -1 2 30 3.5 {\\fArial|b1;品名};  \\Pa\\~b \\{x\\}\n"
        u"mtext 5 0 0 0 1\n");
    MemDrawing want;
    const double quarter = 90 * std::numbers::pi / 180;
    want.addMText(u"\\H2;Tehnolo\\U+0161ki list", {20.99999999999997, 266, 0}, 1, 0, 1);
    // Blanks inside and semicolons kept.
    want.addMText(u"{\\fArial|b1;品名};  \\Pa\\~b \\{x\\}", {-1, 2, 0}, 9, 30, 3.5, quarter, 2.5);
    want.addMText(u"", {}, 5, 0, 1, quarter, 2.5);
    EXPECT_EQ(drawing->liveEntities(), want.liveEntities());
}

// Saving writes mtext lines, with a textrotation or linespacing line where it
// changes; a line break put through automation is saved as \P. What it wrote
// loads as the same entities and saves as the same text.
TEST(DrawingFile, MTextLinesRoundTrip) {
    auto drawing = loadDrawing(
        u"text 0 0 0 0 0 a\n"
        u"mtext 7 1 2 0 2.5 {\\L下線}\\P\\S1^2;;x\n"
        u"textrotation 30\n"
        u"linespacing 0.5\n"
        u"mtext 3 -4 5.25 12 0.7 Za\\U+0161\\U+010dita\n"
        u"entity MTEXT 3 -3\n");
    auto doc = drawing->application().get(u"ActiveDocument").toDispatch();
    const auto id = drawing->addMText(u"", {}, 2, 0, 1.5, 0, 4);
    doc.call(u"ObjectIdToObject", {Variant::int64(id)}).toDispatch().put(u"TextString", Variant(u"一\r\n二\n三\r四"));

    const auto saved = saveDrawing(*drawing);
    EXPECT_NE(saved.find(u"text 0 0 0 0 0 a\n"
                         u"mtext 7 1 2 0 2.5 {\\L下線}\\P\\S1^2;;x\n"
                         u"textrotation 30\n"
                         u"linespacing 0.5\n"
                         u"mtext 3 -4 5.25 12 0.7 Za\\U+0161\\U+010dita\n"
                         u"textrotation 0\n"
                         u"linespacing 1\n"
                         u"mtext 1 3 -3 0 2.5\n"
                         u"linespacing 4\n"
                         u"mtext 2 0 0 0 1.5 一\\P二\\P三\\P四\n"),
              std::u16string::npos)
        << qx::toUtf8(saved);
    auto again = loadDrawing(saved);
    auto want = drawing->liveEntities();
    want.back().text = u"一\\P二\\P三\\P四";
    EXPECT_EQ(again->liveEntities(), want);
    EXPECT_EQ(saveDrawing(*again), saved);
}

// The process sheet's seventeen multiline texts load with their contents as
// the drawing holds them and survive a save.
TEST(DrawingFile, TheProcessSheetsMultilineTexts) {
    std::ifstream in(std::string(QX_TEST_DATA) + "/drawings/process-sheet-mtext.txt", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    auto drawing = loadDrawing(qx::fromUtf8(bytes.str()));
    std::vector<MemEntity> mtexts;
    for (const auto& e : drawing->liveEntities()) {
        if (e.kind == EntityKind::MText)
            mtexts.push_back(e);
    }
    ASSERT_EQ(mtexts.size(), 17u);
    EXPECT_EQ(mtexts[2].text, u"\\H2;Tehnolo\\U+0161ki list za izdelek");
    EXPECT_EQ(mtexts[6].attachment, 7);
    EXPECT_EQ(mtexts[6].text, u"\\H2;Datum");
    EXPECT_EQ(mtexts[10].height, 5);
    EXPECT_EQ(mtexts[10].text, u"Poz.");
    auto again = loadDrawing(saveDrawing(*drawing));
    EXPECT_EQ(again->liveEntities(), drawing->liveEntities());
}
