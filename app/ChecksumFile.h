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
#include "results/ChecksumLine.h"

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
// algorithm of lines without a tag (a 64-digit line of "B3SUMS" or "*.b3" is
// BLAKE3). Lines without either are taken by their
// digest's length: 8 hex digits CRC32, 32 MD5, 40 SHA-1, 64 SHA-256, 96
// SHA-384, 128 SHA-512; 39 base32 letters the Tiger tree hash.
ChecksumList ParseChecksumText(std::string_view bytes, std::wstring_view fileName);

// The extensions, dot first, that name a checksum file's algorithm: ".md5",
// ".sha256", ".sfv"... The file manager offers to verify files that have one.
std::vector<std::wstring> ChecksumFileExtensions();

} // namespace vesk
