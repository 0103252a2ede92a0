#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "app/qdlXUnit.h"
#include "core/text.h"
#include "platform/widthMapPortable.h"
#include "testing/fakeForm.h"
#include "testing/platformFakes.h"

using namespace qx;

namespace {
constexpr char16_t kIni[] = u"C:\\QuadcelX\\QuadrelX.ini";

struct MainWindow : testing::Test, test::FakeForm {
    std::vector<std::u16string> targetList;
    std::vector<std::string> calls;

    std::unique_ptr<VivazQDLForm> make() {
        auto s = services();
        s.registerFilter = [this] { calls.push_back("register"); };
        s.revokeFilter = [this] { calls.push_back("revoke"); };
        s.readTargetList = [this] { return targetList; };
        return created(s);
    }
    void store(const char16_t* section, const char16_t* key, const char16_t* value) {
        fakes.profile.files[kIni][{section, key}] = value;
    }
};
}  // namespace

TEST_F(MainWindow, WithoutSettingsStartsCentredWithDefaultsAndWritesAllKeysOnClose) {
    fakes.screen.size = {1920, 1080};
    auto f = make();
    EXPECT_EQ(f->Left, (1920 - f->Width) / 2);
    EXPECT_EQ(f->Top, (1080 - f->Height) / 2);
    EXPECT_FALSE(f->CheckBox2.Checked());
    EXPECT_FALSE(f->CheckBox3.Checked());
    EXPECT_FALSE(f->CheckBox4.Checked());
    EXPECT_EQ(f->Edit1.Text(), u"0.1");
    EXPECT_EQ(f->targetProgID, u"BricscadApp.AcadApplication");
    EXPECT_EQ(f->Caption(), u"Quadrel 2023 for AutoCAD 2021～2023");
    EXPECT_FALSE(f->Button2.Enabled());
    EXPECT_FALSE(f->menuItem(u"N6").Enabled());
    EXPECT_FALSE(f->menuItem(u"UNDO1").Enabled());

    f->FormClose();
    using K = fake::FakeProfile::Key;
    const std::vector<K> order{{u"AcadQDL", u"Left"},       {u"AcadQDL", u"Top"},  {u"AcadQDL", u"chk2"},
                               {u"AcadQDL", u"chk3"},       {u"AcadQDL", u"chk4"}, {u"AcadQDL", u"edt1"},
                               {u"AcadQDL", u"RowsGrowUp"}, {u"Target", u"ProgID"}};
    EXPECT_EQ(fakes.profile.writeOrder, order);
    auto& file = fakes.profile.files[kIni];
    EXPECT_EQ((file[{u"AcadQDL", u"chk2"}]), u"0");
    EXPECT_EQ((file[{u"AcadQDL", u"edt1"}]), u"0.1");
    EXPECT_EQ((file[{u"Target", u"ProgID"}]), u"BricscadApp.AcadApplication");
    EXPECT_EQ((file[{u"AcadQDL", u"RowsGrowUp"}]), u"0");

    // The way the table grows is remembered.
    auto g = make();
    EXPECT_FALSE(g->menuItem(u"GROWUP1").Checked);
    g->menuItem(u"GROWUP1").click();
    g->FormClose();
    auto h = make();
    EXPECT_TRUE(h->menuItem(u"GROWUP1").Checked);
    EXPECT_EQ(h->rowGrowth(), RowGrowth::Up);
}

TEST_F(MainWindow, UnwritableSettingsStillCloseWriteTheOtherKeysAndSayWhichFile) {
    auto f = make();
    f->targetProgID = u"QuadcelX.DrawingServer";
    fakes.profile.failKey = u"chk3";
    EXPECT_NO_THROW(f->FormClose());
    EXPECT_EQ(fakes.profile.writeOrder.size(), 7u);  // all but chk3
    EXPECT_EQ((fakes.profile.files[kIni][{u"Target", u"ProgID"}]), u"QuadcelX.DrawingServer");
    ASSERT_EQ(fakes.dialogs.shown.size(), 1u);
    EXPECT_NE(fakes.dialogs.shown[0].first.find(kIni), std::u16string::npos);
    EXPECT_EQ(fakes.dialogs.shown[0].second, MessageBoxKind::Error);
}

