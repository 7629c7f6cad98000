// File names inside text lines, escaped the way coreutils' checksum tools do
// it: a name that would break its line is written after a backslash, with its
// special characters as two-character escapes.
//
// The two forms differ because the tools differ. A digest line ("DIGEST  NAME",
// and Vesk's console lines) escapes backslashes, line feeds and carriage
// returns, and is escaped when the name holds any of them; the report of a
// check ("NAME: OK") is escaped only for a line feed, and then escapes
// backslashes and line feeds.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesk {

enum class NameEscapes {
    DigestLine,  // "\\", "\n", "\r"
    CheckReport, // "\\", "\n"; only a name with a line feed is escaped
};

// True when `name` is written escaped in that form.
bool NameNeedsEscape(std::wstring_view name, NameEscapes form);

// The name's special characters of that form as escapes, without the leading
// backslash that marks an escaped name.
std::wstring EscapeNameCharacters(std::wstring_view name, NameEscapes form);

// The name as it is written in that form: unchanged, or a backslash and the
// escaped characters.
std::wstring WrittenName(std::wstring_view name, NameEscapes form);

// Undoes the escapes of a digest line; anything else after a backslash, or a
// backslash at the end, gives nothing.
std::optional<std::string> UnescapeName(std::string_view text);

} // namespace vesk
