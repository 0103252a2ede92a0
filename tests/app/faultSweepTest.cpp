// Every automation call of a Get and of an Update failing in turn: the error
// is reported once, records, grid and drawing agree afterwards, and a clean
// run then leaves exactly what a run without the fault leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "app/qdlXUnit.h"
#include "core/text.h"
#include "testing/fakeForm.h"
#include "testing/platformFakes.h"
#include "tools/cad-standin/memDrawing.h"

using namespace qx;
using cad::MemDrawing;

namespace {

constexpr char16_t kProgId[] = u"BricscadApp.AcadApplication";

// What the drawing holds, without object IDs: they differ from run to run.
using Content = std::vector<std::tuple<std::u16string, int, double, double>>;

Content content(const MemDrawing& drawing) {
    Content c;
    for (const auto& e : drawing.liveEntities()) {
        if (e.kind != cad::EntityKind::Text)
            continue;
        const auto& p = e.alignment == 0 ? e.insertionPoint : e.alignmentPoint;
        c.emplace_back(e.text, e.alignment, std::round(p.x * 1000) / 1000, std::round(p.y * 1000) / 1000);
    }
    std::sort(c.begin(), c.end());
    return c;
}

// A parts list of three columns and four data rows, left, centred and right texts.
struct Scene : test::FakeForm {
    MemDrawing drawing;
    cad::MemConnector connector;

    Scene() {
        drawing.addPolyline({0, 0, 60, 0, 60, -40, 0, -40}, true);
        for (double x : {20.0, 40.0})
            drawing.addLine({x, 0, 0}, {x, -40, 0});
        for (double y : {-8.0, -16.0, -24.0, -32.0})
            drawing.addLine({0, y, 0}, {60, y, 0});
        const char16_t* names[4][3] = {
            {u"番号", u"品名", u"数量"}, {u"1", u"ボルト", u"4"}, {u"2", u"ナット", u"8"}, {u"3", u"座金", nullptr}};
        // A name over its standard in one cell, and a field number set on a border.
        drawing.addText(u"M8", {0, 0, 0}, {30, -15}, 1);
        drawing.addText(u"5", {0, 0, 0}, {40, -29}, 10);
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 3; ++c) {
                if (!names[r][c])
                    continue;
                const double y = -8.0 * r - 6;
                if (c == 0)
                    drawing.addText(names[r][c], {2, y, 0}, {0, 0, 0}, 0);
                else
                    drawing.addText(names[r][c], {0, 0, 0}, {20.0 * c + (c == 1 ? 10 : 18), y}, c == 1 ? 1 : 2);
            }
        }
        drawing.pickAll();
        connector.registerProgId(kProgId, drawing.application());
        start(services(&connector));
    }
    StringGrid& grid() { return form->StringGrid1; }

    // An edit, a deletion and additions in columns with a template.
    void edit() {
        grid().setCells(2, 2, u"六角ボルト\nM10\nS45C");
        grid().setCells(3, 3, u"");
        grid().setCells(3, 4, u"12");
        grid().setCells(1, 5, u"4");
        grid().setCells(2, 5, u"ピン");
    }

    // Drawing, records and grid agree: every recorded text is in the drawing
    // with the recorded contents, every cell's ID is recorded, and the
    // drawing holds no text that no record knows.
    void expectConsistent(const std::string& where) {
        const auto& texts = form->lists.textAry;
        std::vector<std::int64_t> known;
        for (const auto& t : texts) {
            if (t.objID == 0)
                continue;
            known.push_back(t.objID);
            const auto e = drawing.entity(t.objID);
            ASSERT_TRUE(e && !e->erased) << where;
            EXPECT_EQ(e->text, t.sText) << where;
        }
        for (const auto& e : drawing.liveEntities()) {
            if (e.kind == cad::EntityKind::Text) {
                EXPECT_NE(std::find(known.begin(), known.end(), e.id), known.end()) << where << ": a stray text";
            }
        }
        for (int r = 1; r < grid().RowCount(); ++r) {
            for (int c = 1; c < grid().ColCount(); ++c) {
                for (const auto id : form->table.ids(c, r)) {
                    EXPECT_GE(form->textIndexOfId(id), 0) << where << ": cell " << c << "," << r;
                }
            }
        }
    }
};

