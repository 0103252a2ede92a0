#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "table/tableGrid.h"

using namespace qx;

namespace {
TQdlText text(double x, double y, std::u16string s, std::int64_t id) {
    TQdlText t;
    t.base = {x, y, 0};
    t.sText = std::move(s);
    t.objID = id;
    return t;
}

TQdlLists table3x3() {
    TQdlLists l;
    l.yokoAry = {100, 90, 80};
    l.tateAry = {0, 10, 50};
    return l;
}

using Ids = std::vector<std::int64_t>;

ColumnFit fitMeasuring(int pixels) {
    ColumnFit fit;
    fit.measure = [pixels](const std::u16string&) { return pixels; };
    return fit;
}
}  // namespace

TEST(FillGrid, SizesNumbersAndPlacesTextsStrictlyInsideCells) {
    TQdlLists l = table3x3();
    l.textAry = {text(5, 95, u"a", 1), text(30, 85, u"b", 2), text(10, 95, u"edge", 3), text(60, 95, u"out", 4),
                 text(5, 90, u"edge", 5)};
    TableModel g(5, 5);
    g.setCells(4, 4, u"old");
    ASSERT_TRUE(fillGrid(g, l, 0.1));
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.Cells(0, 0), u"");
    EXPECT_EQ(g.Cells(0, 1), u"1");
    EXPECT_EQ(g.Cells(0, 2), u"2");
    EXPECT_EQ(g.Cells(1, 0), u"1");
    EXPECT_EQ(g.Cells(2, 0), u"2");
    EXPECT_EQ(g.Cells(1, 1), u"a");
    EXPECT_EQ(g.ids(1, 1), Ids{1});
    EXPECT_EQ(g.Cells(2, 2), u"b");
    EXPECT_EQ(g.ids(2, 2), Ids{2});
    // Texts on a boundary without extents, and outside the table, stay out.
    EXPECT_EQ(g.Cells(2, 1), u"");
    EXPECT_EQ(g.Cells(1, 2), u"");
    EXPECT_TRUE(g.ids(2, 1).empty());
}

