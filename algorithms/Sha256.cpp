// SHA-224 and SHA-256 (FIPS 180-4 sections 6.2 and 6.3).
#include "algorithms/Sha2.h"

#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vesk {

// FIPS 180-4 section 4.2.2: the first 32 bits of the fractional parts of the
// cube roots of the first 64 primes.
alignas(64) const uint32_t kSha256RoundConstants[64] = {
    0x428A2F98, 0x71374491, 0xB5C0FBCF, 0xE9B5DBA5, 0x3956C25B, 0x59F111F1, 0x923F82A4, 0xAB1C5ED5,
    0xD807AA98, 0x12835B01, 0x243185BE, 0x550C7DC3, 0x72BE5D74, 0x80DEB1FE, 0x9BDC06A7, 0xC19BF174,
    0xE49B69C1, 0xEFBE4786, 0x0FC19DC6, 0x240CA1CC, 0x2DE92C6F, 0x4A7484AA, 0x5CB0A9DC, 0x76F988DA,
    0x983E5152, 0xA831C66D, 0xB00327C8, 0xBF597FC7, 0xC6E00BF3, 0xD5A79147, 0x06CA6351, 0x14292967,
    0x27B70A85, 0x2E1B2138, 0x4D2C6DFC, 0x53380D13, 0x650A7354, 0x766A0ABB, 0x81C2C92E, 0x92722C85,
    0xA2BFE8A1, 0xA81A664B, 0xC24B8B70, 0xC76C51A3, 0xD192E819, 0xD6990624, 0xF40E3585, 0x106AA070,
    0x19A4C116, 0x1E376C08, 0x2748774C, 0x34B0BCB5, 0x391C0CB3, 0x4ED8AA4A, 0x5B9CCA4F, 0x682E6FF3,
    0x748F82EE, 0x78A5636F, 0x84C87814, 0x8CC70208, 0x90BEFFFA, 0xA4506CEB, 0xBEF9A3F7, 0xC67178F2,
};

namespace {

// FIPS 180-4 section 5.3.2 (SHA-224) and 5.3.3 (SHA-256).
constexpr uint32_t kSha224InitialState[8] = {
    0xC1059ED8, 0x367CD507, 0x3070DD17, 0xF70E5939, 0xFFC00B31, 0x68581511, 0x64F98FA7, 0xBEFA4FA4,
};
constexpr uint32_t kSha256InitialState[8] = {
    0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A, 0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19,
};

// The functions of section 4.1.2; Ch and Maj in equivalent forms with one
// operation fewer.
inline uint32_t Ch(uint32_t x, uint32_t y, uint32_t z) {
    return z ^ (x & (y ^ z));
}

inline uint32_t Maj(uint32_t x, uint32_t y, uint32_t z) {
    return (x & y) | (z & (x | y));
}

inline uint32_t BigSigma0(uint32_t x) {
    return std::rotr(x, 2) ^ std::rotr(x, 13) ^ std::rotr(x, 22);
}

inline uint32_t BigSigma1(uint32_t x) {
    return std::rotr(x, 6) ^ std::rotr(x, 11) ^ std::rotr(x, 25);
}

inline uint32_t SmallSigma0(uint32_t x) {
    return std::rotr(x, 7) ^ std::rotr(x, 18) ^ (x >> 3);
}

inline uint32_t SmallSigma1(uint32_t x) {
    return std::rotr(x, 17) ^ std::rotr(x, 19) ^ (x >> 10);
}

// Message word t (section 6.2.2, step 1) in a ring of 16: each new word takes
// the slot of the word 16 rounds back, whose last use it is.
inline uint32_t Schedule(uint32_t* w, const uint8_t* block, int t) {
    if (t < 16)
        w[t] = LoadBe32(block + 4 * t);
    else
        w[t & 15] += SmallSigma1(w[(t - 2) & 15]) + w[(t - 7) & 15] + SmallSigma0(w[(t - 15) & 15]);
    return w[t & 15];
}

void InitWith(Sha256Context* context, const uint32_t* initialState) {
    context->byteCount[0] = 0;
    context->byteCount[1] = 0;
    std::copy(initialState, initialState + 8, context->state);
}

} // namespace

void Sha224Init(Sha256Context* context) {
    InitWith(context, kSha224InitialState);
}

void Sha256Init(Sha256Context* context) {
    InitWith(context, kSha256InitialState);
}

// One round of section 6.2.2 without its seven moves: T1 goes into d and the
// new a into h, so the caller names the variables in turn. A macro because GCC
// calls a function of this size instead of inlining it 64 times, at half the speed.
#define ROUND(a, b, c, d, e, f, g, h, t)                                                                     \
    do {                                                                                                     \
        const uint32_t t1 =                                                                                  \
            h + BigSigma1(e) + Ch(e, f, g) + kSha256RoundConstants[t] + Schedule(w, block, t);               \
        d += t1;                                                                                             \
        h = t1 + BigSigma0(a) + Maj(a, b, c);                                                                \
    } while (0)

