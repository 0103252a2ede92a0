// Where COM finds the fast path's DLL: its class under Software\Classes of
// the user (HKEY_CURRENT_USER, no administrator needed) or of the machine;
// and the two registry steps every class registration is made of.
#pragma once

#include <windows.h>

#include <string>

namespace qx::cad::com {

// One string value of a key under Software\Classes of `root` (`name` null for
// the default value), written only when it differs. False when it cannot be written.
bool setClassesValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value);
// Removes a key under Software\Classes with everything below it; true when it is gone.
bool removeClassesKey(HKEY root, const std::wstring& path);

// Registers the DLL at `dll` as the fast path's in-process server, writing
// only what differs. False when the registry cannot be written.
bool registerFastPath(HKEY root, const std::wstring& dll);
// Removes the registration; true when it is gone.
bool unregisterFastPath(HKEY root);

}  // namespace qx::cad::com
