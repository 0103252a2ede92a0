// QuadrelX.exe: COM on the GUI thread as a single-threaded apartment before
// any window, then the program's windows and its message loop.
#include <objbase.h>
#include <windows.h>

#include <commctrl.h>

#include "app/programWin32.h"
#include "core/winText.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    if (!qx::win32::Program::initialiseThread()) {
        MessageBoxW(nullptr, L"COM を初期化できません", L"QuadcelX", MB_OK | MB_ICONERROR);
        return 1;
    }
    int rc = 1;
    try {
        qx::win32::Program program;
        program.start(showCommand);
        rc = program.run();
    } catch (const qx::Error& e) {
        MessageBoxW(nullptr, qx::win::wideView(e.message()), L"QuadcelX", MB_OK | MB_ICONERROR);
    }
    CoUninitialize();
    return rc;
}
