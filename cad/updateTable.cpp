#include "cad/updateTable.h"

#include <algorithm>

#include "cad/fastPath.h"
#include "cad/fetchTable.h"
#include "cad/textContents.h"

namespace qx::cad {

TemplateText findTemplateText(const TableModel& table, const TQdlLists& lists, const TextIndex& index, int col) {
    if (table.RowCount() <= 2) {
        return {};
    }
    for (int r = 2; r < table.RowCount(); ++r) {
        const std::int64_t id = table.firstId(col, r);
        if (id == 0) {
            continue;
        }
        const int k = index.find(id);
        if (k < 0) {
            continue;
        }
        const TPoint3& b = lists.textAry[k].base;
        const int i = tateIndexOf(lists.tateAry, b.x), j = yokoIndexOf(lists.yokoAry, b.y);
        if (i >= 0 && j >= 0) {
            return {id, b.x - lists.tateAry[i], b.y - lists.yokoAry[j]};
        }
    }
    return {};
}

DocumentKey documentKey(const Dispatch& document) {
    DocumentKey key;
    key.fullName = document.get(u"FullName").toString();
    key.name = document.get(u"Name").toString();
    return key;
}

// The drawing may have lost an entity since the Get: such a cell is passed over.
Dispatch entityOf(const Dispatch& document, std::int64_t id) {
    try {
        return document.call(u"ObjectIdToObject", {Variant::byRef(Variant(id))}).toDispatch();
    } catch (const Error&) {
        return {};
    }
}

namespace {

// Why the document is not the opening the Get read; empty when it is. A
// drawing reopened since keeps its name but none of the recorded IDs: one
// that still resolves proves the same opening (IDs are never valid in
// another document).
std::u16string refusal(const Dispatch& document, const DocumentKey& read, const TQdlLists& lists) {
    const DocumentKey active = documentKey(document);
    if (!(active == read)) {
        return u"表を取得した図面「" + read.shown() + u"」と、現在の図面「" + active.shown() +
               u"」が異なります。\n図面には何も書き込んでいません。取得した図面に切り替えてから、もう一度更新してくださ"
               u"い。";
    }
    // A few IDs spread over the table are enough, and keep a reopened
    // drawing of thousands of texts from costing a call for each.
    constexpr std::size_t kProbes = 32;
    std::vector<std::int64_t> ids;
    for (const TQdlText& t : lists.textAry) {
        if (t.objID != 0) {
            ids.push_back(t.objID);
        }
    }
    if (ids.empty()) {
        return {};
    }
    const std::size_t step = std::max<std::size_t>(1, ids.size() / kProbes);
    for (std::size_t i = 0; i < ids.size(); i += step) {
        if (entityOf(document, ids[i])) {
            return {};
        }
    }
    return u"図面「" + read.shown() +
           u"」は表を取得した後に開き直されたため、表の文字を特定できません。\n図面には何も書き込んでいません。もう一度"
           u"取得してください。";
}

// A copy of the template, moved so that its placing point lands on `to`,
// with the cell's text. A copy whose set-up fails is deleted again, so that
// the drawing holds no text that the records do not know.
TQdlText addText(const Dispatch& templateText, const UpdateOp& op) {
    const Dispatch copy = templateText.call(u"Copy").toDispatch();
    try {
        copy.put(u"TextString", Variant(op.text));
        TQdlText rec;
        rec.mtext = op.kind == UpdateOp::Kind::AddMText;
        // A multiline text is placed by its insertion point, whatever its attachment.
        rec.code = copy.get(rec.mtext ? u"AttachmentPoint" : u"Alignment").toInt32();
        const TPoint3 from = pointValue(copy.get(rec.mtext ? u"InsertionPoint" : placingPointMember(rec.code)));
        // Move keeps an aligned or fit text's length and direction, and is
        // allowed for every alignment where putting a point is not.
        copy.call(u"Move", {Variant(std::vector<double>{from.x, from.y, from.z}),
                            Variant(std::vector<double>{op.to.x, op.to.y, op.to.z})});
        rec.objID = copy.get(u"ObjectID").toInt64();
        rec.sText = copy.get(u"TextString").toString();  // the contents; the client reads them
        rec.base = op.to;                                // where it stands now, so it can serve as a template
        copy.call(u"Update");
        return rec;
    } catch (...) {
        try {
            copy.call(u"Delete");
        } catch (const Error&) {
            // The original error says more; the copy stays as the application left it.
        }
        throw;
    }
}

// The planned changes of the pass, carried out a chunk at a time; each
// result is recorded as soon as its chunk returns, a failing one included.
// Everything it writes is one undo group: the group opens before the first
// write and close() ends it.
class Pass {
public:
    Pass(const Dispatch& document, TQdlLists& lists, TextIndex& index, TableModel& table, UpdateResult& result,
         const Dispatch& fastPath)
        : doc_(document), lists_(lists), index_(index), table_(table), result_(result), fast_(fastPath) {}