TEST_F(MainWindow, StoredPositionIsPulledBackOnlyPastTheRightAndBottomEdges) {
    fakes.screen.size = {1280, 1024};
    store(u"AcadQDL", u"Left", u"5000");
    store(u"AcadQDL", u"Top", u"-30");
    auto f = make();
    EXPECT_EQ(f->Left, 1280 - f->Width);
    EXPECT_EQ(f->Top, -30);
}

TEST_F(MainWindow, StoredPositionAtTheIntegerLimitsIsPulledBackOrKept) {
    fakes.screen.size = {1280, 1024};
    store(u"AcadQDL", u"Left", u"2147483647");
    store(u"AcadQDL", u"Top", u"-2147483648");
    auto f = make();
    EXPECT_EQ(f->Left, 1280 - f->Width);
    EXPECT_EQ(f->Top, INT32_MIN);
    store(u"AcadQDL", u"Left", u"-2147483648");
    store(u"AcadQDL", u"Top", u"2147483600");
    f = make();
    EXPECT_EQ(f->Left, INT32_MIN);
    EXPECT_EQ(f->Top, 1024 - f->Height);
}

TEST_F(MainWindow, UnreadableValuesGiveDefaults) {
    fakes.screen.size = {1000, 800};
    store(u"AcadQDL", u"Left", u"12px");
    store(u"AcadQDL", u"chk4", u"yes");
    store(u"AcadQDL", u"chk2", u"7");
    auto f = make();
    EXPECT_EQ(f->Left, (1000 - f->Width) / 2);
    EXPECT_FALSE(f->CheckBox4.Checked());
    EXPECT_TRUE(f->CheckBox2.Checked());  // any other integer is true
}

TEST_F(MainWindow, BothEnterOptionsStoredLeavesOnlyDownChecked) {
    store(u"AcadQDL", u"chk2", u"1");
    store(u"AcadQDL", u"chk3", u"1");
    auto f = make();
    EXPECT_FALSE(f->CheckBox2.Checked());
    EXPECT_TRUE(f->CheckBox3.Checked());
    f->CheckBox2.setChecked(true);
    EXPECT_FALSE(f->CheckBox3.Checked());
    f->CheckBox2.setChecked(false);
    EXPECT_FALSE(f->CheckBox3.Checked());  // unchecking changes nothing else
}

TEST_F(MainWindow, JapaneseValuesRoundTrip) {
    store(u"AcadQDL", u"edt1", u"０.５");
    store(u"Target", u"ProgID", u"図面.Application");
    auto f = make();
    EXPECT_EQ(f->Edit1.Text(), u"０.５");
    EXPECT_EQ(f->tolerance(), 0.1);  // not a number in the locale's format
    f->FormClose();
    EXPECT_EQ((fakes.profile.files[kIni][{u"Target", u"ProgID"}]), u"図面.Application");
}

TEST_F(MainWindow, CaptionFromTargetListIncludingPrefixMatch) {
    targetList = {u"Other\tAutoCAD.Application", u"BricsCAD\tBricscadApp.AcadApplication"};
    auto f = make();
    EXPECT_EQ(f->Caption(), u"QuadcelX [ BricsCAD ]");

    store(u"Target", u"ProgID", u"BricscadApp.Acad");
    auto g = make();
    EXPECT_EQ(g->Caption(), u"QuadcelX [ BricsCAD ]");

    store(u"Target", u"ProgID", u"bricscadapp.acadapplication");  // case-sensitive
    auto h = make();
    EXPECT_EQ(h->Caption(), u"Quadrel 2023 for AutoCAD 2021～2023");
}

TEST_F(MainWindow, FilterRegisteredAtCreationAndRevokedAtDestruction) {
    {
        auto f = make();
        EXPECT_EQ(calls, (std::vector<std::string>{"register"}));
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"register", "revoke"}));
}

