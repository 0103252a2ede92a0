// The grid's picture: lines, cell backgrounds, texts, grey columns and the
// marks of pending cells, drawn into a back buffer and copied to the window.
#include "widgets/stringGridWin32.h"

#include <algorithm>
#include <vector>

#include "core/winText.h"

namespace qx::win32 {

using win::wideView;

namespace {

constexpr int kGreyBleed = 4;  // a grey cell also covers the line and margin on its left
constexpr int kMarkSize = 7;   // side of the corner mark of a pending cell (96-dpi pixels)

void fill(HDC dc, const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A single line centred on the cell's height; a value of several lines as a
// block of lines, centred as a whole.
void drawCellText(HDC dc, const std::u16string& s, RECT rc, UINT singleLine) {
    if (s.find(u'\n') == std::u16string::npos) {
        DrawTextW(dc, wideView(s), static_cast<int>(s.size()), &rc, singleLine);
        return;
    }
    const std::u16string shown = editText(s);
    constexpr UINT kLines = DT_LEFT | DT_NOPREFIX | DT_TOP;
    RECT measured = rc;
    DrawTextW(dc, wideView(shown), static_cast<int>(shown.size()), &measured, kLines | DT_CALCRECT);
    rc.top += std::max(0L, ((rc.bottom - rc.top) - (measured.bottom - measured.top)) / 2);
    DrawTextW(dc, wideView(shown), static_cast<int>(shown.size()), &rc, kLines);
}

}  // namespace

void GridControl::ensureBuffer(int width, int height) {
    if (backDc_ && width == backW_ && height == backH_) {
        return;
    }
    const win::WindowDC screen(hwnd_);
    if (!backDc_) {
        backDc_.emplace(screen.get());
    }
    // The old bitmap leaves the DC before it is deleted.
    backBitmapSelected_.reset();
    backBitmap_.reset(CreateCompatibleBitmap(screen.get(), width, height));
    backBitmapSelected_.emplace(backDc_->get(), backBitmap_.get());
    backW_ = width;
    backH_ = height;
    backValid_ = false;
}

void GridControl::paint(HDC dc, const RECT& area) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (client.right <= 0 || client.bottom <= 0) {
        return;
    }
    ensureBuffer(client.right, client.bottom);
    if (!m_.updating()) {
        render(backDc_->get(), client.right, client.bottom);
        backValid_ = true;
        paintedOnce_ = true;
    } else if (!backValid_) {
        // Nothing drawn yet at this size: an empty window now, the cells when the update ends.
        fill(backDc_->get(), client, GetSysColor(COLOR_WINDOW));
        backValid_ = true;
        m_.invalidate();
    }
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, backDc_->get(), area.left, area.top,
           SRCCOPY);
}

