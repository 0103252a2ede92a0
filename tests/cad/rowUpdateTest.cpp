// Rows inserted and deleted in the table and carried out by the Update:
// a second Get gives the edited grid, the drawing's lines lie where a hand
// edit would have put them with merged fields still merged, and one U takes
// the whole Update back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "cad/fetchTable.h"
#include "cad/updateTable.h"
#include "core/text.h"
#include "table/tableGrid.h"
#include "testing/tableUnits.h"
#include "tools/cad-standin/memDrawing.h"

using namespace qx;
using namespace qx::cad;

namespace {

double rounded(double v) {
    return std::round(v * 1000) / 1000;
}

struct Segment {
    double a, b;  // along the line, a < b
};
using Pieces = std::map<double, std::vector<Segment>>;

bool covers(const std::vector<Segment>& pieces, double from, double to) {
    double reach = from;
    for (const auto& p : pieces)
        if (p.a <= reach + 1e-6)
            reach = std::max(reach, p.b);
    return reach >= to - 1e-6;
}

// A parts list of a heading and four rows, 12 high, columns at x 0 10 40 50
// 60, framed by a closed polyline; the last two rows share one field across
// the last two columns (the row border there and the column border at 50
// stop short), and the first row's name stacks two texts. Growing up, the
// same table stands mirrored: the heading at the bottom, row 1 above it.
struct PartsList : test::UnitTable {
    explicit PartsList(RowGrowth g) : growth(g) {
        const double s = up() ? -1 : 1;
        drawing.addPolyline({0, 0, 60, 0, 60, -60 * s, 0, -60 * s}, true);
        for (const double x : {10.0, 40.0})
            drawing.addLine({x, 0, 0}, {x, -60 * s, 0});
        drawing.addLine({50, 0, 0}, {50, -36 * s, 0});
        for (const double y : {12.0, 24.0, 36.0})
            drawing.addLine({0, -y * s, 0}, {60, -y * s, 0});
        drawing.addLine({0, -48 * s, 0}, {40, -48 * s, 0});
        const char16_t* rows[5][4] = {{u"No", u"品名", u"数", u"備考"},
                                      {u"1", u"ボルト", u"4", nullptr},
                                      {u"2", u"ナット", u"8", nullptr},
                                      {u"3", u"座金", u"共通", nullptr},
                                      {u"4", u"ピン", nullptr, nullptr}};
        const double xs[4] = {2, 12, 42, 52};
        // A text `below` under its row's top border: the table's row r stands
        // upside down as a whole, its texts do not.
        auto y = [&](int r, double below) { return up() ? 12.0 * (r + 1) - below : -(12.0 * r + below); };
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 4; ++c)
                if (rows[r][c])
                    drawing.addText(rows[r][c], {xs[c], y(r, 5), 0}, {0, 0, 0}, 0);
        drawing.addText(u"M8", {12, y(1, 9), 0}, {0, 0, 0}, 0);
        get();
    }
    bool up() const { return growth == RowGrowth::Up; }
    // The grid row of the table's k-th row counted from its heading (0).
    int row(int k) const { return up() ? grid.RowCount() - 1 - k : k + 1; }
    // A new row between the table's rows k - 1 and k; it is row(k) afterwards.
    void insertBefore(int k) { grid.insertRow(up() ? row(k - 1) : row(k)); }

    void get() {
        drawing.pickAll();
        lists = {};
        UnitTable::get(drawing.application());
    }
    UpdateResult update() { return UnitTable::update({growth, 0.1}); }
    // A column from the heading on.
    std::vector<std::u16string> column(int c) const {
        std::vector<std::u16string> v;
        for (int k = 0; k + 1 < grid.RowCount(); ++k)
            v.push_back(grid.Cells(c, row(k)));
        return v;
    }

    // Horizontal pieces by y and vertical pieces by x of every live line and
    // polyline side, mirrored into the frame of a table growing down.
    void pieces(Pieces& horizontal, Pieces& vertical) const {
        const double s = up() ? -1 : 1;
        auto add = [&](double x1, double y1, double x2, double y2) {
            y1 *= s;
            y2 *= s;
            if (std::fabs(y1 - y2) < 1e-6)
                horizontal[rounded(y1)].push_back({rounded(std::min(x1, x2)), rounded(std::max(x1, x2))});
            else
                vertical[rounded(x1)].push_back({rounded(std::min(y1, y2)), rounded(std::max(y1, y2))});
        };
        for (const auto& e : drawing.liveEntities()) {
            if (e.kind == EntityKind::Line)
                add(e.start.x, e.start.y, e.end.x, e.end.y);
            if (e.kind == EntityKind::Polyline) {
                auto c = e.coordinates;
                if (e.closed) {
                    c.push_back(c[0]);
                    c.push_back(c[1]);
                }
                for (std::size_t i = 0; i + 3 < c.size(); i += 2)
                    add(c[i], c[i + 1], c[i + 2], c[i + 3]);
            }
        }
        for (Pieces* m : {&horizontal, &vertical})
            for (auto& [at, list] : *m)
                std::sort(list.begin(), list.end(), [](const Segment& p, const Segment& q) { return p.a < q.a; });
    }

