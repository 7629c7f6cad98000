// Edon-R, the quasigroup hash of Gligoroski et al. as submitted to the first
// round of the SHA-3 competition (not the later tweaked Edon-R'). A 32-bit
// engine on 64-byte blocks serves Edon-R 224 and 256; a 64-bit engine on
// 128-byte blocks serves Edon-R 384 and 512. Within an engine the two sizes
// differ only in the initial double pipe and in how many of its last bytes form
// the digest. Words are little-endian throughout.
//
//     EdonR256Context context;
//     EdonR224Init(&context);                      // or EdonR256Init
//     EdonR256Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kEdonR224DigestBytes];
//     EdonR256Final(&context, digest);             // writes context.digestLength bytes
//
// Edon-R 384 and 512 work the same way with EdonR512Context, EdonR384Init or
// EdonR512Init, EdonR512Update and EdonR512Final.
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kEdonR224DigestBytes = 28;
inline constexpr uint32_t kEdonR256DigestBytes = 32;
inline constexpr uint32_t kEdonR384DigestBytes = 48;
inline constexpr uint32_t kEdonR512DigestBytes = 64;

struct EdonR256Context {
    uint8_t block[64];     // buffered input of the current block
    uint32_t pipe[16];     // the double chaining pipe P
    uint64_t length;       // message bytes taken in so far
    uint32_t digestLength; // 28 or 32: the bytes Final writes
};

struct EdonR512Context {
    uint8_t block[128];
    uint64_t pipe[16];
    uint64_t length;
    uint32_t digestLength; // 48 or 64
};

// Init puts a context, whatever it held, into the start state of that size.
void EdonR224Init(EdonR256Context* context);
void EdonR256Init(EdonR256Context* context);
void EdonR384Init(EdonR512Context* context);
void EdonR512Init(EdonR512Context* context);

// Update takes any number of bytes; if byteCount is 0, data may be null.
void EdonR256Update(EdonR256Context* context, const uint8_t* data, uint64_t byteCount);
void EdonR512Update(EdonR512Context* context, const uint8_t* data, uint64_t byteCount);

// Final writes the last digestLength bytes of the pipe (each word least
// significant byte first); the context is spent afterwards.
void EdonR256Final(EdonR256Context* context, uint8_t* digest);
void EdonR512Final(EdonR512Context* context, uint8_t* digest);

} // namespace vesk
