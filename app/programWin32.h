// The whole program: the Win32 services, the four forms and their windows,
// created in the order the program starts them. QuadrelX.exe runs one; the
// GUI tests build one in their own process and drive its real windows.
#pragma once

#include <memory>

#include "app/mainWindowWin32.h"
#include "cad/com/comDispatch.h"
#include "cad/com/messageFilter.h"
#include "editor/inputListWin32.h"
#include "platform/platformWin32.h"
#include "target/targetDialogWin32.h"
#include "text/replaceDialogWin32.h"

namespace qx::win32 {

class Program {
public:
    // COM as a single-threaded apartment on this thread, before any window,
    // and the common controls; the apartment is false when COM cannot start.
    static win::ComApartment initialiseThread();

    // COM must already be initialised on this thread as a single-threaded
    // apartment. Tests may put another way of reaching the CAD application.
    explicit Program(cad::CadConnector* cad = nullptr);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Reads the settings, shows the main window.
    void start(int showCommand = SW_SHOWNORMAL);
    // The message loop, until the main window has closed.
    int run();

    // Services.
    Win32Clipboard clipboard;
    Win32Dialogs dialogs;
    Win32Pump pump;
    Win32Clock clock;
    Win32ExeInfo exe;
    Win32Screen screen;
    Win32WidthMap widths;
    Win32Locale locale;
    Win32WindowManager windowManager;
    Win32FileSystem files;
    Win32Profile profile;
    Win32Folders folders;
    cad::com::ComConnector connector;

    // The forms, then their windows, in the order the program creates them.
    std::unique_ptr<VivazQDLForm> form;
    TnTextTikanForm replace;
    TInputListForm inputList;
    std::unique_ptr<TTargetCADForm> target;
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<ReplaceDialog> replaceDialog;
    std::unique_ptr<InputListPopup> inputListPopup;
    std::unique_ptr<TargetDialog> targetDialog;

private:
    Platform platform();
    win::ComPtr<cad::com::TMessageFilter> filter_;
};

}  // namespace qx::win32
