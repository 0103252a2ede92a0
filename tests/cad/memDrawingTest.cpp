#include <gtest/gtest.h>

#include <limits>
#include <numbers>

#include "core/text.h"
#include "testing/expectError.h"
#include "tools/cad-standin/memDrawing.h"

using namespace qx::cad;
using qx::Error;
using qx::test::contains;
using qx::test::errorOf;

namespace {

const Variant kFilterType = Variant::byRef(std::vector<std::int16_t>{0});
const Variant kFilterData = Variant::byRef(std::vector<Variant>{Variant(u"TEXT,*LINE")});

class MemDrawingTest : public ::testing::Test {
protected:
    MemDrawingTest() {
        line = drawing.addLine({0, 0, 0}, {10, 0, 0});
        poly = drawing.addPolyline({0, 0, 10, 0, 10, 5, 0, 5}, true);
        text = drawing.addText(u"表1", {1, 1, 0}, {2, 1.5, 0}, 1);
        poly2d = drawing.addEntity(EntityKind::Polyline2d, {3, 3, 0});
        spline = drawing.addEntity(EntityKind::Spline, {4, 4, 0});
        mtext = drawing.addEntity(EntityKind::MText, {5, 5.5, 0});
        circle = drawing.addEntity(EntityKind::Circle, {6, 4, 0});
        app = drawing.application();
        doc = app.get(u"ActiveDocument").toDispatch();
    }

    Dispatch newSet(const std::u16string& name = u"ssTemp") {
        return doc.get(u"SelectionSets").toDispatch().call(u"Add", {Variant::byRef(name)}).toDispatch();
    }
    Dispatch object(std::int64_t id) {
        return doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(id))}).toDispatch();
    }
    std::vector<std::u16string> pickedNames(const Dispatch& set) {
        std::vector<std::u16string> names;
        for (int i = 0; i < set.get(u"Count").toInt32(); ++i) {
            names.push_back(set.call(u"Item", {Variant(i)}).toDispatch().get(u"EntityName").toString());
        }
        return names;
    }

    MemDrawing drawing;
    std::int64_t line, poly, text, poly2d, spline, mtext, circle;
    Dispatch app, doc;
};

}  // namespace

TEST_F(MemDrawingTest, ApplicationAndDocument) {
    drawing.setHwnd(0x1'2345'6789ULL);
    EXPECT_EQ(app.get(u"HWND"), Variant::uint64(0x1'2345'6789ULL));
    EXPECT_EQ(doc.get(u"FullName").toString(), drawing.fullName());
    EXPECT_EQ(doc.kind(), u"document");
}

TEST_F(MemDrawingTest, ObjectIdsAreUniqueAndSomeNeedMoreThan32Bits) {
    std::vector<std::int64_t> ids{line, poly, text, poly2d, spline, mtext, circle};
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_LT(ids.front(), std::int64_t{1} << 32);
    EXPECT_GT(ids.back(), std::int64_t{1} << 32);
    for (auto id : ids) {
        auto v = object(id).get(u"ObjectID");
        EXPECT_EQ(v.type(), Variant::Type::Int64);
        EXPECT_EQ(v.toInt64(), id);
    }
}

TEST(MemDrawingIds, RunningOutOfIdsIsAnErrorNotAnOverflow) {
    MemDrawing drawing(u"C:\\a.dwg", std::numeric_limits<std::int64_t>::max() - 1);
    EXPECT_EQ(drawing.addLine({0, 0, 0}, {1, 0, 0}), std::numeric_limits<std::int64_t>::max() - 1);
    EXPECT_THROW(drawing.addText(u"x", {0, 0, 0}, {0, 0, 0}), Error);
    EXPECT_EQ(drawing.liveIds().size(), 1u);
}

TEST_F(MemDrawingTest, ObjectIdToObjectFailsForUnknownAndErasedIds) {
    EXPECT_EQ(errorOf([&] { object(12345); }), u"document.ObjectIdToObject: no object has the ID 12345");
    auto t = object(text);
    drawing.erase(text);  // behind the client's back
    EXPECT_TRUE(contains(errorOf([&] { object(text); }), u"ObjectIdToObject"));
    EXPECT_EQ(errorOf([&] { t.get(u"TextString"); }), u"text.TextString: the object is erased");
    EXPECT_TRUE(drawing.entity(text)->erased);
    EXPECT_EQ(drawing.liveIds().size(), 6u);
}

TEST_F(MemDrawingTest, RegenIsCountedAndWantsItsArgument) {
    doc.call(u"Regen", {Variant(0)});
    doc.call(u"Regen", {Variant(0)});
    EXPECT_EQ(drawing.regenCount(), 2);
    EXPECT_THROW(doc.call(u"Regen"), Error);
    EXPECT_EQ(drawing.regenCount(), 2);
}

TEST_F(MemDrawingTest, SelectionSetCollection) {
    auto sets = doc.get(u"SelectionSets").toDispatch();
    EXPECT_EQ(sets.get(u"Count").toInt32(), 0);
    newSet(u"other");
    newSet();
    EXPECT_EQ(sets.get(u"Count").toInt32(), 2);
    EXPECT_EQ(sets.call(u"Item", {Variant(1)}).toDispatch().get(u"Name").toString(), u"ssTemp");
    EXPECT_TRUE(contains(errorOf([&] { newSet(); }), u"already exists"));
    EXPECT_TRUE(contains(errorOf([&] { sets.call(u"Item", {Variant(2)}); }), u"out of range"));

    auto set = sets.call(u"Item", {Variant(1)}).toDispatch();
    set.call(u"Delete");
    EXPECT_EQ(drawing.selectionSetNames(), std::vector<std::u16string>{u"other"});
    EXPECT_EQ(errorOf([&] { set.get(u"Count"); }), u"selection set.Count: the selection set has been deleted");
    newSet();  // the name is free again
}

TEST_F(MemDrawingTest, FilterTakesTextsAndEverythingEndingInLine) {
    drawing.pickAll();
    auto set = newSet();
    set.call(u"SelectOnScreen", {kFilterType, kFilterData});
    EXPECT_EQ(pickedNames(set), (std::vector<std::u16string>{u"AcDbLine", u"AcDbPolyline", u"AcDbText",
                                                             u"AcDb2dPolyline", u"AcDbSpline"}));
    // Picking again adds nothing twice; Clear empties the set.
    set.call(u"SelectOnScreen", {kFilterType, kFilterData});
    EXPECT_EQ(set.get(u"Count").toInt32(), 5);
    set.call(u"Clear");
    EXPECT_EQ(set.get(u"Count").toInt32(), 0);
}

