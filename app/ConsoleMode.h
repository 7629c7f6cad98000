// Console mode: every argument hashed on the calling thread, each file printed
// as an empty line, its name and one "%-10s: %s" line per shown column.
#pragma once

#include "app/Settings.h"
#include "core/ResultSink.h"
#include "platform/Console.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// A file's console lines: an empty line, the display name, then one line per
// value.
std::wstring FormatConsoleResult(const FileResult& result);

// One console line: a line feed alone for an empty name, the name alone
// without a value, else the name padded with spaces to 10 characters (longer
// names stay whole), ": " and the value. Any length.
std::wstring FormatConsoleLine(std::wstring_view name, std::optional<std::wstring_view> value);

// Prints the job's console lines; failures go to `errors` as "vesk: PATH:
// reason" when one is given.
class ConsoleSink : public ResultSink {
public:
    ConsoleSink(platform::ConsoleWriter& output, platform::ConsoleWriter* errors)
        : output_(output), errors_(errors) {}

    void AddResult(const FileResult& result) override;
    void ReportFailure(const std::wstring& path, const std::wstring& reason) override;

    bool anyFailure() const { return anyFailure_; }

private:
    platform::ConsoleWriter& output_;
    platform::ConsoleWriter* errors_;
    bool anyFailure_ = false;
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitSomePathFailed = 1;
inline constexpr int kExitOutputFailed = 1;
inline constexpr int kExitUsage = 2;

// Flushes `output`. When not all of it could be written, says so on `errors`
// ("vesk: write error: reason") unless that is `output` itself, and gives
// kExitOutputFailed; otherwise `status`.
int FinishConsoleOutput(platform::ConsoleWriter& output, platform::ConsoleWriter* errors, int status);

struct ConsoleRun {
    std::vector<std::wstring> paths;
    SettingsFile settings;
    platform::ConsoleWriter* output = nullptr;
    platform::ConsoleWriter* errors = nullptr; // for the nothing-selected message
    bool reportFailures = false;               // also each path that cannot be read
    // Called when the settings choose no algorithm: lets a person choose some.
    std::function<void(ViewState&)> askForSelection;
};

// Loads the settings (never writes them), then hashes each path with AddPath
// and no subfolders. Gives kExitUsage when no algorithm is selected,
// kExitOutputFailed when the lines could not all be written, kExitSomePathFailed
// when a reported path failed, else kExitSuccess.
int RunConsole(const ConsoleRun& run, ViewState& view);

} // namespace vesk
