// Where the file hashing job reports: progress, the one result of each file,
// and failures. With a main window the result goes to the list (and to the
// console a window was started from); in console mode it becomes console
// lines. Every operation has a default that does nothing, so a sink overrides
// only what it shows. A sink also tells the job when to stop: by default once
// StopRunningJobs was called after the sink was made.
#pragma once

#include "core/ColumnTable.h"
#include "core/StopRequest.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vesk {

// What the list keeps with every row of a hashed file.
struct FileRecord {
    uint64_t size = 0;          // the bytes hashed
    uint64_t lastWriteTime = 0; // 100-nanosecond units since 1601-01-01 UTC; 0 when unknown
    std::wstring path;          // exactly as the job received it
};

// One shown column's value: Size, Date Modified or an algorithm's digest.
struct ResultValue {
    ColumnId id = 0;
    std::wstring text;
};

// Everything one hashed file shows, in column table order.
struct FileResult {
    std::wstring displayName;
    std::shared_ptr<const FileRecord> record;
    std::vector<ResultValue> values;
};

class ResultSink {
public:
    virtual ~ResultSink() = default;

    virtual void ProgressBegin() {}
    virtual void ProgressSet(uint32_t /*percent*/) {}
    virtual void ProgressEnd() {}

    // Called when nothing is selected; the job reads the selection again after it.
    virtual void AskForSelection() {}

    // The finished file, handed over whole.
    virtual void AddResult(const FileResult& /*result*/) {}

    // Scroll the list to its last row, if it has any.
    virtual void RevealLast() {}

    // A file that could not be opened or read, or a folder that could not be
    // listed, with the system's reason. The window and the Windows console
    // pass over these in silence; the POSIX console reports them.
    virtual void ReportFailure(const std::wstring& /*path*/, const std::wstring& /*reason*/) {}

    // Asked before every piece of a file and every entry of a folder, from
    // any thread that works for the sink. A stopped file gives neither a
    // result nor a failure.
    virtual bool StopRequested() const { return StoppedSince(startGeneration_); }

private:
    uint64_t startGeneration_ = StopGeneration();
};

} // namespace vesk
