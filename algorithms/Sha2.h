// SHA-224, SHA-256, SHA-384 and SHA-512 of FIPS 180-4. SHA-224 is SHA-256 with
// its own initial value and a digest cut to 28 bytes; SHA-384 is SHA-512 with
// its own initial value cut to 48 bytes. Each pair shares context and Update.
//
//     Sha256Context context;
//     Sha256Init(&context);                     // Sha224Init for SHA-224
//     Sha256Update(&context, data, byteCount);  // any number of times
//     uint8_t digest[kSha256DigestBytes];
//     Sha256Final(&context, digest);            // BA7816BF... for "abc"
//
// The SHA-512 pair works the same way with Sha512Context, Sha384Init or
// Sha512Init, Sha512Update and Sha384Final or Sha512Final.
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kSha224DigestBytes = 28;
inline constexpr uint32_t kSha256DigestBytes = 32;
inline constexpr uint32_t kSha384DigestBytes = 48;
inline constexpr uint32_t kSha512DigestBytes = 64;
inline constexpr uint32_t kSha256BlockBytes = 64;
inline constexpr uint32_t kSha512BlockBytes = 128;

// For SHA-224 and SHA-256.
struct Sha256Context {
    uint32_t byteCount[2];             // message bytes so far: low word, high word
    uint32_t state[8];                 // chaining value H0..H7
    uint8_t buffer[kSha256BlockBytes]; // the partial block, byteCount % 64 bytes of it used
};

// For SHA-384 and SHA-512.
struct Sha512Context {
    uint64_t byteCount[2];             // message bytes so far: low word, high word (128 bits)
    uint64_t state[8];                 // chaining value H0..H7
    uint8_t buffer[kSha512BlockBytes]; // the partial block, byteCount % 128 bytes of it used
};

// Put the context into the start state of that variant, whatever it held.
void Sha224Init(Sha256Context* context);
void Sha256Init(Sha256Context* context);
// Adds byteCount message bytes; any 64-bit count. If byteCount is 0, data may be null.
void Sha256Update(Sha256Context* context, const uint8_t* data, uint64_t byteCount);
// Pad, write the 28- or 32-byte digest and leave the context spent (Init to reuse it).
void Sha224Final(Sha256Context* context, uint8_t* digest);
void Sha256Final(Sha256Context* context, uint8_t* digest);

void Sha384Init(Sha512Context* context);
void Sha512Init(Sha512Context* context);
// Adds byteCount message bytes; any 64-bit count. If byteCount is 0, data may be null.
void Sha512Update(Sha512Context* context, const uint8_t* data, uint64_t byteCount);
// Pad, write the 48- or 64-byte digest and leave the context spent (Init to reuse it).
void Sha384Final(Sha512Context* context, uint8_t* digest);
void Sha512Final(Sha512Context* context, uint8_t* digest);

} // namespace vesk
