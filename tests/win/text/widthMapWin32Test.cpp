// The width conversions through the system's own LCMapStringW.
#include <gtest/gtest.h>

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
