#include "widgets/gridGeometry.h"

#include <algorithm>

namespace qx {

int GridAxis::fixedExtent() const {
    int edge = 0;
    for (int i = 0; i < std::min(fixed, count()); ++i) {
        edge += extent(i);
    }
    return edge;
}

int GridAxis::origin(int i) const {
    int edge = 0;
    for (int k = 0; k < std::min({i, fixed, count()}); ++k) {
        edge += extent(k);
    }
    for (int k = std::max(first, fixed); k < std::min(i, count()); ++k) {
        edge += extent(k);
    }
    return edge;
}

int GridAxis::hit(int pos) const {
    if (pos < 0) {
        return -1;
    }
    for (const GridSpan& s : inView(pos + 1)) {
        if (pos <= s.end()) {
            return s.index;
        }
    }
    return -1;
}

std::vector<GridSpan> GridAxis::inView(int limit) const {
    std::vector<GridSpan> spans;
    int edge = 0;
    for (int i = 0; i < std::min(fixed, count()); ++i) {
        spans.push_back({i, edge, sizes[i]});
        edge += extent(i);
    }
    for (int i = std::max(first, fixed); i < count() && edge < limit; ++i) {
        spans.push_back({i, edge, sizes[i]});
        edge += extent(i);
    }
    return spans;
}

int GridAxis::fullyVisible(int client) const {
    const int avail = client - fixedExtent();
    int n = 0, edge = 0;
    for (int i = std::max(first, 0); i < count(); ++i) {
        edge += extent(i);
        if (edge > avail) {
            break;
        }
        ++n;
    }
    return n;
}

// The lowest scrolled cell t such that cells t..i fit into avail, less one.
int GridAxis::lowestFirstEndingBy(int i, int avail) const {
    int acc = 0, t = i;
    while (t >= fixed) {
        acc += extent(t);
        if (acc > avail) {
            break;
        }
        --t;
    }
    return t + 1;
}

int GridAxis::maxFirst(int client) const {
    if (count() <= fixed) {
        return fixed;
    }
    return std::min(count() - 1, lowestFirstEndingBy(count() - 1, client - fixedExtent()));
}

int GridAxis::firstShowing(int i, int client) const {
    if (i < fixed || i >= count()) {
        return first;
    }
    if (i < first) {
        return i;
    }
    return std::max(first, std::min(i, lowestFirstEndingBy(i, client - fixedExtent())));
}

int GridAxis::sizeBetween(int from, int to) const {
    int sum = 0;
    for (int k = std::max(from, 0); k < std::min(to, count()); ++k) {
        sum += sizes[k];
    }
    return sum;
}

}  // namespace qx
