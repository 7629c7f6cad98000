// BLAKE3 nodes four at a time in SSE registers: lane i of every register
// belongs to node i, so one pass of the compression function over the
// registers compresses a block of four chunks (or four parents), with no
// shuffling between lanes but for the 4 x 4 transpositions that bring word j
// of every node's block into one register, and the CVs back out. Only
// CodePaths.cpp calls this (and the wider versions, for their remainders), on
// processors with SSSE3 and SSE4.1.
#include "algorithms/Blake3Constants.h"
#include "algorithms/PathFunctions.h"

#include <cstring>
#include <immintrin.h>

#define SSE41_TARGET [[gnu::target("ssse3,sse4.1")]]

namespace vesk {

namespace {

constexpr int kLanes = 4;

SSE41_TARGET inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

SSE41_TARGET inline void Store(uint8_t* p, __m128i x) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), x);
}

SSE41_TARGET inline __m128i Set1(uint32_t x) {
    return _mm_set1_epi32(int32_t(x));
}

// Rotations by 16 and 8 move whole bytes: one byte shuffle each.
SSE41_TARGET inline __m128i RotateRight16(__m128i x) {
    return _mm_shuffle_epi8(x, _mm_setr_epi8(2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13));
}

SSE41_TARGET inline __m128i RotateRight8(__m128i x) {
    return _mm_shuffle_epi8(x, _mm_setr_epi8(1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 13, 14, 15, 12));
}

template <int n>
SSE41_TARGET inline __m128i RotateRight(__m128i x) {
    return _mm_or_si128(_mm_srli_epi32(x, n), _mm_slli_epi32(x, 32 - n));
}

// G on four nodes at once.
SSE41_TARGET inline void G(__m128i& a, __m128i& b, __m128i& c, __m128i& d, __m128i x, __m128i y) {
    a = _mm_add_epi32(_mm_add_epi32(a, b), x);
    d = RotateRight16(_mm_xor_si128(d, a));
    c = _mm_add_epi32(c, d);
    b = RotateRight<12>(_mm_xor_si128(b, c));
    a = _mm_add_epi32(_mm_add_epi32(a, b), y);
    d = RotateRight8(_mm_xor_si128(d, a));
    c = _mm_add_epi32(c, d);
    b = RotateRight<7>(_mm_xor_si128(b, c));
}

template <int r>
[[gnu::always_inline]] SSE41_TARGET inline void Round(__m128i (&v)[16], const __m128i (&m)[16]) {
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

// Rows a, b, c, d of four words each become the columns.
SSE41_TARGET inline void Transpose(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
    const __m128i ab01 = _mm_unpacklo_epi32(a, b); // a0 b0 a1 b1
    const __m128i ab23 = _mm_unpackhi_epi32(a, b); // a2 b2 a3 b3
    const __m128i cd01 = _mm_unpacklo_epi32(c, d);
    const __m128i cd23 = _mm_unpackhi_epi32(c, d);
    a = _mm_unpacklo_epi64(ab01, cd01); // a0 b0 c0 d0
    b = _mm_unpackhi_epi64(ab01, cd01); // a1 b1 c1 d1
    c = _mm_unpacklo_epi64(ab23, cd23);
    d = _mm_unpackhi_epi64(ab23, cd23);
}

// m[j] = word j of the block at offset in each of the four nodes, node i's in lane i.
SSE41_TARGET inline void LoadWords(__m128i (&m)[16], const uint8_t* const* nodes, uint32_t offset) {
#pragma GCC unroll 4
    for (int q = 0; q < 4; ++q) {
        __m128i* w = m + 4 * q;
        w[0] = Load(nodes[0] + offset + 16 * q);
        w[1] = Load(nodes[1] + offset + 16 * q);
        w[2] = Load(nodes[2] + offset + 16 * q);
        w[3] = Load(nodes[3] + offset + 16 * q);
        Transpose(w[0], w[1], w[2], w[3]);
    }
}

// The CVs of four nodes of one kind (PathFunctions.h). Chunk i's counter is
// firstChunkIndex + i; parents count 0.
template <Blake3NodeKind kind>
SSE41_TARGET void HashFour(const uint8_t* const* nodes, uint64_t firstChunkIndex, uint8_t* cvs) {
    constexpr bool chunks = kind == Blake3NodeKind::Chunks;
    __m128i h[8];
    for (int j = 0; j < 8; ++j)
        h[j] = Set1(kBlake3Iv[j]);
    uint32_t counterLow[kLanes], counterHigh[kLanes];
    for (int i = 0; i < kLanes; ++i) {
        const uint64_t counter = chunks ? firstChunkIndex + i : 0;
        counterLow[i] = uint32_t(counter);
        counterHigh[i] = uint32_t(counter >> 32);
    }
    const __m128i t0 = Load(reinterpret_cast<const uint8_t*>(counterLow));
    const __m128i t1 = Load(reinterpret_cast<const uint8_t*>(counterHigh));
    constexpr int blockCount = chunks ? kBlake3ChunkBlocks : 1;
    for (int b = 0; b < blockCount; ++b) {
        __m128i m[16];
        LoadWords(m, nodes, 64 * b);
        const uint32_t flags =
            chunks ? (b == 0 ? kChunkStart : 0) | (b == blockCount - 1 ? kChunkEnd : 0) : kParent;
        __m128i v[16] = {
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
            h[j] = _mm_xor_si128(v[j], v[j + 8]);
    }
    // Words 0-3 and 4-7 of the CVs, node i's in row i after the transpositions.
    Transpose(h[0], h[1], h[2], h[3]);
    Transpose(h[4], h[5], h[6], h[7]);
    for (int i = 0; i < kLanes; ++i) {
        Store(cvs + 32 * i, h[i]);
        Store(cvs + 32 * i + 16, h[4 + i]);
    }
}

// Whole groups of four, then a group more than half full with node 0 in
// the missing lanes (their CVs are dropped), which costs less than the
// narrower versions would; a smaller remainder goes to those.
template <Blake3NodeKind kind>
SSE41_TARGET void HashNodes(const uint8_t* const* nodes, uint64_t count, uint64_t firstChunkIndex,
                            uint8_t* cvs) {
    constexpr uint64_t indexStep = kind == Blake3NodeKind::Chunks ? kLanes : 0;
    for (; count >= kLanes;
         count -= kLanes, nodes += kLanes, cvs += 32 * kLanes, firstChunkIndex += indexStep)
        HashFour<kind>(nodes, firstChunkIndex, cvs);
    if (count > kLanes / 2) {
        const uint8_t* padded[kLanes];
        for (uint64_t i = 0; i < kLanes; ++i)
            padded[i] = nodes[i < count ? i : 0];
        uint8_t paddedCvs[32 * kLanes];
        HashFour<kind>(padded, firstChunkIndex, paddedCvs);
        std::memcpy(cvs, paddedCvs, 32 * count);
    } else {
        Blake3NodesPortable(nodes, count, kind, firstChunkIndex, cvs);
    }
}

} // namespace

SSE41_TARGET void Blake3NodesSse41(const uint8_t* const* nodes, uint64_t count, Blake3NodeKind kind,
                                   uint64_t firstChunkIndex, uint8_t* cvs) {
    if (kind == Blake3NodeKind::Chunks)
        HashNodes<Blake3NodeKind::Chunks>(nodes, count, firstChunkIndex, cvs);
    else
        HashNodes<Blake3NodeKind::Parents>(nodes, count, 0, cvs);
}

} // namespace vesk
