// The "Vesk" entry of the file manager's context menu for every file, kept in
// the current user's part of the registry:
//
//     HKEY_CURRENT_USER\Software\Classes\*\shell\Vesk     Icon = "C:\...\vesk.exe",0
//                                       ...\Vesk\command  (default) = "C:\...\vesk.exe" "%1"
//
// The verb key has no default value, so the menu shows its name. Failures are
// silent: the registry then shows what it holds afterwards.
#pragma once

#include <windows.h>

namespace vesk {

// Whether the verb key exists; its "command" subkey is not looked at.
bool IsShellEntryRegistered();

// Adds the entry for this program (again, if it is there), or removes it.
void RegisterShellEntry(bool add);

// The Tools menu command: removes the entry when it is there, adds it when it
// is not, then sets the item's check mark from what the registry holds.
void ToggleShellEntry(HMENU menu);

} // namespace vesk
