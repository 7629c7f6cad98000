// Conversions between the program's wide text and UTF-8.
//
// Wide text is UTF-16 where wchar_t has 16 bits (Windows) and UTF-32 elsewhere.
// POSIX file names are byte strings that need not be UTF-8; so that every name
// survives the trip through wide text, a byte that is not part of valid UTF-8
// becomes the lone code point U+DC00 + byte, and turns back into that byte.
#pragma once

#include <string>
#include <string_view>

namespace vesk {

std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

} // namespace vesk
