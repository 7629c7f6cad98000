// The lines of checksum files that Vesk writes, and the algorithm tags they
// and other tools' files carry.
//
//     FormatChecksumLine(ChecksumForm::Gnu, kSha256Id, L"setup.exe", "9f86...")
//         // "9f86...  setup.exe\n", as sha256sum writes it
#pragma once

#include "core/AlgorithmTable.h"

#include <optional>
#include <string>
#include <string_view>

namespace vesk {

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

} // namespace vesk
