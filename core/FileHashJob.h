// The file hashing job: reads one file once, in 1 MiB chunks, feeds every chunk
// to every selected algorithm and hands the result to a ResultSink.
//
//     ConsoleSink sink;
//     HashFile(L"notes.txt", SharedViewState(), sink);
//
// Every failure (nothing selected, the file cannot be opened or read, no
// memory) is silent: the sink gets no result.
#pragma once

#include "core/ColumnTable.h"
#include "core/ResultSink.h"

#include <string>

namespace vesk {

inline constexpr size_t kReadChunkBytes = 1 << 20;

// Hashes the file at `path` (absolute, or relative to the current directory)
// with the algorithms shown in `view.columns`.
void HashFile(const std::wstring& path, const ViewState& view, ResultSink& sink);

// The file's name as the list shows it: the text after the last path
// separator, or the whole path with `fullPath` or when it holds no separator.
std::wstring DisplayName(const std::wstring& path, bool fullPath);

} // namespace vesk
