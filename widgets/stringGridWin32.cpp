// The grid window: creation, keeping the window in step with the model,
// geometry in screen pixels, and the window procedure.
#include "widgets/stringGridWin32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/winText.h"
#include "platform/platform.h"
#include "platform/platformWin32.h"
#include "widgets/widgetsWin32.h"

namespace qx::win32 {

namespace {

constexpr wchar_t kClassName[] = L"QuadcelXGrid";
constexpr int kSizingZone = 3;  // pixels either side of a header line that grab it

HINSTANCE instance() {
    return GetModuleHandleW(nullptr);
}

}  // namespace

GridControl::GridControl(StringGrid& model, GridOptions options) : m_(model), o_(std::move(options)) {
    makeFonts();
    m_.measureText = [this](const std::u16string& s) {
        SIZE size{};
        GetTextExtentPoint32W(measureDc_.get(), win::wideView(s), static_cast<int>(s.size()), &size);
        return static_cast<int>(size.cx);
    };
}

GridControl::~GridControl() {
    m_.measureText = nullptr;
    if (hwnd_) {
        DestroyWindow(hwnd_);  // gives the model its repaint handler back
    }
}

void GridControl::create(HWND parent, int id, int x, int y, int width, int height) {
    WNDCLASSEXW wc{};
    wc.style = CS_DBLCLKS;
    wc.hInstance = instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    registerClass(wc);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | WS_CLIPCHILDREN;
    const DWORD exStyle = o_.border ? WS_EX_CLIENTEDGE : 0;
    HWND h = createWindow(exStyle, kClassName, L"", style, x, y, width, height, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
    if (!h) {
        throw Error(u"グリッドのウィンドウを作れません: " + win::systemMessage(GetLastError()));
    }
    createEditor();
    makeFonts();
    chainedRepaint_ = std::move(m_.onRepaint);
    m_.onRepaint = [this] { modelChanged(); };
    lastCol_ = m_.Col();
    lastRow_ = m_.Row();
    syncAll();
}

bool GridControl::runGuarded(const std::function<void()>& handler) {
    if (!guard)
        return Window::runGuarded(handler);
    bool ran = false;
    guard([&] {
        handler();
        ran = true;
    });
    return ran;
}

void GridControl::destroyed() {
    edit_ = nullptr;
    editorShown_ = false;
    m_.onRepaint = std::move(chainedRepaint_);
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
    // Other counts, sizes or fixed rows: the view never starts past the cells
    // that fill it, so a smaller table shows from where it fits.
    scrollRows(m_.TopRow());
    scrollCols(m_.LeftCol());
    updateScrollBars();
    syncEditor();
}

void GridControl::updateScrollBars() {
    if (!hwnd_) {
        return;
    }
    auto set = [&](int bar, BarShown& shown, const BarShown& next) {
        if (shown == next) {
            return;  // unchanged: no flicker of the bars while typing
        }
        shown = next;
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        const int scrollable = std::max(next.count - next.fixed, 0);
        si.nMin = 0;
        si.nMax = std::max(scrollable - 1, 0);
        // The page is what fits at the end, so that the thumb's last position shows the last cell.
        si.nPage = static_cast<UINT>(std::max(next.count - next.maxFirst, 1));
        si.nPos = std::clamp(next.first - next.fixed, 0, std::max(next.maxFirst - next.fixed, 0));
        SetScrollInfo(hwnd_, bar, &si, TRUE);
    };
    set(SB_VERT, vbarShown_, {m_.RowCount(), m_.FixedRows(), m_.TopRow(), maxTopRow()});
    set(SB_HORZ, hbarShown_, {m_.ColCount(), m_.FixedCols(), m_.LeftCol(), maxLeftCol()});
}

void GridControl::makeFonts() {
    auto make = [&](int height) {
        return createFont({o_.fontFace.c_str(), height, false, o_.fontCharset, true, DEFAULT_QUALITY}, height);
    };
    if (!measureFont_) {
        measureFont_ = make(o_.fontHeight);
        measureFontSelected_.emplace(measureDc_.get(), measureFont_.get());
        TEXTMETRICW tm{};
        GetTextMetricsW(measureDc_.get(), &tm);
        m_.setLineHeight(tm.tmHeight);  // unscaled, as the model's row heights are
    }
    win::GdiObject<HFONT> next = make(std::max(1, px(o_.fontHeight)));
    {
        const win::SelectObjectScope selected(measureDc_.get(), next.get());
        TEXTMETRICW tm{};
        GetTextMetricsW(measureDc_.get(), &tm);
        lineHeight_ = tm.tmHeight;
    }
    if (edit_) {
        SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(next.get()), FALSE);
        SendMessageW(edit_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(px(kTextMargin), 0));
    }
    font_ = std::move(next);  // the editor has let go of the old one
}

void GridControl::setScale(double scale) {
    scale_ = scale > 0 ? scale : 1.0;
    makeFonts();
    backValid_ = false;
    vbarShown_ = hbarShown_ = {};
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

int GridControl::pageCells(bool vertical) const {
    const GridAxis axis = vertical ? m_.rowAxis() : m_.colAxis();
    return std::max(1, axis.fullyVisible(clientUnits(vertical)));
}

int GridControl::maxTopRow() const {
    return m_.rowAxis().maxFirst(clientUnits(true));
}

int GridControl::maxLeftCol() const {
    return m_.colAxis().maxFirst(clientUnits(false));
}

RECT GridControl::cellRect(int col, int row) const {
    RECT none{0, 0, 0, 0};
    if (!m_.validCell(col, row) || m_.colAxis().scrolledOut(col) || m_.rowAxis().scrolledOut(row)) {
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
    if (!m_.validCell(col, row)) {
        return;
    }
    const int top = m_.rowAxis().firstShowing(row, clientUnits(true));
    const int left = m_.colAxis().firstShowing(col, clientUnits(false));
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
    if (across < 0 || units(across) >= (vertical ? m_.colAxis() : m_.rowAxis()).fixedExtent()) {
        return -1;
    }
    const int along = vertical ? y : x;
    const GridAxis axis = vertical ? m_.rowAxis() : m_.colAxis();
    int best = -1, bestDistance = kSizingZone + 1;
    for (const GridSpan& s : axis.inView(clientUnits(vertical) + 1)) {
        const int d = std::abs(along - px(s.end()));
        if (d < bestDistance) {
            best = s.index;
            bestDistance = d;
        }
    }
    return best;
}

// ---- window procedures

LRESULT GridControl::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS | (o_.tabs ? DLGC_WANTTAB : 0);
        case WM_ERASEBKGND:
            return 1;
        case kGridGetPainted:
            if (lp && paintedOnce_) {
                *reinterpret_cast<GridPainted*>(lp) = painted_;
                return TRUE;
            }
            return FALSE;
        case WM_PAINT: {
            const win::PaintDC dc(hwnd_);
            paint(dc.get(), dc.dirty());
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client{};
            GetClientRect(hwnd_, &client);
            paint(reinterpret_cast<HDC>(wp), client);
            return 0;
        }
        case WM_SIZE:
            vbarShown_ = hbarShown_ = {};
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
            const int step = lines == WHEEL_PAGESCROLL ? pageCells(vertical) : static_cast<int>(std::max(lines, 1u));
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
                m_.editorChange(valueOfEditText(windowText(edit_)));
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
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace qx::win32
