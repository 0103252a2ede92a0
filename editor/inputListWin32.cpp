#include "editor/inputListWin32.h"

namespace qx::win32 {

namespace {
// A pop-up with a thin border and a sizing frame, nothing else (0x80840000).
constexpr DWORD kStyle = WS_POPUP | WS_BORDER | WS_THICKFRAME;
constexpr UINT kDropShadow = 0x00020000;  // CS_DROPSHADOW
}  // namespace

InputListPopup::InputListPopup(TInputListForm& form, HWND mainWindow)
    : win_(form,
           FormStyle{kStyle, WS_EX_TOPMOST, kDropShadow, TInputListForm::kWidth, TInputListForm::kHeight, true, {}},
           mainWindow) {
    RECT all{0, 0, TInputListForm::kWidth, TInputListForm::kHeight};
    auto& list = win_.add<ListBoxPeer>(all, kLeft | kTop | kRight | kBottom,
                                       FontSpec{L"ＭＳ ゴシック", 15, false, ANSI_CHARSET}, form.ListBox1, 15);
    list.onDblClick = [&form] { form.ListBox1DblClick(); };
    list.onKeyDown = [&form](int key) { return form.ListBox1KeyDown(key); };
    win_.onMessage = [this, &form, mainWindow](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        if (msg != WM_ACTIVATEAPP)
            return false;
        result = DefWindowProcW(win_.hwnd(), msg, wp, lp);
        if (form.Visible()) {
            // The main window's frame would otherwise stay drawn as active.
            PostMessageW(mainWindow, WM_NCACTIVATE, 0, 0);
        }
        form.applicationActivated();
        return true;
    };
    form.runModal = [this, &form, mainWindow](Form&) {
        SetWindowPos(win_.hwnd(), HWND_TOPMOST, form.Left, form.Top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        return win_.runModal(mainWindow);
    };
}

}  // namespace qx::win32
