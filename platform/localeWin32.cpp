#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "core/text.h"
#include "core/winText.h"
#include "platform/platformWin32.h"

namespace qx {

namespace {

std::u16string decimalSeparator() {
    wchar_t buf[8] = {};
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8);
    if (n <= 1) {
        return u".";
    }
    return win::fromWide(buf, static_cast<std::size_t>(n - 1));
}

}  // namespace

int Win32Locale::compareNoCase(const std::u16string& a, const std::u16string& b) {
    const int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, win::wideView(a), static_cast<int>(a.size()),
                                 win::wideView(b), static_cast<int>(b.size()));
    if (r == 0) {
        throw Error(u"文字列の比較に失敗しました (CompareStringW)");
    }
    return r - CSTR_EQUAL;
}

std::optional<double> Win32Locale::parseDouble(const std::u16string& s) {
    return parseDecimal(s, decimalSeparator());
}

std::u16string Win32Locale::decodeAnsi(const std::string& bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int inLen = static_cast<int>(bytes.size());
    const int need = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), inLen, nullptr, 0);
    if (need <= 0) {
        throw Error(u"ANSI コードページで読めない文字があります");
    }
    std::u16string out(static_cast<std::size_t>(need), u'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), inLen, reinterpret_cast<wchar_t*>(out.data()),
                        need);
    return out;
}

std::string Win32Locale::encodeAnsi(const std::u16string& text) {
    if (text.empty()) {
        return {};
    }
    const int inLen = static_cast<int>(text.size());
    BOOL lost = FALSE;
    const int need = WideCharToMultiByte(CP_ACP, 0, win::wideView(text), inLen, nullptr, 0, nullptr, &lost);
    if (need <= 0) {
        throw Error(u"ANSI コードページに変換できません");
    }
    if (lost) {
        throw Error(u"ANSI コードページにない文字があります");
    }
    std::string out(static_cast<std::size_t>(need), '\0');
    WideCharToMultiByte(CP_ACP, 0, win::wideView(text), inLen, out.data(), need, nullptr, nullptr);
    return out;
}

}  // namespace qx
