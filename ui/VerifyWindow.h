// The Verify window: one row per line of a checksum file, with the expected
// digest, the computed one and the status, OK in green and the others in red;
// its title counts the outcomes. Its files are read by a worker thread.
#pragma once

#include "app/Settings.h"

#include <windows.h>

#include <string>

namespace vesk {

// The open dialog for a checksum file, then a Verify window for it.
void ChooseAndVerify(HWND mainWindow, const SettingsFile& settings);

// A Verify window, owned by the main window, checking `checksumPath`.
HWND OpenVerifyWindow(HWND mainWindow, const std::wstring& checksumPath, const SettingsFile& settings);

} // namespace vesk
