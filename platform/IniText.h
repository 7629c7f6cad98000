// The INI text that the POSIX build keeps its settings in, with the rules of
// the Windows profile functions: sections in brackets, "key=value" lines
// ending at CR, LF or CRLF, section and key names compared without regard to
// case, surrounding blanks and one pair of matching quotes around a value
// dropped when it is read. The file is UTF-16LE after a byte-order mark, as
// the Windows program starts it, or else UTF-8 with or without a mark.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesk::platform {

// The value of `key` in the first section named `section`, if both exist.
std::optional<std::wstring> IniLookup(std::wstring_view text, std::wstring_view section,
                                      std::wstring_view key);

// `text` with `key` set to `value` in `section`: an existing line is replaced
// in place, a new key goes after the section's last entry, a new section at
// the end. Every other line is kept as it was, line endings included.
std::wstring IniAssign(std::wstring_view text, std::wstring_view section, std::wstring_view key,
                       std::wstring_view value);

enum class IniEncoding { Utf8, Utf8WithMark, Utf16WithMark };

// The text of an INI file's bytes, and the encoding to write it back in. In
// UTF-16 a lone surrogate becomes U+FFFD and an odd last byte is dropped.
std::wstring DecodeIniBytes(std::string_view bytes, IniEncoding& encoding);
std::string EncodeIniText(std::wstring_view text, IniEncoding encoding);

} // namespace vesk::platform
