#include "widgets/stringGridWin32.h"
#include "core/winText.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"
#include "platform/platformWin32.h"
#include "widgets/widgetsWin32.h"

namespace qx::win32 {

namespace {

constexpr wchar_t kClassName[] = L"QuadcelXGrid";
constexpr int kSizingZone = 3;   // pixels either side of a header line that grab it
constexpr int kMinCellSize = 3;  // a column or row sized by the mouse keeps this much (96-dpi pixels)
constexpr int kTextMargin = 2;   // left margin of a cell's text (96-dpi pixels)
constexpr int kGreyBleed = 4;    // a grey cell also covers the line and margin on its left
constexpr int kMarkSize = 7;     // side of the corner mark of a pending cell (96-dpi pixels)
constexpr UINT_PTR kEditSubclass = 1;

HINSTANCE instance() {
    return GetModuleHandleW(nullptr);
}

const wchar_t* w(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

std::u16string windowText(HWND h) {
    const int n = GetWindowTextLengthW(h);
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(h, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(std::max(got, 0)));
    return win::fromWide(s);
}

void fill(HDC dc, const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void registerClass(WNDPROC proc) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(instance(), kClassName, &wc)) {
        return;
    }
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) {
        throw Error(u"グリッドのウィンドウクラスを登録できません: " + win::systemMessage(GetLastError()));
    }
}

// The cells of one axis that are in view: the fixed ones, then the scrolled
// ones from the first in view, each with its start in 96-dpi pixels.
struct Span {
    int index;
    int start;
    int size;
    int end() const { return start + size; }  // the grid line after the cell
};

std::vector<Span> spansInView(const StringGrid& g, bool vertical, int limit) {
    const int count = vertical ? g.RowCount() : g.ColCount();
    const int fixed = vertical ? g.FixedRows() : g.FixedCols();
    const int first = vertical ? g.TopRow() : g.LeftCol();
    auto size = [&](int i) { return vertical ? g.RowHeights(i) : g.ColWidths(i); };
    std::vector<Span> spans;
    int edge = 0;
    for (int i = 0; i < std::min(fixed, count); ++i) {
        spans.push_back({i, edge, size(i)});
        edge += size(i) + StringGrid::kGridLine;
    }
    for (int i = std::max(first, fixed); i < count && edge < limit; ++i) {
        spans.push_back({i, edge, size(i)});
        edge += size(i) + StringGrid::kGridLine;
    }
    return spans;
}

int fixedExtent(const StringGrid& g, bool vertical) {
    const int fixed = vertical ? g.FixedRows() : g.FixedCols();
    int edge = 0;
    for (int i = 0; i < fixed; ++i) {
        edge += (vertical ? g.RowHeights(i) : g.ColWidths(i)) + StringGrid::kGridLine;
    }
    return edge;
}

int sizeOf(const StringGrid& g, bool vertical, int i) {
    return (vertical ? g.RowHeights(i) : g.ColWidths(i)) + StringGrid::kGridLine;
}

}  // namespace

GridControl::GridControl(StringGrid& model, GridOptions options) : m_(model), o_(std::move(options)) {
    measureDc_ = CreateCompatibleDC(nullptr);
    makeFonts();
    m_.measureText = [this](const std::u16string& s) {
        SIZE size{};
        GetTextExtentPoint32W(measureDc_, w(s), static_cast<int>(s.size()), &size);
        return static_cast<int>(size.cx);
    };
}

GridControl::~GridControl() {
    m_.measureText = nullptr;
    if (hwnd_) {
        DestroyWindow(hwnd_);  // gives the model its repaint handler back
    }
    if (backDc_) {
        SelectObject(backDc_, backOld_);
        DeleteDC(backDc_);
    }
    if (backBitmap_) {
        DeleteObject(backBitmap_);
    }
    if (measureDc_) {
        DeleteDC(measureDc_);
    }
    if (font_) {
        DeleteObject(font_);
    }
    if (measureFont_) {
        DeleteObject(measureFont_);
    }
}

