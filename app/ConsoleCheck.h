// Console mode's checks and checksum files: "--check" reads checksum files and
// prints one line per entry as coreutils' "sha256sum -c" does; "--sums FORM"
// prints checksum-file lines for the paths instead of the usual blocks.
#pragma once

#include "app/ChecksumFile.h"
#include "app/ConsoleMode.h"

#include <optional>
#include <string>
#include <vector>

namespace vesk {

struct ConsoleCheckRun {
    std::vector<std::wstring> checksumFiles;
    platform::ConsoleWriter* output = nullptr;
    platform::ConsoleWriter* errors = nullptr;
};

// 0 when every line of every file was read and matched, else 1.
int RunConsoleCheck(const ConsoleCheckRun& run);

// The checksum file a "--sums" form asks for: "sha256", "sha1", "md5" and
// "sha512" (GNU lines of that algorithm), "bsd" (tag lines of every shown
// algorithm) or "sfv".
struct SumsForm {
    ChecksumForm form = ChecksumForm::Gnu;
    std::optional<AlgorithmId> algorithm; // none for "bsd": the shown ones
};
std::optional<SumsForm> SumsFormOfName(const std::wstring& name);

// Hashes each path as console mode does and prints checksum-file lines.
int RunConsoleSums(const ConsoleRun& run, const SumsForm& form, ViewState& view);

// What a console command line asks for. "--" ends the options, so that a
// file named "--check" can still be hashed.
struct ConsoleCommand {
    enum class Kind { Hash, Check, Help, Version, Error } kind = ConsoleCommand::Kind::Hash;
    std::vector<std::wstring> paths; // or checksum files
    std::optional<SumsForm> sums;
    std::wstring error; // empty: no paths, so the usage text
};
// Ctrl+C during a console run: the file being read ends at its next piece
// and gives no line, nothing more is read, and the run ends with
// "vesk: stopped" on standard error and status 1. A second Ctrl+C ends the
// program at once.
//
//     const ConsoleInterrupt interrupt;          // before the run
//     return interrupt.Finish(RunConsole(...), errors);
class ConsoleInterrupt {
public:
    ConsoleInterrupt();
    int Finish(int status, platform::ConsoleWriter* errors) const;

private:
    uint64_t started_;
};

// "vesk VERSION (RELEASE-DATE)" and a line end, for --version and --help.
std::wstring ConsoleVersionLine();

ConsoleCommand ParseConsoleArguments(const std::vector<std::wstring>& arguments);

// Carries out a parsed command line: the usage or the version, a check,
// checksum lines or the digests, with Ctrl+C stopping the run. `run` brings
// the outputs (errors may be the output itself), the settings and the
// options; the paths come from the command.
int RunConsoleCommand(const ConsoleCommand& command, ConsoleRun run);

// Usage text of console mode, for --help.
extern const wchar_t kConsoleUsage[];

} // namespace vesk
