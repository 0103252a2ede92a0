#include "widgets/widgetsWin32.h"

#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <stdexcept>

#include "core/text.h"
#include "core/winText.h"
#include "platform/platform.h"
#include "widgets/keyCodes.h"

namespace qx::win32 {

namespace {

std::function<void(const std::u16string&)>& errorReport() {
    static std::function<void(const std::u16string&)> report;
    return report;
}

HINSTANCE instance() {
    return GetModuleHandleW(nullptr);
}

int textWidth(HDC dc, const std::u16string& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, win::wideView(text), static_cast<int>(text.size()), &size);
    return size.cx;
}

int dpiScaled(HWND h, int px) {
    return MulDiv(px, windowDpi(GetParent(h)), 96);
}

// Room that a list box or an edit box takes around its text: the sunken
// border on both sides and a little air.
int boxChrome(HWND h) {
    return 2 * GetSystemMetrics(SM_CXEDGE) + dpiScaled(h, 6);
}

}  // namespace

std::u16string windowText(HWND h) {
    const int n = GetWindowTextLengthW(h);
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(h, s.data(), n + 1);
    return win::fromWide(s.data(), static_cast<std::size_t>(std::max(got, 0)));
}

void setErrorReport(std::function<void(const std::u16string&)> report) {
    errorReport() = std::move(report);
}

void guarded(const std::function<void()>& handler) {
    std::u16string message;
    try {
        handler();
        return;
    } catch (const Error& e) {
        message = e.message();
    } catch (const std::exception& e) {
        message = fromUtf8(e.what());
    }
    if (errorReport()) {
        errorReport()(message);
    } else {
        MessageBoxW(GetActiveWindow(), win::wideView(message), L"QuadcelX", MB_OK | MB_ICONERROR);
    }
}

int windowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    // Windows 10 and later; looked up so that older systems still start.
    static auto fn = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (fn && hwnd) {
        if (UINT dpi = fn(hwnd))
            return static_cast<int>(dpi);
    }
    const win::WindowDC screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
    return dpi > 0 ? dpi : 96;
}

// ---- Peer

HWND Peer::create(HWND parent, int id, const wchar_t* cls, const std::u16string& text, DWORD style, DWORD exStyle) {
    id_ = id;
    // Siblings may overlap (a panel behind its group): each paints only its own part.
    hwnd_ = CreateWindowExW(exStyle, cls, win::wideView(text), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0,
                            0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance(), nullptr);
    if (!hwnd_)
        throw Error(u"コントロールを作れません: " + win::fromWide(cls));
    return hwnd_;
}

void Peer::subclass() {
    ownMessages_ = [this](HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        LRESULT result = 0;
        bool handled = false;
        guarded([&] { handled = handleOwnMessage(msg, wp, lp, result); });
        return handled ? result : DefSubclassProc(h, msg, wp, lp);
    };
    subclassWindow(hwnd_, ownMessages_);
}

// ---- Button

void ButtonPeer::build(HWND parent, int id) {
    // A flat button is left out of the Tab order and never keeps the focus.
    create(parent, id, L"BUTTON", m_.Caption, (flat_ ? BS_FLAT : WS_TABSTOP) | BS_PUSHBUTTON);
    subclass();
    if (!m_.Hint.empty()) {
        tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, instance(), nullptr);
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = parent;
        ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
        ti.lpszText = const_cast<wchar_t*>(win::wideView(m_.Hint));
        SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    m_.onChanged = [this] { sync(); };
    sync();
}

void ButtonPeer::command(WORD code) {
    if (code == BN_CLICKED)
        m_.click();
}

void ButtonPeer::sync() {
    EnableWindow(hwnd_, m_.Enabled());
    ShowWindow(hwnd_, m_.Visible() ? SW_SHOWNA : SW_HIDE);
}

