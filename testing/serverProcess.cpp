#include "testing/serverProcess.h"

#include "cad/com/comDispatch.h"
#include "core/winText.h"
#include "platform/platformWin32.h"

namespace qx::cad::com {

namespace {

using win::fromWide;
using win::UniqueHandle;

// Waits for the process (ending it when it hangs), then its exit code; the handle is closed.
DWORD finish(UniqueHandle process, DWORD waitMs) {
    DWORD rc = 1;
    if (WaitForSingleObject(process.get(), waitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 99);
        WaitForSingleObject(process.get(), 5000);
    }
    GetExitCodeProcess(process.get(), &rc);
    return rc;
}

UniqueHandle start(const std::wstring& exe, const std::wstring& args) {
    return startProcess(exe, args).handle;
}

}  // namespace

StartedProcess startProcess(const std::wstring& exe, const std::wstring& args, const std::wstring& folder) {
    std::wstring line = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const wchar_t* in = folder.empty() ? nullptr : folder.c_str();
    // A moment later it goes.
    for (int tries = 1; !CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, in, &si, &pi);
         ++tries) {
        const DWORD error = GetLastError();
        if (tries == 5) {
            throw Error(u"cannot start " + fromWide(exe) + u": " + win::systemMessage(error));
        }
        Sleep(200 * tries);
    }
    UniqueHandle thread(pi.hThread);
    return {UniqueHandle(pi.hProcess), pi.dwProcessId};
}

std::wstring exeFolder() {
    return win::toWide(win32::Win32ExeInfo().exeFolder());
}

std::wstring DrawingServerProcess::defaultExe() {
    // Beside the caller, or where the build puts it for tests/, bench/ and tools/demo/.
    for (const wchar_t* place : {L"", L"..\\tools\\drawing-server\\", L"..\\drawing-server\\"}) {
        std::wstring exe = exeFolder() + place + L"qx-drawing-server.exe";
        if (GetFileAttributesW(exe.c_str()) != INVALID_FILE_ATTRIBUTES)
            return exe;
    }
    return exeFolder() + L"qx-drawing-server.exe";
}

DWORD runProgram(const std::wstring& exe, const std::wstring& args) {
    return finish(start(exe, args), 20000);
}

DrawingServerProcess::DrawingServerProcess(const std::wstring& exe, const std::wstring& drawing,
                                           const std::wstring& progId, const std::wstring& clsid)
    : progId_(progId) {
    if (runProgram(exe, L"/regserver " + progId + L" " + clsid) != 0)
        throw Error(u"cannot register " + fromWide(progId));
    process_ = start(exe, L"\"" + drawing + L"\" " + progId);
    ComConnector connector;
    // The limit only guards against a server that never comes up.
    for (int i = 0; i < 400; ++i) {
        if (connector.isTargetRunning(fromWide(progId)))
            return;
        if (WaitForSingleObject(process_.get(), 50) == WAIT_OBJECT_0) {
            finish(std::move(process_), 0);
            throw Error(u"the drawing server ended before it served " + fromWide(drawing));
        }
    }
    finish(std::move(process_), 0);
    throw Error(u"the drawing server did not come up");
}

DrawingServerProcess::~DrawingServerProcess() {
    if (process_)
        quit();
}

Dispatch DrawingServerProcess::application() const {
    return ComConnector().attach(fromWide(progId_));
}

DWORD DrawingServerProcess::quit() {
    try {
        application().call(u"Quit");
    } catch (const Error&) {
        // A hung or gone server is ended below.
    }
    return finish(std::move(process_), 20000);
}

}  // namespace qx::cad::com
