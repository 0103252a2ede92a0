#include <gtest/gtest.h>

#include "table/tableModel.h"

#include "core/text.h"
#include "editor/blockOps.h"
#include "editor/undoCells.h"
#include "table/tableGrid.h"
#include "testing/platformFakes.h"

#include <random>

using namespace qx;

namespace {
template <class Grid>
void fill(Grid& g) {
    for (int r = 0; r < g.RowCount(); ++r) {
        for (int c = 0; c < g.ColCount(); ++c) {
            g.setCells(c, r, decimalText(c) + u"," + decimalText(r));
        }
    }
}
using Rows = std::vector<std::vector<std::u16string>>;
}  // namespace

TEST(UndoCells, ThreeEditsUndoneNewestFirstThenNothing) {
    StringGrid g(4, 4);
    TUndoCells u;
    g.setCells(1, 1, u"A");
    u.Add(g, 1, 1);
    g.setCells(1, 1, u"B");
    g.setCells(2, 1, u"x");
    u.Add(g, 2, 1);
    g.setCells(2, 1, u"y");
    u.Add(g, 1, 1);  // second opening of (1,1), holding B
    g.setCells(1, 1, u"C");

    u.Undo(g);
    EXPECT_EQ(g.Cells(1, 1), u"B");
    u.Undo(g);
    EXPECT_EQ(g.Cells(2, 1), u"x");
    EXPECT_EQ(g.Col(), 2);
    u.Undo(g);
    EXPECT_EQ(g.Cells(1, 1), u"A");
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(u.Count(), 0);
    u.Undo(g);
    EXPECT_EQ(g.Cells(1, 1), u"A");
}

TEST(UndoCells, LevelLimitDropsOldestOfThatGridOnly) {
    StringGrid g(3, 3), other(3, 3);
    TUndoCells u;
    u.setUndoLevels(3);
    u.Add(other, 1, 1);
    for (int i = 0; i < 4; ++i) {
        g.setCells(1, 1, decimalText(i));
        u.Add(g, 1, 1);
    }
    u.Add(other, 2, 2);
    ASSERT_EQ(u.Count(), 5);
    std::vector<std::pair<std::u16string, int>> mine;
    for (int i = 0; i < u.Count(); ++i) {
        if (u.GetItem(i).Grid() == &g) {
            mine.emplace_back(u.GetItem(i).Text(), u.GetItem(i).UndoLevel());
        }
    }
    EXPECT_EQ(mine, (std::vector<std::pair<std::u16string, int>>{{u"1", 0}, {u"2", 1}, {u"3", 2}}));
    EXPECT_EQ(u.GetItem(0).UndoLevel(), 0);  // the other grid's records keep their levels
    EXPECT_EQ(u.GetItem(4).UndoLevel(), 1);
}

TEST(UndoCells, RecordOutsideTheGridIsDroppedWithoutTouchingIt) {
    StringGrid g(6, 6);
    TUndoCells u;
    u.Add(g, 5, 5);
    g.setRowCount(3);
    g.setCells(1, 1, u"keep");
    u.Undo(g);
    EXPECT_EQ(u.Count(), 0);
    EXPECT_EQ(g.Cells(1, 1), u"keep");
}

TEST(ClipboardText, BlockRowsEndInCrLf) {
    StringGrid g(3, 3);
    g.setCells(1, 1, u"a");
    g.setCells(2, 1, u"b");
    g.setCells(1, 2, u"c");
    g.setCells(2, 2, u"d");
    EXPECT_EQ(blockText(g, {1, 1, 2, 2}), u"a\tb\r\nc\td\r\n");
    EXPECT_EQ(blockText(g, {0, 0, 0, 0}), u"\r\n");
    // Values of several lines, with tabs or a leading quote go in quotes, as a
    // spreadsheet writes them, and come back whole.
    g.setCells(1, 1, u"品名\n規格");
    g.setCells(2, 1, u"x\ty");
    g.setCells(1, 2, u"\"q\" mark");
    g.setCells(2, 2, u"a\"b");
    const std::u16string text = blockText(g, {1, 1, 2, 2});
    EXPECT_EQ(text, u"\"品名\n規格\"\t\"x\ty\"\r\n\"\"\"q\"\" mark\"\ta\"b\r\n");
    EXPECT_EQ(parseClipboardText(text),
              (std::vector<std::vector<std::u16string>>{{u"品名\n規格", u"x\ty"}, {u"\"q\" mark", u"a\"b"}, {}}));
}

