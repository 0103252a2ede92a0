#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/gridKeys.h"
#include "widgets/keyCodes.h"

using namespace qx;

namespace {

enum Mods : unsigned { None = 0, Shift = 1, Ctrl = 4 };

// Presses a key on the model as the grid window does: a range key with Shift
// grows the selection, any other move makes the cell current.
void press(StringGrid& g, int key, unsigned mods = None, int pageRows = 10) {
    const auto move = keyMove(g, key, (mods & Shift) != 0, (mods & Ctrl) != 0, pageRows);
    if (!move) {
        return;
    }
    if (move->range) {
        g.extendSelection(move->col, move->row);
    } else {
        g.moveCurrent(move->col, move->row);
    }
}

}  // namespace

TEST(GridKeys, MoveTheCurrentCellWithinTheDataCells) {
    constexpr int kCols = 6, kRows = 40, lc = kCols - 1, lr = kRows - 1;
    StringGrid g(kCols, kRows);
    struct Step {
        int key;
        unsigned mods;
        int col, row;
    };
    const Step steps[] = {
        {Key::Up, None, 1, 1},          // the header row is never entered
        {Key::Left, None, 1, 1},        // nor the header column
        {Key::Right, None, 2, 1},       //
        {Key::Down, None, 2, 2},        //
        {Key::End, None, lc, 2},        //
        {Key::Right, None, lc, 2},      // at the edge: stays
        {Key::Tab, None, 1, 3},         // Tab wraps into the next row
        {Key::Tab, Shift, lc, 2},       // Shift+Tab back
        {Key::Home, None, 1, 2},        //
        {Key::End, Ctrl, lc, lr},       // Ctrl+End: the last cell
        {Key::Tab, None, 1, 1},         // Tab from the last cell to the first
        {Key::Tab, Shift, lc, lr},      // and back
        {Key::Home, Ctrl, 1, 1},        // Ctrl+Home
        {Key::PageDown, None, 1, 11},   // by the rows a page holds
        {Key::PageDown, None, 1, 21},   //
        {Key::PageUp, None, 1, 11},     //
        {Key::PageUp, None, 1, 1},      // stops at the first data row
        {Key::End, Ctrl, lc, lr},       //
        {Key::PageDown, None, lc, lr},  // and at the last
        {Key::Home, Ctrl, 1, 1},        //
    };
    for (const Step& s : steps) {
        press(g, s.key, s.mods);
        EXPECT_EQ(g.Col(), s.col) << "key " << s.key;
        EXPECT_EQ(g.Row(), s.row) << "key " << s.key;
        EXPECT_EQ(g.Selection(), (GridRect{s.col, s.row, s.col, s.row})) << "key " << s.key;
    }
}

TEST(GridKeys, ShiftGrowsTheSelectionFromTheAnchorButNeverWithTab) {
    StringGrid g(6, 10);
    g.moveCurrent(2, 2);
    std::vector<std::string> events;
    g.onSelectCell = [&](int c, int r) { events.push_back("select " + std::to_string(c) + std::to_string(r)); };
    g.onClick = [&] { events.push_back("click"); };
    press(g, Key::Right, Shift);
    press(g, Key::Down, Shift);
    press(g, Key::Down, Shift);
    EXPECT_EQ(g.Selection(), (GridRect{2, 2, 3, 4}));
    EXPECT_EQ(g.Col(), 3);
    EXPECT_EQ(g.Row(), 4);
    press(g, Key::Left, Shift);
    press(g, Key::Left, Shift);  // past the anchor
    EXPECT_EQ(g.Selection(), (GridRect{1, 2, 2, 4}));
    // The current cell moved with every key, and whoever shows it was told.
    const std::vector<std::string> moves{"select 32", "click",     "select 33", "click",     "select 34",
                                         "click",     "select 24", "click",     "select 14", "click"};
    EXPECT_EQ(events, moves);
    events.clear();
    press(g, Key::Left, Shift);  // at the first column: no move, nothing told
    EXPECT_TRUE(events.empty());
    press(g, Key::Right);
    EXPECT_EQ(g.Selection(), (GridRect{2, 4, 2, 4}));

    press(g, Key::Tab, Shift);  // backwards, one cell, no range
    EXPECT_EQ(g.Selection(), (GridRect{1, 4, 1, 4}));
    press(g, Key::End, Shift | Ctrl);
    EXPECT_EQ(g.Selection(), (GridRect{1, 4, 5, 9}));
}

TEST(GridKeys, FromAFixedRowTheKeysLeadIntoTheData) {
    StringGrid g(5, 8);
    g.setFixedRows(2);
    g.setSelection({1, 1, 1, 1});  // the second header row, current as a saved selection left it
    press(g, Key::Right);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Row(), 2);
    g.setSelection({3, 0, 3, 0});
    press(g, Key::Up);
    EXPECT_EQ(g.Row(), 2);
}

TEST(GridKeys, OtherKeysAndGridsWithoutDataCellsMoveNothing) {
    StringGrid g(4, 4);
    for (int key : {int{Key::Enter}, int{Key::Escape}, int{Key::F2}, int{Key::Delete}, int{'A'}, -1, 100000}) {
        EXPECT_FALSE(keyMove(g, key, false, false, 5)) << key;
    }
    EXPECT_TRUE(keyMove(g, Key::PageDown, false, false, 0));  // an empty view still pages by one
    EXPECT_EQ(keyMove(g, Key::PageDown, false, false, 0)->row, 2);

    StringGrid noCols(0, 4), noRows(4, 0);
    EXPECT_FALSE(keyMove(noCols, Key::Down, false, false, 5));
    EXPECT_FALSE(keyMove(noRows, Key::Tab, false, false, 5));
}
