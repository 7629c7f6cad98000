// Checking files against a checksum file: every listed file is read once,
// with every algorithm its lines name, and each line gets its outcome.
//
//     CheckFiles(list, folder, stopSink, [](const CheckResult& result) { ... });
#pragma once

#include "app/ChecksumFile.h"
#include "core/ResultSink.h"

#include <functional>
#include <string>

namespace vesk {

enum class CheckStatus { Ok, Failed, Missing, Unreadable };

struct CheckResult {
    const ChecksumLine* line = nullptr;
    std::wstring path; // where the file was looked for
    CheckStatus status = CheckStatus::Ok;
    std::wstring computed; // the digest text, when the file could be read
    std::wstring reason;   // why it could not be, in the system's words
};

// Reads a whole checksum file, refusing one too big to be one; `reason` says
// why it could not be read.
bool ReadChecksumFile(const std::wstring& path, std::string& bytes, std::wstring& reason);

// The folder its names are taken in: everything up to the last separator.
std::wstring FolderOfChecksumFile(const std::wstring& path);

// The path a line names: absolute names as they are, others in `folder`.
std::wstring ResolveListedName(const std::wstring& folder, const std::wstring& name);

// Checks the lines in their order; a file named by several lines is read
// once, when the first of them comes. `progress` hears the reading of each
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
