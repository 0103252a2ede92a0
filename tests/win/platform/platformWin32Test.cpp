#include <gtest/gtest.h>
#include <windows.h>

#include "core/winText.h"
#include "platform/platformWin32.h"

using namespace qx;

namespace {
std::u16string tempPath(const char16_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return win::fromWide(dir) + name;
}
}  // namespace

TEST(Win32Profile, JapaneseValuesRoundTripThroughTheProfileApi) {
    const std::u16string file = tempPath(u"qx-profile-test.ini");
    DeleteFileW(win::wideView(file));
    win32::Win32Profile ini;
    EXPECT_EQ(ini.readString(file, u"AcadQDL", u"edt1", u"0.1"), u"0.1");  // no file: the default
    ini.writeString(file, u"AcadQDL", u"edt1", u"０.５ 許容");
    ini.writeString(file, u"Target", u"ProgID", u"図面サーバ.Application");
    const std::u16string longValue(3000, u'長');
    ini.writeString(file, u"AcadQDL", u"long", longValue);
    EXPECT_EQ(ini.readString(file, u"AcadQDL", u"edt1", u""), u"０.５ 許容");
    EXPECT_EQ(ini.readString(file, u"Target", u"ProgID", u""), u"図面サーバ.Application");
    EXPECT_EQ(ini.readString(file, u"AcadQDL", u"long", u""), longValue);
    EXPECT_EQ(ini.readString(file, u"AcadQDL", u"missing", u"def"), u"def");
    DeleteFileW(win::wideView(file));
}

TEST(Win32Profile, UnwritableFileReportsItsName) {
    win32::Win32Profile ini;
    const std::u16string file = u"Z:\\no\\such\\folder\\x.ini";
    try {
        ini.writeString(file, u"A", u"k", u"v");
        FAIL() << "write to a missing folder succeeded";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(file), std::u16string::npos);
    }
}

TEST(Win32FileSystem, WritesReplacesAndReadsBytes) {
    win32::Win32FileSystem fs;
    const std::u16string file = tempPath(u"qx-fs-test.txt");
    fs.writeAll(file, "one\r\n");
    fs.writeAll(file, std::string("\xEF\xBB\xBF\xE5\x9B\xB3\r\n", 7));
    EXPECT_TRUE(fs.exists(file));
    EXPECT_EQ(fs.readAll(file), std::string("\xEF\xBB\xBF\xE5\x9B\xB3\r\n", 7));
    DeleteFileW(win::wideView(file));
    EXPECT_FALSE(fs.exists(file));
    EXPECT_THROW(fs.readAll(file), Error);
}

TEST(Win32Clipboard, UnicodeTextRoundTrip) {
    win32::Win32Clipboard clip;
    clip.setText(u"a\tb\r\n図\td\r\n");
    EXPECT_EQ(clip.getText(), u"a\tb\r\n図\td\r\n");
}

TEST(Win32Pump, DeliversPostedMessagesAtLeastEveryFewMilliseconds) {
    qx::win32::Win32Pump pump;
    static int delivered = 0;
    delivered = 0;
    HWND h = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                          if (m == WM_APP)
                              ++delivered;
                          return DefWindowProcW(w, m, wp, lp);
                      }));
    PostMessageW(h, WM_APP, 0, 0);
    pump.processMessages();
    EXPECT_EQ(delivered, 1);
    PostMessageW(h, WM_APP, 0, 0);
    for (int i = 0; i < 1000 && delivered < 2; ++i) {
        Sleep(1);
        pump.processMessages();
    }
    EXPECT_EQ(delivered, 2);
    DestroyWindow(h);
}
