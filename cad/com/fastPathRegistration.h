// Where COM finds the fast path's DLL: its class under Software\Classes of
// the user (HKEY_CURRENT_USER, no administrator needed) or of the machine.
#pragma once

#include <windows.h>

#include <string>

namespace qx::cad::com {

// Registers the DLL at `dll` as the fast path's in-process server, writing
// only what differs. False when the registry cannot be written.
bool registerFastPath(HKEY root, const std::wstring& dll);
// Removes the registration; true when it is gone.
bool unregisterFastPath(HKEY root);

}  // namespace qx::cad::com
