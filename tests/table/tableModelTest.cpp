#include <gtest/gtest.h>

#include "core/error.h"
#include "core/text.h"
#include "table/tableModel.h"

using namespace qx;

TEST(ValueLines, SplitsAtBreaksAndDropsWhatAddsNoText) {
    using Lines = std::vector<std::u16string>;
    EXPECT_EQ(valueLines(u""), Lines{});
    EXPECT_EQ(valueLines(u"\n\n"), Lines{});
    EXPECT_EQ(valueLines(u"a"), Lines{u"a"});
    EXPECT_EQ(valueLines(u"a\nb"), (Lines{u"a", u"b"}));
    EXPECT_EQ(valueLines(u"a\r\nb\r\n"), (Lines{u"a", u"b"}));   // pasted with CR LF
    EXPECT_EQ(valueLines(u"a\n\nb"), (Lines{u"a", u"", u"b"}));  // an empty line between stays
    EXPECT_EQ(joinLines({u"a", u"", u"b"}), u"a\n\nb");
}

namespace {
struct ChangeCase {
    const char* name;
    std::u16string cell;
    std::vector<std::int64_t> ids;
    std::vector<std::u16string> recorded;  // per ID, in order; missing ones have no record
    CellChange expected;
};
void PrintTo(const ChangeCase& k, std::ostream* os) {
    *os << k.name;
}
class PendingChange : public testing::TestWithParam<ChangeCase> {};
}  // namespace

