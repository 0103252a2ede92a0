// The title block with merged fields through the main window's logic: the
// borders it shows after a Get, and what the next Update would do to each
// cell as the user edits, undoes, pastes, converts and updates.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <tuple>

#include "app/qdlXUnit.h"
#include "core/text.h"
#include "platform/widthMapPortable.h"
#include "testing/fakeForm.h"
#include "testing/platformFakes.h"
#include "testing/sampleDrawing.h"
#include "tools/cad-standin/drawingFile.h"

using namespace qx;

namespace {

using qx::test::loadSample;

using Edge = std::tuple<char, int, int>;  // 'R': right of (c, r); 'B': below (c, r)

std::set<Edge> lackingBorders(const StringGrid& g) {
    std::set<Edge> lacking;
    for (int r = 0; r < g.RowCount(); ++r) {
        for (int c = 0; c < g.ColCount(); ++c) {
            if (!g.borderRight(c, r))
                lacking.insert({'R', c, r});
            if (!g.borderBelow(c, r))
                lacking.insert({'B', c, r});
        }
    }
    return lacking;
}

// Company name over all seven columns in row 1; drawing title over columns
// 2-4 and number over 2-3 and material over 5-6 below it; the stamp field,
// column 7, over rows 2-5.
const std::set<Edge> kMergedFields{{'R', 1, 1}, {'R', 2, 1}, {'R', 3, 1}, {'R', 4, 1}, {'R', 5, 1},
                                   {'R', 6, 1}, {'R', 2, 2}, {'R', 3, 2}, {'R', 2, 3}, {'R', 5, 3},
                                   {'B', 7, 2}, {'B', 7, 3}, {'B', 7, 4}};

struct DrawnTable : testing::Test, test::FakeForm {
    PortableWidthMap widths;
    std::unique_ptr<cad::MemDrawing> drawing = loadSample("titleBlockMerged.txt");
    cad::MemConnector connector;
    int repaints = 0;  // what the window would have drawn

    void SetUp() override {
        drawing->pickAll();
        connector.registerProgId(kDefaultProgID, drawing->application());
        fakes.widths = &widths;
        start(services(&connector));
        grid().onRepaint = [this] { ++repaints; };
        form->Button1Click();
        ASSERT_EQ(grid().ColCount(), 8);
        ASSERT_EQ(grid().RowCount(), 6);
    }
    StringGrid& grid() { return form->StringGrid1; }
    void type(int c, int r, const std::u16string& text) {
        grid().setCol(c);
        grid().setRow(r);
        grid().showEditor();
        grid().editorChange(text);
        grid().hideEditor();
    }
    void select(int left, int top, int right, int bottom) {
        grid().setCol(left);
        grid().setRow(top);
        grid().setSelection({left, top, right, bottom});
    }
    void key(std::uint16_t k, unsigned modifiers) { form->StringGrid1KeyUp(k, modifiers); }
    std::vector<std::int64_t> idsOf(cad::EntityKind kind) const {
        std::vector<std::int64_t> ids;
        for (const auto& e : drawing->liveEntities())
            if (e.kind == kind)
                ids.push_back(e.id);
        return ids;
    }
};

}  // namespace

TEST_F(DrawnTable, GetShowsMergedFieldsAsOneAreaAndPlacesTextsAsBefore) {
    EXPECT_EQ(lackingBorders(grid()), kMergedFields);
    // Each of the 20 texts in the cell that holds its point, the merged ones in their first cell.
    int filled = 0;
    for (int r = 1; r < 6; ++r)
        for (int c = 1; c < 8; ++c) {
            filled += grid().Cells(c, r).empty() ? 0 : 1;
            EXPECT_EQ(grid().Cells(c, r).empty(), form->table.firstId(c, r) == 0) << c << "," << r;
            EXPECT_EQ(form->pendingChangeAt(c, r), CellChange::None) << c << "," << r;
        }
    EXPECT_EQ(filled, 20);
    EXPECT_EQ(grid().Cells(1, 1), u"QuadcelX 製作所");
    EXPECT_EQ(grid().Cells(2, 2), u"搬送装置 組立図");
    EXPECT_EQ(grid().Cells(5, 3), u"SS400");
    EXPECT_EQ(form->StringGrid2.Cells(2, 2), u"搬送装置 組立図");
    // Nothing differs from the drawing: an Update writes nothing.
    form->Button2Click();
    EXPECT_EQ(form->Memo1.Lines().back(), u"[更新] 編集 = 0, 追加 = 0, 削除 = 0");
}

