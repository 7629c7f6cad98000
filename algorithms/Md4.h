// MD4 of RFC 1320: a 128-bit digest over 64-byte blocks, words little-endian.
//
//     Md4Context context;
//     Md4Init(&context);
//     Md4Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kMd4DigestBytes];
//     Md4Final(&context, digest);             // A448017AAF21D8525FC10AE87AA6729D for "abc"
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kMd4DigestBytes = 16;
inline constexpr uint32_t kMd4BlockBytes = 64;

struct Md4Context {
    uint32_t state[4];              // chaining value A, B, C, D
    uint32_t count[2];              // message length in bits modulo 2^64, low word first
    uint8_t buffer[kMd4BlockBytes]; // the unfinished block, (count / 8) mod 64 bytes of it
};

// Sets the initial chaining value of RFC 1320 and a zero length.
void Md4Init(Md4Context* context);
// Adds byteCount bytes, any number. If byteCount is 0, data may be null.
void Md4Update(Md4Context* context, const uint8_t* data, uint64_t byteCount);
// Pads, writes the 16 digest bytes and zeroes the context: call Md4Init before
// hashing another message.
void Md4Final(Md4Context* context, uint8_t* digest);

} // namespace vesk
