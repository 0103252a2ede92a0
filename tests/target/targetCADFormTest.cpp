#include <gtest/gtest.h>

#include "target/TaregetCADUnit.h"
#include "testing/platformFakes.h"

using namespace qx;
using namespace std::string_literals;

namespace {

using Lines = std::vector<std::u16string>;
constexpr int kEnter = 13;
const std::u16string kBricscad = u"BricscadApp.AcadApplication";

struct TargetDialog : ::testing::Test {
    fake::FakePlatform p;
    std::u16string progId = kBricscad;
    std::u16string caption = u"unchanged";
    int takes = 0;
    TTargetCADForm form{p.files,
                        p.locale,
                        p.exe,
                        {u"QuadcelX", [this] { return progId; },
                         [this](const std::u16string& c, const std::u16string& id) {
                             caption = c;
                             progId = id;
                             ++takes;
                         }}};
    const std::u16string path = u"C:\\QuadcelX\\TargetCAD_APIVersion.txt";

    void setFile(std::string bytes) { p.files.files[path] = std::move(bytes); }
    std::string file() { return p.files.files.count(path) ? p.files.files[path] : "<none>"; }
    // Shows the dialog and runs `inside` while it is open.
    ModalResult show(std::function<void()> inside = {}) {
        form.runModal = [inside](Form&) {
            if (inside) {
                inside();
            }
            return ModalResult::Cancel;  // closed by its title bar unless a button said otherwise
        };
        return form.ShowModal();
    }
    void type(const std::u16string& name, const std::u16string& id) {
        form.Edit1.setText(name);
        form.Edit2.setText(id);
    }
    void expectBoxes(const std::u16string& name, const std::u16string& id) {
        EXPECT_EQ(form.Edit1.Text(), name);
        EXPECT_EQ(form.Edit2.Text(), id);
    }
};

TEST_F(TargetDialog, WithoutAFileAddCreatesItWithOneLine) {
    show();
    EXPECT_TRUE(form.ListBox1.Items().empty());
    expectBoxes(u"", u"");
    type(u"BricsCAD", kBricscad);
    form.SpeedButton1.click();
    EXPECT_EQ(file(), "BricsCAD\tBricscadApp.AcadApplication\r\n");
    EXPECT_EQ(form.ListBox1.ItemIndex(), 0);
}

TEST_F(TargetDialog, ShowingSortsAndSelectsTheFirstLineForTheTarget) {
    setFile(
        "Z\tBricscadApp.AcadApplication\r\nbricscad\tbricscadapp.acadapplication\r\nA\tother\r\n"
        "BricsCAD\tBricscadApp.AcadApplication\r\n");
    for (const std::u16string& target : {kBricscad, std::u16string(u"BricscadApp.Acad")}) {
        progId = target;
        show();
        EXPECT_EQ(form.ListBox1.Items(),
                  (Lines{u"A\tother", u"bricscad\tbricscadapp.acadapplication",
                         u"BricsCAD\tBricscadApp.AcadApplication", u"Z\tBricscadApp.AcadApplication"}));
        EXPECT_EQ(form.ListBox1.ItemIndex(), 2);  // the match is case-sensitive
        expectBoxes(u"BricsCAD", kBricscad);
    }
}

TEST_F(TargetDialog, NoMatchOrNoFileKeepsSelectionAndBoxes) {
    setFile("a\t1\r\n");
    progId = u"1";
    show();
    type(u"typed", u"text");
    progId = u"elsewhere";
    show();
    EXPECT_EQ(form.ListBox1.ItemIndex(), -1);
    expectBoxes(u"typed", u"text");

    progId = u"1";
    show();
    p.files.files.erase(path);
    type(u"kept", u"too");
    show();
    EXPECT_EQ(form.ListBox1.Items(), Lines{u"a\t1"});
    EXPECT_EQ(form.ListBox1.ItemIndex(), 0);
    expectBoxes(u"kept", u"too");
}

TEST_F(TargetDialog, LineWithoutTabIsAllIdentifier) {
    setFile("noTab\r\n");
    show();
    form.ListBox1.setItemIndex(0);
    form.ListBox1.onClick();
    expectBoxes(u"", u"noTab");
}

TEST_F(TargetDialog, AddSelectsTheFirstEntryEqualIgnoringCase) {
    setFile("x\ty\r\n");
    show();
    type(u"X", u"Y");
    form.SpeedButton1.click();
    EXPECT_EQ(form.ListBox1.ItemIndex(), 0);
    expectBoxes(u"x", u"y");
    EXPECT_EQ(file(), "x\ty\r\nX\tY\r\n");
}

TEST_F(TargetDialog, EnterInEitherBoxReplacesTheSelectedEntryInPlace) {
    setFile("a\t1\r\nb\t2\r\nc\t3\r\n");
    progId = u"2";
    show();
    form.Edit1.setText(u"z");
    EXPECT_TRUE(form.Edit2.onKeyDown(kEnter));
    EXPECT_EQ(form.ListBox1.Items(), (Lines{u"a\t1", u"z\t2", u"c\t3"}));
    EXPECT_EQ(form.ListBox1.ItemIndex(), 1);
    EXPECT_EQ(file(), "a\t1\r\nz\t2\r\nc\t3\r\n");

    const int writes = p.files.writes;
    form.Edit2.setText(u"9");
    EXPECT_FALSE(form.Edit1.onKeyDown('A'));
    EXPECT_EQ(p.files.writes, writes);
    EXPECT_TRUE(form.Edit1.onKeyDown(kEnter));
    EXPECT_EQ(form.ListBox1.Items()[1], u"z\t9");
}

TEST_F(TargetDialog, ChangeOrDeleteWithoutSelectionFailsAndKeepsListAndFile) {
    setFile("a\t1\r\nb\t2\r\n");
    progId = u"none";
    show();
    type(u"n", u"i");
    EXPECT_THROW(form.Edit1.onKeyDown(kEnter), Error);
    EXPECT_THROW(form.SpeedButton2.click(), Error);
    expectBoxes(u"", u"");  // 削除 empties them first
    EXPECT_EQ(form.ListBox1.Items(), (Lines{u"a\t1", u"b\t2"}));
    EXPECT_EQ(p.files.writes, 0);
}

TEST_F(TargetDialog, DeleteOnAnEmptyListWritesTheEmptyList) {
    setFile("\xFF\xFE");
    show();
    form.SpeedButton2.click();
    EXPECT_EQ(file(), "\xFF\xFE");
    EXPECT_EQ(p.files.writes, 1);
}

TEST_F(TargetDialog, DeleteSelectsTheNextOrElseThePrevious) {
    struct Case {
        std::string before;
        int removed, selected;
        std::u16string name;
        std::string after;
    };
    const Case cases[] = {
        {"a\t1\r\nb\t2\r\nc\t3\r\n", 0, 0, u"b", "b\t2\r\nc\t3\r\n"},
        {"a\t1\r\nb\t2\r\nc\t3\r\n", 1, 0, u"a", "a\t1\r\nc\t3\r\n"},  // second-to-last
        {"a\t1\r\nb\t2\r\nc\t3\r\n", 2, 1, u"b", "a\t1\r\nb\t2\r\n"},
        {"a\t1\r\n", 0, -1, u"", ""},
    };
    for (const auto& c : cases) {
        setFile(c.before);
        show();
        form.ListBox1.setItemIndex(c.removed);
        form.SpeedButton2.click();
        EXPECT_EQ(form.ListBox1.ItemIndex(), c.selected) << c.removed;
        EXPECT_EQ(form.Edit1.Text(), c.name);
        EXPECT_EQ(file(), c.after);
    }
}

TEST_F(TargetDialog, OkHandsOverNameAndIdentifierWithoutChecks) {
    EXPECT_EQ(show([this] {
                  type(u"BricsCAD", kBricscad);
                  form.Button1.click();
              }),
              ModalResult::OK);
    EXPECT_EQ(caption, u"QuadcelX [ BricsCAD ]");
    EXPECT_EQ(progId, kBricscad);
    EXPECT_FALSE(p.files.exists(path));  // not in any list, and none written

    show([this] {
        form.Edit2.setText(u"");
        form.Button1.click();
    });
    EXPECT_EQ(progId, u"");
}

TEST_F(TargetDialog, CancelAfterAddKeepsTheEntryButNotTheTarget) {
    EXPECT_EQ(show([this] {
                  type(u"Other", u"Other.Application");
                  form.SpeedButton1.click();
                  form.Button2.click();
              }),
              ModalResult::Cancel);
    EXPECT_EQ(file(), "Other\tOther.Application\r\n");
    EXPECT_EQ(takes, 0);
    EXPECT_EQ(progId, kBricscad);
    EXPECT_EQ(caption, u"unchanged");
}

class TargetDialogEncodings : public TargetDialog, public ::testing::WithParamInterface<std::string> {};

TEST_P(TargetDialogEncodings, UnchangedEntryIsWrittenBackByteIdentical) {
    setFile(GetParam());
    progId = u"x";
    show();
    ASSERT_EQ(form.ListBox1.ItemIndex(), 0);
    form.Edit1.onKeyDown(kEnter);
    EXPECT_EQ(p.files.writes, 1);
    EXPECT_EQ(file(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(All, TargetDialogEncodings,
                         ::testing::Values("\xEF\xBB\xBF"
                                           "B\tx\r\n\xE5\x90\x8D\tY\r\n"s,
                                           "\xFF\xFE"
                                           "B\0\t\0x\0\r\0\n\0"
                                           "\x0D\x54\t\0Y\0\r\0\n\0"s,
                                           "\xFE\xFF"
                                           "\0B\0\t\0x\0\r\0\n"
                                           "\x54\x0D\0\t\0Y\0\r\0\n"s,
                                           "B\tx\r\n\xE9t\xE9\tY\r\n"s));

TEST_F(TargetDialog, MixedLineEndingsAreWrittenAsCrLf) {
    setFile("b\t2\na\t1\rc\t3");
    progId = u"1";
    show();
    form.Edit1.onKeyDown(kEnter);
    EXPECT_EQ(file(), "a\t1\r\nb\t2\r\nc\t3\r\n");
}

TEST_F(TargetDialog, UnreadableFileIsReportedAndNeverOverwritten) {
    setFile("a\t1\r\n");
    show();
    const std::string broken =
        "\xFF\xFE"
        "a\0b"s;
    setFile(broken);
    bool opened = false;
    try {
        show([&] { opened = true; });
        FAIL() << "showed";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(path), std::u16string::npos) << e.what();
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(form.ListBox1.Items(), Lines{u"a\t1"});

    type(u"n", u"i");
    EXPECT_THROW(form.SpeedButton1.click(), Error);
    EXPECT_EQ(file(), broken);
    EXPECT_EQ(form.ListBox1.Items().size(), 2u);

    // Once the broken file is out of the way, writing goes on.
    p.files.files.erase(path);
    form.SpeedButton2.click();
    EXPECT_EQ(file(), "a\t1\r\n");

    p.files.unreadable.insert(path);
    EXPECT_THROW(show(), Error);
    EXPECT_THROW(form.SpeedButton2.click(), Error);
    EXPECT_EQ(file(), "a\t1\r\n");
}

TEST_F(TargetDialog, FailedWriteKeepsTheChangeInTheListAndReports) {
    p.files.unwritable.insert(path);
    type(u"n", u"i");
    EXPECT_THROW(form.SpeedButton1.click(), Error);
    EXPECT_EQ(form.ListBox1.Items(), Lines{u"n\ti"});
    EXPECT_EQ(file(), "<none>");
}

}  // namespace
