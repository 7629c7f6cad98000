// SHA-384/512 compression (FIPS 180-4 section 6.4) with the message schedule
// of two blocks at a time in AVX2 registers and the rounds in scalar registers
// with BMI2's RORX, which rotates without touching its source. Only
// CodePaths.cpp calls it, on processors with AVX2 and BMI2.
#include "algorithms/PathFunctions.h"
#include "algorithms/Sha2.h"
#include "algorithms/Sha512Rounds.h"

#include <bit>
#include <immintrin.h>
#include <utility>

#define AVX2_BMI2_TARGET [[gnu::target("avx2,bmi2")]]

namespace vesk {

namespace {

constexpr int kRounds = 80;

// W[t] + K[t] of the two blocks; the rounds read them from here.
struct ScheduleTable {
    uint64_t wk[2][kRounds];
};

AVX2_BMI2_TARGET inline __m256i Rotr(__m256i x, int bits) {
    return _mm256_or_si256(_mm256_srli_epi64(x, bits), _mm256_slli_epi64(x, 64 - bits));
}

// s0(x) = rotr(x, 1) ^ rotr(x, 8) ^ (x >> 7); the 8-bit rotation is a byte shuffle.
AVX2_BMI2_TARGET inline __m256i SmallSigma0(__m256i x) {
    const __m256i kRotr8 =
        _mm256_set_epi64x(0x080F0E0D0C0B0A09, 0x0007060504030201, 0x080F0E0D0C0B0A09, 0x0007060504030201);
    return _mm256_xor_si256(_mm256_xor_si256(Rotr(x, 1), _mm256_shuffle_epi8(x, kRotr8)),
                            _mm256_srli_epi64(x, 7));
}

// s1(x) = rotr(x, 19) ^ rotr(x, 61) ^ (x >> 6).
AVX2_BMI2_TARGET inline __m256i SmallSigma1(__m256i x) {
    return _mm256_xor_si256(_mm256_xor_si256(Rotr(x, 19), Rotr(x, 61)), _mm256_srli_epi64(x, 6));
}

// Words 2j and 2j + 1 of block a in the low 128-bit lane and of block b in
// the high one, big-endian in the message.
AVX2_BMI2_TARGET inline __m256i LoadPair(const uint8_t* a, const uint8_t* b, int j) {
    const __m256i kSwapWordBytes =
        _mm256_set_epi64x(0x08090A0B0C0D0E0F, 0x0001020304050607, 0x08090A0B0C0D0E0F, 0x0001020304050607);
    const __m256i words = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * j))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * j)), 1);
    return _mm256_shuffle_epi8(words, kSwapWordBytes);
}

// Section 6.4.2, step 1, for blocks a and b side by side, two words per lane:
// step j makes words 2j and 2j + 1 of both blocks in w[j % 8], so no step
// needs a word it makes itself. Within each 128-bit lane, ALIGNR picks the
// pairs that straddle two registers: W[t-15], W[t-14] and W[t-7], W[t-6].
// The steps are called one by one between the rounds of the blocks before, so
// that the vector units schedule while the integer units run rounds.
struct TwoBlockSchedule {
    const uint8_t* a;
    const uint8_t* b;
    ScheduleTable* table;
    __m256i w[8];

    template <int j>
    [[gnu::always_inline]] AVX2_BMI2_TARGET inline void Step() {
        if constexpr (j < 8) {
            w[j] = LoadPair(a, b, j);
        } else {
            const __m256i w15 = _mm256_alignr_epi8(w[(j - 7) % 8], w[j % 8], 8);
            const __m256i w7 = _mm256_alignr_epi8(w[(j - 3) % 8], w[(j - 4) % 8], 8);
            w[j % 8] = _mm256_add_epi64(_mm256_add_epi64(w[j % 8], SmallSigma0(w15)),
                                        _mm256_add_epi64(w7, SmallSigma1(w[(j - 1) % 8])));
        }
        const __m256i k = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kSha512RoundConstants + 2 * j)));
        const __m256i wk = _mm256_add_epi64(w[j % 8], k);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(table->wk[0] + 2 * j), _mm256_castsi256_si128(wk));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(table->wk[1] + 2 * j), _mm256_extracti128_si256(wk, 1));
    }

    template <int... j>
    [[gnu::always_inline]] AVX2_BMI2_TARGET inline void Steps(std::integer_sequence<int, j...>) {
        (Step<j>(), ...);
    }
};

// Rounds with nothing to interleave.
struct NoSchedule {
    template <int j>
    void Step() {}
};

// The 80 rounds and the feed-forward of one block whose W + K are in wk,
// with the 40 steps of another schedule among them.
template <typename Schedule>
AVX2_BMI2_TARGET void Rounds(uint64_t* state, const uint64_t* wk, Schedule& schedule) {
#define WK(t) wk[t]
#define BETWEEN_ROUNDS(j) schedule.template Step<j>()
    SHA512_COMPRESS_BLOCK(SHA512_ROUND);
#undef BETWEEN_ROUNDS
#undef WK
}

} // namespace

// Blocks go in pairs: while the rounds of one pair's first block run, the
// schedule of the next pair is made beside them.
AVX2_BMI2_TARGET void Sha512BlocksAvx2(uint64_t* state, const uint8_t* blocks, uint64_t blockCount) {
    if (blockCount == 0)
        return;
    ScheduleTable tables[2];
    NoSchedule none;
    // A last single block goes through both lanes; the second copy is not used.
    const uint8_t* second = blockCount >= 2 ? blocks + kSha512BlockBytes : blocks;
    TwoBlockSchedule first{blocks, second, &tables[0], {}};
    first.Steps(std::make_integer_sequence<int, kRounds / 2>());
    for (int current = 0;; current ^= 1) {
        const ScheduleTable& table = tables[current];
        if (blockCount <= 2) {
            Rounds(state, table.wk[0], none);
            if (blockCount == 2)
                Rounds(state, table.wk[1], none);
            return;
        }
        blocks += 2 * kSha512BlockBytes;
        blockCount -= 2;
        second = blockCount >= 2 ? blocks + kSha512BlockBytes : blocks;
        TwoBlockSchedule next{blocks, second, &tables[current ^ 1], {}};
        Rounds(state, table.wk[0], next);
        Rounds(state, table.wk[1], none);
    }
}

} // namespace vesk