TEST_F(MemDrawingTest, PickScripts) {
    auto set = newSet();
    set.call(u"SelectOnScreen", {kFilterType, kFilterData});
    EXPECT_EQ(set.get(u"Count").toInt32(), 0);  // nothing picked by default

    drawing.pickIds({text, mtext, line});  // the filter still applies
    set.call(u"SelectOnScreen", {kFilterType, kFilterData});
    EXPECT_EQ(drawing.selectionSetIds(u"ssTemp"), (std::vector<std::int64_t>{line, text}));

    set.call(u"Clear");
    drawing.pickRectangle(10, 5, 0, -1);  // corners in any order; the mtext lies outside, the circle is filtered
    set.call(u"SelectOnScreen", {kFilterType, kFilterData});
    EXPECT_EQ(drawing.selectionSetIds(u"ssTemp"), (std::vector<std::int64_t>{line, poly, text, poly2d, spline}));

    drawing.erase(line);
    set.call(u"Clear");
    drawing.pickAll();
    set.call(u"SelectOnScreen");  // no filter: everything not erased
    EXPECT_EQ(set.get(u"Count").toInt32(), 6);
}

TEST_F(MemDrawingTest, CancelledPickFailsAndKeepsTheSet) {
    drawing.pickIds({line});
    auto set = newSet();
    set.call(u"SelectOnScreen", {kFilterType, kFilterData});
    drawing.pickCancel();
    EXPECT_EQ(errorOf([&] {
                  set.call(u"SelectOnScreen", {kFilterType, kFilterData});
              }),
              u"selection set.SelectOnScreen: the pick was cancelled");
    EXPECT_EQ(set.get(u"Count").toInt32(), 1);
}

TEST_F(MemDrawingTest, MalformedFiltersFail) {
    drawing.pickAll();
    auto set = newSet();
    EXPECT_THROW(set.call(u"SelectOnScreen", {kFilterType}), Error);
    EXPECT_THROW(set.call(u"SelectOnScreen", {Variant(std::vector<std::int16_t>{0, 0}), kFilterData}), Error);
    EXPECT_THROW(set.call(u"SelectOnScreen", {Variant(std::vector<std::int16_t>{8}), kFilterData}), Error);
    EXPECT_THROW(set.call(u"SelectOnScreen", {Variant(u"TEXT"), kFilterData}), Error);
    EXPECT_EQ(set.get(u"Count").toInt32(), 0);
}

struct WildcardCase {
    const char16_t* name;
    const char16_t* patterns;
    bool matches;
};

class Wildcards : public ::testing::TestWithParam<WildcardCase> {};

TEST_P(Wildcards, Match) {
    EXPECT_EQ(matchesWildcards(GetParam().name, GetParam().patterns), GetParam().matches)
        << qx::toUtf8(GetParam().name) << " vs " << qx::toUtf8(GetParam().patterns);
}

INSTANTIATE_TEST_SUITE_P(
    Filter, Wildcards,
    ::testing::Values(WildcardCase{u"TEXT", u"TEXT,*LINE", true}, WildcardCase{u"LINE", u"TEXT,*LINE", true},
                      WildcardCase{u"LWPOLYLINE", u"TEXT,*LINE", true}, WildcardCase{u"SPLINE", u"TEXT,*LINE", true},
                      WildcardCase{u"MTEXT", u"TEXT,*LINE", false}, WildcardCase{u"CIRCLE", u"TEXT,*LINE", false},
                      WildcardCase{u"MTEXT", u"TEXT,MTEXT,*LINE", true}, WildcardCase{u"MTEXT", u"text,mtext", true},
                      WildcardCase{u"MTEXT", u"*TEXT", true}, WildcardCase{u"TEXT", u"MTEXT", false},
                      WildcardCase{u"LINES", u"TEXT,*LINE", false}, WildcardCase{u"text", u"TEXT", true},
                      WildcardCase{u"Line", u"*line", true}, WildcardCase{u"LINE", u"L??E", true},
                      WildcardCase{u"LINE", u"L?E", false}, WildcardCase{u"LINE", u"*", true},
                      WildcardCase{u"", u"*", true}, WildcardCase{u"LINE", u"", false},
                      WildcardCase{u"LINE", u"TEXT,", false}, WildcardCase{u"", u"TEXT,", true},
                      WildcardCase{u"POLYLINE", u"*LY*NE", true}, WildcardCase{u"POLYLINE", u"**X*", false},
                      WildcardCase{u"AAAB", u"*A*B", true}, WildcardCase{u"AAAA", u"*A*B", false}));

