// The COM message filter of the GUI thread: calls that a busy CAD application
// puts off are resent every second, calls it refuses fail at once.
#pragma once

#include <objbase.h>
#include <windows.h>

#include "core/comObject.h"
#include "core/winOwners.h"

namespace qx::cad::com {

// Reference counted; starts with no references. COM holds one while the
// filter is registered, its owner another.
class TMessageFilter : public win::ComObject<IMessageFilter> {
public:
    void RegisterFilter();
    void RevokeFilter();

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD dwCallType, HTASK htaskCaller, DWORD dwTickCount,
                                               LPINTERFACEINFO lpInterfaceInfo) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK htaskCallee, DWORD dwTickCount, DWORD dwRejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK htaskCallee, DWORD dwTickCount, DWORD dwPendingType) override;

private:
    ~TMessageFilter() override;

    bool registered_ = false;
    win::ComPtr<IMessageFilter> FOldFilter;  // the filter registered before
};

}  // namespace qx::cad::com
