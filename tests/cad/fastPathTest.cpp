// The in-process fast path against the call-by-call path: the same drawings,
// edits and faults give the same records, grid, drawing and errors.
#include <gtest/gtest.h>

#include <functional>

#include "cad/fastPath.h"
#include "core/text.h"
#include "table/tableGrid.h"
#include "testing/tableUnits.h"
#include "tools/cad-standin/memDrawing.h"

using namespace qx;
using namespace qx::cad;

namespace {

using test::NoWindow;

using Scene = std::function<void(MemDrawing&)>;
using Edits = std::function<void(TableModel&)>;

// Everything a Get, the edits and an Update leave behind.
struct Outcome {
    std::vector<MemEntity> drawing;
    std::vector<std::tuple<std::int64_t, std::u16string, double, double, int>> records;
    std::vector<std::tuple<std::int64_t, bool, double, double, double, double>> lines;
    std::vector<std::pair<std::u16string, std::vector<std::int64_t>>> cells;
    int edited = 0, added = 0, deleted = 0;
    std::u16string getError, updateError;
    bool operator==(const Outcome&) const = default;
};

Dispatch fastPathObject(const std::u16string& progId) {
    return progId == kFastPathProgId ? Dispatch(std::make_shared<FastPathServer>()) : Dispatch();
}

Outcome run(const Scene& scene, const Edits& edits, bool fast, const std::u16string& failing = {}, int k = 0,
            bool faultInGet = false) {
    MemDrawing drawing;
    scene(drawing);
    if (fast)
        drawing.setInterfaceObjects(fastPathObject);
    drawing.pickAll();
    const Dispatch app = drawing.application();
    const Dispatch doc = app.get(u"ActiveDocument").toDispatch();
    fake::FakeClock clock;
    NoWindow view;
    TQdlLists lists;
    TextIndex index;
    TableModel grid{5, 5};
    Outcome out;
    if (faultInGet && !failing.empty())
        drawing.failCall(failing, k, u"故障");
    try {
        fetchTable(doc, lists, view, clock, fast ? loadFastPath(app) : Dispatch());
    } catch (const Error& e) {
        out.getError = e.message();
    }
    collectBorders(lists, 0.1);
    mergeBorders(lists, 0.1);
    fillGrid(grid, lists, 0.1);
    if (out.getError.empty())
        edits(grid);
    const DocumentKey key = documentKey(doc);
    const Dispatch fastPath = fast ? loadFastPath(app) : Dispatch();
    if (!faultInGet && !failing.empty())
        drawing.failCall(failing, k, u"故障");
    try {
        auto r = updateTable(doc, key, lists, index, grid, view, fastPath);
        out.edited = r.edited;
        out.added = r.added;
        out.deleted = r.deleted;
    } catch (const Error& e) {
        out.updateError = e.message();
    }
    out.drawing = drawing.liveEntities();
    for (auto& e : out.drawing)
        e.updates = 0;  // how often Update was called is no part of the drawing
    for (const auto& t : lists.textAry)
        out.records.emplace_back(t.objID, t.sText, t.base.x, t.base.y, t.code);
    for (const auto& l : lists.lineAry)
        out.lines.emplace_back(l.objID, l.poly, l.st.x, l.st.y, l.ed.x, l.ed.y);
    for (int r = 0; r < grid.RowCount(); ++r)
        for (int c = 0; c < grid.ColCount(); ++c)
            out.cells.emplace_back(grid.Cells(c, r), grid.ids(c, r));
    return out;
}

// cols x rows cells of 20 x 8 with a text in each, alignments in turn.
Scene table(int cols, int rows) {
    return [cols, rows](MemDrawing& d) {
        d.addPolyline({0, 0, 20.0 * cols, 0, 20.0 * cols, -8.0 * rows, 0, -8.0 * rows}, true);
        for (int c = 1; c < cols; ++c)
            d.addLine({20.0 * c, 0, 0}, {20.0 * c, -8.0 * rows, 0});
        for (int r = 1; r < rows; ++r)
            d.addLine({0, -8.0 * r, 0}, {20.0 * cols, -8.0 * r, 0});
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                const int a = (r * cols + c) % 15;
                const std::u16string text = u"R" + fromUtf8(std::to_string(r)) + u"C" + fromUtf8(std::to_string(c));
                if (a == 0)
                    d.addText(text, {20.0 * c + 2, -8.0 * r - 6, 0}, {0, 0, 0}, 0);
                else if (a == 3 || a == 5)
                    d.addText(text, {20.0 * c + 2, -8.0 * r - 6, 0}, {20.0 * c + 12, -8.0 * r - 5.5, 0}, a);
                else
                    d.addText(text, {0, 0, 0}, {20.0 * c + 10, -8.0 * r - 4, 0}, a);
            }
        }
        d.addEntity(EntityKind::Spline, {1, -1, 0});  // picked, but gives nothing
    };
}