TEST_F(MainWindow, FirstRowFixedNeedsTwoDataRows) {
    auto f = make();
    f->StringGrid1.setRowCount(2);
    f->CheckBox1.setChecked(true);
    EXPECT_FALSE(f->CheckBox1.Checked());
    EXPECT_EQ(f->StringGrid1.FixedRows(), 1);
    f->StringGrid1.setRowCount(3);
    f->CheckBox1.setChecked(true);
    EXPECT_EQ(f->StringGrid1.FixedRows(), 2);
    f->CheckBox1.setChecked(false);
    EXPECT_EQ(f->StringGrid1.FixedRows(), 1);
}

// Every item of the pop-up menu is found by its own name and does
// something: a separator has no handler, every other item has a caption and
// one. The about item shows the version in an information box.
TEST_F(MainWindow, EveryMenuItemIsWiredAndTheAboutBoxNamesTheVersion) {
    auto f = make();
    std::set<std::u16string> names;
    for (const MenuItem& item : f->PopupMenu1) {
        EXPECT_TRUE(names.insert(item.Name).second) << toUtf8(item.Name);
        EXPECT_FALSE(item.Caption.empty()) << toUtf8(item.Name);
        EXPECT_EQ(item.Caption == u"-", !item.onClick) << toUtf8(item.Name);
    }
    f->menuItem(u"N24").click();
    ASSERT_EQ(fakes.dialogs.shown.size(), 1u);
    const auto& text = fakes.dialogs.shown[0].first;
    EXPECT_EQ(text.substr(0, text.find(u'\n')), u"QuadrelX.exe 2023.08.10");
    EXPECT_EQ(fakes.dialogs.shown[0].second, MessageBoxKind::Information);
}

TEST(SettingsPath, ReplacesTheExtension) {
    EXPECT_EQ(settingsPathFor(u"C:\\a.b\\QuadrelX.exe"), u"C:\\a.b\\QuadrelX.ini");
    EXPECT_EQ(settingsPathFor(u"C:\\a.b\\QuadrelX"), u"C:\\a.b\\QuadrelX.ini");
}

// The pop-up items and Button1's right button reach the dialogs and conversions.
struct MainWindowCommands : MainWindow {
    PortableWidthMap widths;
    TnTextTikanForm replace;
    std::unique_ptr<TTargetCADForm> target;
    std::unique_ptr<VivazQDLForm> f;

    void SetUp() override {
        fakes.widths = &widths;
        auto s = services();
        s.replaceForm = &replace;
        s.readTargetList = [this] { return readTargetListLines(fakes.files, fakes.locale, targetListPath(fakes.exe)); };
        f = std::make_unique<VivazQDLForm>(s);
        target = std::make_unique<TTargetCADForm>(
            fakes.files, fakes.locale, fakes.exe,
            TTargetCADForm::Host{kApplicationTitle, [this] { return f->targetProgID; },
                                 [this](const std::u16string& caption, const std::u16string& id) {
                                     f->setCaption(caption);
                                     f->targetProgID = id;
                                 }});
        s.targetForm = target.get();
        f = created(s);
        f->StringGrid1.setCells(1, 1, u"ｶﾞｽ abc");
        f->StringGrid1.setCells(2, 1, u"abc");
        f->StringGrid1.setSelection({1, 1, 2, 1});
    }
    void click(const char16_t* name) {
        MenuItem& item = f->menuItem(name);
        item.onClick(item);
    }
};

TEST_F(MainWindowCommands, WidthItemsConvertTheSelectionAndBlockUndoBringsItBack) {
    click(u"N11");  // half-width katakana to full width
    EXPECT_EQ(f->StringGrid1.Cells(1, 1), u"ガス abc");
    click(u"N9");
    EXPECT_EQ(f->StringGrid1.Cells(2, 1), u"ａｂｃ");
    f->UNDO1Click();
    EXPECT_EQ(f->StringGrid1.Cells(2, 1), u"abc");
}

