// The window of the input candidate pop-up.
#pragma once

#include "editor/qdlInputListUnit.h"
#include "widgets/widgetsWin32.h"

namespace qx::win32 {

class InputListPopup {
public:
    InputListPopup(TInputListForm& form, HWND mainWindow);
    HWND hwnd() const { return win_.hwnd(); }

private:
    FormWindow win_;
};

}  // namespace qx::win32
