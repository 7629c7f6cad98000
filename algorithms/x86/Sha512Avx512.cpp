// SHA-384/512 compression (FIPS 180-4 section 6.4) with the message schedule
// of four blocks at a time in AVX-512 registers and the rounds in scalar
// registers with BMI2's RORX. AVX-512 rotates 64-bit lanes in one instruction
// and XORs three values in one (VPTERNLOGQ), so a schedule step costs half
// the instructions of the AVX2 version's, and its 32 registers hold the whole
// schedule without spilling. Only CodePaths.cpp calls it, on processors with
// AVX-512 (F, BW and VL) and BMI2.
// GCC 12 takes the deliberately undefined start values in its own AVX-512
// intrinsics for uninitialised ones once they are inlined here (as in
// Blake3Avx512.cpp); clang has no such warning and would reject its name.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "algorithms/PathFunctions.h"
#include "algorithms/Sha2.h"
#include "algorithms/Sha512Rounds.h"

#include <algorithm>
#include <immintrin.h>
#include <utility>

#define AVX512_BMI2_TARGET [[gnu::target("avx512f,avx512bw,avx512vl,bmi2")]]

namespace vesk {

namespace {

constexpr int kRounds = 80;
constexpr int kLanes = 4; // blocks scheduled at once, one per 128-bit lane

// W[t] + K[t] of the four blocks as the schedule makes them: for each pair of
// words, the pair of every block in turn, so that a step stores one register.
// Block b's W[t] + K[t] is wk[8 * (t / 2) + 2 * b + t % 2].
struct ScheduleTable {
    alignas(64) uint64_t wk[kRounds * kLanes];
};

// s0(x) = rotr(x, 1) ^ rotr(x, 8) ^ (x >> 7); 0x96 is the truth table of a ^ b ^ c.
AVX512_BMI2_TARGET inline __m512i SmallSigma0(__m512i x) {
    return _mm512_ternarylogic_epi64(_mm512_ror_epi64(x, 1), _mm512_ror_epi64(x, 8), _mm512_srli_epi64(x, 7),
                                     0x96);
}

// s1(x) = rotr(x, 19) ^ rotr(x, 61) ^ (x >> 6).
AVX512_BMI2_TARGET inline __m512i SmallSigma1(__m512i x) {
    return _mm512_ternarylogic_epi64(_mm512_ror_epi64(x, 19), _mm512_ror_epi64(x, 61),
                                     _mm512_srli_epi64(x, 6), 0x96);
}

AVX512_BMI2_TARGET inline __m128i Load128(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Section 6.4.2, step 1, for four blocks side by side, two words of one block
// per 128-bit lane: step j makes words 2j and 2j + 1 of every block in
// w[j % 8], so no step needs a word it makes itself. Within each lane, ALIGNR
// picks the pairs that straddle two registers: W[t-15], W[t-14] and W[t-7],
// W[t-6]. The steps are called one by one between the rounds of the block
// before, so that the vector units schedule while the integer units run rounds.
struct FourBlockSchedule {
    const uint8_t* block[kLanes];
    ScheduleTable* table;
    __m512i w[8];

    template <int j>
    [[gnu::always_inline]] AVX512_BMI2_TARGET inline void Step() {
        if constexpr (j < 8) {
            // Words 2j and 2j + 1 of each block, big-endian in the message.
            const __m512i kSwapWordBytes = _mm512_set_epi64(
                0x08090A0B0C0D0E0F, 0x0001020304050607, 0x08090A0B0C0D0E0F, 0x0001020304050607,
                0x08090A0B0C0D0E0F, 0x0001020304050607, 0x08090A0B0C0D0E0F, 0x0001020304050607);
            __m512i words = _mm512_castsi128_si512(Load128(block[0] + 16 * j));
            words = _mm512_inserti32x4(words, Load128(block[1] + 16 * j), 1);
            words = _mm512_inserti32x4(words, Load128(block[2] + 16 * j), 2);
            words = _mm512_inserti32x4(words, Load128(block[3] + 16 * j), 3);
            w[j] = _mm512_shuffle_epi8(words, kSwapWordBytes);
        } else {
            const __m512i w15 = _mm512_alignr_epi8(w[(j - 7) % 8], w[j % 8], 8);
            const __m512i w7 = _mm512_alignr_epi8(w[(j - 3) % 8], w[(j - 4) % 8], 8);
            w[j % 8] = _mm512_add_epi64(_mm512_add_epi64(w[j % 8], SmallSigma0(w15)),
                                        _mm512_add_epi64(w7, SmallSigma1(w[(j - 1) % 8])));
        }
        const __m512i k = _mm512_broadcast_i32x4(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kSha512RoundConstants + 2 * j)));
        _mm512_store_si512(table->wk + 2 * kLanes * j, _mm512_add_epi64(w[j % 8], k));
    }

