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
// core/PieceStream.h); every sink call is still made on the thread that called.
#pragma once

#include "core/ColumnTable.h"
#include "core/ResultSink.h"

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

// The file's name as the list shows it: the text after the last path
// separator, or the whole path with `fullPath` or when it holds no separator.
std::wstring DisplayName(const std::wstring& path, bool fullPath);

} // namespace vesk
