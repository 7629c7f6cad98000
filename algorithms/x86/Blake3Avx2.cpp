// BLAKE3 nodes eight at a time in AVX2 registers: lane i of every register
// belongs to node i, so one pass of the compression function over the
// registers compresses a block of eight chunks (or eight parents), with no
// shuffling between lanes but for the 8 x 8 transpositions that bring word j
// of every node's block into one register, and the CVs back out. Only
// CodePaths.cpp calls this (and the AVX-512 version, for its remainder), on
// processors with AVX2, SSSE3 and SSE4.1.
#include "algorithms/Blake3Constants.h"
#include "algorithms/PathFunctions.h"

#include <cstring>
#include <immintrin.h>

#define AVX2_TARGET [[gnu::target("avx2")]]

namespace vesk {

namespace {

constexpr int kLanes = 8;

AVX2_TARGET inline __m256i Load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

AVX2_TARGET inline void Store(uint8_t* p, __m256i x) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), x);
}

AVX2_TARGET inline __m256i Set1(uint32_t x) {
    return _mm256_set1_epi32(int32_t(x));
}

// Rotations by 16 and 8 move whole bytes: one byte shuffle each.
AVX2_TARGET inline __m256i RotateRight16(__m256i x) {
    return _mm256_shuffle_epi8(x, _mm256_setr_epi8(2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13, 2, 3,
                                                   0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13));
}

AVX2_TARGET inline __m256i RotateRight8(__m256i x) {
    return _mm256_shuffle_epi8(x, _mm256_setr_epi8(1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 13, 14, 15, 12, 1, 2,
                                                   3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 13, 14, 15, 12));
}

template <int n>
AVX2_TARGET inline __m256i RotateRight(__m256i x) {
    return _mm256_or_si256(_mm256_srli_epi32(x, n), _mm256_slli_epi32(x, 32 - n));
}

// G on eight nodes at once.
AVX2_TARGET inline void G(__m256i& a, __m256i& b, __m256i& c, __m256i& d, __m256i x, __m256i y) {
    a = _mm256_add_epi32(_mm256_add_epi32(a, b), x);
    d = RotateRight16(_mm256_xor_si256(d, a));
    c = _mm256_add_epi32(c, d);
    b = RotateRight<12>(_mm256_xor_si256(b, c));
    a = _mm256_add_epi32(_mm256_add_epi32(a, b), y);
    d = RotateRight8(_mm256_xor_si256(d, a));
    c = _mm256_add_epi32(c, d);
    b = RotateRight<7>(_mm256_xor_si256(b, c));
}

template <int r>
[[gnu::always_inline]] AVX2_TARGET inline void Round(__m256i (&v)[16], const __m256i (&m)[16]) {
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

// Eight rows of eight words become the columns: 4 x 4 transpositions inside
// each 128-bit half, then the halves swapped across rows 0-3 and 4-7. The
// loops are unrolled so that the arrays live in registers; as loops, GCC
// keeps them on the stack.
AVX2_TARGET inline void Transpose(__m256i* r) {
    __m256i t[8];
#pragma GCC unroll 2
    for (int g = 0; g < 8; g += 4) {
        const __m256i ab01 = _mm256_unpacklo_epi32(r[g], r[g + 1]); // a0 b0 a1 b1 (and a4 b4 a5 b5)
        const __m256i ab23 = _mm256_unpackhi_epi32(r[g], r[g + 1]); // a2 b2 a3 b3 (and a6 b6 a7 b7)
        const __m256i cd01 = _mm256_unpacklo_epi32(r[g + 2], r[g + 3]);
        const __m256i cd23 = _mm256_unpackhi_epi32(r[g + 2], r[g + 3]);
        t[g] = _mm256_unpacklo_epi64(ab01, cd01);     // a0 b0 c0 d0 (and word 4)
        t[g + 1] = _mm256_unpackhi_epi64(ab01, cd01); // word 1 (and 5)
        t[g + 2] = _mm256_unpacklo_epi64(ab23, cd23); // word 2 (and 6)
        t[g + 3] = _mm256_unpackhi_epi64(ab23, cd23); // word 3 (and 7)
    }
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
        r[j] = _mm256_permute2x128_si256(t[j], t[j + 4], 0x20);
        r[j + 4] = _mm256_permute2x128_si256(t[j], t[j + 4], 0x31);
    }
}

