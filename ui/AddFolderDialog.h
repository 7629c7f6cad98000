// The Add Folder (Advanced) dialog: a folder typed, picked or dropped, a
// wildcard and a depth. It remembers the three in the settings file and
// starts the folder scan on OK.
#pragma once

#include "app/Settings.h"

#include <windows.h>

namespace vesk {

void ShowAddFolderDialog(HWND mainWindow, const SettingsFile& settings);

} // namespace vesk