void GridControl::create(HWND parent, int id, int x, int y, int width, int height) {
    registerClass(windowProc);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | WS_CLIPCHILDREN;
    const DWORD exStyle = o_.border ? WS_EX_CLIENTEDGE : 0;
    HWND h = CreateWindowExW(exStyle, kClassName, L"", style, x, y, width, height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance(), this);
    if (!h) {
        throw Error(u"グリッドのウィンドウを作れません: " + win::systemMessage(GetLastError()));
    }
    edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_LEFT | ES_AUTOHSCROLL, 0, 0, 0, 0, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(1)), instance(), nullptr);
    if (!edit_) {
        throw Error(u"グリッドの編集欄を作れません: " + win::systemMessage(GetLastError()));
    }
    SetWindowSubclass(edit_, editProc, kEditSubclass, reinterpret_cast<DWORD_PTR>(this));
    makeFonts();
    chainedRepaint_ = std::move(m_.onRepaint);
    m_.onRepaint = [this] { modelChanged(); };
    lastCol_ = m_.Col();
    lastRow_ = m_.Row();
    syncAll();
}

void GridControl::run(const std::function<void()>& handler) {
    if (guard) {
        guard(handler);
    } else {
        guarded(handler);
    }
}

LRESULT CALLBACK GridControl::windowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* created = reinterpret_cast<GridControl*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        created->hwnd_ = h;
    }
    auto* self = reinterpret_cast<GridControl*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcW(h, msg, wp, lp);
    }
    LRESULT result = 0;
    self->run([&] { result = self->handle(msg, wp, lp); });
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(h, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->edit_ = nullptr;
        self->editorShown_ = false;
        self->m_.onRepaint = std::move(self->chainedRepaint_);
    }
    return result;
}

LRESULT CALLBACK GridControl::editProc(HWND e, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<GridControl*>(data);
    LRESULT result = 0;
    self->run([&] { result = self->handleEdit(e, msg, wp, lp); });
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(e, editProc, kEditSubclass);
    }
    return result;
}

// ---- model -> window

void GridControl::modelChanged() {
    if (chainedRepaint_) {
        chainedRepaint_();
    }
    if (!hwnd_) {
        return;
    }
    // Syncing may change the model again (scrolling, the editor); that comes back here.
    if (inSync_) {
        syncAgain_ = true;
        return;
    }
    struct Scope {
        bool& flag;
        explicit Scope(bool& f) : flag(f) { flag = true; }
        ~Scope() { flag = false; }
    } scope(inSync_);
    int rounds = 0;
    do {
        syncAgain_ = false;
        syncAll();
    } while (syncAgain_ && ++rounds < 8);
}