bool ButtonPeer::handleOwnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT&) {
    if (msg == WM_RBUTTONDOWN && m_.Enabled() && m_.onRightMouseDown) {
        m_.onRightMouseDown();
        return true;
    }
    if (msg == WM_SETFOCUS && flat_) {
        // Clicked: the focus stays where the user works, so that a key typed
        // next (Space, Enter) goes there and does not press the button again.
        HWND from = reinterpret_cast<HWND>(wp);
        if (from && from != hwnd_ && IsWindow(from) && IsWindowVisible(from) && IsWindowEnabled(from)) {
            SetFocus(from);
            return true;
        }
    }
    return false;
}

int ButtonPeer::fitWidth(HDC dc) const {
    // The raised edge and the focus frame on both sides.
    return textWidth(dc, windowText(hwnd_)) + dpiScaled(hwnd_, 14);
}

// ---- CheckBox

void CheckBoxPeer::build(HWND parent, int id) {
    create(parent, id, L"BUTTON", m_.Caption, WS_TABSTOP | BS_CHECKBOX);
    m_.onChanged = [this] { sync(); };
    sync();
}

void CheckBoxPeer::command(WORD code) {
    if (code == BN_CLICKED && m_.Enabled())
        m_.setChecked(!m_.Checked());
}

void CheckBoxPeer::sync() {
    SendMessageW(hwnd_, BM_SETCHECK, m_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    EnableWindow(hwnd_, m_.Enabled());
}

int CheckBoxPeer::fitWidth(HDC dc) const {
    // The box (13 pixels at 96 dpi), the gap after it and the focus frame.
    return textWidth(dc, windowText(hwnd_)) + dpiScaled(hwnd_, 13 + 6 + 3);
}

// ---- Edit

void EditPeer::build(HWND parent, int id) {
    DWORD style = WS_TABSTOP | ES_AUTOHSCROLL | (o_.rightAligned ? ES_RIGHT : ES_LEFT);
    create(parent, id, L"EDIT", m_.Text(), style, WS_EX_CLIENTEDGE);
    if (o_.imeOff)
        ImmAssociateContextEx(hwnd_, nullptr, 0);
    subclass();
    m_.onChanged = [this] { sync(); };
    sync();
}

void EditPeer::command(WORD code) {
    if (code == EN_CHANGE && !syncing_) {
        auto text = windowText(hwnd_);
        if (text != m_.Text())
            m_.setText(std::move(text));
    }
}

void EditPeer::sync() {
    if (windowText(hwnd_) != m_.Text()) {
        syncing_ = true;
        SetWindowTextW(hwnd_, win::wideView(m_.Text()));
        syncing_ = false;
    }
    EnableWindow(hwnd_, m_.Enabled());
}

int EditPeer::fitWidth(HDC dc) const {
    const auto text = windowText(hwnd_);
    if (!o_.widensToText || text.empty())
        return 0;
    const auto margins = static_cast<DWORD>(SendMessageW(hwnd_, EM_GETMARGINS, 0, 0));
    return textWidth(dc, text) + LOWORD(margins) + HIWORD(margins) + boxChrome(hwnd_);
}

bool EditPeer::handleOwnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (!m_.onKeyDown)
        return false;
    if (msg == WM_GETDLGCODE && lp) {
        // Enter reaches the box instead of pressing a dialog button.
        auto* m = reinterpret_cast<const MSG*>(lp);
        if (m->message == WM_KEYDOWN && m->wParam == VK_RETURN) {
            result = DefSubclassProc(hwnd_, msg, wp, lp) | DLGC_WANTMESSAGE;
            return true;
        }
    }
    if (msg == WM_KEYDOWN)
        return m_.onKeyDown(static_cast<int>(wp));
    return msg == WM_CHAR && wp == Key::Enter;  // no beep for a consumed Enter
}

// ---- Memo

void MemoPeer::build(HWND parent, int id) {
    create(parent, id, L"EDIT", u"",
           ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE);
    ImmAssociateContextEx(hwnd_, nullptr, 0);
    SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);
    m_.onChanged = [this] { sync(); };
    sync();
}

