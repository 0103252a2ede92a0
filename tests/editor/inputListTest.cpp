#include <gtest/gtest.h>

#include "editor/qdlInputListUnit.h"
#include "testing/platformFakes.h"

using namespace qx;

namespace {
struct InputList : testing::Test {
    fake::FakeLocale locale;
    fake::FakeScreen screen;
    StringGrid g{3, 6};
    TInputListForm popup;
    std::vector<std::u16string> shown;
    void SetUp() override {
        const char16_t* texts[] = {u"B", u"a", u"B", u"", u"   "};
        for (int r = 1; r <= 5; ++r) {
            g.setCells(1, r, texts[r - 1]);
        }
        g.setCol(1);
        g.setRow(4);
    }
    bool run(std::function<void(TInputListForm&)> user) {
        popup.runModal = [this, user](Form&) {
            shown = popup.ListBox1.Items();
            user(popup);
            return ModalResult::None;
        };
        return makeInputList(g, popup, locale, screen, {500, 400, true});
    }
};
}  // namespace

TEST_F(InputList, EnterWritesTheSelectedCandidate) {
    EXPECT_TRUE(run([](TInputListForm& p) {
        EXPECT_EQ(p.ListBox1.ItemIndex(), 0);
        p.ListBox1KeyDown(13);
    }));
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"a", u"B"}));
    EXPECT_EQ(g.Cells(1, 4), u"a");
    EXPECT_EQ(popup.Left, 540);
    EXPECT_EQ(popup.Top, 400 - 200 - 20);
}

TEST_F(InputList, EscapeAndApplicationSwitchWriteNothingDoubleClickWrites) {
    run([](TInputListForm& p) { EXPECT_TRUE(p.ListBox1KeyDown(27)); });
    EXPECT_EQ(g.Cells(1, 4), u"");
    run([](TInputListForm& p) {
        p.ListBox1.setItemIndex(1);
        p.applicationActivated();
    });
    EXPECT_EQ(g.Cells(1, 4), u"");
    run([](TInputListForm& p) {
        EXPECT_FALSE(p.ListBox1KeyDown(40));  // arrows belong to the list
        p.ListBox1.setItemIndex(1);
        p.ListBox1DblClick();
    });
    EXPECT_EQ(g.Cells(1, 4), u"B");
}

TEST_F(InputList, EmptyColumnShowsNothing) {
    g.setCol(2);
    bool opened = false;
    EXPECT_FALSE(run([&](TInputListForm&) { opened = true; }));
    EXPECT_FALSE(opened);
}

TEST(CellScreenPos, AddsScrolledCellsBeforeTheCurrentOne) {
    StringGrid g(5, 5);
    g.setColWidths(1, 60);
    g.setCol(3);
    g.setRow(2);
    const CellScreenPos p = cellScreenPos(g, 0, 41, [](int& x, int& y) {
        x += 1000;
        y += 500;
        return true;
    });
    EXPECT_EQ(p.x, 1000 + 60 + 40);
    EXPECT_EQ(p.y, 500 + 41 + 20);
    EXPECT_TRUE(p.ok);
}
