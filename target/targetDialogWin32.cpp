#include "target/targetDialogWin32.h"

namespace qx::win32 {

TargetDialog::TargetDialog(TTargetCADForm& form, HWND mainWindow)
    : win_(form, FormStyle{WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 0, 315, 307, false, {}},
           mainWindow) {
    // Pixels at 96 dpi; the group's controls are placed inside the group.
    auto box = [](int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; };
    constexpr POINT group{8, 151};
    auto inGroup = [&](int left, int top, int width, int height) {
        return box(group.x + left, group.y + top, width, height);
    };
    auto tahoma = [](int height) { return FontSpec{L"Tahoma", height}; };
    constexpr unsigned anchor = kLeft | kTop;
    win_.add<ListBoxPeer>(box(8, 8, 297, 137), anchor, tahoma(13), form.ListBox1);
    win_.add<PanelPeer>(box(group.x, group.y, 297, 105), anchor, tahoma(11));
    // 0 x 0: sized to the text.
    win_.add<LabelPeer>(inGroup(16, 3, 0, 0), anchor, tahoma(12), form.Label1.Caption);
    win_.add<EditPeer>(inGroup(16, 23, 198, 24), anchor, tahoma(13), form.Edit1, EditOptions{false, true, false, true});
    win_.add<LabelPeer>(inGroup(16, 53, 0, 0), anchor, tahoma(12), form.Label2.Caption);
    win_.add<EditPeer>(inGroup(16, 73, 198, 24), anchor, tahoma(13), form.Edit2, EditOptions{false, true, false, true});
    win_.add<ButtonPeer>(inGroup(220, 21, 71, 22), anchor, tahoma(11), form.SpeedButton1, true);
    win_.add<ButtonPeer>(inGroup(220, 49, 71, 22), anchor, tahoma(11), form.SpeedButton2, true);
    win_.add<ButtonPeer>(inGroup(220, 77, 71, 22), anchor, tahoma(11), form.SpeedButton3, true);
    win_.add<ButtonPeer>(box(80, 271, 75, 25), anchor, tahoma(11), form.Button1, false);
    win_.add<ButtonPeer>(box(161, 271, 88, 25), anchor, tahoma(11), form.Button2, false);
    form.runModal = [this, mainWindow](Form&) {
        win_.layout();  // as wide as the list just read needs
        win_.centreOver(nullptr);
        return win_.runModal(mainWindow);
    };
}

}  // namespace qx::win32
