// Whirlpool's compression on the 64 bytes of the state in two AVX2 registers
// (rows 0-3 and rows 4-7, a row being eight bytes, column j at byte j), one
// step of the round at a time instead of through the scalar code's tables. Only
// CodePaths.cpp calls it, on processors with AVX2.
//
// - The S-box (gamma) is built from three 4-bit mini-boxes, E, E^-1 and R
//   (Barreto and Rijmen, "The WHIRLPOOL Hashing Function", section 2.5), each a
//   byte shuffle: u = E[high], l = E^-1[low], r = R[u ^ l], and the output is
//   E[u ^ r] in the high nibble, E^-1[l ^ r] in the low one.
// - The cyclic shift (pi) moves column j down by j rows: output column j is
//   column j of the rows rotated by j, and rotating the eight rows by 1 to 7 is
//   a few qword permutations of the two registers.
// - The diffusion (theta) multiplies each row by the circulant matrix with first
//   row (1, 1, 4, 1, 8, 5, 2, 9): output = sum over s of c[s] times the row with
//   its bytes rotated by s. Written as
//       rot0 ^ rot1 ^ rot3 ^ rot5 ^ rot7 ^ 2 (rot6 ^ 2 (rot2 ^ rot5 ^ 2 (rot4 ^ rot7)))
//   it needs three doublings in GF(2^8) modulo x^8 + x^4 + x^3 + x^2 + 1.
#include "algorithms/PathFunctions.h"

#include <array>
#include <immintrin.h>

#define AVX2_TARGET [[gnu::target("avx2")]]

namespace vesk {

namespace {

constexpr int kRounds = 10;

// The mini-boxes E and R of the Whirlpool S-box (the paper, section 2.5); E^-1
// is E's inverse. Entry k is the output for input k.
constexpr uint8_t kE[16] = {0x1, 0xB, 0x9, 0xC, 0xD, 0x6, 0xF, 0x3, 0xE, 0x8, 0x7, 0x4, 0xA, 0x2, 0x5, 0x0};
constexpr uint8_t kR[16] = {0x7, 0xC, 0xB, 0xD, 0xE, 0x4, 0x9, 0xF, 0x6, 0x3, 0x8, 0xA, 0x2, 0x5, 0x1, 0x0};

constexpr std::array<uint8_t, 16> Inverse(const uint8_t (&box)[16]) {
    std::array<uint8_t, 16> inverse{};
    for (uint8_t k = 0; k < 16; ++k)
        inverse[box[k]] = k;
    return inverse;
}

constexpr auto kEInverse = Inverse(kE);

struct State {
    __m256i rows03; // rows 0 to 3, 32 bytes
    __m256i rows47; // rows 4 to 7
};

AVX2_TARGET inline __m256i Table16(const uint8_t* table) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table)));
}

// The constants of one run of the compression function, made once per call.
struct Constants {
    __m256i e, eInverse, r; // the mini-boxes, in both 128-bit lanes
    __m256i lowNibbles;     // 0x0F in every byte
    __m256i reducer;        // 0x1D in every byte: x^8 mod the field's polynomial
    __m256i rotate[8];      // byte shuffles rotating every row by s columns
    __m256i columns1, columns3, columns5, columns7, columns23, columns67,
        columns4567;                // 0x80 in those columns
    __m256i roundConstant[kRounds]; // the round constant rows in rows 0-3 (rows 1-3 zero)

    AVX2_TARGET Constants() {
        e = Table16(kE);
        eInverse = Table16(kEInverse.data());
        r = Table16(kR);
        lowNibbles = _mm256_set1_epi8(0x0F);
        reducer = _mm256_set1_epi8(0x1D);
        alignas(32) uint8_t bytes[32];
        for (int s = 0; s < 8; ++s) {
            // Output column j takes input column j - s.
            for (int p = 0; p < 32; ++p)
                bytes[p] = uint8_t((p & ~7) | ((p - s) & 7));
            rotate[s] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
        }
        columns1 = Columns(0x02);
        columns3 = Columns(0x08);
        columns5 = Columns(0x20);
        columns7 = Columns(0x80);
        columns23 = Columns(0x0C);
        columns67 = Columns(0xC0);
        columns4567 = Columns(0xF0);
    }

