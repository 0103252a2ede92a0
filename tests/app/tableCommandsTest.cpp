#include <gtest/gtest.h>

#include "app/qdlXUnit.h"
#include "core/text.h"
#include "platform/widthMapPortable.h"
#include "testing/fakeForm.h"
#include "testing/platformFakes.h"
#include "tools/cad-standin/memDrawing.h"

using namespace qx;
using cad::MemDrawing;
using cad::Point3;

namespace {
constexpr char16_t kProgId[] = u"BricscadApp.AcadApplication";
constexpr std::uint64_t kCadHwnd = 0x5000, kOwnHwnd = 0x7000;

struct Commands : testing::Test, test::FakeForm {
    PortableWidthMap widths;
    MemDrawing drawing;
    cad::MemConnector connector;
    std::vector<bool> minimized;
    std::vector<std::u16string> targetList;
    int closeRequests = 0;

    void SetUp() override {
        drawing.setHwnd(kCadHwnd);
        connector.registerProgId(kProgId, drawing.application());
        fakes.widths = &widths;
        auto s = services(&connector);
        s.ownHandle = [] { return kOwnHwnd; };
        s.setMinimized = [this](bool m) { minimized.push_back(m); };
        s.readTargetList = [this] { return targetList; };
        s.closeWindow = [this] { ++closeRequests; };
        start(s);
    }
    std::vector<std::u16string> log() const { return form->Memo1.Lines(); }
    // A text placed at (x, y), as the CAD application reports it: a
    // left-aligned one by its insertion point, the others by their alignment point.
    std::int64_t text(const char16_t* s, double x, double y, int alignment = 0) {
        return alignment == 0 ? drawing.addText(s, {x, y, 0}, {0, 0, 0}, 0)
                              : drawing.addText(s, {0, 0, 0}, {x, y, 0}, alignment);
    }
    // A closed rectangle 0..20 x 0..-10, split by one inner line each way.
    void rectangleInFour() {
        drawing.addPolyline({0, 0, 20, 0, 20, -10, 0, -10}, true);
        drawing.addLine({10, 0, 0}, {10, -10, 0});
        drawing.addLine({0, -5, 0}, {20, -5, 0});
    }
};
}  // namespace

TEST_F(Commands, GetWithTargetNotRunningSaysSoAndOnlyResetsTheOptionAndControls) {
    connector.unregister(kProgId);
    connector.registerProgId(kProgId);  // registered, not running
    form->Memo1.add(u"kept");
    form->StringGrid1.setCells(1, 1, u"x");
    form->Button1Click();
    EXPECT_EQ(log(), (std::vector<std::u16string>{u"kept"}));
    EXPECT_EQ(form->StringGrid1.Cells(1, 1), u"x");
    EXPECT_FALSE(form->CheckBox1.Checked());
    EXPECT_TRUE(form->CheckBox1.Enabled());  // the initial grid has 5 rows
    ASSERT_EQ(fakes.dialogs.shown.size(), 1u);
    EXPECT_EQ(fakes.dialogs.shown[0].second, MessageBoxKind::Error);
    EXPECT_EQ(fakes.windows.foreground, kOwnHwnd);
}

// The message names the target as the list names it and says what to do.
TEST_F(Commands, ATargetNotInstalledOrNotRunningIsNamedWithWhatToDo) {
    targetList = {u"BricsCAD V24\tBricscadApp.AcadApplication"};
    const struct {
        bool registered;
        bool update;
        std::vector<const char16_t*> said;
    } cases[] = {
        {false,
         false,
         {u"「BricsCAD V24」（BricscadApp.AcadApplication）", u"登録されていません", u"AutoCAD LT", u"右クリック"}},
        {true,
         false,
         {u"「BricsCAD V24」（BricscadApp.AcadApplication）が起動していません", u"もう一度取得", u"右クリック"}},
        {true, true, {u"起動していません", u"もう一度更新"}},
    };
    for (const auto& c : cases) {
        connector.unregister(kProgId);
        if (c.registered) {
            connector.registerProgId(kProgId);
        }
        fakes.dialogs.shown.clear();
        c.update ? form->Button2Click() : form->Button1Click();
        ASSERT_EQ(fakes.dialogs.shown.size(), 1u);
        for (const char16_t* s : c.said) {
            EXPECT_NE(fakes.dialogs.shown[0].first.find(s), std::u16string::npos)
                << toUtf8(fakes.dialogs.shown[0].first) << " lacks " << toUtf8(s);
        }
    }
    EXPECT_EQ(drawing.callCount(u"SelectOnScreen"), 0);
}

