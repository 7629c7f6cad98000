// The Benchmark dialog: the "&Benchmark" button measures every algorithm on a
// 50 MiB buffer on a worker thread, one row per algorithm as it finishes; the
// rows sort by either column. Modal; nothing is stored.
#pragma once

#include <windows.h>

namespace vesk {

void ShowBenchmarkDialog(HWND owner);

// Runs whose workers have not ended yet, whether their dialogs are open or
// closed. A run whose dialog closes stops after the algorithm it is timing.
int BenchmarkRunsInProgress();

} // namespace vesk
