#include "table/rowEdits.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_set>

#include "table/tableGrid.h"

namespace qx {

namespace {

bool near(double a, double b, double tolerance) {
    return std::fabs(a - b) <= tolerance;
}

// The segments of each line entity, in the order the records hold them.
std::map<std::int64_t, std::vector<const TQdlLine*>> entities(const TQdlLists& lists) {
    std::map<std::int64_t, std::vector<const TQdlLine*>> out;
    for (const TQdlLine& l : lists.lineAry) {
        if (l.objID != 0) {
            out[l.objID].push_back(&l);
        }
    }
    return out;
}

bool onEdge(const TQdlLine& l, double y, double tolerance) {
    return near(l.st.y, y, tolerance) && near(l.ed.y, y, tolerance);
}

bool allOnEdge(const std::vector<const TQdlLine*>& segments, double y, double tolerance) {
    return std::all_of(segments.begin(), segments.end(), [&](const TQdlLine* l) { return onEdge(*l, y, tolerance); });
}

// The line entities that the shift moves, wholly or in part; `skip` are left out.
std::vector<LineMove> movedLines(const std::map<std::int64_t, std::vector<const TQdlLine*>>& byId,
                                 const RowShift& shift, const std::unordered_set<std::int64_t>& skip) {
    std::vector<LineMove> out;
    for (const auto& [id, segments] : byId) {
        if (skip.contains(id)) {
            continue;
        }
        bool any = false, all = true;
        for (const TQdlLine* l : segments) {
            for (const TPoint3* p : {&l->st, &l->ed}) {
                const bool m = shift.moves(p->y);
                any = any || m;
                all = all && m;
            }
        }
        if (any) {
            out.push_back({id, segments.front()->poly, all});
        }
    }
    return out;
}

// The band a text's cell lies in, -1 for a text outside every cell.
int bandOf(const TQdlLists& lists, const TQdlText& t) {
    const auto cell = cellOfText(lists, t);
    return cell ? cell->second - 1 : -1;
}

// Texts that go with the far side: those of bands beyond `band` (and of
// `band` itself when `withBand`), and texts outside the cells by their point.
std::vector<std::int64_t> carriedTexts(const TQdlLists& lists, int band, bool withBand, const RowShift& shift) {
    std::vector<std::int64_t> out;
    for (const TQdlText& t : lists.textAry) {
        if (t.objID == 0) {
            continue;
        }
        const int b = bandOf(lists, t);
        const bool beyond = shift.up ? b < band : b > band;
        if (b < 0 ? shift.moves(t.base.y) : (beyond || (withBand && b == band))) {
            out.push_back(t.objID);
        }
    }
    return out;
}

}  // namespace

RowEditPlan planRowInsert(const TQdlLists& lists, int band, bool above, RowGrowth growth, double tolerance) {
    const auto& yoko = lists.yokoAry;
    const auto b = static_cast<std::size_t>(band);
    const double h = yoko[b] - yoko[b + 1];
    const bool up = growth == RowGrowth::Up;
    RowEditPlan plan;
    // The duplicate of the row goes on its growing side; the new empty row
    // is the duplicate, or the row itself when its texts move over.
    plan.shift = {up ? yoko[b] : yoko[b + 1], up ? h : -h, tolerance, up};
    const auto byId = entities(lists);
    for (const auto& [id, segments] : byId) {
        const bool whole = allOnEdge(segments, plan.shift.edge, tolerance);
        for (const TQdlLine* l : segments) {
            if (onEdge(*l, plan.shift.edge, tolerance)) {
                plan.copies.push_back({id, l->poly, whole, *l});
                if (whole) {
                    break;  // one copy of the entity draws all of it
                }
            }
        }
    }
    plan.moveLines = movedLines(byId, plan.shift, {});
    plan.moveTexts = carriedTexts(lists, band, above != up, plan.shift);
    plan.yokoAfter = yoko;
    for (std::size_t i = 0; i < yoko.size(); ++i) {
        if (up ? i <= b : i > b) {
            plan.yokoAfter[i] += plan.shift.by;
        }
    }
    plan.yokoAfter.insert(plan.yokoAfter.begin() + static_cast<std::ptrdiff_t>(b + 1), plan.shift.edge);
    return plan;
}

RowEditPlan planRowDelete(const TQdlLists& lists, int band, RowGrowth growth, double tolerance,
                          const std::vector<std::int64_t>& rowTexts) {
    const auto& yoko = lists.yokoAry;
    const auto d = static_cast<std::size_t>(band);
    const double top = yoko[d], bottom = yoko[d + 1], h = top - bottom;
    const bool up = growth == RowGrowth::Up;
    const std::size_t bands = yoko.size() - 1;
    RowEditPlan plan;
    plan.shift = {up ? top : bottom, up ? -h : h, tolerance, up};
    // The border on the far side goes, unless the row is the last on that
    // side: then the table's outer border stays and the near one goes.
    const bool farExists = up ? d > 0 : d + 1 < bands;
    const double kept = (farExists == up) ? bottom : top;
    const double dropped = kept == top ? bottom : top;
    const auto byId = entities(lists);
    // Where the kept border is drawn: a piece of the other border goes only
    // where it would lie on it, and fills the kept one's gaps otherwise (two
    // rows that a merged field joined stay joined, and no others).
    std::vector<std::pair<double, double>> drawn;
    for (const TQdlLine& l : lists.lineAry) {
        if (onEdge(l, kept, tolerance)) {
            drawn.emplace_back(std::min(l.st.x, l.ed.x), std::max(l.st.x, l.ed.x));
        }
    }
    std::sort(drawn.begin(), drawn.end());
    const auto covered = [&](const std::vector<const TQdlLine*>& segments) {
        for (const TQdlLine* l : segments) {
            double from = std::min(l->st.x, l->ed.x);
            const double to = std::max(l->st.x, l->ed.x);
            for (const auto& [a, b] : drawn) {
                if (a <= from + tolerance && b >= from) {
                    from = std::max(from, b);
                }
            }
            if (from < to - tolerance) {
                return false;
            }
        }
        return true;
    };
    std::unordered_set<std::int64_t> gone;
    for (const auto& [id, segments] : byId) {
        const bool inside = std::all_of(segments.begin(), segments.end(), [&](const TQdlLine* l) {
            return std::min(l->st.y, l->ed.y) >= bottom - tolerance && std::max(l->st.y, l->ed.y) <= top + tolerance;
        });
        if (!inside || allOnEdge(segments, kept, tolerance)) {
            continue;
        }
        if (allOnEdge(segments, dropped, tolerance) && !covered(segments)) {
            continue;
        }
        plan.deleteLines.push_back(id);
        gone.insert(id);
    }
    plan.moveLines = movedLines(byId, plan.shift, gone);
    std::unordered_set<std::int64_t> doomed(rowTexts.begin(), rowTexts.end());
    for (const TQdlText& t : lists.textAry) {
        if (t.objID != 0 && bandOf(lists, t) == band) {
            doomed.insert(t.objID);
        }
    }
    for (const TQdlText& t : lists.textAry) {
        if (doomed.contains(t.objID)) {
            plan.deleteTexts.push_back(t.objID);
        }
    }
    std::erase_if(plan.deleteTexts, [seen = std::unordered_set<std::int64_t>()](std::int64_t id) mutable {
        return !seen.insert(id).second;
    });
    for (const std::int64_t id : carriedTexts(lists, band, false, plan.shift)) {
        if (!doomed.contains(id)) {
            plan.moveTexts.push_back(id);
        }
    }
    plan.yokoAfter = yoko;
    for (std::size_t i = 0; i < yoko.size(); ++i) {
        if (up ? i < d : i > d + 1) {
            plan.yokoAfter[i] += plan.shift.by;
        }
    }
    plan.yokoAfter.erase(plan.yokoAfter.begin() + static_cast<std::ptrdiff_t>(up ? d : d + 1));
    return plan;
}

void shiftLine(std::vector<TQdlLine>& lineAry, std::int64_t id, const RowShift& shift) {
    for (TQdlLine& l : lineAry) {
        if (l.objID == id) {
            l.st = shift.of(l.st);
            l.ed = shift.of(l.ed);
        }
    }
}

void dropLine(std::vector<TQdlLine>& lineAry, std::int64_t id) {
    std::erase_if(lineAry, [id](const TQdlLine& l) { return l.objID == id; });
}

void shiftText(TQdlText& text, double dy) {
    text.base.y += dy;
    if (text.centre) {
        text.centre->y += dy;
    }
}

}  // namespace qx
