// The drawing server as a separate process, reached like a CAD application.
#include <gtest/gtest.h>

#include <fstream>

#include "cad/com/comDispatch.h"

using namespace qx::cad;
using namespace qx::cad::com;

namespace {

const std::u16string kProgId = u"QuadcelX.DrawingServerTest";

std::wstring besideTests(const wchar_t* relative) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + relative;
}

// Runs the server with the arguments; returns the process, or null.
HANDLE start(const std::wstring& exe, const std::wstring& args) {
    std::wstring line = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return nullptr;
    }
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

DWORD finish(HANDLE process) {
    DWORD rc = 1;
    if (WaitForSingleObject(process, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
    }
    GetExitCodeProcess(process, &rc);
    CloseHandle(process);
    return rc;
}

}  // namespace

TEST(DrawingServer, ServesTheDrawingToAnotherProcess) {
    auto exe = besideTests(L"..\\tools\\drawing-server\\qx-drawing-server.exe");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "qx-drawing-server.exe is not built";
    }
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    auto wideId = std::wstring(reinterpret_cast<const wchar_t*>(kProgId.c_str()));
    HANDLE reg = start(exe, L"/regserver " + wideId + L" {0E4F3B7A-2C6D-4B58-8F1E-3A9C7D20E415}");
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(finish(reg), 0u);

    auto file = besideTests(L"drawingServerTest.txt");
    std::ofstream(file.c_str(), std::ios::binary) << "name C:\\\xe5\x9b\xb3\xe9\x9d\xa2.dwg\n"
                                                     "firstid 8589934592\n"
                                                     "line 0 0 10 0\n"
                                                     "text 0 1 -1 0 0 \xe5\x93\x81\xe5\x90\x8d\n"
                                                     "entity CIRCLE 0 0\n"
                                                     "pick all\n";
    HANDLE server = start(exe, L"\"" + file + L"\" " + wideId);
    ASSERT_NE(server, nullptr);
    ComConnector connector;
    // Wait for the server to come up; the limit only guards against a hang.
    bool running = false;
    for (int i = 0; i < 200 && !(running = connector.isTargetRunning(kProgId)); ++i)
        Sleep(50);
    ASSERT_TRUE(running);

    {
        Dispatch app = connector.attach(kProgId);
        Dispatch doc = app.get(u"ActiveDocument").toDispatch();
        EXPECT_EQ(doc.get(u"FullName").toString(), u"C:\\図面.dwg");
        Dispatch set =
            doc.get(u"SelectionSets").toDispatch().call(u"Add", {Variant::byRef(Variant(u"ssTemp"))}).toDispatch();
        set.call(u"SelectOnScreen", {Variant::byRef(std::vector<std::int16_t>{0}),
                                     Variant::byRef(std::vector<Variant>{Variant(u"TEXT,*LINE")})});
        ASSERT_EQ(set.get(u"Count").toInt32(), 2);
        Dispatch text = set.call(u"Item", {Variant(1)}).toDispatch();
        auto id = text.get(u"ObjectID").toInt64();
        EXPECT_EQ(id, 8589934593);
        Dispatch same = doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(id))}).toDispatch();
        same.put(u"TextString", Variant(u"数量"));
        EXPECT_EQ(text.get(u"TextString").toString(), u"数量");
        EXPECT_EQ(text.get(u"InsertionPoint").toDoubles(), (std::vector<double>{1, -1, 0}));
        try {
            doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(7))});
            ADD_FAILURE() << "no error";
        } catch (const qx::Error& e) {
            EXPECT_NE(e.message().find(u"no object has the ID 7"), std::u16string::npos);
        }
        set.call(u"Delete");
        app.call(u"Quit");
    }
    EXPECT_EQ(finish(server), 0u);
    EXPECT_FALSE(connector.isTargetRunning(kProgId));
    DeleteFileW(file.c_str());
    CoUninitialize();
}