void MemoPeer::sync() {
    const auto& lines = m_.Lines();
    if (m_.replacements() != shownReplacements_ || lines.size() < shown_) {
        // A new content: whatever it shares with the old one, all of it is sent.
        SetWindowTextW(hwnd_, L"");
        shown_ = 0;
        shownReplacements_ = m_.replacements();
    }
    // Appending keeps a long log cheap: only the new lines are sent.
    if (lines.size() > shown_) {
        std::u16string tail;
        for (std::size_t i = shown_; i < lines.size(); ++i) {
            if (i > 0)
                tail += u"\r\n";
            tail += lines[i];
        }
        const int end = GetWindowTextLengthW(hwnd_);
        SendMessageW(hwnd_, EM_SETSEL, end, end);
        SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(win::wideView(tail)));
        SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
        shown_ = lines.size();
    }
    if (m_.scrollRequests() != shownScrollRequests_) {
        shownScrollRequests_ = m_.scrollRequests();
        const auto first = static_cast<int>(SendMessageW(hwnd_, EM_GETFIRSTVISIBLELINE, 0, 0));
        SendMessageW(hwnd_, EM_LINESCROLL, 0, m_.topLine() - first);
        const LRESULT caret = SendMessageW(hwnd_, EM_LINEINDEX, m_.caretLine(), 0);
        const WPARAM at = caret < 0 ? GetWindowTextLengthW(hwnd_) : static_cast<WPARAM>(caret);
        SendMessageW(hwnd_, EM_SETSEL, at, at);
    }
    m_.viewShown(static_cast<int>(SendMessageW(hwnd_, EM_GETFIRSTVISIBLELINE, 0, 0)),
                 static_cast<int>(SendMessageW(hwnd_, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0)));
}

// ---- ProgressBar

void ProgressPeer::build(HWND parent, int id) {
    create(parent, id, PROGRESS_CLASSW, u"", 0);
    m_.onChanged = [this] { sync(); };
    sync();
}

void ProgressPeer::sync() {
    // A command moves the bar once per item: show at most 25 steps a second
    // (but always a new range, the start and the end), and repaint only when
    // the bar grows by a pixel, so that showing the progress costs nothing
    // against the calls. Even asking the bar's size costs a round trip to the
    // window system under Wine.
    const DWORD now = GetTickCount();
    const bool edge = m_.Max() != shownMax_ || m_.Position() <= 0 || m_.Position() >= m_.Max();
    if (!edge && now - shownAt_ < 40)
        return;
    shownAt_ = now;
    RECT r;
    GetClientRect(hwnd_, &r);
    const int max = std::max(m_.Max(), 1);
    const int filled = static_cast<int>(static_cast<long long>(std::clamp(m_.Position(), 0, max)) * r.right / max);
    if (m_.Max() == shownMax_ && filled == shownFilled_)
        return;
    if (m_.Max() != shownMax_)
        SendMessageW(hwnd_, PBM_SETRANGE32, 0, m_.Max());
    SendMessageW(hwnd_, PBM_SETPOS, m_.Position(), 0);
    shownMax_ = m_.Max();
    shownFilled_ = filled;
}

// ---- StatusBar

namespace {
constexpr UINT_PTR kStatusTimer = 1;
constexpr DWORD kStatusInterval = 50;  // ms
}  // namespace

StatusBarPeer::~StatusBarPeer() {
    m_.onChanged = nullptr;
    if (timer_ && IsWindow(hwnd_))
        KillTimer(hwnd_, kStatusTimer);
}

void StatusBarPeer::build(HWND parent, int id) {
    // Placed by the host like any control, so that it has the design's height
    // rather than the one it would give itself.
    create(parent, id, STATUSCLASSNAMEW, u"", CCS_NOPARENTALIGN | CCS_NORESIZE | SBARS_SIZEGRIP);
    subclass();
    m_.onChanged = [this] { sync(); };
    resized();
}

