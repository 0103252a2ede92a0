#include <gtest/gtest.h>

#include <random>

#include "table/tableGrid.h"

using namespace qx;

namespace {
TQdlText text(double x, double y, std::u16string s, std::int64_t id) {
    return {{x, y, 0}, 0, std::move(s), id};
}

TQdlLists table3x3() {
    TQdlLists l;
    l.yokoAry = {100, 90, 80};
    l.tateAry = {0, 10, 50};
    return l;
}
}  // namespace

TEST(FillGrid, SizesNumbersAndPlacesTextsStrictlyInsideCells) {
    TQdlLists l = table3x3();
    l.textAry = {text(5, 95, u"a", 1), text(30, 85, u"b", 2), text(10, 95, u"edge", 3), text(60, 95, u"out", 4),
                 text(5, 90, u"edge", 5)};
    StringGrid g;
    g.setCells(4, 4, u"old");
    fillGrid(g, l);
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.Cells(0, 0), u"");
    EXPECT_EQ(g.Cells(0, 1), u"1");
    EXPECT_EQ(g.Cells(0, 2), u"2");
    EXPECT_EQ(g.Cells(1, 0), u"1");
    EXPECT_EQ(g.Cells(2, 0), u"2");
    EXPECT_EQ(g.Cells(1, 1), u"a");
    EXPECT_EQ(g.Objects(1, 1), 1);
    EXPECT_EQ(g.Cells(2, 2), u"b");
    EXPECT_EQ(g.Objects(2, 2), 2);
    EXPECT_EQ(g.Cells(2, 1), u"");
    EXPECT_EQ(g.Cells(1, 2), u"");
    EXPECT_EQ(g.Objects(2, 1), 0);
}

TEST(FillGrid, LastOfSeveralTextsInOneCellWins) {
    TQdlLists l = table3x3();
    l.textAry = {text(5, 95, u"first", 7), text(6, 96, u"second", 8)};
    StringGrid g;
    fillGrid(g, l);
    EXPECT_EQ(g.Cells(1, 1), u"second");
    EXPECT_EQ(g.Objects(1, 1), 8);
}

TEST(FillGrid, ClearsStaleObjectIdsOfCellsWithoutText) {
    TQdlLists l = table3x3();
    l.textAry = {text(5, 95, u"a", 1)};
    StringGrid g(3, 3);
    g.setCells(2, 2, u"stale");
    g.setObjects(2, 2, 99);
    fillGrid(g, l);
    EXPECT_EQ(g.Cells(2, 2), u"");
    EXPECT_EQ(g.Objects(2, 2), 0);
}

TEST(FillGrid, DoesNothingWithoutTextsOrWithTooFewBoundaries) {
    std::vector<TQdlLists> cases(3, table3x3());
    cases[0].textAry.clear();
    cases[1].textAry = {text(5, 95, u"a", 1)};
    cases[1].yokoAry = {100};
    cases[2].textAry = {text(5, 95, u"a", 1)};
    cases[2].tateAry = {0};
    for (const TQdlLists& l : cases) {
        StringGrid g(5, 5);
        g.setCells(3, 3, u"keep");
        g.setObjects(3, 3, 12);
        g.setColWidths(2, 77);
        fillGrid(g, l);
        EXPECT_EQ(g.RowCount(), 5);
        EXPECT_EQ(g.ColCount(), 5);
        EXPECT_EQ(g.Cells(3, 3), u"keep");
        EXPECT_EQ(g.Objects(3, 3), 12);
        EXPECT_EQ(g.ColWidths(2), 77);
    }
}

TEST(FillGrid, WidensToTheTextThenNarrowsByScaleWithHalvesToEven) {
    TQdlLists l;
    l.yokoAry = {100, 90};
    l.tateAry = {0, 10.25, 50.25};
    l.textAry = {text(30, 95, u"wide", 1)};
    StringGrid g;
    g.measureText = [](const std::u16string&) { return 70; };
    fillGrid(g, l);
    // w = 80, s = 40 / 80 = 0.5; column 1: 10.25 / 0.5 = 20.5 -> 20, + 2 = 22; column 2: 82 is not < 40.
    EXPECT_EQ(g.ColWidths(2), 80);
    EXPECT_EQ(g.ColWidths(1), 22);
    EXPECT_EQ(g.ColWidths(0), StringGrid::kDefaultColWidth);
}

TEST(FillGrid, NarrowTextChangesNoWidth) {
    TQdlLists l = table3x3();
    l.textAry = {text(5, 95, u"a", 1)};
    StringGrid g;
    g.measureText = [](const std::u16string&) { return 20; };  // 30 < 40
    g.setColWidths(2, 55);
    fillGrid(g, l);
    EXPECT_EQ(g.ColWidths(1), 40);
    EXPECT_EQ(g.ColWidths(2), 55);  // no widening, so no narrowing pass
}