TEST_P(PendingChange, ComparesAsTheUpdateDoes) {
    const ChangeCase& k = GetParam();
    TableModel table(3, 3);
    table.setCells(1, 1, k.cell);
    table.setIds(1, 1, k.ids);
    std::vector<TQdlText> textAry;
    for (std::size_t i = 0; i < k.recorded.size(); ++i) {
        TQdlText t;
        t.objID = k.ids[i];
        t.sText = k.recorded[i];
        textAry.push_back(t);
    }
    TextIndex index;
    index.rebuild(textAry);
    EXPECT_EQ(pendingChange(table, 1, 1, textAry, index), k.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PendingChange,
    testing::Values(
        ChangeCase{"Unchanged", u"山田", {7}, {u"山田"}, CellChange::None},
        ChangeCase{"Edited", u"山田太郎", {7}, {u"山田"}, CellChange::Edit},
        ChangeCase{"CaseOnlyIsAnEdit", u"ABC", {7}, {u"abc"}, CellChange::Edit},
        ChangeCase{"Emptied", u"", {7}, {u"山田"}, CellChange::Delete},
        ChangeCase{"EmptyAsRecorded", u"", {7}, {u""}, CellChange::None},
        ChangeCase{"IdWithoutRecordIsPassedOver", u"x", {7}, {}, CellChange::None},
        ChangeCase{"TypedIntoCellWithoutId", u"追加", {}, {}, CellChange::Add},
        ChangeCase{"EmptyCellWithoutId", u"", {}, {}, CellChange::None},
        ChangeCase{"StackedUnchanged", u"品名\n規格", {1, 2}, {u"品名", u"規格"}, CellChange::None},
        ChangeCase{"StackedWithCrLfAndTrailingBreak", u"品名\r\n規格\n", {1, 2}, {u"品名", u"規格"}, CellChange::None},
        ChangeCase{"StackedLineChanged", u"品名\nM8", {1, 2}, {u"品名", u"規格"}, CellChange::Edit},
        ChangeCase{"StackedLineRemoved", u"品名", {1, 2}, {u"品名", u"規格"}, CellChange::Edit},
        ChangeCase{"LineAdded", u"品名\n規格", {1}, {u"品名"}, CellChange::Edit},
        ChangeCase{"StackedEmptied", u"", {1, 2}, {u"品名", u"規格"}, CellChange::Delete},
        ChangeCase{"SeveralLinesIntoEmptyCell", u"a\nb", {}, {}, CellChange::Add}),
    [](const testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

TEST(TableModel, TellsItsViewOfEveryChangeAndKeepsCellsOnResize) {
    TableModel table(3, 3);
    int shapes = 0, cells = 0;
    table.onShapeChanged = [&] { ++shapes; };
    table.onCellsChanged = [&] { ++cells; };
    table.setCells(2, 2, u"keep");
    table.setIds(2, 2, {42, 43});
    EXPECT_EQ(cells, 2);
    table.setSize(5, 4);
    table.setSize(5, 4);  // no change, no notice
    EXPECT_EQ(shapes, 1);
    EXPECT_EQ(table.Cells(2, 2), u"keep");
    EXPECT_EQ(table.ids(2, 2), (std::vector<std::int64_t>{42, 43}));
    EXPECT_EQ(table.firstId(2, 2), 42);
    EXPECT_EQ(table.firstId(4, 3), 0);
    table.setSize(2, 2);
    EXPECT_THROW(table.ids(2, 2), Error);
}

namespace {
// A table as a Get leaves it: a heading row and data rows named by column 1, each with one text.
TableModel readTable(int rows) {
    TableModel t(3, rows + 1);
    t.clear();
    for (int r = 1; r <= rows; ++r) {
        t.setCells(1, r, fromUtf8(std::to_string(r * 10)));
        t.setIds(1, r, {r * 100});
    }
    return t;
}
std::vector<std::u16string> firstColumn(const TableModel& t) {
    std::vector<std::u16string> v;
    for (int r = 1; r < t.RowCount(); ++r)
        v.push_back(t.Cells(1, r));
    return v;
}
}  // namespace

TEST(TableRows, InsertedAndDeletedRowsWaitAndAreMarkedInTheHeaders) {
    TableModel t = readTable(4);
    EXPECT_FALSE(t.rowsChanged());
    t.insertRow(2);
    t.deleteRows(4, 4);  // the row of 30, now fourth
    EXPECT_TRUE(t.rowsChanged());
    EXPECT_EQ(firstColumn(t), (std::vector<std::u16string>{u"10", u"", u"20", u"40"}));
    EXPECT_EQ(t.Cells(0, 4), u"4");  // the header column numbered afresh
    EXPECT_TRUE(t.rowIsNew(2));
    EXPECT_TRUE(t.ids(1, 2).empty());
    EXPECT_EQ(t.ids(1, 4), (std::vector<std::int64_t>{400}));
    using C = CellChange;
    EXPECT_EQ(t.rowMarks(), (std::vector<C>{C::None, C::None, C::Add, C::None, C::Delete}));
    EXPECT_EQ(t.deletedRowIds(t.drawnRows()[2]), (std::vector<std::int64_t>{300}));
    // Rows deleted at the end mark the last row; a new row after them keeps its own mark.
    TableModel e = readTable(3);
    e.deleteRows(3, 3);
    EXPECT_EQ(e.rowMarks().back(), C::Delete);
    e.insertRow(3);
    EXPECT_EQ(e.rowMarks(), (std::vector<C>{C::None, C::None, C::Delete, C::Add}));
}

TEST(TableRows, ASnapshotBringsBackDeletedRowsWithTheirTextsAndDropsInsertedOnes) {
    TableModel t = readTable(3);
    CellTexts snapshot;
    copyGrid(t, snapshot);
    t.deleteRows(1, 2);
    t.insertRow(2);
    t.setCells(1, 2, u"new");
    copyGrid(snapshot, t);
    EXPECT_FALSE(t.rowsChanged());
    EXPECT_EQ(firstColumn(t), (std::vector<std::u16string>{u"10", u"20", u"30"}));
    EXPECT_EQ(t.ids(1, 1), (std::vector<std::int64_t>{100}));
    EXPECT_EQ(t.ids(1, 2), (std::vector<std::int64_t>{200}));

    // The Update carried the deletion out: the snapshot from before brings
    // the row back as a new one, since the drawing no longer has it.
    t.deleteRows(2, 2);
    const std::int64_t gone = t.drawnRows()[1];
    t.rowDeleted(gone);
    EXPECT_FALSE(t.rowsChanged());
    copyGrid(snapshot, t);
    EXPECT_TRUE(t.rowIsNew(2));
    EXPECT_EQ(t.Cells(1, 2), u"20");
    EXPECT_TRUE(t.ids(1, 2).empty());
    // A new size starts afresh: every row drawn.
    t.setSize(3, 6);
    EXPECT_FALSE(t.rowsChanged());
}
