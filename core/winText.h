// Win32's wchar_t text and the portable code's std::u16string are the same
// UTF-16 code units on Windows: these view or copy one as the other.
#pragma once

#include <cwchar>
#include <string>
#include <string_view>

namespace qx::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wchar_t is UTF-16");

// The string's own buffer, valid while the string lives unchanged.
inline const wchar_t* wideView(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

// A copy, for the APIs that take a std::wstring or keep the text.
inline std::wstring toWide(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
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

// The system's text for an error code or HRESULT, with the code:
// "Access is denied. (0x00000005)", or "エラー 0x........" when it has none.
std::u16string systemMessage(unsigned long code);

}  // namespace qx::win
