// Keyboard and mouse behaviour of the working grid, as decisions over the
// grid model; the main window's handlers call these.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/blockOps.h"
#include "platform/platform.h"
#include "table/tableModel.h"
#include "widgets/stringGrid.h"
#include "widgets/widgets.h"

namespace qx {

enum class EnterMode { None, Right, Down };

// Moves the current cell for Enter (forward) or Shift+Enter (backward).
void enterMove(StringGrid& g, EnterMode mode, bool backward);

// "a -> A": only the 26 ASCII letters change.
char16_t upperAscii(char16_t ch);

// True when a cell of the column in rows 1 .. RowCount-1 has drawing texts.
bool colHasText(const TableModel& t, int col);

// " ID = " and at least eight upper-case hexadecimal digits; empty for 0.
std::u16string idPanelText(std::int64_t id);

// The selection for a click on header cell (a, b); nullopt when it selects nothing.
std::optional<GridRect> fixedCellSelection(const StringGrid& g, int a, int b);

// The drag rectangle from the start cell to (c, r), raised out of the headers.
GridRect dragSelection(const StringGrid& g, int startCol, int startRow, int c, int r);

// Whether a cell is painted grey: a data cell of a column without drawing texts.
bool paintsGrey(const StringGrid& g, const TableModel& t, int col, int row);

// Ctrl+key and Delete on release; returns true when it acted.
struct KeyCommandContext {
    StringGrid& working;
    GridCells& snapshot;
    BlockUndoState& undo;
    Memo& log;
    const Platform& platform;
    // A block edit took a snapshot (or the block undo ran): there is a block undo to offer.
    std::function<void()> blockUndoable = {};
};
enum class Modifier : unsigned { None = 0, Shift = 1, Alt = 2, Ctrl = 4 };
bool keyCommand(KeyCommandContext& ctx, std::uint16_t& key, unsigned modifiers);

// The distinct non-blank texts of the current column below the fixed rows, sorted
// case-insensitively by the locale.
std::vector<std::u16string> inputCandidates(const StringGrid& g, Locale& locale);

struct PopupPlacement {
    int left = 0, top = 0;
};
// Above the cell at the screen point (x, y), kept inside the right and top edges.
PopupPlacement placeCandidates(int x, int y, int width, int height, int screenWidth);

}  // namespace qx
