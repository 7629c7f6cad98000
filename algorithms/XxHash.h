// The xxHash family of non-cryptographic hashes, bound to the xxHash library
// (0.8 or later): XXH32 and XXH64 with seed 0, and XXH3 in its 64-bit and
// 128-bit forms with seed 0 and the library's default secret.
//
//     XxHash3Context context;
//     Xxh3Init(&context);
//     Xxh3Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kXxh128DigestBytes];
//     Xxh128Final(&context, digest);           // 99AA06D3... for no input
//
// The contexts are the library's own streaming states, held by value. XXH3
// and XXH128 share the state type, init and update and differ only in final.
// Every digest is written most significant byte first, the library's
// canonical form.
#pragma once

#ifndef XXH_STATIC_LINKING_ONLY
#define XXH_STATIC_LINKING_ONLY // makes the state types complete, so they can be held by value
#endif
#include <xxhash.h>

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kXxh32DigestBytes = 4;
inline constexpr uint32_t kXxh64DigestBytes = 8;
inline constexpr uint32_t kXxh3DigestBytes = 8;
inline constexpr uint32_t kXxh128DigestBytes = 16;

using XxHash32Context = XXH32_state_t;
using XxHash64Context = XXH64_state_t;
using XxHash3Context = XXH3_state_t; // declared 64-byte aligned by the library

// Each Init puts the context into its start state, whatever it held. Each
// Update takes byteCount more bytes; if byteCount is 0, data may be null.
// Final writes the digest; the context is then spent until the next Init.
void Xxh32Init(XxHash32Context* context);
void Xxh32Update(XxHash32Context* context, const uint8_t* data, uint64_t byteCount);
void Xxh32Final(XxHash32Context* context, uint8_t* digest);

void Xxh64Init(XxHash64Context* context);
void Xxh64Update(XxHash64Context* context, const uint8_t* data, uint64_t byteCount);
void Xxh64Final(XxHash64Context* context, uint8_t* digest);

// For both XXH3 (64-bit) and XXH128.
void Xxh3Init(XxHash3Context* context);
void Xxh3Update(XxHash3Context* context, const uint8_t* data, uint64_t byteCount);
// Writes the 64-bit XXH3 digest.
void Xxh3Final(XxHash3Context* context, uint8_t* digest);
// Writes the 128-bit digest: the high 64 bits, then the low 64 bits.
void Xxh128Final(XxHash3Context* context, uint8_t* digest);

} // namespace vesk
