#include "table/drawnBorders.h"

#include <algorithm>
#include <cmath>

namespace qx {

namespace {

// The boundaries of one direction and the cell edges along each of them.
// Both axes run ascending here (Y is negated), so rows and columns are
// handled alike: boundary k lies at across[k]; edge i of a boundary spans
// along[i] .. along[i + 1].
class Family {
public:
    Family(std::vector<double> across, std::vector<double> along)
        : across_(std::move(across)), along_(std::move(along)) {
        edges_ = along_.size() < 2 ? 0 : along_.size() - 1;
        full_.assign(across_.size() * (edges_ + 1), 0);
    }

    void add(double at, double lo, double hi, double t) {
        const int k = boundaryOf(at, t);
        if (k <= 0 || k + 1 >= static_cast<int>(across_.size()) || edges_ == 0) {
            return;  // no boundary, or the outer frame, which is always drawn
        }
        lo = std::max(lo, along_.front());
        hi = std::min(hi, along_.back());
        if (!(lo < hi)) {
            return;
        }
        const auto first = along_.begin();
        const std::size_t last = edges_ - 1;
        const std::size_t i0 = std::min<std::size_t>(std::upper_bound(first, along_.end(), lo) - first - 1, last);
        const std::size_t i1 = std::min<std::size_t>(std::lower_bound(first, along_.end(), hi) - first - 1, last);
        // Edges between the two ends are covered whole: a difference array
        // counts them in constant time per segment.
        const std::size_t fullFrom = lo <= along_[i0] ? i0 : i0 + 1;
        const std::ptrdiff_t fullTo =
            hi >= along_[i1 + 1] ? static_cast<std::ptrdiff_t>(i1) : static_cast<std::ptrdiff_t>(i1) - 1;
        int* row = &full_[k * (edges_ + 1)];
        if (static_cast<std::ptrdiff_t>(fullFrom) <= fullTo) {
            ++row[fullFrom];
            --row[fullTo + 1];
        }
        // Only the edges at the two ends can be covered in part.
        auto partial = [&](std::size_t i) {
            if (i < fullFrom || static_cast<std::ptrdiff_t>(i) > fullTo) {
                pieces_.push_back({k * edges_ + i, std::max(lo, along_[i]), std::min(hi, along_[i + 1])});
            }
        };
        partial(i0);
        if (i1 != i0) {
            partial(i1);
        }
    }

    // drawn(k, i) for every inner boundary k and edge i.
    template <class Set>
    void resolve(double share, Set drawn) {
        // The partial pieces of an edge are united, so overlaps count once.
        std::sort(pieces_.begin(), pieces_.end(),
                  [](const Piece& a, const Piece& b) { return a.edge != b.edge ? a.edge < b.edge : a.lo < b.lo; });
        std::vector<double> covered(across_.size() * edges_, 0);
        for (std::size_t p = 0; p < pieces_.size();) {
            const std::size_t edge = pieces_[p].edge;
            double lo = pieces_[p].lo, hi = pieces_[p].hi, sum = 0;
            for (; p < pieces_.size() && pieces_[p].edge == edge; ++p) {
                if (pieces_[p].lo > hi) {
                    sum += hi - lo;
                    lo = pieces_[p].lo;
                }
                hi = std::max(hi, pieces_[p].hi);
            }
            covered[edge] = sum + (hi - lo);
        }
        for (std::size_t k = 1; k + 1 < across_.size(); ++k) {
            int count = 0;
            for (std::size_t i = 0; i < edges_; ++i) {
                count += full_[k * (edges_ + 1) + i];
                const double length = along_[i + 1] - along_[i];
                drawn(k, i, count > 0 || covered[k * edges_ + i] >= share * length);
            }
        }
    }

private:
    // The boundary a segment at `at` lies on: the nearest one at or below it
    // within the tolerance (mergeBorders keeps the lowest value of a cluster),
    // else the next one above within the tolerance; -1 when none.
    int boundaryOf(double at, double t) const {
        const int n = static_cast<int>(across_.size());
        const int k = static_cast<int>(std::upper_bound(across_.begin(), across_.end(), at) - across_.begin()) - 1;
        if (k >= 0 && at - across_[k] <= t) {
            return k;
        }
        if (k + 1 < n && across_[k + 1] - at <= t) {
            return k + 1;
        }
        return -1;
    }

    struct Piece {
        std::size_t edge;
        double lo, hi;
    };
    std::vector<double> across_, along_;
    std::size_t edges_ = 0;
    std::vector<int> full_;  // per boundary: edges_ + 1 difference counts
    std::vector<Piece> pieces_;
};

std::vector<double> negated(const std::vector<double>& v) {
    std::vector<double> out(v.size());
    std::transform(v.begin(), v.end(), out.begin(), [](double y) { return -y; });
    return out;
}

}  // namespace

CellEdges drawnBorders(const std::vector<TQdlLine>& lineAry, const std::vector<double>& tateAry,
                       const std::vector<double>& yokoAry, double t) {
    const int cols = static_cast<int>(tateAry.size()), rows = static_cast<int>(yokoAry.size());
    CellEdges edges(cols, rows);
    if (cols < 2 || rows < 2) {
        return edges;
    }
    // Vertical boundaries run along the rows (Y downwards = -Y upwards), horizontal ones along the columns.
    Family tate(tateAry, negated(yokoAry));
    Family yoko(negated(yokoAry), tateAry);
    for (const TQdlLine& l : lineAry) {
        // Classified as collectBorders does, so a segment counts where it made its boundary.
        if (t > std::fabs(l.st.x - l.ed.x)) {
            tate.add(l.st.x, -std::max(l.st.y, l.ed.y), -std::min(l.st.y, l.ed.y), t);
        } else if (t > std::fabs(l.st.y - l.ed.y)) {
            yoko.add(-l.st.y, std::min(l.st.x, l.ed.x), std::max(l.st.x, l.ed.x), t);
        }
    }
    // Boundary k separates grid column (row) k from k + 1; edge i is data row (column) i + 1.
    tate.resolve(kDrawnBorderShare, [&](std::size_t k, std::size_t i, bool drawn) {
        edges.setRight(static_cast<int>(k), static_cast<int>(i) + 1, drawn);
    });
    yoko.resolve(kDrawnBorderShare, [&](std::size_t k, std::size_t i, bool drawn) {
        edges.setBelow(static_cast<int>(i) + 1, static_cast<int>(k), drawn);
    });
    return edges;
}

}  // namespace qx
