// IDispatch over a Dispatch, so that the in-memory drawing can be served to
// COM clients. Names get DISPIDs on first lookup; a failing call answers
// DISP_E_EXCEPTION with the error's text in EXCEPINFO.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "cad/dispatch.h"

namespace qx::cad::com {

// A new server object with one reference, owned by the caller.
IDispatch* newDispatchServer(Dispatch target);

// GetIDsOfNames calls answered by all servers so far (to see the client's
// DISPID cache at work).
long dispatchServerNameLookups();

}  // namespace qx::cad::com
