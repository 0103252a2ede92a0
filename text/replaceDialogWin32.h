// The window of the find-and-replace dialog.
#pragma once

#include "text/acadQDLTikanUnit.h"
#include "widgets/widgetsWin32.h"

namespace qx::win32 {

class ReplaceDialog {
public:
    // Hidden until the command shows it, centred over `mainWindow` each time.
    ReplaceDialog(TnTextTikanForm& form, HWND mainWindow);
    HWND hwnd() const { return win_.hwnd(); }

private:
    FormWindow win_;
};

}  // namespace qx::win32
