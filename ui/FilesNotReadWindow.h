// The Files Not Read window: every file the main window's jobs could not
// read, with the reason, and Copy and Clear. The main window keeps the list;
// the window shows it and lives, hidden when closed, as long as its owner.
//
//     HWND shown = ShowFilesNotRead(mainWindow, files, [&] { ClearNotRead(); });
//     ...files.push_back(...)...
//     RefreshFilesNotRead(shown);
#pragma once

#include "results/StatusTexts.h"

#include <windows.h>

#include <functional>
#include <vector>

namespace vesk {

// Opens the window over `files`, which must outlive it, or brings it forward
// when `existing` is it. `clear` empties `files` (and whatever else the owner
// shows of them) and refreshes the window. Gives the window.
HWND ShowFilesNotRead(HWND owner, HWND existing, const std::vector<FileNotRead>& files,
                      std::function<void()> clear);

// After `files` changed: the window shows as many rows as there are files now.
void RefreshFilesNotRead(HWND window);

} // namespace vesk
