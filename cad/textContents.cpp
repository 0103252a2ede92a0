#include "cad/textContents.h"

#include <optional>
#include <vector>

namespace qx::cad {

namespace {

constexpr char16_t kDegree = u'\u00B0', kPlusMinus = u'\u00B1', kDiameter = u'\u00D8';

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

std::optional<unsigned> hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return std::nullopt;
}

char16_t lowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// One piece of the contents: a character of the value (a line break
// included), or a code that only changes the look.
struct Token {
    enum Kind { Char, Open, Close, Look, Stack } kind;
    std::u16string raw;    // as it stands in the contents
    std::u16string shown;  // what the value gets (Char, Stack)
};

void appendCodePoint(std::u16string& out, unsigned cp) {
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

// ---- single-line texts ----

std::vector<Token> textTokens(std::u16string_view s) {
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == u'%' && i + 2 < s.size() && s[i + 1] == u'%') {
            const char16_t c = lowerAscii(s[i + 2]);
            const auto code = s.substr(i, 3);
            if (c == u'd' || c == u'p' || c == u'c' || c == u'%') {
                const char16_t ch = c == u'd' ? kDegree : c == u'p' ? kPlusMinus : c == u'c' ? kDiameter : u'%';
                tokens.push_back({Token::Char, std::u16string(code), std::u16string(1, ch)});
                i += 3;
                continue;
            }
            if (c == u'o' || c == u'u' || c == u'k') {
                tokens.push_back({Token::Look, std::u16string(code), {}});
                i += 3;
                continue;
            }
            if (i + 4 < s.size() && isDigit(s[i + 2]) && isDigit(s[i + 3]) && isDigit(s[i + 4])) {
                const unsigned n = (s[i + 2] - u'0') * 100 + (s[i + 3] - u'0') * 10 + (s[i + 4] - u'0');
                std::u16string ch;
                appendCodePoint(ch, n);
                tokens.push_back({Token::Char, std::u16string(s.substr(i, 5)), ch});
                i += 5;
                continue;
            }
        }
        tokens.push_back({Token::Char, std::u16string(1, s[i]), std::u16string(1, s[i])});
        ++i;
    }
    return tokens;
}

std::u16string textEscaped(const std::u16string& line) {
    std::u16string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char16_t c = line[i];
        if (c == kDegree)
            out += u"%%d";
        else if (c == kPlusMinus)
            out += u"%%p";
        else if (c == kDiameter)
            out += u"%%c";
        else if (c == u'%' && (i + 1 == line.size() || line[i + 1] == u'%' || (i > 0 && line[i - 1] == u'%')))
            out += u"%%%";  // a percent sign that would start a code, with what follows it
        else if (c != u'\n' && c != u'\r')
            out += c;  // a single-line text holds no break
    }
    return out;
}

// ---- multiline texts ----

bool isLookCode(char16_t c) {
    switch (c) {
        case u'C':
        case u'c':
        case u'f':
        case u'F':
        case u'H':
        case u'W':
        case u'Q':
        case u'T':
        case u'A':
        case u'p':
            return true;
        default:
            return false;
    }
}

bool isSwitch(char16_t c) {
    return c == u'L' || c == u'l' || c == u'O' || c == u'o' || c == u'K' || c == u'k';
}

