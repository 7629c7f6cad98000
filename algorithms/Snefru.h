// Snefru (Merkle, 1990) with 8 passes, in its two sizes: Snefru-128 takes
// 48-byte message blocks, Snefru-256 32-byte ones; each block is hashed with the
// chaining value into one 512-bit input of the Snefru permutation. The message
// is zero-filled to a whole block and followed by a block holding its length.
//
//     SnefruContext context;
//     Snefru256Init(&context);                   // or Snefru128Init
//     SnefruUpdate(&context, data, byteCount);   // any number of times
//     uint8_t digest[kSnefru256DigestBytes];     // context.digestLength bytes
//     SnefruFinal(&context, digest);             // 8617F366...B2BE5881 for ""
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kSnefru128DigestBytes = 16;
inline constexpr uint32_t kSnefru256DigestBytes = 32;
inline constexpr uint32_t kSnefruInputBytes = 64; // chaining value and message block together

struct SnefruContext {
    uint32_t h[8];                                             // chaining value; Snefru-128 uses h[0..3]
    uint8_t buffer[kSnefruInputBytes - kSnefru128DigestBytes]; // the partial block
    uint64_t length;                                           // message bytes so far
    uint32_t bufferCount;                                      // bytes in the buffer
    uint32_t digestLength;                                     // 16 or 32; the block is 64 minus this
};

void Snefru128Init(SnefruContext* context);
void Snefru256Init(SnefruContext* context);
// Absorbs byteCount bytes. If byteCount is 0, data may be null.
void SnefruUpdate(SnefruContext* context, const uint8_t* data, uint64_t byteCount);
// Pads, and writes the first digestLength / 4 chaining words, each most
// significant byte first. The context must be initialised again before further use.
void SnefruFinal(SnefruContext* context, uint8_t* digest);

} // namespace vesk
