#include <gtest/gtest.h>

#include "core/error.h"
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
