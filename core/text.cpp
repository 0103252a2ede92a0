#include "core/text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace qx {

std::string toUtf8(const std::u16string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate has no UTF-8 form
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        char32_t c = 0xFFFD;
        std::size_t len = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
        }
        if (len > 1) {
            if (i + len > s.size()) {
                len = 1;
            } else {
                c = b & (0x3F >> (len - 1));
                bool ok = true;
                for (std::size_t k = 1; k < len; ++k) {
                    const auto cb = static_cast<unsigned char>(s[i + k]);
                    ok = ok && (cb & 0xC0) == 0x80;
                    c = (c << 6) | (cb & 0x3F);
                }
                if (!ok) {
                    c = 0xFFFD;
                    len = 1;
                }
            }
        }
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c);
        }
        i += len;
    }
    return out;
}

std::optional<double> parseDecimal(const std::u16string& s, const std::u16string& sep) {
    // Only the user's decimal separator makes a fraction; the C parser then reads it with a dot.
    std::string narrow;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!sep.empty() && s.compare(i, sep.size(), sep) == 0) {
            narrow += '.';
            i += sep.size() - 1;
            continue;
        }
        const char16_t c = s[i];
        if (c == u'.' && sep != u".") {
            return std::nullopt;
        }
        if (c > 0x7F) {
            return std::nullopt;
        }
        narrow += static_cast<char>(c);
    }
    const auto first = narrow.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const auto last = narrow.find_last_not_of(' ');
    const std::string body = narrow.substr(first, last - first + 1);
    for (char c : body) {
        if (!(c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E' || (c >= '0' && c <= '9'))) {
            return std::nullopt;
        }
    }
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(body.c_str(), &end);
    // Too large a number reads as infinity, which no tolerance may be.
    if (end != body.c_str() + body.size() || (errno == ERANGE && std::isinf(v))) {
        return std::nullopt;
    }
    return v;
}

std::vector<std::u16string> splitLines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

}  // namespace qx
