#include "algorithms/Gost.h"

#include "algorithms/ByteOrder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace vesk {

namespace {

// The eight S-boxes of id-GostR3411-94-TestParamSet (RFC 4357; the boxes of the
// worked examples in RFC 5831). Box 1 substitutes the least significant nibble.
constexpr uint8_t kSBox[8][16] = {
    {4, 10, 9, 2, 13, 8, 0, 14, 6, 11, 1, 12, 7, 15, 5, 3},
    {14, 11, 4, 12, 6, 13, 15, 10, 2, 3, 8, 1, 0, 7, 5, 9},
    {5, 8, 1, 13, 10, 3, 4, 2, 14, 15, 12, 7, 6, 0, 9, 11},
    {7, 13, 10, 1, 0, 8, 9, 15, 14, 4, 6, 12, 11, 2, 5, 3},
    {6, 12, 7, 1, 5, 15, 13, 8, 4, 10, 9, 14, 0, 3, 11, 2},
    {4, 11, 10, 0, 7, 2, 1, 13, 3, 6, 8, 5, 9, 12, 15, 14},
    {13, 11, 4, 1, 3, 15, 5, 9, 0, 10, 14, 7, 6, 8, 2, 12},
    {1, 15, 13, 0, 5, 7, 10, 4, 9, 2, 3, 14, 6, 11, 8, 12},
};

// RFC 5831 section 5.1, the constant C3 of the key generation as four 64-bit
// parts, least significant first (C2 and C4 are zero).
constexpr uint64_t kC3[4] = {0xFF00FF00FF00FF00, 0x00FF00FF00FF00FF, 0xFF0000FF00FFFF00, 0xFF00FFFF000000FF};

// Table p maps byte p of a round input to its S-box output, rotated left by 11
// bits, so a round is four look-ups. Built by the compiler: nothing to set up
// before the first digest, and nothing any thread writes.
constexpr auto kRoundTables = [] {
    std::array<std::array<uint32_t, 256>, 4> tables{};
    for (int p = 0; p < 4; ++p)
        for (uint32_t v = 0; v < 256; ++v) {
            const uint32_t low = kSBox[2 * p][v & 15], high = kSBox[2 * p + 1][v >> 4];
            tables[p][v] = std::rotl((low | high << 4) << (8 * p), 11);
        }
    return tables;
}();

// The GOST 28147-89 round function: S-boxes on the eight nibbles, then a rotation by 11.
inline uint32_t RoundFunction(uint32_t x) {
    return kRoundTables[0][x & 0xFF] ^ kRoundTables[1][(x >> 8) & 0xFF] ^ kRoundTables[2][(x >> 16) & 0xFF] ^
           kRoundTables[3][x >> 24];
}

// The step function holds its 256-bit values as four 64-bit parts, part 0 least
// significant (y1 in RFC 5831, part 3 is y4).

// The transform A of the key generation: y4 | y3 | y2 | y1 becomes (y1 ^ y2) | y4 | y3 | y2.
inline void TransformA(uint64_t y[4]) {
    const uint64_t top = y[0] ^ y[1];
    y[0] = y[1];
    y[1] = y[2];
    y[2] = y[3];
    y[3] = top;
}

// The byte permutation P of the key generation: byte i + 4k of the key is byte
// k of part i, so key word k gathers byte k of the four parts: a 4 x 8 byte
// transpose, done here on whole words, first for byte pairs, then for halves.
inline void TransformP(const uint64_t w[4], uint32_t key[8]) {
    constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FF, kEvenHalves = 0x0000FFFF0000FFFF;
    // Each 16-bit slot s holds byte 2s (t0, t2) or 2s + 1 (t1, t3) of parts 0 and 1 (t0, t1) or 2 and 3.
    const uint64_t t0 = (w[0] & kEvenBytes) | (w[1] & kEvenBytes) << 8;
    const uint64_t t1 = (w[0] >> 8 & kEvenBytes) | (w[1] & ~kEvenBytes);
    const uint64_t t2 = (w[2] & kEvenBytes) | (w[3] & kEvenBytes) << 8;
    const uint64_t t3 = (w[2] >> 8 & kEvenBytes) | (w[3] & ~kEvenBytes);
    // Each 32-bit half now holds one key word: q0 keys 0 and 4, q1 keys 2 and 6, q2 1 and 5, q3 3 and 7.
    const uint64_t q0 = (t0 & kEvenHalves) | (t2 & kEvenHalves) << 16;
    const uint64_t q1 = (t0 >> 16 & kEvenHalves) | (t2 & ~kEvenHalves);
    const uint64_t q2 = (t1 & kEvenHalves) | (t3 & kEvenHalves) << 16;
    const uint64_t q3 = (t1 >> 16 & kEvenHalves) | (t3 & ~kEvenHalves);
    key[0] = uint32_t(q0);
    key[1] = uint32_t(q2);
    key[2] = uint32_t(q1);
    key[3] = uint32_t(q3);
    key[4] = uint32_t(q0 >> 32);
    key[5] = uint32_t(q2 >> 32);
    key[6] = uint32_t(q1 >> 32);
    key[7] = uint32_t(q3 >> 32);
}

// The four cipher keys from chaining value h and message block m (RFC 5831 section 5.1).
inline void GenerateKeys(const uint64_t h[4], const uint64_t m[4], uint32_t keys[4][8]) {
    uint64_t u[4], v[4], w[4];
    std::copy(h, h + 4, u);
    std::copy(m, m + 4, v);
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
        if (j > 0) {
            TransformA(u);
            if (j == 2)
                for (int i = 0; i < 4; ++i)
                    u[i] ^= kC3[i];
            TransformA(v);
            TransformA(v);
        }
        for (int i = 0; i < 4; ++i)
            w[i] = u[i] ^ v[i];
        TransformP(w, keys[j]);
    }
}

