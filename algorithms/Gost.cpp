#include "algorithms/Gost.h"

#include "algorithms/ByteOrder.h"

#include <algorithm>
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

// RFC 5831 section 5.1, the constant C3 of the key generation as eight 32-bit
// words, least significant first (C2 and C4 are zero).
constexpr uint32_t kC3[8] = {0xFF00FF00, 0xFF00FF00, 0x00FF00FF, 0x00FF00FF,
                             0x00FFFF00, 0xFF0000FF, 0x000000FF, 0xFF00FFFF};

// Table p maps byte p of a round input to its S-box output, rotated left by 11
// bits, so a round is four look-ups. Written by GostTablesInit, read-only after.
uint32_t roundTables[4][256];

// The GOST 28147-89 round function: S-boxes on the eight nibbles, then a rotation by 11.
inline uint32_t RoundFunction(uint32_t x) {
    return roundTables[0][x & 0xFF] ^ roundTables[1][(x >> 8) & 0xFF] ^ roundTables[2][(x >> 16) & 0xFF] ^
           roundTables[3][x >> 24];
}

// The transform A of the key generation: with the 64-bit parts y4 | y3 | y2 | y1,
// the result is (y1 ^ y2) | y4 | y3 | y2.
inline void TransformA(uint32_t y[8]) {
    const uint32_t low = y[0] ^ y[2], high = y[1] ^ y[3];
    for (int i = 0; i < 6; ++i)
        y[i] = y[i + 2];
    y[6] = low;
    y[7] = high;
}

// The byte permutation P of the key generation: byte i + 4k of the key is byte
// 8i + k of w, so key word k gathers byte k of each 64-bit part of w.
inline void TransformP(const uint32_t w[8], uint32_t key[8]) {
    for (int k = 0; k < 8; ++k) {
        const int shift = 8 * (k % 4);
        const int half = k / 4;
        key[k] = (w[half] >> shift & 0xFF) | (w[2 + half] >> shift & 0xFF) << 8 |
                 (w[4 + half] >> shift & 0xFF) << 16 | (w[6 + half] >> shift & 0xFF) << 24;
    }
}

// The four cipher keys from chaining value h and message block m (RFC 5831 section 5.1).
inline void GenerateKeys(const uint32_t h[8], const uint32_t m[8], uint32_t keys[4][8]) {
    uint32_t u[8], v[8], w[8];
    std::copy(h, h + 8, u);
    std::copy(m, m + 8, v);
    for (int j = 0; j < 4; ++j) {
        if (j > 0) {
            TransformA(u);
            if (j == 2)
                for (int i = 0; i < 8; ++i)
                    u[i] ^= kC3[i];
            TransformA(v);
            TransformA(v);
        }
        for (int i = 0; i < 8; ++i)
            w[i] = u[i] ^ v[i];
        TransformP(w, keys[j]);
    }
}

// Rounds on all four 64-bit parts at once, part i with key word keys[i][j] then
// keys[i][j2]. The four encryptions are independent, so interleaving them keeps
// the table loads of one from waiting on those of another.
inline void TwoRounds(uint32_t n1[4], uint32_t n2[4], const uint32_t keys[4][8], int j, int j2) {
    for (int i = 0; i < 4; ++i)
        n2[i] ^= RoundFunction(n1[i] + keys[i][j]);
    for (int i = 0; i < 4; ++i)
        n1[i] ^= RoundFunction(n2[i] + keys[i][j2]);
}

// GOST 28147-89 in simple substitution mode (RFC 5830 section 6.1) on the four
// 64-bit parts of h, part i (words 2i, 2i + 1) with keys[i]: key words 0 to 7
// three times, then 7 down to 0.
inline void EncryptParts(const uint32_t h[8], const uint32_t keys[4][8], uint32_t s[8]) {
    uint32_t n1[4], n2[4];
    for (int i = 0; i < 4; ++i) {
        n1[i] = h[2 * i];
        n2[i] = h[2 * i + 1];
    }
    for (int pass = 0; pass < 3; ++pass)
        for (int j = 0; j < 8; j += 2)
            TwoRounds(n1, n2, keys, j, j + 1);
    for (int j = 7; j > 0; j -= 2)
        TwoRounds(n1, n2, keys, j, j - 1);
    // The last round does not swap the halves.
    for (int i = 0; i < 4; ++i) {
        s[2 * i] = n2[i];
        s[2 * i + 1] = n1[i];
    }
}

// Extends y[0..15], sixteen 16-bit words (y[0] lowest), by count words so that
// y[count..count + 15] is the shuffle psi applied count times: psi shifts the
// value down one word and makes the new top word y1 ^ y2 ^ y3 ^ y4 ^ y13 ^ y16.
template <int count>
inline void Psi(uint16_t* y) {
    for (int k = 0; k < count; ++k)
        y[k + 16] = y[k] ^ y[k + 1] ^ y[k + 2] ^ y[k + 3] ^ y[k + 12] ^ y[k + 15];
}

inline void ToHalves(const uint32_t w[8], uint16_t y[16]) {
    for (int i = 0; i < 8; ++i) {
        y[2 * i] = uint16_t(w[i]);
        y[2 * i + 1] = uint16_t(w[i] >> 16);
    }
}

// The step function: h becomes psi^61(h ^ psi(m ^ psi^12(s))) with s the
// encrypted h (RFC 5831 sections 5.2 and 5.3).
void StepFunction(uint32_t h[8], const uint32_t m[8]) {
    uint32_t keys[4][8], s[8];
    GenerateKeys(h, m, keys);
    EncryptParts(h, keys, s);
    uint16_t y[16 + 61], mh[16], hh[16];
    ToHalves(s, y);
    ToHalves(m, mh);
    ToHalves(h, hh);
    Psi<12>(y);
    for (int i = 0; i < 16; ++i)
        y[i] = y[i + 12] ^ mh[i];
    Psi<1>(y);
    for (int i = 0; i < 16; ++i)
        y[i] = y[i + 1] ^ hh[i];
    Psi<61>(y);
    for (int i = 0; i < 8; ++i)
        h[i] = uint32_t(y[61 + 2 * i]) | uint32_t(y[62 + 2 * i]) << 16;
}

// One message block: into the control sum, through the step function, and
// bitCount bits onto the length.
void ProcessBlock(GostContext* context, const uint8_t* block, uint32_t bitCount) {
    uint32_t m[8];
    uint64_t carry = 0;
    for (int i = 0; i < 8; ++i) {
        m[i] = LoadLe32(block + 4 * i);
        carry += uint64_t(context->sum[i]) + m[i];
        context->sum[i] = uint32_t(carry);
        carry >>= 32;
    }
    StepFunction(context->hash, m);
    const uint64_t bits = (uint64_t(context->length[1]) << 32 | context->length[0]) + bitCount;
    context->length[0] = uint32_t(bits);
    context->length[1] = uint32_t(bits >> 32);
}

} // namespace

void GostTablesInit() {
    for (int p = 0; p < 4; ++p)
        for (uint32_t v = 0; v < 256; ++v) {
            const uint32_t low = kSBox[2 * p][v & 15], high = kSBox[2 * p + 1][v >> 4];
            roundTables[p][v] = std::rotl((low | high << 4) << (8 * p), 11);
        }
}

void GostInit(GostContext* context) {
    std::memset(context, 0, sizeof *context);
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
    StepFunction(context->hash, context->length);
    StepFunction(context->hash, context->sum);
    for (int i = 0; i < 8; ++i)
        StoreLe32(digest + 4 * i, context->hash[i]);
}

} // namespace vesk