bool StatusBarPeer::handleOwnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT&) {
    if (msg != WM_TIMER || wp != kStatusTimer)
        return false;
    KillTimer(hwnd_, kStatusTimer);
    timer_ = false;
    show();
    return true;
}

void StatusBarPeer::resized() {
    scale_ = windowDpi(GetParent(hwnd_)) / 96.0;
    const win::WindowDC dc(hwnd_);
    const win::SelectObjectScope font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    std::vector<int> edges;
    int right = 0;
    for (const auto& p : m_.Panels) {
        // The part's edges and the gap the bar leaves before its text.
        const int text = textWidth(dc.get(), p.Widest.empty() ? p.Text : p.Widest);
        right += std::max(static_cast<int>(p.Width * scale_), text + dpiScaled(hwnd_, 12));
        edges.push_back(right);
    }
    SendMessageW(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    shown_.clear();
    show();
}

void StatusBarPeer::sync() {
    // A command counts its items here, thousands a second: the bar shows the
    // count twenty times a second and the last text always.
    if (GetTickCount() - shownAt_ < kStatusInterval) {
        if (!timer_)
            timer_ = SetTimer(hwnd_, kStatusTimer, kStatusInterval, nullptr) != 0;
        if (timer_)
            return;
    }
    show();
}

void StatusBarPeer::show() {
    shownAt_ = GetTickCount();
    shown_.resize(m_.Panels.size());
    for (std::size_t i = 0; i < m_.Panels.size(); ++i) {
        const auto& p = m_.Panels[i];
        // A leading tab centres a status bar part's text.
        std::u16string text = p.Alignment == StatusBar::Panel::Align::Center ? u"\t" + p.Text : p.Text;
        if (text != shown_[i]) {
            SendMessageW(hwnd_, SB_SETTEXTW, i, reinterpret_cast<LPARAM>(win::wideView(text)));
            shown_[i] = std::move(text);
        }
    }
}

// ---- ListBox

void ListBoxPeer::build(HWND parent, int id) {
    create(parent, id, L"LISTBOX", u"",
           WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS | LBS_HASSTRINGS,
           WS_EX_CLIENTEDGE);
    subclass();
    m_.onChanged = [this] { sync(); };
    sync();
}

void ListBoxPeer::command(WORD code) {
    if (code == LBN_SELCHANGE) {
        auto i = static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
        if (i != m_.ItemIndex()) {
            m_.setItemIndex(i);
            if (m_.onClick)
                m_.onClick();
        }
    } else if (code == LBN_DBLCLK && onDblClick) {
        onDblClick();
    }
}

void ListBoxPeer::sync() {
    if (shown_ != m_.Items()) {
        SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
        for (const auto& item : m_.Items())
            SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::wideView(item)));
        shown_ = m_.Items();
        setTabStop();
        SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
    if (itemHeight_ > 0) {
        auto dpi = windowDpi(GetParent(hwnd_));
        SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, MulDiv(itemHeight_, dpi, 96));
    }
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(m_.ItemIndex()), 0);
    EnableWindow(hwnd_, m_.Enabled());
}