    // What a hand edit leaves for a table of `parts` rows whose merged field
    // (columns 40 to 60) spans `rows` rows from the table's row `from`: row
    // borders at every 12, no two pieces over each other, column borders
    // from top to bottom without a gap, the field without inner borders.
    void expectDrawnByHand(int parts, int from, int rows) const {
        Pieces h, v;
        pieces(h, v);
        std::set<double> ys, expected;
        for (const auto& [y, list] : h)
            ys.insert(y);
        for (int k = 0; k <= parts + 1; ++k)
            expected.insert(rounded(-12.0 * k));
        EXPECT_EQ(ys, expected);
        for (const Pieces* m : {&h, &v})
            for (const auto& [at, list] : *m)
                for (std::size_t i = 1; i < list.size(); ++i)
                    EXPECT_GE(list[i].a, list[i - 1].b - 1e-6) << "pieces over each other at " << at;
        const double bottom = -12.0 * (parts + 1);
        for (const double x : {0.0, 10.0, 40.0, 60.0})
            EXPECT_TRUE(covers(v[x], bottom, 0)) << "column border " << x;
        const double top = -12.0 * from, low = top - 12.0 * rows;
        EXPECT_TRUE(covers(v[50], top, 0));
        for (const auto& p : v[50])
            EXPECT_GE(p.a, top - 1e-6) << "the column border at 50 reaches into the field";
        for (int k = 1; k < rows; ++k)
            for (const auto& p : h[rounded(top - 12.0 * k)])
                EXPECT_LE(p.b, 40 + 1e-6) << "a row border inside the field";
        EXPECT_TRUE(covers(h[rounded(top)], 0, 60)) << "above the field";
        EXPECT_TRUE(covers(h[rounded(low)], 0, 60)) << "below the field";
    }

    RowGrowth growth;
    MemDrawing drawing;
};

const std::vector<std::u16string> kNames{u"品名", u"ボルト\nM8", u"ナット", u"座金", u"ピン"};

std::vector<std::u16string> with(std::vector<std::u16string> v, int at, const std::u16string& s) {
    v.insert(v.begin() + at, s);
    return v;
}
std::vector<std::u16string> without(std::vector<std::u16string> v, int at) {
    v.erase(v.begin() + at);
    return v;
}

class Rows : public testing::TestWithParam<RowGrowth> {};

}  // namespace

