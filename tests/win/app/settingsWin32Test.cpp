#include <gtest/gtest.h>
#include <windows.h>

#include "app/qdlXUnit.h"
#include "core/winText.h"
#include "platform/platformWin32.h"

using namespace qx;

TEST(Win32Main, MainWindowSettingsThroughTheRealProfile) {
    win32::Win32Profile ini;
    win32::Win32ExeInfo exe;
    win32::Win32Screen screen;
    Platform p;
    p.profile = &ini;
    p.exe = &exe;
    p.screen = &screen;
    VivazQDLForm::Services services;
    services.platform = p;
    const std::u16string file = settingsPathFor(exe.exePath());
    DeleteFileW(win::wideView(file));
    {
        VivazQDLForm f(services);
        f.FormCreate();
        f.Left = 12;
        f.Edit1.setText(u"０.２");
        f.targetProgID = u"図面.App";
        f.FormClose();
    }
    VivazQDLForm g(services);
    g.FormCreate();
    EXPECT_EQ(g.Left, 12);
    EXPECT_EQ(g.Edit1.Text(), u"０.２");
    EXPECT_EQ(g.targetProgID, u"図面.App");
    DeleteFileW(win::wideView(file));
}
