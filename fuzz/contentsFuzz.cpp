// Text contents as the drawing holds them: reading never fails, and what an
// edit writes reads back as the value that was written, for multiline and
// single-line texts alike. The input's first line is the contents, the rest
// the edited value.
#include <algorithm>

#include "cad/textContents.h"
#include "fuzz/fuzzSupport.h"

using namespace qx;
using namespace qx::cad;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzz::textOf(data, size);
    const std::size_t split = std::min(text.find(u'\n'), text.size());
    const std::u16string contents = text.substr(0, split);
    std::u16string value = split < text.size() ? text.substr(split + 1) : u"";
    std::erase(value, u'\r');  // a cell's value never holds one

    std::u16string shown = mtextPlain(contents);
    std::erase(shown, u'\r');  // a carriage return never reaches a value the Update writes
    const Rewrite m = mtextRewrite(contents, value);
    QX_FUZZ_CHECK(mtextPlain(m.contents) == value);
    // Writing the value the text already shows, without inline codes, gives it back.
    const Rewrite same = mtextRewrite(contents, shown);
    QX_FUZZ_CHECK(mtextPlain(same.contents) == shown);
    if (!same.lostInline) {
        QX_FUZZ_CHECK(mtextPlain(mtextRewrite(same.contents, shown).contents) == shown);
    }

    std::u16string line = value;
    std::erase(line, u'\n');  // a single-line text holds no break
    textPlain(contents);
    QX_FUZZ_CHECK(textPlain(textRewrite(contents, line).contents) == line);
    return 0;
}
