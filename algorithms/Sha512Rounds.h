// The 80 rounds of the SHA-384/512 compression function (FIPS 180-4 section
// 6.4.2, steps 2 to 4), shared by the portable code and the vector code that
// makes the message schedule beside them. Macros, because GCC calls functions
// of this size instead of inlining them 80 times, at half the speed; expanded
// inside a function with a target attribute, they take its instructions
// (BMI2's RORX for the rotations).
//
// The function that expands SHA512_COMPRESS_BLOCK(round) declares `uint64_t*
// state` and two macros of its own: WK(t), the value of W[t] + K[t], and
// BETWEEN_ROUNDS(j), run after every second round with j = 0 to 39. `round` is
// SHA512_ROUND or SHA512_ROUND_SHORT_CHAIN, whichever measures faster there.
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

// Keeps GCC from regrouping a sum: the value passes through an empty asm
// statement, so the additions after it cannot be moved before it.
#if defined(__GNUC__)
#define SHA512_KEEP(x) __asm__("" : "+r"(x))
#else
#define SHA512_KEEP(x) (void)0
#endif

// The same round with a shorter chain from one round to the next. The new e
// and a hang on the last ones through Sigma, three steps deep, and SHA512_ROUND
// adds two values after it (T1, then T1 to d); here everything else is summed
// first, so one addition follows Sigma:
//     e' = (d + h + W[t] + K[t] + Ch(e, f, g)) + S1(e)
//     a' = ((e' - d + (b & c)) + (a & (b ^ c))) + S0(a)
// since T1 = e' - d, and Maj(a, b, c) = (b & c) + (a & (b ^ c)), the two never
// having a bit set in the same place. It takes more instructions than
// SHA512_ROUND, and where the vector schedule leaves the integer registers
// alone (the AVX-512 version) it is about 10 % faster on AMD Zen 5; in the
// portable and AVX2 versions, which keep more of their schedule in integer
// registers or spill vectors beside the rounds, it measured slower there.
#define SHA512_ROUND_SHORT_CHAIN(a, b, c, d, e, f, g, h, t)                                                  \
    do {                                                                                                     \
        const uint64_t s1 = std::rotr(e, 14) ^ std::rotr(e, 18) ^ std::rotr(e, 41);                          \
        const uint64_t s0 = std::rotr(a, 28) ^ std::rotr(a, 34) ^ std::rotr(a, 39);                          \
        uint64_t maj = (b & c) - d;                                                                          \
        uint64_t sum = d + (h + WK(t)) + (g ^ (e & (f ^ g)));                                                \
        SHA512_KEEP(sum);                                                                                    \
        d = sum + s1;                                                                                        \
        maj += a & (b ^ c);                                                                                  \
        SHA512_KEEP(maj);                                                                                    \
        maj += d;                                                                                            \
        SHA512_KEEP(maj);                                                                                    \
        h = maj + s0;                                                                                        \
        (void)bc;                                                                                            \
    } while (0)

// After eight rounds every variable is back under its own name, so the 80
// rounds unroll into 10 groups with no moves.
#define SHA512_EIGHT_ROUNDS(round, t)                                                                        \
    round(a, b, c, d, e, f, g, h, t);                                                                        \
    round(h, a, b, c, d, e, f, g, t + 1);                                                                    \
    BETWEEN_ROUNDS(t / 2);                                                                                   \
    round(g, h, a, b, c, d, e, f, t + 2);                                                                    \
    round(f, g, h, a, b, c, d, e, t + 3);                                                                    \
    BETWEEN_ROUNDS(t / 2 + 1);                                                                               \
    round(e, f, g, h, a, b, c, d, t + 4);                                                                    \
    round(d, e, f, g, h, a, b, c, t + 5);                                                                    \
    BETWEEN_ROUNDS(t / 2 + 2);                                                                               \
    round(c, d, e, f, g, h, a, b, t + 6);                                                                    \
    round(b, c, d, e, f, g, h, a, t + 7);                                                                    \
    BETWEEN_ROUNDS(t / 2 + 3)

// The rounds of one block and the feed-forward into `state`.
#define SHA512_COMPRESS_BLOCK(round)                                                                         \
    do {                                                                                                     \
        uint64_t a = state[0], b = state[1], c = state[2], d = state[3];                                     \
        uint64_t e = state[4], f = state[5], g = state[6], h = state[7];                                     \
        uint64_t bc = b ^ c;                                                                                 \
        SHA512_EIGHT_ROUNDS(round, 0);                                                                       \
        SHA512_EIGHT_ROUNDS(round, 8);                                                                       \
        SHA512_EIGHT_ROUNDS(round, 16);                                                                      \
        SHA512_EIGHT_ROUNDS(round, 24);                                                                      \
        SHA512_EIGHT_ROUNDS(round, 32);                                                                      \
        SHA512_EIGHT_ROUNDS(round, 40);                                                                      \
        SHA512_EIGHT_ROUNDS(round, 48);                                                                      \
        SHA512_EIGHT_ROUNDS(round, 56);                                                                      \
        SHA512_EIGHT_ROUNDS(round, 64);                                                                      \
        SHA512_EIGHT_ROUNDS(round, 72);                                                                      \
        state[0] += a;                                                                                       \
        state[1] += b;                                                                                       \
        state[2] += c;                                                                                       \
        state[3] += d;                                                                                       \
        state[4] += e;                                                                                       \
        state[5] += f;                                                                                       \
        state[6] += g;                                                                                       \
        state[7] += h;                                                                                       \
    } while (0)
