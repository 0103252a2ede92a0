// The fetch and update units against the in-memory drawing, without a window.
#include <gtest/gtest.h>

#include <cmath>

#include "cad/fetchTable.h"
#include "cad/updateTable.h"
#include "core/text.h"
#include "table/tableGrid.h"
#include "testing/tableUnits.h"
#include "tools/cad-standin/drawingFile.h"
#include "tools/cad-standin/memDrawing.h"

using namespace qx;
using namespace qx::cad;

namespace {

// A text at (x, y) as the CAD application reports it.
std::int64_t placeText(MemDrawing& d, const char16_t* s, double x, double y, int alignment) {
    return alignment == 0 ? d.addText(s, {x, y, 0}, {0, 0, 0}, 0) : d.addText(s, {0, 0, 0}, {x, y, 0}, alignment);
}

class TableUnits : public ::testing::Test, protected test::UnitTable {
protected:
    // Get: pick everything, rebuild the boundaries and the grid.
    FetchResult get() {
        drawing.pickAll();
        return UnitTable::get(drawing.application());
    }
    UpdateResult update() { return UnitTable::update(); }
    int liveTexts() const {
        int n = 0;
        for (const auto& e : drawing.liveEntities())
            n += e.kind == EntityKind::Text;
        return n;
    }

    MemDrawing drawing;
};

// One column per alignment value, 0 to 14: a heading in row 1, a template of
// that alignment in row 2, a new text typed into row 3.
class EveryAlignment : public TableUnits {
protected:
    static constexpr int kColumns = 15;
    void SetUp() override {
        drawing.addPolyline({0, 0, 20.0 * kColumns, 0, 20.0 * kColumns, -24, 0, -24}, true);
        for (int c = 1; c < kColumns; ++c)
            drawing.addLine({20.0 * c, 0, 0}, {20.0 * c, -24, 0});
        drawing.addLine({0, -8, 0}, {20.0 * kColumns, -8, 0});
        drawing.addLine({0, -16, 0}, {20.0 * kColumns, -16, 0});
        for (int a = 0; a < kColumns; ++a) {
            placeText(drawing, u"見出し", 20.0 * a + 2, -6, 0);
            if (a == 3 || a == 5) {
                // Fixed by both ends of a slightly slanted baseline.
                templates.push_back(drawing.addText(u"AB", {20.0 * a + 2, -14.5, 0}, {20.0 * a + 12, -13.5, 0}, a));
            } else {
                templates.push_back(placeText(drawing, u"AB", 20.0 * a + 5, -14, a));
            }
        }
    }
    std::vector<std::int64_t> templates;
};

}  // namespace

TEST_F(EveryAlignment, GetPlacesEachTextByItsPlacingPoint) {
    auto fetched = get();
    EXPECT_EQ(fetched.picked, 1 + (kColumns - 1) + 2 + 2 * kColumns);
    ASSERT_EQ(grid.ColCount(), kColumns + 1);
    ASSERT_EQ(grid.RowCount(), 4);
    for (int a = 0; a < kColumns; ++a) {
        EXPECT_EQ(grid.firstId(a + 1, 2), templates[a]) << "alignment " << a;
    }
    // One point per text: the one that places it.
    EXPECT_EQ(drawing.callCount(u"InsertionPoint") + drawing.callCount(u"TextAlignmentPoint"), 2 * kColumns);
    EXPECT_EQ(drawing.callCount(u"InsertionPoint"), kColumns + 1);  // the headings and the left template
}

TEST_F(EveryAlignment, UpdateCopiesTheTemplateToItsOffsetInTheNewCell) {
    get();
    for (int a = 0; a < kColumns; ++a)
        grid.setCells(a + 1, 3, u"新規");
    auto result = update();
    EXPECT_TRUE(result.refusal.empty());
    EXPECT_EQ(result.added, kColumns);
    for (int a = 0; a < kColumns; ++a) {
        const auto copy = drawing.entity(grid.firstId(a + 1, 3));
        const auto tmpl = drawing.entity(templates[a]);
        ASSERT_TRUE(copy) << a;
        EXPECT_EQ(copy->text, u"新規");
        EXPECT_EQ(copy->alignment, a);
        // The placing point one row (8 units) lower, at the template's offset.
        if (a == 0) {
            EXPECT_EQ(copy->insertionPoint, (Point3{tmpl->insertionPoint.x, tmpl->insertionPoint.y - 8, 0}));
        } else {
            EXPECT_EQ(copy->alignmentPoint, (Point3{tmpl->alignmentPoint.x, tmpl->alignmentPoint.y - 8, 0})) << a;
        }
        if (a == 3 || a == 5) {
            // Length and direction kept: both ends moved by the same vector.
            EXPECT_EQ(copy->insertionPoint, (Point3{tmpl->insertionPoint.x, tmpl->insertionPoint.y - 8, 0})) << a;
        }
    }
    // A second Get finds every new text in its cell; a second Update writes nothing.
    grid.setCells(1, 3, u"");
    grid.setIds(1, 3, {});
    for (int a = 0; a < kColumns; ++a)
        grid.setCells(a + 1, 3, u"");
    get();
    for (int a = 0; a < kColumns; ++a) {
        EXPECT_EQ(grid.Cells(a + 1, 3), u"新規") << "alignment " << a;
    }
    const int puts = drawing.callCount(u"TextString");
    result = update();
    EXPECT_EQ(result.added + result.edited + result.deleted, 0);
    EXPECT_EQ(drawing.callCount(u"TextString"), puts);
}

