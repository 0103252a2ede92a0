#include "tools/cad-standin/pickGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "core/text.h"

using namespace qx::cad;
using qx::Error;

namespace {

using Ids = std::vector<std::int64_t>;

// A small scene: a line, a closed and an open rectangle, two texts and a
// circle marker, with the sizes the viewer would use.
class PickScene : public ::testing::Test {
protected:
    PickScene() {
        line = drawing.addLine({0, 0, 0}, {10, 0, 0});
        closed = drawing.addPolyline({20, 0, 30, 0, 30, 10, 20, 10}, true);
        open = drawing.addPolyline({40, 0, 50, 0, 50, 10, 40, 10}, false);
        // Centred on its alignment point: the box is 8..12 x 20..22.
        name = drawing.addText(u"品名", {99, 99, 0}, {10, 20, 0}, 1);
        // Left-aligned from its insertion point: the box is 0..2 x 30..32.
        code = drawing.addText(u"AB", {0, 30, 0}, {0, 0, 0}, 0);
        circle = drawing.addEntity(EntityKind::Circle, {60, 30, 0});
    }
    Ids window(Point2 from, Point2 to, const PickFilter& filter = {}) {
        return entitiesInWindow(drawing.liveEntities(), from, to, sizes, filter);
    }
    std::optional<std::int64_t> at(Point2 p, const PickFilter& filter = {}) {
        return entityAt(drawing.liveEntities(), p, 0.5, sizes, filter);
    }

    MemDrawing drawing;
    PickSizes sizes{2.0, 2.0, 1.0};  // every text shown 2 high
    std::int64_t line, closed, open, name, code, circle;
};

bool notCircle(const MemEntity& e) {
    return e.kind != EntityKind::Circle;
}

}  // namespace

struct AlignmentRow {
    std::int32_t alignment;
    bool fromInsertionPoint;
    HorizontalAlign horizontal;
    VerticalAlign vertical;
};

class TextAlignment : public ::testing::TestWithParam<AlignmentRow> {};

TEST_P(TextAlignment, PositionAndJustification) {
    const auto& row = GetParam();
    MemEntity text;
    text.kind = EntityKind::Text;
    text.insertionPoint = {1, 2, 0};
    text.alignmentPoint = {3, 4, 0};
    text.alignment = row.alignment;
    auto placement = textPlacement(text);
    EXPECT_EQ(placement.position, row.fromInsertionPoint ? (Point2{1, 2}) : (Point2{3, 4}));
    EXPECT_EQ(placement.horizontal, row.horizontal);
    EXPECT_EQ(placement.vertical, row.vertical);
}

INSTANTIATE_TEST_SUITE_P(AlignmentValues, TextAlignment,
                         ::testing::Values(AlignmentRow{0, true, HorizontalAlign::Left, VerticalAlign::Baseline},
                                           AlignmentRow{1, false, HorizontalAlign::Center, VerticalAlign::Baseline},
                                           AlignmentRow{2, false, HorizontalAlign::Right, VerticalAlign::Baseline},
                                           AlignmentRow{3, true, HorizontalAlign::Left, VerticalAlign::Baseline},
                                           AlignmentRow{4, false, HorizontalAlign::Center, VerticalAlign::Middle},
                                           AlignmentRow{5, true, HorizontalAlign::Left, VerticalAlign::Baseline},
                                           AlignmentRow{6, false, HorizontalAlign::Left, VerticalAlign::Top},
                                           AlignmentRow{8, false, HorizontalAlign::Right, VerticalAlign::Top},
                                           AlignmentRow{10, false, HorizontalAlign::Center, VerticalAlign::Middle},
                                           AlignmentRow{12, false, HorizontalAlign::Left, VerticalAlign::Bottom},
                                           AlignmentRow{14, false, HorizontalAlign::Right, VerticalAlign::Bottom}));

TEST(TextExtent, HalfWidthCharactersTakeHalfTheHeight) {
    EXPECT_DOUBLE_EQ(textWidth(u"AB 1", 2), 4);
    EXPECT_DOUBLE_EQ(textWidth(u"品名", 2), 4);
    EXPECT_DOUBLE_EQ(textWidth(u"ｶﾞ¥", 2), 3);
    EXPECT_DOUBLE_EQ(textWidth(u"𠮷", 2), 2);  // one character in two code units
    EXPECT_DOUBLE_EQ(textWidth(u"", 2), 0);

    MemEntity text;
    text.kind = EntityKind::Text;
    text.text = u"AB";
    text.alignmentPoint = {10, 5, 0};
    text.alignment = 11;  // middle right
    EXPECT_EQ(textBox(text, 2), (Box{8, 4, 10, 6}));
    text.alignment = 7;  // top centre
    EXPECT_EQ(textBox(text, 2), (Box{9, 3, 11, 5}));
}

