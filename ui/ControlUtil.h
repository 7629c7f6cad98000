// Small helpers over window handles and process-wide facts of the window
// program: the system's version, the string table, menus, edits and theming.
#pragma once

#include <windows.h>

#include <string>

namespace vesk {

// The system's real major version (6 and later: collapsible groups and the
// modern folder picker).
DWORD OsMajorVersion();

// A string-table entry of the program.
std::wstring LoadText(UINT id);

// A window's whole text, however long.
std::wstring WindowText(HWND window);

// Shift or Ctrl held down while the current message was sent.
bool ShiftOrControlHeld();

void MenuSetCheck(HMENU menu, UINT id, bool checked);

// The program's icon as a window's large and small icon.
void SetProgramIcons(HWND window);

// The file-manager look for a list control, where the theme library is loaded.
void SetExplorerTheme(HWND window);

} // namespace vesk
