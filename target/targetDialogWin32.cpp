#include "target/targetDialogWin32.h"

#include <map>
#include <string>

namespace qx::win32 {

TargetDialog::TargetDialog(TTargetCADForm& form, HWND mainWindow)
    : win_(form, FormStyle{WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 0, 315, 307, false, {}},
           mainWindow) {
    std::map<std::u16string, POINT> origins;
    for (const auto& p : TTargetCADForm::places()) {
        POINT at{p.left, p.top};
        if (p.parent) {
            at.x += origins[p.parent].x;
            at.y += origins[p.parent].y;
        }
        origins[p.name] = at;
        const RECT r{at.x, at.y, at.x + p.width, at.y + p.height};
        const FontSpec font{L"Tahoma", p.fontHeight ? p.fontHeight : 11};
        const std::u16string name = p.name;
        if (name == u"ListBox1") {
            win_.add<ListBoxPeer>(r, kLeft | kTop, font, form.ListBox1);
        } else if (name == u"GroupBox1") {
            win_.add<PanelPeer>(r, kLeft | kTop, font);
        } else if (name == u"Label1" || name == u"Label2") {
            win_.add<LabelPeer>(r, kLeft | kTop, font, (name == u"Label1" ? form.Label1 : form.Label2).Caption);
        } else if (name == u"Edit1" || name == u"Edit2") {
            win_.add<EditPeer>(r, kLeft | kTop, font, name == u"Edit1" ? form.Edit1 : form.Edit2,
                               EditOptions{false, p.imeOff});
        } else {
            Button& b = name == u"SpeedButton1"   ? form.SpeedButton1
                        : name == u"SpeedButton2" ? form.SpeedButton2
                        : name == u"SpeedButton3" ? form.SpeedButton3
                        : name == u"Button1"      ? form.Button1
                                                  : form.Button2;
            win_.add<ButtonPeer>(r, kLeft | kTop, font, b, name.rfind(u"Speed", 0) == 0);
        }
    }
    form.runModal = [this, mainWindow](Form&) {
        win_.centreOver(nullptr);
        return win_.runModal(mainWindow);
    };
}

}  // namespace qx::win32