// The viewer shows a text at its own height within its limits, turned about
// the point that places it, and picks it where it is shown.
TEST(TextExtent, ShownAtItsOwnHeightAndTurned) {
    MemDrawing drawing;
    const auto id = drawing.addText(u"AB", {}, {10, 0, 0}, 2, 4, std::numbers::pi / 2);  // right-aligned, upright
    const auto text = *drawing.entity(id);
    EXPECT_EQ(shownTextHeight(text, PickSizes{}), 4);
    EXPECT_EQ(shownTextHeight(text, PickSizes{5, 10, 1}), 5);
    EXPECT_EQ(shownTextHeight(text, PickSizes{1, 3, 1}), 3);
    const auto outline = outlineOf(text, PickSizes{});
    ASSERT_EQ(outline.points.size(), 4u);
    // Unturned it would cover 6..10 x 0..4; turned a quarter about (10, 0) it covers 6..10 x -4..0.
    const Point2 want[] = {{10, -4}, {10, 0}, {6, 0}, {6, -4}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(outline.points[i].x, want[i].x, 1e-12) << i;
        EXPECT_NEAR(outline.points[i].y, want[i].y, 1e-12) << i;
    }
    EXPECT_EQ(entityAt(drawing.liveEntities(), {8, -2}, 0.1, PickSizes{}), id);
    EXPECT_EQ(entityAt(drawing.liveEntities(), {8, 2}, 0.1, PickSizes{}), std::nullopt);
}

TEST_F(PickScene, AClickTakesTheNearestEntityWithinTheTolerance) {
    EXPECT_EQ(at({5, 0.4}), line);
    EXPECT_EQ(at({5, 0.6}), std::nullopt);
    EXPECT_EQ(at({10.3, 0.3}), line);  // beyond the end, still within reach
    // Only the edges of a polyline count, the closing one of a closed polyline too.
    EXPECT_EQ(at({25, 5}), std::nullopt);
    EXPECT_EQ(at({20.2, 5}), closed);
    EXPECT_EQ(at({40.2, 5}), std::nullopt);
    EXPECT_EQ(at({50.2, 5}), open);
    // Anywhere on a text, and on a marker.
    EXPECT_EQ(at({11.9, 21.9}), name);
    EXPECT_EQ(at({12.4, 21}), name);
    EXPECT_EQ(at({1, 31}), code);
    EXPECT_EQ(at({60.8, 30}), circle);
    EXPECT_EQ(at({60.8, 30}, notCircle), std::nullopt);

    drawing.erase(line);
    EXPECT_EQ(at({5, 0}), std::nullopt);
}

TEST_F(PickScene, OverlappingEntitiesGiveTheNearerOrTheOneOnTop) {
    auto near = drawing.addLine({0, 0.2, 0}, {10, 0.2, 0});
    EXPECT_EQ(at({5, 0.15}), near);
    EXPECT_EQ(at({5, 0.05}), line);
    auto same = drawing.addLine({0, 0, 0}, {10, 0, 0});
    EXPECT_EQ(at({5, 0}), same);
}

TEST_F(PickScene, WindowsToTheRightTakeWhatLiesInside) {
    EXPECT_EQ(windowMode({0, 0}, {1, -5}), WindowMode::Inside);
    EXPECT_EQ(windowMode({0, 0}, {0, 5}), WindowMode::Inside);
    EXPECT_EQ(windowMode({1, 0}, {0, 5}), WindowMode::Crossing);

    EXPECT_EQ(window({-1, -1}, {31, 11}), (Ids{line, closed}));
    EXPECT_EQ(window({-1, 11}, {31, -1}), (Ids{line, closed}));  // dragged downwards alike
    EXPECT_EQ(window({-1, -1}, {29, 11}), (Ids{line}));
    EXPECT_EQ(window({7.9, 19.9}, {12.1, 22.1}), (Ids{name}));
    EXPECT_EQ(window({8.1, 19.9}, {12.1, 22.1}), Ids{});  // the text sticks out
    EXPECT_EQ(window({-100, -100}, {100, 100}), (Ids{line, closed, open, name, code, circle}));
    EXPECT_EQ(window({-100, -100}, {100, 100}, notCircle), (Ids{line, closed, open, name, code}));
}

