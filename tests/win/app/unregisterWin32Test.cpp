#include <gtest/gtest.h>
#include <windows.h>

#include "app/unregisterWin32.h"
#include "cad/com/fastPathRegistration.h"
#include "cad/fastPath.h"
#include "core/winOwners.h"
#include "core/winText.h"
#include "testing/platformFakes.h"

using namespace qx;

namespace {
bool classesKeyExists(const std::wstring& path) {
    win::UniqueKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + path).c_str(), 0, KEY_READ, key.out()) ==
           ERROR_SUCCESS;
}
const std::wstring kProgId = win::toWide(cad::kFastPathProgId);
const std::wstring kClass = L"CLSID\\" + win::toWide(cad::kFastPathClsid);
}  // namespace

// The hive QuadrelX.exe writes when it attaches: the user's classes.
TEST(Unregister, RemovesTheUsersRegistrationSaysWhatWentAndThenThatNothingIsLeft) {
    ASSERT_TRUE(cad::com::registerFastPath(HKEY_CURRENT_USER, L"C:\\QuadcelX\\QuadcelXFast.dll"));
    fake::FakeDialogs dialogs;
    EXPECT_EQ(win32::unregisterForUser(dialogs), 0);
    EXPECT_FALSE(classesKeyExists(kProgId));
    EXPECT_FALSE(classesKeyExists(kClass));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const std::u16string& said = dialogs.shown[0].first;
    EXPECT_EQ(dialogs.shown[0].second, MessageBoxKind::Information);
    EXPECT_NE(said.find(u"削除しました"), std::u16string::npos) << win::toWide(said);
    EXPECT_NE(said.find(u"HKEY_CURRENT_USER\\Software\\Classes\\QuadcelX.FastPath.1"), std::u16string::npos);
    EXPECT_NE(said.find(std::u16string(u"CLSID\\") + cad::kFastPathClsid), std::u16string::npos);

    EXPECT_EQ(win32::unregisterForUser(dialogs), 0);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_NE(dialogs.shown[1].first.find(u"登録がありません"), std::u16string::npos);
}

TEST(Unregister, HalfARegistrationLeftBehindGoesAndOnlyItIsNamed) {
    ASSERT_TRUE(cad::com::setClassesValue(HKEY_CURRENT_USER, kClass + L"\\InprocServer32", nullptr, L"x.dll"));
    fake::FakeDialogs dialogs;
    EXPECT_EQ(win32::unregisterForUser(dialogs), 0);
    EXPECT_FALSE(classesKeyExists(kClass));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].first.find(u"QuadcelX.FastPath.1"), std::u16string::npos);
    EXPECT_NE(dialogs.shown[0].first.find(u"CLSID"), std::u16string::npos);
}