TEST_P(Rows, InsertedRowsComeBackFromASecondGetAndTheLinesLookDrawnByHand) {
    // Before the first parts row, just above the merged field, inside it, after the last.
    const struct { int before, from, rows; } cases[] = {{1, 4, 2}, {3, 4, 2}, {4, 3, 3}, {5, 3, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        PartsList t(GetParam());
        ASSERT_EQ(t.column(2), kNames);
        t.insertBefore(c.before);
        t.grid.setCells(2, t.row(c.before), u"新規\n規格");
        t.grid.setCells(3, t.row(c.before), u"2");
        EXPECT_TRUE(t.grid.rowsChanged());
        const auto r = t.update();
        ASSERT_TRUE(r.refusal.empty()) << toUtf8(r.refusal);
        EXPECT_EQ(r.rows.inserted, 1);
        EXPECT_EQ(r.added, 3);
        EXPECT_FALSE(t.grid.rowsChanged());
        const auto names = with(kNames, c.before, u"新規\n規格");
        t.get();
        EXPECT_EQ(t.column(2), names);
        EXPECT_EQ(t.column(3)[static_cast<std::size_t>(c.before)], u"2");
        t.expectDrawnByHand(5, c.from, c.rows);
    }
}

TEST_P(Rows, DeletedRowsTakeTheirTextsAndOneBorderAndTheFarSideMovesBack) {
    // The first parts row, the merged field's first row, the last row (inside the field).
    const struct { int row, from, rows; } cases[] = {{1, 2, 2}, {3, 3, 1}, {4, 3, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        PartsList t(GetParam());
        const std::size_t texts = t.drawing.liveEntities().size();
        t.grid.deleteRows(t.row(c.row), t.row(c.row));
        const auto r = t.update();
        ASSERT_TRUE(r.refusal.empty()) << toUtf8(r.refusal);
        EXPECT_EQ(r.rows.deleted, 1);
        EXPECT_EQ(r.edited + r.added + r.deleted, 0);
        t.get();
        EXPECT_EQ(t.column(2), without(kNames, c.row));
        t.expectDrawnByHand(3, c.from, c.rows);
        EXPECT_LT(t.drawing.liveEntities().size(), texts);
    }
}

TEST_P(Rows, RowsAndTextsOfOneUpdateAreOneStepThatOneUTakesBack) {
    PartsList t(GetParam());
    auto before = t.drawing.liveEntities();
    const std::size_t groups = t.drawing.undoGroupCount();
    t.grid.deleteRows(t.row(2), t.row(2));
    t.insertBefore(3);
    t.grid.setCells(2, t.row(3), u"ワッシャ");
    t.grid.setCells(2, t.row(1), u"六角ボルト\nM8");
    const auto r = t.update();
    EXPECT_EQ(r.rows.deleted, 1);
    EXPECT_EQ(r.rows.inserted, 1);
    EXPECT_EQ(r.edited + r.added, 2);
    t.get();
    EXPECT_EQ(t.column(2), (std::vector<std::u16string>{u"品名", u"六角ボルト\nM8", u"座金", u"ワッシャ", u"ピン"}));
    t.expectDrawnByHand(4, 2, 3);  // the new row went into the merged field
    EXPECT_EQ(t.drawing.callCount(u"StartUndoMark"), 1);
    EXPECT_FALSE(t.drawing.undoMarkOpen());
    EXPECT_EQ(t.drawing.undoGroupCount(), groups + 1);
    ASSERT_TRUE(t.drawing.undo());
    auto after = t.drawing.liveEntities();
    for (auto* v : {&before, &after})
        for (auto& e : *v)
            e.updates = 0;
    EXPECT_EQ(after, before);
}

TEST_P(Rows, NoRowIsLeftOrTheBordersChangedAndNothingIsWritten) {
    {
        PartsList t(GetParam());
        t.grid.deleteRows(1, t.grid.RowCount() - 1);
        t.grid.insertRow(1);
        t.grid.setCells(2, 1, u"新規");
        const auto r = t.update();
        EXPECT_NE(r.refusal.find(u"すべて削除"), std::u16string::npos);
        EXPECT_EQ(t.drawing.undoGroupCount(), 0u);
        EXPECT_TRUE(t.grid.rowsChanged());  // the user's rows stay as they are
    }
    {
        // A Get of the texts alone keeps the earlier boundaries but has no lines to move.
        PartsList t(GetParam());
        t.lists.lineAry.clear();
        t.insertBefore(2);
        const auto r = t.update();
        EXPECT_FALSE(r.refusal.empty());
        EXPECT_EQ(t.drawing.undoGroupCount(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Growing, Rows, testing::Values(RowGrowth::Down, RowGrowth::Up),
                         [](const auto& info) { return info.param == RowGrowth::Down ? "Down" : "Up"; });

TEST_P(Rows, ARowInsertedNextToATallerHeadingTakesTheHeightOfThePartsRows) {
    const bool up = GetParam() == RowGrowth::Up;
    const double s = up ? -1 : 1;
    struct Heading : test::UnitTable {
        MemDrawing drawing;
    } t;
    // A heading 20 high, then two parts rows 12 high.
    t.drawing.addPolyline({0, 0, 40, 0, 40, -44 * s, 0, -44 * s}, true);
    t.drawing.addLine({20, 0, 0}, {20, -44 * s, 0});
    t.drawing.addLine({0, -20 * s, 0}, {40, -20 * s, 0});
    t.drawing.addLine({0, -32 * s, 0}, {40, -32 * s, 0});
    auto y = [&](double down) { return up ? down + 6 : -down; };  // a text's base in its band
    t.drawing.addText(u"品名", {2, y(12), 0}, {0, 0, 0}, 0);
    t.drawing.addText(u"ボルト", {2, y(28), 0}, {0, 0, 0}, 0);
    t.drawing.addText(u"ナット", {2, y(40), 0}, {0, 0, 0}, 0);
    t.drawing.pickAll();
    t.get(t.drawing.application());
    ASSERT_EQ(t.grid.RowCount(), 4);
    // Right next to the heading, on the side of the parts.
    t.grid.insertRow(up ? 3 : 2);
    t.grid.setCells(1, up ? 3 : 2, u"座金");
    ASSERT_TRUE(t.update({GetParam(), 0.1}).refusal.empty());
    t.lists = {};
    t.get(t.drawing.application());
    std::vector<double> expected{0, -20, -32, -44, -56};
    for (double& v : expected)
        v *= s;
    if (up)
        std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(t.lists.yokoAry, expected);
    EXPECT_EQ(t.grid.Cells(1, up ? 3 : 2), u"座金");
    EXPECT_EQ(t.grid.Cells(1, up ? 4 : 1), u"品名");
}
