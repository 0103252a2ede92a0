// QuadcelXFast.dll: the fast path's in-process COM server. The CAD
// application loads it into its own process through GetInterfaceObject; a
// failure here must never reach the host as anything but a COM error, since
// a crash would take the user's drawing with it.
#include <objbase.h>
#include <olectl.h>
#include <windows.h>

#include <new>

#include "cad/com/dispatchServer.h"
#include "cad/com/fastPathRegistration.h"
#include "cad/fastPath.h"
#include "core/comObject.h"
#include "core/winOwners.h"

namespace {

HMODULE module = nullptr;

CLSID fastPathClsid() {
    CLSID clsid{};
    CLSIDFromString(reinterpret_cast<LPCOLESTR>(qx::cad::kFastPathClsid), &clsid);
    return clsid;
}

// The class object; it lives as long as the DLL.
class Factory : public qx::win::ScopedComObject<IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            const qx::win::ComPtr<IDispatch> server(
                qx::cad::com::newDispatchServer(qx::cad::Dispatch(std::make_shared<qx::cad::FastPathServer>())));
            return server->QueryInterface(riid, object);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, fastPathClsid()))
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, object);
}

// The host may keep it loaded: it holds no state worth unloading for.
__declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}

// regsvr32 registers it for the current user.
__declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    if (n == 0 || n == MAX_PATH)
        return SELFREG_E_CLASS;
    return qx::cad::com::registerFastPath(HKEY_CURRENT_USER, path) ? S_OK : SELFREG_E_CLASS;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return qx::cad::com::unregisterFastPath(HKEY_CURRENT_USER) ? S_OK : SELFREG_E_CLASS;
}

}  // extern "C"
