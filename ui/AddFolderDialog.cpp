#include "ui/AddFolderDialog.h"

#include "app/Intake.h"
#include "platform/Platform.h"
#include "resources/resource.h"
#include "ui/ControlUtil.h"
#include "ui/FolderPicker.h"
#include "ui/Workers.h"

#include <objbase.h>
#include <shellapi.h>
#include <windowsx.h>

namespace vesk {

namespace {

constexpr wchar_t kFolderKey[] = L"Folder";
constexpr wchar_t kWildcardKey[] = L"Wildcard";
constexpr wchar_t kDepthIndexKey[] = L"DepthIndex";
// A remembered folder may be longer than the system's old path limit.
constexpr size_t kMaxRememberedFolderCharacters = 32767;

struct AddFolderData {
    HWND mainWindow;
    const SettingsFile* settings;
};

void OnInitDialog(HWND dialog, const AddFolderData& data) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&data));
    const SettingsFile& settings = *data.settings;
    SetDlgItemTextW(dialog, IDC_ADD_FOLDER_FOLDER,
                    ReadTextSetting(settings, kFolderKey, kMaxRememberedFolderCharacters, L"").c_str());
    HWND wildcard = GetDlgItem(dialog, IDC_ADD_FOLDER_WILDCARD);
    Edit_LimitText(wildcard, kMaxWrittenWildcardCharacters);
    SetWindowTextW(wildcard, ReadTextSetting(settings, kWildcardKey, kMaxFolderSettingCharacters, L"*")
                                 .substr(0, kMaxWrittenWildcardCharacters)
                                 .c_str());
    HWND depth = GetDlgItem(dialog, IDC_ADD_FOLDER_DEPTH);
    for (int i = 0; i < kDepthChoiceCount; ++i)
        ComboBox_AddString(depth, DepthChoiceText(i).c_str());
    // An index outside the list leaves no entry selected.
    ComboBox_SetCurSel(depth, ReadIntSetting(settings, kDepthIndexKey, 0));
}

void OnBrowse(HWND dialog) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
        return;
    std::wstring folder;
    const bool picked = PickFolder(dialog, folder);
    CoUninitialize();
    if (picked)
        SetDlgItemTextW(dialog, IDC_ADD_FOLDER_FOLDER, folder.c_str());
}

// The first dropped item names the folder: a folder itself, or a file's folder.
void OnDropFiles(HWND dialog, HDROP drop) {
    const std::vector<std::wstring> paths = TakeDroppedPaths(drop);
    if (paths.empty())
        return;
    const std::wstring& path = paths.front();
    switch (platform::QueryPathKind(path)) {
    case platform::PathKind::Folder:
        SetDlgItemTextW(dialog, IDC_ADD_FOLDER_FOLDER, path.c_str());
        break;
    case platform::PathKind::File:
        if (const size_t separator = path.rfind(L'\\'); separator != std::wstring::npos)
            SetDlgItemTextW(dialog, IDC_ADD_FOLDER_FOLDER, path.substr(0, separator).c_str());
        break;
    case platform::PathKind::Missing:
    case platform::PathKind::Other:
        break;
    }
}

void OnOk(HWND dialog, const AddFolderData& data) {
    const std::wstring folder = WindowText(GetDlgItem(dialog, IDC_ADD_FOLDER_FOLDER));
    if (!folder.empty()) {
        std::wstring wildcard = WindowText(GetDlgItem(dialog, IDC_ADD_FOLDER_WILDCARD));
        if (wildcard.empty())
            wildcard = L"*";
        int depthIndex = ComboBox_GetCurSel(GetDlgItem(dialog, IDC_ADD_FOLDER_DEPTH));
        if (depthIndex < 0)
            depthIndex = 0;
        WriteTextSetting(*data.settings, kFolderKey, folder);
        WriteTextSetting(*data.settings, kWildcardKey, wildcard);
        WriteIntSetting(*data.settings, kDepthIndexKey, depthIndex);
        StartWorker(data.mainWindow, FolderScanRequest(folder, wildcard, DepthChoiceFlags(depthIndex)));
    }
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK AddFolderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* data = reinterpret_cast<const AddFolderData*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog, *reinterpret_cast<const AddFolderData*>(lParam));
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(dialog, reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOk(dialog, *data);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_ADD_FOLDER_BROWSE:
            OnBrowse(dialog);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

void ShowAddFolderDialog(HWND mainWindow, const SettingsFile& settings) {
    AddFolderData data{mainWindow, &settings};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ADD_FOLDER), mainWindow,
                    AddFolderDialogProc, reinterpret_cast<LPARAM>(&data));
}

} // namespace vesk
