// Which cell a navigation key makes current in a grid.
#pragma once

#include <optional>

#include "widgets/stringGrid.h"

namespace qx {

struct KeyMove {
    int col = 0, row = 0;
    bool range = false;  // Shift held: the selection grows to the cell
};

// The move a key makes from the current cell; none for a key that moves
// nothing, or when the grid has no data cells. The keys stay within the data
// cells and lead into them from a fixed row. Page keys move by `pageRows`.
// Tab goes on row by row and wraps at both ends (Shift+Tab backwards); it
// never selects a range.
std::optional<KeyMove> keyMove(const StringGrid& grid, int key, bool shift, bool ctrl, int pageRows);

}  // namespace qx
