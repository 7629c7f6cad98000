// What each algorithm costs per byte, relative to the others, on the code
// path it takes now: the file hashing job splits a file's algorithms over
// threads so that each thread gets about the same share.
#pragma once

#include "core/AlgorithmTable.h"

#include <cstdint>

namespace vesk {

// Nanoseconds to hash 1 KiB with the algorithm's active code path, as
// measured on one machine. Only the ratios matter.
uint32_t AlgorithmCost(AlgorithmId id);

// Nanoseconds to read 1 KiB of a file from the system's cache into memory,
// on the same scale.
inline constexpr uint32_t kReadCost = 140;

} // namespace vesk