TEST_F(MemDrawingTest, LineAndPolylineGeometry) {
    EXPECT_EQ(object(line).get(u"StartPoint").toDoubles(), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(object(line).get(u"EndPoint").toDoubles(), (std::vector<double>{10, 0, 0}));
    EXPECT_EQ(object(poly).get(u"Coordinates").toDoubles(), (std::vector<double>{0, 0, 10, 0, 10, 5, 0, 5}));
    EXPECT_EQ(object(poly).get(u"Closed"), Variant(true));
    // Members belong to their kind only.
    EXPECT_EQ(errorOf([&] { object(line).get(u"TextString"); }), u"line.TextString: no such property");
    EXPECT_THROW(object(circle).get(u"Coordinates"), Error);
}

TEST_F(MemDrawingTest, TextPropertiesReadAndWrite) {
    // A centred text: its insertion point is the start of the baseline, derived
    // from the alignment point and the width ("表1" is 1.5 heights wide).
    auto t = object(text);
    EXPECT_EQ(t.get(u"EntityName").toString(), u"AcDbText");
    EXPECT_EQ(t.get(u"ObjectName").toString(), u"AcDbText");
    EXPECT_EQ(t.get(u"TextString").toString(), u"表1");
    EXPECT_EQ(t.get(u"Alignment"), Variant(1));
    EXPECT_EQ(t.get(u"TextAlignmentPoint").toDoubles(), (std::vector<double>{2, 1.5, 0}));
    EXPECT_EQ(t.get(u"InsertionPoint").toDoubles(), (std::vector<double>{2 - 0.75 * kMemTextHeight, 1.5, 0}));

    // The insertion point follows the contents and the alignment point.
    t.put(u"TextString", Variant(u"ＡＢＣ"));
    EXPECT_EQ(drawing.entity(text)->insertionPoint, (Point3{2 - 1.5 * kMemTextHeight, 1.5, 0}));
    t.put(u"TextAlignmentPoint", Variant::byRef(std::vector<double>{7, 8, 0}));
    auto e = drawing.entity(text);
    EXPECT_EQ(e->text, u"ＡＢＣ");
    EXPECT_EQ(e->alignmentPoint, (Point3{7, 8, 0}));
    EXPECT_EQ(e->insertionPoint, (Point3{7 - 1.5 * kMemTextHeight, 8, 0}));

    EXPECT_TRUE(contains(errorOf([&] { t.put(u"TextAlignmentPoint", Variant(std::vector<double>{1, 2})); }), u"3"));
    EXPECT_TRUE(contains(errorOf([&] { t.put(u"TextString", Variant(5)); }), u"type mismatch"));
    EXPECT_EQ(errorOf([&] { t.put(u"ObjectID", Variant::int64(1)); }), u"text.ObjectID: the property is read-only");
    EXPECT_EQ(drawing.entity(text)->text, u"ＡＢＣ");
}

// The derived insertion point follows the text's own height and turns with
// its rotation about the alignment point; a height the application refuses
// changes nothing.
TEST_F(MemDrawingTest, HeightAndRotationPlaceTheText) {
    auto t = object(text);  // "表1" centred on (2, 1.5): 1.5 heights wide
    EXPECT_EQ(t.get(u"Height"), Variant(kMemTextHeight));
    EXPECT_EQ(t.get(u"Rotation"), Variant(0.0));
    t.put(u"Height", Variant(4));
    EXPECT_EQ(t.get(u"Height"), Variant(4.0));
    EXPECT_EQ(drawing.entity(text)->insertionPoint, (Point3{2 - 0.75 * 4, 1.5, 0}));
    t.put(u"Rotation", Variant(std::numbers::pi / 2));
    auto p = t.get(u"InsertionPoint").toDoubles();
    EXPECT_NEAR(p[0], 2, 1e-12);
    EXPECT_NEAR(p[1], 1.5 - 0.75 * 4, 1e-12);
    EXPECT_EQ(t.get(u"TextAlignmentPoint").toDoubles(), (std::vector<double>{2, 1.5, 0}));

    const auto before = *drawing.entity(text);
    for (const auto& bad : {Variant(0.0), Variant(-1.0), Variant(std::numeric_limits<double>::infinity()),
                            Variant(std::numeric_limits<double>::quiet_NaN())}) {
        EXPECT_TRUE(contains(errorOf([&] { t.put(u"Height", bad); }), u"text.Height: invalid input"));
    }
    EXPECT_TRUE(contains(errorOf([&] { t.put(u"Height", Variant(u"3")); }), u"type mismatch"));
    EXPECT_TRUE(contains(errorOf([&] { t.put(u"Rotation", Variant(std::numeric_limits<double>::quiet_NaN())); }),
                         u"text.Rotation: invalid input"));
    EXPECT_EQ(*drawing.entity(text), before);

    // A copy keeps them; other kinds have neither.
    auto copy = t.call(u"Copy").toDispatch();
    EXPECT_EQ(copy.get(u"Height"), Variant(4.0));
    EXPECT_EQ(copy.get(u"Rotation"), Variant(std::numbers::pi / 2));
    EXPECT_THROW(object(line).get(u"Height"), MemberNotFound);
    EXPECT_THROW(object(line).put(u"Rotation", Variant(1.0)), MemberNotFound);
    EXPECT_THROW(drawing.addText(u"x", {}, {}, 0, 0.0), Error);
}

namespace {

// The box GetBoundingBox gives back in its two by-reference arguments.
std::pair<std::vector<double>, std::vector<double>> boundingBox(const Dispatch& entity) {
    std::vector<Variant> corners{Variant::byRef(Variant()), Variant::byRef(Variant())};
    entity.invoke(u"GetBoundingBox", corners);
    EXPECT_TRUE(corners[0].isByRef() && corners[1].isByRef());
    return {corners[0].toDoubles(), corners[1].toDoubles()};
}

void expectNear(const std::vector<double>& got, const std::vector<double>& want, const char* what) {
    ASSERT_EQ(got.size(), 3u) << what;
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(got[i], want[i], 1e-12) << what << " coordinate " << i;
}

// "AB" is one height wide.
struct BoxCase {
    const char* what;
    std::int32_t alignment;
    Point3 insertionPoint, alignmentPoint;
    double height, degrees;
    std::vector<double> min, max;
};

class TextBoxes : public ::testing::TestWithParam<BoxCase> {};

}  // namespace

TEST_P(TextBoxes, AroundTheEstimatedGlyphsTurnedWithTheText) {
    const auto& c = GetParam();
    MemDrawing drawing;
    const auto id = drawing.addText(u"AB", c.insertionPoint, c.alignmentPoint, c.alignment, c.height,
                                    c.degrees * std::numbers::pi / 180);
    auto doc = drawing.application().get(u"ActiveDocument").toDispatch();
    auto [min, max] = boundingBox(doc.call(u"ObjectIdToObject", {Variant::int64(id)}).toDispatch());
    expectNear(min, c.min, c.what);
    expectNear(max, c.max, c.what);
}

INSTANTIATE_TEST_SUITE_P(
    AlignmentsAndAngles, TextBoxes,
    ::testing::Values(BoxCase{"left", 0, {1, 2, 0}, {}, 2, 0, {1, 2, 0}, {3, 4, 0}},
                      BoxCase{"centre", 1, {}, {10, 0, 0}, 2, 0, {9, 0, 0}, {11, 2, 0}},
                      BoxCase{"right", 2, {}, {10, 0, 0}, 2, 0, {8, 0, 0}, {10, 2, 0}},
                      BoxCase{"aligned, from its insertion point", 3, {1, 2, 0}, {5, 2, 0}, 2, 0, {1, 2, 0}, {3, 4, 0}},
                      BoxCase{"middle", 4, {}, {10, 0, 0}, 2, 0, {9, -1, 0}, {11, 1, 0}},
                      BoxCase{"top left", 6, {}, {10, 0, 0}, 2, 0, {10, -2, 0}, {12, 0, 0}},
                      BoxCase{"middle right", 11, {}, {10, 0, 0}, 3, 0, {7, -1.5, 0}, {10, 1.5, 0}},
                      BoxCase{"bottom centre", 13, {}, {10, 0, 0}, 2, 0, {9, 0, 0}, {11, 2, 0}},
                      BoxCase{"left, upright", 0, {1, 2, 0}, {}, 2, 90, {-1, 2, 0}, {1, 4, 0}},
                      BoxCase{"left, at 45 degrees",
                              0,
                              {0, 0, 0},
                              {},
                              2,
                              45,
                              {-std::numbers::sqrt2, 0, 0},
                              {std::numbers::sqrt2, 2 * std::numbers::sqrt2, 0}},
                      BoxCase{"centre, upside down", 1, {}, {10, 0, 0}, 2, 180, {9, -2, 0}, {11, 0, 0}},
                      BoxCase{"top right, turned back", 8, {}, {10, 0, 0}, 2, -90, {8, 0, 0}, {10, 2, 0}}));

// Lines and polylines by their points, kinds without geometry here by their
// position (a multiline text has a frame: below); the two corners must be variables passed by reference.
TEST_F(MemDrawingTest, BoundingBoxesOfEveryKindAndItsArguments) {
    const auto slanted = drawing.addLine({5, -1, 0}, {-2, 3, 0});
    auto [lineMin, lineMax] = boundingBox(object(slanted));
    EXPECT_EQ(lineMin, (std::vector<double>{-2, -1, 0}));
    EXPECT_EQ(lineMax, (std::vector<double>{5, 3, 0}));
    auto [polyMin, polyMax] = boundingBox(object(poly));
    EXPECT_EQ(polyMin, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(polyMax, (std::vector<double>{10, 5, 0}));
    for (auto id : {poly2d, spline, circle}) {
        auto [min, max] = boundingBox(object(id));
        const auto p = drawing.entity(id)->insertionPoint;
        EXPECT_EQ(min, (std::vector<double>{p.x, p.y, p.z}));
        EXPECT_EQ(max, min);
    }

    auto t = object(text);
    EXPECT_TRUE(contains(errorOf([&] { t.call(u"GetBoundingBox", {Variant::byRef(Variant())}); }),
                         u"text.GetBoundingBox: parameter not optional"));
    EXPECT_TRUE(contains(errorOf([&] { t.call(u"GetBoundingBox"); }), u"parameter not optional"));
    EXPECT_TRUE(contains(errorOf([&] {
                             t.call(u"GetBoundingBox", {Variant::byRef(Variant()), Variant()});
                         }),
                         u"type mismatch: MaxPoint must be a variable passed by reference"));
    std::vector<Variant> three{Variant::byRef(Variant()), Variant::byRef(Variant()), Variant::byRef(Variant())};
    EXPECT_TRUE(contains(errorOf([&] { t.invoke(u"GetBoundingBox", three); }), u"expects 2 argument(s), got 3"));
    EXPECT_EQ(three[0].type(), Variant::Type::Empty);

    drawing.failCall(u"GetBoundingBox", 1, u"図面が壊れています");
    std::vector<Variant> corners{Variant::byRef(Variant()), Variant::byRef(Variant())};
    EXPECT_TRUE(contains(errorOf([&] { t.invoke(u"GetBoundingBox", corners); }), u"図面が壊れています"));
    EXPECT_EQ(corners[0].type(), Variant::Type::Empty);
    EXPECT_NO_THROW(t.invoke(u"GetBoundingBox", corners));
    EXPECT_EQ(corners[0].toDoubles().size(), 3u);
}

// What each alignment lets a client write, and how Move carries it: the CAD
// application refuses an InsertionPoint put unless the text is left, aligned
// or fit, and a TextAlignmentPoint put on a left-aligned text.
class TextRules : public ::testing::TestWithParam<int> {};

TEST_P(TextRules, PutsAndMove) {
    const int alignment = GetParam();
    const bool left = alignment == 0, twoPoints = alignment == 3 || alignment == 5;
    MemDrawing drawing;
    // Given an alignment point, a left-aligned text still has none: it reads (0, 0, 0).
    const auto id = drawing.addText(u"ab", {1, 2, 0}, {6, 2, 0}, alignment);
    auto doc = drawing.application().get(u"ActiveDocument").toDispatch();
    auto t = doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(id))}).toDispatch();
    const auto before = *drawing.entity(id);
    if (left) {
        EXPECT_EQ(t.get(u"TextAlignmentPoint").toDoubles(), (std::vector<double>{0, 0, 0}));
    }

    const bool insertionPut = [&] {
        try {
            t.put(u"InsertionPoint", Variant::byRef(std::vector<double>{1, 2, 0}));
            return true;
        } catch (const Error& e) {
            EXPECT_TRUE(contains(e.message(), u"text.InsertionPoint: not applicable")) << qx::toUtf8(e.message());
            return false;
        }
    }();
    EXPECT_EQ(insertionPut, left || twoPoints);
    const bool alignmentPut = [&] {
        try {
            t.put(u"TextAlignmentPoint", Variant::byRef(std::vector<double>{6, 2, 0}));
            return true;
        } catch (const Error& e) {
            EXPECT_TRUE(contains(e.message(), u"text.TextAlignmentPoint: not applicable"));
            return false;
        }
    }();
    EXPECT_EQ(alignmentPut, !left);
    EXPECT_EQ(*drawing.entity(id), before);  // the same points put back, or refused

    t.call(u"Move", {Variant(std::vector<double>{1, 1, 0}), Variant(std::vector<double>{4, -3, 0})});
    const auto after = *drawing.entity(id);
    EXPECT_EQ(after.insertionPoint, (Point3{before.insertionPoint.x + 3, before.insertionPoint.y - 4, 0}));
    if (left) {
        EXPECT_EQ(after.alignmentPoint, (Point3{0, 0, 0}));
    } else {
        EXPECT_EQ(after.alignmentPoint, (Point3{9, -2, 0}));
    }
}

