// BLAKE3 nodes sixteen at a time in AVX-512 registers: lane i of every
// register belongs to node i, so one pass of the compression function over
// the registers compresses a block of sixteen chunks (or sixteen parents),
// with no shuffling between lanes but for the 16 x 16 transpositions that
// bring word j of every node's block into one register, and the CVs back out.
// AVX-512 also rotates in one instruction. Only CodePaths.cpp calls this, on
// processors with AVX-512 (F, BW and VL; only F is used here) and what the
// AVX2 and SSE4.1 versions that finish the remainder need.
// GCC 12 takes the deliberately undefined start values in its own AVX-512
// intrinsics for uninitialised ones once they are inlined here (as in
// Xxh3Avx512.cpp); clang has no such warning and would reject its name.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "algorithms/Blake3Constants.h"
#include "algorithms/PathFunctions.h"

#include <cstring>
#include <immintrin.h>

#define AVX512_TARGET [[gnu::target("avx512f")]]

namespace vesk {

namespace {

constexpr int kLanes = 16;

AVX512_TARGET inline __m512i Load(const uint8_t* p) {
    return _mm512_loadu_si512(p);
}

AVX512_TARGET inline __m512i Set1(uint32_t x) {
    return _mm512_set1_epi32(int32_t(x));
}

// G on sixteen nodes at once.
AVX512_TARGET inline void G(__m512i& a, __m512i& b, __m512i& c, __m512i& d, __m512i x, __m512i y) {
    a = _mm512_add_epi32(_mm512_add_epi32(a, b), x);
    d = _mm512_ror_epi32(_mm512_xor_si512(d, a), 16);
    c = _mm512_add_epi32(c, d);
    b = _mm512_ror_epi32(_mm512_xor_si512(b, c), 12);
    a = _mm512_add_epi32(_mm512_add_epi32(a, b), y);
    d = _mm512_ror_epi32(_mm512_xor_si512(d, a), 8);
    c = _mm512_add_epi32(c, d);
    b = _mm512_ror_epi32(_mm512_xor_si512(b, c), 7);
}

template <int r>
[[gnu::always_inline]] AVX512_TARGET inline void Round(__m512i (&v)[16], const __m512i (&m)[16]) {
    constexpr const std::array<uint8_t, 16>& s = kSchedule[r];
    G(v[0], v[4], v[8], v[12], m[s[0]], m[s[1]]);
    G(v[1], v[5], v[9], v[13], m[s[2]], m[s[3]]);
    G(v[2], v[6], v[10], v[14], m[s[4]], m[s[5]]);
    G(v[3], v[7], v[11], v[15], m[s[6]], m[s[7]]);
    G(v[0], v[5], v[10], v[15], m[s[8]], m[s[9]]);
    G(v[1], v[6], v[11], v[12], m[s[10]], m[s[11]]);
    G(v[2], v[7], v[8], v[13], m[s[12]], m[s[13]]);
    G(v[3], v[4], v[9], v[14], m[s[14]], m[s[15]]);
}

// Sixteen rows of sixteen words become the columns: 4 x 4 transpositions
// inside each 128-bit quarter, then the 4 x 4 grid of quarters transposed in
// two rounds of quarter shuffles. The loops are unrolled so that the arrays
// live in registers; as loops, GCC keeps them on the stack, which made the
// whole function a third slower.
AVX512_TARGET inline void Transpose(__m512i (&r)[16]) {
    // t[g + j], quarter q: word 4q + j of rows g to g + 3.
    __m512i t[16];
#pragma GCC unroll 4
    for (int g = 0; g < 16; g += 4) {
        const __m512i ab01 = _mm512_unpacklo_epi32(r[g], r[g + 1]); // a0 b0 a1 b1 in each quarter
        const __m512i ab23 = _mm512_unpackhi_epi32(r[g], r[g + 1]); // a2 b2 a3 b3
        const __m512i cd01 = _mm512_unpacklo_epi32(r[g + 2], r[g + 3]);
        const __m512i cd23 = _mm512_unpackhi_epi32(r[g + 2], r[g + 3]);
        t[g] = _mm512_unpacklo_epi64(ab01, cd01);
        t[g + 1] = _mm512_unpackhi_epi64(ab01, cd01);
        t[g + 2] = _mm512_unpacklo_epi64(ab23, cd23);
        t[g + 3] = _mm512_unpackhi_epi64(ab23, cd23);
    }
    // Word 4q + j of all rows: quarter q of t[j], t[4 + j], t[8 + j], t[12 + j].
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
        const __m512i low01 = _mm512_shuffle_i32x4(t[j], t[4 + j], 0x44);  // quarters 0, 1 of both
        const __m512i high01 = _mm512_shuffle_i32x4(t[j], t[4 + j], 0xEE); // quarters 2, 3 of both
        const __m512i low23 = _mm512_shuffle_i32x4(t[8 + j], t[12 + j], 0x44);
        const __m512i high23 = _mm512_shuffle_i32x4(t[8 + j], t[12 + j], 0xEE);
        r[j] = _mm512_shuffle_i32x4(low01, low23, 0x88);       // quarter 0 of each
        r[4 + j] = _mm512_shuffle_i32x4(low01, low23, 0xDD);   // quarter 1
        r[8 + j] = _mm512_shuffle_i32x4(high01, high23, 0x88); // quarter 2
        r[12 + j] = _mm512_shuffle_i32x4(high01, high23, 0xDD);
    }
}

// The CVs of sixteen nodes of one kind (PathFunctions.h). Chunk i's counter is
// firstChunkIndex + i; parents count 0.
template <Blake3NodeKind kind>
AVX512_TARGET void HashSixteen(const uint8_t* const* nodes, uint64_t firstChunkIndex, uint8_t* cvs) {
    constexpr bool chunks = kind == Blake3NodeKind::Chunks;
    __m512i h[8];
    for (int j = 0; j < 8; ++j)
        h[j] = Set1(kBlake3Iv[j]);
    uint32_t counterLow[kLanes], counterHigh[kLanes];
    for (int i = 0; i < kLanes; ++i) {
        const uint64_t counter = chunks ? firstChunkIndex + i : 0;
        counterLow[i] = uint32_t(counter);
        counterHigh[i] = uint32_t(counter >> 32);
    }
    const __m512i t0 = Load(reinterpret_cast<const uint8_t*>(counterLow));
    const __m512i t1 = Load(reinterpret_cast<const uint8_t*>(counterHigh));
    constexpr int blockCount = chunks ? kBlake3ChunkBlocks : 1;
    for (int b = 0; b < blockCount; ++b) {
        // Row i is node i's block; transposed, m[j] is word j of every block.
        // Sixteen chunks read side by side are more streams than the hardware
        // prefetcher follows: asking for each one's block four ahead makes
        // input from main memory about 15% faster.
        __m512i m[16];
#pragma GCC unroll 16
        for (int i = 0; i < kLanes; ++i) {
            m[i] = Load(nodes[i] + 64 * b);
            _mm_prefetch(reinterpret_cast<const char*>(nodes[i] + 64 * b + 256), _MM_HINT_T0);
        }
        Transpose(m);
        const uint32_t flags =
            chunks ? (b == 0 ? kChunkStart : 0) | (b == blockCount - 1 ? kChunkEnd : 0) : kParent;
        __m512i v[16] = {
            h[0],
            h[1],
            h[2],
            h[3],
            h[4],
            h[5],
            h[6],
            h[7],
            Set1(kBlake3Iv[0]),
            Set1(kBlake3Iv[1]),
            Set1(kBlake3Iv[2]),
            Set1(kBlake3Iv[3]),
            t0,
            t1,
            Set1(64),
            Set1(flags),
        };
        Round<0>(v, m);
        Round<1>(v, m);
        Round<2>(v, m);
        Round<3>(v, m);
        Round<4>(v, m);
        Round<5>(v, m);
        Round<6>(v, m);
        // Unrolled, or GCC sends v through the stack after every block.
#pragma GCC unroll 8
        for (int j = 0; j < 8; ++j)
            h[j] = _mm512_xor_si512(v[j], v[j + 8]);
    }
    // Row j holds word j of every CV; with eight rows of zeros under them and
    // transposed, row i starts with node i's CV.
    __m512i rows[16] = {h[0], h[1], h[2], h[3], h[4], h[5], h[6], h[7]};
    for (int j = 8; j < 16; ++j)
        rows[j] = _mm512_setzero_si512();
    Transpose(rows);
    for (int i = 0; i < kLanes; ++i)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(cvs + 32 * i), _mm512_castsi512_si256(rows[i]));
}

