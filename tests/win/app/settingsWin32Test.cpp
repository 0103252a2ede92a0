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

TEST(Win32Folders, WritableProbeLeavesNothingAndApplicationDataIsAFolder) {
    win32::Win32Folders folders;
    win32::Win32ExeInfo exe;
    const std::u16string here = exe.exeFolder();
    EXPECT_TRUE(folders.canWrite(here));
    WIN32_FIND_DATAW found;
    const HANDLE probes = FindFirstFileW(win::wideView(here + u"QuadcelX-*.tmp"), &found);
    EXPECT_EQ(probes, INVALID_HANDLE_VALUE) << "the probe stayed behind";
    if (probes != INVALID_HANDLE_VALUE) {
        FindClose(probes);
    }
    EXPECT_FALSE(folders.canWrite(here + u"no such folder\\"));
    const std::u16string appData = folders.appDataFolder();
    ASSERT_FALSE(appData.empty());
    EXPECT_EQ(appData.back(), u'\\');
    const DWORD a = GetFileAttributesW(win::wideView(appData));
    EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY));
}

namespace {
// The executable's folder as if write-protected (under Wine the tests run as a
// user whom no folder refuses); everything else is the real system's.
struct ProtectedExeFolder : win32::Win32Folders {
    std::u16string exeFolder;
    bool canWrite(const std::u16string& folder) override {
        return folder != exeFolder && Win32Folders::canWrite(folder);
    }
};
}  // namespace

TEST(Win32Main, SettingsOfAWriteProtectedProgramGoToANewFolderInApplicationData) {
    win32::Win32Profile ini;
    win32::Win32ExeInfo exe;
    win32::Win32Screen screen;
    ProtectedExeFolder folders;
    folders.exeFolder = exe.exeFolder();
    Platform p;
    p.profile = &ini;
    p.exe = &exe;
    p.screen = &screen;
    p.folders = &folders;
    VivazQDLForm::Services services;
    services.platform = p;
    const SettingsFiles files = settingsFilesFor(exe.exePath(), &folders);
    ASSERT_EQ(files.read.size(), 2u);
    const std::u16string own = files.write, folder = own.substr(0, own.find_last_of(u'\\') + 1);
    DeleteFileW(win::wideView(own));
    RemoveDirectoryW(win::wideView(folder));
    DeleteFileW(win::wideView(files.read[1]));
    {
        VivazQDLForm f(services);
        f.FormCreate();
        f.targetProgID = u"AutoCAD.Application.25.1";
        f.FormClose();
    }
    EXPECT_EQ(GetFileAttributesW(win::wideView(files.read[1])), INVALID_FILE_ATTRIBUTES);
    VivazQDLForm g(services);
    g.FormCreate();
    EXPECT_EQ(g.targetProgID, u"AutoCAD.Application.25.1");
    EXPECT_TRUE(DeleteFileW(win::wideView(own)));
    EXPECT_TRUE(RemoveDirectoryW(win::wideView(folder)));
}
