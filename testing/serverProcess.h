// Starts the drawing server as a separate process and attaches to it, for the
// tests, the benchmarks and the scripted demo.
#pragma once

#include <windows.h>

#include <string>

#include "cad/dispatch.h"
#include "core/winOwners.h"

namespace qx::cad::com {

// The folder of the running executable, with a trailing separator.
std::wstring exeFolder();

class DrawingServerProcess {
public:
    // The server executable as built beside the test, bench and app folders.
    static std::wstring defaultExe();

    // Registers progId for clsid, starts the server on the drawing file and
    // waits until it is in the running object table. Throws qx::Error.
    DrawingServerProcess(const std::wstring& exe, const std::wstring& drawing, const std::wstring& progId,
                         const std::wstring& clsid);
    // Asks the server to quit and waits for it; kills it if it hangs.
    ~DrawingServerProcess();
    DrawingServerProcess(const DrawingServerProcess&) = delete;
    DrawingServerProcess& operator=(const DrawingServerProcess&) = delete;

    // The application object (a new attachment each time).
    Dispatch application() const;
    // Quit, then the exit code (0 for a clean end).
    DWORD quit();

private:
    std::wstring progId_;
    win::UniqueHandle process_;
};

// A program started in a process of its own, in `folder` (the caller's when
// empty). Wine now and then fails a start on a loaded machine, so it is tried
// a few times; a qx::Error says why it could not start.
struct StartedProcess {
    win::UniqueHandle handle;
    DWORD id = 0;
};
StartedProcess startProcess(const std::wstring& exe, const std::wstring& args, const std::wstring& folder = {});

// Runs a program to its end; its exit code, or a qx::Error when it cannot start.
DWORD runProgram(const std::wstring& exe, const std::wstring& args);

}  // namespace qx::cad::com
