// GOST R 34.11-94 (RFC 5831), the 256-bit Russian standard digest built on the
// GOST 28147-89 block cipher, with the S-boxes of the test parameter set
// (id-GostR3411-94-TestParamSet, RFC 4357), not the CryptoPro ones.
//
//     GostContext context;
//     GostInit(&context);
//     GostUpdate(&context, data, byteCount);   // any number of times
//     uint8_t digest[kGostDigestBytes];
//     GostFinal(&context, digest);             // F3134348... for "abc"
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kGostDigestBytes = 32;
inline constexpr uint32_t kGostBlockBytes = 32;

struct GostContext {
    uint32_t sum[8];                 // control sum: all blocks added as 256-bit numbers, word 0 lowest
    uint32_t hash[8];                // chaining value, word 0 lowest
    uint32_t length[8];              // message bits as a 256-bit number; only words 0 and 1 are used
    uint8_t buffer[kGostBlockBytes]; // the partial (or last whole) block
    uint64_t bufferCount;            // bytes in buffer, 0 to 32
};

// Puts the context into the start state (all zero), whatever it held before.
void GostInit(GostContext* context);
// Appends byteCount bytes to the message. If byteCount is 0, data may be null.
void GostUpdate(GostContext* context, const uint8_t* data, uint64_t byteCount);
// Finishes the message (last partial block, length, control sum), writes the
// 32-byte digest (word 0 first, each least significant byte first) and leaves
// the context spent: call GostInit before reusing it.
void GostFinal(GostContext* context, uint8_t* digest);

} // namespace vesk
