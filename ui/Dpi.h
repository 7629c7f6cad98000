// Dots per inch of a window, and sizes given at 96 DPI (100%) scaled to it.
// The program declares itself aware of each monitor's DPI: a window moved to
// a monitor of another DPI hears WM_DPICHANGED and lays itself out again.
#pragma once

#include "core/ColumnTable.h"

#include <windows.h>

namespace vesk {

// The DPI the window is shown at: GetDpiForWindow where the system has it,
// else the screen's.
UINT WindowDpi(HWND window);

// A length at 96 DPI in pixels at `dpi`, rounded to the nearest pixel.
inline int ScaleForDpi(int length, UINT dpi) {
    return MulDiv(length, int(dpi), int(kBaseDpi));
}

} // namespace vesk
