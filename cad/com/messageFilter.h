// The COM message filter of the GUI thread: calls that a busy CAD application
// puts off are resent every second, calls it refuses fail at once.
#pragma once

#include <objbase.h>
#include <windows.h>

#include "core/winOwners.h"

namespace qx::cad::com {

// Reference counted; starts with no references. COM holds one while the
// filter is registered, its owner another.
class TMessageFilter : public IMessageFilter {
public:
    TMessageFilter() = default;
    TMessageFilter(const TMessageFilter&) = delete;
    TMessageFilter& operator=(const TMessageFilter&) = delete;

    void RegisterFilter();
    void RevokeFilter();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD dwCallType, HTASK htaskCaller, DWORD dwTickCount,
                                               LPINTERFACEINFO lpInterfaceInfo) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK htaskCallee, DWORD dwTickCount, DWORD dwRejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK htaskCallee, DWORD dwTickCount, DWORD dwPendingType) override;

private:
    virtual ~TMessageFilter();

    LONG refs_ = 0;
    bool registered_ = false;
    win::ComPtr<IMessageFilter> FOldFilter;  // the filter registered before
};

}  // namespace qx::cad::com
