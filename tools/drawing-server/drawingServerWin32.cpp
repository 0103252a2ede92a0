// Serves an in-memory drawing to automation clients, the way a CAD
// application serves its drawing: registered under a programmatic identifier,
// found through the running object table, called through IDispatch.
//
//   qx-drawing-server /regserver PROGID [CLSID]   register PROGID for this server
//   qx-drawing-server DRAWING [PROGID]            serve DRAWING until a client calls Quit
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "cad/com/comDispatch.h"
#include "cad/com/dispatchServer.h"
#include "cad/drawingFile.h"

using namespace qx::cad;

namespace {

const wchar_t* kDefaultProgId = L"QuadcelX.DrawingServer";
const wchar_t* kDefaultClsid = L"{5C1A0D1E-7F53-4C1B-9E0A-51D2A7C30B61}";

// The application object plus Quit, which ends the server.
class ServedApplication : public DispatchObject {
public:
    explicit ServedApplication(Dispatch app) : app_(std::move(app)) {}
    std::u16string kind() const override { return app_.kind(); }
    Variant get(std::u16string_view member) override { return app_.get(member); }
    void put(std::u16string_view member, const Variant& value) override { app_.put(member, value); }
    Variant call(std::u16string_view member, const std::vector<Variant>& args) override {
        if (member == u"Quit") {
            PostQuitMessage(0);
            return {};
        }
        return app_.call(member, args);
    }

private:
    Dispatch app_;
};

bool setKey(const std::wstring& path, const std::wstring& value) {
    HKEY key = nullptr;
    // Wine's CLSIDFromProgID reads HKEY_CLASSES_ROOT through the machine hive only.
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    bool ok =
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

int registerServer(const wchar_t* progId, const wchar_t* clsid) {
    CLSID parsed;
    if (FAILED(CLSIDFromString(const_cast<LPOLESTR>(clsid), &parsed))) {
        std::fwprintf(stderr, L"not a class ID: %ls\n", clsid);
        return 2;
    }
    if (!setKey(std::wstring(progId) + L"\\CLSID", clsid) ||
        !setKey(std::wstring(L"CLSID\\") + clsid + L"\\ProgID", progId)) {
        std::fwprintf(stderr, L"cannot write the registry\n");
        return 1;
    }
    std::wprintf(L"registered %ls as %ls\n", progId, clsid);
    return 0;
}

int serve(const wchar_t* path, const wchar_t* progId) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fwprintf(stderr, L"cannot open %ls\n", path);
        return 1;
    }
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::unique_ptr<MemDrawing> drawing;
    try {
        drawing = loadDrawing(qx::fromUtf8(bytes.str()));
    } catch (const qx::Error& e) {
        std::fwprintf(stderr, L"%ls: %hs\n", path, e.what());
        return 1;
    }

    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"%ls: %ls\n", progId, reinterpret_cast<const wchar_t*>(com::hresultText(hr).c_str()));
        return 1;
    }
    IDispatch* server = com::newDispatchServer(Dispatch(std::make_shared<ServedApplication>(drawing->application())));
    DWORD cookie = 0;
    // Right after the prefix starts, the RPC service may not be up yet.
    for (int attempt = 0; attempt < 50; ++attempt) {
        hr = RegisterActiveObject(server, clsid, ACTIVEOBJECT_STRONG, &cookie);
        if (hr != static_cast<HRESULT>(0x800706BA))
            break;
        Sleep(100);
    }
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"RegisterActiveObject: %ls\n",
                      reinterpret_cast<const wchar_t*>(com::hresultText(hr).c_str()));
        server->Release();
        return 1;
    }
    std::wprintf(L"ready\n");
    std::fflush(stdout);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    RevokeActiveObject(cookie, nullptr);
    server->Release();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: qx-drawing-server DRAWING [PROGID] | /regserver PROGID [CLSID]\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fwprintf(stderr, L"cannot initialise COM\n");
        return 1;
    }
    int rc = std::wstring(argv[1]) == L"/regserver"
                 ? (argc < 3 ? 2 : registerServer(argv[2], argc > 3 ? argv[3] : kDefaultClsid))
                 : serve(argv[1], argc > 2 ? argv[2] : kDefaultProgId);
    CoUninitialize();
    return rc;
}