void GridControl::render(HDC dc, int width, int height) {
    const RECT all{0, 0, width, height};
    fill(dc, all, GetSysColor(COLOR_WINDOW));
    const std::vector<GridSpan> cols = m_.colAxis().inView(units(width) + 1);
    const std::vector<GridSpan> rows = m_.rowAxis().inView(units(height) + 1);
    const int fc = m_.FixedCols(), fr = m_.FixedRows();
    const int scrollLeft = px(m_.colAxis().fixedExtent());
    const GridRect sel = m_.Selection();
    const int curC = m_.Col(), curR = m_.Row();
    const bool focused = GetFocus() == hwnd_;
    painted_ = {
        m_.LeftCol(), m_.TopRow(), curC, curR, sel, editorShown_ ? editorCol_ : -1, editorShown_ ? editorRow_ : -1};
    const win::SelectObjectScope fontSelected(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);

    // Lines first, cells inside them. A border the drawing does not have
    // (inside a merged field) is left out, and its corner too when no border
    // meets there.
    auto cornerDrawn = [&](int c, int r) {
        return m_.borderRight(c, r) || m_.borderBelow(c, r) || m_.borderRight(c, r + 1) || m_.borderBelow(c + 1, r);
    };
    for (const GridSpan& r : rows) {
        for (const GridSpan& c : cols) {
            const COLORREF line = (c.index < fc || r.index < fr) ? o_.fixedLineColor : o_.lineColor;
            if (m_.borderRight(c.index, r.index)) {
                fill(dc, RECT{px(c.end()), px(r.start), px(c.end() + 1), px(r.end())}, line);
            }
            if (m_.borderBelow(c.index, r.index)) {
                fill(dc, RECT{px(c.start), px(r.end()), px(c.end()), px(r.end() + 1)}, line);
            }
            if (cornerDrawn(c.index, r.index)) {
                fill(dc, RECT{px(c.end()), px(r.end()), px(c.end() + 1), px(r.end() + 1)}, line);
            }
        }
    }
    const UINT textFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;
    // Backgrounds first, for all cells, so that a text can run on into the
    // empty rest of a merged field; texts, grey columns and marks after.
    struct Cell {
        RECT rc;
        COLORREF back, text;
        bool fixed, current, underEditor;
        CellLook look;
    };
    std::vector<Cell> cells;
    cells.reserve(rows.size() * cols.size());
    const std::vector<CellChange> rowMarks = onRowMarks ? onRowMarks() : std::vector<CellChange>{};
    for (const GridSpan& r : rows) {
        // A pending text's tint runs on through the empty rest of its field.
        COLORREF carried = 0;
        bool carry = false;
        int previous = -1;
        for (const GridSpan& c : cols) {
            Cell k{{px(c.start), px(r.start), px(c.end()), px(r.end())},
                   GetSysColor(COLOR_WINDOW),
                   GetSysColor(COLOR_WINDOWTEXT),
                   c.index < fc || r.index < fr,
                   c.index == curC && r.index == curR,
                   editorShown_ && c.index == editorCol_ && r.index == editorRow_,
                   {}};
            if (!k.fixed && onDrawCell) {
                k.look = onDrawCell(c.index, r.index);
            }
            const bool selected = !k.fixed && !k.current && c.index >= sel.Left && c.index <= sel.Right &&
                                  r.index >= sel.Top && r.index <= sel.Bottom;
            if (k.fixed) {
                const bool marked = c.index == 0 && r.index >= fr &&
                                    static_cast<std::size_t>(r.index) < rowMarks.size() &&
                                    rowMarks[static_cast<std::size_t>(r.index)] != CellChange::None;
                fill(dc, k.rc, marked ? tint(rowMarks[static_cast<std::size_t>(r.index)], false) : o_.fixedColor);
                DrawEdge(dc, &k.rc, BDR_RAISEDINNER, BF_RECT);
                k.text = GetSysColor(COLOR_BTNTEXT);
            } else {
                if (selected) {
                    k.back = GetSysColor(COLOR_HIGHLIGHT);
                    k.text = GetSysColor(COLOR_HIGHLIGHTTEXT);
                } else if (k.look.change != CellChange::None) {
                    k.back = tint(k.look.change, false);
                }
                const bool empty = m_.Cells(c.index, r.index).empty();
                if (carry && !selected && k.look.change == CellChange::None && empty && previous + 1 == c.index &&
                    !m_.borderRight(previous, r.index)) {
                    k.back = carried;
                } else {
                    carry = !selected && k.look.change != CellChange::None;
                    carried = k.back;
                }
                fill(dc, k.rc, k.back);
                // Where the drawing has no border the cell runs on over the line.
                const RECT& rc = k.rc;
                if (!m_.borderRight(c.index, r.index)) {
                    fill(dc, RECT{rc.right, rc.top, px(c.end() + 1), rc.bottom}, k.back);
                }
                if (!m_.borderBelow(c.index, r.index)) {
                    fill(dc, RECT{rc.left, rc.bottom, rc.right, px(r.end() + 1)}, k.back);
                }
                if (!cornerDrawn(c.index, r.index)) {
                    fill(dc, RECT{rc.right, rc.bottom, px(c.end() + 1), px(r.end() + 1)}, k.back);
                }
            }
            cells.push_back(k);
            previous = c.index;
        }
    }
    auto grey = [](const Cell& k) { return !k.underEditor && k.look.grey; };
    // The last cell of the field that cell ci starts: the following empty
    // cells behind no drawn border that look alike.
    auto fieldEnd = [&](std::size_t ri, std::size_t ci) {
        const Cell& k = cells[ri * cols.size() + ci];
        const GridSpan& r = rows[ri];
        std::size_t end = ci;
        for (std::size_t cj = ci + 1; !k.fixed && cj < cols.size(); ++cj) {
            const Cell& next = cells[ri * cols.size() + cj];
            if (cols[cj].index != cols[cj - 1].index + 1 || m_.borderRight(cols[cj - 1].index, r.index) ||
                !m_.Cells(cols[cj].index, r.index).empty() || next.back != k.back || next.underEditor || grey(next)) {
                break;
            }
            end = cj;
        }
        return end;
    };
    std::vector<std::pair<RECT, COLORREF>> marks;  // drawn last: a grey column's fill reaches into its left neighbour
    for (std::size_t ri = 0; ri < rows.size(); ++ri) {
        const GridSpan& r = rows[ri];
        for (std::size_t ci = 0; ci < cols.size(); ++ci) {
            const GridSpan& c = cols[ci];
            const Cell& k = cells[ri * cols.size() + ci];
            const std::u16string& s = m_.Cells(c.index, r.index);
            const bool isGrey = grey(k);
            const bool pending = k.look.change != CellChange::None && !k.underEditor;
            const std::size_t end = isGrey || (s.empty() && !pending) ? ci : fieldEnd(ri, ci);
            if (!s.empty() && !k.underEditor) {
                RECT tr = k.rc;
                tr.left += px(kTextMargin);
                tr.right = cells[ri * cols.size() + end].rc.right;  // on through the rest of the field
                SetTextColor(dc, k.text);
                drawCellText(dc, s, tr, textFormat);
            }
            if (isGrey) {
                // The whole column reads as one grey band: the fill covers the lines
                // around the cell, but never reaches into the fixed columns.
                RECT g{std::max(px(c.start - kGreyBleed), scrollLeft), px(r.start), px(c.end() + 1), px(r.end() + 1)};
                fill(dc, g, GetSysColor(COLOR_BTNFACE));
                if (!s.empty()) {
                    RECT tr = k.rc;
                    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                    drawCellText(dc, s, tr, textFormat);
                }
            }
            if (pending) {
                marks.push_back({cells[ri * cols.size() + end].rc, tint(k.look.change, true)});
            }
            if (k.current && focused && !k.fixed) {
                RECT f = k.rc;
                DrawFocusRect(dc, &f);
            }
        }
    }
    for (const auto& [rc, colour] : marks) {
        markCorner(dc, rc, colour);
    }
}

COLORREF GridControl::tint(CellChange change, bool mark) const {
    switch (change) {
        case CellChange::Edit:
            return mark ? o_.editMark : o_.editTint;
        case CellChange::Delete:
            return mark ? o_.deleteMark : o_.deleteTint;
        case CellChange::Add:
            return mark ? o_.addMark : o_.addTint;
        default:
            return GetSysColor(COLOR_WINDOW);
    }
}

void GridControl::markCorner(HDC dc, const RECT& cell, COLORREF colour) const {
    // A triangle in the top right corner, clear of the left-aligned text.
    const int size = std::min(
        {px(kMarkSize), static_cast<int>(cell.right - cell.left) - 1, static_cast<int>(cell.bottom - cell.top) - 1});
    if (size < 2) {
        return;
    }
    const POINT corner[3] = {
        {cell.right - size, cell.top}, {cell.right - 1, cell.top}, {cell.right - 1, cell.top + size - 1}};
    const win::SelectObjectScope pen(dc, GetStockObject(DC_PEN));
    const win::SelectObjectScope brush(dc, GetStockObject(DC_BRUSH));
    SetDCPenColor(dc, colour);
    SetDCBrushColor(dc, colour);
    Polygon(dc, corner, 3);
}

}  // namespace qx::win32