    // 0x80 in the bytes of the columns whose bits are set.
    AVX2_TARGET static __m256i Columns(int bits) {
        alignas(32) uint8_t bytes[32];
        for (int p = 0; p < 32; ++p)
            bytes[p] = (bits >> (p & 7) & 1) ? 0x80 : 0x00;
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
    }
};

// Gamma on 32 bytes.
AVX2_TARGET inline __m256i SBox(__m256i x, const Constants& k) {
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(x, 4), k.lowNibbles);
    const __m256i low = _mm256_and_si256(x, k.lowNibbles);
    const __m256i u = _mm256_shuffle_epi8(k.e, high);
    const __m256i l = _mm256_shuffle_epi8(k.eInverse, low);
    const __m256i r = _mm256_shuffle_epi8(k.r, _mm256_xor_si256(u, l));
    const __m256i outHigh = _mm256_shuffle_epi8(k.e, _mm256_xor_si256(u, r));
    const __m256i outLow = _mm256_shuffle_epi8(k.eInverse, _mm256_xor_si256(l, r));
    // Both halves are below 16, so the 16-bit shift moves nothing across bytes.
    return _mm256_or_si256(_mm256_slli_epi16(outHigh, 4), outLow);
}

// Column j of r[j], for every j: a tree of blends, three deep.
AVX2_TARGET inline __m256i SelectColumns(const __m256i (&r)[8], const Constants& k) {
    const __m256i r01 = _mm256_blendv_epi8(r[0], r[1], k.columns1);
    const __m256i r23 = _mm256_blendv_epi8(r[2], r[3], k.columns3);
    const __m256i r45 = _mm256_blendv_epi8(r[4], r[5], k.columns5);
    const __m256i r67 = _mm256_blendv_epi8(r[6], r[7], k.columns7);
    const __m256i r0123 = _mm256_blendv_epi8(r01, r23, k.columns23);
    const __m256i r4567 = _mm256_blendv_epi8(r45, r67, k.columns67);
    return _mm256_blendv_epi8(r0123, r4567, k.columns4567);
}

// Pi: column j of the output is column j of the rows rotated down by j.
AVX2_TARGET inline State ShiftColumns(State s, const Constants& k) {
    // The rows rotated by 1, 2 and 3 (and so, with the halves swapped, by 5, 6 and 7).
    State rotated[4];
    rotated[0] = s;
    const __m256i a1 = _mm256_permute4x64_epi64(s.rows03, 0x93),
                  b1 = _mm256_permute4x64_epi64(s.rows47, 0x93);
    rotated[1] = {_mm256_blend_epi32(a1, b1, 0x03), _mm256_blend_epi32(b1, a1, 0x03)};
    const __m256i a2 = _mm256_permute4x64_epi64(s.rows03, 0x4E),
                  b2 = _mm256_permute4x64_epi64(s.rows47, 0x4E);
    rotated[2] = {_mm256_blend_epi32(a2, b2, 0x0F), _mm256_blend_epi32(b2, a2, 0x0F)};
    const __m256i a3 = _mm256_permute4x64_epi64(s.rows03, 0x39),
                  b3 = _mm256_permute4x64_epi64(s.rows47, 0x39);
    rotated[3] = {_mm256_blend_epi32(a3, b3, 0x3F), _mm256_blend_epi32(b3, a3, 0x3F)};
    // Rotating by j + 4 is rotating by j and swapping the halves.
    const __m256i top[8] = {rotated[0].rows03, rotated[1].rows03, rotated[2].rows03, rotated[3].rows03,
                            rotated[0].rows47, rotated[1].rows47, rotated[2].rows47, rotated[3].rows47};
    const __m256i bottom[8] = {rotated[0].rows47, rotated[1].rows47, rotated[2].rows47, rotated[3].rows47,
                               rotated[0].rows03, rotated[1].rows03, rotated[2].rows03, rotated[3].rows03};
    return {SelectColumns(top, k), SelectColumns(bottom, k)};
}

