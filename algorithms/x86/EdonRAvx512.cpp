// Edon-R 224/256 compression with each row of eight 32-bit words in one
// 256-bit register, lane i holding word i. Every output of a Latin square is
// a sum of five inputs, rotated, then an XOR of three of those: VPERMD brings
// the k-th input of every output into its lane, AVX-512 rotates each lane by
// its own count (VPROLVD) and XORs three registers in one instruction
// (VPTERNLOGD), so an operation takes 31 vector instructions where the
// portable code takes about 125, and the pipe stays in registers from block to
// block. Only CodePaths.cpp calls it, on processors with AVX-512 (F and VL).
#include "algorithms/PathFunctions.h"

#include <immintrin.h>

#define AVX512_TARGET [[gnu::target("avx512f,avx512vl")]]

namespace vesk {

namespace {

AVX512_TARGET inline __m256i Lanes(int w0, int w1, int w2, int w3, int w4, int w5, int w6, int w7) {
    return _mm256_setr_epi32(w0, w1, w2, w3, w4, w5, w6, w7);
}

// Word index[i] of x in lane i.
AVX512_TARGET inline __m256i Pick(__m256i x, __m256i index) {
    return _mm256_permutexvar_epi32(index, x);
}

// One Latin square: lane i sums the five inputs named by lane i of picks[0..4]
// and the constant, rotates left by its count, and XORs the three sums named
// by mixes[0..2]. The tables restate, word by word, the sums and XORs of Q
// in EdonR.cpp (from the reference code's Q256 macro).
struct Square {
    __m256i picks[5];
    __m256i constant;
    __m256i rotations;
    __m256i mixes[3];

    AVX512_TARGET __m256i Apply(__m256i x) const {
        const __m256i sum =
            _mm256_add_epi32(_mm256_add_epi32(_mm256_add_epi32(Pick(x, picks[0]), Pick(x, picks[1])),
                                              _mm256_add_epi32(Pick(x, picks[2]), Pick(x, picks[3]))),
                             _mm256_add_epi32(Pick(x, picks[4]), constant));
        const __m256i t = _mm256_rolv_epi32(sum, rotations);
        // 0x96: the truth table of a ^ b ^ c.
        return _mm256_ternarylogic_epi32(Pick(t, mixes[0]), Pick(t, mixes[1]), Pick(t, mixes[2]), 0x96);
    }
};

// Q(x, y): x through the first square, y through the second, added.
struct Quasigroup {
    Square first, second;

    AVX512_TARGET __m256i operator()(__m256i x, __m256i y) const {
        return _mm256_add_epi32(first.Apply(x), second.Apply(y));
    }
};

} // namespace

AVX512_TARGET void EdonR256BlocksAvx512(uint32_t* pipe, const uint8_t* blocks, uint64_t blockCount) {
    // Lane i of picks[k] is the k-th input, in increasing order, of output i.
    const Quasigroup q{
        {{Lanes(0, 0, 0, 2, 1, 0, 0, 2), Lanes(1, 1, 1, 3, 2, 2, 1, 3), Lanes(2, 3, 4, 5, 3, 3, 5, 4),
          Lanes(4, 4, 6, 6, 5, 4, 6, 5), Lanes(7, 7, 7, 7, 6, 5, 7, 6)},
         Lanes(int(0xAAAAAAAA), 0, 0, 0, 0, 0, 0, 0),
         Lanes(0, 5, 11, 13, 17, 19, 29, 31),
         {Lanes(0, 0, 1, 2, 0, 3, 2, 2), Lanes(1, 4, 6, 3, 1, 5, 5, 3), Lanes(4, 7, 7, 4, 7, 6, 6, 5)}},
        {{Lanes(0, 0, 0, 2, 0, 2, 1, 0), Lanes(1, 1, 1, 3, 1, 4, 2, 3), Lanes(2, 3, 2, 4, 3, 5, 5, 4),
          Lanes(5, 4, 3, 6, 4, 6, 6, 6), Lanes(7, 6, 5, 7, 5, 7, 7, 7)},
         Lanes(0x55555555, 0, 0, 0, 0, 0, 0, 0),
         Lanes(0, 3, 7, 11, 17, 19, 23, 29),
         {Lanes(0, 2, 0, 0, 1, 3, 2, 4), Lanes(1, 6, 1, 3, 2, 4, 5, 6), Lanes(5, 7, 3, 4, 5, 6, 7, 7)}},
    };
    const __m256i reverse = Lanes(7, 6, 5, 4, 3, 2, 1, 0);
    // The words are little-endian, as x86 loads them.
    __m256i p0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pipe));
    __m256i p1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pipe + 8));
    for (; blockCount > 0; --blockCount, blocks += 64) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(blocks));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(blocks + 32));
        __m256i t0 = q(Pick(high, reverse), low);
        __m256i t1 = q(t0, high);
        t0 = q(p1, t0);
        t1 = q(t0, t1);
        t0 = q(t0, p0);
        t1 = q(t1, t0);
        p0 = q(Pick(low, reverse), t0);
        p1 = q(p0, t1);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pipe), p0);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pipe + 8), p1);
}

} // namespace vesk
