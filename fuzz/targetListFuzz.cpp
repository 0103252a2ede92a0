// The target list file's bytes: decoding in every encoding (a byte-order
// mark picks UTF-8 or UTF-16 LE/BE, anything else is the ANSI code page,
// here the fake's), and writing back what was read.

#include "fuzz/fuzzSupport.h"
#include "target/targetList.h"
#include "testing/platformFakes.h"

using namespace qx;

namespace {

constexpr char16_t kPath[] = u"C:\\QuadcelX\\TargetCAD_APIVersion.txt";

bool hasLineBreakOrNul(const std::u16string& line) {
    return line.find_first_of(std::u16string(u"\r\n\0", 3)) != std::u16string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::bytesOf(data, size);
    fake::FakeLocale locale;
    TargetListText list;
    try {
        list = decodeTargetList(bytes, locale);
    } catch (const Error&) {
        // Reading the file says which file it could not read.
        fake::FakeFileSystem files;
        files.files[kPath] = bytes;
        try {
            readTargetList(files, locale, kPath);
            QX_FUZZ_CHECK(!"the file reads although its bytes do not decode");
        } catch (const Error& e) {
            QX_FUZZ_CHECK(e.message().find(kPath) != std::u16string::npos);
        }
        return 0;
    }
    for (const auto& line : list.lines) {
        QX_FUZZ_CHECK(!hasLineBreakOrNul(line));
        const TargetEntry entry = splitTargetEntry(line);
        const bool tab = line.find(u'\t') != std::u16string::npos;
        QX_FUZZ_CHECK(tab ? entry.name + u"\t" + entry.progId == line : entry.name.empty() && entry.progId == line);
    }

    // Written back in the encoding it was read in, the list reads the same.
    const std::string written = encodeTargetList(list.lines, list.encoding, locale);
    const TargetListText again = decodeTargetList(written, locale);
    QX_FUZZ_CHECK(again.encoding == list.encoding);
    QX_FUZZ_CHECK(again.lines == list.lines);

    // And so it does in any Unicode form: whatever decoded is valid UTF-16.
    for (auto encoding : {TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
        const TargetListText other = decodeTargetList(encodeTargetList(list.lines, encoding, locale), locale);
        QX_FUZZ_CHECK(other.encoding == encoding);
        QX_FUZZ_CHECK(other.lines == list.lines);
    }

    // Through the file functions too, beside the executable.
    fake::FakeFileSystem files;
    fake::FakeExeInfo exe;
    const std::u16string path = targetListPath(exe);
    writeTargetList(files, locale, path, list.lines, list.encoding);
    QX_FUZZ_CHECK(files.files[path] == written);
    QX_FUZZ_CHECK(readTargetListLines(files, locale, path) == list.lines);
    return 0;
}
