// Adler-32 over 16-byte (SSSE3) or 32-byte (AVX2) blocks. Only CodePaths.cpp
// calls these, on processors with the instructions.
//
// Over a run of n bytes b_0..b_(n-1), short enough that nothing overflows 32
// bits (zlib's NMAX), the sums grow by
//
//     s1 += sum of b_k
//     s2 += n s1 + sum of (n - k) b_k
//
// With blocks of L bytes, byte i of block j has weight n - k = L (B - 1 - j) +
// (L - i) for B blocks, so the second sum is L times the sum, over the blocks,
// of the byte sums of the blocks before each (kept in `prefix`), plus the sum
// of (L - i) b_i within each block (kept in `weighted`). PSADBW adds a block's
// bytes, PMADDUBSW and PMADDWD form the weighted sums.
#include "algorithms/PathFunctions.h"

#include <algorithm>
#include <immintrin.h>

#define SSSE3_TARGET [[gnu::target("ssse3")]]
#define AVX2_TARGET [[gnu::target("avx2")]]

namespace vesk {

namespace {

constexpr uint32_t kModulus = 65521;   // the largest prime below 2^16 (RFC 1950, section 9)
constexpr uint32_t kLongestRun = 5552; // most bytes before s2 could overflow 32 bits (zlib's NMAX)

// As in the CRC folding: memory is slower than the sums, so ask for the data early.
constexpr int kPrefetchDistance = 2048;

// Adds a run of runBytes bytes to s1 and s2, given its byte sum and the two
// sums above, and reduces them.
inline void AddRun(uint32_t& s1, uint32_t& s2, uint64_t runBytes, uint32_t byteSum, uint32_t prefixSum,
                   uint32_t weightedSum, uint32_t blockBytes) {
    const uint64_t newS2 = s2 + runBytes * s1 + uint64_t(blockBytes) * prefixSum + weightedSum;
    s1 = uint32_t((s1 + uint64_t(byteSum)) % kModulus);
    s2 = uint32_t(newS2 % kModulus);
}

SSSE3_TARGET inline uint32_t Sum32(__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
    return uint32_t(_mm_cvtsi128_si32(v));
}

AVX2_TARGET inline uint32_t Sum32(__m256i v) {
    return Sum32(_mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)));
}

} // namespace

// Both versions take 64 bytes (a cache line) per step: four or two blocks.
constexpr uint32_t kStep = 64;

SSSE3_TARGET uint32_t Adler32Ssse3(uint32_t sums, const uint8_t* data, uint64_t byteCount) {
    constexpr uint32_t kBlock = 16;
    uint32_t s1 = sums & 0xFFFF;
    uint32_t s2 = sums >> 16;
    const __m128i weights = _mm_setr_epi8(16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m128i ones = _mm_set1_epi16(1);
    const __m128i zero = _mm_setzero_si128();
    while (byteCount >= kStep) {
        const uint64_t stepCount = std::min<uint64_t>(byteCount, kLongestRun) / kStep;
        __m128i byteSums = zero, prefix = zero, weighted = zero;
        for (uint64_t j = 0; j < stepCount; ++j) {
            _mm_prefetch(reinterpret_cast<const char*>(data) + kPrefetchDistance, _MM_HINT_T0);
            for (int b = 0; b < 4; ++b, data += kBlock) {
                const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
                prefix = _mm_add_epi32(prefix, byteSums);
                byteSums = _mm_add_epi32(byteSums, _mm_sad_epu8(block, zero));
                weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_maddubs_epi16(block, weights), ones));
            }
        }
        AddRun(s1, s2, stepCount * kStep, Sum32(byteSums), Sum32(prefix), Sum32(weighted), kBlock);
        byteCount -= stepCount * kStep;
    }
    return Adler32Portable(s2 << 16 | s1, data, byteCount);
}

AVX2_TARGET uint32_t Adler32Avx2(uint32_t sums, const uint8_t* data, uint64_t byteCount) {
    constexpr uint32_t kBlock = 32;
    uint32_t s1 = sums & 0xFFFF;
    uint32_t s2 = sums >> 16;
    const __m256i weights = _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17,
                                             16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i zero = _mm256_setzero_si256();
    while (byteCount >= kStep) {
        const uint64_t stepCount = std::min<uint64_t>(byteCount, kLongestRun) / kStep;
        __m256i byteSums = zero, prefix = zero, weighted = zero;
        for (uint64_t j = 0; j < stepCount; ++j) {
            _mm_prefetch(reinterpret_cast<const char*>(data) + kPrefetchDistance, _MM_HINT_T0);
            for (int b = 0; b < 2; ++b, data += kBlock) {
                const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data));
                prefix = _mm256_add_epi32(prefix, byteSums);
                byteSums = _mm256_add_epi32(byteSums, _mm256_sad_epu8(block, zero));
                weighted =
                    _mm256_add_epi32(weighted, _mm256_madd_epi16(_mm256_maddubs_epi16(block, weights), ones));
            }
        }
        AddRun(s1, s2, stepCount * kStep, Sum32(byteSums), Sum32(prefix), Sum32(weighted), kBlock);
        byteCount -= stepCount * kStep;
    }
    return Adler32Portable(s2 << 16 | s1, data, byteCount);
}

} // namespace vesk
