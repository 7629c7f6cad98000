// BLAKE2 hashes, unkeyed and at full length: BLAKE2b-512 and BLAKE2s-256 of
// RFC 7693, and their parallel tree modes BLAKE2bp (four BLAKE2b leaves under a
// BLAKE2b root) and BLAKE2sp (eight BLAKE2s leaves under a BLAKE2s root), as in
// the BLAKE2 paper and the designers' reference code.
//
//     Blake2bContext context;
//     Blake2bInit(&context);
//     Blake2bUpdate(&context, data, byteCount);   // any number of times
//     uint8_t digest[kBlake2bDigestBytes];
//     Blake2bFinal(&context, digest);             // BA80A53F... for "abc"
//
// The other three variants work the same way with their own context and
// digest size. Every operation is total: Update takes any byte count, 0
// included, and Final leaves the context spent (Init it again to reuse it).
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kBlake2bDigestBytes = 64;
inline constexpr uint32_t kBlake2bBlockBytes = 128;
inline constexpr uint32_t kBlake2bpLeafCount = 4;
inline constexpr uint32_t kBlake2sDigestBytes = 32;
inline constexpr uint32_t kBlake2sBlockBytes = 64;
inline constexpr uint32_t kBlake2spLeafCount = 8;
// Both tree modes deal the message out to their leaves one leaf block at a
// time, so one round over all leaves covers 512 bytes.
inline constexpr uint32_t kBlake2StripeBytes = 512;

struct Blake2bContext {
    uint64_t h[8];                     // chaining value
    uint8_t block[kBlake2bBlockBytes]; // the newest input, held back until it is known not to be the last
    uint64_t counter;                  // bytes taken in so far; counter mod 128 (or 128) of them are in block
    uint64_t lastNode;                 // all ones for the last node of a tree level, else 0
};

struct Blake2bpContext {
    Blake2bContext leaves[kBlake2bpLeafCount];
    uint32_t stripePosition; // offset of the next byte within its 512-byte stripe
};

struct Blake2sContext {
    uint32_t h[8];                     // chaining value
    uint32_t t[2];                     // bytes compressed so far, low word first
    uint32_t f[2];                     // finalisation flags, 0 until the last compression
    uint8_t block[kBlake2sBlockBytes]; // buffered input; a full block waits for more input or the end
    uint32_t fill;                     // bytes in block, 0 to 64
    uint32_t lastNode;                 // all ones for the last node of a tree level, else 0
};

struct Blake2spContext {
    Blake2sContext leaves[kBlake2spLeafCount];
    uint32_t stripePosition; // offset of the next byte within its 512-byte stripe
};

// Init puts the context into the start state, whatever it held.
// Update hashes byteCount more bytes; if byteCount is 0, data may be null.
// Final writes the full digest (64 bytes for BLAKE2b and BLAKE2bp, 32 for
// BLAKE2s and BLAKE2sp) and leaves the context spent.

void Blake2bInit(Blake2bContext* context);
void Blake2bUpdate(Blake2bContext* context, const uint8_t* data, uint64_t byteCount);
void Blake2bFinal(Blake2bContext* context, uint8_t* digest);

void Blake2bpInit(Blake2bpContext* context);
void Blake2bpUpdate(Blake2bpContext* context, const uint8_t* data, uint64_t byteCount);
void Blake2bpFinal(Blake2bpContext* context, uint8_t* digest);

void Blake2sInit(Blake2sContext* context);
void Blake2sUpdate(Blake2sContext* context, const uint8_t* data, uint64_t byteCount);
void Blake2sFinal(Blake2sContext* context, uint8_t* digest);

void Blake2spInit(Blake2spContext* context);
void Blake2spUpdate(Blake2spContext* context, const uint8_t* data, uint64_t byteCount);
void Blake2spFinal(Blake2spContext* context, uint8_t* digest);

} // namespace vesk