// m[j] = word j of the block at offset in each of the eight nodes, node i's in lane i.
AVX2_TARGET inline void LoadWords(__m256i (&m)[16], const uint8_t* const* nodes, uint32_t offset) {
#pragma GCC unroll 2
    for (int half = 0; half < 2; ++half) {
        __m256i* w = m + 8 * half;
#pragma GCC unroll 8
        for (int i = 0; i < kLanes; ++i)
            w[i] = Load(nodes[i] + offset + 32 * half);
        Transpose(w);
    }
}

// The CVs of eight nodes of one kind (PathFunctions.h). Chunk i's counter is
// firstChunkIndex + i; parents count 0.
template <Blake3NodeKind kind>
AVX2_TARGET void HashEight(const uint8_t* const* nodes, uint64_t firstChunkIndex, uint8_t* cvs) {
    constexpr bool chunks = kind == Blake3NodeKind::Chunks;
    __m256i h[8];
    for (int j = 0; j < 8; ++j)
        h[j] = Set1(kBlake3Iv[j]);
    uint32_t counterLow[kLanes], counterHigh[kLanes];
    for (int i = 0; i < kLanes; ++i) {
        const uint64_t counter = chunks ? firstChunkIndex + i : 0;
        counterLow[i] = uint32_t(counter);
        counterHigh[i] = uint32_t(counter >> 32);
    }
    const __m256i t0 = Load(reinterpret_cast<const uint8_t*>(counterLow));
    const __m256i t1 = Load(reinterpret_cast<const uint8_t*>(counterHigh));
    constexpr int blockCount = chunks ? kBlake3ChunkBlocks : 1;
    for (int b = 0; b < blockCount; ++b) {
        __m256i m[16];
        LoadWords(m, nodes, 64 * b);
        const uint32_t flags =
            chunks ? (b == 0 ? kChunkStart : 0) | (b == blockCount - 1 ? kChunkEnd : 0) : kParent;
        __m256i v[16] = {
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
            h[j] = _mm256_xor_si256(v[j], v[j + 8]);
    }
    // Row j holds word j of every CV; transposed, row i is node i's CV.
    Transpose(h);
    for (int i = 0; i < kLanes; ++i)
        Store(cvs + 32 * i, h[i]);
}

// Whole groups of eight, then a group more than half full with node 0 in
// the missing lanes (their CVs are dropped), which costs less than the
// narrower versions would; a smaller remainder goes to those.
template <Blake3NodeKind kind>
AVX2_TARGET void HashNodes(const uint8_t* const* nodes, uint64_t count, uint64_t firstChunkIndex,
                           uint8_t* cvs) {
    constexpr uint64_t indexStep = kind == Blake3NodeKind::Chunks ? kLanes : 0;
    for (; count >= kLanes;
         count -= kLanes, nodes += kLanes, cvs += 32 * kLanes, firstChunkIndex += indexStep)
        HashEight<kind>(nodes, firstChunkIndex, cvs);
    if (count > kLanes / 2) {
        const uint8_t* padded[kLanes];
        for (uint64_t i = 0; i < kLanes; ++i)
            padded[i] = nodes[i < count ? i : 0];
        uint8_t paddedCvs[32 * kLanes];
        HashEight<kind>(padded, firstChunkIndex, paddedCvs);
        std::memcpy(cvs, paddedCvs, 32 * count);
    } else {
        Blake3NodesSse41(nodes, count, kind, firstChunkIndex, cvs);
    }
}

} // namespace

AVX2_TARGET void Blake3NodesAvx2(const uint8_t* const* nodes, uint64_t count, Blake3NodeKind kind,
                                 uint64_t firstChunkIndex, uint8_t* cvs) {
    if (kind == Blake3NodeKind::Chunks)
        HashNodes<Blake3NodeKind::Chunks>(nodes, count, firstChunkIndex, cvs);
    else
        HashNodes<Blake3NodeKind::Parents>(nodes, count, 0, cvs);
}

} // namespace vesk
