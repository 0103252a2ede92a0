#include "app/mainWindowWin32.h"
#include "core/winText.h"

#include <windowsx.h>

#include <utility>

#include "editor/gridEditing.h"
#include "widgets/stringGridWin32.h"

namespace qx::win32 {

namespace {

constexpr int kMenuBase = 1000;
const FontSpec kTahoma{};  // Tahoma 11

RECT at(int left, int top, int width, int height) {
    return RECT{left, top, left + width, top + height};
}

// The grid control as one of the window's children; it keeps its own fonts.
class GridPeer : public Peer {
public:
    explicit GridPeer(GridControl& grid) : g_(grid) {}
    void build(HWND parent, int id) {
        g_.create(parent, id, 0, 0, 0, 0);
        hwnd_ = g_.hwnd();
        id_ = id;
        g_.setDpi(windowDpi(parent));
    }
    void sync() override { g_.setDpi(windowDpi(GetParent(hwnd_))); }

private:
    GridControl& g_;
};

}  // namespace

MainWindow::MainWindow(VivazQDLForm& form)
    : f_(form),
      win_(form, FormStyle{WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, 0, 578, 349,
                           false, kTahoma}) {
    buildControls();
    buildMenu();
    win_.onMessage = [this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) { return message(msg, wp, lp, result); };
    setIcons();
}

void MainWindow::setIcons() {
    // The executable's icon 1, each at the size the system asks for: the big one
    // for the task bar and Alt+Tab, the small one for the title bar. Shared
    // icons belong to the system; a module without the icon sets none.
    HINSTANCE module = GetModuleHandleW(nullptr);
    const std::pair<WPARAM, int> kinds[] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
    for (const auto& [kind, metric] : kinds) {
        const int size = GetSystemMetrics(metric);
        if (HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED))
            SendMessageW(hwnd(), WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    // Panel1's children sit at the panel's place (171, 3) plus their own.
    constexpr int px = 171, py = 3;
    win_.add<PanelPeer>(at(px, py, 361, 32), kLeft | kTop, kTahoma);
    win_.add<ButtonPeer>(at(3, 3, 65, 32), kLeft | kTop, kTahoma, f_.Button1);
    win_.add<ButtonPeer>(at(71, 3, 99, 32), kLeft | kTop, kTahoma, f_.Button2);
    // The boxes overlap a little, each lying over the one before (the window gives way).
    win_.add<CheckBoxPeer>(at(px + 8, py + 8, 89, 17), kLeft | kTop, kTahoma, f_.CheckBox1);
    win_.add<CheckBoxPeer>(at(px + 89, py + 8, 80, 17), kLeft | kTop, kTahoma, f_.CheckBox2);
    win_.add<CheckBoxPeer>(at(px + 159, py + 4, 66, 25), kLeft | kTop, kTahoma, f_.CheckBox3);
    win_.add<CheckBoxPeer>(at(px + 223, py + 8, 58, 17), kLeft | kTop, kTahoma, f_.CheckBox4);
    win_.add<LabelPeer>(at(px + 282, py + 9, 0, 0), kLeft | kTop, kTahoma, u"許容");
    win_.add<EditPeer>(at(px + 311, py + 4, 44, 24), kLeft | kTop, FontSpec{L"Tahoma", 13}, f_.Edit1,
                       EditOptions{true, true});
    win_.add<ButtonPeer>(at(534, 2, 38, 33), kLeft | kTop, kTahoma, f_.SpeedButton1, true);

    grid_ = std::make_unique<GridControl>(f_.StringGrid1, GridOptions{});
    GridControl& g = *grid_;
    VivazQDLForm& f = f_;
    g.onKeyPress = [&f](char16_t key, bool ctrl, bool shift) { return f.StringGrid1KeyPress(key, ctrl, shift); };
    g.onKeyUp = [&f](std::uint16_t& key, unsigned modifiers) { f.StringGrid1KeyUp(key, modifiers); };
    g.onMouseDown = [&f](bool left, int col, int row) { f.StringGrid1MouseDown(left, col, row); };
    g.onMouseMove = [&f](int col, int row) { f.StringGrid1MouseMove(col, row); };
    g.onMouseUp = [&f] { f.StringGrid1MouseUp(); };
    g.onDblClick = [&f] { f.StringGrid1DblClick(); };
    g.onFixedCellClick = [&f](int col, int row) { f.StringGrid1FixedCellClick(col, row); };
    g.onDrawCell = [&f](int col, int row) { return f.StringGrid1DrawCell(col, row); };
    g.onRowMarks = [&f] { return f.table.rowMarks(); };
    g.guard = [](const std::function<void()>& handler) { guarded(handler); };
    win_.add<GridPeer>(at(0, 41, 578, 215), kLeft | kTop | kRight | kBottom, kTahoma, g);
    win_.defaultFocus = g.hwnd();  // the user works in the grid

    // The log gives up a few pixels at its foot to 中止 beside the progress bar.
    win_.add<MemoPeer>(at(0, 259, 578, 53), kLeft | kRight | kBottom, kTahoma, f_.Memo1);
    win_.add<ProgressPeer>(at(0, 315, 516, 12), kLeft | kRight | kBottom, kTahoma, f_.ProgressBar1);
    win_.add<ButtonPeer>(at(520, 312, 58, 18), kRight | kBottom, kTahoma, f_.StopButton);
    win_.add<StatusBarPeer>(at(0, 330, 578, 19), kLeft | kRight | kBottom, kTahoma, f_.StatusBar1);
}

void MainWindow::buildMenu() {
    menu_.reset(CreatePopupMenu());
    for (std::size_t i = 0; i < f_.PopupMenu1.size(); ++i) {
        const MenuItem& item = f_.PopupMenu1[i];
        if (item.Caption == u"-") {
            AppendMenuW(menu_.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu_.get(), MF_STRING, kMenuBase + i, win::wideView(item.Caption));
        }
    }
}

HWND MainWindow::gridHwnd() const {
    return grid_ ? grid_->hwnd() : nullptr;
}

void MainWindow::show(int showCommand) {
    SetWindowPos(hwnd(), nullptr, f_.Left, f_.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    f_.setVisible(true);
    ShowWindow(hwnd(), showCommand);
    UpdateWindow(hwnd());
}

bool MainWindow::gridToScreen(int& x, int& y) const {
    POINT p{win_.scaled(x), win_.scaled(y)};
    if (!ClientToScreen(gridHwnd(), &p))
        return false;
    x = p.x;
    y = p.y;
    return true;
}

void MainWindow::popupMenu(POINT where) {
    for (std::size_t i = 0; i < f_.PopupMenu1.size(); ++i) {
        const MenuItem& item = f_.PopupMenu1[i];
        if (item.Caption != u"-") {
            EnableMenuItem(menu_.get(), kMenuBase + static_cast<UINT>(i),
                           MF_BYCOMMAND | (item.Enabled() ? MF_ENABLED : MF_GRAYED));
            CheckMenuItem(menu_.get(), kMenuBase + static_cast<UINT>(i),
                          MF_BYCOMMAND | (item.Checked ? MF_CHECKED : MF_UNCHECKED));
        }
    }
    if (onMenuShown)
        PostMessageW(hwnd(), WM_APP, 0, 0);
    UINT chosen = TrackPopupMenu(menu_.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, where.x, where.y, 0, hwnd(), nullptr);
    if (chosen >= kMenuBase && chosen < kMenuBase + f_.PopupMenu1.size())
        f_.PopupMenu1[chosen - kMenuBase].click();
}

bool MainWindow::message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wp) != gridHwnd())
                return false;
            {
                POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                if (p.x == -1 && p.y == -1) {  // from the keyboard: at the current cell
                    int x = 0, y = 0;
                    gridToScreen(x, y);
                    p = {x, y};
                }
                popupMenu(p);
            }
            result = 0;
            return true;
        case WM_APP:
            if (onMenuShown)
                onMenuShown();
            return true;
        case WM_DESTROY:
            PostQuitMessage(0);
            return false;
        default:
            return false;
    }
}

}  // namespace qx::win32