// Two cipher rounds on all four parts at once, part i with key word keys[i][j],
// then keys[i][j2]. The four encryptions are independent, so interleaving them
// lets one run while another waits for its table loads.
inline void TwoRounds(uint32_t n1[4], uint32_t n2[4], const uint32_t keys[4][8], int j, int j2) {
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i)
        n2[i] ^= RoundFunction(n1[i] + keys[i][j]);
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i)
        n1[i] ^= RoundFunction(n2[i] + keys[i][j2]);
}

// The encryption transformation of the step: four 64-bit blocks, h[0] to h[3],
// each encrypted with GOST 28147-89 in simple substitution mode (RFC 5830
// section 6.1) under its own key, keys[i]: key words 0 to 7 three times, then
// 7 down to 0. The four run interleaved, so one waits on its table loads while
// another computes.
inline void EncryptFourBlocks(const uint64_t h[4], const uint32_t keys[4][8], uint64_t s[4]) {
    uint32_t n1[4], n2[4];
    for (int i = 0; i < 4; ++i) {
        n1[i] = uint32_t(h[i]);
        n2[i] = uint32_t(h[i] >> 32);
    }
#pragma GCC unroll 16
    for (int r = 0; r < 32; r += 2) {
        if (r < 24)
            TwoRounds(n1, n2, keys, r % 8, r % 8 + 1);
        else
            TwoRounds(n1, n2, keys, 7 - r % 8, 6 - r % 8);
    }
    // The last round does not swap the halves.
    for (int i = 0; i < 4; ++i)
        s[i] = uint64_t(n1[i]) << 32 | n2[i];
}

// The shuffle psi (RFC 5831 section 5.3) on sixteen 16-bit words y[0..15], y[0]
// lowest, shifts them down one word and makes the new top word y[16] = y[0] ^
// y[1] ^ y[2] ^ y[3] ^ y[12] ^ y[15]; repeated, it extends that sequence. Here
// the words are packed four to a part, z = y[4j..4j+3], and this gives the next
// four words z[j + 4] from z[j], z[j + 1] and z[j + 3]: each new word is the sum
// of its own five older words and the new word before it, a running XOR.
inline uint64_t NextFourWords(uint64_t z0, uint64_t z1, uint64_t z3) {
    uint64_t a = z0 ^ (z0 >> 16 | z1 << 48) ^ (z0 >> 32 | z1 << 32) ^ (z0 >> 48 | z1 << 16) ^ z3 ^ z3 >> 48;
    a ^= a << 16;
    a ^= a << 32;
    return a;
}

// Words 1 to 16 of the sequence in z[0..4]: the value one psi further on.
inline void ShiftedByOneWord(const uint64_t* z, uint64_t out[4]) {
    for (int i = 0; i < 4; ++i)
        out[i] = z[i] >> 16 | z[i + 1] << 48;
}

