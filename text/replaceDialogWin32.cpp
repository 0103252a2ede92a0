#include "text/replaceDialogWin32.h"

namespace qx::win32 {

ReplaceDialog::ReplaceDialog(TnTextTikanForm& form, HWND mainWindow)
    : win_(form, FormStyle{WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW, 0, 203, 128, false, {}}, mainWindow) {
    const FontSpec label{}, bold{L"Tahoma", 12, true};
    win_.add<LabelPeer>({8, 34, 8, 34}, kLeft | kTop, label, u"検索文字列");
    win_.add<LabelPeer>({8, 61, 8, 61}, kLeft | kTop, label, u"置換文字列");
    // Created in tab order; neither button is a default or cancel button.
    win_.add<EditPeer>({74, 31, 195, 53}, kLeft | kTop, bold, form.Edit1);
    win_.add<EditPeer>({74, 58, 195, 80}, kLeft | kTop, bold, form.Edit2);
    win_.add<ButtonPeer>({23, 95, 98, 120}, kLeft | kTop, label, form.Button1);
    win_.add<ButtonPeer>({104, 95, 179, 120}, kLeft | kTop, label, form.Button2);
    win_.add<CheckBoxPeer>({74, 8, 211, 25}, kLeft | kTop, label, form.CheckBox1);
    form.runModal = [this, mainWindow](Form&) {
        win_.centreOver(mainWindow);
        return win_.runModal(mainWindow);
    };
}

}  // namespace qx::win32
