#include "app/Intake.h"

#include "core/FileHashJob.h"
#include "platform/Platform.h"

namespace vesk {

void RunIntakeRequest(const IntakeRequest& request, const HashTarget& target) {
    switch (request.kind) {
    case IntakeKind::CommandLine:
    case IntakeKind::FileSelection:
        for (const std::wstring& path : request.paths)
            AddPath(path, 0, target);
        break;
    case IntakeKind::DroppedFiles:
        for (const std::wstring& path : request.paths)
            AddPath(path, request.flags, target);
        break;
    case IntakeKind::FolderScan:
        if (!request.folder.empty() && !request.wildcard.empty())
            ScanFolder(request.folder, request.wildcard, request.flags, target);
        break;
    }
}

IntakeRequest FolderScanRequest(const std::wstring& folder, const std::wstring& wildcard, ScanFlags flags) {
    IntakeRequest request;
    request.kind = IntakeKind::FolderScan;
    request.flags = flags;
    if (folder.empty() || wildcard.empty())
        return request;
    request.folder = folder;
    if (request.folder.back() != platform::kPathSeparator)
        request.folder += platform::kPathSeparator;
    request.wildcard = wildcard;
    return request;
}

std::wstring DepthChoiceText(int index) {
    if (index == 0)
        return L"Scan all levels";
    if (index == 1)
        return L"Scan 0 level (the specified directory only)";
    if (index <= 10)
        return L"Scan " + std::to_wstring(index - 1) + L" level(s)";
    return L"Scan level " + std::to_wstring(index - 10);
}

ScanFlags DepthChoiceFlags(int index) {
    if (index <= 0 || index >= kDepthChoiceCount)
        return kScanEveryLevel;
    if (index <= 10)
        return ScanFlags(index - 1);
    return kScanOnlyLevel | ScanFlags(index - 10);
}

std::vector<std::wstring> SelectedFilePaths(std::wstring_view selection, size_t firstNameOffset) {
    std::vector<std::wstring> paths;
    if (firstNameOffset == 0 || firstNameOffset > selection.size())
        return paths;
    std::wstring folder(selection.substr(0, firstNameOffset));
    // One file: the offset points at its name inside the full path. Several:
    // the folder's own entry ends with a NUL just before the first name.
    while (!folder.empty() && folder.back() == L'\0')
        folder.pop_back();
    if (folder.empty())
        return paths;
    if (folder.back() != platform::kPathSeparator)
        folder += platform::kPathSeparator;
    size_t at = firstNameOffset;
    while (at < selection.size() && selection[at] != L'\0') {
        size_t end = selection.find(L'\0', at);
        if (end == std::wstring_view::npos)
            end = selection.size();
        paths.push_back(folder + std::wstring(selection.substr(at, end - at)));
        at = end + 1;
    }
    return paths;
}

} // namespace vesk
