#include "editor/blockOps.h"

#include <algorithm>

namespace qx {

std::u16string clipboardField(const std::u16string& value) {
    const bool quote = value.find_first_of(u"\t\r\n") != std::u16string::npos || (!value.empty() && value[0] == u'"');
    if (!quote) {
        return value;
    }
    std::u16string out = u"\"";
    for (const char16_t ch : value) {
        out += ch;
        if (ch == u'"') {
            out += u'"';
        }
    }
    return out + u'"';
}

std::u16string blockText(const StringGrid& grid, const GridRect& b) {
    std::u16string out;
    for (int r = b.Top; r <= b.Bottom; ++r) {
        for (int c = b.Left; c <= b.Right; ++c) {
            out += clipboardField(grid.Cells(c, r));
            out += c < b.Right ? u"\t" : u"\r\n";
        }
    }
    return out;
}

std::vector<std::vector<std::u16string>> parseClipboardText(const std::u16string& text) {
    std::vector<std::vector<std::u16string>> rows;
    if (text.empty()) {
        return rows;
    }
    std::vector<std::u16string> row;
    std::u16string field;
    bool quoted = false;  // the field began with a quote: it is a field even when empty
    const auto endField = [&] {
        row.push_back(std::move(field));
        field.clear();
        quoted = false;
    };
    const auto endRow = [&] {
        if (!row.empty() || !field.empty() || quoted) {
            endField();
        }
        rows.push_back(std::move(row));
        row.clear();
    };
    const std::size_t n = text.size();
    bool fieldStart = true;
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t ch = text[i];
        if (fieldStart && ch == u'"') {
            // Up to the next quote that is not doubled, or to the end of the text.
            quoted = true;
            for (++i; i < n; ++i) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field += u'"';
                        ++i;
                        continue;
                    }
                    break;
                }
                if (text[i] != u'\r') {
                    field += text[i];  // a value's line break is a line feed alone
                }
            }
            fieldStart = false;
            continue;
        }
        fieldStart = false;
        if (ch == u'\t') {
            endField();
            fieldStart = true;
        } else if (ch == u'\n') {
            endRow();
            fieldStart = true;
        } else if (ch != u'\r') {
            field += ch;  // after a closing quote too, as a spreadsheet reads it
        }
    }
    if (text.back() == u'\n') {
        rows.emplace_back();  // a line feed at the very end: one more, empty, row
    } else {
        endRow();
    }
    return rows;
}

bool putClipboardText(Clipboard& clipboard, Clock& clock, const std::u16string& text, std::uint32_t n) {
    while (n > 0) {
        try {
            clipboard.setText(text);
            break;
        } catch (const ClipboardBusy&) {
            --n;
            clock.sleep(250);
        }
    }
    return n > 0;
}

void copyToClipboard(const StringGrid& grid, Memo& log, const Platform& p) {
    const std::u16string text = blockText(grid, grid.Selection());
    if (text.empty()) {
        return;
    }
    if (putClipboardText(*p.clipboard, *p.clock, text, 10)) {
        log.setText(text);
    } else {
        p.dialogs->showMessage(u"クリップボードへのコピーに失敗しました。", MessageBoxKind::Error);
    }
}

void clearCells(StringGrid& working, GridCells& snapshot, BlockUndoState& state) {
    const GridRect s = working.Selection();
    blockEdit(working, snapshot, &state.undoSel, s, [&] {
        // Header cells and a frozen row are never edited, whatever the selection holds.
        const GridRect cells = dataCellsIn(working, s);
        for (int r = cells.Top; r <= cells.Bottom; ++r) {
            for (int c = cells.Left; c <= cells.Right; ++c) {
                working.setCells(c, r, {});
            }
        }
    });
}

namespace {
bool blankOrControl(char16_t c) {
    return c <= u' ';
}
}  // namespace

void pasteCells(StringGrid& working, GridCells& snapshot, BlockUndoState& state, Clipboard& clipboard) {
    const GridRect s = working.Selection();
    blockEdit(working, snapshot, &state.undoSel, s, [&] {
        auto rows = parseClipboardText(clipboard.getText());
        if (!rows.empty()) {
            std::u16string last;
            for (const auto& f : rows.back()) {
                last += f;  // tabs are control characters too: joined fields stand for the row
            }
            if (std::all_of(last.begin(), last.end(), blankOrControl)) {
                rows.pop_back();
            }
        }
        const int n = static_cast<int>(rows.size());
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < static_cast<int>(rows[i].size()); ++j) {
                const int c = s.Left + j;
                for (int r = s.Top + i, k = 0; k == 0 || r <= s.Bottom; r += n, ++k) {
                    if (working.validCell(c, r) && !working.isFixed(c, r)) {
                        working.setCells(c, r, rows[i][j]);
                    }
                }
            }
        }
    });
}

void blockUndo(StringGrid& working, const GridCells& snapshot, const BlockUndoState& state) {
    {
        const StringGrid::UpdateScope oneRepaint(working);
        copyGrid(snapshot, working.model());
    }
    // A saved selection in the header row or column comes back as the first data cell.
    working.setSelection(clipToDataCells(working, state.undoSel));
    working.setCol(working.Selection().Left);
    working.setRow(working.Selection().Top);
}

void scrollMemoTop(Memo& memo) {
    // Up by the caret's line, and the caret to the first character.
    memo.scrollTo(memo.topLine() - memo.caretLine(), 0);
}

}  // namespace qx
