#include <windows.h>

#include "platform/platformWin32.h"

namespace qx {

namespace {

std::u16string mapWidth(const std::u16string& s, DWORD flag) {
    if (s.empty()) {
        return s;
    }
    const auto* in = reinterpret_cast<const wchar_t*>(s.data());
    const int inLen = static_cast<int>(s.size());
    // First the length of the result, then the result itself.
    const int need = LCMapStringW(LOCALE_SYSTEM_DEFAULT, flag, in, inLen, nullptr, 0);
    if (need <= 0) {
        throw Error(u"文字幅の変換に失敗しました (LCMapStringW)");
    }
    std::u16string out(static_cast<std::size_t>(need), u'\0');
    const int got = LCMapStringW(LOCALE_SYSTEM_DEFAULT, flag, in, inLen, reinterpret_cast<wchar_t*>(out.data()), need);
    if (got <= 0) {
        throw Error(u"文字幅の変換に失敗しました (LCMapStringW)");
    }
    out.resize(static_cast<std::size_t>(got));
    return out;
}

}  // namespace

std::u16string Win32WidthMap::toHalfWidth(const std::u16string& s) {
    return mapWidth(s, LCMAP_HALFWIDTH);
}
std::u16string Win32WidthMap::toFullWidth(const std::u16string& s) {
    return mapWidth(s, LCMAP_FULLWIDTH);
}

}  // namespace qx
