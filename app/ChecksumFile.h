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
#include <functional>
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

// The same reading a piece at a time, for checksum files of any length: it
// holds one unfinished line (at most kLongestChecksumLine bytes of it) and
// hands each checksum line on as soon as its line ends.
//
//     ChecksumLineReader reader(L"SHA256SUMS");
//     while (...read a piece...) reader.Feed(piece, take);
//     reader.Finish(take);
class ChecksumLineReader {
public:
    explicit ChecksumLineReader(std::wstring_view fileName);
    void Feed(std::string_view bytes, const std::function<void(ChecksumLine&)>& take);
    // The last line, when the text does not end with a line break.
    void Finish(const std::function<void(ChecksumLine&)>& take);
    size_t improperLines() const { return improperLines_; }

private:
    void TakeLine(std::string_view line, const std::function<void(ChecksumLine&)>& take);

    std::optional<AlgorithmId> fileNameAlgorithm_;
    std::string pending_;
    bool overlong_ = false; // the pending line passed the limit: the rest of it is dropped
    bool started_ = false;  // a byte-order mark can come only first
    size_t lineNumber_ = 0;
    size_t improperLines_ = 0;
};

// The extensions, dot first, that name a checksum file's algorithm: ".md5",
// ".sha256", ".sfv"... The file manager offers to verify files that have one.
std::vector<std::wstring> ChecksumFileExtensions();

} // namespace vesk
