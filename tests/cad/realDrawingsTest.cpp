// Tables of real drawings, as a user picks them: every text inside shows in
// its cell, and an edit of every cell comes back from a second Get.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "cad/fetchTable.h"
#include "cad/updateTable.h"
#include "core/text.h"
#include "table/tableGrid.h"
#include "testing/tableUnits.h"
#include "tools/cad-standin/drawingFile.h"

using namespace qx;
using namespace qx::cad;

namespace {

std::string readFile(const std::string& name) {
    std::ifstream in(std::string(QX_TEST_DATA) + "/drawings/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Rect {
    std::string name;
    double x1, y1, x2, y2;
    int texts;
};

// The tables the drawing holds, by the window that picks each.
std::vector<Rect> tables(const std::string& listName) {
    std::vector<Rect> out;
    std::istringstream in(readFile(listName));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        Rect r;
        words >> r.name >> r.x1 >> r.y1 >> r.x2 >> r.y2 >> r.texts;
        out.push_back(r);
    }
    return out;
}

using test::NoWindow;

class RealDrawing {
public:
    explicit RealDrawing(const std::string& file) : drawing_(loadDrawing(fromUtf8(readFile(file)))) {}
    MemDrawing& drawing() { return *drawing_; }

    void get(const Rect& r) {
        drawing_->pickRectangle(r.x1, r.y1, r.x2, r.y2);
        doc_ = drawing_->application().get(u"ActiveDocument").toDispatch();
        read_ = documentKey(doc_);
        fetchTable(doc_, lists, view_, clock_);
        collectBorders(lists, 0.1);
        mergeBorders(lists, 0.1);
        readExtentsCentres(doc_, lists);
        fillGrid(table, lists, 0.1);
    }
    UpdateResult update() { return updateTable(doc_, read_, lists, index_, table, view_); }
    // The IDs of the texts the last Get read, and those its cells show.
    std::set<std::int64_t> readTexts() const {
        std::set<std::int64_t> ids;
        for (const auto& t : lists.textAry)
            ids.insert(t.objID);
        return ids;
    }
    std::set<std::int64_t> shownTexts() const {
        std::set<std::int64_t> ids;
        for (int r = 1; r < table.RowCount(); ++r)
            for (int c = 1; c < table.ColCount(); ++c)
                ids.insert(table.ids(c, r).begin(), table.ids(c, r).end());
        return ids;
    }

    TQdlLists lists;
    TableModel table;

private:
    std::unique_ptr<MemDrawing> drawing_;
    Dispatch doc_;
    DocumentKey read_;
    TextIndex index_;
    NoWindow view_;
    fake::FakeClock clock_;
};

// A title block is picked whole: its revision block and its title fields
// share borders (the revision block's bottom line runs on under the fields).
std::vector<Rect> titleBlocks() {
    const auto all = tables("tgl31031-tables.txt");
    std::vector<Rect> blocks;
    for (std::size_t i = 0; i + 1 < all.size(); i += 2) {
        const Rect& a = all[i];
        const Rect& b = all[i + 1];
        blocks.push_back({a.name.substr(0, a.name.rfind('-')), std::min(a.x1, b.x1), std::min(a.y1, b.y1),
                          std::max(a.x2, b.x2), std::max(a.y2, b.y2), a.texts + b.texts});
    }
    return blocks;
}

}  // namespace

TEST(GermanTitleBlocks, EveryTextOfEveryBlockShowsInItsCell) {
    const auto blocks = titleBlocks();
    ASSERT_EQ(blocks.size(), 13u);
    for (const Rect& block : blocks) {
        RealDrawing d("tgl31031-title-blocks.txt");
        d.get(block);
        EXPECT_EQ(static_cast<int>(d.lists.textAry.size()), block.texts) << block.name;
        EXPECT_EQ(d.shownTexts(), d.readTexts()) << block.name;
    }
}

