// The four fixed-length hash functions of FIPS 202: SHA3-224, SHA3-256,
// SHA3-384 and SHA3-512. They share one sponge over the Keccak-f[1600]
// permutation and differ only in the capacity (and so the rate, the bytes taken
// per permutation) and the digest length.
//
//     Sha3Context context;
//     Sha3Init256(&context);
//     Sha3Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kSha3_256DigestBytes];
//     Sha3Final256(&context, digest);          // 3A985DA7... for "abc"
//
// Update is the same for all four; Init and Final must belong to the same variant.
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kSha3_224DigestBytes = 28;
inline constexpr uint32_t kSha3_256DigestBytes = 32;
inline constexpr uint32_t kSha3_384DigestBytes = 48;
inline constexpr uint32_t kSha3_512DigestBytes = 64;

// The largest rate the sponge holds: a capacity of 64 bits.
inline constexpr uint32_t kSha3MaxRateBytes = 192;

struct Sha3Context {
    uint64_t state[25];               // lane x + 5y of the Keccak state, its first byte least significant
    uint8_t queue[kSha3MaxRateBytes]; // input waiting for a full rate block
    uint32_t rate;                    // bytes absorbed per permutation: 200 - capacity / 8
    uint64_t queuePosition;           // bytes in the queue; after final, output bytes left in the state
};

// Each puts the context into the start state of its variant, whatever it held.
void Sha3Init224(Sha3Context* context);
void Sha3Init256(Sha3Context* context);
void Sha3Init384(Sha3Context* context);
void Sha3Init512(Sha3Context* context);

// Absorbs byteCount bytes, for any variant. If byteCount is 0, data may be null.
void Sha3Update(Sha3Context* context, const uint8_t* data, uint64_t byteCount);

// Pads the message, then writes the digest (28, 32, 48 or 64 bytes). The
// context is then spent: start again with an Init.
void Sha3Final224(Sha3Context* context, uint8_t* digest);
void Sha3Final256(Sha3Context* context, uint8_t* digest);
void Sha3Final384(Sha3Context* context, uint8_t* digest);
void Sha3Final512(Sha3Context* context, uint8_t* digest);

} // namespace vesk