TEST_F(DrawnTable, GetThatDoesNotRefillKeepsTheBordersOfTheTableItShows) {
    const auto shown = grid().drawnEdges();
    // Lines of another, smaller table and no text: the grid is not refilled.
    std::vector<std::int64_t> other{drawing->addLine({200, 0, 0}, {200, -10, 0}),
                                    drawing->addLine({210, 0, 0}, {210, -10, 0}),
                                    drawing->addLine({200, 0, 0}, {210, 0, 0})};
    drawing->pickIds(other);
    form->Button1Click();
    EXPECT_EQ(grid().ColCount(), 8);
    EXPECT_EQ(grid().drawnEdges(), shown);
    EXPECT_EQ(lackingBorders(grid()), kMergedFields);
}

TEST_F(DrawnTable, TextsPlacedAgainstTheBoundariesOfAnEarlierGetShowEveryBorder) {
    drawing->pickIds(idsOf(cad::EntityKind::Text));
    form->Button1Click();
    EXPECT_EQ(grid().Cells(2, 2), u"搬送装置 組立図");
    EXPECT_TRUE(lackingBorders(grid()).empty());
}

namespace {
struct Step {
    const char* what;
    std::function<void(DrawnTable&)> act;
    std::vector<std::tuple<int, int, CellChange>> expected;  // cells not named have no change
};
}  // namespace

TEST_F(DrawnTable, PendingChangesFollowEveryEditUndoPasteConversionAndUpdate) {
    using C = CellChange;
    fakes.clipboard.text = u"A1-2301\r\n";
    const std::vector<Step> steps{
        {"edit", [](DrawnTable& t) { t.type(2, 4, u"山田太郎"); }, {{2, 4, C::Edit}}},
        {"empty a cell", [](DrawnTable& t) { t.type(4, 4, u""); }, {{2, 4, C::Edit}, {4, 4, C::Delete}}},
        {"type into an empty cell",
         [](DrawnTable& t) { t.type(6, 5, u"2023.08.12"); },
         {{2, 4, C::Edit}, {4, 4, C::Delete}, {6, 5, C::Add}}},
        {"type into the stamp field, a column without texts",
         [](DrawnTable& t) { t.type(7, 2, u"済"); },
         {{2, 4, C::Edit}, {4, 4, C::Delete}, {6, 5, C::Add}, {7, 2, C::Add}}},
        {"give the drawing's text back",
         [](DrawnTable& t) { t.type(2, 4, u"山田"); },
         {{4, 4, C::Delete}, {6, 5, C::Add}, {7, 2, C::Add}}},
        {"cell undo",
         [](DrawnTable& t) { t.form->SpeedButton1Click(); },
         {{2, 4, C::Edit}, {4, 4, C::Delete}, {6, 5, C::Add}, {7, 2, C::Add}}},
        {"Delete key on a block",
         [](DrawnTable& t) {
             t.select(1, 2, 2, 2);
             std::uint16_t k = 46;
             t.form->StringGrid1KeyUp(k, 0);
         },
         {{1, 2, C::Delete}, {2, 2, C::Delete}, {2, 4, C::Edit}, {4, 4, C::Delete}, {6, 5, C::Add}, {7, 2, C::Add}}},
        {"block undo",
         [](DrawnTable& t) { t.form->UNDO1Click(); },
         {{2, 4, C::Edit}, {4, 4, C::Delete}, {6, 5, C::Add}, {7, 2, C::Add}}},
        {"paste",
         [](DrawnTable& t) {
             t.select(2, 3, 2, 3);
             std::uint16_t k = 'V';
             t.form->StringGrid1KeyUp(k, 4);
         },
         {{2, 3, C::Edit}, {2, 4, C::Edit}, {4, 4, C::Delete}, {6, 5, C::Add}, {7, 2, C::Add}}},
        {"width conversion",
         [](DrawnTable& t) {
             t.select(5, 3, 5, 3);
             t.form->menuItem(u"N9").click();
         },
         {{2, 3, C::Edit}, {5, 3, C::Edit}, {2, 4, C::Edit}, {4, 4, C::Delete}, {6, 5, C::Add}, {7, 2, C::Add}}},
        {"edit a label",
         [](DrawnTable& t) { t.type(1, 5, u"作成日"); },
         {{2, 3, C::Edit},
          {5, 3, C::Edit},
          {2, 4, C::Edit},
          {4, 4, C::Delete},
          {1, 5, C::Edit},
          {6, 5, C::Add},
          {7, 2, C::Add}}},
        // Written, deleted and created; the stamp field has no text to copy, so it stays pending.
        {"Update", [](DrawnTable& t) { t.form->Button2Click(); }, {{7, 2, C::Add}}},
        {"cell undo after the Update",
         [](DrawnTable& t) { t.form->SpeedButton1Click(); },
         {{1, 5, C::Edit}, {7, 2, C::Add}}},
    };
    for (const Step& step : steps) {
        const int before = repaints;
        step.act(*this);
        EXPECT_GT(repaints, before) << step.what;  // the tints are painted at once
        for (int r = 1; r < 6; ++r) {
            for (int c = 1; c < 8; ++c) {
                C expected = C::None;
                for (const auto& [ec, er, change] : step.expected)
                    if (ec == c && er == r)
                        expected = change;
                EXPECT_EQ(form->pendingChangeAt(c, r), expected)
                    << step.what << ": (" << c << ", " << r << ") " << toUtf8(grid().Cells(c, r));
            }
        }
    }
    EXPECT_EQ(grid().Cells(1, 5), u"日付");
    const auto log = form->Memo1.Lines();
    EXPECT_NE(std::find(log.begin(), log.end(), u"[更新] 編集 = 4, 追加 = 1, 削除 = 1"), log.end());
}

