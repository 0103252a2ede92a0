// Contents as the drawing holds them -> the value the grid shows -> the
// value the user leaves -> the contents the Update writes.
#include <gtest/gtest.h>

#include "cad/textContents.h"
#include "core/text.h"

using namespace qx;
using namespace qx::cad;

namespace {
struct ContentsCase {
    const char* name;
    bool mtext;
    std::u16string contents, shown, edited, written;
    bool lostInline;
};
void PrintTo(const ContentsCase& k, std::ostream* os) {
    *os << k.name;
}
class Contents : public testing::TestWithParam<ContentsCase> {};
}  // namespace

TEST_P(Contents, ReadAndWrittenBack) {
    const ContentsCase& k = GetParam();
    EXPECT_EQ(toUtf8(k.mtext ? mtextPlain(k.contents) : textPlain(k.contents)), toUtf8(k.shown));
    const Rewrite w = k.mtext ? mtextRewrite(k.contents, k.edited) : textRewrite(k.contents, k.edited);
    EXPECT_EQ(toUtf8(w.contents), toUtf8(k.written));
    EXPECT_EQ(w.lostInline, k.lostInline);
    // What is written reads back as the edited value.
    EXPECT_EQ(toUtf8(k.mtext ? mtextPlain(w.contents) : textPlain(w.contents)), toUtf8(k.edited));
}

INSTANTIATE_TEST_SUITE_P(
    MText, Contents,
    testing::Values(
        ContentsCase{"FontAndHeightGroupAroundTheWholeText", true, u"{\\fArial|b1|i0|c128|p34;\\H2.5;Bolt}", u"Bolt",
                     u"Nut", u"{\\fArial|b1|i0|c128|p34;\\H2.5;Nut}", false},
        ContentsCase{"LeadingCodesAndParagraphs", true, u"\\A1;\\pxqc;M8\\PS45C", u"M8\nS45C", u"M10\nS45C\nZn",
                     u"\\A1;\\pxqc;M10\\PS45C\\PZn", false},
        ContentsCase{"InlineColourCannotFollowAnEdit", true, u"Normal {\\C1;red} text", u"Normal red text", u"x", u"x",
                     true},
        ContentsCase{"EscapesBothWays", true, u"a\\\\b\\{c\\}\\~d", u"a\\b{c} d", u"a\\b{c}!", u"a\\\\b\\{c\\}!",
                     false},
        ContentsCase{"UnicodeEscapesCaseBlind", true, u"\\U+00FCber \\u+00e4", u"\u00fcber \u00e4", u"\u00fcberall",
                     u"\u00fcberall", false},
        ContentsCase{"StacksReadAsFractions", true, u"\\S1/2;\" \\S3#4; \\S+0.1^-0.2;", u"1/2\" 3/4 +0.1/-0.2",
                     u"1/2\"", u"1/2\"", true},
        ContentsCase{"NestedGroupsKeepTheOuterWrapper", true, u"{\\H2;{\\C1;A}B}", u"AB", u"C", u"{\\H2;C}", true},
        ContentsCase{"SwitchesAroundTheWholeText", true, u"\\LTitle\\l", u"Title", u"Title2", u"\\LTitle2\\l", false},
        ContentsCase{"CaretCodes", true, u"one^Jtwo^ x", u"one\ntwo^x", u"a^Jb", u"a^ Jb", false},
        ContentsCase{"UnclosedGroupReadsToTheEnd", true, u"{\\H2;unclosed", u"unclosed", u"x", u"{\\H2;x", false},
        ContentsCase{"UnclosedCodeEndsTheText", true, u"ab\\H2", u"ab", u"x", u"x\\H2", false},
        ContentsCase{"LoneBackslashIsACharacter", true, u"a\\", u"a\\", u"b\\", u"b\\\\", false},
        ContentsCase{"BadUnicodeDigitsStayAsTyped", true, u"\\U+12G4x", u"\\U+12G4x", u"y", u"y", false},
        ContentsCase{"StrayClosingBraces", true, u"a}}", u"a", u"b", u"b}}", false},
        ContentsCase{"EmptyContents", true, u"", u"", u"new", u"new", false}));

INSTANTIATE_TEST_SUITE_P(
    Text, Contents,
    testing::Values(
        ContentsCase{"SymbolsAsTheirCharacters", false, u"%%c50%%p0.1 30%%d", u"\u00d850\u00b10.1 30\u00b0",
                     u"\u00d860\u00b10.1 30\u00b0", u"%%c60%%p0.1 30%%d", false},
        ContentsCase{"UnderlineAroundTheWholeText", false, u"%%uTitle%%u", u"Title", u"Title2", u"%%uTitle2%%u", false},
        ContentsCase{"UnderlineInsideIsLost", false, u"a%%ub%%uc", u"abc", u"abd", u"abd", true},
        ContentsCase{"PercentAndNumberedCharacters", false, u"100%%% %%065", u"100% A", u"5%", u"5%%%", false},
        ContentsCase{"TypedPercentPairsStayPlain", false, u"x", u"x", u"a%%d", u"a%%%%%%d", false}));

// The last case reads back without its break: a single-line text has none.
TEST(Contents, SingleLineTextsTakeNoBreak) {
    EXPECT_EQ(textRewrite(u"%%uA%%u", u"B\r\nC").contents, u"%%uBC%%u");
}
