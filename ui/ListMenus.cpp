#include "ui/ListMenus.h"
#include "ui/Handles.h"

#include "resources/resource.h"
#include "ui/ControlUtil.h"

#include <commctrl.h>

#include <cstring>

namespace vesk {

bool CopyTextToClipboard(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner))
        return false;
    bool copied = false;
    const size_t byteCount = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, byteCount)) {
        memcpy(GlobalLock(memory), text.c_str(), byteCount);
        GlobalUnlock(memory);
        EmptyClipboard();
        // The system derives the 8-bit text from it for those who ask.
        copied = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        if (!copied)
            GlobalFree(memory);
    }
    CloseClipboard();
    return copied;
}

void ShowListContextMenu(HWND mainWindow, ListViewControl& list, POINT screen) {
    MenuOwner menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_LIST_CONTEXT)));
    if (!menu)
        return;
    HMENU popup = GetSubMenu(menu.get(), 0);
    // A menu key press has no pointer: the focused row stands for it.
    if (screen.x == -1 && screen.y == -1) {
        RECT rect{};
        const int focused = ListView_GetNextItem(list.handle(), -1, LVNI_FOCUSED);
        if (focused >= 0 && ListView_GetItemRect(list.handle(), focused, &rect, LVIR_LABEL))
            screen = {rect.left, rect.bottom};
        ClientToScreen(list.handle(), &screen);
    }
    LVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(list.handle(), &hit.pt);
    std::wstring cell;
    if (ListView_SubItemHitTest(list.handle(), &hit) >= 0 && hit.iItem >= 0) {
        cell = list.CellText(hit.iItem, hit.iSubItem);
        const std::wstring item = L"Copy \"" + cell + L"\"";
        InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING, ID_LIST_COPY_CELL, item.c_str());
    }
    const bool sheet = (SharedViewState().viewFlags.load(std::memory_order_relaxed) & kViewSheet) != 0;
    if (sheet) {
        EnableMenuItem(popup, ID_LIST_COLLAPSE_ALL, MF_BYCOMMAND | MF_GRAYED);
        EnableMenuItem(popup, ID_LIST_EXPAND_ALL, MF_BYCOMMAND | MF_GRAYED);
    }
    const UINT chosen = UINT(
        TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, mainWindow, nullptr));
    if (chosen == ID_LIST_COPY_CELL) {
        if (!cell.empty())
            CopyTextToClipboard(mainWindow, cell);
    } else if (chosen != 0) {
        SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    }
}

HMENU BuildHeaderMenu(const ViewState& view) {
    HMENU menu = CreatePopupMenu();
    for (uint32_t p = 1; p < kColumnCount; ++p) {
        if (p == kFirstAlgorithmPosition)
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        const std::wstring name = ColumnName(ColumnIdAtPosition(int(p)));
        AppendMenuW(menu, MF_STRING | (EntryShown(view.columns.Get(int(p))) ? MF_CHECKED : MF_UNCHECKED), p,
                    name.c_str());
    }
    return menu;
}

void ShowHeaderMenu(HWND mainWindow, ResultList& results, const ViewState& view, POINT screen) {
    MenuOwner menu(BuildHeaderMenu(view));
    const UINT chosen = UINT(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y,
                                            0, mainWindow, nullptr));
    if (chosen >= 1 && chosen < kColumnCount)
        results.SetColumnShown(int(chosen), !EntryShown(view.columns.Get(int(chosen))));
}

} // namespace vesk
