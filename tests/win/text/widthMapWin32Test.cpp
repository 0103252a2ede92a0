// The width conversions through the system's own LCMapStringW.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "core/text.h"
#include "platform/platformWin32.h"
#include "platform/widthMapPortable.h"
#include "text/zenHanUtil.h"

using namespace qx;

TEST(Win32WidthMap, ZenToHanAndHanToZenThroughTheSystem) {
    Win32WidthMap map;
    std::u16string s = u"ＡＢ　ａｂ１２ガパ！";
    zenToHan(s, map);
    EXPECT_EQ(s, u"AB ab12ｶﾞﾊﾟ!");  // voiced letters split into two units: longer than the input
    hanToZen(s, map);
    EXPECT_EQ(s, u"ＡＢ　ａｂ１２ガパ！");  // and combined again: shorter
    std::u16string empty;
    zenToHan(empty, map);
    EXPECT_EQ(empty, u"");
    std::u16string kanji = u"部品表";
    hanToZen(kanji, map);
    EXPECT_EQ(kanji, u"部品表");
}

TEST(Win32WidthMap, AgreesWithThePortableMapOnTheCommonSet) {
    Win32WidthMap system;
    PortableWidthMap portable;
    for (const std::u16string s : {u"ABC xyz 0129", u"ｱｲｳｶﾞﾊﾟｰ", u"「ｺｰﾄﾞ」", u"アイウガパー　「コード」"}) {
        EXPECT_EQ(system.toHalfWidth(s), portable.toHalfWidth(s)) << toUtf8(s);
        EXPECT_EQ(system.toFullWidth(s), portable.toFullWidth(s)) << toUtf8(s);
    }
}

namespace {

// What the system makes of a text, straight from LCMapStringW.
std::u16string systemMap(std::u16string_view s, DWORD how) {
    const auto* in = reinterpret_cast<const wchar_t*>(s.data());
    const int n = LCMapStringW(LOCALE_USER_DEFAULT, how, in, static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    LCMapStringW(LOCALE_USER_DEFAULT, how, in, static_cast<int>(s.size()), out.data(), n);
    return std::u16string(out.begin(), out.end());
}

}  // namespace

// Every pair of the width tables against the system's own width mapping, an
// independent source: a wrong or shifted pair fails here. The symbol table
// keeps its own pairs where Japanese text writes other characters than the
// system maps to: ” ’ ‘ for " ' ` and ￥ for the reverse solidus.
TEST(WidthTables, EveryPairIsTheSystemsWidthMapping) {
    const std::u16string_view ownPairs[] = {u"\u201D", u"\u2019", u"\u2018", u"\uFFE5"};
    auto check = [&](const char* table, const auto& zen, const auto& han) {
        ASSERT_EQ(zen.size(), han.size()) << table;
        for (std::size_t i = 0; i < zen.size(); ++i) {
            if (std::find(std::begin(ownPairs), std::end(ownPairs), zen[i]) != std::end(ownPairs))
                continue;
            EXPECT_EQ(toUtf8(systemMap(zen[i], LCMAP_HALFWIDTH)), toUtf8(std::u16string(han[i]))) << table << " " << i;
            EXPECT_EQ(toUtf8(systemMap(han[i], LCMAP_FULLWIDTH)), toUtf8(std::u16string(zen[i]))) << table << " " << i;
        }
    };
    check("digits", zenNumTable, hanNumTable);
    check("letters", zenAlphaTable, hanAlphaTable);
    check("symbols", zenKigouTable, hanKigouTable);
    check("katakana", zenKanaTable, hanKanaTable);
}
