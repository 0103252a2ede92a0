#include "table/tableGrid.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace qx {

namespace {

std::u16string number(int n) {
    const std::string s = std::to_string(n);
    return {s.begin(), s.end()};
}

// The point that stands for a text in its cell's reading order.
TPoint3 standPoint(const TQdlLists& lists, const TQdlText& t) {
    if (!cellAt(lists, t.base.x, t.base.y) && t.centre) {
        return *t.centre;
    }
    return t.base;
}

// Reading order within a cell: rows of texts from the top, a row being the
// texts within the tolerance of its first one's height, each left to right.
void sortReadingOrder(std::vector<std::size_t>& texts, const std::vector<TPoint3>& at, double tolerance) {
    std::stable_sort(texts.begin(), texts.end(), [&](std::size_t a, std::size_t b) { return at[a].y > at[b].y; });
    for (std::size_t from = 0; from < texts.size();) {
        std::size_t to = from + 1;
        while (to < texts.size() && at[texts[from]].y - at[texts[to]].y <= tolerance) {
            ++to;
        }
        std::stable_sort(texts.begin() + static_cast<std::ptrdiff_t>(from),
                         texts.begin() + static_cast<std::ptrdiff_t>(to),
                         [&](std::size_t a, std::size_t b) { return at[a].x < at[b].x; });
        from = to;
    }
}

}  // namespace

std::optional<std::pair<int, int>> cellAt(const TQdlLists& lists, double x, double y) {
    const int c = tateIndexOf(lists.tateAry, x);
    const int r = yokoIndexOf(lists.yokoAry, y);
    if (c < 0 || r < 0) {
        return std::nullopt;
    }
    return std::pair{c + 1, r + 1};
}

std::optional<std::pair<int, int>> cellOfText(const TQdlLists& lists, const TQdlText& t) {
    if (auto cell = cellAt(lists, t.base.x, t.base.y)) {
        return cell;
    }
    if (!t.centre) {
        return std::nullopt;
    }
    if (auto cell = cellAt(lists, t.centre->x, t.centre->y)) {
        return cell;
    }
    // A text centred on a border (a field number set on the line) belongs to
    // the field right of it or below it, the way the fields are read; on the
    // table's outer edge, to the field inside.
    const auto nudge = [](double v, double direction) { return v + direction * 1e-9 * std::max(1.0, std::fabs(v)); };
    for (const double dx : {1.0, -1.0}) {
        for (const double dy : {-1.0, 1.0}) {
            if (auto cell = cellAt(lists, nudge(t.centre->x, dx), nudge(t.centre->y, dy))) {
                return cell;
            }
        }
    }
    return std::nullopt;
}

bool fillGrid(TableModel& table, const TQdlLists& lists, double tolerance, ColumnFit* fit) {
    const auto& tate = lists.tateAry;
    const int a = static_cast<int>(lists.yokoAry.size());
    const int b = static_cast<int>(tate.size());
    if (lists.textAry.empty() || a < 2 || b < 2) {
        return false;
    }
    table.setSize(b, a);
    table.clear();
    for (int j = 1; j < a; ++j) {
        table.setCells(0, j, number(j));
    }
    for (int i = 1; i < b; ++i) {
        table.setCells(i, 0, number(i));
    }

    // Texts per cell, in textAry order first.
    std::vector<std::vector<std::size_t>> cells(static_cast<std::size_t>(a) * b);
    std::vector<TPoint3> at(lists.textAry.size());
    if (fit) {
        fit->widths.resize(static_cast<std::size_t>(b), fit->defaultWidth);
    }
    double s = 0;  // drawing units per pixel of the column widened last
    for (std::size_t k = 0; k < lists.textAry.size(); ++k) {
        const TQdlText& t = lists.textAry[k];
        const auto cell = cellOfText(lists, t);
        if (!cell || t.objID == 0) {
            continue;  // outside the table, or a record of a deleted text
        }
        const auto [c, r] = *cell;
        at[k] = standPoint(lists, t);
        cells[static_cast<std::size_t>(r) * b + c].push_back(k);
        if (fit && fit->measure) {
            int w = 0;
            for (const auto& line : textLines(t)) {
                w = std::max(w, fit->measure(line) + 10);
            }
            if (fit->widths[c] <= w) {
                fit->widths[c] = w;
                s = (tate[c] - tate[c - 1]) / w;
            }
        }
    }
    for (int r = 1; r < a; ++r) {
        for (int c = 1; c < b; ++c) {
            auto& texts = cells[static_cast<std::size_t>(r) * b + c];
            if (texts.empty()) {
                continue;
            }
            sortReadingOrder(texts, at, tolerance);
            // An empty text beside others would only show as a blank line;
            // alone it keeps its cell, so that typing there edits it.
            if (texts.size() > 1) {
                const std::size_t first = texts.front();
                std::erase_if(texts, [&](std::size_t k) { return lists.textAry[k].sText.empty(); });
                if (texts.empty()) {
                    texts.push_back(first);
                }
            }
            std::vector<std::u16string> lines;
            std::vector<std::int64_t> ids;
            for (const std::size_t k : texts) {
                for (auto& line : textLines(lists.textAry[k])) {
                    lines.push_back(std::move(line));
                }
                ids.push_back(lists.textAry[k].objID);
            }
            table.setCells(c, r, joinLines(lines));
            table.setIds(c, r, std::move(ids));
        }
    }
    if (fit && s > 0) {
        for (int c = 1; c < b; ++c) {
            // nearbyint rounds halves to even in the default rounding mode.
            const double v = std::nearbyint((tate[c] - tate[c - 1]) / s) + 2;
            if (v < fit->defaultWidth) {
                fit->widths[c] = static_cast<int>(v);
            }
        }
    }
    return true;
}

void clearGrid(TableModel& table) {
    table.clear();
}

}  // namespace qx