    void add(const UpdateOp& op, int col, int row) {
        ops_.push_back(op);
        cells_.push_back({col, row});
        if (!fast_ || ops_.size() >= static_cast<std::size_t>(kFastPathChunk))
            flush();
    }
    // A read between the writes (a text's height) sees the drawing as the
    // writes before it left it, whichever way they go.
    void beforeRead() { flush(); }
    // Changes made outside the pass (the rows) join its undo group.
    void beforeWrite() { openGroup(); }
    // A new text's template is looked up in the table as the pass has left
    // it: changes of IDs in that column still waiting in the chunk go first.
    void beforeTemplateLookup(int col) {
        for (std::size_t i = 0; i < ops_.size(); ++i) {
            if (cells_[i].first == col && ops_[i].kind != UpdateOp::Kind::Edit) {
                flush();
                return;
            }
        }
    }
    void flush() {
        if (ops_.empty())
            return;
        openGroup();
        std::vector<UpdateOpResult> results;
        try {
            run(results);
        } catch (...) {
            record(results);
            throw;
        }
        record(results);
    }
    // Ends the undo group, if one was opened. After a failure the group is
    // still closed, but the first error is the one reported.
    void close(bool failed) {
        if (!grouped_)
            return;
        grouped_ = false;
        try {
            doc_.call(u"EndUndoMark");
        } catch (const Error&) {
            if (!failed)
                throw;
        }
    }

private:
    void openGroup() {
        if (grouped_ || triedGroup_)
            return;
        triedGroup_ = true;
        try {
            doc_.call(u"StartUndoMark");
            grouped_ = true;
        } catch (const MemberNotFound&) {
            // An application without undo marks: each call stays its own step.
        }
    }

    void run(std::vector<UpdateOpResult>& results) {
        if (fast_) {
            try {
                applyChunk(fast_, doc_, ops_, results);
                return;
            } catch (const FastPathUnavailable&) {
                if (wrote_)
                    throw;  // writing began: report it as any failure
                fast_ = {};
            }
        }
        for (const auto& op : ops_) {
            results.emplace_back();
            applyUpdateOp(doc_, op, results.back());
        }
    }

    void record(const std::vector<UpdateOpResult>& results) {
        for (std::size_t i = 0; i < results.size(); ++i) {
            if (!results[i].done)
                continue;
            wrote_ = true;
            const UpdateOp& op = ops_[i];
            const auto [c, r] = cells_[i];
            if (op.kind == UpdateOp::Kind::Edit) {
                TQdlText& t = lists_.textAry[index_.find(op.id)];
                t.sText = op.shown;
                t.contents = op.text;
                ++result_.edited;
            } else if (op.kind == UpdateOp::Kind::Delete) {
                const int k = index_.find(op.id);
                index_.remove(lists_.textAry, static_cast<std::size_t>(k));
                lists_.textAry[k].sText.clear();
                lists_.textAry[k].objID = 0;
                auto ids = table_.ids(c, r);
                std::erase(ids, op.id);
                table_.setIds(c, r, std::move(ids));
                ++result_.deleted;
            } else {
                TQdlText added = results[i].added;
                added.mtext = op.kind == UpdateOp::Kind::AddMText;
                added.contents = std::move(added.sText);
                added.sText = added.mtext ? mtextPlain(added.contents) : textPlain(added.contents);
                lists_.textAry.push_back(std::move(added));
                index_.add(lists_.textAry, lists_.textAry.size() - 1);
                auto ids = table_.ids(c, r);
                ids.push_back(lists_.textAry.back().objID);
                table_.setIds(c, r, std::move(ids));
                ++result_.added;
            }
        }
        ops_.clear();
        cells_.clear();
    }

