// What a text's TextString means to the user, and how an edited value goes
// back into it. A single-line text carries %% control codes; a multiline
// text carries inline format codes, groups and escapes. The grid shows the
// plain value; an Update writes it back keeping the codes that apply to the
// whole text.
#pragma once

#include <string>
#include <string_view>

namespace qx::cad {

// A single-line text: %%d, %%p, %%c, %%% and %%nnn as their characters
// (°, ±, Ø, %, character nnn); the %%o, %%u, %%k switches dropped.
std::u16string textPlain(std::u16string_view contents);

// A multiline text: \P (and ^J) as a line break, \~ as a space, \\ \{ \} as
// the characters, \U+XXXX decoded, a stacked \Sa/b; (also a#b, a^b) as
// "a/b"; groups and look-only codes (\L \O \K \C \c \f \F \H \W \Q \T \A \p
// and their lower-case partners) dropped. Malformed contents read as far as
// they go: an unclosed group or code ends with the text, a lone or unknown
// backslash stays a character.
std::u16string mtextPlain(std::u16string_view contents);

// New contents for an edited value. The codes that apply to the whole text
// are kept: the switches or look-only codes before the first character, and
// the groups around the whole text. Codes inside the text cannot follow an
// edit; the value then goes in plain inside the kept wrapper, and
// lostInline says so.
struct Rewrite {
    std::u16string contents;
    bool lostInline = false;
};
Rewrite textRewrite(std::u16string_view original, const std::u16string& line);
Rewrite mtextRewrite(std::u16string_view original, const std::u16string& value);

}  // namespace qx::cad
