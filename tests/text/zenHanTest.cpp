#include <gtest/gtest.h>

#include "core/text.h"
#include "platform/widthMapPortable.h"
#include "table/tableGrid.h"
#include "testing/platformFakes.h"
#include "text/zenHanUtil.h"

using namespace qx;

namespace {

struct RoutineCase {
    const char* name;
    void (*routine)(std::u16string&, MessagePump*);
    std::u16string in;
    std::u16string out;
};

class TableRoutine : public ::testing::TestWithParam<RoutineCase> {};

TEST_P(TableRoutine, ConvertsOnlyItsOwnClass) {
    std::u16string text = GetParam().in;
    GetParam().routine(text, nullptr);
    EXPECT_EQ(toUtf8(text), toUtf8(GetParam().out));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableRoutine,
    ::testing::Values(
        RoutineCase{"voicedPairsBeforeBase", hanKanaToZen, u"ｶﾞｷﾞｸﾞﾊﾟｳﾞｶ", u"ガギグパヴカ"},
        RoutineCase{"loneSoundMarksStay", hanKanaToZen, u"\uFF9E\uFF9Fｱ\uFF61\uFF64\uFF65",
                    u"\uFF9E\uFF9Fア\uFF61\uFF64\uFF65"},
        RoutineCase{"cornerBrackets", hanKanaToZen, u"｢ｱｲｳ｣", u"「アイウ」"},
        RoutineCase{"voicedSplits", zenKanaToHan, u"ガパヴー「ン」", u"ｶﾞﾊﾟｳﾞｰ｢ﾝ｣"},
        RoutineCase{"kanaLeavesHiragana", zenKanaToHan, u"がカ", u"がｶ"},
        RoutineCase{"digits", hanNumToZen, u"a09 ", u"a０９ "},
        RoutineCase{"digitsBack", zenNumToHan, u"０９Ａ", u"09Ａ"},
        RoutineCase{"alphaKeepsSpace", hanAlphaToZen, u"AB ab1", u"ＡＢ ａｂ1"},
        RoutineCase{"alphaBack", zenAlphaToHan, u"ＡＺａｚ０", u"AZaz０"},
        RoutineCase{"symbolsOwnPairs", hanKigouToZen, u" \\\"'`~a1", u"\u3000\uFFE5\u201D\u2019\u2018\uFF5Ea1"},
        RoutineCase{"symbolsBackSkipCompatForms", zenKigouToHan, u"\uFF02\uFF3C\uFF07\uFF40\u201D\u3000！Ａ１ア",
                    u"\uFF02\uFF3C\uFF07\uFF40\" !Ａ１ア"},
        RoutineCase{"emptyStaysEmpty", zenKigouToHan, u"", u""}),
    [](const auto& info) { return std::string(info.param.name); });

// The window stays responsive through a long conversion: messages are
// handled between table positions, with the text part converted.
TEST(TableRoutines, PumpsBetweenTablePositions) {
    fake::FakePump pump;
    std::u16string t = u"0123456789";
    std::vector<std::u16string> seen;
    pump.onPump = [&] { seen.push_back(t); };
    hanNumToZen(t, &pump);
    EXPECT_EQ(t, u"０１２３４５６７８９");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), u"０123456789");
    EXPECT_EQ(seen.back(), t);
    std::u16string untouched = u"0";
    hanNumToZen(untouched, nullptr);  // without a pump
    EXPECT_EQ(untouched, u"０");
}

TEST(ReplaceAll, NonOverlappingAndNeverRescansInsertedText) {
    std::u16string t = u"aaa";
    replaceAllOf(t, u"aa", u"b");
    EXPECT_EQ(t, u"ba");
    t = u"a";
    replaceAllOf(t, u"a", u"aa");
    EXPECT_EQ(t, u"aa");
    t = u"abc";
    replaceAllOf(t, u"", u"x");
    EXPECT_EQ(t, u"abc");
}

struct MapCase {
    std::u16string full;
    std::u16string half;
};

class PortableMap : public ::testing::TestWithParam<MapCase> {};