struct ParseCase {
    std::u16string text;
    Rows rows;
};
class ParseClipboard : public testing::TestWithParam<ParseCase> {};
TEST_P(ParseClipboard, SplitsRowsAndFields) {
    EXPECT_EQ(parseClipboardText(GetParam().text), GetParam().rows);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ParseClipboard,
    testing::Values(ParseCase{u"", {}}, ParseCase{u"x\ty", {{u"x", u"y"}}},
                    ParseCase{u"a\tb\r\nc\td\r\n", {{u"a", u"b"}, {u"c", u"d"}, {}}},
                    ParseCase{u"a\n\nb", {{u"a"}, {}, {u"b"}}}, ParseCase{u"\t", {{u"", u""}}},
                    ParseCase{u"\"ab\"\"c\"", {{u"ab\"c"}}}, ParseCase{u"x\t\"p\tq\"\tz", {{u"x", u"p\tq", u"z"}}},
                    // A spreadsheet's cells of several lines, in any column.
                    ParseCase{u"\"multi\nline\"\tz", {{u"multi\nline", u"z"}}},
                    ParseCase{u"a\t\"1\r\n2\"\r\nb\t\"\"\r\n", {{u"a", u"1\n2"}, {u"b", u""}, {}}},
                    ParseCase{u"\"open\tend", {{u"open\tend"}}},  // unclosed: to the end of the text
                    ParseCase{u"\"q\"rest\tz", {{u"qrest", u"z"}}}));

struct Paste : testing::Test {
    TableModel table{6, 8};
    StringGrid w{6, 8};
    CellTexts snap{6, 8};
    void SetUp() override { w.setModel(table); }
    BlockUndoState state;
    fake::FakeClipboard clip;
    void paste(const std::u16string& text, GridRect sel) {
        clip.text = text;
        w.setSelection(sel);
        pasteCells(w, snap, state, clip);
    }
    std::u16string col(int c) {
        std::u16string s;
        for (int r = 1; r < w.RowCount(); ++r) {
            s += w.Cells(c, r).empty() ? u"." : w.Cells(c, r);
        }
        return s;
    }
};

TEST_F(Paste, OneRowRepeatsDownTheSelection) {
    paste(u"x\ty", {1, 2, 1, 4});
    EXPECT_EQ(col(1), u".xxx...");
    EXPECT_EQ(col(2), u".yyy...");
}

TEST_F(Paste, TwoRowsIntoFiveRepeatWithPartialLastCopy) {
    paste(u"a\r\nb\r\n", {1, 1, 1, 5});
    EXPECT_EQ(col(1), u"ababa..");
}

TEST_F(Paste, ThreeRowsIntoOneCellWriteInFullAndNothingBeyondTheGrid) {
    paste(u"1\t2\r\n3\t4\r\n5\t6\r\n", {5, 5, 5, 5});
    EXPECT_EQ(w.Cells(5, 5), u"1");
    EXPECT_EQ(w.Cells(5, 7), u"5");
    EXPECT_EQ(w.ColCount(), 6);  // no growth: the second field fell off the edge
}

TEST_F(Paste, EmptyMiddleRowKeepsTextsBlankLastRowIsDropped) {
    fill(w);
    paste(u"a\n\n \n   ", {1, 1, 1, 6});
    // rows: a, (empty), " " -- the last, blank one dropped; n = 3
    EXPECT_EQ(w.Cells(1, 1), u"a");
    EXPECT_EQ(w.Cells(1, 2), u"1,2");
    EXPECT_EQ(w.Cells(1, 3), u" ");
    EXPECT_EQ(w.Cells(1, 4), u"a");
    paste(u"\t\n", {1, 1, 1, 1});  // a single tab empties two cells
    EXPECT_EQ(w.Cells(1, 1), u"");
    EXPECT_EQ(w.Cells(2, 1), u"");
}

