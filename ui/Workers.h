// Worker threads: each intake request runs on a thread of its own, started
// detached and never joined, which hashes through the main window's sink and
// frees the request when it is done.
#pragma once

#include "app/Intake.h"

#include <windows.h>

namespace vesk {

// False when the thread cannot be started; the request is then dropped.
bool StartWorker(HWND mainWindow, IntakeRequest request);

} // namespace vesk