// Every text of a cell shows, top to bottom then left to right, whatever
// order the drawing hands them out in.
TEST(FillGrid, SeveralTextsOfACellJoinInReadingOrderWhateverTheirOrderInTheDrawing) {
    struct Placed {
        double x, y;
        const char16_t* s;
    };
    struct Case {
        const char* what;
        std::vector<Placed> texts;
        std::u16string value;
    };
    const Case cases[] = {
        {"two stacked", {{2, 97, u"品名"}, {2, 93, u"規格"}}, u"品名\n規格"},
        {"three stacked",
         {{1, 98, u"Allgemein-"}, {1, 95, u"toleranz"}, {1, 92, u"ISO 2768-m"}},
         u"Allgemein-\ntoleranz\nISO 2768-m"},
        {"four stacked", {{3, 98, u"1"}, {3, 96, u"2"}, {3, 94, u"3"}, {3, 92, u"4"}}, u"1\n2\n3\n4"},
        {"label top left, value centred lower", {{0.5, 99, u"Datum"}, {5, 94, u"2026-12-10"}}, u"Datum\n2026-12-10"},
        {"side by side on one line", {{1, 95, u"left"}, {6, 95.05, u"right"}}, u"left\nright"},
    };
    for (const Case& c : cases) {
        std::vector<std::size_t> order(c.texts.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        do {
            TQdlLists l = table3x3();
            for (std::size_t i : order) {
                l.textAry.push_back(text(c.texts[i].x, c.texts[i].y, c.texts[i].s, static_cast<std::int64_t>(i + 1)));
            }
            TableModel g;
            fillGrid(g, l, 0.1);
            EXPECT_EQ(g.Cells(1, 1), c.value) << c.what;
            Ids reading(c.texts.size());
            for (std::size_t i = 0; i < reading.size(); ++i) {
                reading[i] = static_cast<std::int64_t>(i + 1);
            }
            EXPECT_EQ(g.ids(1, 1), reading) << c.what;
        } while (std::next_permutation(order.begin(), order.end()));
    }
}

TEST(FillGrid, TextOnABorderJoinsTheCellThatHoldsTheCentreOfItsExtents) {
    TQdlLists l = table3x3();
    TQdlText onBorder = text(10, 95, u"7", 3);  // a field number set on the border between columns 1 and 2
    onBorder.centre = TPoint3{11.5, 95, 0};
    TQdlText onCorner = text(10, 90, u"corner", 4);  // a top-left text on a cell's corner
    onCorner.centre = TPoint3{14, 88, 0};
    TQdlText outside = text(60, 95, u"note", 5);
    outside.centre = TPoint3{62, 95, 0};  // beside the table: stays out
    l.textAry = {text(30, 95, u"value", 1), onBorder, onCorner, outside};
    TableModel g;
    fillGrid(g, l, 0.1);
    EXPECT_EQ(g.Cells(2, 1), u"7\nvalue");  // the label-like number sits left of the value on its line
    EXPECT_EQ(g.ids(2, 1), (Ids{3, 1}));
    EXPECT_EQ(g.Cells(2, 2), u"corner");
    EXPECT_EQ(cellOfText(l, outside), std::nullopt);
    // Centred on the border too: the field to its right, or below it.
    TQdlText centred = text(10, 95, u"2", 6);
    centred.centre = TPoint3{10, 95, 0};
    EXPECT_EQ(cellOfText(l, centred), (std::pair{2, 1}));
    centred.centre = TPoint3{5, 90, 0};
    EXPECT_EQ(cellOfText(l, centred), (std::pair{1, 2}));
    centred.centre = TPoint3{50, 80, 0};  // the table's bottom right corner: the field inside
    EXPECT_EQ(cellOfText(l, centred), (std::pair{2, 2}));
}

TEST(FillGrid, AnEmptyTextBesideOthersIsNoBlankLineButAloneItKeepsItsCell) {
    TQdlLists l = table3x3();
    l.textAry = {text(2, 98, u"", 1), text(2, 95, u"名", 2), text(30, 95, u"", 3), text(30, 85, u"", 4),
                 text(31, 84, u"", 5)};
    TableModel g;
    fillGrid(g, l, 0.1);
    EXPECT_EQ(g.Cells(1, 1), u"名");
    EXPECT_EQ(g.ids(1, 1), Ids{2});
    EXPECT_EQ(g.ids(2, 1), Ids{3});  // typing there edits the empty text
    EXPECT_EQ(g.ids(2, 2), Ids{4});
}

TEST(FillGrid, ClearsStaleValuesAndIdsOfCellsWithoutText) {
    TQdlLists l = table3x3();
    l.textAry = {text(5, 95, u"a", 1)};
    TableModel g(3, 3);
    g.setCells(2, 2, u"stale");
    g.setIds(2, 2, {99});
    fillGrid(g, l, 0.1);
    EXPECT_EQ(g.Cells(2, 2), u"");
    EXPECT_TRUE(g.ids(2, 2).empty());
}

TEST(FillGrid, DoesNothingWithoutTextsOrWithTooFewBoundaries) {
    std::vector<TQdlLists> cases(3, table3x3());
    cases[0].textAry.clear();
    cases[1].textAry = {text(5, 95, u"a", 1)};
    cases[1].yokoAry = {100};
    cases[2].textAry = {text(5, 95, u"a", 1)};
    cases[2].tateAry = {0};
    for (const TQdlLists& l : cases) {
        TableModel g(5, 5);
        g.setCells(3, 3, u"keep");
        g.setIds(3, 3, {12});
        ColumnFit fit = fitMeasuring(100);
        fit.widths = {40, 40, 77};
        EXPECT_FALSE(fillGrid(g, l, 0.1, &fit));
        EXPECT_EQ(g.RowCount(), 5);
        EXPECT_EQ(g.ColCount(), 5);
        EXPECT_EQ(g.Cells(3, 3), u"keep");
        EXPECT_EQ(g.ids(3, 3), Ids{12});
        EXPECT_EQ(fit.widths[2], 77);
    }
}

TEST(FillGrid, WidensToTheTextThenNarrowsByScaleWithHalvesToEven) {
    TQdlLists l;
    l.yokoAry = {100, 90};
    l.tateAry = {0, 10.25, 50.25};
    l.textAry = {text(30, 95, u"wide", 1)};
    TableModel g;
    ColumnFit fit = fitMeasuring(70);
    fillGrid(g, l, 0.1, &fit);
    // w = 80, s = 40 / 80 = 0.5; column 1: 10.25 / 0.5 = 20.5 -> 20, + 2 = 22; column 2: 82 is not < 40.
    EXPECT_EQ(fit.widths[2], 80);
    EXPECT_EQ(fit.widths[1], 22);
    EXPECT_EQ(fit.widths[0], 40);
}

TEST(FillGrid, NarrowTextChangesNoWidthAndExactFitStillSetsTheScale) {
    TQdlLists l = table3x3();
    l.textAry = {text(5, 95, u"a", 1)};
    TableModel g;
    ColumnFit narrow = fitMeasuring(20);  // 30 < 40
    narrow.widths = {40, 40, 55};
    fillGrid(g, l, 0.1, &narrow);
    EXPECT_EQ(narrow.widths[1], 40);
    EXPECT_EQ(narrow.widths[2], 55);  // no widening, so no narrowing pass

    TQdlLists wide;
    wide.yokoAry = {100, 90};
    wide.tateAry = {0, 2, 100};
    wide.textAry = {text(50, 95, u"a", 1)};
    ColumnFit exact = fitMeasuring(30);  // w = 40, the width is "not greater"
    fillGrid(g, wide, 0.1, &exact);
    // s = 98 / 40 = 2.45; column 1: 2 / 2.45 rounds to 1, + 2 = 3.
    EXPECT_EQ(exact.widths[2], 40);
    EXPECT_EQ(exact.widths[1], 3);
}

TEST(ClearGrid, EmptiesEveryCellHeadersIncluded) {
    TableModel g(3, 3);
    g.setCells(0, 0, u"h");
    g.setCells(2, 2, u"x");
    g.setIds(2, 2, {4});
    clearGrid(g);
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.Cells(0, 0), u"");
    EXPECT_EQ(g.Cells(2, 2), u"");
    EXPECT_TRUE(g.ids(2, 2).empty());
}

