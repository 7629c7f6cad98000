// Stopping the running hashing jobs: File > Stop, closing the window, Ctrl+C
// at a console. A stop reaches every job that started before it; a job started
// after it runs as usual.
//
//     const uint64_t started = StopGeneration();   // when a job starts
//     ...
//     if (StoppedSince(started)) return;           // before each piece
#pragma once

#include <cstdint>

namespace vesk {

// The number of stops so far.
uint64_t StopGeneration();

// Stops every job started until now. Safe in a signal handler and from any thread.
void StopRunningJobs();

// True once StopRunningJobs was called after `generation` was read.
bool StoppedSince(uint64_t generation);

} // namespace vesk
