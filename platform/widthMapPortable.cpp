#include "platform/widthMapPortable.h"

#include <array>

namespace qx {

namespace {

// Full-width katakana for U+FF66..U+FF9D, in half-width code order.
constexpr char16_t kKana[] =
    u"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン";
constexpr char16_t kFirstKana = 0xFF66;
constexpr char16_t kLastKana = 0xFF9D;
constexpr char16_t kVoiced = 0xFF9E;
constexpr char16_t kSemiVoiced = 0xFF9F;
// U+FF61..U+FF65: ideographic full stop, corner brackets, comma, middle dot.
constexpr char16_t kPunct[] = u"。「」、・";

bool takesVoiced(char16_t full) {
    // カ..チ sit two apart with their voiced forms between; the small ッ shifts ツ, テ, ト by one.
    if (full >= u'カ' && full <= u'チ') {
        return (full - u'カ') % 2 == 0;
    }
    return full == u'ツ' || full == u'テ' || full == u'ト' || full == u'ウ' || full == u'ハ' || full == u'ヒ' ||
           full == u'フ' || full == u'ヘ' || full == u'ホ';
}

bool takesSemiVoiced(char16_t full) {
    return full == u'ハ' || full == u'ヒ' || full == u'フ' || full == u'ヘ' || full == u'ホ';
}

char16_t voicedOf(char16_t full) {
    return full == u'ウ' ? u'ヴ' : static_cast<char16_t>(full + 1);
}

// The half-width unit of a plain full-width katakana, or 0.
char16_t halfKana(char16_t full) {
    for (char16_t h = kFirstKana; h <= kLastKana; ++h) {
        if (kKana[h - kFirstKana] == full) {
            return h;
        }
    }
    return 0;
}

}  // namespace

std::u16string PortableWidthMap::toFullWidth(const std::u16string& s) {
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c >= 0x21 && c <= 0x7E) {
            out += static_cast<char16_t>(c - 0x21 + 0xFF01);
        } else if (c == 0x20) {
            out += u'\u3000';
        } else if (c >= 0xFF61 && c <= 0xFF65) {
            out += kPunct[c - 0xFF61];
        } else if (c >= kFirstKana && c <= kLastKana) {
            const char16_t full = kKana[c - kFirstKana];
            const char16_t next = i + 1 < s.size() ? s[i + 1] : 0;
            if (next == kVoiced && takesVoiced(full)) {
                out += voicedOf(full);
                ++i;
            } else if (next == kSemiVoiced && takesSemiVoiced(full)) {
                out += static_cast<char16_t>(full + 2);
                ++i;
            } else {
                out += full;
            }
        } else if (c == kVoiced) {
            out += u'\u309B';
        } else if (c == kSemiVoiced) {
            out += u'\u309C';
        } else {
            out += c;
        }
    }
    return out;
}

std::u16string PortableWidthMap::toHalfWidth(const std::u16string& s) {
    std::u16string out;
    out.reserve(s.size());
    for (const char16_t c : s) {
        if (c >= 0xFF01 && c <= 0xFF5E) {
            out += static_cast<char16_t>(c - 0xFF01 + 0x21);
            continue;
        }
        if (c == u'\u3000') {
            out += u' ';
            continue;
        }
        if (c == u'\u309B') {
            out += kVoiced;
            continue;
        }
        if (c == u'\u309C') {
            out += kSemiVoiced;
            continue;
        }
        bool done = false;
        for (char16_t p = 0; p < 5; ++p) {
            if (kPunct[p] == c) {
                out += static_cast<char16_t>(0xFF61 + p);
                done = true;
            }
        }
        if (done) {
            continue;
        }
        if (const char16_t h = halfKana(c)) {
            out += h;
            continue;
        }
        // A voiced or semi-voiced letter: its base letter plus the sound mark.
        if (c == u'ヴ') {
            out += halfKana(u'ウ');
            out += kVoiced;
            continue;
        }
        if (const char16_t h = halfKana(static_cast<char16_t>(c - 1)); h && takesVoiced(c - 1)) {
            out += h;
            out += kVoiced;
            continue;
        }
        if (const char16_t h = halfKana(static_cast<char16_t>(c - 2)); h && takesSemiVoiced(c - 2)) {
            out += h;
            out += kSemiVoiced;
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace qx
