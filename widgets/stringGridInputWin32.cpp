// The grid's keyboard, scroll bar and mouse input: moving the current cell,
// growing the selection, scrolling, and sizing columns and rows in the headers.
#include "widgets/stringGridWin32.h"

#include <algorithm>
#include <cmath>

#include "widgets/gridKeys.h"

namespace qx::win32 {

namespace {
constexpr int kMinCellSize = 3;  // a column or row sized by the mouse keeps this much (96-dpi pixels)
}  // namespace

unsigned GridControl::modifiers() const {
    unsigned m = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        m |= 1;
    }
    if (GetKeyState(VK_MENU) < 0) {
        m |= 2;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        m |= 4;
    }
    return m;
}

void GridControl::moveCurrent(int col, int row) {
    m_.moveCurrent(col, row);
    scrollIntoView(col, row);
}

void GridControl::extendSelection(int col, int row) {
    m_.extendSelection(col, row);
    scrollIntoView(col, row);
}

void GridControl::keyDown(UINT vk) {
    if (m_.ColCount() <= m_.FixedCols() || m_.RowCount() <= m_.FixedRows()) {
        return;  // no data cells
    }
    switch (vk) {
        case VK_F2:
            if (o_.editing) {
                m_.showEditor();
            }
            return;
        case VK_PROCESSKEY:
            openEditorForIme();
            return;
        case VK_TAB:
            if (!o_.tabs) {
                return;
            }
            break;
        default:
            break;
    }
    const unsigned held = modifiers();
    const std::optional<KeyMove> move = keyMove(m_, static_cast<int>(vk), held & 1, held & 4, pageCells(true));
    if (!move) {
        return;
    }
    if (move->range && o_.rangeSelect) {
        extendSelection(move->col, move->row);
    } else {
        moveCurrent(move->col, move->row);
    }
}

void GridControl::scrollRows(int first) {
    first = std::clamp(first, m_.FixedRows(), std::max(maxTopRow(), m_.FixedRows()));
    if (first != m_.TopRow()) {
        m_.setTopRow(first);
    }
}

void GridControl::scrollCols(int first) {
    first = std::clamp(first, m_.FixedCols(), std::max(maxLeftCol(), m_.FixedCols()));
    if (first != m_.LeftCol()) {
        m_.setLeftCol(first);
    }
}

void GridControl::onScroll(bool vertical, int code, int thumb) {
    const int fixed = vertical ? m_.FixedRows() : m_.FixedCols();
    const int first = vertical ? m_.TopRow() : m_.LeftCol();
    const int page = pageCells(vertical);
    int next = first;
    switch (code) {
        case SB_LINEUP:
            next = first - 1;
            break;
        case SB_LINEDOWN:
            next = first + 1;
            break;
        case SB_PAGEUP:
            next = first - page;
            break;
        case SB_PAGEDOWN:
            next = first + page;
            break;
        case SB_TOP:
            next = fixed;
            break;
        case SB_BOTTOM:
            next = vertical ? maxTopRow() : maxLeftCol();
            break;
        case SB_THUMBTRACK:
            if (!o_.thumbTracking) {
                return;
            }
            [[fallthrough]];
        case SB_THUMBPOSITION: {
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS | SIF_RANGE;
            GetScrollInfo(hwnd_, vertical ? SB_VERT : SB_HORZ, &si);
            // The message carries 16 bits; the tracking position is the whole number.
            next = fixed + (si.nMax <= 0xFFFF ? thumb : si.nTrackPos);
            break;
        }
        default:
            return;
    }
    if (vertical) {
        scrollRows(next);
    } else {
        scrollCols(next);
    }
}

void GridControl::mouseDown(bool left, int x, int y, bool shift) {
    m_.hideEditor();  // a press on the grid ends the editing
    if (GetFocus() != hwnd_) {
        SetFocus(hwnd_);
    }
    const auto [c, r] = hit(x, y);
    drag_ = Drag::Other;
    if (left) {
        int line = -1;
        if (o_.colSizing && (line = sizingLine(false, x, y)) >= 0) {
            drag_ = Drag::SizeCol;
            dragIndex_ = line;
            dragStart_ = x;
            dragSize_ = m_.ColWidths(line);
        } else if (o_.rowSizing && (line = sizingLine(true, x, y)) >= 0) {
            drag_ = Drag::SizeRow;
            dragIndex_ = line;
            dragStart_ = y;
            dragSize_ = m_.RowHeights(line);
        } else if (c >= m_.FixedCols() && r >= m_.FixedRows()) {
            if (shift && o_.rangeSelect) {
                extendSelection(c, r);
                const GridRect s = m_.Selection();
                anchorCol_ = c == s.Left ? s.Right : s.Left;
                anchorRow_ = r == s.Top ? s.Bottom : s.Top;
            } else {
                moveCurrent(c, r);
                anchorCol_ = c;
                anchorRow_ = r;
            }
            drag_ = Drag::Select;
        } else if (c >= 0 && r >= 0) {
            drag_ = Drag::Fixed;
            dragIndex_ = c;
            dragRow_ = r;
        }
    }
    SetCapture(hwnd_);
    if (onMouseDown) {
        onMouseDown(left, c, r);
    }
}

void GridControl::mouseMove(int x, int y) {
    if (drag_ == Drag::None) {
        return;
    }
    if (drag_ == Drag::SizeCol || drag_ == Drag::SizeRow) {
        const bool rows = drag_ == Drag::SizeRow;
        const int delta = static_cast<int>(std::lround(((rows ? y : x) - dragStart_) / scale_));
        const int size = std::max(kMinCellSize, dragSize_ + delta);
        if (rows && size != m_.RowHeights(dragIndex_)) {
            m_.setRowHeights(dragIndex_, size);
        } else if (!rows && size != m_.ColWidths(dragIndex_)) {
            m_.setColWidths(dragIndex_, size);
        }
    }
    const auto [c, r] = hit(x, y);
    if (drag_ == Drag::Select && o_.rangeSelect && c >= 0 && r >= 0) {
        // Over a header the range reaches the first data cell: the current cell never enters it.
        const int dc = std::max(c, m_.FixedCols()), dr = std::max(r, m_.FixedRows());
        if (dc != m_.Col() || dr != m_.Row()) {
            m_.extendSelectionFrom(anchorCol_, anchorRow_, dc, dr);
            scrollIntoView(dc, dr);  // a drag past the edge scrolls
        }
    }
    if (onMouseMove) {
        onMouseMove(c, r);
    }
}

void GridControl::mouseUp(int x, int y) {
    const Drag was = drag_;
    drag_ = Drag::None;
    if (GetCapture() == hwnd_) {
        ReleaseCapture();
    }
    const auto [c, r] = hit(x, y);
    if (was == Drag::Select) {
        m_.selectionDone();
    }
    if (was == Drag::Fixed && o_.fixedCellClick && c == dragIndex_ && r == dragRow_ && onFixedCellClick) {
        onFixedCellClick(c, r);
    }
    if (onMouseUp) {
        onMouseUp();
    }
}

}  // namespace qx::win32