namespace {

// An item "name<tab>rest" shows the rests in one column after the widest name.
struct ListColumns {
    int names = 0, rests = 0;  // widest of each, device pixels
    bool tabbed = false;
};

ListColumns measureItems(HDC dc, const std::vector<std::u16string>& items) {
    ListColumns c;
    for (const auto& item : items) {
        const auto tab = item.find(u'\t');
        c.names = std::max(c.names, textWidth(dc, item.substr(0, tab)));
        if (tab != std::u16string::npos) {
            c.tabbed = true;
            c.rests = std::max(c.rests, textWidth(dc, item.substr(tab + 1)));
        }
    }
    return c;
}

// The average character width that a list box counts its tab stops in
// (a quarter of it is one unit).
int averageCharWidth(HDC dc) {
    const int all = textWidth(dc, u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return std::max(1, (all / 26 + 1) / 2);
}

}  // namespace

void ListBoxPeer::setTabStop() {
    const win::WindowDC dc(hwnd_);
    const win::SelectObjectScope font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    const ListColumns c = measureItems(dc.get(), m_.Items());
    const int unit = averageCharWidth(dc.get());
    // In quarters of the average width, rounded up, with a gap of two characters.
    int stop = (c.names + 2 * unit) * 4 / unit + 1;
    tabPixels_ = stop * unit / 4;
    SendMessageW(hwnd_, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
}

int ListBoxPeer::fitWidth(HDC dc) const {
    const ListColumns c = measureItems(dc, m_.Items());
    const int text = c.tabbed ? std::max(c.names, tabPixels_ + c.rests) : c.names;
    if (text == 0)
        return 0;
    return text + GetSystemMetrics(SM_CXVSCROLL) + boxChrome(hwnd_);
}

bool ListBoxPeer::handleOwnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_GETDLGCODE && onKeyDown && lp) {
        auto* m = reinterpret_cast<const MSG*>(lp);
        if (m->message == WM_KEYDOWN && (m->wParam == VK_RETURN || m->wParam == VK_ESCAPE)) {
            result = DefSubclassProc(hwnd_, msg, wp, lp) | DLGC_WANTMESSAGE;
            return true;
        }
    }
    return msg == WM_KEYDOWN && onKeyDown && onKeyDown(static_cast<int>(wp));
}

// ---- Label, Panel
int LabelPeer::fitWidth(HDC dc) const {
    return textWidth(dc, text_) + 2;
}

void LabelPeer::build(HWND parent, int id) {
    create(parent, id, L"STATIC", text_, SS_LEFT | SS_NOPREFIX);
}

void PanelPeer::build(HWND parent, int id) {
    create(parent, id, L"STATIC", u"", SS_LEFT, WS_EX_STATICEDGE);
}

// ---- FormWindow

FormWindow::FormWindow(Form& model, FormStyle style, HWND owner) : m_(model), style_(style) {
    std::wstring cls = L"QuadcelXForm" + std::to_wstring(style.classStyle);
    WNDCLASSEXW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | style.classStyle;
    wc.hInstance = instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance(), MAKEINTRESOURCEW(1));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = cls.c_str();
    registerClass(wc);
    dpi_ = windowDpi(nullptr);
    RECT r{0, 0, scaled(style.clientWidth), scaled(style.clientHeight)};
    if (!style.outerSize)
        AdjustWindowRectEx(&r, style.style, FALSE, style.exStyle);
    createWindow(style.exStyle, cls.c_str(), win::wideView(m_.Caption()), style.style, CW_USEDEFAULT, CW_USEDEFAULT,
                 r.right - r.left, r.bottom - r.top, owner, nullptr);
    if (!hwnd_)
        throw Error(u"ウィンドウを作れません");
    // Styles that CreateWindowEx adds on its own (a caption for a pop-up) go again.
    if (style.style & WS_POPUP)
        SetWindowLongPtrW(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(style.style));
    dpi_ = windowDpi(hwnd_);
    if (style.outerSize) {
        SetWindowPos(hwnd_, nullptr, 0, 0, scaled(style.clientWidth), scaled(style.clientHeight),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        // The design size of the children's area is what the frame leaves.
        RECT client;
        GetClientRect(hwnd_, &client);
        style_.clientWidth = MulDiv(client.right, 96, dpi_);
        style_.clientHeight = MulDiv(client.bottom, 96, dpi_);
    }
    GetWindowRect(hwnd_, &r);
    m_.Width = r.right - r.left;
    m_.Height = r.bottom - r.top;
    m_.onChanged = [this] { syncCaption(); };
}

FormWindow::~FormWindow() {
    m_.onChanged = nullptr;
    // The windows go first: their last messages still reach live peers.
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    peers_.clear();
}