// Edits, deletions and additions spread over the table; column 3 keeps only
// its first row, so new texts there have no template.
Edits spread(int cols, int rows) {
    return [cols, rows](TableModel& g) {
        for (int r = 2; r <= rows; ++r)
            g.setCells(3, r, u"");
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= cols; ++c) {
                const int n = r * 7 + c;
                if (c == 3)
                    continue;
                if (n % 5 == 0)
                    g.setCells(c, r, u"編集" + fromUtf8(std::to_string(n)));
                else if (n % 11 == 0)
                    g.setCells(c, r, u"");
            }
        }
        g.setCells(3, rows, u"行き場なし");  // no template below row 1
        g.setCells(1, 2, u"");
        g.setCells(1, 2, u"再入力");  // emptied and retyped in one go: still an edit
    };
}

// cols x rows cells of 20 x 12, cell (c, r) stacking 1 + (c + r) % 3 texts
// 3 apart; the first column's second row is the only template of a column.
Scene stacked(int cols, int rows) {
    return [cols, rows](MemDrawing& d) {
        d.addPolyline({0, 0, 20.0 * cols, 0, 20.0 * cols, -12.0 * rows, 0, -12.0 * rows}, true);
        for (int c = 1; c < cols; ++c)
            d.addLine({20.0 * c, 0, 0}, {20.0 * c, -12.0 * rows, 0});
        for (int r = 1; r < rows; ++r)
            d.addLine({0, -12.0 * r, 0}, {20.0 * cols, -12.0 * r, 0});
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                for (int k = 0; k <= (c + r) % 3; ++k) {
                    const std::u16string text = fromUtf8(std::to_string(r * 100 + c * 10 + k));
                    const double y = -12.0 * r - 3 - 3 * k;
                    if ((c + k) % 2 == 0)
                        d.addText(text, {20.0 * c + 2, y, 0}, {0, 0, 0}, 0);
                    else
                        d.addText(text, {0, 0, 0}, {20.0 * c + 10, y, 0}, 10);
                }
    };
}

// cols x rows cells of 20 x 12: multiline texts with codes around and
// inside their text, each attachment in turn, and single-line labels above
// some of them.
Scene multiline(int cols, int rows) {
    return [cols, rows](MemDrawing& d) {
        d.addPolyline({0, 0, 20.0 * cols, 0, 20.0 * cols, -12.0 * rows, 0, -12.0 * rows}, true);
        for (int c = 1; c < cols; ++c)
            d.addLine({20.0 * c, 0, 0}, {20.0 * c, -12.0 * rows, 0});
        for (int r = 1; r < rows; ++r)
            d.addLine({0, -12.0 * r, 0}, {20.0 * cols, -12.0 * r, 0});
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                const std::u16string n = fromUtf8(std::to_string(r * 10 + c));
                if ((r + c) % 3 == 0)
                    d.addText(u"%%u" + n + u"%%u", {20.0 * c + 1, -12.0 * r - 3, 0}, {0, 0, 0}, 0);
                const std::u16string contents =
                    (r + c) % 2 ? u"{\\H2.5;" + n + u"\\P%%c" + n + u"}" : u"\\A1;" + n + u"{\\C1;" + n + u"}";
                d.addMText(contents, {20.0 * c + 2, -12.0 * r - 5, 0}, 1 + (r * cols + c) % 9, 16);
            }
    };
}

// Every kind of line edit: a line changed, lines added, lines removed,
// cells emptied, several lines into a cell emptied before.
Edits stackedEdits(int cols, int rows) {
    return [cols, rows](TableModel& g) {
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= cols; ++c) {
                auto lines = valueLines(g.Cells(c, r));
                switch ((r * 5 + c) % 6) {
                    case 0:
                        lines.front() += u"改";
                        break;
                    case 1:
                        lines.push_back(u"追加");
                        lines.push_back(u"追加2");
                        break;
                    case 2:
                        lines.pop_back();
                        break;
                    case 3:
                        lines.clear();
                        break;
                    default:
                        continue;
                }
                g.setCells(c, r, joinLines(lines));
            }
        }
    };
}

}  // namespace

