// QuadrelX.exe: COM on the GUI thread as a single-threaded apartment before
// any window, then the program's windows and its message loop. A switch on
// the command line does its work instead, without the main window.
#include <objbase.h>
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "app/commandLine.h"
#include "app/programWin32.h"
#include "app/unregisterWin32.h"
#include "core/winText.h"

namespace {
std::vector<std::u16string> arguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::u16string> args;
    for (int i = 1; argv && i < count; ++i)
        args.push_back(qx::win::fromWide(argv[i]));
    LocalFree(argv);
    return args;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    const qx::StartCommand command = qx::parseCommandLine(arguments());
    if (command.action != qx::StartAction::ShowWindow) {
        qx::win32::Win32Dialogs dialogs;
        if (command.action == qx::StartAction::Unregister)
            return qx::win32::unregisterForUser(dialogs);
        dialogs.showMessage(qx::badSwitchMessage(command.badSwitch), qx::MessageBoxKind::Error);
        return 1;
    }
    const auto apartment = qx::win32::Program::initialiseThread();
    if (!apartment) {
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
    return rc;
}