// How often each member is called by one run of f on a fresh scene.
std::vector<std::pair<std::u16string, int>> callsOf(const std::function<void(Scene&)>& prepare,
                                                    const std::function<void(Scene&)>& run) {
    static const char16_t* members[] = {u"HWND",
                                        u"ActiveDocument",
                                        u"FullName",
                                        u"Name",
                                        u"SelectionSets",
                                        u"Count",
                                        u"Item",
                                        u"Add",
                                        u"Clear",
                                        u"SelectOnScreen",
                                        u"EntityName",
                                        u"Coordinates",
                                        u"Closed",
                                        u"StartPoint",
                                        u"EndPoint",
                                        u"Alignment",
                                        u"InsertionPoint",
                                        u"TextAlignmentPoint",
                                        u"ObjectID",
                                        u"TextString",
                                        u"ObjectIdToObject",
                                        u"Update",
                                        u"Delete",
                                        u"Copy",
                                        u"Move",
                                        u"Height",
                                        u"GetBoundingBox",
                                        u"StartUndoMark",
                                        u"EndUndoMark",
                                        u"Regen"};
    Scene s;
    prepare(s);
    std::vector<int> before;
    for (auto m : members)
        before.push_back(s.drawing.callCount(m));
    run(s);
    std::vector<std::pair<std::u16string, int>> calls;
    for (std::size_t i = 0; i < std::size(members); ++i) {
        const int n = s.drawing.callCount(members[i]) - before[i];
        if (n > 0)
            calls.emplace_back(members[i], n);
    }
    return calls;
}

int errorsOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error&) {
        return 1;
    }
    return 0;
}

}  // namespace

TEST(FaultSweep, UpdateLeavesNoStrayTextAndACleanUpdateFinishesTheJob) {
    auto prepare = [](Scene& s) {
        s.form->Button1Click();
        s.edit();
    };
    auto update = [](Scene& s) { s.form->Button2Click(); };
    Scene reference;
    prepare(reference);
    update(reference);
    ASSERT_EQ(reference.form->Memo1.Lines().back(), u"[更新] 編集 = 3, 追加 = 3, 削除 = 1");
    const Content expected = content(reference.drawing);

    int positions = 0;
    for (const auto& [member, count] : callsOf(prepare, update)) {
        for (int k = 1; k <= count; ++k, ++positions) {
            const std::string where = toUtf8(member) + " #" + std::to_string(k);
            Scene s;
            prepare(s);
            s.drawing.failCall(member, k, u"故障");
            const int errors = errorsOf([&] { update(s); });
            // A text the drawing cannot return is passed over, not an error.
            EXPECT_EQ(errors, member == u"ObjectIdToObject" ? 0 : 1) << where;
            s.expectConsistent(where);
            EXPECT_EQ(errorsOf([&] { update(s); }), 0) << where;
            EXPECT_EQ(content(s.drawing), expected) << where;
            s.expectConsistent(where + ", then clean");
            update(s);
            EXPECT_EQ(s.form->Memo1.Lines().back(), u"[更新] 編集 = 0, 追加 = 0, 削除 = 0") << where;

            // The same fault, then the user's U: the drawing is as it was before the Update.
            Scene u;
            prepare(u);
            const Content before = content(u.drawing);
            const std::size_t groups = u.drawing.undoGroupCount();
            u.drawing.failCall(member, k, u"故障");
            errorsOf([&] { update(u); });
            EXPECT_FALSE(u.drawing.undoMarkOpen() && member != u"EndUndoMark") << where;
            ASSERT_LE(u.drawing.undoGroupCount(), groups + 1) << where << ": one Update, one step";
            if (u.drawing.undoGroupCount() > groups) {
                ASSERT_TRUE(u.drawing.undo()) << where;
            }
            EXPECT_EQ(content(u.drawing), before) << where;
            EXPECT_EQ(u.drawing.undoMarkMisuse(), member == u"EndUndoMark" ? 1 : 0) << where;
        }
    }
    EXPECT_GT(positions, 40);
}

