// IDispatch over a Dispatch: how our own objects are served to COM clients
// (the fast path's object in its DLL, the drawing server's drawing, objects
// passed as arguments). Names get DISPIDs on first lookup; a failing call
// answers DISP_E_EXCEPTION with the error's text in EXCEPINFO.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "cad/dispatch.h"

namespace qx::cad::com {

// A new server object with one reference, owned by the caller.
IDispatch* newDispatchServer(Dispatch target);

// Test seam: GetIDsOfNames calls answered in this process so far, which the
// drawing server reports so that a test sees the client's DISPID cache at
// work across the process boundary. Nothing else reads it.
long testSeamNameLookups();

}  // namespace qx::cad::com
