// Where the file hashing job reports: progress, the result list in either view,
// and the console. With a main window each operation drives a control; in
// console mode only the console line does anything. Every operation has a
// default that does nothing, so a sink overrides only what it shows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vesk {

// What the list keeps with every row of a hashed file.
struct FileRecord {
    uint64_t size = 0;          // bytes, as reported when the file was opened
    uint64_t lastWriteTime = 0; // 100-nanosecond units since 1601-01-01 UTC
    std::wstring path;          // exactly as the job received it
};

class ResultSink {
public:
    virtual ~ResultSink() = default;

    virtual void ProgressBegin() {}
    virtual void ProgressSet(uint32_t /*percent*/) {}
    virtual void ProgressEnd() {}

    // Called when nothing is selected; the job reads the selection again after it.
    virtual void AskForSelection() {}

    // Sheet View: one row per file; returns the new row's index.
    virtual int AppendSheetRow(const std::wstring& /*displayName*/,
                               std::shared_ptr<const FileRecord> /*record*/) {
        return -1;
    }
    // Column 1 onwards: the values in the order the job produces them.
    virtual void SetSheetCell(int /*row*/, int /*column*/, const std::wstring& /*text*/) {}

    // Key-Value View: one group per file, one name/value row per value.
    virtual void BeginFileGroup(const std::wstring& /*displayName*/) {}
    virtual void AddGroupRow(const std::wstring& /*name*/, const std::wstring& /*value*/,
                             std::shared_ptr<const FileRecord> /*record*/) {}

    // Console output, while it is active. An empty name is an empty line; a
    // name without a value is printed alone.
    virtual bool ConsoleActive() const { return false; }
    virtual void ConsoleLine(std::wstring_view /*name*/, std::optional<std::wstring_view> /*value*/) {}

    // Scroll the list to its last row, if it has any.
    virtual void RevealLast() {}

    // A file that could not be opened or read, or a folder that could not be
    // listed, with the system's reason. The window and the Windows console
    // pass over these in silence; the POSIX console reports them.
    virtual void ReportFailure(const std::wstring& /*path*/, const std::wstring& /*reason*/) {}
};

} // namespace vesk
