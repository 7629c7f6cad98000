// MD5 of RFC 1321: a 128-bit digest over 64-byte blocks, words little-endian.
//
//     Md5Context context;
//     Md5Init(&context);
//     Md5Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kMd5DigestBytes];
//     Md5Final(&context, digest);             // 900150983CD24FB0D6963F7D28E17F72 for "abc"
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kMd5DigestBytes = 16;
inline constexpr uint32_t kMd5BlockBytes = 64;

struct Md5Context {
    uint32_t count[2];               // message length in bits modulo 2^64, low word first
    uint32_t state[4];               // chaining value A, B, C, D
    uint8_t buffer[kMd5BlockBytes];  // the unfinished block, (count / 8) mod 64 bytes of it
    uint8_t digest[kMd5DigestBytes]; // the result, written by Md5Final
};

// Sets the initial chaining value of RFC 1321 and a zero length.
void Md5Init(Md5Context* context);
// Adds byteCount bytes, any number. If byteCount is 0, data may be null.
void Md5Update(Md5Context* context, const uint8_t* data, uint64_t byteCount);
// Pads, writes the 16 digest bytes to context->digest and to digest. The
// context is spent: call Md5Init before hashing another message.
void Md5Final(Md5Context* context, uint8_t* digest);

} // namespace vesk
