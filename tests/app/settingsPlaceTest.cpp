#include <gtest/gtest.h>

#include "app/qdlXUnit.h"
#include "testing/fakeForm.h"
#include "testing/platformFakes.h"

using namespace qx;

namespace {
constexpr char16_t kFolder[] = u"C:\\Program Files\\QuadcelX\\";
constexpr char16_t kBeside[] = u"C:\\Program Files\\QuadcelX\\QuadrelX.ini";
constexpr char16_t kAppData[] = u"C:\\Users\\user\\AppData\\Roaming\\QuadcelX\\QuadrelX.ini";

// The settings of a program installed where the user may or may not write.
struct SettingsPlace : testing::Test, test::FakeForm {
    SettingsPlace() { fakes.exe.folder = kFolder; }
    void readOnly() { fakes.folders.readOnly.insert(kFolder); }
    std::unique_ptr<VivazQDLForm> start() { return created(services()); }
    std::map<fake::FakeProfile::Key, std::u16string>& file(const char16_t* path) { return fakes.profile.files[path]; }
};
}  // namespace

TEST_F(SettingsPlace, WritableFolderKeepsTheFileBesideTheProgram) {
    file(kBeside)[{u"Target", u"ProgID"}] = u"AutoCAD.Application.24.1";
    auto f = start();
    EXPECT_EQ(f->targetProgID, u"AutoCAD.Application.24.1");
    f->Edit1.setText(u"0.5");
    f->FormClose();
    EXPECT_EQ((file(kBeside)[{u"AcadQDL", u"edt1"}]), u"0.5");
    EXPECT_EQ(fakes.profile.files.count(kAppData), 0u);
    EXPECT_TRUE(fakes.folders.made.empty());
}

TEST_F(SettingsPlace, ReadOnlyFolderReadsTheExistingFileAndWritesToApplicationData) {
    readOnly();
    file(kBeside)[{u"AcadQDL", u"chk4"}] = u"1";
    file(kBeside)[{u"AcadQDL", u"FastPath"}] = u"0";  // set by hand, never written back
    file(kBeside)[{u"Target", u"ProgID"}] = u"AutoCAD.Application.25";
    const auto besideBefore = file(kBeside);
    {
        auto f = start();
        EXPECT_TRUE(f->CheckBox4.Checked());
        EXPECT_FALSE(f->fastPathEnabled);
        EXPECT_EQ(f->targetProgID, u"AutoCAD.Application.25");
        f->targetProgID = u"AutoCAD.Application.25.1";
        f->FormClose();
    }
    EXPECT_TRUE(fakes.dialogs.shown.empty());
    EXPECT_EQ(fakes.folders.made, std::vector<std::u16string>{u"C:\\Users\\user\\AppData\\Roaming\\QuadcelX\\"});
    EXPECT_EQ(file(kBeside), besideBefore);
    EXPECT_EQ(file(kAppData).size(), 8u);

    // The next start sees what was written, and the hand-set key beside the program still counts.
    auto g = start();
    EXPECT_EQ(g->targetProgID, u"AutoCAD.Application.25.1");
    EXPECT_TRUE(g->CheckBox4.Checked());
    EXPECT_FALSE(g->fastPathEnabled);
}

TEST_F(SettingsPlace, ReadOnlyFolderWithoutAnyFileStartsWithDefaultsAndKeepsWhatCloseWrote) {
    readOnly();
    {
        auto f = start();
        EXPECT_EQ(f->targetProgID, u"BricscadApp.AcadApplication");
        EXPECT_EQ(f->Edit1.Text(), u"0.1");
        f->Left = 33;
        f->CheckBox3.setChecked(true);
        f->FormClose();
    }
    EXPECT_EQ(fakes.profile.files.count(kBeside), 0u);
    auto g = start();
    EXPECT_EQ(g->Left, 33);
    EXPECT_TRUE(g->CheckBox3.Checked());
}

TEST_F(SettingsPlace, ReadOnlyFolderWithoutApplicationDataSaysWhichFileFailed) {
    readOnly();
    fakes.folders.appData.clear();
    fakes.profile.failWrites = true;
    auto f = start();
    EXPECT_NO_THROW(f->FormClose());
    ASSERT_EQ(fakes.dialogs.shown.size(), 1u);
    EXPECT_NE(fakes.dialogs.shown[0].first.find(kBeside), std::u16string::npos);
}

TEST(SettingsFiles, WithoutFolderServiceOrSeparatorStayBesideTheProgram) {
    EXPECT_EQ(settingsFilesFor(u"C:\\a\\QuadrelX.exe", nullptr).write, u"C:\\a\\QuadrelX.ini");
    fake::FakeFolders folders;
    folders.readOnly.insert(u"");
    const SettingsFiles bare = settingsFilesFor(u"QuadrelX.exe", &folders);
    EXPECT_EQ(bare.write, u"C:\\Users\\user\\AppData\\Roaming\\QuadcelX\\QuadrelX.ini");
    EXPECT_EQ(bare.read, (std::vector<std::u16string>{bare.write, u"QuadrelX.ini"}));
}