TEST_F(EveryAlignment, ACopyWhoseSetUpFailsIsDeletedAgain) {
    get();
    grid.setCells(1, 3, u"新規");
    grid.setCells(2, 3, u"次");
    const int texts = liveTexts();
    drawing.failCall(u"Move", 2, u"移動できません");
    EXPECT_THROW(update(), Error);
    // The first copy stands, recorded; the second was deleted again.
    EXPECT_EQ(liveTexts(), texts + 1);
    EXPECT_NE(grid.firstId(1, 3), 0);
    EXPECT_EQ(grid.firstId(2, 3), 0);
    EXPECT_EQ(index.find(grid.firstId(1, 3)), static_cast<int>(lists.textAry.size()) - 1);
}

TEST_F(TableUnits, ClassNamesComeFromObjectNameWhereEntityNameIsMissing) {
    drawing.withoutMember(u"EntityName");
    drawing.addPolyline({0, 0, 20, 0, 20, -10, 0, -10}, true);
    drawing.addLine({10, 0, 0}, {10, -10, 0});
    drawing.addLine({0, -5, 0}, {20, -5, 0});
    placeText(drawing, u"左上", 2, -3, 0);
    placeText(drawing, u"右下", 15, -8, 4);
    get();
    EXPECT_EQ(lists.lineAry.size(), 6u);
    EXPECT_EQ(grid.Cells(1, 1), u"左上");
    EXPECT_EQ(grid.Cells(2, 2), u"右下");
    EXPECT_EQ(drawing.callCount(u"EntityName"), 1);  // asked once, then ObjectName for the rest
    EXPECT_EQ(drawing.callCount(u"ObjectName"), 5);
}

class OtherDrawing : public TableUnits {
protected:
    void SetUp() override {
        drawing.addPolyline({0, 0, 20, 0, 20, -10, 0, -10}, true);
        drawing.addLine({10, 0, 0}, {10, -10, 0});
        drawing.addLine({0, -5, 0}, {20, -5, 0});
        text = placeText(drawing, u"左上", 2, -3, 0);
        placeText(drawing, u"左下", 2, -8, 0);
        get();
        grid.setCells(1, 1, u"編集");
        grid.setCells(2, 2, u"追加");
    }
    // Nothing was written and the grid kept its edits.
    void expectNothingWritten(const UpdateResult& r, int writesBefore) {
        EXPECT_FALSE(r.refusal.empty());
        EXPECT_EQ(r.edited + r.added + r.deleted, 0);
        EXPECT_EQ(drawing.callCount(u"TextString"), writesBefore);
        EXPECT_EQ(drawing.callCount(u"Copy"), 0);
        EXPECT_EQ(drawing.callCount(u"StartUndoMark"), 0);  // no empty step on the undo stack
        EXPECT_EQ(grid.Cells(1, 1), u"編集");
        EXPECT_EQ(grid.Cells(2, 2), u"追加");
        EXPECT_EQ(grid.firstId(2, 2), 0);
    }
    std::int64_t text = 0;
};

TEST_F(OtherDrawing, AnotherActiveDocumentGetsNothing) {
    drawing.newDocument(u"C:\\図面\\別の図面.dwg");
    placeText(drawing, u"左上", 2, -3, 0);
    const int writes = drawing.callCount(u"TextString");
    auto r = update();
    expectNothingWritten(r, writes);
    EXPECT_NE(r.refusal.find(u"table.dwg"), std::u16string::npos);
    EXPECT_NE(r.refusal.find(u"別の図面.dwg"), std::u16string::npos);

    // Back on the drawing that was read, the same Update goes ahead.
    drawing.activateDocument(0);
    r = update();
    EXPECT_TRUE(r.refusal.empty());
    EXPECT_EQ(r.edited, 1);
    EXPECT_EQ(drawing.entity(text)->text, u"編集");
}

