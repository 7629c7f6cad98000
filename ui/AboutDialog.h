// The About box and the help page. Vesk's help is an HTML page installed
// beside the program (vesk-help.html); Help and the About box's link open it
// in the desktop's browser.
#pragma once

#include <windows.h>

#include <string>

namespace vesk {

// The About box: icon, "Vesk VERSION (x64) DATE", the help page's address as
// a link, and the notice line. Modal.
void ShowAboutDialog(HWND owner);

// The help page's full path: vesk-help.html in the program's folder.
std::wstring HelpPagePath();

// Opens the help page with the desktop's "open" action; a failure is silent.
void OpenHelpPage();

} // namespace vesk