// Whole groups of sixteen, then a group more than half full with node 0 in
// the missing lanes (their CVs are dropped), which costs less than the
// narrower versions would; a smaller remainder goes to those.
template <Blake3NodeKind kind>
AVX512_TARGET void HashNodes(const uint8_t* const* nodes, uint64_t count, uint64_t firstChunkIndex,
                             uint8_t* cvs) {
    constexpr uint64_t indexStep = kind == Blake3NodeKind::Chunks ? kLanes : 0;
    for (; count >= kLanes;
         count -= kLanes, nodes += kLanes, cvs += 32 * kLanes, firstChunkIndex += indexStep)
        HashSixteen<kind>(nodes, firstChunkIndex, cvs);
    if (count > kLanes / 2) {
        const uint8_t* padded[kLanes];
        for (uint64_t i = 0; i < kLanes; ++i)
            padded[i] = nodes[i < count ? i : 0];
        uint8_t paddedCvs[32 * kLanes];
        HashSixteen<kind>(padded, firstChunkIndex, paddedCvs);
        std::memcpy(cvs, paddedCvs, 32 * count);
    } else {
        Blake3NodesAvx2(nodes, count, kind, firstChunkIndex, cvs);
    }
}

} // namespace

AVX512_TARGET void Blake3NodesAvx512(const uint8_t* const* nodes, uint64_t count, Blake3NodeKind kind,
                                     uint64_t firstChunkIndex, uint8_t* cvs) {
    if (kind == Blake3NodeKind::Chunks)
        HashNodes<Blake3NodeKind::Chunks>(nodes, count, firstChunkIndex, cvs);
    else
        HashNodes<Blake3NodeKind::Parents>(nodes, count, 0, cvs);
}

} // namespace vesk