TEST(FaultSweep, GetLeavesNoSelectionSetAndTheListsAsTheyWereOrPartlyRead) {
    // The previous Get read only the polyline and the first text, so a Get
    // that fails before reading is told apart from one that failed while reading.
    auto prepare = [](Scene& s) {
        const auto ids = s.drawing.liveIds();
        s.drawing.pickIds({ids[0], ids[7]});
        s.form->Button1Click();
        s.drawing.pickAll();
    };
    auto get = [](Scene& s) { s.form->Button1Click(); };
    Scene reference;
    prepare(reference);
    const TQdlLists before = reference.form->lists;
    get(reference);
    const TQdlLists full = reference.form->lists;
    ASSERT_EQ(reference.form->StringGrid1.RowCount(), 6);

    auto prefixOf = [](const auto& part, const auto& whole, auto same) {
        return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin(), same);
    };
    auto sameLine = [](const TQdlLine& a, const TQdlLine& b) { return a.st == b.st && a.ed == b.ed; };
    auto sameText = [](const TQdlText& a, const TQdlText& b) { return a.objID == b.objID && a.sText == b.sText; };

    for (const auto& [member, count] : callsOf(prepare, get)) {
        for (int k = 1; k <= count; ++k) {
            const std::string where = toUtf8(member) + " #" + std::to_string(k);
            Scene s;
            prepare(s);
            const int rowsBefore = s.grid().RowCount();
            s.drawing.failCall(member, k, u"故障");
            const int errors = errorsOf([&] { get(s); });
            const auto& lists = s.form->lists;
            if (member == u"SelectOnScreen") {
                EXPECT_EQ(errors, 0) << where;  // a failed pick is a cancelled one
            } else {
                EXPECT_EQ(errors, 1) << where;
                EXPECT_EQ(s.grid().RowCount(), rowsBefore) << where;  // the grid is not refilled
                const bool untouched = prefixOf(lists.lineAry, before.lineAry, sameLine) &&
                                       lists.lineAry.size() == before.lineAry.size() &&
                                       prefixOf(lists.textAry, before.textAry, sameText) &&
                                       lists.textAry.size() == before.textAry.size();
                const bool partlyRead =
                    prefixOf(lists.lineAry, full.lineAry, sameLine) && prefixOf(lists.textAry, full.textAry, sameText);
                EXPECT_TRUE(untouched || partlyRead) << where;
            }
            // The set goes however the Get ended, unless deleting it is what failed.
            if (member != u"Delete") {
                EXPECT_TRUE(s.drawing.selectionSetNames().empty()) << where;
            }
            get(s);
            EXPECT_TRUE(s.drawing.selectionSetNames().empty()) << where;
            EXPECT_EQ(s.grid().RowCount(), 6) << where;
            EXPECT_EQ(s.form->lists.textAry.size(), full.textAry.size()) << where;
        }
    }
}

TEST(FaultSweep, AnUpdateOfRowsThatFailsSaysSoKeepsRecordsTrueAndOneUTakesItBack) {
    auto prepare = [](Scene& s) {
        s.form->Button1Click();
        s.form->table.deleteRows(2, 2);
        s.form->table.insertRow(3);
        s.grid().setCells(2, 3, u"ピン");
        s.grid().setCells(2, 1, u"部品名");
    };
    auto update = [](Scene& s) { s.form->Button2Click(); };
    auto live = [](const MemDrawing& d) {
        auto v = d.liveEntities();
        for (auto& e : v)
            e.updates = 0;
        return v;
    };
    Scene reference;
    prepare(reference);
    update(reference);
    ASSERT_EQ(reference.form->Memo1.Lines().back(), u"[更新] 編集 = 1, 追加 = 1, 削除 = 0");

    int positions = 0;
    for (const auto& [member, count] : callsOf(prepare, update)) {
        for (int k = 1; k <= count; ++k, ++positions) {
            const std::string where = toUtf8(member) + " #" + std::to_string(k);
            Scene s;
            prepare(s);
            const auto before = live(s.drawing);
            const std::size_t groups = s.drawing.undoGroupCount();
            s.drawing.failCall(member, k, u"故障");
            const int errors = errorsOf([&] { update(s); });
            s.expectConsistent(where);
            // Every recorded line is in the drawing where its record says.
            for (const auto& l : s.form->lists.lineAry) {
                const auto e = s.drawing.entity(l.objID);
                ASSERT_TRUE(e && !e->erased) << where;
                if (e->kind == cad::EntityKind::Line) {
                    EXPECT_EQ(e->start.y, l.st.y) << where;
                    EXPECT_EQ(e->end.y, l.ed.y) << where;
                }
            }
            // Rows left half done: the log says how to go back.
            if (errors > 0 && s.form->table.rowsChanged() && s.drawing.undoGroupCount() > groups) {
                const auto& log = s.form->Memo1.Lines();
                EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::u16string& l) {
                    return l.starts_with(u"[更新] 行の挿入・削除");
                })) << where;
            }
            EXPECT_FALSE(s.drawing.undoMarkOpen() && member != u"EndUndoMark") << where;
            ASSERT_LE(s.drawing.undoGroupCount(), groups + 1) << where << ": one Update, one step";
            if (s.drawing.undoGroupCount() > groups) {
                ASSERT_TRUE(s.drawing.undo()) << where;
            }
            EXPECT_EQ(live(s.drawing), before) << where;
        }
    }
    EXPECT_GT(positions, 60);
}