// After eight rounds every variable is back under its own name, so the 64
// rounds unroll into 8 groups with constant schedule slots and no moves.
#define EIGHT_ROUNDS(t)                                                                                      \
    ROUND(a, b, c, d, e, f, g, h, t);                                                                        \
    ROUND(h, a, b, c, d, e, f, g, t + 1);                                                                    \
    ROUND(g, h, a, b, c, d, e, f, t + 2);                                                                    \
    ROUND(f, g, h, a, b, c, d, e, t + 3);                                                                    \
    ROUND(e, f, g, h, a, b, c, d, t + 4);                                                                    \
    ROUND(d, e, f, g, h, a, b, c, t + 5);                                                                    \
    ROUND(c, d, e, f, g, h, a, b, t + 6);                                                                    \
    ROUND(b, c, d, e, f, g, h, a, t + 7)

// The portable compression function. Update and Final call the version in
// use (PathFunctions.h), which is this one unless the processor runs a faster one.
void Sha256BlocksPortable(uint32_t* state, const uint8_t* block, uint64_t blockCount) {
    for (; blockCount > 0; --blockCount, block += kSha256BlockBytes) {
        uint32_t w[16];
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        EIGHT_ROUNDS(0);
        EIGHT_ROUNDS(8);
        EIGHT_ROUNDS(16);
        EIGHT_ROUNDS(24);
        EIGHT_ROUNDS(32);
        EIGHT_ROUNDS(40);
        EIGHT_ROUNDS(48);
        EIGHT_ROUNDS(56);
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

#undef EIGHT_ROUNDS
#undef ROUND

void Sha256Update(Sha256Context* context, const uint8_t* data, uint64_t byteCount) {
    // An empty update must not touch data, which may then be null.
    if (byteCount == 0)
        return;
    const uint64_t oldCount = uint64_t(context->byteCount[1]) << 32 | context->byteCount[0];
    const uint64_t newCount = oldCount + byteCount;
    context->byteCount[0] = uint32_t(newCount);
    context->byteCount[1] = uint32_t(newCount >> 32);

    const Sha256BlocksFunction compress = Active(Paths().sha256Blocks);
    const size_t used = size_t(oldCount % kSha256BlockBytes);
    if (used > 0) {
        const size_t take = size_t(std::min<uint64_t>(byteCount, kSha256BlockBytes - used));
        std::memcpy(context->buffer + used, data, take);
        if (used + take < kSha256BlockBytes)
            return;
        compress(context->state, context->buffer, 1);
        data += take;
        byteCount -= take;
    }
    // Whole blocks straight from the caller's buffer: the words are loaded
    // big-endian either way, so copying them first would change nothing.
    const uint64_t blockCount = byteCount / kSha256BlockBytes;
    compress(context->state, data, blockCount);
    data += blockCount * kSha256BlockBytes;
    byteCount %= kSha256BlockBytes;
    if (byteCount > 0)
        std::memcpy(context->buffer, data, size_t(byteCount));
}

namespace {

// Pads (section 5.1.1) and writes the first digestBytes bytes of the state;
// SHA-224 keeps 28 of them, SHA-256 all 32.
void FinalWith(Sha256Context* context, uint8_t* digest, uint32_t digestBytes) {
    const uint64_t byteCount = uint64_t(context->byteCount[1]) << 32 | context->byteCount[0];
    // The marker bit, zeros, and the message length in bits in the last 8
    // bytes of a block; a second block when it does not fit.
    const Sha256BlocksFunction compress = Active(Paths().sha256Blocks);
    size_t used = size_t(byteCount % kSha256BlockBytes);
    context->buffer[used++] = 0x80;
    if (used > kSha256BlockBytes - 8) {
        std::memset(context->buffer + used, 0, kSha256BlockBytes - used);
        compress(context->state, context->buffer, 1);
        used = 0;
    }
    std::memset(context->buffer + used, 0, kSha256BlockBytes - 8 - used);
    StoreBe64(context->buffer + kSha256BlockBytes - 8, byteCount << 3);
    compress(context->state, context->buffer, 1);
    for (uint32_t i = 0; i < digestBytes / 4; ++i)
        StoreBe32(digest + 4 * i, context->state[i]);
}

} // namespace

void Sha224Final(Sha256Context* context, uint8_t* digest) {
    FinalWith(context, digest, kSha224DigestBytes);
}

void Sha256Final(Sha256Context* context, uint8_t* digest) {
    FinalWith(context, digest, kSha256DigestBytes);
}

} // namespace vesk
