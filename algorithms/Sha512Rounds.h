// The 80 rounds of the SHA-384/512 compression function (FIPS 180-4 section
// 6.4.2, steps 2 to 4), shared by the portable code and the vector code that
// makes the message schedule beside them. Macros, because GCC calls functions
// of this size instead of inlining them 80 times, at half the speed; expanded
// inside a function with a target attribute, they take its instructions
// (BMI2's RORX for the rotations).
//
// The function that expands SHA512_COMPRESS_BLOCK declares `uint64_t* state`
// and two macros of its own: WK(t), the value of W[t] + K[t], and
// BETWEEN_ROUNDS(j), run after every second round with j = 0 to 39.
#pragma once

#include <bit>
#include <cstdint>

// One round without its seven moves: T1 goes into d and the new a into h, so
// the caller names the variables in turn. Maj(a, b, c) = b ^ ((a ^ b) & (b ^ c)),
// and this round's b ^ c is the last round's a ^ b (kept in bc), so each
// round forms one XOR for it; Ch(e, f, g) = g ^ (e & (f ^ g)).
#define SHA512_ROUND(a, b, c, d, e, f, g, h, t)                                                              \
    do {                                                                                                     \
        const uint64_t t1 =                                                                                  \
            h + WK(t) + (g ^ (e & (f ^ g))) + (std::rotr(e, 14) ^ std::rotr(e, 18) ^ std::rotr(e, 41));      \
        const uint64_t ab = a ^ b;                                                                           \
        d += t1;                                                                                             \
        h = t1 + (std::rotr(a, 28) ^ std::rotr(a, 34) ^ std::rotr(a, 39)) + (b ^ (ab & bc));                 \
        bc = ab;                                                                                             \
    } while (0)

// After eight rounds every variable is back under its own name, so the 80
// rounds unroll into 10 groups with no moves.
#define SHA512_EIGHT_ROUNDS(t)                                                                               \
    SHA512_ROUND(a, b, c, d, e, f, g, h, t);                                                                 \
    SHA512_ROUND(h, a, b, c, d, e, f, g, t + 1);                                                             \
    BETWEEN_ROUNDS(t / 2);                                                                                   \
    SHA512_ROUND(g, h, a, b, c, d, e, f, t + 2);                                                             \
    SHA512_ROUND(f, g, h, a, b, c, d, e, t + 3);                                                             \
    BETWEEN_ROUNDS(t / 2 + 1);                                                                               \
    SHA512_ROUND(e, f, g, h, a, b, c, d, t + 4);                                                             \
    SHA512_ROUND(d, e, f, g, h, a, b, c, t + 5);                                                             \
    BETWEEN_ROUNDS(t / 2 + 2);                                                                               \
    SHA512_ROUND(c, d, e, f, g, h, a, b, t + 6);                                                             \
    SHA512_ROUND(b, c, d, e, f, g, h, a, t + 7);                                                             \
    BETWEEN_ROUNDS(t / 2 + 3)

// The rounds of one block and the feed-forward into `state`.
#define SHA512_COMPRESS_BLOCK()                                                                              \
    do {                                                                                                     \
        uint64_t a = state[0], b = state[1], c = state[2], d = state[3];                                     \
        uint64_t e = state[4], f = state[5], g = state[6], h = state[7];                                     \
        uint64_t bc = b ^ c;                                                                                 \
        SHA512_EIGHT_ROUNDS(0);                                                                              \
        SHA512_EIGHT_ROUNDS(8);                                                                              \
        SHA512_EIGHT_ROUNDS(16);                                                                             \
        SHA512_EIGHT_ROUNDS(24);                                                                             \
        SHA512_EIGHT_ROUNDS(32);                                                                             \
        SHA512_EIGHT_ROUNDS(40);                                                                             \
        SHA512_EIGHT_ROUNDS(48);                                                                             \
        SHA512_EIGHT_ROUNDS(56);                                                                             \
        SHA512_EIGHT_ROUNDS(64);                                                                             \
        SHA512_EIGHT_ROUNDS(72);                                                                             \
        state[0] += a;                                                                                       \
        state[1] += b;                                                                                       \
        state[2] += c;                                                                                       \
        state[3] += d;                                                                                       \
        state[4] += e;                                                                                       \
        state[5] += f;                                                                                       \
        state[6] += g;                                                                                       \
        state[7] += h;                                                                                       \
    } while (0)