std::vector<Token> mtextTokens(std::u16string_view s) {
    std::vector<Token> tokens;
    const auto chr = [&](std::size_t from, std::size_t len, std::u16string shown) {
        tokens.push_back({Token::Char, std::u16string(s.substr(from, len)), std::move(shown)});
    };
    for (std::size_t i = 0; i < s.size();) {
        const char16_t c = s[i];
        if (c == u'{') {
            tokens.push_back({Token::Open, u"{", {}});
            ++i;
        } else if (c == u'}') {
            tokens.push_back({Token::Close, u"}", {}});
            ++i;
        } else if (c == u'^' && i + 1 < s.size() && (s[i + 1] == u'J' || s[i + 1] == u'I' || s[i + 1] == u' ')) {
            chr(i, 2, s[i + 1] == u'J' ? u"\n" : s[i + 1] == u'I' ? u"\t" : u"^");
            i += 2;
        } else if (c == u'\\' && i + 1 < s.size()) {
            const char16_t k = s[i + 1];
            if (k == u'P' || k == u'N') {
                chr(i, 2, u"\n");
                i += 2;
            } else if (k == u'~') {
                chr(i, 2, u" ");
                i += 2;
            } else if (k == u'\\' || k == u'{' || k == u'}') {
                chr(i, 2, std::u16string(1, k));
                i += 2;
            } else if ((k == u'U' || k == u'u') && i + 6 < s.size() && s[i + 2] == u'+' && hexDigit(s[i + 3]) &&
                       hexDigit(s[i + 4]) && hexDigit(s[i + 5]) && hexDigit(s[i + 6])) {
                const unsigned cp = (*hexDigit(s[i + 3]) << 12) | (*hexDigit(s[i + 4]) << 8) |
                                    (*hexDigit(s[i + 5]) << 4) | *hexDigit(s[i + 6]);
                chr(i, 7, std::u16string(1, static_cast<char16_t>(cp)));
                i += 7;
            } else if (isSwitch(k)) {
                tokens.push_back({Token::Look, std::u16string(s.substr(i, 2)), {}});
                i += 2;
            } else if (isLookCode(k) || k == u'S') {
                // Runs to its semicolon, or to the end of malformed contents.
                std::size_t end = s.find(u';', i + 2);
                end = end == std::u16string_view::npos ? s.size() : end + 1;
                const auto raw = s.substr(i, end - i);
                if (k == u'S') {
                    std::u16string shown;
                    for (std::size_t j = 2; j < raw.size(); ++j) {
                        const char16_t d = raw[j];
                        if (d == u';')
                            break;
                        if (d == u'\\' && j + 1 < raw.size() && raw[j + 1] != u';') {
                            shown += raw[++j];  // an escaped separator in a stack
                            continue;
                        }
                        shown += (d == u'^' || d == u'#') ? u'/' : d;
                    }
                    tokens.push_back({Token::Stack, std::u16string(raw), shown});
                } else {
                    tokens.push_back({Token::Look, std::u16string(raw), {}});
                }
                i = end;
            } else {
                chr(i, 1, u"\\");  // a backslash that starts no code is a character
                ++i;
            }
        } else {
            chr(i, 1, std::u16string(1, c));
            ++i;
        }
    }
    return tokens;
}

std::u16string mtextEscaped(const std::u16string& value) {
    std::u16string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char16_t c = value[i];
        switch (c) {
            case u'\\':
                out += u"\\\\";
                break;
            case u'{':
                out += u"\\{";
                break;
            case u'}':
                out += u"\\}";
                break;
            case u'\n':
                out += u"\\P";
                break;
            case u'\r':
                break;
            case u'^':
                out += u"^ ";  // a caret before a letter or a blank would start a code
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::u16string plainOf(const std::vector<Token>& tokens) {
    std::u16string out;
    for (const auto& t : tokens)
        out += t.shown;
    return out;
}

// The leading codes and groups that wrap the whole text, and the closing
// braces at the end; whether anything but characters stands between them.
Rewrite rewrite(const std::vector<Token>& tokens, const std::u16string& escapedValue) {
    const std::size_t n = tokens.size();
    // Where each group closes (n when it never does).
    std::vector<std::size_t> closes(n, n);
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < n; ++i) {
        if (tokens[i].kind == Token::Open) {
            open.push_back(i);
        } else if (tokens[i].kind == Token::Close && !open.empty()) {
            closes[open.back()] = i;
            open.pop_back();
        }
    }
    std::size_t tail = n;  // the closing braces and codes after the last character
    while (tail > 0 && (tokens[tail - 1].kind == Token::Close || tokens[tail - 1].kind == Token::Look))
        --tail;
    std::size_t head = 0;  // the wrapper: look-only codes and groups that close in the tail
    while (head < n &&
           (tokens[head].kind == Token::Look || (tokens[head].kind == Token::Open && (closes[head] >= tail)))) {
        ++head;
    }
    if (head > tail)
        head = tail;
    Rewrite r;
    for (std::size_t i = 0; i < head; ++i)
        r.contents += tokens[i].raw;
    r.contents += escapedValue;
    for (std::size_t i = tail; i < n; ++i)
        r.contents += tokens[i].raw;
    for (std::size_t i = head; i < tail; ++i) {
        if (tokens[i].kind != Token::Char) {
            r.lostInline = true;
            break;
        }
    }
    return r;
}

}  // namespace

std::u16string textPlain(std::u16string_view contents) {
    return plainOf(textTokens(contents));
}

std::u16string mtextPlain(std::u16string_view contents) {
    return plainOf(mtextTokens(contents));
}

Rewrite textRewrite(std::u16string_view original, const std::u16string& line) {
    return rewrite(textTokens(original), textEscaped(line));
}

Rewrite mtextRewrite(std::u16string_view original, const std::u16string& value) {
    return rewrite(mtextTokens(original), mtextEscaped(value));
}

}  // namespace qx::cad