TEST(GermanTitleBlocks, AnEditOfEveryCellComesBackFromASecondGet) {
    for (const Rect& block : titleBlocks()) {
        RealDrawing d("tgl31031-title-blocks.txt");
        d.get(block);
        // Every line of every cell with texts changes; a field of several
        // texts loses its last line where it has more than two.
        std::vector<std::u16string> expected;
        int lines = 0;
        for (int r = 1; r < d.table.RowCount(); ++r) {
            for (int c = 1; c < d.table.ColCount(); ++c) {
                auto v = valueLines(d.table.Cells(c, r));
                if (v.size() > 2)
                    v.pop_back();
                for (auto& line : v)
                    line += u"*";
                lines += static_cast<int>(v.size());
                d.table.setCells(c, r, joinLines(v));
                expected.push_back(joinLines(v));
            }
        }
        const UpdateResult result = d.update();
        EXPECT_TRUE(result.refusal.empty()) << block.name;
        EXPECT_EQ(result.edited, lines) << block.name;
        EXPECT_EQ(d.drawing().undoMarkMisuse(), 0) << block.name;
        d.get(block);
        std::vector<std::u16string> again;
        for (int r = 1; r < d.table.RowCount(); ++r)
            for (int c = 1; c < d.table.ColCount(); ++c)
                again.push_back(d.table.Cells(c, r));
        EXPECT_EQ(again, expected) << block.name;
        // One U takes the whole Update back.
        ASSERT_TRUE(d.drawing().undo()) << block.name;
        d.get(block);
        for (int r = 1; r < d.table.RowCount(); ++r)
            for (int c = 1; c < d.table.ColCount(); ++c)
                ASSERT_EQ(d.table.Cells(c, r).find(u'*'), std::u16string::npos) << block.name;
    }
}

namespace {
const Rect kWholeSheet{"process sheet", -1000, -1000, 1000, 1000, 17};

std::multiset<std::u16string> values(const TableModel& t) {
    std::multiset<std::u16string> v;
    for (int r = 1; r < t.RowCount(); ++r)
        for (int c = 1; c < t.ColCount(); ++c)
            if (!t.Cells(c, r).empty())
                v.insert(t.Cells(c, r));
    return v;
}
}  // namespace

// A Slovenian process sheet written wholly in multiline texts with inline
// heights and \U+ escapes: every text shows as the user reads it.
TEST(ProcessSheet, EveryMultilineTextShowsAsTheUserReadsIt) {
    RealDrawing d("process-sheet-mtext.txt");
    d.get(kWholeSheet);
    ASSERT_EQ(d.lists.textAry.size(), 17u);
    EXPECT_EQ(d.shownTexts(), d.readTexts());
    const auto shown = values(d.table);
    for (const char16_t* v :
         {u"Tehnolo\u0161ki list za izdelek", u"\u0160ola", u"\u0160tevilka tehnolo\u0161kega lista", u"\u010cas",
          u"Za\u0161\u010dita", u"Pripomo\u010dki", u"Del. operacija", u"Poz."}) {
        EXPECT_EQ(shown.count(v), 1u) << toUtf8(v);
    }
}

TEST(ProcessSheet, AnEditOfEveryCellComesBackAndUntouchedTextsKeepTheirCodes) {
    RealDrawing d("process-sheet-mtext.txt");
    d.get(kWholeSheet);
    std::map<std::int64_t, std::u16string> before;
    for (const auto& e : d.drawing().liveEntities())
        before[e.id] = e.text;
    // Every other text is edited, one of them to two lines.
    std::multiset<std::u16string> expected;
    int n = 0;
    std::set<std::int64_t> edited;
    for (int r = 1; r < d.table.RowCount(); ++r) {
        for (int c = 1; c < d.table.ColCount(); ++c) {
            std::u16string v = d.table.Cells(c, r);
            if (v.empty())
                continue;
            if (n++ % 2 == 0) {
                v += n == 1 ? u"\nnova vrstica" : u"*";
                d.table.setCells(c, r, v);
                edited.insert(d.table.ids(c, r).begin(), d.table.ids(c, r).end());
            }
            expected.insert(v);
        }
    }
    const UpdateResult r = d.update();
    EXPECT_EQ(r.edited, static_cast<int>(edited.size()));
    EXPECT_EQ(r.added + r.deleted, 0);  // a multiline text takes its new line itself
    EXPECT_EQ(r.lostFormatting, 0);
    for (const auto& e : d.drawing().liveEntities()) {
        if (edited.count(e.id)) {
            // The whole-text height stays in front of the new value.
            if (before[e.id].rfind(u"\\H2;", 0) == 0) {
                EXPECT_EQ(e.text.rfind(u"\\H2;", 0), 0u) << toUtf8(e.text);
            }
        } else if (before.count(e.id)) {
            EXPECT_EQ(e.text, before[e.id]) << "an untouched text was written";
        }
    }
    d.get(kWholeSheet);
    EXPECT_EQ(values(d.table), expected);
}
