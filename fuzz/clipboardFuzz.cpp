// Pasted clipboard text: splitting into rows and fields, and pasting into a
// grid. The input is the clipboard's text (UTF-8 here).

#include <algorithm>
#include <vector>

#include "core/text.h"
#include "editor/blockOps.h"
#include "fuzz/fuzzSupport.h"
#include "table/tableGrid.h"
#include "table/tableModel.h"
#include "testing/platformFakes.h"

using namespace qx;

namespace {

using Rows = std::vector<std::vector<std::u16string>>;

std::vector<std::u16string> plainSplit(const std::u16string& text, char16_t sep) {
    std::vector<std::u16string> items;
    if (text.empty()) {
        return items;  // an empty text has no items at all
    }
    std::size_t from = 0;
    for (;;) {
        const auto at = text.find(sep, from);
        items.push_back(text.substr(from, at == std::u16string::npos ? std::u16string::npos : at - from));
        if (at == std::u16string::npos) {
            return items;
        }
        from = at + 1;
    }
}

// Without double quotes the format is a plain split: rows at line feeds
// (carriage returns dropped), fields at tabs.
void checkPlainText(const std::u16string& text) {
    if (text.find(u'"') != std::u16string::npos) {
        return;
    }
    Rows expected;
    for (auto row : plainSplit(text, u'\n')) {
        std::erase(row, u'\r');
        expected.push_back(plainSplit(row, u'\t'));
    }
    QX_FUZZ_CHECK(parseClipboardText(text) == expected);
}

std::u16string quoted(const std::u16string& s) {
    std::u16string out = u"\"";
    for (char16_t c : s) {
        out += c;
        if (c == u'"') {
            out += u'"';
        }
    }
    return out + u"\"";
}

// Quoting every field (quotes doubled) brings back any fields whatever they
// hold but carriage returns: separators, line breaks and quotes included; as
// one row, or a row each.
void checkQuotedItems(std::vector<std::u16string> items) {
    if (items.empty()) {
        return;
    }
    for (auto& item : items) {
        std::erase(item, u'\r');
    }
    std::u16string oneRow, rowEach;
    Rows expected;
    for (std::size_t i = 0; i < items.size(); ++i) {
        oneRow += (i ? u"\t" : u"") + quoted(items[i]);
        rowEach += (i ? u"\n" : u"") + quoted(items[i]);
        expected.push_back({items[i]});
    }
    QX_FUZZ_CHECK(parseClipboardText(oneRow) == Rows{items});
    QX_FUZZ_CHECK(parseClipboardText(rowEach) == expected);
}

// Cells copied from a grid come back from the clipboard text unchanged,
// whatever they hold. A row of a single empty cell has no fields, and the
// copy's final line break adds one empty row.
void checkCopyRoundTrip(const Rows& cells) {
    if (cells.empty()) {
        return;
    }
    const int cols = static_cast<int>(
        std::max_element(cells.begin(), cells.end(), [](auto& a, auto& b) { return a.size() < b.size(); })->size());
    if (cols == 0 || cells.size() * cols > 20000) {
        return;  // a huge sparse grid would only cost time
    }
    StringGrid grid(cols, static_cast<int>(cells.size()));
    Rows expected;
    for (int r = 0; r < grid.RowCount(); ++r) {
        std::vector<std::u16string> row;
        for (int c = 0; c < cols; ++c) {
            std::u16string s = c < static_cast<int>(cells[r].size()) ? cells[r][c] : u"";
            std::erase(s, u'\r');  // values never hold one
            grid.setCells(c, r, s);
            row.push_back(s);
        }
        if (cols == 1 && row[0].empty()) {
            row.clear();
        }
        expected.push_back(row);
    }
    expected.emplace_back();
    QX_FUZZ_CHECK(parseClipboardText(blockText(grid, {0, 0, cols - 1, grid.RowCount() - 1})) == expected);
}

// A paste writes only texts, only from the selection's top-left corner
// rightwards and downwards, keeps the grid's size and the selection, and
// the block undo brings every text back.
void checkPaste(const std::u16string& text, const GridRect& selection) {
    constexpr int kCols = 7, kRows = 9;
    TableModel table(kCols, kRows);
    StringGrid working(kCols, kRows);
    working.setModel(table);
    CellTexts snapshot(kCols, kRows), original(kCols, kRows);
    working.setFixedCols(1);
    working.setFixedRows(1);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            working.setCells(c, r, u"c" + decimalText(c * 100 + r));
            table.setIds(c, r, {(c + 1) * 1000 + r});
        }
    }
    working.setSelection(selection);
    const GridRect sel = working.Selection();
    copyGrid(table, original);
    fake::FakeClipboard clipboard;
    clipboard.text = text;
    BlockUndoState state;
    pasteCells(working, snapshot, state, clipboard);

    QX_FUZZ_CHECK(working.ColCount() == kCols && working.RowCount() == kRows);
    QX_FUZZ_CHECK(working.Selection() == sel);
    QX_FUZZ_CHECK(state.undoSel == sel);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            QX_FUZZ_CHECK(table.ids(c, r) == std::vector<std::int64_t>{(c + 1) * 1000 + r});
            QX_FUZZ_CHECK(snapshot.Cells(c, r) == original.Cells(c, r));
            if (c < sel.Left || r < sel.Top) {
                QX_FUZZ_CHECK(working.Cells(c, r) == original.Cells(c, r));
            }
        }
    }
    blockUndo(working, snapshot, state);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            QX_FUZZ_CHECK(working.Cells(c, r) == original.Cells(c, r));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzz::textOf(data, size);
    const Rows rows = parseClipboardText(text);
    checkPlainText(text);
    for (const auto& row : rows) {
        checkQuotedItems(row);
    }
    checkCopyRoundTrip(rows);
    // A block inside the data cells, one reaching the last column and row,
    // and a single cell: the paste must stay inside the grid in every case.
    checkPaste(text, {1, 1, 3, 4});
    checkPaste(text, {5, 6, 6, 8});
    checkPaste(text, {2, 7, 2, 7});
    return 0;
}
