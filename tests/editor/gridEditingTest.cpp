#include <gtest/gtest.h>

#include "table/tableModel.h"

#include "editor/gridEditing.h"
#include "testing/platformFakes.h"

using namespace qx;

struct EnterCase {
    EnterMode mode;
    bool backward;
    int fromCol, fromRow, toCol, toRow;
};
class EnterMovement : public testing::TestWithParam<EnterCase> {};

// Data cells 1..4 x 1..3 (ColCount 5, RowCount 4).
TEST_P(EnterMovement, FollowsTheTable) {
    const EnterCase& e = GetParam();
    StringGrid g(5, 4);
    g.setCol(e.fromCol);
    g.setRow(e.fromRow);
    enterMove(g, e.mode, e.backward);
    EXPECT_EQ(g.Col(), e.toCol);
    EXPECT_EQ(g.Row(), e.toRow);
}
INSTANTIATE_TEST_SUITE_P(
    Table, EnterMovement,
    testing::Values(EnterCase{EnterMode::Right, false, 2, 1, 3, 1},
                    EnterCase{EnterMode::Right, false, 4, 1, 1, 2},  // next row
                    EnterCase{EnterMode::Right, false, 4, 3, 1, 1},  // wrap to first
                    EnterCase{EnterMode::Down, false, 2, 1, 2, 2},
                    EnterCase{EnterMode::Down, false, 2, 3, 3, 1},  // next column
                    EnterCase{EnterMode::Down, false, 4, 3, 1, 1},  // wrap
                    EnterCase{EnterMode::Right, true, 3, 2, 2, 2}, EnterCase{EnterMode::Right, true, 1, 2, 4, 1},
                    EnterCase{EnterMode::Right, true, 1, 1, 1, 1},  // no wrap
                    EnterCase{EnterMode::Down, true, 2, 2, 2, 1}, EnterCase{EnterMode::Down, true, 2, 1, 1, 3},
                    EnterCase{EnterMode::Down, true, 1, 1, 1, 1}, EnterCase{EnterMode::None, false, 2, 2, 2, 2},
                    EnterCase{EnterMode::None, true, 2, 2, 2, 2}));

TEST(EnterMovement, WithFrozenFirstRowWrapsToRowTwo) {
    StringGrid g(3, 4);
    g.setFixedRows(2);
    g.setCol(2);
    g.setRow(3);
    enterMove(g, EnterMode::Right, false);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(g.Row(), 2);
}

TEST(GridEditing, UpperCasingTouchesAsciiLettersOnly) {
    EXPECT_EQ(upperAscii(u'a'), u'A');
    EXPECT_EQ(upperAscii(u'z'), u'Z');
    EXPECT_EQ(upperAscii(u'ａ'), u'ａ');
    EXPECT_EQ(upperAscii(u'é'), u'é');
    EXPECT_EQ(upperAscii(u'1'), u'1');
}

