// Checksum files: the lists of digests that come with downloads and backups,
// read and written in the forms other tools use.
//
// Read, one file may mix the first two:
//   DIGEST  NAME  /  DIGEST *NAME        GNU coreutils; "\" first for an escaped name
//   ALGO (NAME) = DIGEST                 BSD tags, as coreutils --tag and rhash write them
//   NAME CRC32                           SFV, with ";" comment lines
//
//     ChecksumList list = ParseChecksumText(bytes, L"SHA256SUMS");
//     for (const ChecksumLine& line : list.lines) ...
#pragma once

#include "core/AlgorithmTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// How a line's algorithm was chosen, which the user is shown.
enum class AlgorithmSource { Tag, FileName, DigestLength };

struct ChecksumLine {
    size_t lineNumber = 0; // counted from 1
    std::wstring name;     // as written, escapes undone
    AlgorithmId algorithm = 0;
    AlgorithmSource source = AlgorithmSource::DigestLength;
    std::vector<uint8_t> expected;
};

struct ChecksumList {
    std::vector<ChecksumLine> lines;
    size_t improperLines = 0; // neither blank nor a comment nor a checksum line
};

// Lines longer than this are improperly formatted rather than read.
inline constexpr size_t kLongestChecksumLine = 1 << 20;

// `bytes` is the whole checksum file (UTF-8, with or without a byte-order
// mark; LF or CRLF line ends); `fileName` its name, whose extension (".md5",
// ".sha256", ".sfv", ".b2"...) or conventional name ("SHA256SUMS") names the
// algorithm of lines without a tag. Lines without either are taken by their
// digest's length: 8 hex digits CRC32, 32 MD5, 40 SHA-1, 64 SHA-256, 96
// SHA-384, 128 SHA-512; 39 base32 letters the Tiger tree hash.
ChecksumList ParseChecksumText(std::string_view bytes, std::wstring_view fileName);

// The algorithm a tag such as "SHA256", "SHA-256", "BLAKE2b" or "RMD160" names.
std::optional<AlgorithmId> AlgorithmOfTag(std::string_view tag);

// The tag a BSD line of `id` starts with, in the spelling coreutils and rhash use.
std::string TagOfAlgorithm(AlgorithmId id);

// Checksum file forms Vesk writes.
enum class ChecksumForm { Gnu, Bsd, Sfv };

// One line of a checksum file for `name`, ending with LF: escaped as coreutils
// escapes names with a backslash or a line break; on Windows the backslashes
// between folders are written as "/". SFV lines carry CRC32 only
// and know no escapes: a name with a line break gives none.
std::optional<std::string> FormatChecksumLine(ChecksumForm form, AlgorithmId id, std::wstring_view name,
                                              std::string_view digestText);

// A name as a check prints it: as it is, or, when it holds a line break, after
// a backslash with "\\" and "\n" for those characters.
std::wstring NameForCheckOutput(std::wstring_view name);

} // namespace vesk