void FormWindow::adopt(std::unique_ptr<Peer> peer) {
    applyFont(*peer);
    peers_.push_back(std::move(peer));
    // A later child goes below the earlier ones; a panel must stay below them all.
    for (auto& p : peers_) {
        if (p->staysBehindSiblings())
            SetWindowPos(p->hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    layout();
}

void FormWindow::applyFont(Peer& p) {
    fonts_.push_back(createFont(p.font, scaled(p.font.height)));
    SendMessageW(p.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.back().get()), TRUE);
}

std::vector<RECT> FormWindow::fittedPlaces(int dw, int dh, int& neededWidth) {
    const std::size_t n = peers_.size();
    // Design places (96 dpi), with a label sized to its text given a height.
    std::vector<RECT> design(n), out(n);
    std::vector<int> need(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        Peer& p = *peers_[i];
        RECT r = p.place;
        const bool toText = r.right == r.left && r.bottom == r.top;
        if (toText)
            r.bottom = r.top + p.font.height + 2;
        design[i] = r;
        // Anchored edges keep their distance to the client's edges, in device pixels.
        out[i] = {scaled(r.left), scaled(r.top), scaled(r.right), scaled(r.bottom)};
        if (p.anchors & kRight) {
            if (!(p.anchors & kLeft))
                out[i].left += dw;
            out[i].right += dw;
        }
        if (p.anchors & kBottom) {
            if (!(p.anchors & kTop))
                out[i].top += dh;
            out[i].bottom += dh;
        }
        // A control stretched between both sides takes the width the window gives it.
        if ((p.anchors & (kLeft | kRight)) == (kLeft | kRight))
            continue;
        const win::WindowDC dc(p.hwnd());
        const win::SelectObjectScope font(dc.get(),
                                          reinterpret_cast<HGDIOBJ>(SendMessageW(p.hwnd(), WM_GETFONT, 0, 0)));
        need[i] = p.fitWidth(dc.get());
        if (toText) {
            SIZE size{};
            GetTextExtentPoint32W(dc.get(), L"X", 1, &size);
            out[i].right = out[i].left;
            out[i].bottom = out[i].top + size.cy;
        }
    }
    auto inside = [&](std::size_t child, std::size_t box) {
        return child != box && peers_[box]->staysBehindSiblings() && design[child].left >= design[box].left &&
               design[child].right <= design[box].right && design[child].top >= design[box].top &&
               design[child].bottom <= design[box].bottom;
    };
    std::vector<std::ptrdiff_t> parent(n, -1);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t b = 0; b < n; ++b) {
            if (inside(i, b))
                parent[i] = static_cast<std::ptrdiff_t>(b);
        }
    }
    // Left to right; a box before what it holds.
    std::vector<std::size_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (design[a].left != design[b].left)
            return design[a].left < design[b].left;
        return peers_[a]->staysBehindSiblings() && !peers_[b]->staysBehindSiblings();
    });
    std::vector<int> shift(n, 0), width(n, 0);
    std::vector<bool> done(n, false);
    // A box is as wide as what it holds has grown past its designed right edge.
    auto boxWidth = [&](std::size_t b) {
        int grown = 0;
        for (std::size_t c = 0; c < n; ++c) {
            if (parent[c] == static_cast<std::ptrdiff_t>(b) && done[c])
                grown = std::max<int>(grown, out[c].left + shift[c] + width[c] - (out[c].right + shift[b]));
        }
        return out[b].right - out[b].left + grown;
    };
    const int gap = scaled(3);
    for (std::size_t j : order) {
        shift[j] = parent[j] >= 0 ? shift[static_cast<std::size_t>(parent[j])] : 0;
        for (std::size_t i : order) {
            if (i == j)
                break;
            if (parent[i] != parent[j] || design[i].left >= design[j].left)
                continue;
            // What lies right of a control moves over with it, so columns stay
            // columns; in its row it never covers the text of the one on its left.
            if (design[i].right <= design[j].left)
                shift[j] = std::max(shift[j], shift[i]);
            const bool sameRow = design[i].top < design[j].bottom && design[j].top < design[i].bottom;
            if (!sameRow)
                continue;
            shift[j] = std::max(shift[j], shift[i]);
            const int taken = peers_[i]->staysBehindSiblings() ? boxWidth(i) : need[i];
            if (taken > 0)
                shift[j] = std::max<int>(shift[j], out[i].left + shift[i] + taken + gap - out[j].left);
        }
        width[j] = std::max<int>(out[j].right - out[j].left, need[j]);
        done[j] = true;
    }
    neededWidth = 0;
    const int designWidth = scaled(style_.clientWidth);
    for (std::size_t i = 0; i < n; ++i) {
        if (peers_[i]->staysBehindSiblings())
            width[i] = boxWidth(i);
        out[i].left += shift[i];
        out[i].right = out[i].left + width[i];
        if (!(peers_[i]->anchors & kRight)) {
            // The margin the design leaves on the right stays.
            const int margin = std::max(0, designWidth - scaled(design[i].right));
            neededWidth = std::max<int>(neededWidth, out[i].right + margin);
        }
    }
    return out;
}

