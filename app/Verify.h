// Checking files against a checksum file: each line's file is read as the
// line comes, and each line gets its outcome. The checksum file is read a
// piece at a time, so a list of millions of lines takes no more memory than
// one of ten; a file two lines name is read twice, as sha256sum -c does.
//
//     CheckEnd end = CheckChecksumFile(path, stopSink, [](const CheckResult& result) { ... });
#pragma once

#include "app/ChecksumFile.h"
#include "core/ResultSink.h"

#include <functional>
#include <string>

namespace vesk {

enum class CheckStatus { Ok, Failed, Missing, Unreadable };

struct CheckResult {
    ChecksumLine line;
    std::wstring path; // where the file was looked for
    CheckStatus status = CheckStatus::Ok;
    std::wstring computed; // the digest text, when the file could be read
    std::wstring reason;   // why it could not be, in the system's words
};

struct CheckEnd {
    std::wstring problem; // why the checksum file could not be read, or was not read to its end
    size_t lines = 0;     // checksum lines met
    size_t improperLines = 0;
};

// Reads the checksum file and checks every line's file as its line comes,
// until the end or until `progress` asks to stop.
CheckEnd CheckChecksumFile(const std::wstring& checksumPath, ResultSink& progress,
                           const std::function<void(const CheckResult&)>& report);

// The folder its names are taken in: everything up to the last separator.
std::wstring FolderOfChecksumFile(const std::wstring& path);

// The path a line names: absolute names as they are, others in `folder`.
std::wstring ResolveListedName(const std::wstring& folder, const std::wstring& name);

// Checks lines already read, in their order. `progress` hears the reading of each
// file (progress, failures) as from a hashing job; `report` gets each line.
void CheckFiles(const ChecksumList& list, const std::wstring& folder, ResultSink& progress,
                const std::function<void(const CheckResult&)>& report);

// "OK", "FAILED", "MISSING" or "UNREADABLE".
std::wstring CheckStatusText(CheckStatus status);
// How the algorithm was chosen, as the user reads it: "SHA-256 (tag)".
std::wstring AlgorithmChoiceText(const ChecksumLine& line);

// The counts that close a check.
struct CheckSummary {
    size_t ok = 0;
    size_t failed = 0;
    size_t missing = 0;
    size_t unreadable = 0;
    void Count(CheckStatus status);
    // "12 OK, 1 FAILED, 2 missing", leaving out what did not happen.
    std::wstring Text() const;
};

} // namespace vesk