TEST(FastPath, GivesTheSameTablesAsCallByCall) {
    const struct {
        const char* name;
        Scene scene;
        Edits edits;
    } cases[] = {
        {"every alignment", table(15, 3), spread(15, 3)},
        {"more than a chunk", table(20, 15), spread(20, 15)},
        {"erased texts",
         [](MemDrawing& d) {
             table(6, 5)(d);
             auto ids = d.liveIds();
             d.erase(ids[14]);
             d.erase(ids[20]);
         },
         spread(6, 5)},
        {"no edits", table(4, 4), [](TableModel&) {}},
        {"stacked cells", stacked(5, 6), stackedEdits(5, 6)},
        {"multiline texts", multiline(5, 6), stackedEdits(5, 6)},
        {"a pick of nothing", [](MemDrawing&) {}, [](TableModel& g) { g.setCells(1, 1, u"x"); }},
        {"rows inserted and deleted", stacked(5, 6),
         [](TableModel& g) {
             stackedEdits(5, 6)(g);
             g.deleteRows(2, 3);
             g.insertRow(4);
             g.setCells(1, 4, u"新規");
         }},
    };
    for (const auto& c : cases) {
        const Outcome slow = run(c.scene, c.edits, false), fast = run(c.scene, c.edits, true);
        EXPECT_TRUE(slow == fast) << c.name;
        EXPECT_EQ(slow.records.size(), fast.records.size()) << c.name;
        EXPECT_EQ(slow.edited, fast.edited) << c.name;
        EXPECT_EQ(slow.added, fast.added) << c.name;
        EXPECT_EQ(slow.deleted, fast.deleted) << c.name;
    }
    // Every line's record names its entity, through either way of reading.
    const Outcome read = run(
        stacked(5, 6), [](TableModel&) {}, true);
    EXPECT_EQ(std::count_if(read.lines.begin(), read.lines.end(), [](const auto& l) { return std::get<1>(l); }), 4);
    EXPECT_TRUE(std::none_of(read.lines.begin(), read.lines.end(), [](const auto& l) { return std::get<0>(l) == 0; }));
    const Outcome big = run(table(20, 15), spread(20, 15), true);
    EXPECT_GT(big.added + big.edited + big.deleted, 40);
}

TEST(FastPath, ReadsInChunksWithProgressPerChunk) {
    MemDrawing drawing;
    table(20, 15)(drawing);
    drawing.setInterfaceObjects(fastPathObject);
    drawing.pickAll();
    const Dispatch app = drawing.application();
    fake::FakeClock clock;
    NoWindow view;
    TQdlLists lists;
    const int items = drawing.callCount(u"Item");
    auto r = fetchTable(app.get(u"ActiveDocument").toDispatch(), lists, view, clock, loadFastPath(app));
    EXPECT_EQ(r.picked, 1 + 19 + 14 + 300 + 1);
    EXPECT_EQ(view.reads, (std::vector<int>{256, 335}));
    EXPECT_EQ(lists.textAry.size(), 300u);
    EXPECT_EQ(drawing.callCount(u"Item") - items, 335);  // each entity once, inside the fast path
}

TEST(FastPath, CallByCallWhenItCannotBeHad) {
    MemDrawing drawing;
    // Not loadable: the application fails GetInterfaceObject.
    EXPECT_FALSE(loadFastPath(drawing.application()));
    // An object of another version.
    drawing.setInterfaceObjects(
        [](const std::u16string&) { return Dispatch(std::make_shared<MemDrawing>()->application()); });
    EXPECT_FALSE(loadFastPath(drawing.application()));
    // An application without the member.
    drawing.setInterfaceObjects(fastPathObject);
    EXPECT_TRUE(loadFastPath(drawing.application()));
    drawing.withoutMember(u"GetInterfaceObject");
    EXPECT_FALSE(loadFastPath(drawing.application()));
}

// A fast path whose own calls fail: before anything is done the command goes
// call by call; once something was written, the failure is reported.
class BrokenFastPath : public FastPathServer {
public:
    int failFrom = 1;
    int calls = 0;
    Variant call(std::u16string_view member, std::vector<Variant>& args) override {
        if (++calls >= failFrom)
            throw Error(u"RPC サーバーを利用できません");
        return FastPathServer::call(member, args);
    }
};

