// Cell blocks: the clipboard text format, copy, clear, paste and block undo.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "widgets/stringGrid.h"
#include "widgets/widgets.h"

namespace qx {

// A cell as a spreadsheet writes it to the clipboard: as it is, or in double
// quotes (quotes inside doubled) when it holds a tab or a line break or
// begins with a quote.
std::u16string clipboardField(const std::u16string& value);
// Tab after every cell but the row's last, CR LF after the last, every row.
std::u16string blockText(const StringGrid& grid, const GridRect& block);
// The rows of pasted text, each split into its fields: rows at line feeds,
// fields at tabs, carriage returns dropped everywhere. A field beginning with a double
// quote runs to the next undoubled quote (or the end of the text), tabs and
// line breaks included; what follows the closing quote up to the next
// separator belongs to the same field. A line feed at the very end gives
// one more, empty row; an empty row has no fields.
std::vector<std::vector<std::u16string>> parseClipboardText(const std::u16string& text);

// Tries n times, 250 ms apart, while the clipboard is busy.
bool putClipboardText(Clipboard& clipboard, Clock& clock, const std::u16string& text, std::uint32_t n);

// The selection that the block undo restores, kept by the main window.
struct BlockUndoState {
    GridRect undoSel;
};

void copyToClipboard(const StringGrid& grid, Memo& log, const Platform& platform);
void clearCells(StringGrid& working, GridCells& snapshot, BlockUndoState& state);
void pasteCells(StringGrid& working, GridCells& snapshot, BlockUndoState& state, Clipboard& clipboard);
void blockUndo(StringGrid& working, const GridCells& snapshot, const BlockUndoState& state);
// Scrolls the log up by the line of its caret and puts the caret first: after
// a copy the log shows the beginning of the copied text.
void scrollMemoTop(Memo& memo);

}  // namespace qx