// Extends z[0..3] to z[0..3 + count]: psi applied 4 * count times is z[count..count + 3].
template <int count>
inline void ExtendWords(uint64_t* z) {
#pragma GCC unroll 16
    for (int j = 0; j < count; ++j)
        z[j + 4] = NextFourWords(z[j], z[j + 1], z[j + 3]);
}

} // namespace

void GostInit(GostContext* context) {
    std::memset(context, 0, sizeof *context);
}

// The step function: h becomes psi^61(h ^ psi(m ^ psi^12(s))), s being the
// parts of h encrypted with keys from h and m (RFC 5831 section 5).
static void StepFunction(uint64_t h[4], const uint64_t m[4]) {
    uint32_t keys[4][8];
    uint64_t z[20];
    GenerateKeys(h, m, keys);
    EncryptFourBlocks(h, keys, z);
    ExtendWords<3>(z); // psi^12(s) = z[3..6]
    for (int i = 0; i < 4; ++i)
        z[i] = z[i + 3] ^ m[i];
    ExtendWords<1>(z);
    ShiftedByOneWord(z, z); // psi once
    for (int i = 0; i < 4; ++i)
        z[i] ^= h[i];
    ExtendWords<16>(z); // psi^64 = z[16..19]; psi^61 starts one word into z[15]
    ShiftedByOneWord(z + 15, h);
}

// The step function on eight 32-bit words, word 0 lowest, as the context keeps them.
static void StepOnWords(uint32_t hash[8], const uint32_t m[8]) {
    uint64_t h[4], parts[4];
    for (int i = 0; i < 4; ++i) {
        h[i] = uint64_t(hash[2 * i + 1]) << 32 | hash[2 * i];
        parts[i] = uint64_t(m[2 * i + 1]) << 32 | m[2 * i];
    }
    StepFunction(h, parts);
    for (int i = 0; i < 4; ++i) {
        hash[2 * i] = uint32_t(h[i]);
        hash[2 * i + 1] = uint32_t(h[i] >> 32);
    }
}

// One message block: into the control sum, through the step function, and
// bitCount bits onto the length.
static void ProcessBlock(GostContext* context, const uint8_t* block, uint32_t bitCount) {
    uint32_t m[8];
    uint64_t carry = 0;
    for (int i = 0; i < 8; ++i) {
        m[i] = LoadLe32(block + 4 * i);
        carry += uint64_t(context->sum[i]) + m[i];
        context->sum[i] = uint32_t(carry);
        carry >>= 32;
    }
    StepOnWords(context->hash, m);
    const uint64_t bits = (uint64_t(context->length[1]) << 32 | context->length[0]) + bitCount;
    context->length[0] = uint32_t(bits);
    context->length[1] = uint32_t(bits >> 32);
}

void GostUpdate(GostContext* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount == 0)
        return; // data may be null
    // A block is processed only once more input follows it, so the buffer may be
    // left holding a whole block; final handles it like any other.
    if (context->bufferCount > 0) {
        const uint64_t take = std::min<uint64_t>(kGostBlockBytes - context->bufferCount, byteCount);
        std::memcpy(context->buffer + context->bufferCount, data, size_t(take));
        context->bufferCount += take;
        data += take;
        byteCount -= take;
        if (byteCount == 0)
            return;
        ProcessBlock(context, context->buffer, 8 * kGostBlockBytes);
    }
    for (; byteCount > kGostBlockBytes; byteCount -= kGostBlockBytes, data += kGostBlockBytes)
        ProcessBlock(context, data, 8 * kGostBlockBytes);
    std::memcpy(context->buffer, data, size_t(byteCount));
    context->bufferCount = byteCount;
}

void GostFinal(GostContext* context, uint8_t* digest) {
    if (context->bufferCount > 0) {
        // The zero-filled block enters the sum and the chain; only its real bits count.
        std::memset(context->buffer + context->bufferCount, 0,
                    size_t(kGostBlockBytes - context->bufferCount));
        ProcessBlock(context, context->buffer, uint32_t(8 * context->bufferCount));
    }
    StepOnWords(context->hash, context->length);
    StepOnWords(context->hash, context->sum);
    for (int i = 0; i < 8; ++i)
        StoreLe32(digest + 4 * i, context->hash[i]);
}

} // namespace vesk
