#include <gtest/gtest.h>

#include "table/qdlTable.h"

using namespace qx;

namespace {
TQdlLine vertical(double x) {
    return {{x, 0, 0}, {x, 10, 0}};
}
TQdlLine horizontal(double y) {
    return {{0, y, 0}, {10, y, 0}};
}

TQdlLists withLines(std::vector<TQdlLine> lines) {
    TQdlLists l;
    l.lineAry = std::move(lines);
    return l;
}
}  // namespace

// How one line is classified: a vertical border at its start X, a
// horizontal one at its start Y, or neither. Vertical is tested first.
struct BorderCase {
    const char* name;
    TQdlLine line;
    double tolerance;
    std::vector<double> tate, yoko;
};

class CollectOne : public testing::TestWithParam<BorderCase> {};

TEST_P(CollectOne, ClassifiesByStrictTolerance) {
    const BorderCase& c = GetParam();
    TQdlLists l = withLines({c.line});
    l.tateAry = {42};  // stale values go whenever there are lines
    collectBorders(l, c.tolerance);
    EXPECT_EQ(l.tateAry, c.tate);
    EXPECT_EQ(l.yokoAry, c.yoko);
}

INSTANTIATE_TEST_SUITE_P(Cases, CollectOne,
                         testing::Values(BorderCase{"almostVertical", {{0, 0, 0}, {0.05, 5, 0}}, 0.1, {0}, {}},
                                         BorderCase{"almostHorizontal", {{1, 2, 0}, {9, 2.05, 0}}, 0.1, {}, {2}},
                                         BorderCase{"slanted", {{0, 0, 0}, {5, 5, 0}}, 0.1, {}, {}},
                                         BorderCase{"zeroLengthIsVertical", {{3, 4, 0}, {3, 4, 0}}, 0.1, {3}, {}},
                                         BorderCase{"dxEqualToTolerance", {{7, 1, 0}, {7.25, 9, 0}}, 0.25, {}, {}},
                                         BorderCase{"dyEqualToTolerance", {{1, 2, 0}, {9, 2.25, 0}}, 0.25, {}, {}},
                                         BorderCase{"toleranceZero", {{1, 0, 0}, {1, 10, 0}}, 0.0, {}, {}},
                                         BorderCase{"toleranceNegative", {{3, 3, 0}, {3, 3, 0}}, -1.0, {}, {}},
                                         BorderCase{
                                             "horizontalWithToleranceZero", {{0, 2, 0}, {10, 2, 0}}, 0.0, {}, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CollectBorders, KeepsTheLinesOrder) {
    TQdlLists l = withLines({vertical(5), horizontal(2), vertical(1), horizontal(9)});
    collectBorders(l, 0.1);
    EXPECT_EQ(l.tateAry, (std::vector<double>{5, 1}));
    EXPECT_EQ(l.yokoAry, (std::vector<double>{2, 9}));
}

TEST(CollectBorders, EmptyLineListKeepsStaleBoundaries) {
    TQdlLists l;
    l.tateAry = {3, 1};
    l.yokoAry = {9};
    collectBorders(l, 0.1);
    EXPECT_EQ(l.tateAry, (std::vector<double>{3, 1}));
    EXPECT_EQ(l.yokoAry, (std::vector<double>{9}));
}

struct MergeCase {
    std::vector<double> tate, yoko;
    std::vector<double> tateExpected, yokoExpected;
};

class MergeBorders : public testing::TestWithParam<MergeCase> {};

TEST_P(MergeBorders, KeepsFirstOfEachClusterMeasuredAgainstLastKept) {
    const MergeCase& m = GetParam();
    TQdlLists l;
    l.tateAry = m.tate;
    l.yokoAry = m.yoko;
    mergeBorders(l, 0.1);
    EXPECT_EQ(l.tateAry, m.tateExpected);
    EXPECT_EQ(l.yokoAry, m.yokoExpected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MergeBorders,
                         testing::Values(
                             // near-duplicates on both axes
                             MergeCase{{10.05, 10.00}, {4.95, 5.00}, {10.00}, {5.00}},
                             // a chain: 0.08 is within 0.1 of 0, 0.16 is not
                             MergeCase{{0.16, 0, 0.08}, {}, {0, 0.16}, {}},
                             // yoko descending, topmost of a cluster survives
                             MergeCase{{}, {1, 5, 4.95, 3, 1.05}, {}, {5, 3, 1.05}},
                             // a single value is neither sorted nor changed
                             MergeCase{{7}, {-2}, {7}, {-2}},
                             // duplicates collapse
                             MergeCase{{2, 2, 2, 1}, {3, 3}, {1, 2}, {3}}));

TEST(MergeBorders, GapOfExactlyToleranceMerges) {
    TQdlLists l;
    l.tateAry = {0, 0.1};
    mergeBorders(l, 0.1);
    EXPECT_EQ(l.tateAry, (std::vector<double>{0}));
    // Exact in binary: 0.25 is merged into 0, 0.5 is more than 0.25 away from the kept 0.
    l.tateAry = {0.5, 0.25, 0};
    l.yokoAry = {0, 0.25, 0.5};
    mergeBorders(l, 0.25);
    EXPECT_EQ(l.tateAry, (std::vector<double>{0, 0.5}));
    EXPECT_EQ(l.yokoAry, (std::vector<double>{0.5, 0}));
}

TEST(EntityConversion, PolylineClosedOpenAndDegenerate) {
    std::vector<TQdlLine> lines;
    appendPolyline(lines, {0, 0, 10, 0, 10, 5, 0, 5}, true);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3].st, (TPoint3{0, 5, 0}));
    EXPECT_EQ(lines[3].ed, (TPoint3{0, 0, 0}));

    lines.clear();
    appendPolyline(lines, {0, 0, 10, 0, 10, 5, 0, 5}, false);
    EXPECT_EQ(lines.size(), 3u);

    lines.clear();
    appendPolyline(lines, {2, 3}, true);  // one vertex, closed: one zero-length segment
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].st, lines[0].ed);

    lines.clear();
    appendPolyline(lines, {2, 3}, false);
    appendPolyline(lines, {}, true);
    appendPolyline(lines, {1, 2, 3}, false);  // odd length: the lone x is no vertex
    EXPECT_TRUE(lines.empty());

    // A closed polyline whose last vertex repeats the first still gets the closing span.
    appendPolyline(lines, {0, 0, 1, 0, 0, 0}, true);
    EXPECT_EQ(lines.size(), 3u);
}

