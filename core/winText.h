// Win32's wchar_t text and the portable code's std::u16string are the same
// UTF-16 code units on Windows: these view or copy one as the other.
#pragma once

#include <cwchar>
#include <string>

namespace qx::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wchar_t is UTF-16");

// The string's own buffer, valid while the string lives unchanged.
inline const wchar_t* wideView(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

inline std::u16string fromWide(const wchar_t* s, std::size_t n) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}

inline std::u16string fromWide(const wchar_t* s) {
    return s ? fromWide(s, std::wcslen(s)) : std::u16string();
}

inline std::u16string fromWide(const std::wstring& s) {
    return fromWide(s.data(), s.size());
}

}  // namespace qx::win