void GridControl::syncAll() {
    if (!hwnd_) {
        return;
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
    // A move of the current cell (the selection is that one cell) brings it into view;
    // a selection set as a rectangle leaves the view where it is.
    if (m_.Col() != lastCol_ || m_.Row() != lastRow_) {
        lastCol_ = m_.Col();
        lastRow_ = m_.Row();
        const GridRect s = m_.Selection();
        if (s == GridRect{lastCol_, lastRow_, lastCol_, lastRow_}) {
            scrollIntoView(lastCol_, lastRow_);
        }
    }
    updateScrollBars();
    syncEditor();
}

void GridControl::syncEditor() {
    if (!edit_) {
        return;
    }
    if (!m_.EditorMode()) {
        if (editorShown_) {
            hideEdit();
        }
        return;
    }
    const int c = m_.Col(), r = m_.Row();
    if (editorShown_ && (c != editorCol_ || r != editorRow_)) {
        // The current cell moved away under an open editor (a selection set from outside):
        // the edited cell already holds the text, so close without writing it elsewhere.
        m_.editorTakeUp();
        m_.hideEditor();
        return;
    }
    // A text set into the cell from outside reaches the open editor.
    if (m_.validCell(c, r) && m_.Cells(c, r) != m_.editorText()) {
        m_.editorTakeUp();
    }
    const std::u16string& text = m_.editorText();
    if (!editorShown_) {
        editorShown_ = true;
        editorCol_ = c;
        editorRow_ = r;
        settingEditText_ = true;
        SetWindowTextW(edit_, w(text));
        settingEditText_ = false;
        SendMessageW(edit_, EM_SETSEL, 0, -1);
        SendMessageW(edit_, EM_EMPTYUNDOBUFFER, 0, 0);
        placeEditor();
        if (GetFocus() == hwnd_) {
            SetFocus(edit_);
        }
        return;
    }
    if (windowText(edit_) != text) {
        settingEditText_ = true;
        SetWindowTextW(edit_, w(text));
        settingEditText_ = false;
        SendMessageW(edit_, EM_SETSEL, text.size(), text.size());
    }
    placeEditor();
}

void GridControl::placeEditor() {
    if (!editorShown_ || !edit_) {
        return;
    }
    const RECT rc = cellRect(editorCol_, editorRow_);
    if (IsRectEmpty(&rc)) {
        // Scrolled out of view: keep the editor and its focus, out of sight.
        SetWindowPos(edit_, HWND_TOP, -32000, -32000, 10, 10, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        return;
    }
    // The same vertical place as the cell's painted text.
    const int h = rc.bottom - rc.top;
    const int offset = std::max(0, (h - lineHeight_) / 2);
    SetWindowPos(edit_, HWND_TOP, rc.left, rc.top + offset, rc.right - rc.left, h - offset,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void GridControl::hideEdit() {
    editorShown_ = false;
    editorCol_ = editorRow_ = -1;
    const bool hadFocus = GetFocus() == edit_;
    ShowWindow(edit_, SW_HIDE);
    if (hadFocus) {
        SetFocus(hwnd_);
    }
}

void GridControl::updateScrollBars() {
    if (!hwnd_) {
        return;
    }
    auto set = [&](int bar, int count, int fixed, int first, int maxFirst) {
        std::array<int, 4>& shown = bar == SB_VERT ? vbar_ : hbar_;
        const std::array<int, 4> next{count, fixed, first, maxFirst};
        if (shown == next) {
            return;  // unchanged: no flicker of the bars while typing
        }
        shown = next;
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        const int scrollable = std::max(count - fixed, 0);
        si.nMin = 0;
        si.nMax = std::max(scrollable - 1, 0);
        // The page is what fits at the end, so that the thumb's last position shows the last cell.
        si.nPage = static_cast<UINT>(std::max(count - maxFirst, 1));
        si.nPos = std::clamp(first - fixed, 0, std::max(maxFirst - fixed, 0));
        SetScrollInfo(hwnd_, bar, &si, TRUE);
    };
    set(SB_VERT, m_.RowCount(), m_.FixedRows(), m_.TopRow(), maxTopRow());
    set(SB_HORZ, m_.ColCount(), m_.FixedCols(), m_.LeftCol(), maxLeftCol());
}

void GridControl::makeFonts() {
    auto make = [&](int height) {
        LOGFONTW lf{};
        lf.lfHeight = -height;  // the character height
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = o_.fontCharset;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        lstrcpynW(lf.lfFaceName, o_.fontFace.c_str(), LF_FACESIZE);
        return CreateFontIndirectW(&lf);
    };
    if (!measureFont_) {
        measureFont_ = make(o_.fontHeight);
        SelectObject(measureDc_, measureFont_);
    }
    HFONT next = make(std::max(1, px(o_.fontHeight)));
    HGDIOBJ old = SelectObject(measureDc_, next);
    TEXTMETRICW tm{};
    GetTextMetricsW(measureDc_, &tm);
    lineHeight_ = tm.tmHeight;
    SelectObject(measureDc_, old);
    if (edit_) {
        SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(next), FALSE);
        SendMessageW(edit_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(px(kTextMargin), 0));
    }
    if (font_) {
        DeleteObject(font_);
    }
    font_ = next;
}

void GridControl::setScale(double scale) {
    scale_ = scale > 0 ? scale : 1.0;
    makeFonts();
    backValid_ = false;
    vbar_.fill(-1);
    hbar_.fill(-1);
    if (hwnd_) {
        syncAll();
        placeEditor();
    }
}

// ---- geometry

int GridControl::px(int u) const {
    return static_cast<int>(std::lround(u * scale_));
}

int GridControl::units(int pixels) const {
    return static_cast<int>(std::floor(pixels / scale_));
}

int GridControl::clientUnits(bool vertical) const {
    RECT rc{};
    if (hwnd_) {
        GetClientRect(hwnd_, &rc);
    }
    return units(vertical ? rc.bottom : rc.right);
}

int GridControl::fullyVisible(bool vertical) const {
    const int count = vertical ? m_.RowCount() : m_.ColCount();
    const int first = vertical ? m_.TopRow() : m_.LeftCol();
    const int avail = clientUnits(vertical) - fixedExtent(m_, vertical);
    int n = 0, edge = 0;
    for (int i = first; i < count; ++i) {
        edge += sizeOf(m_, vertical, i);
        if (edge > avail) {
            break;
        }
        ++n;
    }
    return n;
}

namespace {
// The smallest first cell in view with which the last cells fill the view.
int maxFirst(const StringGrid& g, bool vertical, int clientUnits) {
    const int count = vertical ? g.RowCount() : g.ColCount();
    const int fixed = vertical ? g.FixedRows() : g.FixedCols();
    if (count <= fixed) {
        return fixed;
    }
    const int avail = clientUnits - fixedExtent(g, vertical);
    int acc = 0, i = count - 1;
    while (i >= fixed) {
        acc += sizeOf(g, vertical, i);
        if (acc > avail) {
            break;
        }
        --i;
    }
    return std::min(count - 1, i + 1);
}
}  // namespace

int GridControl::maxTopRow() const {
    return maxFirst(m_, true, clientUnits(true));
}

int GridControl::maxLeftCol() const {
    return maxFirst(m_, false, clientUnits(false));
}

RECT GridControl::cellRect(int col, int row) const {
    RECT none{0, 0, 0, 0};
    if (!m_.validCell(col, row) || (col >= m_.FixedCols() && col < m_.LeftCol()) ||
        (row >= m_.FixedRows() && row < m_.TopRow())) {
        return none;
    }
    const auto [x, y] = m_.cellOrigin(col, row);
    RECT rc{px(x), px(y), px(x + m_.ColWidths(col)), px(y + m_.RowHeights(row))};
    RECT client{};
    if (hwnd_) {
        GetClientRect(hwnd_, &client);
    }
    if (rc.left >= client.right || rc.top >= client.bottom) {
        return none;
    }
    return rc;
}

void GridControl::scrollIntoView(int col, int row) {
    auto first = [&](bool vertical, int i) {
        const int fixed = vertical ? m_.FixedRows() : m_.FixedCols();
        const int current = vertical ? m_.TopRow() : m_.LeftCol();
        if (i < fixed) {
            return current;
        }
        if (i < current) {
            return i;
        }
        // The first cell with which cell i still ends inside the view.
        const int avail = clientUnits(vertical) - fixedExtent(m_, vertical);
        int acc = 0, t = i;
        while (t >= fixed) {
            acc += sizeOf(m_, vertical, t);
            if (acc > avail) {
                break;
            }
            --t;
        }
        return std::max(current, std::min(i, t + 1));
    };
    if (!m_.validCell(col, row)) {
        return;
    }
    const int top = first(true, row), left = first(false, col);
    if (top != m_.TopRow()) {
        m_.setTopRow(top);
    }
    if (left != m_.LeftCol()) {
        m_.setLeftCol(left);
    }
}

std::pair<int, int> GridControl::hit(int x, int y) const {
    return m_.cellAt(units(x), units(y));
}

int GridControl::sizingLine(bool vertical, int x, int y) const {
    // Columns are sized in the fixed rows, rows in the fixed columns.
    const int across = vertical ? x : y;
    if (across < 0 || units(across) >= fixedExtent(m_, !vertical)) {
        return -1;
    }
    const int along = vertical ? y : x;
    int best = -1, bestDistance = kSizingZone + 1;
    for (const Span& s : spansInView(m_, vertical, clientUnits(vertical) + 1)) {
        const int d = std::abs(along - px(s.end()));
        if (d < bestDistance) {
            best = s.index;
            bestDistance = d;
        }
    }
    return best;
}

// ---- painting

void GridControl::ensureBuffer(int width, int height) {
    if (backDc_ && width == backW_ && height == backH_) {
        return;
    }
    HDC screen = GetDC(hwnd_);
    if (!backDc_) {
        backDc_ = CreateCompatibleDC(screen);
    }
    HBITMAP next = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(hwnd_, screen);
    HGDIOBJ old = SelectObject(backDc_, next);
    if (!backOld_) {
        backOld_ = old;
    }
    if (backBitmap_) {
        DeleteObject(backBitmap_);
    }
    backBitmap_ = next;
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
        render(backDc_, client.right, client.bottom);
        backValid_ = true;
        ++paintCount_;
    } else if (!backValid_) {
        // Nothing drawn yet at this size: an empty window now, the cells when the update ends.
        fill(backDc_, client, GetSysColor(COLOR_WINDOW));
        backValid_ = true;
        m_.invalidate();
    }
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, backDc_, area.left, area.top,
           SRCCOPY);
}

void GridControl::render(HDC dc, int width, int height) {
    const RECT all{0, 0, width, height};
    fill(dc, all, GetSysColor(COLOR_WINDOW));
    const std::vector<Span> cols = spansInView(m_, false, units(width) + 1);
    const std::vector<Span> rows = spansInView(m_, true, units(height) + 1);
    const int fc = m_.FixedCols(), fr = m_.FixedRows();
    const int scrollLeft = px(fixedExtent(m_, false));
    const GridRect sel = m_.Selection();
    const int curC = m_.Col(), curR = m_.Row();
    const bool focused = GetFocus() == hwnd_;
    HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);

    // Lines first, cells inside them. A border the drawing does not have
    // (inside a merged field) is left out, and its corner too when no border
    // meets there.
    auto cornerDrawn = [&](int c, int r) {
        return m_.borderRight(c, r) || m_.borderBelow(c, r) || m_.borderRight(c, r + 1) || m_.borderBelow(c + 1, r);
    };
    for (const Span& r : rows) {
        for (const Span& c : cols) {
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
        CellChange change;
    };
    std::vector<Cell> cells;
    cells.reserve(rows.size() * cols.size());
    for (const Span& r : rows) {
        // A pending text's tint runs on through the empty rest of its field.
        COLORREF carried = 0;
        bool carry = false;
        int previous = -1;
        for (const Span& c : cols) {
            Cell k{{px(c.start), px(r.start), px(c.end()), px(r.end())},
                   GetSysColor(COLOR_WINDOW),
                   GetSysColor(COLOR_WINDOWTEXT),
                   c.index < fc || r.index < fr,
                   c.index == curC && r.index == curR,
                   editorShown_ && c.index == editorCol_ && r.index == editorRow_,
                   cellChange ? cellChange(c.index, r.index) : CellChange::None};
            const bool selected = !k.fixed && !k.current && c.index >= sel.Left && c.index <= sel.Right &&
                                  r.index >= sel.Top && r.index <= sel.Bottom;
            if (k.fixed) {
                fill(dc, k.rc, o_.fixedColor);
                DrawEdge(dc, &k.rc, BDR_RAISEDINNER, BF_RECT);
                k.text = GetSysColor(COLOR_BTNTEXT);
            } else {
                if (selected) {
                    k.back = GetSysColor(COLOR_HIGHLIGHT);
                    k.text = GetSysColor(COLOR_HIGHLIGHTTEXT);
                } else if (k.change != CellChange::None) {
                    k.back = tint(k.change, false);
                }
                const bool empty = m_.Cells(c.index, r.index).empty();
                if (carry && !selected && k.change == CellChange::None && empty && previous + 1 == c.index &&
                    !m_.borderRight(previous, r.index)) {
                    k.back = carried;
                } else {
                    carry = !selected && k.change != CellChange::None;
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
    auto grey = [&](const Span& c, const Span& r, const Cell& k) {
        return !k.fixed && !k.underEditor && paintsGrey && paintsGrey(c.index, r.index);
    };
    // The last cell of the field that cell ci starts: the following empty
    // cells behind no drawn border that look alike.
    auto fieldEnd = [&](std::size_t ri, std::size_t ci) {
        const Cell& k = cells[ri * cols.size() + ci];
        const Span& r = rows[ri];
        std::size_t end = ci;
        for (std::size_t cj = ci + 1; !k.fixed && cj < cols.size(); ++cj) {
            const Cell& next = cells[ri * cols.size() + cj];
            if (cols[cj].index != cols[cj - 1].index + 1 || m_.borderRight(cols[cj - 1].index, r.index) ||
                !m_.Cells(cols[cj].index, r.index).empty() || next.back != k.back || next.underEditor ||
                grey(cols[cj], r, next)) {
                break;
            }
            end = cj;
        }
        return end;
    };
    std::vector<std::pair<RECT, COLORREF>> marks;  // drawn last: a grey column's fill reaches into its left neighbour
    for (std::size_t ri = 0; ri < rows.size(); ++ri) {
        const Span& r = rows[ri];
        for (std::size_t ci = 0; ci < cols.size(); ++ci) {
            const Span& c = cols[ci];
            const Cell& k = cells[ri * cols.size() + ci];
            const std::u16string& s = m_.Cells(c.index, r.index);
            const bool isGrey = grey(c, r, k);
            const bool pending = k.change != CellChange::None && !k.underEditor;
            const std::size_t end = isGrey || (s.empty() && !pending) ? ci : fieldEnd(ri, ci);
            if (!s.empty() && !k.underEditor) {
                RECT tr = k.rc;
                tr.left += px(kTextMargin);
                tr.right = cells[ri * cols.size() + end].rc.right;  // on through the rest of the field
                SetTextColor(dc, k.text);
                DrawTextW(dc, w(s), static_cast<int>(s.size()), &tr, textFormat);
            }
            if (isGrey) {
                // The whole column reads as one grey band: the fill covers the lines
                // around the cell, but never reaches into the fixed columns.
                RECT g{std::max(px(c.start - kGreyBleed), scrollLeft), px(r.start), px(c.end() + 1), px(r.end() + 1)};
                fill(dc, g, GetSysColor(COLOR_BTNFACE));
                if (!s.empty()) {
                    RECT tr = k.rc;
                    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                    DrawTextW(dc, w(s), static_cast<int>(s.size()), &tr, textFormat);
                }
            }
            if (pending) {
                marks.push_back({cells[ri * cols.size() + end].rc, tint(k.change, true)});
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
    SelectObject(dc, oldFont);
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
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    SetDCPenColor(dc, colour);
    SetDCBrushColor(dc, colour);
    Polygon(dc, corner, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

// ---- input

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
    if (col == m_.Col() && row == m_.Row()) {
        if (!(m_.Selection() == GridRect{col, row, col, row})) {
            m_.setSelection({col, row, col, row});
        }
    } else if (row == m_.Row()) {
        m_.setCol(col);
    } else if (col == m_.Col()) {
        m_.setRow(row);
    } else {
        // Both coordinates at once are one move: one select-cell, one click.
        m_.hideEditor();
        if (m_.onSelectCell) {
            m_.onSelectCell(col, row);
        }
        m_.setSelection({col, row, col, row});
        if (m_.onClick) {
            m_.onClick();
        }
    }
    scrollIntoView(col, row);
}

void GridControl::extendSelection(int col, int row) {
    m_.hideEditor();  // the editor belongs to the current cell, which is about to move
    const GridRect s = m_.Selection();
    const int ac = m_.Col() == s.Left ? s.Right : s.Left;
    const int ar = m_.Row() == s.Top ? s.Bottom : s.Top;
    m_.setSelection({ac, ar, col, row});
    scrollIntoView(col, row);
}

void GridControl::keyDown(UINT vk) {
    const int fc = m_.FixedCols(), fr = m_.FixedRows();
    const int lc = m_.ColCount() - 1, lr = m_.RowCount() - 1;
    if (lc < fc || lr < fr) {
        return;  // no data cells
    }
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    // From a fixed row (the second header row switched on), the keys lead into the data.
    const int c = m_.Col(), r = m_.Row();
    int nc = c, nr = r;
    switch (vk) {
        case VK_UP:
            nr = std::max(fr, r - 1);
            break;
        case VK_DOWN:
            nr = std::min(lr, r + 1);
            break;
        case VK_LEFT:
            nc = std::max(fc, c - 1);
            break;
        case VK_RIGHT:
            nc = std::min(lc, c + 1);
            break;
        case VK_HOME:
            nc = fc;
            if (ctrl) {
                nr = fr;
            }
            break;
        case VK_END:
            nc = lc;
            if (ctrl) {
                nr = lr;
            }
            break;
        case VK_PRIOR:
            nr = std::max(fr, r - std::max(1, fullyVisible(true)));
            break;
        case VK_NEXT:
            nr = std::min(lr, r + std::max(1, fullyVisible(true)));
            break;
        case VK_TAB:
            if (!o_.tabs) {
                return;
            }
            // Row by row, wrapping at both ends.
            if (shift) {
                nc = c > fc ? c - 1 : lc;
                nr = c > fc ? r : (r > fr ? r - 1 : lr);
            } else {
                nc = c < lc ? c + 1 : fc;
                nr = c < lc ? r : (r < lr ? r + 1 : fr);
            }
            moveCurrent(std::clamp(nc, fc, lc), std::clamp(nr, fr, lr));
            return;
        case VK_F2:
            if (o_.editing) {
                m_.showEditor();
            }
            return;
        case VK_PROCESSKEY:
            openEditorForIme();
            return;
        default:
            return;
    }
    nc = std::clamp(nc, fc, lc);
    nr = std::clamp(nr, fr, lr);
    if (shift && o_.rangeSelect) {
        extendSelection(nc, nr);
    } else {
        moveCurrent(nc, nr);
    }
}

void GridControl::typed(char16_t ch) {
    if (editorShown_ && m_.EditorMode()) {
        // A character that still reached the grid belongs to the open editor.
        SendMessageW(edit_, WM_CHAR, ch, 0);
        return;
    }
    const char16_t key = onKeyPress ? onKeyPress(ch, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0) : ch;
    if (key == 0 || !o_.editing) {
        return;
    }
    if (key == 13) {
        m_.toggleEditor();
        return;
    }
    if (key == 8) {
        // Backspace on a closed editor: the cell's text goes, the editor stays open.
        m_.showEditor();
        m_.editorChange(u"");
        return;
    }
    if (key < 32 || key == 127) {
        return;  // Escape, Tab and the Ctrl letters type nothing
    }
    m_.typeChar(key);
    if (editorShown_) {
        const LRESULT n = GetWindowTextLengthW(edit_);
        SendMessageW(edit_, EM_SETSEL, n, n);
    }
}

bool GridControl::openEditorForIme() {
    if (!o_.editing) {
        return false;
    }
    if (!m_.EditorMode()) {
        m_.showEditor();  // all of the old text selected: the composition replaces it
    }
    if (editorShown_ && GetFocus() != edit_) {
        SetFocus(edit_);
    }
    return editorShown_;
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
    const int page = std::max(1, fullyVisible(vertical));
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
    if (drag_ == Drag::Select && o_.rangeSelect && c >= m_.FixedCols() && r >= m_.FixedRows() &&
        (c != m_.Col() || r != m_.Row())) {
        m_.setSelection({anchorCol_, anchorRow_, c, r});
        scrollIntoView(c, r);  // a drag past the edge scrolls
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
    if (was == Drag::Select && m_.onClick) {
        m_.onClick();  // a mouse selection ended
    }
    if (was == Drag::Fixed && o_.fixedCellClick && c == dragIndex_ && r == dragRow_ && onFixedCellClick) {
        onFixedCellClick(c, r);
    }
    if (onMouseUp) {
        onMouseUp();
    }
}

// ---- window procedures

LRESULT GridControl::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS | (o_.tabs ? DLGC_WANTTAB : 0);
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            paint(dc, ps.rcPaint);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client{};
            GetClientRect(hwnd_, &client);
            paint(reinterpret_cast<HDC>(wp), client);
            return 0;
        }
        case WM_SIZE:
            vbar_.fill(-1);
            hbar_.fill(-1);
            scrollRows(m_.TopRow());  // a larger view may show the last rows from higher up
            scrollCols(m_.LeftCol());
            updateScrollBars();
            placeEditor();
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_SETFOCUS:
            if (editorShown_) {
                SetFocus(edit_);
            }
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_KILLFOCUS:
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_VSCROLL:
        case WM_HSCROLL:
            onScroll(msg == WM_VSCROLL, LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL: {
            const bool vertical = msg == WM_MOUSEWHEEL;
            int& rest = vertical ? wheelRest_ : hwheelRest_;
            rest += GET_WHEEL_DELTA_WPARAM(wp);
            const int notches = rest / WHEEL_DELTA;
            rest -= notches * WHEEL_DELTA;
            UINT lines = 3;
            SystemParametersInfoW(vertical ? SPI_GETWHEELSCROLLLINES : SPI_GETWHEELSCROLLCHARS, 0, &lines, 0);
            const int step =
                lines == WHEEL_PAGESCROLL ? std::max(1, fullyVisible(vertical)) : static_cast<int>(std::max(lines, 1u));
            if (vertical) {
                scrollRows(m_.TopRow() - notches * step);  // away from the user: up
            } else {
                scrollCols(m_.LeftCol() + notches * step);
            }
            return 0;
        }
        case WM_KEYDOWN:
            keyDown(static_cast<UINT>(wp));
            break;  // the default procedure still makes the menu keys' WM_CONTEXTMENU
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            std::uint16_t key = static_cast<std::uint16_t>(wp);
            if (onKeyUp) {
                onKeyUp(key, modifiers());
            }
            break;
        }
        case WM_CHAR:
            typed(static_cast<char16_t>(wp));
            return 0;
        case WM_IME_STARTCOMPOSITION:
            // The composition goes into the editor, opened for it if needed.
            if (openEditorForIme()) {
                return SendMessageW(edit_, msg, wp, lp);
            }
            break;
        case WM_IME_COMPOSITION:
        case WM_IME_ENDCOMPOSITION:
        case WM_IME_CHAR:
            if (editorShown_) {
                return SendMessageW(edit_, msg, wp, lp);
            }
            break;
        case WM_COMMAND:
            if (reinterpret_cast<HWND>(lp) == edit_ && HIWORD(wp) == EN_CHANGE && !settingEditText_ && editorShown_ &&
                m_.EditorMode()) {
                m_.editorChange(windowText(edit_));
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            mouseDown(msg == WM_LBUTTONDOWN, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), (wp & MK_SHIFT) != 0);
            return 0;
        case WM_LBUTTONDBLCLK:
            if (GetFocus() != hwnd_) {
                SetFocus(hwnd_);
            }
            if (onDblClick) {
                onDblClick();
            }
            return 0;
        case WM_MOUSEMOVE:
            mouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_LBUTTONUP:
            mouseUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_RBUTTONUP:
            mouseUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            break;  // the default procedure raises WM_CONTEXTMENU
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != hwnd_) {
                drag_ = Drag::None;
            }
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT) {
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(hwnd_, &p);
                const bool cols = drag_ == Drag::SizeCol || (o_.colSizing && sizingLine(false, p.x, p.y) >= 0);
                const bool rows = drag_ == Drag::SizeRow || (o_.rowSizing && sizingLine(true, p.x, p.y) >= 0);
                SetCursor(LoadCursorW(nullptr, cols ? IDC_SIZEWE : rows ? IDC_SIZENS : IDC_ARROW));
                return TRUE;
            }
            break;
        case WM_CONTEXTMENU:
            if (onContextMenu) {
                int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
                if (x == -1 && y == -1) {  // from the keyboard: at the current cell
                    const RECT rc = cellRect(m_.Col(), m_.Row());
                    POINT p{rc.left, rc.bottom};
                    ClientToScreen(hwnd_, &p);
                    x = p.x;
                    y = p.y;
                }
                onContextMenu(x, y);
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT GridControl::handleEdit(HWND edit, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTTAB |
                   DefSubclassProc(edit, msg, wp, lp);
        case WM_KEYDOWN:
            // Up, down and the page keys leave the cell; left and right stay in the text.
            switch (wp) {
                case VK_UP:
                case VK_DOWN:
                case VK_PRIOR:
                case VK_NEXT:
                    keyDown(static_cast<UINT>(wp));
                    return 0;
                case VK_TAB:
                    if (o_.tabs) {
                        keyDown(VK_TAB);
                        return 0;
                    }
                    break;
                default:
                    break;
            }
            break;
        case WM_CHAR:
            editTyped(edit, static_cast<char16_t>(wp), lp);
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            // The editor handles the key first, then the grid's key-release handler sees it.
            const LRESULT r = DefSubclassProc(edit, msg, wp, lp);
            std::uint16_t key = static_cast<std::uint16_t>(wp);
            if (onKeyUp) {
                onKeyUp(key, modifiers());
            }
            return r;
        }
        case WM_UNDO:
        case EM_UNDO:
            return m_.editorUndo() ? TRUE : FALSE;
        case WM_LBUTTONDBLCLK: {
            const LRESULT r = DefSubclassProc(edit, msg, wp, lp);
            if (onDblClick) {
                onDblClick();
            }
            return r;
        }
        default:
            break;
    }
    return DefSubclassProc(edit, msg, wp, lp);
}

void GridControl::editTyped(HWND edit, char16_t ch, LPARAM lp) {
    const char16_t key = onKeyPress ? onKeyPress(ch, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0) : ch;
    if (key == 0) {
        return;
    }
    if (key == 13) {
        m_.toggleEditor();  // closes this editor, or opens one on the cell the handler moved to
        return;
    }
    if (!editorShown_ || !m_.EditorMode()) {
        return;  // the handler closed the editor
    }
    switch (key) {
        case 27:  // the key-press handler undoes; the editor stays open
        case 9:
        case 10:
            return;
        case 0x1A:  // Ctrl+Z: the editor's own single step
            m_.editorUndo();
            return;
        default:
            DefSubclassProc(edit, WM_CHAR, key, lp);
    }
}

}  // namespace qx::win32
