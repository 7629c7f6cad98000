// Whirlpool (Barreto and Rijmen), the final version of ISO/IEC 10118-3:2004:
// a 512-bit block cipher W of 10 rounds in the Miyaguchi-Preneel mode, over
// 64-byte blocks of big-endian words, the message padded with 0x80 and a
// 256-bit length.
//
//     WhirlpoolContext context;
//     WhirlpoolInit(&context);
//     WhirlpoolUpdate(&context, data, byteCount);   // any number of times
//     uint8_t digest[kWhirlpoolDigestBytes];
//     WhirlpoolFinal(&context, digest);             // 19FA61D7...42A66EB3 for ""
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kWhirlpoolDigestBytes = 64;
inline constexpr uint32_t kWhirlpoolBlockBytes = 64;

struct WhirlpoolContext {
    uint64_t h[8];                        // chaining value
    uint8_t buffer[kWhirlpoolBlockBytes]; // the partial block, length % 64 bytes of it in use
    uint64_t length;                      // message bytes so far
};

void WhirlpoolInit(WhirlpoolContext* context);
// Absorbs byteCount bytes. If byteCount is 0, data may be null.
void WhirlpoolUpdate(WhirlpoolContext* context, const uint8_t* data, uint64_t byteCount);
// Pads, and writes the eight chaining words, each most significant byte first.
// The context must be initialised again before further use.
void WhirlpoolFinal(WhirlpoolContext* context, uint8_t* digest);

} // namespace vesk
