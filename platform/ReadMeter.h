// A count of the bytes every file read of the process has given, for a speed
// figure: the reader of the count takes two readings and divides by the time
// between them. Any thread may read files and the count at once.
#pragma once

#include <cstdint>

namespace vesk::platform {

void CountBytesRead(uint64_t byteCount);
uint64_t BytesReadSoFar();

} // namespace vesk::platform