TEST_F(OtherDrawing, AReopenedDrawingKeepsItsNameButNotItsIds) {
    drawing.reopen();
    const int writes = drawing.callCount(u"TextString");
    auto r = update();
    expectNothingWritten(r, writes);
    EXPECT_NE(r.refusal.find(u"開き直"), std::u16string::npos);
}

TEST_F(OtherDrawing, UnsavedDrawingsAreToldApartByName) {
    // Both never saved: FullName is "" for either, Name tells them apart.
    drawing.newDocument(u"");
    read = documentKey(drawing.application().get(u"ActiveDocument").toDispatch());
    drawing.newDocument(u"");
    EXPECT_EQ(drawing.name(), u"Drawing2.dwg");
    const int writes = drawing.callCount(u"TextString");
    auto r = update();
    expectNothingWritten(r, writes);
    EXPECT_NE(r.refusal.find(u"Drawing1.dwg"), std::u16string::npos);
}

TEST_F(TableUnits, AReopenedDrawingIsToldWithAFewCallsNotOnePerText) {
    drawing.addPolyline({0, 0, 400, 0, 400, -80, 0, -80}, true);
    for (int c = 1; c < 20; ++c)
        drawing.addLine({20.0 * c, 0, 0}, {20.0 * c, -80, 0});
    for (int r = 1; r < 10; ++r)
        drawing.addLine({0, -8.0 * r, 0}, {400, -8.0 * r, 0});
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 20; ++c)
            placeText(drawing, u"x", 20.0 * c + 2, -8.0 * r - 6, 0);
    get();
    grid.setCells(1, 1, u"y");
    drawing.reopen();
    const int probes = drawing.callCount(u"ObjectIdToObject");
    EXPECT_FALSE(update().refusal.empty());
    EXPECT_LE(drawing.callCount(u"ObjectIdToObject") - probes, 64);
    EXPECT_GT(drawing.callCount(u"ObjectIdToObject") - probes, 8);
}

namespace {
// Three columns of 20 and four rows of 12. Column 1 stacks texts as a parts
// list does (name over standard); column 2 holds a small label over a
// centred value; column 3 is the template column for new texts.
class StackedCells : public TableUnits {
protected:
    void SetUp() override {
        drawing.addPolyline({0, 0, 60, 0, 60, -48, 0, -48}, true);
        for (int c = 1; c < 3; ++c)
            drawing.addLine({20.0 * c, 0, 0}, {20.0 * c, -48, 0});
        for (int r = 1; r < 4; ++r)
            drawing.addLine({0, -12.0 * r, 0}, {60, -12.0 * r, 0});
        placeText(drawing, u"品名", 2, -4, 0);  // row 1: the headings
        placeText(drawing, u"欄", 22, -4, 0);
        placeText(drawing, u"数", 42, -4, 0);
        // Row 2: two stacked, three stacked, a template.
        placeText(drawing, u"ボルト", 2, -16, 0);
        placeText(drawing, u"M6", 2, -20, 0);
        placeText(drawing, u"Allgemein-", 22, -15, 0);
        placeText(drawing, u"toleranz", 22, -18, 0);
        placeText(drawing, u"ISO 2768-m", 22, -21, 0);
        placeText(drawing, u"1", 42, -20, 0);
        // Row 3: a single text, a label over a centred value.
        placeText(drawing, u"ナット", 2, -28, 0);
        placeText(drawing, u"材質", 21, -26, 6);
        placeText(drawing, u"SS400", 30, -31, 10);
        // Row 4 stays empty but for the template column.
        placeText(drawing, u"2", 42, -44, 0);
    }
    std::u16string cell(int c, int r) { return grid.Cells(c, r); }
};
}  // namespace

TEST_F(StackedCells, GetShowsEveryTextOfACellInReadingOrder) {
    get();
    EXPECT_EQ(cell(1, 2), u"ボルト\nM6");
    EXPECT_EQ(cell(2, 2), u"Allgemein-\ntoleranz\nISO 2768-m");
    EXPECT_EQ(cell(2, 3), u"材質\nSS400");
    EXPECT_EQ(grid.ids(2, 2).size(), 3u);
}

