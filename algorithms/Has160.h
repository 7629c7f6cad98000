// HAS-160, the 160-bit digest of the Korean TTA standard TTAS.KO-12.0011/R2
// (designed for the KCDSA signature scheme): 64-byte blocks, little-endian
// message words and length, 80 steps in four rounds.
//
//     Has160Context context;
//     Has160Init(&context);
//     Has160Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kHas160DigestBytes];
//     Has160Final(&context, digest);             // 975E8104... for "abc"
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kHas160DigestBytes = 20;
inline constexpr uint32_t kHas160BlockBytes = 64;

struct Has160Context {
    uint8_t block[kHas160BlockBytes]; // the block being filled, read as 16 little-endian words
    uint64_t byteCount;               // message bytes so far
    uint32_t state[5];                // chaining value
};

// Puts the context into the start state, whatever it held before.
void Has160Init(Has160Context* context);
// Appends byteCount bytes to the message. If byteCount is 0, data may be null.
void Has160Update(Has160Context* context, const uint8_t* data, uint64_t byteCount);
// Pads the message, writes the 20-byte digest (each state word least significant
// byte first) and leaves the context spent: call Has160Init before reusing it.
void Has160Final(Has160Context* context, uint8_t* digest);

} // namespace vesk