TEST_F(Commands, ARunningTargetOfTheListIsOfferedWhenTheChosenOneIsNot) {
    constexpr char16_t kAutoCad[] = u"AutoCAD.Application.24.1";
    connector.unregister(kProgId);
    connector.registerProgId(kProgId);  // installed, not running
    connector.registerProgId(u"AutoCAD.Application.24");
    connector.registerProgId(kAutoCad, drawing.application());
    targetList = {u"AutoCAD 2021\tAutoCAD.Application.24", u"AutoCAD 2022\tAutoCAD.Application.24.1",
                  u"BricsCAD\tBricscadApp.AcadApplication"};
    rectangleInFour();
    text(u"左上", 5, -2);
    drawing.pickAll();

    // No: nothing happens, the target stays.
    fakes.dialogs.answer = false;
    form->Button1Click();
    ASSERT_EQ(fakes.dialogs.asked.size(), 1u);
    const std::u16string& question = fakes.dialogs.asked[0];
    EXPECT_NE(question.find(u"「BricsCAD」（BricscadApp.AcadApplication）は起動していません"), std::u16string::npos)
        << toUtf8(question);
    EXPECT_NE(question.find(u"「AutoCAD 2022」（AutoCAD.Application.24.1）が起動しています"), std::u16string::npos);
    EXPECT_EQ(form->targetProgID, kProgId);
    EXPECT_EQ(drawing.callCount(u"SelectOnScreen"), 0);
    EXPECT_TRUE(fakes.dialogs.shown.empty());

    // Yes: the Get goes to the running one, which becomes the target.
    fakes.dialogs.answer = true;
    form->Button1Click();
    EXPECT_EQ(form->targetProgID, kAutoCad);
    EXPECT_EQ(form->StringGrid1.Cells(1, 1), u"左上");
    EXPECT_EQ(form->Caption(), drawing.fullName());  // the Get names the drawing
    EXPECT_TRUE(fakes.dialogs.shown.empty());
}

TEST_F(Commands, GetOfRectangleSplitInFour) {
    rectangleInFour();
    const auto a = text(u"左上", 5, -2), b = text(u"右上", 15, -2), c = text(u"左下", 5, -7), d = text(u"右下", 15, -7);
    drawing.pickAll();
    fakes.clock.stepPerTick = 250;
    form->Button1Click();
    EXPECT_EQ(log(),
              (std::vector<std::u16string>{u"Select = 7", u"0.250 sec", u"Line = 6, Text = 4", u"Yoko = 3, Tate = 3"}));
    const StringGrid& g = form->StringGrid1;
    ASSERT_EQ(g.RowCount(), 3);
    ASSERT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.Cells(1, 1), u"左上");
    EXPECT_EQ(form->table.firstId(1, 1), a);
    EXPECT_EQ(form->table.firstId(2, 1), b);
    EXPECT_EQ(form->table.firstId(1, 2), c);
    EXPECT_EQ(form->table.firstId(2, 2), d);
    EXPECT_EQ(form->StringGrid2.Cells(2, 2), u"右下");
    EXPECT_TRUE(form->Button2.Enabled());
    EXPECT_TRUE(form->menuItem(u"N6").Enabled());
    EXPECT_FALSE(form->menuItem(u"UNDO1").Enabled());
    EXPECT_TRUE(form->CheckBox1.Enabled());
    EXPECT_EQ(form->Caption(), drawing.fullName());
    EXPECT_TRUE(drawing.selectionSetNames().empty());  // "ssTemp" deleted
    EXPECT_EQ(minimized, (std::vector<bool>{true, false}));
    EXPECT_EQ(fakes.pump.calls, 7);  // once per entity
}

