// The leaves of BLAKE2bp and BLAKE2sp side by side in AVX2 registers: lane i
// of every register belongs to leaf i, four 64-bit lanes for BLAKE2bp and
// eight 32-bit lanes for BLAKE2sp. Each stripe gives every leaf one block, so
// one pass of the compression function F (RFC 7693, section 3.2) over the
// registers compresses a whole stripe, with no shuffling between lanes but for
// the transposition that brings word j of every leaf's block into one register.
// Only CodePaths.cpp calls these, on processors with AVX2.
#include "algorithms/Blake2Common.h"
#include "algorithms/PathFunctions.h"

#include <immintrin.h>
#include <utility>

#define AVX2_TARGET [[gnu::target("avx2")]]

namespace vesk {

namespace {

AVX2_TARGET inline __m256i Load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// A rotation by whole bytes is one byte shuffle; `low` holds the source byte
// of each of the first eight bytes (the pattern repeats every 8 bytes).
AVX2_TARGET inline __m256i ShuffleBytes(__m256i x, int64_t low) {
    const int64_t high = low + 0x0808080808080808;
    return _mm256_shuffle_epi8(x, _mm256_set_epi64x(high, low, high, low));
}

/// BLAKE2bp: four leaves in 64-bit lanes ///

// The mixing function G of RFC 7693, section 3.1, on four leaves at once.
AVX2_TARGET inline void G64(__m256i& a, __m256i& b, __m256i& c, __m256i& d, __m256i x, __m256i y) {
    a = _mm256_add_epi64(_mm256_add_epi64(a, b), x);
    d = _mm256_shuffle_epi32(_mm256_xor_si256(d, a), 0xB1); // rotr 32
    c = _mm256_add_epi64(c, d);
    b = ShuffleBytes(_mm256_xor_si256(b, c), 0x0201000706050403); // rotr 24
    a = _mm256_add_epi64(_mm256_add_epi64(a, b), y);
    d = ShuffleBytes(_mm256_xor_si256(d, a), 0x0100070605040302); // rotr 16
    c = _mm256_add_epi64(c, d);
    b = _mm256_xor_si256(b, c);
    b = _mm256_or_si256(_mm256_srli_epi64(b, 63), _mm256_add_epi64(b, b)); // rotr 63
}

// One round: the columns, then the diagonals, with the message words of round
// r (a template argument, so that every index is a constant).
template <int r, typename Vector, void (*G)(Vector&, Vector&, Vector&, Vector&, Vector, Vector)>
[[gnu::always_inline]] AVX2_TARGET inline void Round(Vector (&v)[16], const Vector (&m)[16]) {
    constexpr const uint8_t(&s)[16] = kBlake2Sigma[r % 10];
    G(v[0], v[4], v[8], v[12], m[s[0]], m[s[1]]);
    G(v[1], v[5], v[9], v[13], m[s[2]], m[s[3]]);
    G(v[2], v[6], v[10], v[14], m[s[4]], m[s[5]]);
    G(v[3], v[7], v[11], v[15], m[s[6]], m[s[7]]);
    G(v[0], v[5], v[10], v[15], m[s[8]], m[s[9]]);
    G(v[1], v[6], v[11], v[12], m[s[10]], m[s[11]]);
    G(v[2], v[7], v[8], v[13], m[s[12]], m[s[13]]);
    G(v[3], v[4], v[9], v[14], m[s[14]], m[s[15]]);
}

template <typename Vector, void (*G)(Vector&, Vector&, Vector&, Vector&, Vector, Vector), int... r>
[[gnu::always_inline]] AVX2_TARGET inline void Rounds(Vector (&v)[16], const Vector (&m)[16],
                                                      std::integer_sequence<int, r...>) {
    (Round<r, Vector, G>(v, m), ...);
}

// Words 4g to 4g + 3 of the four 128-byte blocks of a stripe, one register per
// word with leaf i's word in lane i: a 4 x 4 transposition.
AVX2_TARGET inline void LoadWords64(__m256i* m, const uint8_t* stripe, int g) {
    const __m256i r0 = Load(stripe + 32 * g);
    const __m256i r1 = Load(stripe + 128 + 32 * g);
    const __m256i r2 = Load(stripe + 256 + 32 * g);
    const __m256i r3 = Load(stripe + 384 + 32 * g);
    const __m256i t0 = _mm256_unpacklo_epi64(r0, r1); // words 0 and 2 of leaves 0, 1
    const __m256i t1 = _mm256_unpackhi_epi64(r0, r1); // words 1 and 3 of leaves 0, 1
    const __m256i t2 = _mm256_unpacklo_epi64(r2, r3);
    const __m256i t3 = _mm256_unpackhi_epi64(r2, r3);
    m[0] = _mm256_permute2x128_si256(t0, t2, 0x20);
    m[1] = _mm256_permute2x128_si256(t1, t3, 0x20);
    m[2] = _mm256_permute2x128_si256(t0, t2, 0x31);
    m[3] = _mm256_permute2x128_si256(t1, t3, 0x31);
}

/// BLAKE2sp: eight leaves in 32-bit lanes ///

// G on eight leaves at once, with the BLAKE2s rotations.
AVX2_TARGET inline void G32(__m256i& a, __m256i& b, __m256i& c, __m256i& d, __m256i x, __m256i y) {
    a = _mm256_add_epi32(_mm256_add_epi32(a, b), x);
    d = ShuffleBytes(_mm256_xor_si256(d, a), 0x0504070601000302); // rotr 16
    c = _mm256_add_epi32(c, d);
    b = _mm256_xor_si256(b, c);
    b = _mm256_or_si256(_mm256_srli_epi32(b, 12), _mm256_slli_epi32(b, 20)); // rotr 12
    a = _mm256_add_epi32(_mm256_add_epi32(a, b), y);
    d = ShuffleBytes(_mm256_xor_si256(d, a), 0x0407060500030201); // rotr 8
    c = _mm256_add_epi32(c, d);
    b = _mm256_xor_si256(b, c);
    b = _mm256_or_si256(_mm256_srli_epi32(b, 7), _mm256_slli_epi32(b, 25)); // rotr 7
}

// Words 8h to 8h + 7 of the eight 64-byte blocks of a stripe, one register per
// word with leaf i's word in lane i: an 8 x 8 transposition. The loops are
// unrolled so that their arrays live in registers; as loops, GCC keeps them on
// the stack.
AVX2_TARGET inline void LoadWords32(__m256i* m, const uint8_t* stripe, int h) {
    __m256i r[8];
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i)
        r[i] = Load(stripe + 64 * i + 32 * h);
    __m256i t[8];
#pragma GCC unroll 4
    for (int i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);     // words 0, 1 (and 4, 5) of leaves i, i + 1
        t[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]); // words 2, 3 (and 6, 7)
    }
    __m256i u[8];
