// What BLAKE2b, BLAKE2s, their vector code and BLAKE3 share: the initial
// vectors, the message schedule and the 32-bit mixing function.
#pragma once

#include <bit>
#include <cstdint>

namespace vesk {

// RFC 7693, section 2.6: the initial vectors, those of SHA-512 and SHA-256.
inline constexpr uint64_t kBlake2bIv[8] = {
    0x6A09E667F3BCC908, 0xBB67AE8584CAA73B, 0x3C6EF372FE94F82B, 0xA54FF53A5F1D36F1,
    0x510E527FADE682D1, 0x9B05688C2B3E6C1F, 0x1F83D9ABFB41BD6B, 0x5BE0CD19137E2179,
};
inline constexpr uint32_t kBlake2sIv[8] = {
    0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A, 0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19,
};

// RFC 7693, section 2.7: the message schedule, one row per round; BLAKE2b's
// rounds 10 and 11 reuse rows 0 and 1.
inline constexpr uint8_t kBlake2Sigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4},
    {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13},
    {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11},
    {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5},
    {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
};

// The mixing function G of RFC 7693, section 3.1, with the BLAKE2s rotations;
// BLAKE3 mixes with the same function.
inline void Blake2sMix(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t x, uint32_t y) {
    a = a + b + x;
    d = std::rotr(d ^ a, 16);
    c = c + d;
    b = std::rotr(b ^ c, 12);
    a = a + b + y;
    d = std::rotr(d ^ a, 8);
    c = c + d;
    b = std::rotr(b ^ c, 7);
}

} // namespace vesk
