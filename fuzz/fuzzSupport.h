// What the fuzz targets share: turning the fuzzer's bytes into text, and a
// property check that stops the run so libFuzzer keeps the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/text.h"
#include "platform/platform.h"

namespace qx::fuzz {

inline std::string bytesOf(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// As the drawing server and the tests read text files: UTF-8, leniently, so
// that every BMP code unit (lone surrogates included) can be reached.
inline std::u16string textOf(const std::uint8_t* data, std::size_t size) {
    return fromUtf8(bytesOf(data, size));
}

// Every code unit reachable directly: pairs of bytes, little-endian; an odd
// last byte is dropped.
inline std::u16string utf16Of(const std::uint8_t* data, std::size_t size) {
    std::u16string out;
    out.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        out += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    }
    return out;
}

[[noreturn]] inline void fail(const char* property, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, property);
    std::abort();
}

}  // namespace qx::fuzz

// Like assert, but also in release builds and with the property in the report.
#define QX_FUZZ_CHECK(cond)                              \
    do {                                                 \
        if (!(cond)) {                                   \
            ::qx::fuzz::fail(#cond, __FILE__, __LINE__); \
        }                                                \
    } while (false)