TEST_F(PickScene, WindowsToTheLeftTakeWhatTheyTouch) {
    EXPECT_EQ(window({29, 11}, {-1, -1}), (Ids{line, closed}));
    EXPECT_EQ(window({5, 1}, {4, -1}), (Ids{line}));
    EXPECT_EQ(window({29, 9}, {21, 1}), Ids{});             // inside the rectangle, touching no edge
    EXPECT_EQ(window({11, 21.5}, {9, 20.5}), (Ids{name}));  // inside the text
    EXPECT_EQ(window({60.2, 30.2}, {59.8, 29.8}), (Ids{circle}));
    EXPECT_EQ(window({60.2, 30.2}, {59.8, 29.8}, notCircle), Ids{});
    // A window that the closing edge of the closed rectangle crosses; the open one has no such edge.
    EXPECT_EQ(window({21, 6}, {19, 4}), (Ids{closed}));
    EXPECT_EQ(window({41, 6}, {39, 4}), Ids{});
}

TEST(SegmentClip, KeepsThePartInsideTheBox) {
    const Box box{0, 0, 10, 10};
    auto part = clipSegment({-5, 5}, {5, 15}, box);
    ASSERT_TRUE(part);
    EXPECT_EQ(part->first, (Point2{0, 10}));  // enters through the corner
    EXPECT_EQ(part->second, (Point2{0, 10}));
    part = clipSegment({-10, 5}, {20, 5}, box);
    ASSERT_TRUE(part);
    EXPECT_EQ(part->first, (Point2{0, 5}));
    EXPECT_EQ(part->second, (Point2{10, 5}));
    EXPECT_EQ(clipSegment({2, 3}, {2, 3}, box)->second, (Point2{2, 3}));
    EXPECT_FALSE(clipSegment({-1, 11}, {11, 11}, box));
    EXPECT_FALSE(clipSegment({-5, 4}, {4, 15}, box));  // passes the corner outside
    EXPECT_FALSE(clipSegment({std::numeric_limits<double>::quiet_NaN(), 5}, {5, 5}, box));
    EXPECT_FALSE(clipSegment({5, 5}, {std::numeric_limits<double>::infinity(), 5}, box));
}

TEST_F(PickScene, ExtentCoversWhatIsLiveAndFinite) {
    EXPECT_EQ(drawingExtent(drawing.liveEntities(), sizes), (Box{0, 0, 60.5, 32}));
    drawing.erase(circle);
    auto far = drawing.addLine({std::numeric_limits<double>::quiet_NaN(), 0, 0}, {5, 1e3, 0});
    EXPECT_EQ(drawingExtent(drawing.liveEntities(), sizes), (Box{0, 0, 50, 1e3}));
    drawing.erase(far);
    for (auto id : drawing.liveIds())
        drawing.erase(id);
    EXPECT_EQ(drawingExtent(drawing.liveEntities(), sizes), std::nullopt);
}

TEST(ViewFit, CentresTheExtentAndTurnsYUpwards) {
    auto view = fitView({0, 0, 100, 50}, 220, 120, 10);
    EXPECT_DOUBLE_EQ(view.scale, 2);
    EXPECT_EQ(view.toScreen({0, 0}), (Point2{10, 110}));
    EXPECT_EQ(view.toScreen({100, 50}), (Point2{210, 10}));
    EXPECT_EQ(view.toDrawing({110, 60}), (Point2{50, 25}));
    // The narrower direction decides; the other is centred.
    view = fitView({0, 0, 100, 10}, 220, 120, 10);
    EXPECT_DOUBLE_EQ(view.scale, 2);
    EXPECT_EQ(view.toScreen({0, 5}), (Point2{10, 60}));
}

