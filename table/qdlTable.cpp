#include "table/qdlTable.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace qx {

std::vector<std::u16string> textLines(const TQdlText& text) {
    if (!text.mtext) {
        return {text.sText};
    }
    std::vector<std::u16string> lines;
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = text.sText.find(u'\n', from);
        lines.push_back(text.sText.substr(from, end == std::u16string::npos ? std::u16string::npos : end - from));
        if (end == std::u16string::npos) {
            return lines;
        }
        from = end + 1;
    }
}

void appendPolyline(std::vector<TQdlLine>& lineAry, TDblAry coordinates, bool closed, std::int64_t id) {
    if (closed && coordinates.size() >= 2) {
        const double x0 = coordinates[0], y0 = coordinates[1];
        coordinates.push_back(x0);
        coordinates.push_back(y0);
    }
    const std::size_t vertices = coordinates.size() / 2;
    for (std::size_t k = 0; k + 1 < vertices; ++k) {
        lineAry.push_back({{coordinates[2 * k], coordinates[2 * k + 1], 0},
                           {coordinates[2 * k + 2], coordinates[2 * k + 3], 0},
                           id,
                           true});
    }
}

void appendLine(std::vector<TQdlLine>& lineAry, const TPoint3& start, const TPoint3& end, std::int64_t id) {
    lineAry.push_back({start, end, id, false});
}

void collectBorders(TQdlLists& lists, double t) {
    if (lists.lineAry.empty()) {
        return;  // the previous boundaries stay in force
    }
    lists.tateAry.clear();
    lists.yokoAry.clear();
    for (const TQdlLine& l : lists.lineAry) {
        if (t > std::fabs(l.st.x - l.ed.x)) {
            lists.tateAry.push_back(l.st.x);
        } else if (t > std::fabs(l.st.y - l.ed.y)) {
            lists.yokoAry.push_back(l.st.y);
        }
    }
}

namespace {
// Keeps the first value of each cluster; a value is measured against the last kept one.
template <class Compare, class Gap>
void thin(std::vector<double>& v, Compare order, Gap gap, double t) {
    if (v.size() < 2) {
        return;
    }
    std::sort(v.begin(), v.end(), order);
    std::size_t kept = 0;
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (gap(v[kept], v[i]) > t) {
            v[++kept] = v[i];
        }
    }
    v.resize(kept + 1);
}
}  // namespace

void mergeBorders(TQdlLists& lists, double t) {
    thin(
        lists.tateAry, std::less<double>(), [](double last, double v) { return v - last; }, t);
    thin(
        lists.yokoAry, std::greater<double>(), [](double last, double v) { return last - v; }, t);
}

// The lists are strictly monotone, so the only candidate interval is the one
// that the binary search finds; the strict tests then reject boundary points.
int tateIndexOf(const std::vector<double>& a, double x) {
    if (a.size() < 2) {
        return -1;
    }
    const auto it = std::upper_bound(a.begin(), a.end(), x);  // first value > x
    if (it == a.begin() || it == a.end()) {
        return -1;
    }
    const auto i = static_cast<int>(it - a.begin()) - 1;
    return (a[i] < x && x < a[i + 1]) ? i : -1;
}

int yokoIndexOf(const std::vector<double>& a, double y) {
    if (a.size() < 2) {
        return -1;
    }
    const auto it = std::upper_bound(a.begin(), a.end(), y, std::greater<double>());  // first value < y
    if (it == a.begin() || it == a.end()) {
        return -1;
    }
    const auto i = static_cast<int>(it - a.begin()) - 1;
    return (a[i + 1] < y && y < a[i]) ? i : -1;
}

}  // namespace qx