// Multiplication by x in GF(2^8): a shift, and the reducer where the top bit fell out.
AVX2_TARGET inline __m256i Double(__m256i x, const Constants& k) {
    return _mm256_xor_si256(_mm256_add_epi8(x, x), _mm256_blendv_epi8(_mm256_setzero_si256(), k.reducer, x));
}

// Theta on four rows.
AVX2_TARGET inline __m256i MixRows(__m256i x, const Constants& k) {
    __m256i rot[8];
    rot[0] = x;
#pragma GCC unroll 7
    for (int s = 1; s < 8; ++s)
        rot[s] = _mm256_shuffle_epi8(x, k.rotate[s]);
    const __m256i ones = _mm256_xor_si256(_mm256_xor_si256(_mm256_xor_si256(rot[0], rot[1]), rot[3]),
                                          _mm256_xor_si256(rot[5], rot[7]));
    __m256i sum = Double(_mm256_xor_si256(rot[4], rot[7]), k);                // 8: rot4, rot7 (of 8 and 9)
    sum = Double(_mm256_xor_si256(sum, _mm256_xor_si256(rot[2], rot[5])), k); // 4: rot2, rot5 (of 4 and 5)
    sum = Double(_mm256_xor_si256(sum, rot[6]), k);                           // 2: rot6
    return _mm256_xor_si256(sum, ones);
}

// One round of W without its key: gamma, pi, theta.
AVX2_TARGET inline State Round(State s, const Constants& k) {
    s = ShiftColumns({SBox(s.rows03, k), SBox(s.rows47, k)}, k);
    return {MixRows(s.rows03, k), MixRows(s.rows47, k)};
}

AVX2_TARGET inline State Xor(State a, State b) {
    return {_mm256_xor_si256(a.rows03, b.rows03), _mm256_xor_si256(a.rows47, b.rows47)};
}

// The chaining words, most significant byte first, as rows of bytes, and back.
AVX2_TARGET inline __m256i SwapWordBytes(__m256i x) {
    const __m256i kSwap =
        _mm256_set_epi64x(0x08090A0B0C0D0E0F, 0x0001020304050607, 0x08090A0B0C0D0E0F, 0x0001020304050607);
    return _mm256_shuffle_epi8(x, kSwap);
}

} // namespace

AVX2_TARGET void WhirlpoolBlocksAvx2(uint64_t* h, const uint8_t* blocks, uint64_t blockCount) {
    Constants k;
    // Round r's constant is S-box outputs 8r to 8r + 7 in row 0.
    alignas(32) uint8_t sboxOut[96];
    for (int part = 0; part < 3; ++part) {
        alignas(32) uint8_t inputs[32];
        for (int i = 0; i < 32; ++i)
            inputs[i] = uint8_t(32 * part + i);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sboxOut + 32 * part),
                            SBox(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(inputs)), k));
    }
    for (int r = 0; r < kRounds; ++r)
        k.roundConstant[r] =
            _mm256_zextsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sboxOut + 8 * r)));

    State chain = {SwapWordBytes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(h))),
                   SwapWordBytes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(h + 4)))};
    for (; blockCount > 0; --blockCount, blocks += 64) {
        const State m = {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(blocks)),
                         _mm256_loadu_si256(reinterpret_cast<const __m256i*>(blocks + 32))};
        // W encrypts the block under the chaining value as key (Miyaguchi-Preneel).
        State key = chain;
        State state = Xor(m, key);
        for (int r = 0; r < kRounds; ++r) {
            key = Round(key, k);
            key.rows03 = _mm256_xor_si256(key.rows03, k.roundConstant[r]);
            state = Xor(Round(state, k), key);
        }
        chain = Xor(chain, Xor(state, m));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(h), SwapWordBytes(chain.rows03));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(h + 4), SwapWordBytes(chain.rows47));
}

} // namespace vesk
