#include "ui/ControlUtil.h"

#include "resources/resource.h"

#include <commctrl.h>

#include <utility>

namespace vesk {

namespace {

using SetWindowThemeFunction = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

} // namespace

std::wstring LoadText(UINT id) {
    const wchar_t* text = nullptr;
    // With a zero length, LoadStringW points into the resource itself.
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text != nullptr ? std::wstring(text, size_t(length)) : std::wstring();
}

std::wstring WindowText(HWND window) {
    std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

std::vector<std::wstring> TakeDroppedPaths(HDROP drop) {
    std::vector<std::wstring> paths(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0));
    for (UINT i = 0; i < paths.size(); ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        paths[i].resize(size_t(length) + 1);
        paths[i].resize(DragQueryFileW(drop, i, paths[i].data(), length + 1));
    }
    DragFinish(drop);
    return paths;
}

bool ShiftOrControlHeld() {
    return (GetKeyState(VK_SHIFT) & 0x8000) != 0 || (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

void MenuSetCheck(HMENU menu, UINT id, bool checked) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void SetProgramIcons(HWND window) {
    for (auto [kind, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        const int size = GetSystemMetrics(metric);
        HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VESK), IMAGE_ICON, size,
                                 size, LR_SHARED);
        SendMessageW(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    }
}

void SetExplorerTheme(HWND window) {
    HMODULE theme = GetModuleHandleW(L"uxtheme.dll");
    if (theme == nullptr)
        return;
    if (auto setTheme = reinterpret_cast<SetWindowThemeFunction>(
            reinterpret_cast<void*>(GetProcAddress(theme, "SetWindowTheme"))))
        setTheme(window, L"Explorer", nullptr);
}

void ListViewInsertColumn(HWND list, int index, const std::wstring& header, int width, int format) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(header.c_str());
    column.iSubItem = index;
    ListView_InsertColumn(list, index, &column);
}

void ListViewInsertRow(HWND list, int index, const std::wstring& text, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.lParam = data;
    ListView_InsertItem(list, &item);
}

void ListViewSetCellText(HWND list, int row, int column, const std::wstring& text) {
    ListView_SetItemText(list, row, column, const_cast<wchar_t*>(text.c_str()));
}

void ListViewSetSortArrow(HWND list, int column, SortArrow arrow) {
    HWND header = ListView_GetHeader(list);
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!Header_GetItem(header, column, &item))
        return;
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (arrow == SortArrow::Up)
        item.fmt |= HDF_SORTUP;
    else if (arrow == SortArrow::Down)
        item.fmt |= HDF_SORTDOWN;
    Header_SetItem(header, column, &item);
}

} // namespace vesk
