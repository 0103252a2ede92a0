#include <gtest/gtest.h>

#include "platform/platform.h"
#include "widgets/stringGrid.h"

using namespace qx;

TEST(StringGridModel, ResizeKeepsCellsInsideBothSizes) {
    StringGrid g(3, 3);
    g.setCells(2, 2, u"keep");
    g.setCells(1, 1, u"k2");
    g.setColCount(5);
    g.setRowCount(4);
    EXPECT_EQ(g.Cells(2, 2), u"keep");
    EXPECT_EQ(g.Cells(4, 3), u"");
    EXPECT_EQ(g.ColWidths(4), StringGrid::kDefaultColWidth);
    EXPECT_EQ(g.RowHeights(3), StringGrid::kDefaultRowHeight);
    g.setColCount(2);
    EXPECT_EQ(g.Cells(1, 1), u"k2");
    EXPECT_THROW(g.Cells(2, 2), Error);
    g.setColCount(3);
    EXPECT_EQ(g.Cells(2, 2), u"");  // shrinking dropped it
}

TEST(StringGridModel, ShowsAnotherModelAndFollowsItsChanges) {
    CellTexts table(3, 3);
    table.setCells(1, 1, u"from the model");
    StringGrid g(5, 5);
    g.setCells(4, 4, u"own");
    g.moveCurrent(4, 4);
    int repaints = 0;
    g.onRepaint = [&] { ++repaints; };
    g.setModel(table);
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.Cells(1, 1), u"from the model");
    EXPECT_EQ(g.Col(), 2);  // the current cell stays inside the smaller table
    g.setCells(2, 2, u"typed");
    EXPECT_EQ(table.Cells(2, 2), u"typed");  // edits go to the model
    const int before = repaints;
    table.setSize(4, 6);  // changed behind the view's back
    EXPECT_EQ(g.RowCount(), 6);
    EXPECT_EQ(g.RowHeights(5), StringGrid::kDefaultRowHeight);
    g.moveCurrent(1, 1);
    g.showEditor();
    table.setCells(1, 1, u"changed");
    EXPECT_EQ(g.editorText(), u"changed");  // the open editor shows what the cell holds
    EXPECT_GT(repaints, before);
}

TEST(StringGridModel, NestedSuspensionCostsOneRepaint) {
    StringGrid g(3, 3);
    int peer = 0;
    g.onRepaint = [&] { ++peer; };
    g.beginUpdate();
    g.setCells(1, 1, u"a");
    g.beginUpdate();
    g.setCells(2, 2, u"b");
    g.endUpdate();
    EXPECT_EQ(peer, 0);
    g.endUpdate();
    EXPECT_EQ(peer, 1);
    g.beginUpdate();
    g.endUpdate();  // nothing changed: no repaint
    EXPECT_EQ(peer, 1);
}

TEST(StringGridModel, OutOfRangeAccessThrowsReadableError) {
    StringGrid g(2, 2);
    EXPECT_THROW(g.setCells(-1, 0, u"x"), Error);
    EXPECT_THROW(g.Cells(0, 2), Error);
    EXPECT_THROW(g.setColWidths(2, 10), Error);
}

TEST(StringGridEditor, OpensTakesUpTextWritesThroughAndClosesOnMove) {
    StringGrid g(4, 4);
    std::vector<std::string> events;
    g.onGetEditText = [&](int c, int r) { events.push_back("get " + std::to_string(c) + std::to_string(r)); };
    g.onSetEditText = [&](int c, int r) { events.push_back("set " + std::to_string(c) + std::to_string(r)); };
    g.onSelectCell = [&](int, int) { events.push_back("select"); };
    g.onClick = [&] { events.push_back("click"); };
    g.setCells(1, 1, u"old");
    EXPECT_FALSE(g.editorUndo());  // never opened
    g.typeChar(u'n');
    g.typeChar(u'e');
    EXPECT_TRUE(g.EditorMode());
    EXPECT_EQ(g.Cells(1, 1), u"ne");
    EXPECT_TRUE(g.editorUndo());
    EXPECT_EQ(g.Cells(1, 1), u"n");
    g.setCol(2);
    EXPECT_FALSE(g.EditorMode());
    EXPECT_EQ(events, (std::vector<std::string>{"get 11", "set 11", "set 11", "set 11", "set 11", "select", "click"}));
    g.toggleEditor();
    EXPECT_TRUE(g.EditorMode());
    g.toggleEditor();
    EXPECT_FALSE(g.EditorMode());
}