INSTANTIATE_TEST_SUITE_P(Alignments, TextRules, ::testing::Range(0, 15));

TEST_F(MemDrawingTest, MoveCarriesEveryKind) {
    const std::vector<Variant> by{Variant(std::vector<double>{0, 0, 0}), Variant(std::vector<double>{1, -1, 0})};
    object(line).call(u"Move", by);
    object(poly).call(u"Move", by);
    object(poly2d).call(u"Move", by);
    EXPECT_EQ(drawing.entity(line)->end, (Point3{11, -1, 0}));
    EXPECT_EQ(drawing.entity(poly)->coordinates, (std::vector<double>{1, -1, 11, -1, 11, 4, 1, 4}));
    EXPECT_EQ(drawing.entity(poly2d)->insertionPoint, (Point3{4, 2, 0}));
    EXPECT_TRUE(contains(errorOf([&] { object(line).call(u"Move", {by[0]}); }), u"argument"));
}

TEST_F(MemDrawingTest, DocumentsHaveTheirOwnObjects) {
    EXPECT_EQ(doc.get(u"Name").toString(), u"table.dwg");
    drawing.newDocument(u"");
    auto other = app.get(u"ActiveDocument").toDispatch();
    EXPECT_EQ(other.get(u"FullName").toString(), u"");
    EXPECT_EQ(other.get(u"Name").toString(), u"Drawing1.dwg");
    const auto mine = drawing.addLine({0, 0, 0}, {1, 0, 0});
    // An ID names an object of one document only.
    EXPECT_THROW(other.call(u"ObjectIdToObject", {Variant::int64(line)}), Error);
    EXPECT_THROW(doc.call(u"ObjectIdToObject", {Variant::int64(mine)}), Error);
    EXPECT_NO_THROW(doc.call(u"ObjectIdToObject", {Variant::int64(line)}));
    EXPECT_GT(mine, circle);

    // Reopening gives the same entities new IDs; the old opening is closed.
    drawing.activateDocument(0);
    auto oldLine = object(line);
    drawing.reopen();
    auto reopened = app.get(u"ActiveDocument").toDispatch();
    EXPECT_EQ(reopened.get(u"FullName").toString(), u"C:\\drawings\\table.dwg");
    EXPECT_EQ(drawing.liveIds().size(), 7u);
    EXPECT_GT(drawing.liveIds().front(), mine);
    EXPECT_THROW(reopened.call(u"ObjectIdToObject", {Variant::int64(line)}), Error);
    EXPECT_TRUE(contains(errorOf([&] { oldLine.get(u"StartPoint"); }), u"closed"));
    EXPECT_TRUE(contains(errorOf([&] { doc.get(u"FullName"); }), u"closed"));
    EXPECT_EQ(drawing.documentCount(), 2u);
}

TEST_F(MemDrawingTest, AMissingMemberIsReportedAsSuch) {
    drawing.withoutMember(u"EntityName");
    EXPECT_THROW(object(line).get(u"EntityName"), qx::cad::MemberNotFound);
    EXPECT_EQ(object(line).get(u"ObjectName").toString(), u"AcDbLine");
    EXPECT_THROW(app.get(u"Visible"), qx::cad::MemberNotFound);
}

