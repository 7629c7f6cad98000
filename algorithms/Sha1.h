// SHA-1 of FIPS 180-4: 160-bit digest over 64-byte blocks, big-endian words.
//
//     Sha1Context context;
//     Sha1Init(&context);
//     Sha1Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kSha1DigestBytes];
//     Sha1Final(&context, digest);             // A9993E36... for "abc"
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kSha1DigestBytes = 20;
inline constexpr uint32_t kSha1BlockBytes = 64;

struct Sha1Context {
    uint32_t byteCount[2];           // message bytes so far: low word, high word
    uint32_t state[5];               // chaining value H0..H4
    uint8_t buffer[kSha1BlockBytes]; // the partial block, byteCount % 64 bytes of it used
};

// Puts the context into the start state, whatever it held.
void Sha1Init(Sha1Context* context);
// Adds byteCount message bytes; any 64-bit count. If byteCount is 0, data may be null.
void Sha1Update(Sha1Context* context, const uint8_t* data, uint64_t byteCount);
// Pads, writes the 20-byte digest and leaves the context spent (Init to reuse it).
void Sha1Final(Sha1Context* context, uint8_t* digest);

} // namespace vesk
