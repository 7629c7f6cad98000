#include "ui/AddCommands.h"

#include "ui/ControlUtil.h"
#include "ui/FolderPicker.h"
#include "ui/Workers.h"

#include <cderr.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>

namespace vesk {

namespace {

// Far more than the system's old limit, so that a long selection rarely needs
// a second showing of the dialog.
constexpr size_t kInitialSelectionCharacters = 32768;
constexpr size_t kLargestSelectionCharacters = 1 << 24;

} // namespace

void AddFilesCommand(HWND mainWindow) {
    static constexpr wchar_t kFilter[] = L"All Files(*.*)\0*.*\0";
    std::wstring selection(kInitialSelectionCharacters, L'\0');
    for (;;) {
        selection[0] = L'\0';
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = mainWindow;
        dialog.lpstrFilter = kFilter;
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = selection.data();
        dialog.nMaxFile = DWORD(selection.size());
        dialog.lpstrInitialDir = L"";
        dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_ENABLESIZING | OFN_READONLY;
        if (GetOpenFileNameW(&dialog)) {
            IntakeRequest request;
            request.kind = IntakeKind::FileSelection;
            request.paths = SelectedFilePaths(selection, dialog.nFileOffset);
            if (!request.paths.empty())
                StartWorker(mainWindow, std::move(request));
            return;
        }
        // A selection larger than the buffer: show the dialog again with room
        // for it instead of dropping the user's files.
        if (CommDlgExtendedError() != FNERR_BUFFERTOOSMALL || selection.size() >= kLargestSelectionCharacters)
            return;
        const size_t asked = *reinterpret_cast<const uint16_t*>(selection.data());
        selection.assign(std::max(asked + 1, 4 * selection.size()), L'\0');
    }
}

void AddFolderCommand(HWND mainWindow) {
    const ScanFlags flags = ShiftOrControlHeld() ? kScanEveryLevel : 0;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
        return;
    std::wstring folder;
    const bool picked = PickFolder(mainWindow, folder);
    CoUninitialize();
    if (picked)
        StartWorker(mainWindow, FolderScanRequest(folder, L"*", flags));
}

void AddDroppedItems(HWND mainWindow, HDROP drop) {
    if (IsIconic(mainWindow))
        ShowWindow(mainWindow, SW_RESTORE);
    IntakeRequest request;
    request.kind = IntakeKind::DroppedFiles;
    request.flags = ShiftOrControlHeld() ? 1 : 0;
    request.paths = TakeDroppedPaths(drop);
    StartWorker(mainWindow, std::move(request));
}

} // namespace vesk