TEST(IntervalIndex, StrictOpenIntervals) {
    const std::vector<double> tate{0, 10, 50};
    EXPECT_EQ(tateIndexOf(tate, 5), 0);
    EXPECT_EQ(tateIndexOf(tate, 30), 1);
    EXPECT_EQ(tateIndexOf(tate, 10), -1);
    EXPECT_EQ(tateIndexOf(tate, 0), -1);
    EXPECT_EQ(tateIndexOf(tate, 50), -1);
    EXPECT_EQ(tateIndexOf(tate, -1), -1);
    EXPECT_EQ(tateIndexOf(tate, 60), -1);
    EXPECT_EQ(tateIndexOf({5}, 5), -1);

    const std::vector<double> yoko{100, 90, 80};
    EXPECT_EQ(yokoIndexOf(yoko, 95), 0);
    EXPECT_EQ(yokoIndexOf(yoko, 85), 1);
    EXPECT_EQ(yokoIndexOf(yoko, 90), -1);
    EXPECT_EQ(yokoIndexOf(yoko, 100), -1);
    EXPECT_EQ(yokoIndexOf(yoko, 101), -1);
    EXPECT_EQ(yokoIndexOf(yoko, 79), -1);
    EXPECT_EQ(yokoIndexOf({}, 0), -1);
}
