// The result list's two right-click menus: the list's own, which repeats the
// common commands and offers to copy the cell under the pointer, and the
// header's, which shows or hides single columns.
#pragma once

#include "results/ResultList.h"
#include "ui/ListView.h"

#include <windows.h>

#include <string>

namespace vesk {

// At `screen`, for the cell under it. The chosen command goes to `mainWindow`.
void ShowListContextMenu(HWND mainWindow, ListViewControl& list, POINT screen);

// One check item per column after File (Size, Date Modified, then the
// algorithms in table order); the command of an item is its table position.
HMENU BuildHeaderMenu(const ViewState& view);
void ShowHeaderMenu(HWND mainWindow, ResultList& results, const ViewState& view, POINT screen);

// Replaces the clipboard's content with `text`; false when it cannot.
bool CopyTextToClipboard(HWND owner, const std::wstring& text);

} // namespace vesk