TEST_F(MainWindowCommands, ReplaceItemRunsTheDialog) {
    replace.runModal = [](Form& form) {
        auto& r = static_cast<TnTextTikanForm&>(form);
        EXPECT_EQ(r.Edit1.Text(), u"ｶﾞｽ abc");  // the top-left cell
        r.Edit1.setText(u"ABC");
        r.Edit2.setText(u"x");
        r.Button1Click();
        return form.modalResult();
    };
    click(u"N21");
    EXPECT_EQ(f->StringGrid1.Cells(1, 1), u"ｶﾞｽ x");  // the box is ticked: case ignored
    EXPECT_EQ(f->StringGrid1.Cells(2, 1), u"x");
}

TEST_F(MainWindowCommands, TargetDialogFromTheMenuAndTheRightButtonSetsTheTarget) {
    int shown = 0;
    target->runModal = [&](Form& form) {
        ++shown;
        auto& t = static_cast<TTargetCADForm&>(form);
        t.Edit1.setText(u"図面サーバー");
        t.Edit2.setText(u"QuadcelX.DrawingServer");
        t.SpeedButton1Click();
        t.Button1Click();
        return form.modalResult();
    };
    click(u"CAD1");
    EXPECT_EQ(f->Caption(), u"QuadcelX [ 図面サーバー ]");
    EXPECT_EQ(f->targetProgID, u"QuadcelX.DrawingServer");
    f->Button1.onRightMouseDown();
    EXPECT_EQ(shown, 2);
    // The list file now names the target, so the next start finds its caption
    // (the fake ANSI code page keeps ASCII only).
    EXPECT_EQ(captionFromTargetList(readTargetListLines(fakes.files, fakes.locale, targetListPath(fakes.exe)),
                                    u"QuadcelX.DrawingServer"),
              u"QuadcelX [ ?????? ]");
}

TEST_F(MainWindowCommands, UnreadableTargetListKeepsTheDesignedCaptionAndSaysWhy) {
    fakes.files.files[targetListPath(fakes.exe)] = std::string("\xEF\xBB\xBF\xFF\xFE", 5);
    auto s = services();
    s.readTargetList = [this] { return readTargetListLines(fakes.files, fakes.locale, targetListPath(fakes.exe)); };
    const auto g = created(s);
    EXPECT_EQ(g->Caption(), u"Quadrel 2023 for AutoCAD 2021～2023");
    ASSERT_EQ(g->Memo1.Lines().size(), 1u);
    EXPECT_NE(g->Memo1.Lines()[0].find(u"TargetCAD_APIVersion.txt"), std::u16string::npos);
}

// The pop-up item UNDO is offered once there is a block edit to take back, or
// after a block undo; a copy or a cancelled replace offers nothing.
TEST_F(MainWindowCommands, UndoItemIsOfferedByEveryBlockEditAndByTheKeysUndo) {
    bool replaceConfirms = true;
    replace.runModal = [&](Form& form) {
        form.closeModal(replaceConfirms ? ModalResult::OK : ModalResult::Cancel);
        return form.modalResult();
    };
    auto keyUp = [this](std::uint16_t key, unsigned modifiers) { f->StringGrid1KeyUp(key, modifiers); };
    const struct {
        const char* what;
        std::function<void()> run;
        bool offered;
    } cases[] = {
        {"Delete", [&] { keyUp(46, 0); }, true},
        {"Ctrl+X", [&] { keyUp('X', 4); }, true},
        {"Ctrl+V", [&] { keyUp('V', 4); }, true},
        {"Ctrl+Z", [&] { keyUp('Z', 4); }, true},
        {"cut item", [&] { click(u"N1"); }, true},
        {"paste item", [&] { click(u"N3"); }, true},
        {"width item", [&] { click(u"N8"); }, true},
        {"replace", [&] { click(u"N21"); }, true},
        {"cancelled replace",
         [&] {
             replaceConfirms = false;
             click(u"N21");
         },
         false},
        {"Ctrl+C", [&] { keyUp('C', 4); }, false},
        {"copy item", [&] { click(u"N2"); }, false},
    };
    for (const auto& c : cases) {
        f->menuItem(u"UNDO1").setEnabled(false);  // as a Get leaves it
        c.run();
        EXPECT_EQ(f->menuItem(u"UNDO1").Enabled(), c.offered) << c.what;
    }
}