    const Dispatch& doc_;
    TQdlLists& lists_;
    TextIndex& index_;
    TableModel& table_;
    UpdateResult& result_;
    Dispatch fast_;
    bool wrote_ = false;
    bool grouped_ = false, triedGroup_ = false;
    std::vector<UpdateOp> ops_;
    std::vector<std::pair<int, int>> cells_;
};

// A text's height, for the pitch of lines added below it; an application
// that does not tell gets the usual 2.5.
double heightOf(const Dispatch& document, std::int64_t id) {
    constexpr double kUsualHeight = 2.5;
    const Dispatch e = entityOf(document, id);
    if (!e) {
        return kUsualHeight;
    }
    try {
        const double h = e.get(u"Height").toDouble();
        return h > 0 ? h : kUsualHeight;
    } catch (const MemberNotFound&) {
        return kUsualHeight;
    }
}

// An edit of a text to the lines it now owns, keeping the codes of the whole text.
UpdateOp editOf(const TQdlText& t, const std::vector<std::u16string>& lines, bool& lost) {
    const std::u16string value = joinLines(lines);
    const Rewrite w = t.mtext ? mtextRewrite(t.contents, value) : textRewrite(t.contents, value);
    lost = lost || w.lostInline;
    return {UpdateOp::Kind::Edit, t.objID, w.contents, {}, value};
}

// Plans the changes of one cell with texts. Each text owns its lines of the
// value in reading order (a single-line text one, a multiline text as many
// as it has), and line i of the edited value goes where line i stood; a
// multiline text at the end takes every line added at the end, a
// single-line one gets copies of itself below it, one line pitch apart (the
// pitch its cell's texts have, else its height times kLineSpacing). Texts
// whose lines are all gone are deleted from the bottom.
void planCell(Pass& pass, const Dispatch& document, const TQdlLists& lists, const TextIndex& index,
              const std::vector<std::int64_t>& ids, const std::vector<std::u16string>& lines, int c, int r,
              UpdateResult& result) {
    const std::size_t n = ids.size(), m = lines.size();
    // Copies: the records grow while the pass writes, which moves them.
    std::vector<TQdlText> texts;
    for (const std::int64_t id : ids)
        texts.push_back(lists.textAry[index.find(id)]);
    bool lost = false;
    std::size_t at = 0, kept = 0;
    for (std::size_t k = 0; k < n && at < m; ++k) {
        const TQdlText& t = texts[k];
        const std::size_t own = t.mtext ? textLines(t).size() : 1;
        const std::size_t to = (k + 1 == n && t.mtext) ? m : std::min(m, at + own);
        const std::vector<std::u16string> mine(lines.begin() + static_cast<std::ptrdiff_t>(at),
                                               lines.begin() + static_cast<std::ptrdiff_t>(to));
        if (joinLines(mine) != joinLines(textLines(t))) {
            pass.add(editOf(t, mine, lost), c, r);
        }
        at = to;
        kept = k + 1;
    }
    for (std::size_t k = n; k-- > kept;) {
        pass.add({UpdateOp::Kind::Delete, ids[k], {}, {}, {}}, c, r);
    }
    if (at < m) {
        // Lines left over below a single-line text: copies of it.
        const TQdlText& last = texts[kept - 1];
        double step = 0;  // downwards, negative
        if (kept >= 2 && !texts[kept - 2].mtext) {
            step = last.base.y - texts[kept - 2].base.y;
        }
        if (!(step < 0)) {
            pass.beforeRead();
            step = -heightOf(document, last.objID) * kLineSpacing;
        }
        for (std::size_t k = at; k < m; ++k) {
            const TPoint3 to{last.base.x, last.base.y + step * static_cast<double>(k - at + 1), 0};
            if (k + 1 == m && to.y < lists.yokoAry[r]) {
                result.overflows.push_back({c, r});
            }
            // A new text takes the whole-text codes of the one it copies.
            pass.add({UpdateOp::Kind::Add, last.objID, textRewrite(last.contents, lines[k]).contents, to, {}}, c, r);
        }
    }
    result.lostFormatting += lost ? 1 : 0;
}

// New texts for a cell without any: one copy of a multiline template with
// every line, or one copy of a single-line template per line.
void planNewCell(Pass& pass, const Dispatch& document, const TQdlLists& lists, const TextIndex& index,
                 const TemplateText& t, const std::vector<std::u16string>& lines, int c, int r, UpdateResult& result) {
    const TQdlText tmpl = lists.textAry[index.find(t.id)];  // a copy: the records grow meanwhile
    const TPoint3 first{lists.tateAry[c - 1] + t.dx, lists.yokoAry[r - 1] + t.dy, 0};
    // A new text takes the whole-text codes of its template, none of its inline ones.
    if (tmpl.mtext) {
        pass.add({UpdateOp::Kind::AddMText, t.id, mtextRewrite(tmpl.contents, joinLines(lines)).contents, first, {}}, c,
                 r);
    } else {
        double step = 0;
        if (lines.size() > 1) {
            pass.beforeRead();
            step = -heightOf(document, t.id) * kLineSpacing;
        }
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const TPoint3 to{first.x, first.y + step * static_cast<double>(k), 0};
            if (k + 1 == lines.size() && lines.size() > 1 && to.y < lists.yokoAry[r]) {
                result.overflows.push_back({c, r});
            }
            pass.add({UpdateOp::Kind::Add, t.id, textRewrite(tmpl.contents, lines[k]).contents, to, {}}, c, r);
        }
    }
}

}  // namespace

