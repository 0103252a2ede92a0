// The target list file: one entry per line, name, tab, programmatic identifier.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace qx {

inline constexpr char16_t kTargetListFileName[] = u"TargetCAD_APIVersion.txt";

// How the file's bytes are text. A byte-order mark picks a Unicode form;
// without one the file is in the ANSI code page.
enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

struct TargetListText {
    std::vector<std::u16string> lines;
    TextEncoding encoding = TextEncoding::Ansi;
};

// Throws Error saying why when the bytes are not text in their encoding
// (malformed UTF-8 or UTF-16, an odd UTF-16 byte count, a NUL character).
TargetListText decodeTargetList(const std::string& bytes, Locale& locale);
// The bytes for `lines` in `encoding`, with its byte-order mark, every line
// ending in CR LF. Throws Error when a character has no ANSI form.
std::string encodeTargetList(const std::vector<std::u16string>& lines, TextEncoding encoding, Locale& locale);

// Whole-file reading and writing; errors name the file.
TargetListText readTargetList(FileSystem& files, Locale& locale, const std::u16string& path);
void writeTargetList(FileSystem& files, Locale& locale, const std::u16string& path,
                     const std::vector<std::u16string>& lines, TextEncoding encoding);
// The file's lines in file order; none when the file does not exist.
std::vector<std::u16string> readTargetListLines(FileSystem& files, Locale& locale, const std::u16string& path);

// Beside the executable.
std::u16string targetListPath(ExeInfo& exe);

// An entry's name is what stands before its first tab, the identifier what
// follows it; without a tab the name is empty and the whole line the identifier.
struct TargetEntry {
    std::u16string name, progId;
};
TargetEntry splitTargetEntry(const std::u16string& line);

// The first line holding a tab followed by `progId`, and where that tab is.
struct TargetMatch {
    std::size_t line = 0;
    std::size_t tab = 0;
};
std::optional<TargetMatch> findTarget(const std::vector<std::u16string>& lines, const std::u16string& progId);

// The main window's caption for a target: "title [ name ]".
std::u16string targetCaption(std::u16string_view title, std::u16string_view name);

}  // namespace qx
