// Where a grid's cells lie along one axis, columns or rows, in 96-dpi pixels.
// Each cell takes its size plus the one-pixel grid line after it; the fixed
// cells stay at the start, the scrolled ones follow from the first in view.
// The model, the window and the candidate pop-up all measure with this.
#pragma once

#include <span>
#include <vector>

namespace qx {

inline constexpr int kGridLine = 1;

// A cell in view along one axis.
struct GridSpan {
    int index;
    int start;
    int size;
    int end() const { return start + size; }  // the grid line after the cell
};

struct GridAxis {
    std::span<const int> sizes;
    int fixed = 0;
    int first = 0;  // first scrolled cell in view

    int count() const { return static_cast<int>(sizes.size()); }
    // Width of the fixed cells, their lines included.
    int fixedExtent() const;
    // Start of cell i as the view shows it (a scrolled-out cell starts where the scrolled cells do).
    int origin(int i) const;
    // The cell under a position, -1 outside the cells.
    int hit(int pos) const;
    bool scrolledOut(int i) const { return i >= fixed && i < first; }
    // The fixed cells, then the scrolled ones that start before `limit`.
    std::vector<GridSpan> inView(int limit) const;
    // How many scrolled cells from `first` fit whole into a view of `client`.
    int fullyVisible(int client) const;
    // The smallest first cell with which the last cells fill the view.
    int maxFirst(int client) const;
    // The first cell with which cell i ends inside the view, scrolling as little as possible.
    int firstShowing(int i, int client) const;
    // Sizes of the cells from..to-1, without their lines.
    int sizeBetween(int from, int to) const;

private:
    int extent(int i) const { return sizes[i] + kGridLine; }
    int lowestFirstEndingBy(int i, int avail) const;
};

}  // namespace qx