TEST(CopyGrid, CopiesCountsAndTextsButNeverTheDrawingsIds) {
    TableModel src(3, 2), dst(6, 7);
    src.setCells(1, 1, u"a");
    src.setIds(1, 1, {5});
    dst.setCells(1, 1, u"b");
    dst.setIds(1, 1, {9});
    CellTexts snapshot(6, 7);
    copyGrid(src, snapshot);
    EXPECT_EQ(snapshot.RowCount(), 2);
    EXPECT_EQ(snapshot.ColCount(), 3);
    EXPECT_EQ(snapshot.Cells(1, 1), u"a");
    copyGrid(snapshot, dst);  // a block undo
    EXPECT_EQ(dst.Cells(1, 1), u"a");
    EXPECT_EQ(dst.ids(1, 1), Ids{9});
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
            l.textAry.push_back(text(tx, ty, u"t", i + 1));
        }
        TableModel g;
        fillGrid(g, l, 0.1);

        std::vector<std::size_t> expected(static_cast<std::size_t>(a) * b);
        for (const TQdlText& t : l.textAry) {
            for (int r = 0; r <= a - 2; ++r) {
                for (int c = 0; c <= b - 2; ++c) {
                    if (l.yokoAry[r] > t.base.y && t.base.y > l.yokoAry[r + 1] && t.base.x > l.tateAry[c] &&
                        l.tateAry[c + 1] > t.base.x) {
                        ++expected[static_cast<std::size_t>(r + 1) * b + c + 1];
                    }
                }
            }
        }
        for (int r = 1; r < a; ++r) {
            for (int c = 1; c < b; ++c) {
                ASSERT_EQ(g.ids(c, r).size(), expected[static_cast<std::size_t>(r) * b + c])
                    << "round " << round << " cell " << c << "," << r;
            }
        }
    }
}
