// Small helpers over window handles and process-wide facts of the window
// program: the system's version, the string table, menus, edits, theming and list views.
#pragma once

#include "results/ListControl.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace vesk {

// A string-table entry of the program.
std::wstring LoadText(UINT id);

// A window's whole text, however long.
std::wstring WindowText(HWND window);

// Shift or Ctrl held down while the current message was sent.
bool ShiftOrControlHeld();

// The paths of a drop, in the order given; ends the drop.
std::vector<std::wstring> TakeDroppedPaths(HDROP drop);

void MenuSetCheck(HMENU menu, UINT id, bool checked);

// The program's icon as a window's large and small icon.
void SetProgramIcons(HWND window);

// The file-manager look for a list control, where the theme library is loaded.
void SetExplorerTheme(HWND window);

// Report-view list controls. `format` is LVCFMT_LEFT or LVCFMT_RIGHT.
void ListViewInsertColumn(HWND list, int index, const std::wstring& header, int width, int format);
// Inserts a row at `index` with its first cell and its item data.
void ListViewInsertRow(HWND list, int index, const std::wstring& text, LPARAM data);
void ListViewSetCellText(HWND list, int row, int column, const std::wstring& text);
// The arrow a column's header shows.
void ListViewSetSortArrow(HWND list, int column, SortArrow arrow);

} // namespace vesk