TEST_F(MemDrawingTest, CopyUpdateAndDelete) {
    auto original = object(text);
    auto copy = original.call(u"Copy").toDispatch();
    auto copyId = copy.get(u"ObjectID").toInt64();
    EXPECT_NE(copyId, text);
    EXPECT_EQ(copy.get(u"TextString").toString(), u"表1");
    EXPECT_EQ(copy.get(u"Alignment").toInt32(), 1);
    EXPECT_EQ(drawing.entity(copy.get(u"ObjectID").toInt64())->alignmentPoint, drawing.entity(text)->alignmentPoint);
    copy.put(u"TextString", Variant(u"new"));
    copy.call(u"Update");
    EXPECT_EQ(drawing.entity(copyId)->updates, 1);
    EXPECT_EQ(drawing.entity(text)->text, u"表1");  // the copy is independent

    copy.call(u"Delete");
    EXPECT_TRUE(drawing.entity(copyId)->erased);
    EXPECT_THROW(copy.call(u"Update"), Error);
    EXPECT_THROW(object(copyId), Error);
    EXPECT_THROW(original.call(u"Update", {Variant(1)}), Error);
}

// Everything between the marks (edits, moves, copies and their edits,
// deletions) goes back with one U, to exactly what it was.
TEST_F(MemDrawingTest, OneUTakesBackAMarkedGroup) {
    std::vector<MemEntity> before;
    for (auto id : drawing.liveIds())
        before.push_back(*drawing.entity(id));
    const std::vector<Variant> by{Variant(std::vector<double>{0, 0, 0}), Variant(std::vector<double>{3, -4, 0})};
    auto t = object(text);

    doc.call(u"StartUndoMark");
    EXPECT_TRUE(drawing.undoMarkOpen());
    t.put(u"TextString", Variant(u"新しい"));
    t.put(u"Height", Variant(5.0));
    t.put(u"Rotation", Variant(1.0));
    t.put(u"TextAlignmentPoint", Variant(std::vector<double>{9, 9, 0}));
    t.call(u"Move", by);
    auto copy = t.call(u"Copy").toDispatch();
    const auto copyId = copy.get(u"ObjectID").toInt64();
    copy.put(u"TextString", Variant(u"複写"));
    copy.call(u"Move", by);
    object(line).call(u"Move", by);
    object(poly).call(u"Delete");
    object(circle).call(u"Move", by);
    t.call(u"Update");
    doc.call(u"EndUndoMark");
    EXPECT_FALSE(drawing.undoMarkOpen());
    EXPECT_EQ(drawing.undoGroupCount(), 1u);

    EXPECT_TRUE(drawing.undo());
    for (auto e : before) {
        if (e.id == text)
            e.updates = 1;  // Update is counted, not undone
        EXPECT_EQ(*drawing.entity(e.id), e) << e.id;
    }
    EXPECT_TRUE(drawing.entity(copyId)->erased);
    EXPECT_EQ(drawing.liveIds().size(), before.size());
    EXPECT_THROW(copy.get(u"TextString"), Error);
    EXPECT_FALSE(drawing.undo());
    EXPECT_EQ(drawing.undoMarkMisuse(), 0);
}

// Reading, Update, refused puts, failing calls and the user's own erasing
// leave no step; a copy's own step erases it again.
TEST_F(MemDrawingTest, OnlyAClientsChangesAreSteps) {
    auto t = object(text);
    auto copy = t.call(u"Copy").toDispatch();
    t.get(u"TextString");
    t.call(u"Update");
    boundingBox(t);
    doc.call(u"Regen", {Variant(0)});
    EXPECT_THROW(t.put(u"Height", Variant(-1.0)), Error);
    EXPECT_THROW(t.put(u"InsertionPoint", Variant(std::vector<double>{0, 0, 0})), Error);  // centred: read-only
    drawing.failCall(u"Move", 1, u"busy");
    EXPECT_THROW(t.call(u"Move", {Variant(std::vector<double>{0, 0, 0}), Variant(std::vector<double>{1, 0, 0})}),
                 Error);
    drawing.erase(line);
    EXPECT_EQ(drawing.undoGroupCount(), 1u);
    const auto copyId = copy.get(u"ObjectID").toInt64();
    EXPECT_TRUE(drawing.undo());
    EXPECT_TRUE(drawing.entity(copyId)->erased);
    EXPECT_FALSE(drawing.undo());
}

// Marks do not nest and must be paired: whatever breaks that is counted, and
// a U while a mark is open closes the group first.
struct MarkCase {
    const char* steps;  // S StartUndoMark, E EndUndoMark, P a put, U the user's U
    int misuse;
    bool open;
    std::size_t groups;
    const char16_t* text;  // the text's contents at the end
};

class UndoMarks : public ::testing::TestWithParam<MarkCase> {};

TEST_P(UndoMarks, MisuseIsCountedNeverPassedOver) {
    const auto& c = GetParam();
    MemDrawing drawing;
    const auto id = drawing.addText(u"0", {}, {}, 0);
    auto doc = drawing.application().get(u"ActiveDocument").toDispatch();
    auto t = doc.call(u"ObjectIdToObject", {Variant::int64(id)}).toDispatch();
    int puts = 0;
    for (const char* step = c.steps; *step; ++step) {
        switch (*step) {
            case 'S':
                doc.call(u"StartUndoMark");
                break;
            case 'E':
                doc.call(u"EndUndoMark");
                break;
            case 'P':
                t.put(u"TextString", Variant(qx::decimalText(++puts)));
                break;
            case 'U':
                drawing.undo();
                break;
        }
    }
    EXPECT_EQ(drawing.undoMarkMisuse(), c.misuse);
    EXPECT_EQ(drawing.undoMarkOpen(), c.open);
    EXPECT_EQ(drawing.undoGroupCount(), c.groups);
    EXPECT_EQ(drawing.entity(id)->text, c.text);
}

INSTANTIATE_TEST_SUITE_P(Sequences, UndoMarks,
                         ::testing::Values(MarkCase{"SPPE", 0, false, 1, u"2"}, MarkCase{"SPPEU", 0, false, 0, u"0"},
                                           MarkCase{"SE", 0, false, 1, u"0"}, MarkCase{"PSPPEP", 0, false, 3, u"4"},
                                           MarkCase{"PSPPEPUU", 0, false, 1, u"1"}, MarkCase{"E", 1, false, 0, u"0"},
                                           MarkCase{"SSPE", 1, false, 1, u"1"}, MarkCase{"SPEE", 1, false, 1, u"1"},
                                           MarkCase{"SP", 0, true, 1, u"1"}, MarkCase{"PSPU", 1, false, 1, u"1"},
                                           MarkCase{"SPUPU", 1, false, 0, u"0"}));