TEST(StringGridHitTest, FixedCellsStayAndScrolledCellsFollowTheirWidths) {
    StringGrid g(6, 6);
    g.setColWidths(1, 30);  // columns: 0 [0,41) 1 [41,72) 2 [72,113) ...
    EXPECT_EQ(g.cellAt(0, 0), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(g.cellAt(41, 21), (std::pair<int, int>{1, 1}));
    EXPECT_EQ(g.cellAt(71, 41), (std::pair<int, int>{1, 1}));
    EXPECT_EQ(g.cellAt(72, 42), (std::pair<int, int>{2, 2}));
    EXPECT_EQ(g.cellAt(-1, 5), (std::pair<int, int>{-1, 0}));
    EXPECT_EQ(g.cellAt(10000, 5).first, -1);
    g.setLeftCol(3);  // columns 1 and 2 scrolled out
    EXPECT_EQ(g.cellAt(41, 0).first, 3);
    EXPECT_EQ(g.cellOrigin(4, 0).first, 41 + 41);
}

TEST(StringGridEditor, SelectionMovedOrCellSetFromOutsideNeverWritesTheWrongCell) {
    qx::StringGrid g(4, 4);
    g.setCol(1);
    g.setRow(1);
    g.typeChar(u'x');
    ASSERT_TRUE(g.EditorMode());
    // A block operation selects elsewhere while the editor is open.
    g.setSelection({2, 2, 3, 3});
    EXPECT_FALSE(g.EditorMode());
    EXPECT_EQ(g.Cells(1, 1), u"x");
    EXPECT_EQ(g.Cells(3, 3), u"");

    g.setCol(2);
    g.typeChar(u'y');
    g.setCells(2, 3, u"chosen");  // e.g. a candidate written into the edited cell
    EXPECT_EQ(g.editorText(), u"chosen");
    g.hideEditor();
    EXPECT_EQ(g.Cells(2, 3), u"chosen");
}

namespace {
// A 4 x 4 grid whose drawing lacks the border right of (1, 1) and below (2, 2).
CellEdges mergedEdges(int cols = 4, int rows = 4) {
    CellEdges e(cols, rows);
    e.setRight(1, 1, false);
    e.setBelow(2, 2, false);
    return e;
}
}  // namespace

TEST(StringGridEdges, ApplyOnlyBetweenDataCellsOfAMapOfTheGridsSize) {
    StringGrid g(4, 4);
    EXPECT_TRUE(g.borderRight(1, 1));  // no map: every border drawn
    int repaints = 0;
    g.onRepaint = [&] { ++repaints; };
    g.setDrawnEdges(mergedEdges());
    EXPECT_GT(repaints, 0);
    EXPECT_FALSE(g.borderRight(1, 1));
    EXPECT_FALSE(g.borderBelow(2, 2));
    EXPECT_TRUE(g.borderRight(2, 1));
    EXPECT_TRUE(g.borderBelow(2, 1));

    CellEdges headers = mergedEdges();
    headers.setRight(0, 2, false);  // header column
    headers.setBelow(2, 0, false);  // header row
    headers.setRight(3, 3, false);  // outer frame
    headers.setBelow(3, 3, false);
    g.setDrawnEdges(headers);
    EXPECT_TRUE(g.borderRight(0, 2));
    EXPECT_TRUE(g.borderBelow(2, 0));
    EXPECT_TRUE(g.borderRight(3, 3));
    EXPECT_TRUE(g.borderBelow(3, 3));
    EXPECT_TRUE(g.borderRight(-1, 7));  // outside the grid: drawn, no error

    g.setFixedRows(2);  // the first data row frozen looks like a header
    EXPECT_TRUE(g.borderRight(1, 1));
    EXPECT_FALSE(g.borderBelow(2, 2));
    g.setFixedRows(1);

    g.setDrawnEdges(mergedEdges(5, 4));  // another table's map
    EXPECT_TRUE(g.borderRight(1, 1));
    g.setDrawnEdges(mergedEdges());
    g.clearDrawnEdges();
    EXPECT_TRUE(g.borderRight(1, 1));
    EXPECT_FALSE(g.drawnEdges());
}

TEST(StringGridEdges, ChangingTheCountsDropsTheMap) {
    for (const auto& resize : std::vector<std::function<void(StringGrid&)>>{
             [](StringGrid& g) { g.setRowCount(3); }, [](StringGrid& g) { g.setColCount(6); },
             [](StringGrid& g) {
                 g.setColCount(3);
                 g.setColCount(4);  // back to the map's size: still dropped
             }}) {
        StringGrid g(4, 4);
        g.setDrawnEdges(mergedEdges());
        resize(g);
        EXPECT_FALSE(g.drawnEdges());
        for (int r = 0; r < g.RowCount(); ++r)
            for (int c = 0; c < g.ColCount(); ++c)
                EXPECT_TRUE(g.borderRight(c, r) && g.borderBelow(c, r)) << c << "," << r;
    }
    StringGrid same(4, 4);
    same.setDrawnEdges(mergedEdges());
    same.setRowCount(4);  // the same size is no change
    same.setCells(1, 1, u"x");
    EXPECT_FALSE(same.borderRight(1, 1));
}

TEST(StringGridMoves, AMoveRaisesOneSelectAndOneClickAndClosesTheEditor) {
    StringGrid g(5, 5);
    std::vector<std::string> events;
    g.onSelectCell = [&](int c, int r) { events.push_back("select " + std::to_string(c) + std::to_string(r)); };
    g.onClick = [&] { events.push_back("click"); };
    g.onSetEditText = [&](int c, int r) { events.push_back("set " + std::to_string(c) + std::to_string(r)); };
    g.typeChar(u'a');
    events.clear();
    g.moveCurrent(3, 2);  // both coordinates at once: one move
    EXPECT_EQ(events, (std::vector<std::string>{"set 11", "select 32", "click"}));
    EXPECT_FALSE(g.EditorMode());
    EXPECT_EQ(g.Cells(1, 1), u"a");
    EXPECT_EQ(g.Selection(), (GridRect{3, 2, 3, 2}));

    events.clear();
    g.moveCurrent(3, 4);
    g.moveCurrent(1, 4);
    EXPECT_EQ(events, (std::vector<std::string>{"select 34", "click", "select 14", "click"}));

    events.clear();
    g.extendSelection(2, 3);  // the range grows from the anchor; the current cell moves
    EXPECT_EQ(g.Selection(), (GridRect{1, 3, 2, 4}));
    EXPECT_EQ(events, (std::vector<std::string>{"select 23", "click"}));
    events.clear();
    g.moveCurrent(2, 3);  // onto the current cell: only the range collapses
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(g.Selection(), (GridRect{2, 3, 2, 3}));
    g.selectionDone();
    EXPECT_EQ(events, (std::vector<std::string>{"click"}));
    EXPECT_THROW(g.moveCurrent(5, 1), Error);
    EXPECT_EQ(g.Col(), 2);
}

TEST(StringGridModel, AnUpdateScopeEndsTheUpdateOnEveryWayOut) {
    StringGrid g(3, 3);
    int peer = 0;
    g.onRepaint = [&] { ++peer; };
    try {
        StringGrid::UpdateScope scope(g);
        g.setCells(1, 1, u"x");
        EXPECT_TRUE(g.updating());
        g.setCells(9, 9, u"y");  // throws
    } catch (const Error&) {
    }
    EXPECT_FALSE(g.updating());
    EXPECT_EQ(peer, 1);
}

TEST(ClipToDataCells, MovesEverySideOffTheHeadersAndInsideTheGrid) {
    StringGrid g(5, 4);  // one header column and row
    struct Case {
        GridRect in, out;
    };
    const Case cases[] = {
        {{1, 1, 3, 2}, {1, 1, 3, 2}},    // inside: unchanged
        {{0, 0, 2, 2}, {1, 1, 2, 2}},    // on the headers
        {{2, 1, 9, 7}, {2, 1, 4, 3}},    // past the grid
        {{-3, -1, 0, 0}, {1, 1, 1, 1}},  // wholly in the headers
        {{3, 2, 1, 1}, {3, 2, 1, 1}},    // the order of the sides is kept
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clipToDataCells(g, c.in), c.out)
            << c.in.Left << "," << c.in.Top << "," << c.in.Right << "," << c.in.Bottom;
    }
}