TEST_F(Commands, GetOfThreeLinesAndOneTextDoesNotFill) {
    drawing.addLine({0, 0, 0}, {0, -10, 0});
    drawing.addLine({10, 0, 0}, {10, -10, 0});
    drawing.addLine({0, 0, 0}, {10, 0, 0});
    text(u"t", 5, -5);
    drawing.pickAll();
    form->Button1Click();
    const auto l = log();
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[0], u"Select = 4");
    EXPECT_EQ(l[2], u"Line = 3, Text = 1");
    EXPECT_EQ(l[3], u"Yoko = 1, Tate = 2");
    EXPECT_EQ(form->StringGrid1.RowCount(), 5);
    EXPECT_FALSE(form->Button2.Enabled());
}

TEST_F(Commands, CadWindowIsRestoredAndEscapeSentOnlyWhenInFront) {
    fakes.windows.iconic.insert(kCadHwnd);
    drawing.pickNothing();
    form->Button1Click();
    EXPECT_FALSE(fakes.windows.iconic.count(kCadHwnd));
    ASSERT_FALSE(fakes.clock.sleeps.empty());
    EXPECT_EQ(fakes.clock.sleeps[0], 500u);
    const auto& ev = fakes.windows.events;
    EXPECT_EQ(ev[0], "OpenIcon");
    EXPECT_EQ(ev[1], "SetForegroundWindow");
    EXPECT_EQ(ev[2], "keybd 27 0");
    EXPECT_EQ(ev[3], "keybd 27 2");

    fakes.windows.events.clear();
    fakes.windows.refuseForeground = true;
    form->Button1Click();
    EXPECT_EQ(std::count(fakes.windows.events.begin(), fakes.windows.events.end(), "keybd 27 0"), 0);
}

TEST_F(Commands, EmptyPickRebuildsFromThePreviousListsAndLosesEdits) {
    rectangleInFour();
    text(u"a", 5, -2);
    drawing.pickAll();
    form->Button1Click();
    form->StringGrid1.setCells(1, 1, u"edited");
    drawing.pickCancel();
    form->Button1Click();
    EXPECT_EQ(log(), (std::vector<std::u16string>{u"Select = 0", u"Line = 6, Text = 1", u"Yoko = 3, Tate = 3"}));
    EXPECT_EQ(form->StringGrid1.Cells(1, 1), u"a");
    EXPECT_TRUE(drawing.selectionSetNames().empty());
}

TEST_F(Commands, LeftoverSelectionSetIsReusedAndDeleted) {
    drawing.application()
        .get(u"ActiveDocument")
        .toDispatch()
        .get(u"SelectionSets")
        .toDispatch()
        .call(u"Add", {cad::Variant(std::u16string(u"ssTemp"))});
    rectangleInFour();
    drawing.pickAll();
    form->Button1Click();
    EXPECT_EQ(drawing.callCount(u"Add"), 1);  // only the test's own
    EXPECT_TRUE(drawing.selectionSetNames().empty());
}

TEST_F(Commands, OtherLineKindsCountButAddNothing) {
    rectangleInFour();
    drawing.addEntity(cad::EntityKind::Spline, {1, -1, 0});
    drawing.addEntity(cad::EntityKind::Polyline2d, {1, -1, 0});
    drawing.addEntity(cad::EntityKind::Circle, {1, -1, 0});  // not admitted by the filter
    drawing.addEntity(cad::EntityKind::MText, {1, -1, 0});   // admitted: a text
    drawing.pickAll();
    form->Button1Click();
    EXPECT_EQ(log()[0], u"Select = 6");
    EXPECT_EQ(log()[2], u"Line = 6, Text = 1");
}

