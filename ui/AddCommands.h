// The add commands of the main window: Add Files, Add Folder and dropped
// items, each handed to a worker thread of its own.
#pragma once

#include <windows.h>

#include <shellapi.h>

namespace vesk {

// The open dialog with several files allowed; the chosen files are hashed.
void AddFilesCommand(HWND mainWindow);

// The folder picker; the folder's own files are hashed, or the whole tree
// with Shift or Ctrl held when the command arrives.
void AddFolderCommand(HWND mainWindow);

// Items dropped on the main window: files are hashed, folders walked one
// level deep with Shift or Ctrl held, else for their own files only. Releases
// the drop.
void AddDroppedItems(HWND mainWindow, HDROP drop);

} // namespace vesk
