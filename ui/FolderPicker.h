// The folder picker of Add Folder and of the advanced dialog's "..." button:
// the system's item dialog in folder mode, or the older folder browser where
// that dialog does not exist. The caller has COM initialised on its thread.
#pragma once

#include <windows.h>

#include <string>

namespace vesk {

// True and the chosen folder's file-system path in `folder` (any length); false
// when the user cancels or the choice has no file-system path. A non-empty
// `folder` on entry is where the picker starts.
bool PickFolder(HWND owner, std::wstring& folder);

} // namespace vesk
