// Vesk in the file manager, kept in the current user's part of the registry
// (below HKEY_CURRENT_USER\Software\Classes):
//
//     *\shell\Vesk                    Icon = "C:\...\vesk.exe",0
//                                     MultiSelectModel = Player
//     *\shell\Vesk\command            (default) = "C:\...\vesk.exe" "%1"
//     *\shell\Vesk\DropTarget         CLSID = {94B08D0F-...}
//     Directory\shell\Vesk            the same, for folders
//     SystemFileAssociations\.md5\shell\VeskVerify          (default) = Verify with Vesk, Icon
//     SystemFileAssociations\.md5\shell\VeskVerify\command  "C:\...\vesk.exe" --check "%1"
//                                     (and so for every checksum extension)
//     CLSID\{94B08D0F-...}            (default) = Vesk drop target
//     CLSID\{94B08D0F-...}\LocalServer32  (default) = "C:\...\vesk.exe"
//
// The verb key has no default value, so the menu shows its name. Where the
// file manager knows DropTarget it starts one vesk.exe -Embedding for the
// whole selection and drops it there (ui/ShellDropTarget.h); elsewhere the
// command runs once per item. Failures are silent: the registry then shows
// what it holds afterwards.
#pragma once

#include <windows.h>

#include <string>

namespace vesk {

// The class of the drop target the verbs name.
inline constexpr CLSID kDropTargetClassId = {
    0x94B08D0F, 0x3C87, 0x49C5, {0x97, 0x96, 0xA5, 0xFB, 0x88, 0xAE, 0xE8, 0xBB}};

// Whether the files' verb key exists; nothing below it is looked at.
bool IsShellEntryRegistered();

// Adds every entry for `program` (this program unless given), again if they
// are there, or removes them all, with the keys they alone filled.
void RegisterShellEntry(bool add);
void RegisterShellEntry(bool add, const std::wstring& program);

// The Tools menu command: removes the entries when they are there, adds them
// when they are not, then sets the item's check mark from what the registry holds.
void ToggleShellEntry(HMENU menu);

} // namespace vesk
