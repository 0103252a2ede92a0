// The target list in the system's ANSI code page (932 under the Japanese locale).
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/platformWin32.h"
#include "platform/widthMapPortable.h"
#include "target/targetList.h"

using namespace qx;

TEST(TargetListWin32, ShiftJisFileIsReadInTheAnsiCodePageAndWrittenBackUnchanged) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 932";
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::u16string path = reinterpret_cast<const char16_t*>(dir);
    path += u"qx-target-list-test.txt";
    // "図面\tQuadcelX.DrawingServer" and "ブリックス\tBricscadApp.AcadApplication" in Shift-JIS.
    const std::string bytes =
        "\x90\x7d\x96\xca\tQuadcelX.DrawingServer\r\n"
        "\x83\x75\x83\x8a\x83\x62\x83\x4e\x83\x58\tBricscadApp.AcadApplication\r\n";
    win32::Win32FileSystem files;
    Win32Locale locale;
    files.writeAll(path, bytes);
    auto text = readTargetList(files, locale, path);
    EXPECT_EQ(text.encoding, TextEncoding::Ansi);
    ASSERT_EQ(text.lines.size(), 2u);
    EXPECT_EQ(text.lines[0], u"図面\tQuadcelX.DrawingServer");
    EXPECT_EQ(text.lines[1], u"ブリックス\tBricscadApp.AcadApplication");
    writeTargetList(files, locale, path, text.lines, text.encoding);
    EXPECT_EQ(files.readAll(path), bytes);
    DeleteFileW(reinterpret_cast<const wchar_t*>(path.c_str()));
}