TEST_F(StackedCells, EachKindOfLineEditComesBackFromASecondGet) {
    get();
    grid.setCells(1, 2, u"ボルト\nM8");            // one line changed
    grid.setCells(1, 3, u"ナット\nM6");            // a line added below a single text
    grid.setCells(2, 2, u"Allgemein-\ntoleranz");  // the last line removed
    grid.setCells(2, 3, u"");                      // emptied: both texts go
    grid.setCells(1, 4, u"座金\nM6\r\n");          // two lines into an empty cell
    grid.setCells(3, 3, u"3\n");                   // a typed break after the line adds nothing
    const std::int64_t label = grid.ids(2, 3)[0];
    const auto r = update();
    EXPECT_TRUE(r.refusal.empty());
    EXPECT_EQ(r.edited, 1);
    EXPECT_EQ(r.added, 4);
    EXPECT_EQ(r.deleted, 3);
    EXPECT_TRUE(r.overflows.empty());
    EXPECT_FALSE(drawing.entity(label)->text.empty());
    EXPECT_TRUE(drawing.entity(label)->erased);
    // No single-line text ever holds a break.
    for (const auto& e : drawing.liveEntities())
        EXPECT_EQ(e.text.find(u'\n'), std::u16string::npos) << toUtf8(e.text);
    // Records, cells and drawing agree: a second Update writes nothing...
    const int writes = drawing.callCount(u"TextString") + drawing.callCount(u"Copy") + drawing.callCount(u"Delete");
    const auto again = update();
    EXPECT_EQ(again.edited + again.added + again.deleted, 0);
    EXPECT_EQ(drawing.callCount(u"TextString") + drawing.callCount(u"Copy") + drawing.callCount(u"Delete"), writes);
    // ...and a second Get shows exactly the edited values.
    get();
    EXPECT_EQ(cell(1, 2), u"ボルト\nM8");
    EXPECT_EQ(cell(1, 3), u"ナット\nM6");
    EXPECT_EQ(cell(2, 2), u"Allgemein-\ntoleranz");
    EXPECT_EQ(cell(2, 3), u"");
    EXPECT_EQ(cell(1, 4), u"座金\nM6");
    EXPECT_EQ(cell(3, 3), u"3");
}

TEST_F(StackedCells, NewLinesTakeThePitchTheCellHasElseTheHeightsAndAnOverflowIsTold) {
    get();
    grid.setCells(1, 2, u"ボルト\nM6\nS45C");  // pitch 4 from the two texts
    grid.setCells(1, 3, u"ナット\nM6\n六角");  // one text: 2.5 high, so 2.5 * 5 / 3 apart
    const auto r = update();
    const auto added = [&](int c, int row) { return *drawing.entity(grid.ids(c, row).back()); };
    EXPECT_DOUBLE_EQ(added(1, 2).insertionPoint.y, -24);
    EXPECT_DOUBLE_EQ(added(1, 2).insertionPoint.x, 2);
    EXPECT_NEAR(added(1, 3).insertionPoint.y, -28 - 2 * 2.5 * 5 / 3, 1e-9);
    // -36.33 lies below the row's bottom border at -36: written all the same, and told.
    EXPECT_EQ(r.overflows, (std::vector<std::pair<int, int>>{{1, 3}}));
    EXPECT_EQ(r.added, 3);
}

TEST_F(StackedCells, OneUpdateIsOneStepThatOneUTakesBack) {
    get();
    const auto before = drawing.liveEntities();
    const std::size_t groups = drawing.undoGroupCount();
    update();  // nothing to write: no marks at all
    EXPECT_EQ(drawing.callCount(u"StartUndoMark"), 0);
    EXPECT_EQ(drawing.undoGroupCount(), groups);

    grid.setCells(1, 2, u"ボルト\nM8\nS45C");
    grid.setCells(2, 2, u"");
    grid.setCells(1, 4, u"座金");
    const auto r = update();
    EXPECT_EQ(r.edited + r.added + r.deleted, 6);
    EXPECT_EQ(drawing.callCount(u"StartUndoMark"), 1);
    EXPECT_EQ(drawing.callCount(u"EndUndoMark"), 1);
    EXPECT_FALSE(drawing.undoMarkOpen());
    EXPECT_EQ(drawing.undoGroupCount(), groups + 1);
    ASSERT_TRUE(drawing.undo());
    auto after = drawing.liveEntities();
    for (auto& e : after)
        e.updates = 0;
    auto expected = before;
    for (auto& e : expected)
        e.updates = 0;
    EXPECT_EQ(after, expected);
}

namespace {
// Multiline texts from a drawing file, as other tools write them.
class MultilineTexts : public testing::Test, protected test::UnitTable {
protected:
    void load(const std::string& file) {
        drawing = loadDrawing(fromUtf8(file));
        drawing->pickAll();
    }
    void get() { UnitTable::get(drawing->application()); }
    std::unique_ptr<MemDrawing> drawing;
};
}  // namespace

