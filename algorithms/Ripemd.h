// The RIPEMD family of Dobbertin, Bosselaers and Preneel: RIPEMD-128 and
// RIPEMD-160 (ISO/IEC 10118-3) and their wider forms RIPEMD-256 and RIPEMD-320,
// which keep the two parallel lines apart to double the result. All four pad
// like MD4 and read the message as little-endian 32-bit words.
//
//     Ripemd160Context context;
//     Ripemd160Init(&context);
//     Ripemd160Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kRipemd160DigestBytes];
//     Ripemd160Final(&context, digest);             // 8EB208F7... for "abc"
//
// The other three sizes work the same way with their own context and functions.
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kRipemd128DigestBytes = 16;
inline constexpr uint32_t kRipemd160DigestBytes = 20;
inline constexpr uint32_t kRipemd256DigestBytes = 32;
inline constexpr uint32_t kRipemd320DigestBytes = 40;

// The four contexts differ only in the size of the chaining state.
struct Ripemd128Context {
    uint32_t state[4];      // chaining value
    uint8_t block[64];      // input waiting for a full block
    uint64_t bufferedBytes; // bytes in block, 0 to 63 between calls
    uint64_t messageBytes;  // total message length so far
};

struct Ripemd160Context {
    uint32_t state[5];
    uint8_t block[64];
    uint64_t bufferedBytes;
    uint64_t messageBytes;
};

struct Ripemd256Context {
    uint32_t state[8]; // words 0-3 from the left line, 4-7 from the right line
    uint8_t block[64];
    uint64_t bufferedBytes;
    uint64_t messageBytes;
};

struct Ripemd320Context {
    uint32_t state[10]; // words 0-4 from the left line, 5-9 from the right line
    uint8_t block[64];
    uint64_t bufferedBytes;
    uint64_t messageBytes;
};

// Init puts a context, whatever it held, into the start state.
// Update takes any number of bytes; if byteCount is 0, data may be null.
// Final writes the state words in order, each least significant byte first
// (16, 20, 32 or 40 bytes); the context is spent afterwards.
void Ripemd128Init(Ripemd128Context* context);
void Ripemd128Update(Ripemd128Context* context, const uint8_t* data, uint64_t byteCount);
void Ripemd128Final(Ripemd128Context* context, uint8_t* digest);

void Ripemd160Init(Ripemd160Context* context);
void Ripemd160Update(Ripemd160Context* context, const uint8_t* data, uint64_t byteCount);
void Ripemd160Final(Ripemd160Context* context, uint8_t* digest);

void Ripemd256Init(Ripemd256Context* context);
void Ripemd256Update(Ripemd256Context* context, const uint8_t* data, uint64_t byteCount);
void Ripemd256Final(Ripemd256Context* context, uint8_t* digest);

void Ripemd320Init(Ripemd320Context* context);
void Ripemd320Update(Ripemd320Context* context, const uint8_t* data, uint64_t byteCount);
void Ripemd320Final(Ripemd320Context* context, uint8_t* digest);

} // namespace vesk
