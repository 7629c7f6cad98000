// Intake requests: what an add command, a drop, the program's own command
// line or a hand-over asks a worker thread to hash.
//
//     IntakeRequest request = FolderScanRequest(L"C:\\Data", L"*.iso", kScanEveryLevel);
//     StartWorker(std::move(request));         // the window's side
//     RunIntakeRequest(request, {view, sink});  // on the worker
#pragma once

#include "app/PathWalk.h"

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

enum class IntakeKind {
    CommandLine,   // paths from the command line or a hand-over, each added with flags 0
    DroppedFiles,  // dropped items, folders walked with `flags`
    FileSelection, // files chosen in the open dialog
    FolderScan,    // one folder walked with a wildcard and `flags`
};

struct IntakeRequest {
    IntakeKind kind = IntakeKind::CommandLine;
    std::vector<std::wstring> paths; // every kind but FolderScan
    ScanFlags flags = 0;             // DroppedFiles (1 with Shift or Ctrl held) and FolderScan
    std::wstring folder;             // FolderScan
    std::wstring wildcard;           // FolderScan
};

// Carries the request out on the calling thread.
void RunIntakeRequest(const IntakeRequest& request, const HashTarget& target);

// A folder walk; an empty folder or wildcard gives a request with no folder,
// which hashes nothing.
IntakeRequest FolderScanRequest(const std::wstring& folder, const std::wstring& wildcard, ScanFlags flags);

// The depth choices of the Add Folder (Advanced) dialog, in list order:
// every level, the folder alone, 1 to 9 levels, then only level 1 to 9.
inline constexpr int kDepthChoiceCount = 20;
std::wstring DepthChoiceText(int index);
ScanFlags DepthChoiceFlags(int index);

// The open dialog's multi-selection text: NUL-separated entries ending with an
// empty one. Either one full path, or the folder followed by names; the first
// name starts at `firstNameOffset`. Gives the full path of each chosen file.
std::vector<std::wstring> SelectedFilePaths(std::wstring_view selection, size_t firstNameOffset);

} // namespace vesk