TEST(ViewFit, DegenerateExtentsAndTinyViewsKeepAFiniteScale) {
    const Box extents[] = {{5, 5, 5, 5}, {0, 3, 100, 3}, {-1e308, -1e308, 1e308, 1e308}};
    const double sizes[][2] = {{220, 120}, {5, 5}, {0, 0}};
    for (const auto& extent : extents) {
        for (const auto& size : sizes) {
            auto view = fitView(extent, size[0], size[1], 10);
            EXPECT_TRUE(std::isfinite(view.scale) && view.scale > 0) << extent.left << " " << size[0];
            EXPECT_TRUE(std::isfinite(view.originX) && std::isfinite(view.originY));
        }
    }
    EXPECT_DOUBLE_EQ(fitView({0, 3, 100, 3}, 220, 120, 10).scale, 2);
    EXPECT_EQ(fitView({5, 5, 5, 5}, 220, 120, 10).toScreen({5, 5}), (Point2{110, 60}));
}

// The in-memory drawing asking someone to pick, as the server's window does.
class InteractivePick : public ::testing::Test {
protected:
    InteractivePick() {
        line = drawing.addLine({0, 0, 0}, {10, 0, 0});
        text = drawing.addText(u"表1", {1, 1, 0}, {2, 1.5, 0}, 1);
        circle = drawing.addEntity(EntityKind::Circle, {6, 4, 0});
        erased = drawing.addLine({0, 5, 0}, {10, 5, 0});
        drawing.erase(erased);
        doc = drawing.application().get(u"ActiveDocument").toDispatch();
        set = doc.get(u"SelectionSets").toDispatch().call(u"Add", {Variant::byRef(u"ssTemp")}).toDispatch();
    }
    void selectOnScreen() {
        set.call(u"SelectOnScreen", {Variant::byRef(std::vector<std::int16_t>{0}),
                                     Variant::byRef(std::vector<Variant>{Variant(u"TEXT,*LINE")})});
    }
    Ids picked() {
        Ids ids;
        for (int i = 0; i < set.get(u"Count").toInt32(); ++i)
            ids.push_back(set.call(u"Item", {Variant(i)}).toDispatch().get(u"ObjectID").toInt64());
        return ids;
    }

    MemDrawing drawing;
    std::int64_t line, text, circle, erased;
    Dispatch doc, set;
};

TEST_F(InteractivePick, TakesWhatTheUserPicksAndTheFilterAdmits) {
    int asked = 0;
    std::vector<bool> admitted;
    drawing.pickInteractive([&](const PickFilter& filter) -> std::optional<Ids> {
        ++asked;
        for (const auto& e : drawing.liveEntities())
            admitted.push_back(filter(e));
        return Ids{circle, text, 7, erased, line};
    });
    selectOnScreen();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(admitted, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(picked(), (Ids{line, text}));

    // Without a filter everything live may be picked.
    set.call(u"Clear");
    set.call(u"SelectOnScreen");
    EXPECT_EQ(picked(), (Ids{line, text, circle}));
    EXPECT_EQ(asked, 2);
}

TEST_F(InteractivePick, CancelOrFailureFailsTheCallAndKeepsTheSet) {
    drawing.pickInteractive([&](const PickFilter&) -> std::optional<Ids> { return Ids{line}; });
    selectOnScreen();
    drawing.pickInteractive([](const PickFilter&) -> std::optional<Ids> { return std::nullopt; });
    try {
        selectOnScreen();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(u"cancelled"), std::u16string::npos);
    }
    drawing.pickInteractive([](const PickFilter&) -> std::optional<Ids> { throw Error(u"選択中です"); });
    try {
        selectOnScreen();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(u"SelectOnScreen: 選択中です"), std::u16string::npos);
    }
    EXPECT_EQ(picked(), (Ids{line}));
    EXPECT_THROW(drawing.pickInteractive({}), Error);
}

TEST_F(InteractivePick, AScriptSetWhileTheUserPicksTakesOverAfterwards) {
    drawing.pickInteractive([&](const PickFilter&) -> std::optional<Ids> {
        drawing.pickIds({text});
        return Ids{line};
    });
    selectOnScreen();
    EXPECT_EQ(picked(), (Ids{line}));
    set.call(u"Clear");
    selectOnScreen();
    EXPECT_EQ(picked(), (Ids{text}));
}