TEST(DataCellsIn, IsThePartOnDataCellsAndEmptyWhenThereIsNone) {
    StringGrid g(5, 4);
    struct Case {
        GridRect in, out;
    };
    const Case cases[] = {
        {{1, 1, 3, 2}, {1, 1, 3, 2}},
        {{0, 0, 2, 9}, {1, 1, 2, 3}},
        {{-1, -1, 0, 0}, {1, 1, 0, 0}},  // wholly in the headers: empty
        {{3, 1, 2, 2}, {3, 1, 2, 2}},    // an empty rectangle stays empty
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dataCellsIn(g, c.in), c.out)
            << c.in.Left << "," << c.in.Top << "," << c.in.Right << "," << c.in.Bottom;
    }
}

// A smaller table from a Get: the grid's cells and view shrink with it.
TEST(StringGridModel, AnotherSizeKeepsTheCurrentCellAndTheViewOnTheCells) {
    struct Case {
        int col, row, topRow, leftCol;  // before, in a grid of 8 x 60
        int newCols, newRows;
        int wantCol, wantRow, wantTop, wantLeft;
    };
    const Case cases[] = {
        {1, 1, 16, 1, 8, 5, 1, 1, 4, 1},      // scrolled away from the current cell
        {3, 55, 50, 1, 8, 5, 3, 4, 4, 1},     // the current cell below the new end
        {7, 20, 10, 6, 4, 30, 3, 20, 10, 3},  // fewer columns
        {2, 30, 20, 1, 8, 60, 2, 30, 20, 1},  // the same size: nothing moves
    };
    for (const Case& k : cases) {
        CellTexts table(8, 60);
        StringGrid g;
        g.setModel(table);
        g.moveCurrent(k.col, k.row);
        g.setTopRow(k.topRow);
        g.setLeftCol(k.leftCol);
        table.setSize(k.newCols, k.newRows);
        EXPECT_EQ(g.Col(), k.wantCol) << k.newCols << "x" << k.newRows;
        EXPECT_EQ(g.Row(), k.wantRow) << k.newCols << "x" << k.newRows;
        EXPECT_EQ(g.Selection(), (GridRect{k.wantCol, k.wantRow, k.wantCol, k.wantRow}));
        EXPECT_EQ(g.TopRow(), k.wantTop) << k.newCols << "x" << k.newRows;
        EXPECT_EQ(g.LeftCol(), k.wantLeft) << k.newCols << "x" << k.newRows;
    }
}