TEST_P(PortableMap, BothDirections) {
    PortableWidthMap map;
    EXPECT_EQ(toUtf8(map.toHalfWidth(GetParam().full)), toUtf8(GetParam().half));
    EXPECT_EQ(toUtf8(map.toFullWidth(GetParam().half)), toUtf8(GetParam().full));
}

INSTANTIATE_TEST_SUITE_P(Cases, PortableMap,
                         ::testing::Values(MapCase{u"ＡＢ　ａｂ１２！＂＇＼～", u"AB ab12!\"'\\~"},
                                           MapCase{u"ガギグゲゴザヂヅデドバパビピブプベペボポヴ",
                                                   u"ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾊﾟﾋﾞﾋﾟﾌﾞﾌﾟﾍﾞﾍﾟﾎﾞﾎﾟｳﾞ"},
                                           MapCase{u"ツテトッヲァーン", u"ﾂﾃﾄｯｦｧｰﾝ"},
                                           MapCase{u"。「」、・゛゜", u"｡｢｣､･ﾞﾟ"}, MapCase{u"", u""},
                                           MapCase{u"漢字ひらがな", u"漢字ひらがな"}));

TEST(PortableMapOnly, SoundMarkAfterLetterWithoutVoicedFormStaysApart) {
    PortableWidthMap map;
    EXPECT_EQ(map.toFullWidth(u"ｱﾞｶﾟ"), u"ア゛カ゜");
}

TEST(WidthMenu, ItemsNameTheirRoutines) {
    EXPECT_EQ(widthRoutineForItem(u"N8"), WidthRoutine::ZenToHan);
    EXPECT_EQ(widthRoutineForItem(u"N14"), WidthRoutine::HanKigouToZen);
    EXPECT_EQ(widthRoutineForItem(u"N19"), WidthRoutine::ZenKigouToHan);
    EXPECT_EQ(widthRoutineForItem(u"N10"), std::nullopt);
}

template <class Grid>
void fill(Grid& g) {
    for (int r = 0; r < g.RowCount(); ++r) {
        for (int c = 0; c < g.ColCount(); ++c) {
            g.setCells(c, r, u"ｶﾞ1" + decimalText(c * 10 + r));
        }
    }
}

TEST(WidthConversion, ChangesSelectedDataCellsOnlyAndSnapshotsFirst) {
    StringGrid working(4, 4);
    CellTexts snapshot(2, 2);
    fill(working);
    PortableWidthMap map;
    // A rectangle reaching into the headers and past the grid touches only data cells.
    applyWidthConversion(WidthRoutine::HanKanaToZen, working, snapshot, GridRect{0, 0, 2, 9}, map, nullptr);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const bool inside = c >= 1 && c <= 2 && r >= 1;
            const std::u16string tail = decimalText(c * 10 + r);
            EXPECT_EQ(working.Cells(c, r), (inside ? u"ガ1" : u"ｶﾞ1") + tail) << c << "," << r;
            EXPECT_EQ(snapshot.Cells(c, r), u"ｶﾞ1" + tail);
        }
    }
}

TEST(WidthConversion, SingleCellAndPlatformRoutine) {
    StringGrid working(3, 3);
    CellTexts snapshot;
    fill(working);
    PortableWidthMap map;
    applyWidthConversion(WidthRoutine::HanToZen, working, snapshot, GridRect{2, 2, 2, 2}, map, nullptr);
    EXPECT_EQ(working.Cells(2, 2), u"ガ１２２");
    EXPECT_EQ(working.Cells(1, 2), u"ｶﾞ112");
}

TEST(WidthConversion, AResizeFromThePumpDoesNotBreakTheLoop) {
    StringGrid working(3, 3);
    CellTexts snapshot;
    fill(working);
    PortableWidthMap map;
    fake::FakePump pump;
    pump.onPump = [&] { working.setRowCount(2); };
    applyWidthConversion(WidthRoutine::HanKanaToZen, working, snapshot, GridRect{1, 1, 2, 2}, map, &pump);
    EXPECT_GT(pump.calls, 0);
    EXPECT_EQ(working.RowCount(), 2);
    EXPECT_EQ(working.Cells(1, 1), u"ガ111");
}

}  // namespace