// Injected faults reach the new members as any other: the failing call does nothing.
TEST_F(MemDrawingTest, FaultsHitTheUndoMarksHeightAndRotation) {
    for (const char16_t* member : {u"StartUndoMark", u"EndUndoMark", u"Height", u"Rotation"})
        drawing.failCall(member, 1, u"エラー");
    EXPECT_TRUE(contains(errorOf([&] { doc.call(u"StartUndoMark"); }), u"document.StartUndoMark: エラー"));
    EXPECT_FALSE(drawing.undoMarkOpen());
    doc.call(u"StartUndoMark");
    EXPECT_TRUE(contains(errorOf([&] { doc.call(u"EndUndoMark"); }), u"エラー"));
    EXPECT_TRUE(drawing.undoMarkOpen());
    doc.call(u"EndUndoMark");
    auto t = object(text);
    EXPECT_TRUE(contains(errorOf([&] { t.put(u"Height", Variant(3.0)); }), u"text.Height: エラー"));
    EXPECT_TRUE(contains(errorOf([&] { t.get(u"Rotation"); }), u"text.Rotation: エラー"));
    EXPECT_EQ(drawing.entity(text)->height, kMemTextHeight);
    EXPECT_EQ(drawing.undoGroupCount(), 1u);  // the marked group, empty
    EXPECT_EQ(drawing.undoMarkMisuse(), 0);
    EXPECT_TRUE(contains(errorOf([&] { doc.call(u"StartUndoMark", {Variant(1)}); }), u"expects 0 argument(s)"));
}

TEST_F(MemDrawingTest, InjectedFailureHitsExactlyTheKthCall) {
    drawing.pickAll();
    auto set = newSet();
    set.call(u"SelectOnScreen", {kFilterType, kFilterData});
    drawing.failCall(u"Item", 2, u"エラー");
    EXPECT_NO_THROW(set.call(u"Item", {Variant(0)}));
    EXPECT_EQ(errorOf([&] { set.call(u"Item", {Variant(1)}); }), u"selection set.Item: エラー");
    EXPECT_NO_THROW(set.call(u"Item", {Variant(1)}));

    drawing.rejectCall(u"textstring", 1);  // any case
    EXPECT_EQ(errorOf([&] { object(text).put(u"TextString", Variant(u"x")); }),
              u"text.TextString: " + MemDrawing::rejectedMessage());
    EXPECT_EQ(drawing.entity(text)->text, u"表1");
}

TEST_F(MemDrawingTest, CallsAreCountedPerMemberAndKind) {
    drawing.pickAll();
    auto set = newSet();
    set.call(u"SelectOnScreen", {kFilterType, kFilterData});
    set.get(u"Count");
    doc.get(u"SelectionSets").toDispatch().get(u"count");  // names are case-insensitive
    object(text).call(u"Delete");
    EXPECT_EQ(drawing.callCount(u"Count"), 2);
    EXPECT_EQ(drawing.callCount(u"selection set", u"Count"), 1);
    EXPECT_EQ(drawing.callCount(u"text", u"Delete"), 1);
    EXPECT_EQ(drawing.callCount(u"ObjectIdToObject"), 1);
    EXPECT_EQ(drawing.callCount(u"Regen"), 0);
    auto args = drawing.lastArgs(u"SelectOnScreen");
    ASSERT_EQ(args.size(), 2u);
    EXPECT_TRUE(args[0].isByRef());
    EXPECT_EQ(args[1], kFilterData);
    EXPECT_TRUE(drawing.lastArgs(u"ObjectIdToObject")[0].isByRef());
}

TEST_F(MemDrawingTest, UnknownMembersFailNamingTheMember) {
    EXPECT_EQ(errorOf([&] { app.get(u"Visible"); }), u"application.Visible: no such property");
    EXPECT_EQ(errorOf([&] { doc.call(u"FullName"); }), u"document.FullName: no such method");
    EXPECT_EQ(errorOf([&] { doc.put(u"FullName", Variant(u"x")); }), u"document.FullName: the property is read-only");
    EXPECT_TRUE(contains(errorOf([&] { doc.call(u"ObjectIdToObject", {Variant(u"1")}); }), u"invalid argument"));
}

TEST(MemConnector, RegisteredRunningAndAttach) {
    MemDrawing drawing;
    MemConnector connector;
    EXPECT_TRUE(contains(errorOf([&] { connector.isTargetRunning(u"Nope.Application"); }), u"Nope.Application"));
    EXPECT_THROW(connector.attach(u"Nope.Application"), Error);
    EXPECT_EQ(connector.targetState(u"Nope.Application"), TargetState::NotRegistered);

    connector.registerProgId(u"BricscadApp.AcadApplication");
    EXPECT_FALSE(connector.isTargetRunning(u"BricscadApp.AcadApplication"));
    EXPECT_EQ(connector.targetState(u"BricscadApp.AcadApplication"), TargetState::NotRunning);
    EXPECT_TRUE(contains(errorOf([&] { connector.attach(u"BricscadApp.AcadApplication"); }), u"起動していません"));

    connector.registerProgId(u"BricscadApp.AcadApplication", drawing.application());
    EXPECT_TRUE(connector.isTargetRunning(u"BricscadApp.AcadApplication"));
    EXPECT_EQ(connector.targetState(u"BricscadApp.AcadApplication"), TargetState::Running);
    auto app = connector.attach(u"BricscadApp.AcadApplication");
    EXPECT_EQ(app.kind(), u"application");
    EXPECT_EQ(connector.attachCount(), 1);
}

// Multiline texts as the CAD object model serves them.
namespace {

class MTextTest : public ::testing::Test {
protected:
    Dispatch object(std::int64_t id) {
        return drawing.application()
            .get(u"ActiveDocument")
            .toDispatch()
            .call(u"ObjectIdToObject", {Variant::int64(id)})
            .toDispatch();
    }

    MemDrawing drawing;
};

const char16_t* const kContents = u"{\\H2;\\C1;品名}\\P\\S1^2; mm; \\{x\\}\\~\\U+0161";

}  // namespace

TEST_F(MTextTest, MembersReadAndWrite) {
    const auto id = drawing.addMText(kContents, {10, 20, 0}, 5, 30, 2, 0.5, 1.5);
    auto m = object(id);
    EXPECT_EQ(m.get(u"ObjectName").toString(), u"AcDbMText");
    EXPECT_EQ(m.get(u"EntityName").toString(), u"AcDbMText");
    EXPECT_EQ(m.get(u"TextString").toString(), kContents);  // raw, codes and all
    EXPECT_EQ(m.get(u"InsertionPoint").toDoubles(), (std::vector<double>{10, 20, 0}));
    EXPECT_EQ(m.get(u"AttachmentPoint"), Variant(5));
    EXPECT_EQ(m.get(u"Width"), Variant(30.0));
    EXPECT_EQ(m.get(u"Height"), Variant(2.0));
    EXPECT_EQ(m.get(u"Rotation"), Variant(0.5));
    EXPECT_EQ(m.get(u"LineSpacingFactor"), Variant(1.5));

    m.put(u"TextString", Variant(u"\\pxqc;{\\fArial|b1;新}\\P"));
    m.put(u"InsertionPoint", Variant::byRef(std::vector<double>{-1, -2, 3}));
    m.put(u"Width", Variant(0));
    m.put(u"Height", Variant(4.5));
    m.put(u"Rotation", Variant(-1.0));
    m.put(u"LineSpacingFactor", Variant(0.25));
    m.put(u"AttachmentPoint", Variant(std::int16_t{5}));  // the same: the point stays
    const auto e = *drawing.entity(id);
    EXPECT_EQ(e.text, u"\\pxqc;{\\fArial|b1;新}\\P");
    EXPECT_EQ(e.insertionPoint, (Point3{-1, -2, 3}));
    EXPECT_EQ(e.width, 0);
    EXPECT_EQ(e.height, 4.5);
    EXPECT_EQ(e.rotation, -1.0);
    EXPECT_EQ(e.lineSpacing, 0.25);
    EXPECT_EQ(e.attachment, 5);
    EXPECT_EQ(drawing.undoGroupCount(), 7u);  // each put a step of its own
}