#pragma GCC unroll 2
    for (int i = 0; i < 8; i += 4) {
        u[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);     // word 0 (and 4) of leaves i to i + 3
        u[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]); // word 1 (and 5)
        u[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);
        u[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);
    }
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
        m[j] = _mm256_permute2x128_si256(u[j], u[j + 4], 0x20);
        m[j + 4] = _mm256_permute2x128_si256(u[j], u[j + 4], 0x31);
    }
}

} // namespace

AVX2_TARGET void Blake2bpStripesAvx2(Blake2bContext* leaves, const uint8_t* stripes, uint64_t stripeCount) {
    __m256i h[8];
    for (int w = 0; w < 8; ++w)
        h[w] = _mm256_set_epi64x(int64_t(leaves[3].h[w]), int64_t(leaves[2].h[w]), int64_t(leaves[1].h[w]),
                                 int64_t(leaves[0].h[w]));
    __m256i counter = _mm256_set_epi64x(int64_t(leaves[3].counter), int64_t(leaves[2].counter),
                                        int64_t(leaves[1].counter), int64_t(leaves[0].counter));
    const __m256i blockBytes = _mm256_set1_epi64x(kBlake2bBlockBytes);
    for (; stripeCount > 0; --stripeCount, stripes += kBlake2StripeBytes) {
        __m256i m[16];
#pragma GCC unroll 4
        for (int g = 0; g < 4; ++g)
            LoadWords64(m + 4 * g, stripes, g);
        counter = _mm256_add_epi64(counter, blockBytes);
        // t1 and both finalisation flags are 0: a stripe never holds a leaf's last block.
        __m256i v[16] = {
            h[0],
            h[1],
            h[2],
            h[3],
            h[4],
            h[5],
            h[6],
            h[7],
            _mm256_set1_epi64x(int64_t(kBlake2bIv[0])),
            _mm256_set1_epi64x(int64_t(kBlake2bIv[1])),
            _mm256_set1_epi64x(int64_t(kBlake2bIv[2])),
            _mm256_set1_epi64x(int64_t(kBlake2bIv[3])),
            _mm256_xor_si256(_mm256_set1_epi64x(int64_t(kBlake2bIv[4])), counter),
            _mm256_set1_epi64x(int64_t(kBlake2bIv[5])),
            _mm256_set1_epi64x(int64_t(kBlake2bIv[6])),
            _mm256_set1_epi64x(int64_t(kBlake2bIv[7])),
        };
        Rounds<__m256i, G64>(v, m, std::make_integer_sequence<int, 12>());
#pragma GCC unroll 8
        for (int w = 0; w < 8; ++w)
            h[w] = _mm256_xor_si256(h[w], _mm256_xor_si256(v[w], v[w + 8]));
    }
    uint64_t lanes[4];
    for (int w = 0; w < 8; ++w) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), h[w]);
        for (int i = 0; i < 4; ++i)
            leaves[i].h[w] = lanes[i];
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), counter);
    for (int i = 0; i < 4; ++i)
        leaves[i].counter = lanes[i];
}

