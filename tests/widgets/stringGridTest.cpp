#include <gtest/gtest.h>

#include "platform/platform.h"
#include "widgets/stringGrid.h"

using namespace qx;

TEST(StringGridModel, ResizeKeepsCellsInsideBothSizes) {
    StringGrid g(3, 3);
    g.setCells(2, 2, u"keep");
    g.setObjects(2, 2, 0x1'0000'0001LL);
    g.setCells(1, 1, u"k2");
    g.setColCount(5);
    g.setRowCount(4);
    EXPECT_EQ(g.Cells(2, 2), u"keep");
    EXPECT_EQ(g.Objects(2, 2), 0x1'0000'0001LL);
    EXPECT_EQ(g.Cells(4, 3), u"");
    EXPECT_EQ(g.ColWidths(4), StringGrid::kDefaultColWidth);
    EXPECT_EQ(g.RowHeights(3), StringGrid::kDefaultRowHeight);
    g.setColCount(2);
    EXPECT_EQ(g.Cells(1, 1), u"k2");
    EXPECT_THROW(g.Cells(2, 2), Error);
    g.setColCount(3);
    EXPECT_EQ(g.Cells(2, 2), u"");  // shrinking dropped it
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
    EXPECT_THROW(g.Objects(0, 2), Error);
    EXPECT_THROW(g.setColWidths(2, 10), Error);
}