TEST_F(Commands, FailureInsideTheEntityLoopDeletesTheSetAndKeepsPartialLists) {
    rectangleInFour();
    text(u"a", 5, -2);
    drawing.pickAll();
    drawing.failCall(u"EntityName", 3, u"壊れた図形");
    form->Button2.setEnabled(false);
    EXPECT_THROW(form->Button1Click(), Error);
    EXPECT_TRUE(drawing.selectionSetNames().empty());
    EXPECT_EQ(form->lists.lineAry.size(), 5u);  // the polyline's four and one line
    EXPECT_FALSE(form->Button2.Enabled());
    EXPECT_FALSE(form->commandRunning());
}

struct Update : Commands {
    std::int64_t a = 0, b = 0, c = 0, d = 0;
    void SetUp() override {
        Commands::SetUp();
        // 2 columns x 3 rows: x 0/10/20, y 0/-5/-10/-15.
        drawing.addPolyline({0, 0, 20, 0, 20, -15, 0, -15}, true);
        drawing.addLine({10, 0, 0}, {10, -15, 0});
        drawing.addLine({0, -5, 0}, {20, -5, 0});
        drawing.addLine({0, -10, 0}, {20, -10, 0});
        a = text(u"abc", 1, -1);
        b = text(u"row2", 0.5, -7.5, 1);  // column 1, row 2: template 0.5 right, 2.5 below
        c = text(u"top", 11, -1, 2);      // column 2 has a text only in row 1
        drawing.pickAll();
        form->Button1Click();
        form->Memo1.clear();
    }
    StringGrid& g() { return form->StringGrid1; }
};

TEST_F(Update, WithoutEditsTouchesNothingAndRegenerates) {
    form->Button2Click();
    EXPECT_EQ(log(), (std::vector<std::u16string>{u"[更新] 編集 = 0, 追加 = 0, 削除 = 0"}));
    EXPECT_EQ(drawing.callCount(u"TextString"), 3);  // the Get's reads only
    EXPECT_EQ(drawing.regenCount(), 1);
}

TEST_F(Update, CaseChangeEditsEmptyingDeletesAndRetypingCreates) {
    g().setCells(1, 1, u"ABC");
    g().setCells(1, 2, u"");
    form->Button2Click();
    EXPECT_EQ(drawing.entity(a)->text, u"ABC");
    EXPECT_TRUE(!drawing.entity(b) || drawing.entity(b)->erased);
    EXPECT_EQ(form->table.firstId(1, 2), 0);
    EXPECT_EQ(log().back(), u"[更新] 編集 = 1, 追加 = 0, 削除 = 1");

    // Column 1 lost its only template below row 1: the retyped text waits in the grid.
    g().setCells(1, 2, u"again");
    form->Button2Click();
    EXPECT_EQ(log().back(), u"[更新] 編集 = 0, 追加 = 0, 削除 = 0");
    EXPECT_EQ(g().Cells(1, 2), u"again");
    EXPECT_EQ(form->table.firstId(1, 2), 0);
}

TEST_F(Update, NewTextIsCopiedFromTheColumnTemplateAtTheSameOffset) {
    g().setCells(1, 3, u"新規");
    form->Button2Click();
    EXPECT_EQ(log().back(), u"[更新] 編集 = 0, 追加 = 1, 削除 = 0");
    const std::int64_t id = form->table.firstId(1, 3);
    ASSERT_NE(id, 0);
    const auto e = drawing.entity(id);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text, u"新規");
    EXPECT_EQ(e->alignment, 1);
    EXPECT_EQ(e->alignmentPoint, (Point3{0.5, -12.5, 0}));  // tate[0] + 0.5, yoko[2] - 2.5
    const TQdlText& rec = form->lists.textAry.back();
    EXPECT_EQ(rec.objID, id);
    EXPECT_EQ(rec.sText, u"新規");
    EXPECT_EQ(rec.base, (TPoint3{0.5, -12.5, 0}));  // stored, so it can serve as a template
    // A second Update changes nothing.
    form->Button2Click();
    EXPECT_EQ(log().back(), u"[更新] 編集 = 0, 追加 = 0, 削除 = 0");
}

