// From paths to hashing jobs: AddPath tells a file from a folder, ScanFolder
// walks a folder depth-first with a wildcard and a depth rule. Both walk on
// the calling thread and make every sink call there; a folder's small files
// are hashed several at a time (FileHashQueue), their results still in the
// walk's order.
//
//     AddPath(L"C:\\Data", 0, target);                      // the folder's own files
//     ScanFolder(L"C:\\Data", L"*.iso", kScanEveryLevel, target);
#pragma once

#include "core/ColumnTable.h"
#include "core/ResultSink.h"

#include <cstdint>
#include <string>

namespace vesk {

// Depth of a walk: all bits set enters every level; otherwise the low 16 bits
// are the deepest level entered (the start folder is level 0), and with
// kScanOnlyLevel only files at exactly that level are hashed.
using ScanFlags = uint32_t;
inline constexpr ScanFlags kScanEveryLevel = 0xFFFFFFFF;
inline constexpr ScanFlags kScanOnlyLevel = 0x10000;
inline constexpr ScanFlags kScanDepthMask = 0xFFFF;

// What the walked files are hashed for.
struct HashTarget {
    const ViewState& view;
    ResultSink& sink;
};

// A folder: ScanFolder(path, "*", flags). Anything else, existing or not, goes
// to the hashing job, which skips what it cannot read; a pipe or a device named
// here is read like a file.
void AddPath(const std::wstring& path, ScanFlags flags, const HashTarget& target);

// Hashes the files whose names match `wildcard` at the levels `flags` allows,
// in the order the file system lists them; a subfolder is walked completely
// when it is met. Hidden and system entries count like any other; pipes,
// sockets and devices are passed over. A folder
// link is entered like a folder, unless it leads back to a folder on the
// current chain, which would never end.
void ScanFolder(const std::wstring& folder, const std::wstring& wildcard, ScanFlags flags,
                const HashTarget& target);

} // namespace vesk