SIZE FormWindow::minimumWindowSize() const {
    RECT r{0, 0, std::max(minClientWidth_, scaled(style_.clientWidth)), scaled(style_.clientHeight)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    return {r.right - r.left, r.bottom - r.top};
}

void FormWindow::layout() {
    RECT client;
    GetClientRect(hwnd_, &client);
    // Growth of the client area over its design size, in device pixels.
    const int dw = client.right - scaled(style_.clientWidth);
    const int dh = client.bottom - scaled(style_.clientHeight);
    int neededWidth = 0;
    const std::vector<RECT> places = fittedPlaces(dw, dh, neededWidth);
    minClientWidth_ = neededWidth;
    if (client.right < neededWidth && !IsIconic(hwnd_) && !style_.outerSize) {
        // Too narrow for the texts: the window grows, and the WM_SIZE lays it out.
        RECT w;
        GetWindowRect(hwnd_, &w);
        SetWindowPos(hwnd_, nullptr, 0, 0, w.right - w.left + neededWidth - client.right, w.bottom - w.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(hwnd_, &w);
        m_.Width = w.right - w.left;
        GetClientRect(hwnd_, &client);
        if (client.right >= neededWidth)
            return;
    }
    HDWP batch = BeginDeferWindowPos(static_cast<int>(peers_.size()));
    for (std::size_t i = 0; i < peers_.size(); ++i) {
        const RECT& r = places[i];
        batch = DeferWindowPos(batch, peers_[i]->hwnd(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                               SWP_NOZORDER | SWP_NOACTIVATE);
    }
    EndDeferWindowPos(batch);
    for (auto& p : peers_) {
        if (auto* bar = dynamic_cast<StatusBarPeer*>(p.get()))
            bar->resized();
    }
    giveWayToLaterControls();
}

void FormWindow::giveWayToLaterControls() {
    // Where controls overlap, the later one lies on top (a group over its
    // panel), while the Tab order (the windows' Z order) stays the order of
    // creation: an earlier control is cut back by its window region.
    auto bounds = [this](HWND h) {
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    for (std::size_t i = 0; i < peers_.size(); ++i) {
        if (peers_[i]->staysBehindSiblings())
            continue;
        const RECT mine = bounds(peers_[i]->hwnd());
        win::GdiObject<HRGN> visible(CreateRectRgn(0, 0, mine.right - mine.left, mine.bottom - mine.top));
        bool cut = false;
        for (std::size_t j = i + 1; j < peers_.size(); ++j) {
            RECT theirs = bounds(peers_[j]->hwnd()), common;
            if (peers_[j]->staysBehindSiblings() || !IntersectRect(&common, &mine, &theirs))
                continue;
            OffsetRect(&common, -mine.left, -mine.top);
            const win::GdiObject<HRGN> covered(CreateRectRgnIndirect(&common));
            CombineRgn(visible.get(), visible.get(), covered.get(), RGN_DIFF);
            cut = true;
        }
        const bool hadRegion = peers_[i]->cutBack;
        if (cut && SetWindowRgn(peers_[i]->hwnd(), visible.get(), TRUE)) {
            visible.detach();  // the window owns it now
            peers_[i]->cutBack = true;
        } else if (!cut && hadRegion) {
            SetWindowRgn(peers_[i]->hwnd(), nullptr, TRUE);
            peers_[i]->cutBack = false;
        }
    }
}

void FormWindow::syncCaption() {
    SetWindowTextW(hwnd_, win::wideView(m_.Caption()));
    bool shown = IsWindowVisible(hwnd_) != FALSE;
    if (m_.Visible() != shown)
        ShowWindow(hwnd_, m_.Visible() ? SW_SHOW : SW_HIDE);
}

void FormWindow::centreOver(HWND other) {
    RECT area;
    if (other) {
        GetWindowRect(other, &area);
    } else {
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    RECT r;
    GetWindowRect(hwnd_, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ModalResult FormWindow::runModal(HWND owner) {
    const win::KeepFocus ownersFocus;  // back where the user was, once the window has gone
    modal_ = true;
    if (owner)
        EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(GetNextDlgTabItem(hwnd_, nullptr, FALSE));
    MSG msg;
    while (m_.modalResult() == ModalResult::None) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // the outer loop ends too
            break;
        }
        if (!IsDialogMessageW(hwnd_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (owner)
        EnableWindow(owner, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
    if (owner)
        SetActiveWindow(owner);
    modal_ = false;
    return m_.modalResult() == ModalResult::None ? ModalResult::Cancel : m_.modalResult();
}

LRESULT FormWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (onMessage && onMessage(msg, wp, lp, result))
        return result;
    switch (msg) {
        case WM_COMMAND:
            if (lp) {
                int id = LOWORD(wp);
                for (auto& p : peers_) {
                    if (p->id() == id) {
                        p->command(HIWORD(wp));
                        break;
                    }
                }
            }
            return 0;
        case WM_SIZE:
            if (!peers_.empty())
                layout();
            return 0;
        case WM_GETMINMAXINFO: {
            if (style_.outerSize)
                return DefWindowProcW(hwnd_, msg, wp, lp);
            // The design size, or what the texts need, is the least the window has.
            const SIZE least = minimumWindowSize();
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, least.cx);
            info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, least.cy);
            return 0;
        }
        case WM_MOVE: {
            RECT r;
            GetWindowRect(hwnd_, &r);
            if (!IsIconic(hwnd_)) {
                m_.Left = r.left;
                m_.Top = r.top;
            }
            return 0;
        }
        case 0x02E0: {  // WM_DPICHANGED
            dpi_ = HIWORD(wp);
            fonts_.clear();
            for (auto& p : peers_) {
                applyFont(*p);
                p->sync();
            }
            auto* r = reinterpret_cast<RECT*>(lp);
            SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            layout();
            return 0;
        }
        case WM_ACTIVATE:
            // As a dialog does: the focus comes back to the control that had it.
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus))
                    focus_ = focus;
                return 0;
            }
            if (!HIWORD(wp)) {
                HWND target = focus_ && IsWindow(focus_) ? focus_ : defaultFocus;
                if (target) {
                    win::KeepFocus::restore(target);
                    return 0;
                }
            }
            return DefWindowProcW(hwnd_, msg, wp, lp);
        case WM_CLOSE:
            if (modal_) {
                m_.closeModal(ModalResult::Cancel);
            } else if (onClose) {
                onClose();
            } else {
                ShowWindow(hwnd_, SW_HIDE);
            }
            return 0;
        default:
            return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

}  // namespace qx::win32