AVX2_TARGET void Blake2spStripesAvx2(Blake2sContext* leaves, const uint8_t* stripes, uint64_t stripeCount) {
    uint32_t lanes[8];
    __m256i h[8];
    for (int w = 0; w < 8; ++w) {
        for (int i = 0; i < 8; ++i)
            lanes[i] = leaves[i].h[w];
        h[w] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes));
    }
    __m256i t[2];
    for (int k = 0; k < 2; ++k) {
        for (int i = 0; i < 8; ++i)
            lanes[i] = leaves[i].t[k];
        t[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes));
    }
    const __m256i blockBytes = _mm256_set1_epi32(kBlake2sBlockBytes);
    for (; stripeCount > 0; --stripeCount, stripes += kBlake2StripeBytes) {
        __m256i m[16];
        LoadWords32(m, stripes, 0);
        LoadWords32(m + 8, stripes, 1);
        // The 64-bit counter t1:t0 grows by a block; t0 wrapped when it is now
        // below the block size, and then t1 takes the carry (the mask is -1).
        t[0] = _mm256_add_epi32(t[0], blockBytes);
        const __m256i noCarry = _mm256_cmpeq_epi32(_mm256_max_epu32(t[0], blockBytes), t[0]);
        t[1] = _mm256_sub_epi32(t[1], _mm256_andnot_si256(noCarry, _mm256_set1_epi32(-1)));
        // Both finalisation flags are 0: a stripe never holds a leaf's last block.
        __m256i v[16] = {
            h[0],
            h[1],
            h[2],
            h[3],
            h[4],
            h[5],
            h[6],
            h[7],
            _mm256_set1_epi32(int32_t(kBlake2sIv[0])),
            _mm256_set1_epi32(int32_t(kBlake2sIv[1])),
            _mm256_set1_epi32(int32_t(kBlake2sIv[2])),
            _mm256_set1_epi32(int32_t(kBlake2sIv[3])),
            _mm256_xor_si256(_mm256_set1_epi32(int32_t(kBlake2sIv[4])), t[0]),
            _mm256_xor_si256(_mm256_set1_epi32(int32_t(kBlake2sIv[5])), t[1]),
            _mm256_set1_epi32(int32_t(kBlake2sIv[6])),
            _mm256_set1_epi32(int32_t(kBlake2sIv[7])),
        };
        Rounds<__m256i, G32>(v, m, std::make_integer_sequence<int, 10>());
#pragma GCC unroll 8
        for (int w = 0; w < 8; ++w)
            h[w] = _mm256_xor_si256(h[w], _mm256_xor_si256(v[w], v[w + 8]));
    }
    for (int w = 0; w < 8; ++w) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), h[w]);
        for (int i = 0; i < 8; ++i)
            leaves[i].h[w] = lanes[i];
    }
    for (int k = 0; k < 2; ++k) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), t[k]);
        for (int i = 0; i < 8; ++i)
            leaves[i].t[k] = lanes[i];
    }
}

} // namespace vesk