TEST(GridEditing, IdPanelText) {
    EXPECT_EQ(idPanelText(31), u" ID = 0000001F");
    EXPECT_EQ(idPanelText(0x1'2345'6789'AB), u" ID = 123456789AB");
    EXPECT_EQ(idPanelText(0), u"");
}

TEST(GridEditing, HeaderClicksWithAndWithoutFrozenRow) {
    StringGrid g(5, 6);
    EXPECT_EQ(fixedCellSelection(g, 0, 0), (GridRect{1, 1, 4, 5}));
    EXPECT_EQ(fixedCellSelection(g, 0, 3), (GridRect{1, 3, 4, 3}));
    EXPECT_EQ(fixedCellSelection(g, 3, 0), (GridRect{3, 1, 3, 5}));
    g.setFixedRows(2);
    EXPECT_EQ(fixedCellSelection(g, 3, 0), (GridRect{3, 2, 3, 5}));
    EXPECT_EQ(fixedCellSelection(g, 3, 1), std::nullopt);
}

TEST(GridEditing, DragIntoTheHeadersIsClamped) {
    StringGrid g(5, 5);
    EXPECT_EQ(dragSelection(g, 2, 2, 3, 0), (GridRect{2, 2, 3, 1}));
    EXPECT_EQ(dragSelection(g, 2, 2, 0, 3), (GridRect{2, 2, 1, 3}));
}

TEST(GridEditing, ColumnsWithoutDrawingTextsPaintGrey) {
    TableModel t(4, 3);
    StringGrid g(4, 3);
    g.setModel(t);
    t.setIds(1, 1, {5});
    t.setIds(3, 0, {9});  // a header ID does not count
    EXPECT_TRUE(colHasText(t, 1));
    EXPECT_FALSE(colHasText(t, 2));
    EXPECT_FALSE(colHasText(t, 3));
    EXPECT_TRUE(paintsGrey(g, t, 2, 1));
    EXPECT_FALSE(paintsGrey(g, t, 2, 0));  // headers keep their colour
    EXPECT_FALSE(paintsGrey(g, t, 1, 2));
    TableModel one(3, 1);
    EXPECT_FALSE(colHasText(one, 1));
}

TEST(InputCandidates, DistinctNonBlankSortedIgnoringCase) {
    fake::FakeLocale locale;
    StringGrid g(3, 7);
    const char16_t* texts[] = {u"B", u"a", u"B", u"", u"   ", u"x "};
    for (int r = 1; r <= 6; ++r) {
        g.setCells(1, r, texts[r - 1]);
    }
    g.setCells(1, 0, u"header");
    g.setCol(1);
    EXPECT_EQ(inputCandidates(g, locale), (std::vector<std::u16string>{u"a", u"B", u"x "}));
    g.setFixedRows(2);  // the frozen first row is not offered
    EXPECT_EQ(inputCandidates(g, locale), (std::vector<std::u16string>{u"a", u"B", u"x "}));
    g.setCells(1, 1, u"only-frozen");
    EXPECT_EQ(inputCandidates(g, locale).size(), 3u);
    g.setCol(2);
    EXPECT_TRUE(inputCandidates(g, locale).empty());
}

TEST(InputCandidates, PlacementClampsRightAndTopOnly) {
    EXPECT_EQ(placeCandidates(100, 500, 296, 200, 1920).left, 140);
    EXPECT_EQ(placeCandidates(100, 500, 296, 200, 1920).top, 280);
    EXPECT_EQ(placeCandidates(1800, 500, 296, 200, 1920).left, 1920 - 296);
    EXPECT_EQ(placeCandidates(-300, 50, 296, 200, 1920).top, 0);
    EXPECT_EQ(placeCandidates(-300, 50, 296, 200, 1920).left, -260);
}

TEST(KeyCommand, LogLinesAndDeleteThenUndo) {
    fake::FakePlatform f;
    StringGrid w(5, 5);
    CellTexts snap(5, 5);
    for (int r = 1; r < 5; ++r) {
        for (int c = 1; c < 5; ++c) {
            w.setCells(c, r, u"t");
        }
    }
    BlockUndoState undo;
    Memo log;
    const Platform p = f.platform();
    KeyCommandContext ctx{w, snap, undo, log, p};
    const unsigned ctrl = static_cast<unsigned>(Modifier::Ctrl);

    w.setSelection({1, 1, 2, 3});
    std::uint16_t key = 46;
    EXPECT_TRUE(keyCommand(ctx, key, 0));
    EXPECT_EQ(key, 0);
    EXPECT_EQ(w.Cells(2, 3), u"");
    key = 'Z';
    keyCommand(ctx, key, ctrl);
    EXPECT_EQ(w.Cells(2, 3), u"t");
    EXPECT_EQ(w.Col(), 1);
    EXPECT_EQ(w.Row(), 3);

    key = 'A';
    keyCommand(ctx, key, ctrl);
    EXPECT_EQ(w.Selection(), (GridRect{1, 1, 4, 4}));
    key = 'C';
    keyCommand(ctx, key, ctrl);
    EXPECT_EQ(f.clipboard.text, u"t\tt\tt\tt\r\nt\tt\tt\tt\r\nt\tt\tt\tt\r\nt\tt\tt\tt\r\n");
    EXPECT_EQ(log.Lines().back(), u"[Ctrl]+[C]");
    EXPECT_EQ(log.caretLine(), 0);
    key = 'A';
    EXPECT_FALSE(keyCommand(ctx, key, 0));  // without Ctrl nothing
    key = 'Q';
    EXPECT_FALSE(keyCommand(ctx, key, ctrl));

    w.setSelection({3, 3, 3, 3});
    f.clipboard.busyFor = 10;
    key = 'X';
    keyCommand(ctx, key, ctrl);  // the copy fails, the cut still empties
    EXPECT_EQ(w.Cells(3, 3), u"");
    EXPECT_EQ(log.Lines().back(), u"[Ctrl]+[X]");
}
