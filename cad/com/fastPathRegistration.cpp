#include "cad/com/fastPathRegistration.h"

#include "cad/fastPath.h"
#include "core/winOwners.h"
#include "core/winText.h"

namespace qx::cad::com {

bool setClassesValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    win::UniqueKey key;
    if (RegCreateKeyExW(root, (L"Software\\Classes\\" + path).c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        key.out(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t current[1024];
    DWORD size = sizeof current, type = 0;
    bool ok =
        RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(current), &size) == ERROR_SUCCESS &&
        type == REG_SZ && value == std::wstring(current, size / sizeof(wchar_t) - (size ? 1 : 0));
    if (!ok) {
        const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
        ok = RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
             ERROR_SUCCESS;
    }
    return ok;
}

bool removeClassesKey(HKEY root, const std::wstring& path) {
    const LSTATUS rc = RegDeleteTreeW(root, (L"Software\\Classes\\" + path).c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool registerFastPath(HKEY root, const std::wstring& dll) {
    const std::wstring progId = win::toWide(kFastPathProgId), clsid = win::toWide(kFastPathClsid);
    const std::wstring cls = L"CLSID\\" + clsid;
    return setClassesValue(root, progId, nullptr, L"QuadcelX fast path") &&
           setClassesValue(root, progId + L"\\CLSID", nullptr, clsid) &&
           setClassesValue(root, cls, nullptr, L"QuadcelX fast path") &&
           setClassesValue(root, cls + L"\\InprocServer32", nullptr, dll) &&
           setClassesValue(root, cls + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
           setClassesValue(root, cls + L"\\ProgID", nullptr, progId);
}

bool unregisterFastPath(HKEY root) {
    const bool a = removeClassesKey(root, win::toWide(kFastPathProgId));
    const bool b = removeClassesKey(root, L"CLSID\\" + win::toWide(kFastPathClsid));
    return a && b;
}

}  // namespace qx::cad::com
