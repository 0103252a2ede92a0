#include <gtest/gtest.h>

#include "core/text.h"
#include "target/targetList.h"
#include "testing/platformFakes.h"

using namespace qx;
using namespace std::string_literals;

namespace {

using Lines = std::vector<std::u16string>;

struct EncodedCase {
    const char* name;
    std::string bytes;
    TextEncoding encoding;
    Lines lines;
};

// 名 is U+540D; 𠀋 (U+2000B) needs a surrogate pair in UTF-16.
const Lines kUnicodeLines = {u"B\tx", u"名\t𠀋"};

class EncodedFiles : public ::testing::TestWithParam<EncodedCase> {};

TEST_P(EncodedFiles, DecodeAndEncodeBackByteIdentical) {
    fake::FakeLocale locale;
    const auto& c = GetParam();
    const TargetListText read = decodeTargetList(c.bytes, locale);
    EXPECT_EQ(read.encoding, c.encoding);
    EXPECT_EQ(read.lines, c.lines);
    EXPECT_EQ(encodeTargetList(read.lines, read.encoding, locale), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    All, EncodedFiles,
    ::testing::Values(EncodedCase{"Utf8",
                                  "\xEF\xBB\xBF"
                                  "B\tx\r\n\xE5\x90\x8D\t\xF0\xA0\x80\x8B\r\n",
                                  TextEncoding::Utf8, kUnicodeLines},
                      EncodedCase{"Utf16LE",
                                  "\xFF\xFE"
                                  "B\0\t\0x\0\r\0\n\0"
                                  "\x0D\x54\t\0\x40\xD8\x0B\xDC\r\0\n\0"s,
                                  TextEncoding::Utf16LE, kUnicodeLines},
                      EncodedCase{"Utf16BE",
                                  "\xFE\xFF"
                                  "\0B\0\t\0x\0\r\0\n"
                                  "\x54\x0D\0\t\xD8\x40\xDC\x0B\0\r\0\n"s,
                                  TextEncoding::Utf16BE, kUnicodeLines},
                      // The fake code page is Latin-1.
                      EncodedCase{"Ansi", "B\tx\r\n\xE9t\xE9\tY\r\n", TextEncoding::Ansi, {u"B\tx", u"été\tY"}},
                      EncodedCase{"MarkOnly", "\xFE\xFF", TextEncoding::Utf16BE, {}},
                      EncodedCase{"Empty", "", TextEncoding::Ansi, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TargetListLines, EveryLineBreakEndsALineAndAFinalOneAddsNone) {
    const std::pair<std::u16string, Lines> cases[] = {
        {u"a\r\nb\nc\rd", {u"a", u"b", u"c", u"d"}},
        {u"a\r\n", {u"a"}},
        {u"a\n\n", {u"a", u""}},
        {u"\r\n", {u""}},
        {u"\n\r", {u"", u""}},
        {u"a\r\r\nb", {u"a", u"", u"b"}},
        {u"", {}},
    };
    for (const auto& [text, lines] : cases) {
        EXPECT_EQ(splitLines(text), lines) << toUtf8(text).size();
    }
}

TEST(TargetListLines, EntrySplitsAtTheFirstTab) {
    const std::tuple<std::u16string, std::u16string, std::u16string> cases[] = {
        {u"BricsCAD\tBricscadApp.AcadApplication", u"BricsCAD", u"BricscadApp.AcadApplication"},
        {u"a\tb\tc", u"a", u"b\tc"},
        {u"noTab", u"", u"noTab"},
        {u"\t", u"", u""},
    };
    for (const auto& [line, name, progId] : cases) {
        const TargetEntry e = splitTargetEntry(line);
        EXPECT_EQ(e.name, name);
        EXPECT_EQ(e.progId, progId);
    }
}

class MalformedFiles : public ::testing::TestWithParam<std::pair<const char*, std::string>> {};

TEST_P(MalformedFiles, ReportedWithTheFileName) {
    fake::FakeFileSystem files;
    fake::FakeLocale locale;
    const std::u16string path = u"C:\\QuadcelX\\TargetCAD_APIVersion.txt";
    files.files[path] = GetParam().second;
    try {
        readTargetListLines(files, locale, path);
        FAIL() << "decoded";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(path), std::u16string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(All, MalformedFiles,
                         ::testing::Values(std::pair{"Utf8Truncated",
                                                     "\xEF\xBB\xBF"
                                                     "ab\xE5\x90"s},
                                           std::pair{"Utf8Overlong", "\xEF\xBB\xBF\xC0\xAF"s},
                                           std::pair{"Utf8OverlongThreeBytes", "\xEF\xBB\xBF\xE0\x80\xAF"s},
                                           std::pair{"Utf8Surrogate", "\xEF\xBB\xBF\xED\xA0\x80"s},
                                           std::pair{"Utf8BeyondUnicode", "\xEF\xBB\xBF\xF4\x90\x80\x80"s},
                                           std::pair{"Utf8StrayContinuation",
                                                     "\xEF\xBB\xBF"
                                                     "a\x80"s},
                                           std::pair{"Utf8Nul",
                                                     "\xEF\xBB\xBF"
                                                     "a\0b"s},
                                           std::pair{"Utf16OddByteCount",
                                                     "\xFF\xFE"
                                                     "a\0b"s},
                                           std::pair{"Utf16LoneHighSurrogate",
                                                     "\xFF\xFE\x40\xD8"
                                                     "a\0"s},
                                           std::pair{"Utf16LoneLowSurrogate", "\xFE\xFF\xDC\x00"s},
                                           std::pair{"Utf16Nul",
                                                     "\xFF\xFE"
                                                     "a\0\0\0"s},
                                           std::pair{"AnsiBinary", "MZ\x90\0\x03\0"s}),
                         [](const auto& info) { return std::string(info.param.first); });

TEST(TargetListFile, LinesInFileOrderAndNoneWithoutAFile) {
    fake::FakePlatform p;
    const std::u16string path = targetListPath(p.exe);
    EXPECT_EQ(path, u"C:\\QuadcelX\\TargetCAD_APIVersion.txt");
    EXPECT_TRUE(readTargetListLines(p.files, p.locale, path).empty());
    p.files.files[path] = "z\t1\r\na\t2";
    EXPECT_EQ(readTargetListLines(p.files, p.locale, path), (Lines{u"z\t1", u"a\t2"}));
    p.files.unreadable.insert(path);
    EXPECT_THROW(readTargetListLines(p.files, p.locale, path), Error);
}

}  // namespace
