// The Keccak-f[1600] permutation of FIPS 202, section 3.3, for the SHA-3 sources
// only: Sha3.cpp builds the portable version from it and x86/KeccakBmi2.cpp
// the one for processors with BMI1 and BMI2. Everything here is in an unnamed
// namespace, so that each of those units compiles its own copy with its own
// instruction set and neither can stand in for the other at link time.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace vesk {
namespace {

constexpr int kLanes = 25;
constexpr int kRounds = 24; // 12 + 2l rounds with lanes of 2^l = 64 bits

// ι round constants, FIPS 202 section 3.2.5 (Algorithms 5 and 6): bit 2^j - 1 of
// round i's constant is rc(j + 7i), the output of the LFSR with feedback
// polynomial x^8 + x^6 + x^5 + x^4 + 1 started at 1.
constexpr std::array<uint64_t, kRounds> MakeRoundConstants() {
    std::array<uint64_t, kRounds> constants{};
    uint32_t r = 1; // R[0] in bit 0
    for (int i = 0; i < kRounds; ++i) {
        for (int j = 0; j <= 6; ++j) {
            if (r & 1)
                constants[i] |= uint64_t{1} << ((1 << j) - 1);
            r = ((r << 1) ^ ((r & 0x80) ? 0x71 : 0)) & 0xFF;
        }
    }
    return constants;
}

constexpr auto kRoundConstants = MakeRoundConstants();
static_assert(kRoundConstants[0] == 0x0000000000000001 && kRoundConstants[1] == 0x0000000000008082 &&
              kRoundConstants[23] == 0x8000000080008008);

// ρ rotation offsets, FIPS 202 section 3.2.2 (Algorithm 2): starting at lane
// (1, 0) and stepping (x, y) to (y, 2x + 3y), the t-th lane visited turns by
// (t + 1)(t + 2) / 2 bits. Indexed by lane x + 5y.
constexpr std::array<int, kLanes> MakeRotations() {
    std::array<int, kLanes> rotations{};
    int x = 1;
    int y = 0;
    for (int t = 0; t < 24; ++t) {
        rotations[x + 5 * y] = (t + 1) * (t + 2) / 2 % 64;
        const int nextY = (2 * x + 3 * y) % 5;
        x = y;
        y = nextY;
    }
    return rotations;
}

constexpr auto kRotations = MakeRotations();
static_assert(kRotations[1] == 1 && kRotations[2] == 62 && kRotations[5] == 36 && kRotations[24] == 14);

// Lane complementing (Bertoni et al., "Keccak implementation overview",
// version 3.2, section 2.2): the permutation keeps six lanes inverted, the
// mask below, so that chi, b[x] ^ (~b[x+1] & b[x+2]), can mostly be written
// with AND and OR on the stored lanes, and a round needs 5 NOTs instead of 25.
// Theta, rho and pi are linear, so they only move the inversions around: a
// column with an odd number of inverted lanes inverts its parity, and so the
// theta effect of columns 0 and 3 (the neighbours of the odd ones). kChi gives,
// for every output lane, the form that leaves the output inverted exactly
// where the mask says, given which of its inputs arrive inverted. The mask is
// one with the fewest NOTs under those rules; an exhaustive search over all 2^25
// masks, with forms (b[x] or ~b[x]) ^ ((b[x+1] or ~) AND/OR (b[x+2] or ~))
// and one NOT per plane shared by its users, finds it among six of 5 NOTs.
constexpr uint32_t kInvertedLanes = 1u << (1 + 5 * 0) | 1u << (2 + 5 * 0) | 1u << (3 + 5 * 1) |
                                    1u << (2 + 5 * 2) | 1u << (2 + 5 * 3) | 1u << (0 + 5 * 4);

// Output lane (x, y) = e ^ (u OR/AND v), where e, u and v are b[x], b[x+1] and
// b[x+2] of output plane y, each taken inverted when its flag says so.
struct ChiForm {
    bool useOr;
    bool invertSelf;  // e = ~b[x]
    bool invertNext;  // u = ~b[x+1]
    bool invertAfter; // v = ~b[x+2]
};
// clang-format off
constexpr ChiForm kChi[5][5] = {
    {{true, false, false, false}, {true, false, true, false}, {false, false, false, false},
     {true, false, false, false}, {false, false, false, false}},
    {{true, false, false, false}, {false, false, false, false}, {true, false, false, true},
     {true, false, false, false}, {false, false, false, false}},
    {{true, false, false, false}, {false, false, false, false}, {false, false, true, false},
     {true, true, false, false}, {false, false, false, false}},
    {{false, false, false, false}, {true, false, false, false}, {true, false, true, false},
     {false, true, false, false}, {true, false, false, false}},
    {{false, false, true, false}, {true, true, false, false}, {false, false, false, false},
     {true, false, false, false}, {false, false, false, false}},
};
// clang-format on

constexpr bool Inverted(int x, int y) {
    return kInvertedLanes >> (x + 5 * y) & 1;
}

// Theta adds the parities of columns x - 1 and x + 1 to column x; it inverts
// the column when exactly one of them has an odd number of inverted lanes.
constexpr bool ThetaInverts(int x) {
    bool flip = false;
    for (int y = 0; y < 5; ++y)
        flip ^= Inverted((x + 4) % 5, y) ^ Inverted((x + 1) % 5, y);
    return flip;
}

// Whether b[x] of output plane y reaches chi inverted: pi brings it from lane
// ((x + 3y) mod 5, x), as theta left that lane.
constexpr bool ChiInputInverted(int x, int y) {
    const int sourceX = (x + 3 * y) % 5;
    return Inverted(sourceX, x) != ThetaInverts(sourceX);
}

// Every form gives chi's true output, inverted where the mask says, for each
// of the eight values of its three input bits.
constexpr bool ChiFormsMatchMask() {
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            for (int bits = 0; bits < 8; ++bits) {
                const bool b0 = bits & 1, b1 = bits >> 1 & 1, b2 = bits >> 2 & 1;
                const bool s0 = b0 != ChiInputInverted(x, y);
                const bool s1 = b1 != ChiInputInverted((x + 1) % 5, y);
                const bool s2 = b2 != ChiInputInverted((x + 2) % 5, y);
                const ChiForm form = kChi[y][x];
                const bool u = s1 != form.invertNext, v = s2 != form.invertAfter;
                const bool stored = (s0 != form.invertSelf) != (form.useOr ? (u || v) : (u && v));
                if (stored != ((b0 != (!b1 && b2)) != Inverted(x, y)))
                    return false;
            }
    return true;
}
static_assert(ChiFormsMatchMask());

// Fully unrolled, the five-lane loops let the compiler keep the lanes in
// registers; left as loops (GCC at -O2) the permutation runs four times slower.
#define KECCAK_UNROLL _Pragma("GCC unroll 5")

// One round from `a` into `e`: theta, then rho and pi feeding chi one output
// plane at a time, then iota. Complemented, the lanes of the mask are kept
// inverted and chi takes the forms of kChi; plain, chi is written as defined,
// for processors whose ANDN forms ~b & c in one instruction.
template <bool complemented>
[[gnu::always_inline]] inline void KeccakRound(const uint64_t* a, uint64_t* e, uint64_t roundConstant) {
    uint64_t c[5];
    KECCAK_UNROLL
    for (int x = 0; x < 5; ++x)
        c[x] = a[x] ^ a[x + 5] ^ a[x + 10] ^ a[x + 15] ^ a[x + 20];
    uint64_t d[5];
    KECCAK_UNROLL
    for (int x = 0; x < 5; ++x)
        d[x] = c[(x + 4) % 5] ^ std::rotl(c[(x + 1) % 5], 1);
    KECCAK_UNROLL
    for (int y = 0; y < 5; ++y) {
        // pi moves lane (x', y') = ((x + 3y) mod 5, x) to (x, y).
        uint64_t b[5];
        KECCAK_UNROLL
        for (int x = 0; x < 5; ++x) {
            const int source = (x + 3 * y) % 5 + 5 * x;
            b[x] = std::rotl(a[source] ^ d[(x + 3 * y) % 5], kRotations[source]);
        }
        KECCAK_UNROLL
        for (int x = 0; x < 5; ++x) {
            if constexpr (complemented) {
                const ChiForm form = kChi[y][x];
                const uint64_t self = form.invertSelf ? ~b[x] : b[x];
                const uint64_t u = form.invertNext ? ~b[(x + 1) % 5] : b[(x + 1) % 5];
                const uint64_t v = form.invertAfter ? ~b[(x + 2) % 5] : b[(x + 2) % 5];
                e[x + 5 * y] = self ^ (form.useOr ? (u | v) : (u & v));
            } else {
                e[x + 5 * y] = b[x] ^ (~b[(x + 1) % 5] & b[(x + 2) % 5]);
            }
        }
    }
    e[0] ^= roundConstant;
}

#undef KECCAK_UNROLL

// Keccak-f[1600]: 24 rounds, alternating between the state and a scratch
// copy so that no round has to copy its result back. Forced inline, so that
// it takes the instruction set of the function it is built into.
template <bool complemented>
[[gnu::always_inline]] inline void KeccakPermute(uint64_t* state) {
    uint64_t a[kLanes];
    uint64_t e[kLanes];
    std::memcpy(a, state, sizeof a);
    if constexpr (complemented)
        for (int i = 0; i < kLanes; ++i)
            a[i] = (kInvertedLanes >> i & 1) ? ~a[i] : a[i];
    for (int i = 0; i < kRounds; i += 2) {
        KeccakRound<complemented>(a, e, kRoundConstants[i]);
        KeccakRound<complemented>(e, a, kRoundConstants[i + 1]);
    }
    if constexpr (complemented)
        for (int i = 0; i < kLanes; ++i)
            a[i] = (kInvertedLanes >> i & 1) ? ~a[i] : a[i];
    std::memcpy(state, a, sizeof a);
}

} // namespace
} // namespace vesk
