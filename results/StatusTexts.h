// The texts of the main window's status bar and of its list of files that
// could not be read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

// A file a job could not open or read, or a folder it could not list, with
// the system's reason.
struct FileNotRead {
    std::wstring path;
    std::wstring reason;
};

// "1 file", "997 files".
std::wstring FileCountText(size_t fileCount);

// "1 file not read", "3 files not read"; empty for none.
std::wstring NotReadCountText(size_t notReadCount);

// Bytes read over a time, in the units sizes are shown in (1 MB = 1024 KiB):
// "85.3 MB/s", "1.2 GB/s"; empty when no time passed.
std::wstring SpeedText(uint64_t byteCount, uint64_t milliseconds);

// One line per file, path and reason apart by a tab, each ending in CR LF:
// pasted into a sheet it fills two columns.
std::wstring NotReadClipboardText(const std::vector<FileNotRead>& files);

} // namespace vesk
