#include <gtest/gtest.h>

#include "app/qdlXUnit.h"
#include "testing/fakeForm.h"
#include "testing/platformFakes.h"

using namespace qx;

namespace {
struct Handlers : testing::Test, test::FakeForm {
    VivazQDLForm* f = nullptr;
    int candidates = 0;
    void SetUp() override {
        f = &start(services());
        f->makeInputList = [this] { return ++candidates > 0; };
        StringGrid& g = f->StringGrid1;
        g.setCells(1, 1, u"a");
        f->table.setIds(1, 1, {31});
        f->table.setIds(1, 2, {32});
    }
    std::u16string lastLog() const { return f->Memo1.Lines().empty() ? u"" : f->Memo1.Lines().back(); }
};
}  // namespace

TEST_F(Handlers, KeyPressCommandsAndTheirLogLines) {
    EXPECT_EQ(f->StringGrid1KeyPress(10, true, false), 0);
    EXPECT_EQ(lastLog(), u"[Ctrl]+[Enter]");  // the Update is disabled: only the line
    EXPECT_EQ(f->StringGrid1KeyPress(32, true, false), 0);
    EXPECT_EQ(lastLog(), u"[Ctrl]+[Space]");
    EXPECT_EQ(candidates, 1);
    EXPECT_EQ(f->StringGrid1KeyPress(27, false, false), 27);
    EXPECT_EQ(lastLog(), u"UNDO 失敗");
    f->StringGrid1.setCol(1);
    f->StringGrid1.setRow(1);
    f->StringGrid1.typeChar(u'z');  // the editor opens with the typed character
    f->StringGrid1KeyPress(27, false, false);
    EXPECT_EQ(lastLog(), u"[ESC]");
    EXPECT_EQ(f->StringGrid1.Cells(1, 1), u"a");  // the editor's own undo
    EXPECT_EQ(f->StringGrid1KeyPress(13, false, true), 0);
    EXPECT_EQ(lastLog(), u"[Shift]+[Enter]");
    EXPECT_EQ(f->StringGrid1KeyPress(13, false, false), 13);  // plain Enter is kept
    f->CheckBox4.setChecked(true);
    EXPECT_EQ(f->StringGrid1KeyPress(u'a', false, false), u'A');
    EXPECT_EQ(f->StringGrid1KeyPress(u'ａ', false, false), u'ａ');
    EXPECT_EQ(f->StringGrid1KeyPress(32, true, false), 0);  // a cancelled character stays cancelled
}

TEST_F(Handlers, SelectingAColumnWithoutTextsShowsNoNewTextPossible) {
    f->StringGrid1.setCol(2);
    EXPECT_EQ(f->StatusBar1.Panels[1].Text, u"新規作成不可");
    f->StringGrid1.setCol(1);
    EXPECT_EQ(f->StatusBar1.Panels[1].Text, u"");
    EXPECT_EQ(f->StatusBar1.Panels[0].Text, u" ID = 0000001F");
    f->StringGrid1.setRow(3);
    EXPECT_EQ(f->StatusBar1.Panels[0].Text, u"");
}

TEST_F(Handlers, AnInPlaceEditReachesTheSnapshotAtTheSecondClick) {
    StringGrid& g = f->StringGrid1;
    g.setCol(1);
    g.setRow(1);
    g.showEditor();  // pushes the cell undo record
    g.editorChange(u"edited");
    g.setRow(2);  // first click: the edit is only remembered
    EXPECT_EQ(f->StringGrid2.Cells(1, 1), u"");
    g.setRow(3);  // second click: written into the snapshot
    EXPECT_EQ(f->StringGrid2.Cells(1, 1), u"edited");
    EXPECT_EQ(f->blockUndoState.undoSel, (GridRect{1, 1, 1, 1}));

    f->SpeedButton1Click();  // the cell undo puts the text of the opening back
    EXPECT_EQ(g.Cells(1, 1), u"a");
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(g.Row(), 1);
}

TEST_F(Handlers, DragAndHeaderSelection) {
    f->StringGrid1MouseDown(true, 2, 2);
    f->StringGrid1MouseMove(3, 0);
    EXPECT_EQ(f->StringGrid1.Selection(), (GridRect{2, 1, 3, 2}));
    f->StringGrid1MouseUp();
    EXPECT_EQ(f->startCol, -1);
    f->StringGrid1MouseMove(4, 4);  // no drag in progress
    EXPECT_EQ(f->StringGrid1.Selection(), (GridRect{2, 1, 3, 2}));
    f->StringGrid1MouseDown(false, 2, 2);  // the right button starts nothing
    EXPECT_EQ(f->startCol, -1);
    f->StringGrid1FixedCellClick(3, 0);
    EXPECT_EQ(f->StringGrid1.Selection(), (GridRect{3, 1, 3, 4}));
    EXPECT_EQ(f->StringGrid1.Row(), 4);
}

TEST_F(Handlers, DeleteThenCtrlZAndMenuCopy) {
    f->StringGrid1.setSelection({1, 1, 2, 2});
    std::uint16_t key = 46;
    f->StringGrid1KeyUp(key, 0);
    EXPECT_EQ(f->StringGrid1.Cells(1, 1), u"");
    EXPECT_EQ(f->table.firstId(1, 1), 31);
    key = 'Z';
    f->StringGrid1KeyUp(key, static_cast<unsigned>(4));
    EXPECT_EQ(f->StringGrid1.Cells(1, 1), u"a");
    EXPECT_EQ(lastLog(), u"[Ctrl]+[Z]");
    f->StringGrid1.setSelection({1, 1, 1, 1});
    f->menuItem(u"N2").click();
    EXPECT_EQ(fakes.clipboard.text, u"a\r\n");
    EXPECT_EQ(f->Memo1.text(), u"a\r\n");  // the log shows the copied text
}

TEST(HandlersPopup, CtrlSpaceAndDoubleClickOfferTheColumnsTexts) {
    test::FakeForm app;
    TInputListForm popup;
    auto s = app.services();
    s.inputList = &popup;
    VivazQDLForm& f = app.start(s);
    f.StringGrid1.setCells(1, 2, u"既存");
    int shown = 0;
    popup.runModal = [&](Form& p) {
        ++shown;
        p.closeModal(ModalResult::OK);
        return ModalResult::OK;
    };
    f.StringGrid1KeyPress(32, true, false);
    EXPECT_EQ(f.StringGrid1.Cells(1, 1), u"既存");
    f.StringGrid1DblClick();
    EXPECT_EQ(f.Memo1.Lines().back(), u"[DblClick]");
    EXPECT_EQ(shown, 2);
}

TEST_F(Handlers, FreezingTheFirstRowMovesTheCurrentCellBelowItAndThePanelsFollow) {
    StringGrid& g = f->StringGrid1;
    g.setCol(2);
    g.setCol(1);  // (1, 1): the text with ID 31
    EXPECT_EQ(f->StatusBar1.Panels[0].Text, u" ID = 0000001F");
    f->CheckBox1.setChecked(true);
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(f->StatusBar1.Panels[0].Text, u" ID = 00000020");
    // Whatever comes next works below the frozen row.
    g.typeChar(u'q');
    std::uint16_t key = 46;
    f->StringGrid1KeyUp(key, 0);
    EXPECT_EQ(g.Cells(1, 1), u"a");
    EXPECT_EQ(g.Cells(1, 2), u"");
}