// One column per attachment point: a heading, a multiline template, and a
// value typed into the empty third row.
TEST_F(MultilineTexts, EveryAttachmentPointThroughGetAndUpdate) {
    std::string file = "polyline closed 0 0 180 0 180 -36 0 -36\n";
    for (int c = 1; c < 9; ++c)
        file += "line " + std::to_string(20 * c) + " 0 " + std::to_string(20 * c) + " -36\n";
    file += "line 0 -12 180 -12\nline 0 -24 180 -24\n";
    for (int a = 1; a <= 9; ++a) {
        const double x = 20.0 * (a - 1) + 3 + ((a - 1) % 3) * 7;  // left, centre or right of the cell
        const double y = -12 - 3 - ((a - 1) / 3) * 3;             // top, middle or bottom
        file += "text 0 " + std::to_string(20 * (a - 1) + 2) + " -6 0 0 H" + std::to_string(a) + "\n";
        file += "mtext " + std::to_string(a) + " " + std::to_string(x) + " " + std::to_string(y) +
                " 15 2.5 {\\fArial|b1;\\H2.5;T" + std::to_string(a) + "}\n";
    }
    load(file);
    get();
    ASSERT_EQ(grid.ColCount(), 10);
    for (int a = 1; a <= 9; ++a) {
        EXPECT_EQ(grid.Cells(a, 2), u"T" + fromUtf8(std::to_string(a))) << a;
        grid.setCells(a, 3, u"新\n" + fromUtf8(std::to_string(a)));
    }
    const auto r = update();
    EXPECT_EQ(r.added, 9);  // one multiline text a cell, whatever its lines
    for (int a = 1; a <= 9; ++a) {
        const auto copy = drawing->entity(grid.firstId(a, 3));
        const auto tmpl = drawing->entity(grid.firstId(a, 2));
        ASSERT_TRUE(copy && tmpl) << a;
        EXPECT_EQ(copy->kind, EntityKind::MText);
        EXPECT_EQ(copy->text, u"{\\fArial|b1;\\H2.5;新\\P" + fromUtf8(std::to_string(a)) + u"}");
        // The template's offset in its cell, one row (12 units) lower.
        EXPECT_NEAR(copy->insertionPoint.x, tmpl->insertionPoint.x, 1e-9) << a;
        EXPECT_NEAR(copy->insertionPoint.y, tmpl->insertionPoint.y - 12, 1e-9) << a;
    }
    get();
    for (int a = 1; a <= 9; ++a)
        EXPECT_EQ(grid.Cells(a, 3), u"新\n" + fromUtf8(std::to_string(a))) << a;
}

// A single-line label over a multiline value in one cell: each text keeps
// its lines, the multiline text at the end takes the lines added.
TEST_F(MultilineTexts, AMixedCellMapsItsLinesToItsTexts) {
    load(
        "polyline closed 0 0 40 0 40 -20 0 -20\nline 20 0 20 -20\n"
        "text 0 1 -3 0 0 %%uDatum%%u\n"
        "mtext 1 2 -5 18 2.5 \\A1;2026-12-10\\Pgepr\\U+00fcft\n"
        "text 0 22 -3 0 0 x\n");
    get();
    EXPECT_EQ(grid.Cells(1, 1), u"Datum\n2026-12-10\ngeprüft");
    const std::int64_t label = grid.ids(1, 1)[0], value = grid.ids(1, 1)[1];
    grid.setCells(1, 1, u"Datum\n2026-12-11\ngeprüft\nfreigegeben");
    auto r = update();
    EXPECT_EQ(r.edited, 1);
    EXPECT_EQ(r.added, 0);
    EXPECT_EQ(drawing->entity(label)->text, u"%%uDatum%%u");  // untouched
    EXPECT_EQ(drawing->entity(value)->text, u"\\A1;2026-12-11\\Pgeprüft\\Pfreigegeben");
    // The label changed and the value's lines cut back to one.
    grid.setCells(1, 1, u"Tag\n2026");
    r = update();
    EXPECT_EQ(r.edited, 2);
    EXPECT_EQ(drawing->entity(label)->text, u"%%uTag%%u");
    EXPECT_EQ(drawing->entity(value)->text, u"\\A1;2026");
    // Only the label left: the multiline text goes.
    grid.setCells(1, 1, u"Tag");
    r = update();
    EXPECT_EQ(r.deleted, 1);
    EXPECT_TRUE(drawing->entity(value)->erased);
    get();
    EXPECT_EQ(grid.Cells(1, 1), u"Tag");
}