TEST_F(Update, NewRecordServesAsTemplateWithItsRealPosition) {
    // Delete the original template, then create two texts in turn: the second copies the first.
    g().setCells(1, 3, u"one");
    form->Button2Click();
    g().setCells(1, 2, u"");
    form->Button2Click();
    g().setCells(1, 2, u"two");
    form->Button2Click();
    const auto e = drawing.entity(form->table.firstId(1, 2));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->alignmentPoint, (Point3{0.5, -7.5, 0}));
}

TEST_F(Update, ColumnWhoseTextsAllStandInRowOneOffersNoTemplate) {
    g().setCells(2, 3, u"lost");
    form->Button2Click();
    EXPECT_EQ(log().back(), u"[更新] 編集 = 0, 追加 = 0, 削除 = 0");
    EXPECT_EQ(g().Cells(2, 3), u"lost");
}

TEST_F(Update, ErasedEntityIsPassedOver) {
    drawing.erase(a);
    g().setCells(1, 1, u"changed");
    g().setCells(2, 1, u"TOP");
    form->Button2Click();
    EXPECT_EQ(log().back(), u"[更新] 編集 = 1, 追加 = 0, 削除 = 0");
    EXPECT_EQ(drawing.entity(c)->text, u"TOP");
}

TEST_F(Update, NotRunningWritesNothing) {
    connector.unregister(kProgId);
    connector.registerProgId(kProgId);
    g().setCells(1, 1, u"changed");
    form->Button2Click();
    EXPECT_TRUE(log().empty());
    EXPECT_EQ(drawing.entity(a)->text, u"abc");
    EXPECT_EQ(fakes.windows.foreground, kOwnHwnd);
}

TEST_F(Update, FailureMidwayKeepsHandledCellsConsistent) {
    g().setCells(1, 1, u"first");
    g().setCells(2, 1, u"second");
    drawing.failCall(u"Update", 2, u"CAD が応答しません");
    EXPECT_THROW(form->Button2Click(), Error);
    EXPECT_EQ(drawing.entity(a)->text, u"first");
    EXPECT_EQ(form->lists.textAry[form->textIndexOfId(a)].sText, u"first");
    EXPECT_EQ(drawing.regenCount(), 0);
    EXPECT_TRUE(log().empty());
    EXPECT_EQ(form->StringGrid2.Cells(1, 1), u"abc");  // no snapshot refresh
    // The failing call came after the second text was written and recorded: the next
    // Update finds drawing, records and grid agreeing and writes nothing again.
    EXPECT_EQ(drawing.entity(c)->text, u"second");
    form->Button2Click();
    EXPECT_EQ(log().back(), u"[更新] 編集 = 0, 追加 = 0, 削除 = 0");
    EXPECT_EQ(drawing.regenCount(), 1);
}

TEST_F(Update, GetOrUpdateClickedDuringAGetIsIgnored) {
    int nested = 0;
    fakes.pump.onPump = [&] {
        ++nested;
        form->Button1Click();
        form->Button2Click();
    };
    const int regens = drawing.regenCount();
    drawing.pickAll();
    form->Button1Click();
    EXPECT_GT(nested, 0);
    EXPECT_EQ(drawing.regenCount(), regens);
    EXPECT_EQ(drawing.callCount(u"SelectOnScreen"), 2);  // the set-up's Get and this one
}

// Every command that changes the grid pumps messages; one the user starts
// from those messages must wait for the running one, whichever it is.
TEST_F(Update, GridCommandsStartedWhileAnUpdateRunsAreIgnored) {
    g().setCells(1, 1, u"ｶﾅ");
    fakes.clipboard.text = u"pasted";
    int nested = 0;
    char16_t typed = u'x';
    fakes.pump.onPump = [&] {
        ++nested;
        g().setSelection(GridRect{1, 1, 2, 3});
        form->N1Click();  // cut
        form->N3Click();  // paste
        form->N8Click(form->menuItem(u"N11"));
        form->UNDO1Click();
        std::uint16_t del = 46;
        form->StringGrid1KeyUp(del, 0);
        typed = form->StringGrid1KeyPress(u'a', false, false);
    };
    form->Button2Click();
    fakes.pump.onPump = nullptr;
    EXPECT_GT(nested, 0);
    EXPECT_EQ(typed, 0);
    EXPECT_EQ(fakes.clipboard.text, u"pasted");
    EXPECT_EQ(g().Cells(1, 1), u"ｶﾅ");
    EXPECT_EQ(g().Cells(1, 2), u"row2");
    EXPECT_EQ(drawing.entity(a)->text, u"ｶﾅ");
    EXPECT_FALSE(form->commandRunning());
    // Once it has finished, the same commands run.
    g().setSelection(GridRect{1, 1, 1, 1});
    form->N8Click(form->menuItem(u"N11"));
    EXPECT_EQ(g().Cells(1, 1), u"カナ");
}

