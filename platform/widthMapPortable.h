// A width mapping of the project's own, for builds without LCMapStringW and
// for native tests: ASCII and the full-width forms, the space and U+3000,
// katakana (voiced and semi-voiced letters combined or split), the corner
// brackets and the half-width punctuation U+FF61..U+FF65.
#pragma once

#include "platform/platform.h"

namespace qx {

class PortableWidthMap : public WidthMap {
public:
    std::u16string toHalfWidth(const std::u16string& s) override;
    std::u16string toFullWidth(const std::u16string& s) override;
};

// Windows builds only (widthMapWin32.cpp, localeWin32.cpp): the system's own
// mapping and locale. Declared here because platform.h stays free of them.
#ifdef _WIN32
// LCMapStringW for LOCALE_SYSTEM_DEFAULT.
class Win32WidthMap : public WidthMap {
public:
    std::u16string toHalfWidth(const std::u16string& s) override;
    std::u16string toFullWidth(const std::u16string& s) override;
};

// The user's locale and the ANSI code page (CP_ACP).
class Win32Locale : public Locale {
public:
    int compareNoCase(const std::u16string& a, const std::u16string& b) override;
    std::optional<double> parseDouble(const std::u16string& s) override;
    // Throws Error when the bytes are not valid in the code page.
    std::u16string decodeAnsi(const std::string& bytes) override;
    // Throws Error when a character has no form in the code page.
    std::string encodeAnsi(const std::u16string& text) override;
};
#endif

}  // namespace qx