TEST_F(InteractivePick, ChangesOfTheEntitiesAreReported) {
    int changes = 0;
    drawing.setOnChanged([&] { ++changes; });
    Dispatch entity = doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(text))}).toDispatch();
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"TextString", [&] { entity.put(u"TextString", Variant(u"数量")); }},
        {"TextAlignmentPoint",
         [&] {
             entity.put(u"TextAlignmentPoint", Variant::byRef(std::vector<double>{3, 4, 0}));
         }},
        {"Move",
         [&] {
             entity.call(u"Move", {Variant(std::vector<double>{0, 0, 0}), Variant(std::vector<double>{1, 0, 0})});
         }},
        {"Copy", [&] { entity.call(u"Copy"); }},
        {"Update", [&] { entity.call(u"Update"); }},
        {"Delete", [&] { entity.call(u"Delete"); }},
        {"Regen", [&] { doc.call(u"Regen", {Variant(0)}); }},
        {"addLine",
         [&] {
             drawing.addLine({0, 0, 0}, {1, 1, 0});
         }},
        {"erase", [&] { drawing.erase(line); }},
    };
    for (const auto& [what, step] : steps) {
        changes = 0;
        step();
        EXPECT_EQ(changes, 1) << what;
    }
    changes = 0;
    doc.get(u"FullName");
    set.call(u"Clear");
    drawing.pickAll();
    selectOnScreen();
    EXPECT_EQ(changes, 0);
}

// What the viewer shows of a multiline text: plain lines, codes dropped.
struct ShownLines {
    const char16_t* contents;
    std::vector<std::u16string> lines;
};

class MTextShownLines : public ::testing::TestWithParam<ShownLines> {};

TEST_P(MTextShownLines, SplitAndStripped) {
    EXPECT_EQ(mtextLines(GetParam().contents), GetParam().lines) << qx::toUtf8(GetParam().contents);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, MTextShownLines,
    ::testing::Values(ShownLines{u"", {u""}}, ShownLines{u"品名", {u"品名"}},
                      ShownLines{u"a\\Pb\\P", {u"a", u"b", u""}}, ShownLines{u"a^Jb", {u"a", u"b"}},
                      ShownLines{u"a\r\nb\nc\rd", {u"a", u"b", u"c", u"d"}},
                      ShownLines{u"\\H2;Pregledal", {u"Pregledal"}},
                      ShownLines{u"{\\fArial|b1|i0|c128|p34;\\C1;赤}{\\L{下線}}", {u"赤下線"}},
                      ShownLines{u"\\pxqc,i1;\\A1;\\W0.8;\\Q15;\\T1.1;\\c255;x", {u"x"}},
                      ShownLines{u"\\Lu\\l\\Oo\\o\\Kk\\k", {u"uok"}},
                      ShownLines{u"a\\~b \\\\ \\{c\\}", {u"a b \\ {c}"}},
                      ShownLines{u"Tehnolo\\U+0161ki \\u+010D", {u"Tehnološki č"}}, ShownLines{u"\\U+01", {u"\\U+01"}},
                      ShownLines{u"%%c12 \\S+0.1^-0.2; \\S1/2; \\S3#4;", {u"%%c12 +0.1/-0.2 1/2 3/4"}},
                      ShownLines{u"50\\%", {u"50\\%"}}, ShownLines{u"ab\\H2", {u"ab"}}, ShownLines{u"a\\", {u"a\\"}},
                      ShownLines{u"x^y", {u"x^y"}}));

// A multiline text is picked on its frame as shown; one that shows nothing
// is a marker at its insertion point.
TEST(MTextOutline, TheFrameAsShownOrAMarker) {
    MemDrawing drawing;
    // Shown 3 high: "AB" one line, 3 wide and 5 high, its bottom centre on (10, 0).
    const auto shown = *drawing.entity(drawing.addMText(u"{\\H9;AB}", {10, 0, 0}, 8, 0, 1));
    const auto outline = outlineOf(shown, PickSizes{3, 3, 1});
    EXPECT_TRUE(outline.area);
    EXPECT_EQ(outline.points, (std::vector<Point2>{{8.5, 0}, {11.5, 0}, {11.5, 5}, {8.5, 5}}));
    const auto empty = *drawing.entity(drawing.addMText(u"{\\H9;}\\P", {10, 0, 0}, 8, 20, 1));
    EXPECT_EQ(outlineOf(empty, PickSizes{3, 3, 1}).points,
              (std::vector<Point2>{{9.5, -0.5}, {10.5, -0.5}, {10.5, 0.5}, {9.5, 0.5}}));
}
