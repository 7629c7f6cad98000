// The file hashing job: reads one file once, piece by piece, feeds every piece
// to every selected algorithm and hands the file's result to a ResultSink.
//
//     ConsoleSink sink(...);
//     HashFile(L"notes.txt", SharedViewState(), sink);
//
// A file that cannot be opened or read gives no result; the sink hears why
// through ReportFailure. Nothing selected, even after the sink was asked for a
// selection, gives no result and no failure. A file larger than
// kSplitFileBytes has its algorithms split over the processors (see
// core/PieceStream.h); a run of files, such as a folder's, goes through a
// FileHashQueue, which hashes several small files at once, and several large
// ones where the split would leave processors idle. Either way every sink
// call is made on the thread that called, in the order of one file after the
// other.
#pragma once

#include "core/ColumnTable.h"
#include "core/HashContextSet.h"
#include "core/ResultSink.h"

#include <memory>
#include <string>

namespace vesk {

// Progress moves once per this many bytes read, and at the end.
inline constexpr size_t kReadChunkBytes = 1 << 20;

// Files of more bytes than this have their algorithms split over threads;
// smaller ones are hashed whole by one thread.
inline constexpr uint64_t kSplitFileBytes = kReadChunkBytes;

// Hashes the file at `path` (absolute, or relative to the current directory)
// with the algorithms shown in `view.columns`.
void HashFile(const std::wstring& path, const ViewState& view, ResultSink& sink);

// Whether a file the size of kSplitFileBytes or more, with the contexts of
// `set`, is hashed whole on one thread while other threads hash other files:
// when the split would leave threads idle (SplitKeepsThreadsBusy) or is not
// worth its hand-over (WorthwhileSplit), and the file's disk does not seek
// slowly. A rotating disk read at two places at
// once spends its time seeking, so its files are read one at a time.
bool HashBesideOtherFiles(const std::wstring& path, const HashContextSet& set, uint32_t threadCount);

// For tests: what tells whether a file's disk seeks slowly, in place of
// platform::DiskSeeksSlowly; null goes back to it.
using SeekProbe = bool (*)(const std::wstring& path);
void SetSeekProbe(SeekProbe probe);

// Hashes a run of files as HashFile would, one after the other, but with
// files of up to kSplitFileBytes taken by helper threads in the meantime, and
// larger files too where HashBesideOtherFiles says so. The sink hears of each
// file on the calling thread, in the order the files were added, once the
// files before it are done; while it waits for a file a helper hashes, it
// hears that file's progress. On a single processor, Add is HashFile.
//
//     FileHashQueue queue(view, sink);
//     for (const std::wstring& path : paths)
//         queue.Add(path);
//     queue.Finish();                      // every result delivered
class FileHashQueue {
public:
    FileHashQueue(const ViewState& view, ResultSink& sink);
    ~FileHashQueue(); // finishes
    FileHashQueue(const FileHashQueue&) = delete;
    FileHashQueue& operator=(const FileHashQueue&) = delete;

    void Add(const std::wstring& path);
    // A failure to report in its place among the files, e.g. a folder that
    // could not be listed to its end.
    void AddFailure(const std::wstring& path, const std::wstring& reason);
    // Returns when the sink has heard of everything added.
    void Finish();
    // The sink's answer: a walk that feeds the queue ends when it is true.
    bool StopRequested() const { return sink_.StopRequested(); }

private:
    struct State;
    const ViewState& view_;
    ResultSink& sink_;
    std::unique_ptr<State> state_; // null while nothing runs beside the caller
};

// The file's name as the list shows it: the text after the last path
// separator, or the whole path with `fullPath` or when it holds no separator.
std::wstring DisplayName(const std::wstring& path, bool fullPath);

} // namespace vesk
