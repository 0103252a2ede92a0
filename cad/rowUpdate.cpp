#include "cad/rowUpdate.h"

#include <algorithm>
#include <unordered_set>

#include "cad/updateTable.h"

namespace qx::cad {

namespace {

Variant point(double x, double y, double z) {
    return Variant(std::vector<double>{x, y, z});
}

class RowWriter {
public:
    RowWriter(const Dispatch& document, TQdlLists& lists, TextIndex& index, const std::function<void()>& beforeWrite)
        : doc_(document), lists_(lists), index_(index), beforeWrite_(beforeWrite) {}

    void carryOut(const RowEditPlan& plan) {
        beforeWrite_();
        for (const BorderCopy& c : plan.copies) {
            copyBorder(c);
        }
        for (const LineMove& m : plan.moveLines) {
            moveLine(m, plan.shift);
        }
        for (const std::int64_t id : plan.deleteLines) {
            if (const Dispatch e = entityOf(doc_, id)) {
                e.call(u"Delete");
                dropLine(lists_.lineAry, id);
            }
        }
        for (const std::int64_t id : plan.deleteTexts) {
            deleteText(id);
        }
        for (const std::int64_t id : plan.moveTexts) {
            moveText(id, plan.shift.by);
        }
        lists_.yokoAry = plan.yokoAfter;
    }

private:
    // A copy of the entity, cut down to the segment unless it lies on the
    // edge alone. A copy whose set-up fails is deleted again.
    void copyBorder(const BorderCopy& c) {
        const Dispatch e = entityOf(doc_, c.id);
        if (!e) {
            return;
        }
        const Dispatch copy = e.call(u"Copy").toDispatch();
        std::int64_t id = 0;
        try {
            if (!c.whole) {
                const TQdlLine& s = c.segment;
                copy.put(u"Coordinates", Variant(std::vector<double>{s.st.x, s.st.y, s.ed.x, s.ed.y}));
                copy.put(u"Closed", Variant(false));
            }
            id = copy.get(u"ObjectID").toInt64();
        } catch (...) {
            try {
                copy.call(u"Delete");
            } catch (const Error&) {
                // The original error says more.
            }
            throw;
        }
        if (c.whole) {
            std::vector<TQdlLine> segments;
            for (const TQdlLine& l : lists_.lineAry) {
                if (l.objID == c.id) {
                    segments.push_back(l);
                }
            }
            for (TQdlLine& l : segments) {
                l.objID = id;
                lists_.lineAry.push_back(l);
            }
        } else {
            TQdlLine l = c.segment;
            l.objID = id;
            lists_.lineAry.push_back(l);
        }
    }

    void moveLine(const LineMove& m, const RowShift& shift) {
        const Dispatch e = entityOf(doc_, m.id);
        if (!e) {
            return;
        }
        if (m.all) {
            e.call(u"Move", {point(0, 0, 0), point(0, shift.by, 0)});
        } else if (m.poly) {
            std::vector<double> xy = e.get(u"Coordinates").toDoubles();
            for (std::size_t i = 1; i < xy.size(); i += 2) {
                if (shift.moves(xy[i])) {
                    xy[i] += shift.by;
                }
            }
            e.put(u"Coordinates", Variant(std::move(xy)));
        } else {
            // One end moves (both would be a plain move).
            const auto it = std::find_if(lists_.lineAry.begin(), lists_.lineAry.end(),
                                         [&](const TQdlLine& l) { return l.objID == m.id; });
            const bool start = shift.moves(it->st.y);
            const TPoint3 p = shift.of(start ? it->st : it->ed);
            e.put(start ? u"StartPoint" : u"EndPoint", point(p.x, p.y, p.z));
        }
        shiftLine(lists_.lineAry, m.id, shift);
    }