TEST_F(DrawnTable, UpdateRepaintsTheGridThoughOnlyRecordsChangeAlsoWhenItFailsHalfWay) {
    type(2, 4, u"山田太郎");
    type(6, 4, u"鈴木一郎");
    drawing->failCall(u"TextString", 2, u"CAD が応答しません");
    const int before = repaints;
    EXPECT_THROW(form->Button2Click(), Error);
    EXPECT_GT(repaints, before);
    EXPECT_EQ(form->pendingChangeAt(2, 4), CellChange::None);  // written before the failure
    EXPECT_EQ(form->pendingChangeAt(6, 4), CellChange::Edit);
}

TEST_F(DrawnTable, HeadersAndCellsOutsideTheGridHaveNoChange) {
    grid().setCells(0, 1, u"x");
    grid().setCells(3, 0, u"y");
    for (const auto& [c, r] : {std::pair{0, 1}, {3, 0}, {0, 0}, {8, 1}, {1, 6}, {-1, 2}})
        EXPECT_EQ(form->pendingChangeAt(c, r), CellChange::None) << c << "," << r;
}

TEST_F(DrawnTable, ACellIsDrawnGreyWhereItsColumnHasNoTextAndTintedByItsChange) {
    int filledRow = 1;
    while (grid().Cells(1, filledRow).empty())
        ++filledRow;
    type(1, filledRow, u"edited");
    const auto edited = form->StringGrid1DrawCell(1, filledRow);
    EXPECT_FALSE(edited.grey);
    EXPECT_EQ(edited.change, CellChange::Edit);
    // A column of cells without texts in the drawing takes no new text.
    for (int c = 1; c < grid().ColCount(); ++c) {
        bool drawn = false;
        for (int r = 1; r < grid().RowCount(); ++r)
            drawn = drawn || form->table.firstId(c, r) != 0;
        EXPECT_EQ(form->StringGrid1DrawCell(c, 2).grey, !drawn) << c;
    }
    grid().setCells(7, 2, u"new");
    EXPECT_EQ(form->StringGrid1DrawCell(7, 2).change, CellChange::Add);
    EXPECT_FALSE(form->StringGrid1DrawCell(0, 1).grey);  // headers keep their colour
}

TEST_F(DrawnTable, TheBordersShownFollowRowsInsertedDeletedAndBroughtBack) {
    // A row inserted above row 3 takes row 2's column borders; the stamp
    // field (column 7, rows 2-5) shows cut where the new row stands.
    select(1, 3, 1, 3);
    form->insertRow(false);
    ASSERT_EQ(grid().RowCount(), 7);
    const auto inserted = lackingBorders(grid());
    EXPECT_EQ(inserted, (std::set<Edge>{{'R', 1, 1},
                                        {'R', 2, 1},
                                        {'R', 3, 1},
                                        {'R', 4, 1},
                                        {'R', 5, 1},
                                        {'R', 6, 1},
                                        {'R', 2, 2},
                                        {'R', 3, 2},
                                        {'R', 2, 3},
                                        {'R', 3, 3},
                                        {'R', 2, 4},
                                        {'R', 5, 4},
                                        {'B', 7, 4},
                                        {'B', 7, 5}}));
    // The row of the number and the material goes: rows 2 and 4 meet with a border.
    select(1, 4, 1, 4);
    form->deleteRows();
    EXPECT_EQ(lackingBorders(grid()), (std::set<Edge>{{'R', 1, 1},
                                                      {'R', 2, 1},
                                                      {'R', 3, 1},
                                                      {'R', 4, 1},
                                                      {'R', 5, 1},
                                                      {'R', 6, 1},
                                                      {'R', 2, 2},
                                                      {'R', 3, 2},
                                                      {'R', 2, 3},
                                                      {'R', 3, 3},
                                                      {'B', 7, 4}}));
    // The block undo brings the deleted row back, a second Get the table as drawn.
    form->UNDO1Click();
    EXPECT_EQ(lackingBorders(grid()), inserted);
    fakes.dialogs.answer = true;  // the rows waiting may go
    form->Button1Click();
    EXPECT_EQ(lackingBorders(grid()), kMergedFields);
}