TEST(FillGrid, TextExactlyAsWideAsItsColumnStillSetsTheScale) {
    TQdlLists l;
    l.yokoAry = {100, 90};
    l.tateAry = {0, 2, 100};
    l.textAry = {text(50, 95, u"a", 1)};
    StringGrid g;
    g.measureText = [](const std::u16string&) { return 30; };  // w = 40, the width is "not greater"
    fillGrid(g, l);
    // s = 98 / 40 = 2.45; column 1: 2 / 2.45 rounds to 1, + 2 = 3.
    EXPECT_EQ(g.ColWidths(2), 40);
    EXPECT_EQ(g.ColWidths(1), 3);
}

TEST(FillGrid, OneRepaintForTheWholeFill) {
    TQdlLists l = table3x3();
    for (int i = 0; i < 50; ++i) {
        l.textAry.push_back(text(5, 95, u"x", i + 1));
    }
    StringGrid g;
    const int before = g.repaintCount();
    fillGrid(g, l);
    EXPECT_EQ(g.repaintCount(), before + 1);
}

TEST(CopyGrid, CopiesCountsTextsAndIdsIntoLargerDestination) {
    StringGrid src(3, 2), dst(6, 7);
    src.setCells(1, 1, u"a");
    src.setObjects(1, 1, 5);
    src.setCells(0, 1, u"1");
    dst.setCells(2, 1, u"junk");
    dst.setObjects(2, 1, 9);
    dst.setColWidths(1, 99);
    dst.setFixedRows(2);
    const int before = dst.repaintCount();
    copyGrid(src, dst);
    EXPECT_EQ(dst.RowCount(), 2);
    EXPECT_EQ(dst.ColCount(), 3);
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(dst.Cells(c, r), src.Cells(c, r));
            EXPECT_EQ(dst.Objects(c, r), src.Objects(c, r));
        }
    }
    EXPECT_EQ(dst.ColWidths(1), 99);  // widths are not copied
    EXPECT_EQ(dst.repaintCount(), before + 1);
}

TEST(ClearGrid, EmptiesEveryCellHeadersIncluded) {
    StringGrid g(3, 3);
    g.setCells(0, 0, u"h");
    g.setCells(2, 2, u"x");
    g.setObjects(2, 2, 4);
    clearGrid(g);
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.Cells(0, 0), u"");
    EXPECT_EQ(g.Cells(2, 2), u"");
    EXPECT_EQ(g.Objects(2, 2), 0);
}

// The cell search by binary search must agree with the plain scan over all
// rows and columns, boundary points included.
TEST(FillGrid, BinarySearchAgreesWithScanOnRandomTables) {
    std::mt19937 rng(20261209);
    for (int round = 0; round < 200; ++round) {
        TQdlLists l;
        const int a = 2 + static_cast<int>(rng() % 12), b = 2 + static_cast<int>(rng() % 12);
        double y = 1000;
        for (int i = 0; i < a; ++i) {
            l.yokoAry.push_back(y);
            y -= 1 + static_cast<double>(rng() % 40);
        }
        double x = -50;
        for (int i = 0; i < b; ++i) {
            l.tateAry.push_back(x);
            x += 1 + static_cast<double>(rng() % 40);
        }
        std::uniform_real_distribution<double> px(l.tateAry.front() - 5, l.tateAry.back() + 5);
        std::uniform_real_distribution<double> py(l.yokoAry.back() - 5, l.yokoAry.front() + 5);
        for (int i = 0; i < 60; ++i) {
            double tx = px(rng), ty = py(rng);
            if (i % 5 == 0) {
                tx = l.tateAry[rng() % b];  // exactly on a boundary
            }
            if (i % 7 == 0) {
                ty = l.yokoAry[rng() % a];
            }
            l.textAry.push_back(text(tx, ty, u"t" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)), i + 1));
        }
        StringGrid g;
        fillGrid(g, l);

        StringGrid expected(b, a);
        for (const TQdlText& t : l.textAry) {
            bool found = false;
            for (int r = 0; r <= a - 2 && !found; ++r) {
                for (int c = 0; c <= b - 2 && !found; ++c) {
                    if (l.yokoAry[r] > t.base.y && t.base.y > l.yokoAry[r + 1] && t.base.x > l.tateAry[c] &&
                        l.tateAry[c + 1] > t.base.x) {
                        expected.setCells(c + 1, r + 1, t.sText);
                        expected.setObjects(c + 1, r + 1, t.objID);
                        found = true;
                    }
                }
            }
        }
        for (int r = 1; r < a; ++r) {
            for (int c = 1; c < b; ++c) {
                ASSERT_EQ(g.Objects(c, r), expected.Objects(c, r)) << "round " << round << " cell " << c << "," << r;
                ASSERT_EQ(g.Cells(c, r), expected.Cells(c, r));
            }
        }
    }
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