    template <int... j>
    [[gnu::always_inline]] AVX512_BMI2_TARGET inline void Steps(std::integer_sequence<int, j...>) {
        (Step<j>(), ...);
    }
};

// Rounds with nothing to interleave.
struct NoSchedule {
    template <int j>
    void Step() {}
};

// The 80 rounds and the feed-forward of one block whose W + K are wk[8 * (t / 2)
// + t % 2], with the 40 steps of another schedule among them.
// Always inlined where a schedule runs beside the rounds, so that its
// registers stay registers; RoundsAlone is the one copy without.
template <typename Schedule>
[[gnu::always_inline]] AVX512_BMI2_TARGET inline void Rounds(uint64_t* state, const uint64_t* wk,
                                                             Schedule& schedule) {
#define WK(t) wk[2 * kLanes * ((t) / 2) + (t) % 2]
#define BETWEEN_ROUNDS(j) schedule.template Step<j>()
    SHA512_COMPRESS_BLOCK(SHA512_ROUND_SHORT_CHAIN);
#undef BETWEEN_ROUNDS
#undef WK
}

// Points the four lanes at the next blocks; lanes past the last block take
// the last block again, and their W + K is not used.
void Aim(FourBlockSchedule& schedule, const uint8_t* blocks, uint64_t blockCount) {
    for (int lane = 0; lane < kLanes; ++lane)
        schedule.block[lane] =
            blocks + kSha512BlockBytes * std::min<uint64_t>(uint64_t(lane), blockCount - 1);
}

[[gnu::noinline]] AVX512_BMI2_TARGET void RoundsAlone(uint64_t* state, const uint64_t* wk) {
    NoSchedule none;
    Rounds(state, wk, none);
}

} // namespace

// Blocks go in fours: while the rounds of one group's first block run, the
// schedule of the next group is made beside them.
AVX512_BMI2_TARGET void Sha512BlocksAvx512(uint64_t* state, const uint8_t* blocks, uint64_t blockCount) {
    if (blockCount == 0)
        return;
    ScheduleTable tables[2];
    FourBlockSchedule schedule;
    schedule.table = &tables[0];
    Aim(schedule, blocks, blockCount);
    schedule.Steps(std::make_integer_sequence<int, kRounds / 2>());
    for (int current = 0;; current ^= 1) {
        const ScheduleTable& table = tables[current];
        if (blockCount <= kLanes) {
            for (uint64_t lane = 0; lane < blockCount; ++lane)
                RoundsAlone(state, table.wk + 2 * lane);
            return;
        }
        blocks += kLanes * kSha512BlockBytes;
        blockCount -= kLanes;
        schedule.table = &tables[current ^ 1];
        Aim(schedule, blocks, blockCount);
        Rounds(state, table.wk, schedule);
        for (int lane = 1; lane < kLanes; ++lane)
            RoundsAlone(state, table.wk + 2 * lane);
    }
}

} // namespace vesk
