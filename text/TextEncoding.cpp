#include "text/TextEncoding.h"

#include <cstdint>

namespace vesk {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kEscapeBase = 0xDC00; // U+DC80..U+DCFF carry undecodable bytes

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void AppendWide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += wchar_t(0xD800 + (c >> 10));
            out += wchar_t(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += wchar_t(c);
}

// Length of the valid UTF-8 sequence at the start of `text` and its code
// point, or 0 when it does not start with one.
size_t DecodeUtf8(std::string_view text, char32_t& c) {
    const auto byte = [&](size_t i) { return uint8_t(text[i]); };
    const uint8_t lead = byte(0);
    size_t length;
    char32_t minimum;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        c = c << 6 | (byte(i) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // Paths and console lines are mostly ASCII: copy each run of it at once.
        size_t run = i;
        while (run < text.size() && uint32_t(text[run]) < 0x80)
            ++run;
        if (run > i) {
            const size_t at = out.size();
            out.resize(at + (run - i));
            for (size_t k = i; k < run; ++k)
                out[at + (k - i)] = char(text[k]);
            i = run - 1;
            continue;
        }
        char32_t c = char32_t(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = kReplacement;
            }
        } else {
            if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
                out += char(c - kEscapeBase);
                continue;
            }
            if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
                c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::wstring Utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t c;
        size_t length = DecodeUtf8(text, c);
        if (length == 0) {
            c = sizeof(wchar_t) == 2 ? kReplacement : kEscapeBase + uint8_t(text[0]);
            length = 1;
        }
        AppendWide(out, c);
        text.remove_prefix(length);
    }
    return out;
}

} // namespace vesk
