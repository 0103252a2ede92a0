// Text helpers every layer shares: encodings, numbers as typed, lines.
#pragma once

#include <concepts>
#include <optional>
#include <string>
#include <vector>

namespace qx {

// UTF-8 <-> UTF-16 for logs, file names and test output.
std::string toUtf8(const std::u16string& s);
std::u16string fromUtf8(const std::string& s);

// An integer in decimal digits, for messages, logs and files.
template <std::integral T>
std::u16string decimalText(T v) {
    const std::string s = std::to_string(v);
    return {s.begin(), s.end()};
}

// A decimal number as a user types it: digits, one sign, a fraction after
// `decimalSeparator` (the locale's; a dot is then no number unless it is the
// separator), an exponent, blanks around. nullopt for anything else (no
// hexadecimal, infinity or NaN spellings) and for numbers beyond a double's range.
std::optional<double> parseDecimal(const std::u16string& s, const std::u16string& decimalSeparator);

// The lines of a text; CR, LF and CR LF all end a line, and a last line
// without an end counts only when it is not empty.
std::vector<std::u16string> splitLines(const std::u16string& text);

}  // namespace qx
