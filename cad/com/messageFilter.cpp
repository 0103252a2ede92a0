#include "cad/com/messageFilter.h"

namespace qx::cad::com {

TMessageFilter::~TMessageFilter() = default;

void TMessageFilter::RegisterFilter() {
    // A second registration would hand back this very filter as the old one
    // and keep the object alive through itself.
    if (registered_) {
        return;
    }
    registered_ = true;
    CoRegisterMessageFilter(this, FOldFilter.out());
}

void TMessageFilter::RevokeFilter() {
    if (!registered_) {
        return;
    }
    registered_ = false;
    // COM hands back its reference to this filter, which may destroy it.
    win::ComPtr<IMessageFilter> current;
    CoRegisterMessageFilter(FOldFilter.get(), current.out());
}

DWORD STDMETHODCALLTYPE TMessageFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) {
    return SERVERCALL_ISHANDLED;
}

// No limit on retries: only the server ends the wait of a call it puts off.
DWORD STDMETHODCALLTYPE TMessageFilter::RetryRejectedCall(HTASK, DWORD, DWORD dwRejectType) {
    return dwRejectType == SERVERCALL_RETRYLATER ? 1000 : static_cast<DWORD>(-1);
}

// Input waits until the outgoing call has returned.
DWORD STDMETHODCALLTYPE TMessageFilter::MessagePending(HTASK, DWORD, DWORD) {
    return PENDINGMSG_WAITNOPROCESS;
}

}  // namespace qx::cad::com
