// The result list's font, described by the "Font" setting.
#pragma once

#include "app/Settings.h"

#include <windows.h>

#include "ui/Handles.h"

namespace vesk {

// The font the "Font" setting names, at the screen's resolution.
FontOwner CreateListFont(const SettingsFile& settings);

// The system's font dialog, starting from `current`. On OK, writes the choice
// as "Font" and gives the new font; on cancel, gives none and writes nothing.
FontOwner ChooseListFont(HWND owner, HFONT current, const SettingsFile& settings);

} // namespace vesk