// Edits not yet written are never dropped without a word: a Get that would
// refill the grid and closing the window ask first; with nothing to lose,
// nothing is asked.
TEST_F(Update, UnsavedEditsAreAskedAboutBeforeAGetOrClosing) {
    EXPECT_TRUE(form->FormCloseQuery());
    form->Button1Click();
    EXPECT_TRUE(fakes.dialogs.asked.empty());

    g().setCells(1, 1, u"edited");
    form->Memo1.clear();
    form->Memo1.add(u"kept");
    const int picks = drawing.callCount(u"SelectOnScreen");
    fakes.dialogs.answer = false;
    form->CheckBox1.setChecked(true);
    form->Button1Click();
    ASSERT_EQ(fakes.dialogs.asked.size(), 1u);
    EXPECT_NE(fakes.dialogs.asked[0].find(u"取得"), std::u16string::npos);
    EXPECT_EQ(g().Cells(1, 1), u"edited");
    EXPECT_EQ(log(), (std::vector<std::u16string>{u"kept"}));
    EXPECT_EQ(drawing.callCount(u"SelectOnScreen"), picks);
    EXPECT_TRUE(form->CheckBox1.Checked());
    EXPECT_FALSE(form->FormCloseQuery());
    EXPECT_EQ(fakes.dialogs.asked.size(), 2u);

    // With the CAD application not running a Get changes no cell: nothing to ask.
    connector.unregister(kProgId);
    connector.registerProgId(kProgId);
    form->Button1Click();
    EXPECT_EQ(fakes.dialogs.asked.size(), 2u);
    connector.unregister(kProgId);
    connector.registerProgId(kProgId, drawing.application());

    // Written by an Update, the edit is safe.
    form->Button2Click();
    EXPECT_TRUE(form->FormCloseQuery());
    EXPECT_EQ(fakes.dialogs.asked.size(), 2u);

    // Text that no Update can place (no template in its column) would be lost too.
    g().setCells(2, 3, u"lost");
    EXPECT_TRUE(form->hasUnsavedEdits());
    fakes.dialogs.answer = true;
    form->Button1Click();
    EXPECT_EQ(fakes.dialogs.asked.size(), 3u);
    EXPECT_EQ(g().Cells(2, 3), u"");  // the user agreed: the grid comes from the drawing again
    EXPECT_EQ(g().Cells(1, 1), u"edited");
}

// Esc or 中止 stops a Get before its next entity: the grid and the records
// behind it stay as the last Get left them, so an Update still fits the drawing.
TEST_F(Update, AStoppedGetLeavesTheTableAndItsRecordsAsTheyWere) {
    const auto texts = form->lists.textAry.size();
    const std::u16string caption = form->Caption();
    int pumps = 0;
    bool stopEnabled = false;
    fakes.pump.onPump = [&] {
        stopEnabled = form->StopButton.Enabled();
        if (++pumps == 3) {
            form->stopCommand();
        }
    };
    form->Button1Click();
    fakes.pump.onPump = nullptr;
    EXPECT_TRUE(stopEnabled);
    EXPECT_FALSE(form->StopButton.Enabled());
    EXPECT_EQ(log().back(), u"[取得] 中止しました (2 / 7 個目まで読みました)。表は取得前のままです。");
    EXPECT_EQ(form->lists.textAry.size(), texts);
    EXPECT_EQ(form->Caption(), caption);
    EXPECT_EQ(form->table.firstId(1, 1), a);
    EXPECT_TRUE(drawing.selectionSetNames().empty());

    g().setCells(1, 1, u"X");
    form->Button2Click();
    EXPECT_EQ(drawing.entity(a)->text, u"X");
    EXPECT_EQ(log().back(), u"[更新] 編集 = 1, 追加 = 0, 削除 = 0");
}

