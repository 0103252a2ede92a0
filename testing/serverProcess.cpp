#include "testing/serverProcess.h"

#include "cad/com/comDispatch.h"

namespace qx::cad::com {

namespace {

std::u16string u16(const std::wstring& s) {
    return std::u16string(s.begin(), s.end());
}

HANDLE start(const std::wstring& exe, const std::wstring& args) {
    std::wstring line = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        throw Error(u"cannot start " + u16(exe));
    }
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

DWORD finish(HANDLE process, DWORD waitMs) {
    DWORD rc = 1;
    if (WaitForSingleObject(process, waitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
    }
    GetExitCodeProcess(process, &rc);
    CloseHandle(process);
    return rc;
}

}  // namespace

std::wstring exeFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
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
        throw Error(u"cannot register " + u16(progId));
    process_ = start(exe, L"\"" + drawing + L"\" " + progId);
    ComConnector connector;
    // The limit only guards against a server that never comes up.
    for (int i = 0; i < 400; ++i) {
        if (connector.isTargetRunning(u16(progId)))
            return;
        if (WaitForSingleObject(process_, 50) == WAIT_OBJECT_0) {
            finish(process_, 0);
            process_ = nullptr;
            throw Error(u"the drawing server ended before it served " + u16(drawing));
        }
    }
    finish(process_, 0);
    process_ = nullptr;
    throw Error(u"the drawing server did not come up");
}

DrawingServerProcess::~DrawingServerProcess() {
    if (process_)
        quit();
}

Dispatch DrawingServerProcess::application() const {
    return ComConnector().attach(u16(progId_));
}

DWORD DrawingServerProcess::quit() {
    try {
        application().call(u"Quit");
    } catch (const Error&) {
        // A hung or gone server is ended below.
    }
    DWORD rc = finish(process_, 20000);
    process_ = nullptr;
    return rc;
}

}  // namespace qx::cad::com