    void deleteText(std::int64_t id) {
        const int k = index_.find(id);
        const Dispatch e = k < 0 ? Dispatch() : entityOf(doc_, id);
        if (!e) {
            return;  // passed over, as the drawing cannot return it
        }
        e.call(u"Delete");
        index_.remove(lists_.textAry, static_cast<std::size_t>(k));
        lists_.textAry[k].objID = 0;
        lists_.textAry[k].sText.clear();
    }

    void moveText(std::int64_t id, double by) {
        const int k = index_.find(id);
        const Dispatch e = k < 0 ? Dispatch() : entityOf(doc_, id);
        if (!e) {
            return;
        }
        e.call(u"Move", {point(0, 0, 0), point(0, by, 0)});
        shiftText(lists_.textAry[k], by);
    }

    const Dispatch& doc_;
    TQdlLists& lists_;
    TextIndex& index_;
    const std::function<void()>& beforeWrite_;
};

}  // namespace

std::u16string rowRefusal(const TQdlLists& lists, const TableModel& table) {
    if (!table.rowsChanged()) {
        return {};
    }
    const auto keys = table.rowKeys();
    const std::unordered_set<std::int64_t> shown(keys.begin() + std::min<std::ptrdiff_t>(1, keys.size()), keys.end());
    const auto& drawn = table.drawnRows();
    if (drawn.empty() || std::none_of(drawn.begin(), drawn.end(), [&](std::int64_t k) { return shown.contains(k); })) {
        return u"表の行をすべて削除することはできません。\n図面には何も書き込んでいません。残す行を 1 "
               u"行以上戻してから、もう一度更新してください。";
    }
    if (lists.lineAry.empty() || lists.yokoAry.size() != drawn.size() + 1) {
        return u"表の罫線が取得した時と一致しないため、行の挿入と削除を行えません。\n図面には何も書き込んでいません。罫"
               u"線ごと表をもう一度取得してください。";
    }
    return {};
}

void updateRows(const Dispatch& document, TQdlLists& lists, TextIndex& index, TableModel& table,
                const RowOptions& options, const std::function<void()>& beforeWrite, RowUpdateResult& result) {
    RowWriter writer(document, lists, index, beforeWrite);
    const auto keys = table.rowKeys();
    const std::unordered_set<std::int64_t> shown(keys.begin() + std::min<std::ptrdiff_t>(1, keys.size()), keys.end());
    const std::vector<std::int64_t> before = table.drawnRows();
    for (const std::int64_t key : before) {
        if (shown.contains(key)) {
            continue;
        }
        const auto& drawn = table.drawnRows();
        const int band = static_cast<int>(std::find(drawn.begin(), drawn.end(), key) - drawn.begin());
        writer.carryOut(planRowDelete(lists, band, options.growth, options.tolerance, table.deletedRowIds(key)));
        table.rowDeleted(key);
        ++result.deleted;
    }
    std::size_t next = 0;  // the drawn row that the next new row goes before
    for (std::size_t r = 1; r < keys.size(); ++r) {
        const auto& drawn = table.drawnRows();
        const auto at = std::find(drawn.begin(), drawn.end(), keys[r]);
        if (at != drawn.end()) {
            next = static_cast<std::size_t>(at - drawn.begin()) + 1;
            continue;
        }
        // The row it copies: the one on the side the table grows from, so
        // that the border between its neighbours goes on both sides of it
        // (inside a merged field it joins the field, at its edge it does
        // not); but never the heading (the table's fixed end row) while a
        // row on the other side can serve.
        std::size_t beside = 0;
        if (options.growth == RowGrowth::Down) {
            beside = next > 1 || (next == 1 && drawn.size() == 1) ? next - 1 : next;
        } else {
            const std::size_t last = drawn.size() - 1;
            beside = next < last || (next == last && drawn.size() == 1) ? next : next - 1;
        }
        writer.carryOut(
            planRowInsert(lists, static_cast<int>(beside), beside == next, options.growth, options.tolerance));
        table.rowInserted(keys[r], next);
        ++next;
        ++result.inserted;
    }
}

}  // namespace qx::cad