TEST_F(Paste, KeepsObjectIdsAndCutIsUndone) {
    fill(w);
    table.setIds(2, 2, {202});
    table.setIds(2, 3, {203});
    paste(u"new", {2, 2, 2, 2});
    EXPECT_EQ(table.ids(2, 2), std::vector<std::int64_t>{202});
    w.setSelection({1, 1, 2, 3});
    clearCells(w, snap, state);
    EXPECT_EQ(w.Cells(2, 3), u"");
    EXPECT_EQ(table.ids(2, 3), std::vector<std::int64_t>{203});
    blockUndo(w, snap, state);
    EXPECT_EQ(w.Cells(2, 3), u"2,3");
    EXPECT_EQ(w.Cells(2, 2), u"new");
    EXPECT_EQ(w.Col(), 1);  // wider than a column: bottom-left
    EXPECT_EQ(w.Row(), 3);
    EXPECT_EQ(w.Selection(), (GridRect{1, 3, 1, 3}));
    blockUndo(w, snap, state);  // a second one restores the same again
    EXPECT_EQ(w.Cells(2, 2), u"new");
}

TEST(BlockUndo, SelectionRulesAndHeaderClamp) {
    StringGrid w(5, 5);
    CellTexts snap(5, 5);
    BlockUndoState s;
    s.undoSel = {2, 1, 2, 3};  // one column, several rows: top cell
    blockUndo(w, snap, s);
    EXPECT_EQ(w.Selection(), (GridRect{2, 1, 2, 1}));
    s.undoSel = {};  // all zeros until a real selection was saved
    blockUndo(w, snap, s);
    EXPECT_EQ(w.Selection(), (GridRect{1, 1, 1, 1}));
}

TEST(CopyToClipboard, BusyForAllTriesReportsAndLeavesTheLog) {
    fake::FakePlatform f;
    StringGrid g(3, 3);
    g.setCells(1, 1, u"a");
    Memo log;
    log.add(u"old");
    f.clipboard.busyFor = 10;
    copyToClipboard(g, log, f.platform());
    EXPECT_EQ(f.clipboard.setAttempts, 10);
    EXPECT_EQ(f.clock.sleeps, std::vector<std::uint32_t>(10, 250));
    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    EXPECT_EQ(f.dialogs.shown[0].first, u"クリップボードへのコピーに失敗しました。");
    EXPECT_EQ(log.Lines(), (std::vector<std::u16string>{u"old"}));

    f.clipboard.busyFor = 9;  // the tenth try goes through
    copyToClipboard(g, log, f.platform());
    EXPECT_EQ(f.clipboard.text, u"a\r\n");
    EXPECT_EQ(log.text(), u"a\r\n");
    EXPECT_FALSE(putClipboardText(f.clipboard, f.clock, u"x", 0));
}

// After any sequence of block edits, a block undo gives back the grid exactly as
// it stood just before the last one.
TEST(BlockUndo, RandomEditSequencesRestoreTheStateBeforeTheLastBlockEdit) {
    std::mt19937 rng(5);
    fake::FakeClipboard clip;
    for (int round = 0; round < 100; ++round) {
        StringGrid w(6, 6);
        CellTexts snap(6, 6);
        fill(w);
        BlockUndoState st;
        CellTexts before(6, 6);
        for (int step = 0; step < 8; ++step) {
            const int l = 1 + rng() % 5, t = 1 + rng() % 5;
            w.setSelection({l, t, l + static_cast<int>(rng() % (6 - l)), t + static_cast<int>(rng() % (6 - t))});
            copyGrid(w.model(), before);
            if (rng() % 2) {
                clip.text = u"p\tq\r\n\"r\"\r\n";
                pasteCells(w, snap, st, clip);
            } else {
                clearCells(w, snap, st);
            }
        }
        blockUndo(w, snap, st);
        for (int r = 0; r < 6; ++r) {
            for (int c = 0; c < 6; ++c) {
                ASSERT_EQ(w.Cells(c, r), before.Cells(c, r)) << round;
            }
        }
    }
}