// What the application refuses fails as an automation error and changes
// nothing: no value, no undo step.
struct RefusedPut {
    const char16_t* member;
    Variant value;
    const char16_t* error;
};

class MTextRefusals : public ::testing::TestWithParam<RefusedPut> {};

TEST_P(MTextRefusals, FailAndChangeNothing) {
    const auto& c = GetParam();
    MemDrawing drawing;
    const auto id = drawing.addMText(u"ab", {1, 2, 0}, 4, 10);
    auto m = drawing.application()
                 .get(u"ActiveDocument")
                 .toDispatch()
                 .call(u"ObjectIdToObject", {Variant::int64(id)})
                 .toDispatch();
    const auto before = *drawing.entity(id);
    const auto error = errorOf([&] { m.put(c.member, c.value); });
    EXPECT_TRUE(contains(error, u"multiline text." + std::u16string(c.member) + u": " + c.error)) << qx::toUtf8(error);
    EXPECT_EQ(*drawing.entity(id), before);
    EXPECT_EQ(drawing.undoGroupCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Values, MTextRefusals,
    ::testing::Values(RefusedPut{u"Width", Variant(-0.5), u"invalid input"},
                      RefusedPut{u"Width", Variant(std::numeric_limits<double>::infinity()), u"invalid input"},
                      RefusedPut{u"Width", Variant(std::numeric_limits<double>::quiet_NaN()), u"invalid input"},
                      RefusedPut{u"AttachmentPoint", Variant(0), u"invalid input"},
                      RefusedPut{u"AttachmentPoint", Variant(10), u"invalid input"},
                      RefusedPut{u"AttachmentPoint", Variant::int64(std::int64_t{1} << 32 | 1), u"invalid input"},
                      RefusedPut{u"AttachmentPoint", Variant(u"TopLeft"), u"invalid argument"},
                      RefusedPut{u"Height", Variant(0.0), u"invalid input"},
                      RefusedPut{u"Height", Variant(-2.5), u"invalid input"},
                      RefusedPut{u"LineSpacingFactor", Variant(0.24), u"invalid input"},
                      RefusedPut{u"LineSpacingFactor", Variant(4.01), u"invalid input"},
                      RefusedPut{u"LineSpacingFactor", Variant(std::numeric_limits<double>::quiet_NaN()),
                                 u"invalid input"},
                      RefusedPut{u"Rotation", Variant(std::numeric_limits<double>::infinity()), u"invalid input"},
                      RefusedPut{u"TextString", Variant(7), u"invalid argument"},
                      RefusedPut{u"InsertionPoint", Variant(std::vector<double>{1, 2}), u"a point needs 3"},
                      RefusedPut{u"ObjectName", Variant(u"AcDbText"), u"the property is read-only"}));

// A multiline text has no alignment of a single-line text, and a text none
// of a multiline text's frame: such members do not exist on them.
TEST_F(MTextTest, MembersOfTheOtherKindDoNotExist) {
    auto m = object(drawing.addMText(u"a", {}));
    auto t = object(drawing.addText(u"a", {}, {}));
    for (const char16_t* member : {u"Alignment", u"TextAlignmentPoint"}) {
        EXPECT_THROW(m.get(member), MemberNotFound) << qx::toUtf8(member);
        EXPECT_THROW(m.put(member, Variant(std::vector<double>{0, 0, 0})), MemberNotFound) << qx::toUtf8(member);
    }
    for (const char16_t* member : {u"AttachmentPoint", u"Width", u"LineSpacingFactor"}) {
        EXPECT_THROW(t.get(member), MemberNotFound) << qx::toUtf8(member);
        EXPECT_THROW(t.put(member, Variant(1)), MemberNotFound) << qx::toUtf8(member);
    }
    EXPECT_EQ(errorOf([&] { m.get(u"Alignment"); }), u"multiline text.Alignment: no such property");
}

// "AB\PABCD" 3 high: no width given, so as wide as "ABCD" (6), two lines of
// 3 x 5/3 (10 high). Placed at (100, 50) by each attachment point, and moved
// there from a top-left text by an AttachmentPoint put, which keeps the frame.
struct FrameCase {
    std::int32_t attachment;
    double left, bottom;  // of the frame when (100, 50) is that point
    double x, y;          // the point after the put, from top left at (100, 50)
    friend void PrintTo(const FrameCase& c, std::ostream* os) { *os << "attachment point " << c.attachment; }
};

class MTextFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(MTextFrames, AttachmentPointPlacesAndMovesTheInsertionPoint) {
    const auto& c = GetParam();
    MemDrawing drawing;
    auto doc = drawing.application().get(u"ActiveDocument").toDispatch();
    auto obj = [&](std::int64_t id) { return doc.call(u"ObjectIdToObject", {Variant::int64(id)}).toDispatch(); };
    auto placed = obj(drawing.addMText(u"AB\\PABCD", {100, 50, 0}, c.attachment, 0, 3));
    auto [min, max] = boundingBox(placed);
    expectNear(min, {c.left, c.bottom, 0}, "placed, min");
    expectNear(max, {c.left + 6, c.bottom + 10, 0}, "placed, max");

    const auto id = drawing.addMText(u"AB\\PABCD", {100, 50, 0}, 1, 0, 3);
    auto m = obj(id);
    m.put(u"AttachmentPoint", Variant(c.attachment));
    EXPECT_EQ(m.get(u"AttachmentPoint"), Variant(c.attachment));
    expectNear(m.get(u"InsertionPoint").toDoubles(), {c.x, c.y, 0}, "insertion point");
    std::tie(min, max) = boundingBox(m);
    expectNear(min, {100, 40, 0}, "kept, min");
    expectNear(max, {106, 50, 0}, "kept, max");
}

INSTANTIATE_TEST_SUITE_P(OneToNine, MTextFrames,
                         ::testing::Values(FrameCase{1, 100, 40, 100, 50}, FrameCase{2, 97, 40, 103, 50},
                                           FrameCase{3, 94, 40, 106, 50}, FrameCase{4, 100, 45, 100, 45},
                                           FrameCase{5, 97, 45, 103, 45}, FrameCase{6, 94, 45, 106, 45},
                                           FrameCase{7, 100, 50, 100, 40}, FrameCase{8, 97, 50, 103, 40},
                                           FrameCase{9, 94, 50, 106, 40}));

// The frame follows Width, the line count (\P and ^J), the line spacing and
// the rotation about the insertion point; codes take no room.
struct MTextBoxCase {
    const char* what;
    const char16_t* contents;
    std::int32_t attachment;
    double width, height, degrees, spacing;
    std::vector<double> min, max;
};

class MTextBoxes : public ::testing::TestWithParam<MTextBoxCase> {};

TEST_P(MTextBoxes, TheFrame) {
    const auto& c = GetParam();
    MemDrawing drawing;
    const auto id = drawing.addMText(c.contents, {0, 0, 2}, c.attachment, c.width, c.height,
                                     c.degrees * std::numbers::pi / 180, c.spacing);
    auto doc = drawing.application().get(u"ActiveDocument").toDispatch();
    auto [min, max] = boundingBox(doc.call(u"ObjectIdToObject", {Variant::int64(id)}).toDispatch());
    expectNear(min, c.min, c.what);
    expectNear(max, c.max, c.what);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, MTextBoxes,
    ::testing::Values(
        MTextBoxCase{"codes take no room", u"{\\H5;\\fArial|b1;AB}\\~CD", 1, 0, 3, 0, 1, {0, -5, 2}, {7.5, 0, 2}},
        MTextBoxCase{"the width when given", u"AB", 1, 20, 3, 0, 1, {0, -5, 2}, {20, 0, 2}},
        MTextBoxCase{"full-width characters", u"品名\\P表", 7, 0, 3, 0, 1, {0, 0, 2}, {6, 10, 2}},
        MTextBoxCase{"^J breaks a line too", u"A^JB^JC", 1, 4, 3, 0, 1, {0, -15, 2}, {4, 0, 2}},
        MTextBoxCase{"double line spacing", u"A\\PB", 5, 4, 3, 0, 2, {-2, -10, 2}, {2, 10, 2}},
        MTextBoxCase{"empty: one line, no width", u"", 1, 0, 3, 0, 1, {0, -5, 2}, {0, 0, 2}},
        MTextBoxCase{"turned a quarter about the insertion point", u"AB", 1, 4, 3, 90, 1, {0, 0, 2}, {5, 4, 2}},
        MTextBoxCase{"bottom right, upside down", u"AB", 9, 4, 3, 180, 1, {0, -5, 2}, {4, 0, 2}}));

// A turned frame keeps its place when the attachment point changes, and
// changing it back gives the first point again.
TEST_F(MTextTest, AttachmentPointOfATurnedFrame) {
    const auto id = drawing.addMText(u"ABC\\PD", {7, -3, 1}, 1, 0, 2, 0.6);
    auto m = object(id);
    const auto box = boundingBox(m);
    for (int attachment = 1; attachment <= 9; ++attachment) {
        m.put(u"AttachmentPoint", Variant(attachment));
        auto now = boundingBox(m);
        expectNear(now.first, box.first, "min");
        expectNear(now.second, box.second, "max");
    }
    m.put(u"AttachmentPoint", Variant(1));
    expectNear(m.get(u"InsertionPoint").toDoubles(), {7, -3, 1}, "back at top left");
}

TEST_F(MTextTest, CopyMoveUpdateAndDelete) {
    const auto id = drawing.addMText(kContents, {1, 2, 0}, 6, 12.5, 3.5, 0.25, 2);
    auto m = object(id);
    auto copy = m.call(u"Copy").toDispatch();
    const auto copyId = copy.get(u"ObjectID").toInt64();
    EXPECT_NE(copyId, id);
    auto copied = *drawing.entity(copyId);
    copied.id = id;
    EXPECT_EQ(copied, *drawing.entity(id));  // contents, attachment, width, height, rotation, spacing

    copy.call(u"Move", {Variant(std::vector<double>{1, 1, 0}), Variant(std::vector<double>{4, -3, 1})});
    EXPECT_EQ(drawing.entity(copyId)->insertionPoint, (Point3{4, -2, 1}));
    EXPECT_EQ(drawing.entity(id)->insertionPoint, (Point3{1, 2, 0}));
    copy.call(u"Update");
    EXPECT_EQ(drawing.entity(copyId)->updates, 1);
    copy.call(u"Delete");
    EXPECT_TRUE(drawing.entity(copyId)->erased);
    EXPECT_THROW(copy.get(u"TextString"), Error);
    EXPECT_EQ(drawing.liveIds(), std::vector<std::int64_t>{id});
}

// One U takes back every change of a multiline text between the marks; its
// copy goes again.
TEST_F(MTextTest, OneUTakesBackTheMarkedChanges) {
    const auto id = drawing.addMText(kContents, {1, 2, 0}, 2, 10, 2.5, 0.1, 1.25);
    const auto before = *drawing.entity(id);
    auto doc = drawing.application().get(u"ActiveDocument").toDispatch();
    auto m = object(id);
    doc.call(u"StartUndoMark");
    m.put(u"TextString", Variant(u"別\\P行"));
    m.put(u"AttachmentPoint", Variant(9));
    m.put(u"Width", Variant(0.0));
    m.put(u"Height", Variant(7.0));
    m.put(u"Rotation", Variant(2.0));
    m.put(u"LineSpacingFactor", Variant(3.0));
    m.put(u"InsertionPoint", Variant(std::vector<double>{5, 5, 5}));
    m.call(u"Move", {Variant(std::vector<double>{0, 0, 0}), Variant(std::vector<double>{1, 0, 0})});
    const auto copyId = m.call(u"Copy").toDispatch().get(u"ObjectID").toInt64();
    doc.call(u"EndUndoMark");
    EXPECT_NE(*drawing.entity(id), before);
    EXPECT_EQ(drawing.undoGroupCount(), 1u);

    EXPECT_TRUE(drawing.undo());
    EXPECT_EQ(*drawing.entity(id), before);
    EXPECT_TRUE(drawing.entity(copyId)->erased);
    EXPECT_EQ(drawing.undoMarkMisuse(), 0);
}

// The Get's filter leaves multiline texts out; one that names MTEXT takes them.
TEST_F(MemDrawingTest, FilterWithMTextAdmitsMultilineTexts) {
    drawing.pickAll();
    auto set = newSet();
    set.call(u"SelectOnScreen", {kFilterType, Variant::byRef(std::vector<Variant>{Variant(u"TEXT,MTEXT,*LINE")})});
    EXPECT_EQ(pickedNames(set), (std::vector<std::u16string>{u"AcDbLine", u"AcDbPolyline", u"AcDbText",
                                                             u"AcDb2dPolyline", u"AcDbSpline", u"AcDbMText"}));
    set.call(u"Clear");
    set.call(u"SelectOnScreen", {kFilterType, kFilterData});
    EXPECT_EQ(drawing.selectionSetIds(u"ssTemp"), (std::vector<std::int64_t>{line, poly, text, poly2d, spline}));
}
