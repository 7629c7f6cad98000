#include "ui/FolderPicker.h"

#include "ui/ControlUtil.h"
#include "ui/Handles.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>
#include <memory>

namespace vesk {

namespace {

// Selects the starting folder once the browser is open, and shows the
// selected folder's path as it changes.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM parameter, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(parameter), path))
            SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;
}

bool BrowseForFolder(HWND owner, std::wstring& folder) {
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    if (!folder.empty()) {
        browse.lpfn = BrowseCallback;
        browse.lParam = reinterpret_cast<LPARAM>(folder.c_str());
    }
    CoTaskMemOwner<ITEMIDLIST> item(SHBrowseForFolderW(&browse));
    if (!item)
        return false;
    // The long-path form of the conversion has no fixed buffer.
    std::wstring path(32768, L'\0');
    if (!SHGetPathFromIDListEx(item.get(), path.data(), DWORD(path.size()), GPFIDL_DEFAULT))
        return false;
    path.resize(wcslen(path.c_str()));
    folder = std::move(path);
    return true;
}

} // namespace

bool PickFolder(HWND owner, std::wstring& folder) {
    IFileOpenDialog* created = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&created))))
        return BrowseForFolder(owner, folder);
    ComOwner<IFileOpenDialog> dialog(created);
    if (!folder.empty()) {
        IShellItem* start = nullptr;
        if (SUCCEEDED(SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_PPV_ARGS(&start)))) {
            dialog->SetFolder(start);
            start->Release();
        }
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    if (FAILED(dialog->Show(owner)))
        return false;
    IShellItem* chosen = nullptr;
    if (FAILED(dialog->GetResult(&chosen)))
        return false;
    ComOwner<IShellItem> item(chosen);
    wchar_t* path = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)))
        return false;
    CoTaskMemOwner<wchar_t> owned(path);
    folder = path;
    return true;
}

} // namespace vesk
