// Checks inside the fuzz targets. A failed check prints what it compared and
// aborts, so libFuzzer keeps the input as a crash and the regression run fails.
#pragma once

#include "text/TextEncoding.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace vesk::fuzz {

// A wide text with every character outside printable ASCII as \u{hex}, so a
// failure report shows exactly what differed.
inline std::string Visible(std::wstring_view text) {
    std::string out;
    for (const wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != L'\\') {
            out += char(c);
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u{%x}", unsigned(c));
            out += escaped;
        }
    }
    return out;
}

// Lowercase hex of `size` bytes.
inline std::string Hex(const uint8_t* bytes, size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line,
                                     const std::string& detail) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n%s\n", file, line, condition, detail.c_str());
    std::abort();
}

} // namespace vesk::fuzz

#define FUZZ_CHECK(condition, detail)                                                                        \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::vesk::fuzz::CheckFailed(#condition, __FILE__, __LINE__, (detail));                             \
    } while (false)
