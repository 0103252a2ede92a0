// A COM message filter for tests: it counts the references taken and given
// back, and says nothing else. Windows only.
#pragma once

#include <objbase.h>
#include <windows.h>

namespace qx::test {

class ProbeFilter : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMessageFilter)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override { return 0; }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
    ULONG refs = 1;  // the test's own
};

// The filter registered on this thread now, left in place.
inline IMessageFilter* currentFilter() {
    IMessageFilter* now = nullptr;
    CoRegisterMessageFilter(nullptr, &now);
    IMessageFilter* none = nullptr;
    CoRegisterMessageFilter(now, &none);
    if (now)
        now->Release();  // the thread still holds its own reference
    return now;
}

}  // namespace qx::test
