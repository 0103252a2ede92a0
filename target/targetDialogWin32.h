// The window of the target CAD dialog.
#pragma once

#include "target/TaregetCADUnit.h"
#include "widgets/widgetsWin32.h"

namespace qx::win32 {

class TargetDialog {
public:
    // Hidden until shown; centred on the screen each time.
    TargetDialog(TTargetCADForm& form, HWND mainWindow);
    HWND hwnd() const { return win_.hwnd(); }

private:
    FormWindow win_;
};

}  // namespace qx::win32
