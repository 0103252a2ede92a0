#include <windows.h>

#include <cstdio>

#include "core/text.h"
#include "core/winOwners.h"
#include "core/winText.h"

namespace qx::win {

std::u16string systemMessage(unsigned long code) {
    LocalMemory<wchar_t> buffer;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(buffer.out()), 0, nullptr);
    std::u16string text = n && buffer ? fromWide(buffer.get(), n) : std::u16string();
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
        text.pop_back();
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", code);
    return text.empty() ? u"エラー " + fromUtf8(hex) : text + u" (" + fromUtf8(hex) + u")";
}

}  // namespace qx::win