void applyUpdateOp(const Dispatch& document, const UpdateOp& op, UpdateOpResult& result) {
    const Dispatch e = entityOf(document, op.id);
    if (!e) {
        return;
    }
    switch (op.kind) {
        case UpdateOp::Kind::Edit:
            e.put(u"TextString", Variant(op.text));
            result.done = true;
            e.call(u"Update");
            break;
        case UpdateOp::Kind::Delete:
            e.call(u"Delete");
            result.done = true;
            break;
        case UpdateOp::Kind::Add:
        case UpdateOp::Kind::AddMText:
            result.added = addText(e, op);
            result.done = true;
            break;
    }
}

UpdateResult updateTable(const Dispatch& document, const DocumentKey& read, TQdlLists& lists, TextIndex& index,
                         TableModel& table, UpdateView& view, const Dispatch& fastPath, const RowOptions& rows) {
    UpdateResult result;
    index.rebuild(lists.textAry);
    result.refusal = refusal(document, read, lists);
    if (result.refusal.empty()) {
        result.refusal = rowRefusal(lists, table);
    }
    if (!result.refusal.empty()) {
        return result;
    }
    Pass pass(document, lists, index, table, result, fastPath);
    view.start((table.RowCount() - 1) * (table.ColCount() - 1));
    int visited = 0;
    try {
        if (table.rowsChanged()) {
            bool begun = false;
            try {
                updateRows(
                    document, lists, index, table, rows,
                    [&] {
                        pass.beforeWrite();
                        begun = true;
                    },
                    result.rows);
            } catch (const Error& e) {
                if (begun && table.rowsChanged()) {
                    throw RowsUnfinished(e.message());
                }
                throw;
            }
        }
        for (int r = 1; r < table.RowCount() && result.stoppedAfter < 0; ++r) {
            for (int c = 1; c < table.ColCount(); ++c) {
                view.visiting(++visited);
                if (view.stopRequested()) {
                    result.stoppedAfter = visited - 1;
                    break;
                }
                std::vector<std::int64_t> ids;
                for (const std::int64_t id : table.ids(c, r)) {
                    if (index.find(id) >= 0) {
                        ids.push_back(id);  // an ID without a record is passed over
                    }
                }
                if (ids.empty() && !table.ids(c, r).empty()) {
                    continue;
                }
                const std::vector<std::u16string> lines = valueLines(table.Cells(c, r));
                if (!ids.empty()) {
                    if (!holdsRecordedValue(table, c, r, lists.textAry, index)) {
                        planCell(pass, document, lists, index, ids, lines, c, r, result);
                    }
                    continue;
                }
                if (lines.empty()) {
                    continue;
                }
                pass.beforeTemplateLookup(c);
                const TemplateText t = findTemplateText(table, lists, index, c);
                if (t.id == 0) {
                    continue;
                }
                planNewCell(pass, document, lists, index, t, lines, c, r, result);
            }
        }
        pass.flush();
    } catch (...) {
        pass.close(true);
        throw;
    }
    pass.close(false);
    return result;
}

}  // namespace qx::cad
