#include <gtest/gtest.h>

#include "core/text.h"
#include "table/tableGrid.h"
#include "text/acadQDLTikanUnit.h"

using namespace qx;

namespace {

struct ReplaceCase {
    std::u16string text, search, replacement;
    bool ignoreCase;
    std::u16string out;
};

class ReplaceTextCases : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTextCases, Replaces) {
    const auto& p = GetParam();
    EXPECT_EQ(toUtf8(replaceText(p.text, p.search, p.replacement, p.ignoreCase)), toUtf8(p.out));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceTextCases,
    ::testing::Values(ReplaceCase{u"aaa", u"aa", u"b", false, u"ba"}, ReplaceCase{u"a", u"a", u"aa", false, u"aa"},
                      ReplaceCase{u"abcabc", u"b", u"", false, u"acac"}, ReplaceCase{u"abc", u"", u"x", true, u"abc"},
                      ReplaceCase{u"", u"a", u"x", true, u""}, ReplaceCase{u"Abc aBC", u"abc", u"X", false, u"Abc aBC"},
                      ReplaceCase{u"Abc aBC abc", u"abc", u"X", true, u"X X X"},
                      ReplaceCase{u"ＡＢｃ", u"ａｂＣ", u"Ｚ", true, u"Ｚ"},
                      // Case folds within each width, never across widths.
                      ReplaceCase{u"Ａa", u"ａA", u"-", true, u"-"}, ReplaceCase{u"Ａa", u"aa", u"-", true, u"Ａa"},
                      ReplaceCase{u"ÄäカカAa", u"äカ", u"_", true, u"Ä_カAa"}));

template <class Grid>
void fill(Grid& g) {
    for (int r = 0; r < g.RowCount(); ++r) {
        for (int c = 0; c < g.ColCount(); ++c) {
            g.setCells(c, r, u"aA" + decimalText(c));
        }
    }
}

struct Fixture : ::testing::Test {
    StringGrid working{5, 5};
    CellTexts snapshot{2, 2};
    TnTextTikanForm form;
    GridRect undoSel{9, 9, 9, 9};
    ModalResult answer = ModalResult::OK;
    std::u16string seenSearch;
    void SetUp() override {
        fill(working);
        fill(snapshot);
        snapshot.setCells(1, 1, u"old snapshot");
        form.runModal = [this](Form&) {
            seenSearch = form.Edit1.Text();
            if (answer == ModalResult::OK) {
                form.Button1.click();
            } else {
                form.Button2.click();
            }
            return ModalResult::None;
        };
    }
};

TEST_F(Fixture, DialogStartsEmptyAndTicked) {
    TnTextTikanForm f;
    EXPECT_TRUE(f.CheckBox1.Checked());
    EXPECT_EQ(f.Edit1.Text(), u"");
    EXPECT_EQ(f.Edit2.Text(), u"");
    EXPECT_EQ(f.Caption(), u"文字列置換");
}

TEST_F(Fixture, ReplacesInSelectionOnlyAndSnapshotHoldsTheOldGrid) {
    working.setCells(2, 2, u"aX");
    form.Edit2.setText(u"#");
    form.runModal = [this](Form&) {
        seenSearch = form.Edit1.Text();
        form.Edit1.setText(u"a");
        form.Button1.click();
        return ModalResult::None;
    };
    const GridRect sel{2, 2, 3, 3};
    ASSERT_TRUE(runReplace(form, working, snapshot, sel, undoSel));
    EXPECT_EQ(seenSearch, u"aX");
    EXPECT_EQ(undoSel, sel);
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 5; ++c) {
            const bool inside = c >= 2 && c <= 3 && r >= 2 && r <= 3;
            std::u16string before = (c == 2 && r == 2) ? u"aX" : u"aA" + decimalText(c);
            // Ticked by default: A matches a as well.
            std::u16string after = (c == 2 && r == 2) ? u"#X" : u"##" + decimalText(c);
            EXPECT_EQ(working.Cells(c, r), inside ? after : before) << c << "," << r;
        }
    }
    // What the block undo copies back is the grid as it was.
    copyGrid(snapshot, working.model());
    EXPECT_EQ(working.Cells(2, 2), u"aX");
    EXPECT_EQ(working.Cells(3, 3), u"aA3");
}

TEST_F(Fixture, UntickedIsExact) {
    form.CheckBox1.setChecked(false);
    form.runModal = [this](Form&) {
        form.Edit1.setText(u"A");
        form.Edit2.setText(u"b");
        form.closeModal(ModalResult::OK);
        return ModalResult::None;
    };
    runReplace(form, working, snapshot, GridRect{1, 1, 1, 1}, undoSel);
    EXPECT_EQ(working.Cells(1, 1), u"ab1");
}

TEST_F(Fixture, CancelChangesNothing) {
    answer = ModalResult::Cancel;
    form.Edit2.setText(u"zz");
    EXPECT_FALSE(runReplace(form, working, snapshot, GridRect{1, 1, 4, 4}, undoSel));
    EXPECT_EQ(seenSearch, u"aA1");
    EXPECT_EQ(working.Cells(1, 1), u"aA1");
    EXPECT_EQ(snapshot.Cells(1, 1), u"old snapshot");
    EXPECT_EQ(undoSel, (GridRect{9, 9, 9, 9}));
    EXPECT_EQ(form.Edit2.Text(), u"zz");  // kept for the next use
}

TEST_F(Fixture, EmptyTopLeftCellEmptiesSearchAndChangesNothing) {
    working.setCells(1, 1, u"");
    form.Edit1.setText(u"stale");
    form.Edit2.setText(u"x");
    ASSERT_TRUE(runReplace(form, working, snapshot, GridRect{1, 1, 4, 4}, undoSel));
    EXPECT_EQ(seenSearch, u"");
    EXPECT_EQ(working.Cells(2, 2), u"aA2");
    EXPECT_EQ(snapshot.Cells(1, 1), u"");  // the snapshot was taken all the same
}

}  // namespace
