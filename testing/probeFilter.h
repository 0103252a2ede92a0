// A COM message filter for tests: it counts the references taken and given
// back, and says nothing else. Windows only.
#pragma once

#include <objbase.h>
#include <windows.h>

#include "core/comObject.h"

namespace qx::test {

class ProbeFilter : public win::ScopedComObject<IMessageFilter> {
public:
    ProbeFilter() { AddRef(); }  // the test's own
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override { return 0; }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
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