TEST(FastPath, AFailingFastPathFallsBackOnlyBeforeAnythingWasDone) {
    const auto scene = table(20, 15);
    const auto edits = spread(20, 15);
    const Outcome expected = run(scene, edits, false);

    for (int failFrom : {1, 2}) {
        MemDrawing drawing;
        scene(drawing);
        drawing.pickAll();
        auto broken = std::make_shared<BrokenFastPath>();
        broken->failFrom = failFrom;
        const Dispatch app = drawing.application(), doc = app.get(u"ActiveDocument").toDispatch();
        fake::FakeClock clock;
        NoWindow view;
        TQdlLists lists;
        TextIndex index;
        TableModel grid{5, 5};
        if (failFrom == 1) {
            // The first chunk fails: everything is read call by call.
            fetchTable(doc, lists, view, clock, Dispatch(broken));
            EXPECT_EQ(lists.textAry.size(), 300u);
        } else {
            // The second chunk fails after the first was read: reported, lists partly read.
            EXPECT_THROW(fetchTable(doc, lists, view, clock, Dispatch(broken)), Error);
            EXPECT_LT(lists.textAry.size(), 300u);
            EXPECT_GT(lists.textAry.size(), 200u);
            continue;
        }
        collectBorders(lists, 0.1);
        mergeBorders(lists, 0.1);
        fillGrid(grid, lists, 0.1);
        edits(grid);
        broken->calls = 0;
        auto r = updateTable(doc, documentKey(doc), lists, index, grid, view, Dispatch(broken));
        EXPECT_EQ(r.edited, expected.edited);
        EXPECT_EQ(r.added, expected.added);
        EXPECT_EQ(r.deleted, expected.deleted);
    }
}

// Every call the fast path makes for an Update failing in turn gives what the
// same fault gives call by call: the same drawing, records, grid and error.
TEST(FastPath, AFaultAtEveryStepOfAChunkEndsAsCallByCall) {
    const char16_t* members[] = {
        u"ObjectIdToObject", u"TextString",         u"Update", u"Delete",   u"Copy",   u"Alignment",
        u"InsertionPoint",   u"TextAlignmentPoint", u"Move",   u"ObjectID", u"Height", u"StartUndoMark",
        u"EndUndoMark",      u"AttachmentPoint"};
    int positions = 0;
    for (const auto& [scene, edits] :
         {std::pair{table(6, 5), spread(6, 5)}, std::pair{stacked(4, 4), stackedEdits(4, 4)},
          std::pair{multiline(4, 4), stackedEdits(4, 4)}}) {
        for (const auto* member : members) {
            for (int k = 1; k <= 40; ++k) {
                const Outcome slow = run(scene, edits, false, member, k), fast = run(scene, edits, true, member, k);
                EXPECT_TRUE(slow == fast) << toUtf8(member) << " #" << k;
                positions += slow.updateError.empty() ? 0 : 1;
            }
        }
    }
    EXPECT_GT(positions, 30);
    const auto scene = table(6, 5);
    const auto edits = spread(6, 5);
    // The same for the reading of a Get.
    for (const auto* member : {u"Item", u"EntityName", u"Coordinates", u"StartPoint", u"Alignment", u"TextString"}) {
        for (int k : {1, 7, 30}) {
            const Outcome slow = run(scene, edits, false, member, k, true),
                          fast = run(scene, edits, true, member, k, true);
            if (k == 1) {
                EXPECT_FALSE(slow.getError.empty()) << toUtf8(member);
            }
            EXPECT_TRUE(slow == fast) << toUtf8(member) << " #" << k;
        }
    }
}

TEST(FastPath, MalformedRequestsAreErrorsNotCrashes) {
    const Dispatch server(std::make_shared<FastPathServer>());
    MemDrawing drawing;
    const Dispatch doc = drawing.application().get(u"ActiveDocument").toDispatch();
    EXPECT_THROW(server.call(u"ApplyUpdate", {Variant(doc), Variant(std::vector<Variant>{Variant(1)})}), Error);
    EXPECT_THROW(server.call(u"ApplyUpdate", {Variant(doc)}), Error);
    EXPECT_THROW(server.call(u"ReadEntities", {Variant(doc), Variant(0), Variant(-1), Variant(false)}), Error);
    EXPECT_THROW(server.call(u"Unknown", {}), MemberNotFound);
    std::vector<Variant> badKind{Variant(7), Variant::int64(1), Variant(u""), Variant(0.0), Variant(0.0), Variant(0.0)};
    EXPECT_THROW(server.call(u"ApplyUpdate", {Variant(doc), Variant(badKind)}), Error);
    // A drawing error is an answer: what was done, then why it stopped.
    std::vector<Variant> edit{Variant(0), Variant::int64(42), Variant(u"x"), Variant(0.0), Variant(0.0), Variant(0.0)};
    const auto answer = server.call(u"ApplyUpdate", {Variant(doc), Variant(edit)}).toVariants();
    ASSERT_EQ(answer.size(), 4u);
    EXPECT_FALSE(answer[0].toBool());  // no text 42: passed over
}
