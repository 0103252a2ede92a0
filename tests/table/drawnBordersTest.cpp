#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "table/drawnBorders.h"

using namespace qx;

namespace {

// A table of 3 x 3 data cells: columns at x = 0, 10, 20, 30, rows at y = 0, -5, -10, -15.
const std::vector<double> kTate{0, 10, 20, 30};
const std::vector<double> kYoko{0, -5, -10, -15};

TQdlLine V(double x, double y1, double y2) {
    return {{x, y1, 0}, {x, y2, 0}};
}
TQdlLine H(double y, double x1, double x2) {
    return {{x1, y, 0}, {x2, y, 0}};
}
std::vector<TQdlLine> frame() {
    std::vector<TQdlLine> l;
    appendPolyline(l, {0, 0, 30, 0, 30, -15, 0, -15}, true);
    return l;
}
std::vector<TQdlLine> with(std::vector<TQdlLine> a, const std::vector<TQdlLine>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// The frame and every inner line except those named.
std::vector<TQdlLine> allBut(bool x10, bool x20, bool y5, bool y10) {
    std::vector<TQdlLine> l = frame();
    if (!x10)
        l.push_back(V(10, 0, -15));
    if (!x20)
        l.push_back(V(20, 0, -15));
    if (!y5)
        l.push_back(H(-5, 0, 30));
    if (!y10)
        l.push_back(H(-10, 0, 30));
    return l;
}
std::vector<TQdlLine> reversed(std::vector<TQdlLine> l) {
    for (auto& s : l)
        std::swap(s.st, s.ed);
    return l;
}
std::vector<TQdlLine> polyline(std::vector<double> xy, bool closed) {
    std::vector<TQdlLine> l;
    appendPolyline(l, std::move(xy), closed);
    return l;
}

// An inner border that the drawing lacks: 'R' between (c, r) and (c + 1, r), 'B' between (c, r) and (c, r + 1).
using Edge = std::tuple<char, int, int>;
const std::set<Edge> kAllInner{{'R', 1, 1}, {'R', 2, 1}, {'R', 1, 2}, {'R', 2, 2}, {'R', 1, 3}, {'R', 2, 3},
                               {'B', 1, 1}, {'B', 2, 1}, {'B', 3, 1}, {'B', 1, 2}, {'B', 2, 2}, {'B', 3, 2}};

std::set<Edge> missing(const CellEdges& e) {
    std::set<Edge> m;
    for (const auto& [dir, c, r] : kAllInner)
        if (!(dir == 'R' ? e.right(c, r) : e.below(c, r)))
            m.insert({dir, c, r});
    return m;
}

// The data cells as text, borders the drawing lacks left blank.
std::string picture(const CellEdges& e) {
    std::string s = "\n+--+--+--+\n";
    for (int r = 1; r <= 3; ++r) {
        s += "|";
        for (int c = 1; c <= 3; ++c)
            s += std::string("  ") + (c == 3 || e.right(c, r) ? "|" : " ");
        s += "\n+";
        for (int c = 1; c <= 3; ++c)
            s += std::string(r == 3 || e.below(c, r) ? "--" : "  ") + "+";
        s += "\n";
    }
    return s;
}

struct BorderCase {
    const char* name;
    std::vector<TQdlLine> lines;
    std::set<Edge> lacking;
    double tolerance = 0.1;
};

void PrintTo(const BorderCase& k, std::ostream* os) {
    *os << k.name;
}

class DrawnBorders : public testing::TestWithParam<BorderCase> {};

}  // namespace

TEST_P(DrawnBorders, EdgesAreBordersWhereSegmentsCoverMostOfThem) {
    const BorderCase& k = GetParam();
    const CellEdges e = drawnBorders(k.lines, kTate, kYoko, k.tolerance);
    ASSERT_EQ(e.cols(), 4);
    ASSERT_EQ(e.rows(), 4);
    EXPECT_EQ(missing(e), k.lacking) << picture(e);
    for (int i = 0; i < 4; ++i) {
        // Header cells and the outer frame keep their lines.
        EXPECT_TRUE(e.right(0, i) && e.below(i, 0) && e.right(3, i) && e.below(i, 3)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DrawnBorders,
    testing::Values(
        BorderCase{"EveryLine", allBut(false, false, false, false), {}}, BorderCase{"FrameOnly", frame(), kAllInner},
        BorderCase{"MergedHeaderRow",
                   with(allBut(true, true, false, false), {V(10, -5, -15), V(20, -5, -15)}),
                   {{'R', 1, 1}, {'R', 2, 1}}},
        BorderCase{"MergedColumn",
                   with(allBut(false, false, true, true), {H(-5, 0, 10), H(-5, 20, 30), H(-10, 0, 10), H(-10, 20, 30)}),
                   {{'B', 2, 1}, {'B', 2, 2}}},
        BorderCase{"MergedBlockOfFour",
                   with(allBut(true, false, true, false), {V(10, -10, -15), H(-5, 20, 30)}),
                   {{'R', 1, 1}, {'R', 1, 2}, {'B', 1, 1}, {'B', 2, 1}}},
        BorderCase{"LineInTwoPiecesMeetingInACell",
                   with(allBut(true, false, false, false), {V(10, 0, -7.5), V(10, -7.5, -15)}),
                   {}},
        BorderCase{
            "PiecesWithASmallGap", with(allBut(true, false, false, false), {V(10, 0, -7), V(10, -7.5, -15)}), {}},
        // 2 of 5 twice: counted twice it would pass the share.
        BorderCase{"DuplicatesCountOnce",
                   with(allBut(true, false, false, false), {V(10, 0, -2), V(10, 0, -2), V(10, -5, -15)}),
                   {{'R', 1, 1}}},
        // 0..2.5 and 1..3 cover 3 of 5, their lengths add up to 4.5.
        BorderCase{"OverlapsCountOnce",
                   with(allBut(true, false, false, false), {V(10, 0, -2.5), V(10, -1, -3), V(10, -5, -15)}),
                   {{'R', 1, 1}}},
        BorderCase{"DrawnInEitherDirection", reversed(allBut(false, false, false, false)), {}},
        BorderCase{"ReversedPieces", with(allBut(true, false, false, false), {V(10, -15, -7), V(10, -7, 0)}), {}},
        // Only the part inside the table counts: 2 of row 1's 5, though the line is 22 long.
        BorderCase{"LinesRunningPastTheTable",
                   with(allBut(true, false, true, false), {H(-5, -50, 80), V(10, 20, -2)}),
                   {{'R', 1, 1}, {'R', 1, 2}, {'R', 1, 3}}},
        BorderCase{"SpanWithPartEdgesAtBothEnds",
                   with(allBut(true, false, false, false), {V(10, -2, -13)}),
                   {{'R', 1, 1}, {'R', 1, 3}}},
        BorderCase{"JustInsideTheToleranceOnEitherSide",
                   with(allBut(true, false, true, false), {V(10.09, 0, -15), H(-4.91, 0, 30)}),
                   {}},
        BorderCase{"JustOutsideTheTolerance",
                   with(allBut(true, false, true, false), {V(10.11, 0, -15), H(-4.89, 0, 30)}),
                   {{'R', 1, 1}, {'R', 1, 2}, {'R', 1, 3}, {'B', 1, 1}, {'B', 2, 1}, {'B', 3, 1}}},
        BorderCase{"WiderToleranceTakesThemIn",
                   with(allBut(true, false, true, false), {V(10.11, 0, -15), H(-4.89, 0, 30)}),
                   {},
                   0.2},
        BorderCase{"SlantedLineIsNoBorder",
                   with(allBut(true, false, false, false), {{{10, 0, 0}, {10.5, -15, 0}}}),
                   {{'R', 1, 1}, {'R', 1, 2}, {'R', 1, 3}}},
        BorderCase{
            "BelowTheShare", with(allBut(true, false, false, false), {V(10, 0, -3.4), V(10, -5, -15)}), {{'R', 1, 1}}},
        BorderCase{"AboveTheShare", with(allBut(true, false, false, false), {V(10, 0, -3.6), V(10, -5, -15)}), {}},
        BorderCase{
            "ClosedPolylineAroundTheMiddleCell",
            with(frame(), polyline({10, -5, 20, -5, 20, -10, 10, -10}, true)),
            {{'R', 1, 1}, {'R', 2, 1}, {'R', 1, 3}, {'R', 2, 3}, {'B', 1, 1}, {'B', 3, 1}, {'B', 1, 2}, {'B', 3, 2}}},
        // An open polyline as a staircase: down x = 10, along y = -10, down x = 20.
        BorderCase{
            "OpenPolylineStaircase",
            with(frame(), polyline({10, 0, 10, -10, 20, -10, 20, -15}, false)),
            {{'R', 1, 3}, {'R', 2, 1}, {'R', 2, 2}, {'B', 1, 1}, {'B', 2, 1}, {'B', 3, 1}, {'B', 1, 2}, {'B', 3, 2}}}),
    [](const testing::TestParamInfo<BorderCase>& info) { return std::string(info.param.name); });

TEST(DrawnBordersShape, FollowsTheBoundaryListsAndSurvivesTooFewOfThem) {
    const std::vector<TQdlLine> lines = allBut(false, false, false, false);
    // A boundary at x = 5 that no line draws: column 1 runs on into column 2.
    const CellEdges wide = drawnBorders(lines, {0, 5, 10, 20, 30}, kYoko, 0.1);
    EXPECT_EQ(wide.cols(), 5);
    EXPECT_EQ(wide.rows(), 4);
    for (int r = 1; r <= 3; ++r) {
        EXPECT_FALSE(wide.right(1, r));
        EXPECT_TRUE(wide.right(2, r) && wide.right(3, r));
    }
    for (const auto& [tate, yoko] : {std::pair{std::vector<double>{0}, kYoko}, std::pair{kTate, std::vector<double>{}},
                                     std::pair{std::vector<double>{}, std::vector<double>{}}}) {
        const CellEdges e = drawnBorders(lines, tate, yoko, 0.1);
        EXPECT_EQ(e.cols(), static_cast<int>(tate.size()));
        EXPECT_EQ(e.rows(), static_cast<int>(yoko.size()));
    }
    EXPECT_EQ(missing(drawnBorders({}, kTate, kYoko, 0.1)), kAllInner);
}
