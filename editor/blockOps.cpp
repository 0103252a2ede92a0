#include "editor/blockOps.h"

#include <algorithm>

namespace qx {

std::u16string blockText(const StringGrid& grid, const GridRect& b) {
    std::u16string out;
    for (int r = b.Top; r <= b.Bottom; ++r) {
        for (int c = b.Left; c <= b.Right; ++c) {
            out += grid.Cells(c, r);
            out += c < b.Right ? u"\t" : u"\r\n";
        }
    }
    return out;
}

std::vector<std::u16string> splitQuoted(const std::u16string& text, char16_t sep) {
    std::vector<std::u16string> items;
    std::size_t pos = 0;
    const std::size_t n = text.size();
    while (pos < n) {
        std::u16string item;
        if (text[pos] == u'"') {
            ++pos;
            while (pos < n) {
                if (text[pos] == u'"') {
                    if (pos + 1 < n && text[pos + 1] == u'"') {
                        item += u'"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                item += text[pos++];
            }
            items.push_back(std::move(item));
            if (pos < n && text[pos] == sep) {
                ++pos;
                if (pos == n) {
                    items.emplace_back();  // a separator at the very end
                }
            }
            continue;  // what follows the closing quote is an item of its own
        }
        const std::size_t end = text.find(sep, pos);
        if (end == std::u16string::npos) {
            items.push_back(text.substr(pos));
            break;
        }
        items.push_back(text.substr(pos, end - pos));
        pos = end + 1;
        if (pos == n) {
            items.emplace_back();
        }
    }
    return items;
}

std::vector<std::vector<std::u16string>> parseClipboardText(const std::u16string& text) {
    std::vector<std::vector<std::u16string>> rows;
    for (std::u16string row : splitQuoted(text, u'\n')) {
        std::erase(row, u'\r');
        rows.push_back(splitQuoted(row, u'\t'));
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
        p.dialogs->showMessage(u"クリップボードへのコピーに失敗しました．", MessageBoxKind::Error);
    }
}

void clearCells(StringGrid& working, GridCells& snapshot, BlockUndoState& state) {
    const GridRect s = working.Selection();
    state.undoSel = s;
    copyGrid(working.model(), snapshot);
    const StringGrid::UpdateScope oneRepaint(working);
    for (int r = s.Top; r <= s.Bottom; ++r) {
        for (int c = s.Left; c <= s.Right; ++c) {
            working.setCells(c, r, {});
        }
    }
}

namespace {
bool blankOrControl(char16_t c) {
    return c <= u' ';
}
}  // namespace

void pasteCells(StringGrid& working, GridCells& snapshot, BlockUndoState& state, Clipboard& clipboard) {
    const GridRect s = working.Selection();
    state.undoSel = s;
    copyGrid(working.model(), snapshot);
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
    if (n == 0) {
        return;
    }
    const StringGrid::UpdateScope oneRepaint(working);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < static_cast<int>(rows[i].size()); ++j) {
            const int c = s.Left + j;
            for (int r = s.Top + i, k = 0; k == 0 || r <= s.Bottom; r += n, ++k) {
                if (working.validCell(c, r)) {
                    working.setCells(c, r, rows[i][j]);
                }
            }
        }
    }
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
    memo.topLine = std::max(0, memo.topLine - memo.caretLine);
    memo.caretLine = 0;
}

}  // namespace qx
