#include <gtest/gtest.h>

#include <vector>

#include "widgets/gridGeometry.h"

using namespace qx;

namespace {
// One fixed cell of 40, then cells of 20, 30, 40, 50, 60 (each with its line).
const std::vector<int> kSizes{40, 20, 30, 40, 50, 60};
}  // namespace

TEST(GridGeometry, OriginsAndHitsSkipTheScrolledOutCells) {
    GridAxis a{kSizes, 1, 1};
    EXPECT_EQ(a.fixedExtent(), 41);
    EXPECT_EQ(a.origin(0), 0);
    EXPECT_EQ(a.origin(1), 41);
    EXPECT_EQ(a.origin(3), 41 + 21 + 31);
    EXPECT_EQ(a.hit(0), 0);
    EXPECT_EQ(a.hit(40), 0);  // the line after a cell belongs to it
    EXPECT_EQ(a.hit(41), 1);
    EXPECT_EQ(a.hit(61), 1);
    EXPECT_EQ(a.hit(62), 2);
    EXPECT_EQ(a.hit(-1), -1);
    EXPECT_EQ(a.hit(41 + 21 + 31 + 41 + 51 + 61), -1);  // past the last cell

    a.first = 3;  // cells 1 and 2 scrolled out
    EXPECT_TRUE(a.scrolledOut(1) && a.scrolledOut(2));
    EXPECT_FALSE(a.scrolledOut(0) || a.scrolledOut(3));
    EXPECT_EQ(a.origin(3), 41);
    EXPECT_EQ(a.origin(4), 41 + 41);
    EXPECT_EQ(a.hit(30), 0);  // the fixed cell stays
    EXPECT_EQ(a.hit(41), 3);
    EXPECT_EQ(a.hit(82), 4);
}

TEST(GridGeometry, CellsInViewStopAtTheLimit) {
    const GridAxis a{kSizes, 1, 2};
    const std::vector<GridSpan> spans = a.inView(41 + 31 + 1);
    ASSERT_EQ(spans.size(), 3u);  // the fixed cell, 2, and 3 which starts inside the limit
    EXPECT_EQ(spans[0].index, 0);
    EXPECT_EQ(spans[1].index, 2);
    EXPECT_EQ(spans[1].start, 41);
    EXPECT_EQ(spans[1].end(), 71);
    EXPECT_EQ(spans[2].index, 3);
    EXPECT_EQ(spans[2].start, 72);
    EXPECT_EQ(a.inView(0).size(), 1u);  // the fixed cells always
}

TEST(GridGeometry, ScrollLimitsAndTheFirstCellThatShowsAnother) {
    GridAxis a{kSizes, 1, 1};
    // The view holds 41 + 100: cells 1 to 3 (21 + 31 + 41 = 93) fit whole, 4 not.
    EXPECT_EQ(a.fullyVisible(141), 3);
    EXPECT_EQ(a.fullyVisible(40), 0);
    // The last cells that fill 100: only 5 (61) and 4 (51) would be 112, so 5 alone.
    EXPECT_EQ(a.maxFirst(141), 5);
    EXPECT_EQ(a.maxFirst(1000), 1);                                  // everything fits: no scrolling
    EXPECT_EQ(a.maxFirst(10), 5);                                    // nothing fits: the last cell may still come first
    EXPECT_EQ(GridAxis({kSizes.data(), 1}, 1, 1).maxFirst(100), 1);  // no scrolled cells

    EXPECT_EQ(a.firstShowing(0, 141), 1);  // a fixed cell is always in view
    EXPECT_EQ(a.firstShowing(3, 141), 1);  // already whole in view
    EXPECT_EQ(a.firstShowing(4, 141), 3);  // 3 and 4 (41 + 51) fit, 2 no longer
    EXPECT_EQ(a.firstShowing(5, 141), 5);
    EXPECT_EQ(a.firstShowing(99, 141), 1);  // outside: no scroll
    a.first = 4;
    EXPECT_EQ(a.firstShowing(2, 141), 2);  // above the view: it comes first
    EXPECT_EQ(a.firstShowing(4, 141), 4);
}

TEST(GridGeometry, SizesBetweenLeaveOutTheLinesAndStayInside) {
    const GridAxis a{kSizes, 1, 1};
    EXPECT_EQ(a.sizeBetween(1, 3), 50);
    EXPECT_EQ(a.sizeBetween(3, 3), 0);
    EXPECT_EQ(a.sizeBetween(4, 2), 0);
    EXPECT_EQ(a.sizeBetween(-5, 100), 240);
}
