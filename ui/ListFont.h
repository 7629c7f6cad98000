// The result list's font, described by the "Font" setting.
#pragma once

#include "app/Settings.h"

#include <windows.h>

#include "ui/Handles.h"

namespace vesk {

// The font the "Font" setting names, at `dpi` (the list's window's).
FontOwner CreateListFont(const SettingsFile& settings, UINT dpi);

// The system's font dialog, starting from the setting. On OK, writes the choice
// as "Font" and gives the new font at `dpi`; on cancel, gives none and writes nothing.
FontOwner ChooseListFont(HWND owner, const SettingsFile& settings, UINT dpi);

} // namespace vesk
