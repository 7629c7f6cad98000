#include "algorithms/Has160.h"

#include "algorithms/ByteOrder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vesk {

namespace {

// TTAS.KO-12.0011/R2, the initial chaining value.
constexpr uint32_t kInitialState[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};

// TTAS.KO-12.0011/R2, per round: the added constant and the left rotation of the second register.
constexpr uint32_t kRoundConstant[4] = {0x00000000, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC};
constexpr int kRotateB[4] = {10, 17, 25, 30};

// TTAS.KO-12.0011/R2, the left rotation of the first register in step j of every round.
constexpr int kRotateA[20] = {5, 11, 7, 15, 6, 13, 8, 14, 7, 12, 9, 11, 8, 15, 6, 12, 9, 14, 5, 13};

// TTAS.KO-12.0011/R2, the word step j of each round adds: 0 to 15 are the block's words, 16 to 19 the
// round's extra words. Each extra word is the XOR of the four block words after its first use, so
// the group after 18 in round 1 (words 0 to 3) makes word 16, the next group word 17, and so on.
constexpr int kWordOrder[4][20] = {
    {18, 0, 1, 2, 3, 19, 4, 5, 6, 7, 16, 8, 9, 10, 11, 17, 12, 13, 14, 15},
    {18, 3, 6, 9, 12, 19, 15, 2, 5, 8, 16, 11, 14, 1, 4, 17, 7, 10, 13, 0},
    {18, 12, 5, 14, 7, 19, 0, 9, 2, 11, 16, 4, 13, 6, 15, 17, 8, 1, 10, 3},
    {18, 7, 2, 13, 8, 19, 3, 14, 9, 4, 16, 15, 10, 5, 0, 17, 11, 6, 1, 12},
};

// The Boolean function of round r (0 to 3).
template <int r>
inline uint32_t Boolean(uint32_t x, uint32_t y, uint32_t z) {
    if constexpr (r == 0)
        return z ^ (x & (y ^ z)); // (x AND y) OR (NOT x AND z)
    else if constexpr (r == 2)
        return y ^ (x | ~z);
    else
        return x ^ y ^ z;
}

// One step with the registers renamed instead of moved: e becomes the new first
// register and b, rotated, the new third; the caller passes (e, a, b, c, d) next.
template <int r>
inline void Step(uint32_t a, uint32_t& b, uint32_t c, uint32_t d, uint32_t& e, uint32_t x, int j) {
    // a, the register the previous step produced, is added last to keep the chain between steps short.
    e += x + kRoundConstant[r] + Boolean<r>(b, c, d);
    e += std::rotl(a, kRotateA[j]);
    b = std::rotl(b, kRotateB[r]);
}

// Twenty steps; after each five the registers are back in their roles.
template <int r>
inline void Round(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e, uint32_t x[20]) {
    const int* order = kWordOrder[r];
#pragma GCC unroll 4
    for (int g = 0; g < 4; ++g)
        x[16 + g] = x[order[5 * g + 1]] ^ x[order[5 * g + 2]] ^ x[order[5 * g + 3]] ^ x[order[5 * g + 4]];
#pragma GCC unroll 4
    for (int j = 0; j < 20; j += 5) {
        Step<r>(a, b, c, d, e, x[order[j]], j);
        Step<r>(e, a, b, c, d, x[order[j + 1]], j + 1);
        Step<r>(d, e, a, b, c, x[order[j + 2]], j + 2);
        Step<r>(c, d, e, a, b, x[order[j + 3]], j + 3);
        Step<r>(b, c, d, e, a, x[order[j + 4]], j + 4);
    }
}

} // namespace

void Has160Init(Has160Context* context) {
    std::memset(context, 0, sizeof *context);
    std::copy(kInitialState, kInitialState + 5, context->state);
}

static void Has160Compress(uint32_t state[5], const uint8_t* block) {
    uint32_t x[20];
    for (int i = 0; i < 16; ++i)
        x[i] = LoadLe32(block + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    Round<0>(a, b, c, d, e, x);
    Round<1>(a, b, c, d, e, x);
    Round<2>(a, b, c, d, e, x);
    Round<3>(a, b, c, d, e, x);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

void Has160Update(Has160Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount == 0)
        return; // data may be null
    const uint64_t used = context->byteCount % kHas160BlockBytes;
    context->byteCount += byteCount;
    if (used > 0) {
        const uint64_t take = std::min<uint64_t>(kHas160BlockBytes - used, byteCount);
        std::memcpy(context->block + used, data, size_t(take));
        data += take;
        byteCount -= take;
        if (used + take < kHas160BlockBytes)
            return;
        Has160Compress(context->state, context->block);
    }
    for (; byteCount >= kHas160BlockBytes; byteCount -= kHas160BlockBytes, data += kHas160BlockBytes)
        Has160Compress(context->state, data);
    if (byteCount > 0)
        std::memcpy(context->block, data, size_t(byteCount));
}

void Has160Final(Has160Context* context, uint8_t* digest) {
    uint64_t used = context->byteCount % kHas160BlockBytes;
    context->block[used++] = 0x80;
    // The 8-byte length needs the end of a block; without room for it, one more block.
    if (used > kHas160BlockBytes - 8) {
        std::memset(context->block + used, 0, size_t(kHas160BlockBytes - used));
        Has160Compress(context->state, context->block);
        used = 0;
    }
    std::memset(context->block + used, 0, size_t(kHas160BlockBytes - 8 - used));
    StoreLe64(context->block + kHas160BlockBytes - 8, context->byteCount * 8);
    Has160Compress(context->state, context->block);
    for (int i = 0; i < 5; ++i)
        StoreLe32(digest + 4 * i, context->state[i]);
}

} // namespace vesk