TEST_F(Update, AStoppedUpdateKeepsWhatItWroteRecordedAndClosesItsUndoGroup) {
    g().setCells(1, 1, u"ABC");
    g().setCells(2, 1, u"TOP");
    g().setCells(1, 2, u"R2");
    const auto groups = drawing.undoGroupCount();
    int pumps = 0;
    fakes.pump.onPump = [&] {
        if (++pumps == 2) {
            form->stopCommand();  // after the first cell
        }
    };
    form->Button2Click();
    fakes.pump.onPump = nullptr;
    EXPECT_EQ(drawing.entity(a)->text, u"ABC");
    EXPECT_EQ(drawing.entity(c)->text, u"top");
    EXPECT_EQ(drawing.entity(b)->text, u"row2");
    EXPECT_EQ(log(), (std::vector<std::u16string>{
                         u"[更新] 編集 = 1, 追加 = 0, 削除 = 0",
                         u"[更新] 中止しました (1 / 6 セルまで)。残りの変更は次の更新で書き込みます。"}));
    EXPECT_FALSE(drawing.undoMarkOpen());
    EXPECT_EQ(drawing.undoGroupCount(), groups + 1);
    EXPECT_EQ(drawing.undoMarkMisuse(), 0);
    // What was written is recorded; what was not is still pending.
    EXPECT_EQ(form->pendingChangeAt(1, 1), CellChange::None);
    EXPECT_NE(form->pendingChangeAt(2, 1), CellChange::None);

    form->Button2Click();
    EXPECT_EQ(drawing.entity(c)->text, u"TOP");
    EXPECT_EQ(drawing.entity(b)->text, u"R2");
    EXPECT_EQ(log().back(), u"[更新] 編集 = 2, 追加 = 0, 削除 = 0");
}

// Closing while a command runs never tears the window down under it: asked
// first, it closes once the command has stopped, or not at all.
TEST_F(Update, ClosingDuringAnUpdateAsksAndClosesOnlyOnceItHasStopped) {
    for (const bool answer : {false, true}) {
        g().setCells(1, 1, answer ? u"yes" : u"no");
        g().setCells(2, 1, answer ? u"YES" : u"NO");
        fakes.dialogs.answer = answer;
        fakes.dialogs.asked.clear();
        bool mayClose = true;
        fakes.pump.onPump = [&] {
            if (fakes.dialogs.asked.empty()) {
                mayClose = form->FormCloseQuery();
            }
        };
        form->Button2Click();
        fakes.pump.onPump = nullptr;
        EXPECT_FALSE(mayClose);
        ASSERT_EQ(fakes.dialogs.asked.size(), 1u);
        EXPECT_NE(fakes.dialogs.asked[0].find(u"「更新」を実行中です"), std::u16string::npos);
        EXPECT_EQ(closeRequests, answer ? 1 : 0);
        // The update that went on wrote both cells; the stopped one wrote nothing.
        EXPECT_EQ(drawing.entity(a)->text, u"no");
        EXPECT_EQ(drawing.entity(c)->text, u"NO");
    }
}

TEST_F(Update, ClosingDuringAShortCommandClosesOnceItHasEnded) {
    g().setSelection(GridRect{1, 1, 2, 3});
    bool asked = false;
    fakes.pump.onPump = [&] {
        if (!asked) {
            asked = true;
            EXPECT_FALSE(form->FormCloseQuery());
            EXPECT_EQ(closeRequests, 0);  // not under the running conversion
        }
    };
    form->N8Click(form->menuItem(u"N11"));
    fakes.pump.onPump = nullptr;
    ASSERT_TRUE(asked);
    EXPECT_NE(fakes.dialogs.asked.back().find(u"終わったら終了しますか"), std::u16string::npos);
    EXPECT_EQ(closeRequests, 1);
}
