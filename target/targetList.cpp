#include "target/targetList.h"

#include "core/text.h"

namespace qx {

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char kUtf16LEMark[] = "\xFF\xFE";
constexpr char kUtf16BEMark[] = "\xFE\xFF";

[[noreturn]] void malformed(const char16_t* what, std::size_t offset) {
    throw Error(std::u16string(what) + u" (" + decimalText(offset) + u" バイト目)");
}

void appendCodePoint(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

// Strict: no overlong forms, no surrogates, nothing past U+10FFFF, so that
// whatever decodes encodes back to the same bytes.
std::u16string decodeUtf8(const std::string& bytes, std::size_t from) {
    constexpr char16_t kBad[] = u"UTF-8 として正しくないバイト列があります";
    std::u16string out;
    for (std::size_t i = from; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t len = 1;
        char32_t c = lead;
        unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            len = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            len = 3;
            c = lead & 0x0F;
            lo = lead == 0xE0 ? 0xA0 : 0x80;
            hi = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            len = 4;
            c = lead & 0x07;
            lo = lead == 0xF0 ? 0x90 : 0x80;
            hi = lead == 0xF4 ? 0x8F : 0xBF;
        } else if (lead >= 0x80) {
            malformed(kBad, i);
        }
        if (bytes.size() - i < len) {
            malformed(kBad, i);
        }
        for (std::size_t k = 1; k < len; ++k) {
            const auto t = static_cast<unsigned char>(bytes[i + k]);
            if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF)) {
                malformed(kBad, i);
            }
            c = (c << 6) | (t & 0x3F);
        }
        appendCodePoint(out, c);
        i += len;
    }
    return out;
}

std::u16string decodeUtf16(const std::string& bytes, std::size_t from, bool bigEndian) {
    if ((bytes.size() - from) % 2 != 0) {
        throw Error(u"UTF-16 のファイルのバイト数が奇数です");
    }
    std::u16string out;
    out.reserve((bytes.size() - from) / 2);
    for (std::size_t i = from; i < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        out += static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        const bool high = out[i] >= 0xD800 && out[i] <= 0xDBFF, low = out[i] >= 0xDC00 && out[i] <= 0xDFFF;
        if (high && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || low) {
            malformed(u"UTF-16 として正しくない文字 (対のないサロゲート) があります", from + 2 * i);
        }
    }
    return out;
}

void encodeUtf16(std::string& out, const std::u16string& text, bool bigEndian) {
    for (char16_t c : text) {
        const char a = static_cast<char>(c >> 8), b = static_cast<char>(c & 0xFF);
        out += bigEndian ? a : b;
        out += bigEndian ? b : a;
    }
}

[[noreturn]] void binary() {
    throw Error(u"NUL 文字を含んでいます (テキストファイルではありません)");
}

bool startsWith(const std::string& bytes, const char* mark) {
    return bytes.compare(0, std::char_traits<char>::length(mark), mark) == 0;
}

}  // namespace

TargetListText decodeTargetList(const std::string& bytes, Locale& locale) {
    TargetListText out;
    std::u16string text;
    if (startsWith(bytes, kUtf8Mark)) {
        out.encoding = TextEncoding::Utf8;
        text = decodeUtf8(bytes, 3);
    } else if (startsWith(bytes, kUtf16LEMark) || startsWith(bytes, kUtf16BEMark)) {
        const bool bigEndian = startsWith(bytes, kUtf16BEMark);
        out.encoding = bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
        text = decodeUtf16(bytes, 2, bigEndian);
    } else {
        // Checked on the bytes: a binary file must not reach the code page's decoder.
        if (bytes.find('\0') != std::string::npos) {
            binary();
        }
        text = locale.decodeAnsi(bytes);
    }
    if (text.find(u'\0') != std::u16string::npos) {
        binary();
    }
    out.lines = splitLines(text);
    return out;
}

std::string encodeTargetList(const std::vector<std::u16string>& lines, TextEncoding encoding, Locale& locale) {
    std::u16string text;
    for (const auto& line : lines) {
        text += line;
        text += u"\r\n";
    }
    switch (encoding) {
        case TextEncoding::Utf8:
            return kUtf8Mark + toUtf8(text);
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE: {
            const bool bigEndian = encoding == TextEncoding::Utf16BE;
            std::string out = bigEndian ? kUtf16BEMark : kUtf16LEMark;
            encodeUtf16(out, text, bigEndian);
            return out;
        }
        case TextEncoding::Ansi:
            break;
    }
    return locale.encodeAnsi(text);
}

TargetListText readTargetList(FileSystem& files, Locale& locale, const std::u16string& path) {
    const std::string bytes = files.readAll(path);
    try {
        return decodeTargetList(bytes, locale);
    } catch (const Error& e) {
        throw Error(u"ターゲット CAD のリスト " + path + u" をテキストとして読めません: " + e.message() +
                    u"。ファイルを直すか、別の名前に変えてください。");
    }
}

void writeTargetList(FileSystem& files, Locale& locale, const std::u16string& path,
                     const std::vector<std::u16string>& lines, TextEncoding encoding) {
    std::string bytes;
    try {
        bytes = encodeTargetList(lines, encoding, locale);
    } catch (const Error& e) {
        throw Error(u"ターゲット CAD のリスト " + path + u" に書き込めません: " + e.message());
    }
    files.writeAll(path, bytes);
}

std::vector<std::u16string> readTargetListLines(FileSystem& files, Locale& locale, const std::u16string& path) {
    if (!files.exists(path)) {
        return {};
    }
    return readTargetList(files, locale, path).lines;
}

std::u16string targetListPath(ExeInfo& exe) {
    return exe.exeFolder() + kTargetListFileName;
}

std::optional<TargetMatch> findTarget(const std::vector<std::u16string>& lines, const std::u16string& progId) {
    const std::u16string needle = u"\t" + progId;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto at = lines[i].find(needle); at != std::u16string::npos) {
            return TargetMatch{i, at};
        }
    }
    return std::nullopt;
}

std::u16string targetCaption(std::u16string_view title, std::u16string_view name) {
    return std::u16string(title) + u" [ " + std::u16string(name) + u" ]";
}

TargetEntry splitTargetEntry(const std::u16string& line) {
    const auto tab = line.find(u'\t');
    if (tab == std::u16string::npos) {
        return {u"", line};
    }
    return {line.substr(0, tab), line.substr(tab + 1)};
}

}  // namespace qx