TEST(StringGridFixedRows, TheCurrentCellAndTheRangeLeaveARowThatBecomesFixed) {
    StringGrid g(5, 8);
    std::vector<std::string> events;
    g.onSelectCell = [&](int c, int r) { events.push_back("select " + std::to_string(c) + std::to_string(r)); };
    g.onClick = [&] { events.push_back("click"); };
    g.moveCurrent(3, 1);
    g.typeChar(u'x');  // editing the first data row
    events.clear();
    g.setFixedRows(2);
    EXPECT_EQ(events, (std::vector<std::string>{"select 32", "click"}));  // a move like any other
    EXPECT_FALSE(g.EditorMode());
    EXPECT_EQ(g.Cells(3, 1), u"x");  // typed before it froze
    EXPECT_EQ(g.Selection(), (GridRect{3, 2, 3, 2}));
    EXPECT_EQ(g.TopRow(), 2);  // the view at the top stays at the top

    // A range reaching into the row: only its anchor comes down, nobody is told.
    g.setFixedRows(1);
    EXPECT_EQ(g.TopRow(), 1);
    g.moveCurrent(1, 1);
    g.extendSelection(4, 5);
    events.clear();
    g.setFixedRows(2);
    EXPECT_EQ(g.Selection(), (GridRect{1, 2, 4, 5}));
    EXPECT_TRUE(events.empty());

    // Placed on the fixed row from outside, the current cell opens no editor.
    g.setSelection({2, 1, 2, 1});
    g.showEditor();
    EXPECT_FALSE(g.EditorMode());
    g.typeChar(u'y');
    EXPECT_EQ(g.Cells(2, 1), u"");
    EXPECT_FALSE(g.EditorMode());

    // A scrolled view stays where it was when the row thaws.
    g.moveCurrent(1, 6);
    g.setTopRow(5);
    g.setFixedRows(1);
    EXPECT_EQ(g.TopRow(), 5);
    EXPECT_EQ(g.Row(), 6);
}
