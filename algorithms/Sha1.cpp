#include "algorithms/Sha1.h"

#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vesk {

namespace {

// FIPS 180-4 section 4.2.1: one constant for each run of 20 steps.
constexpr uint32_t kK0 = 0x5A827999; // 2^30 * sqrt(2), steps 0 to 19
constexpr uint32_t kK1 = 0x6ED9EBA1; // 2^30 * sqrt(3), steps 20 to 39
constexpr uint32_t kK2 = 0x8F1BBCDC; // 2^30 * sqrt(5), steps 40 to 59
constexpr uint32_t kK3 = 0xCA62C1D6; // 2^30 * sqrt(10), steps 60 to 79

// FIPS 180-4 section 5.3.1.
constexpr uint32_t kInitialState[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};

// The step functions of section 4.1.1; Ch and Maj in equivalent forms with one
// operation fewer.
inline uint32_t Ch(uint32_t x, uint32_t y, uint32_t z) {
    return z ^ (x & (y ^ z));
}

inline uint32_t Parity(uint32_t x, uint32_t y, uint32_t z) {
    return x ^ y ^ z;
}

inline uint32_t Maj(uint32_t x, uint32_t y, uint32_t z) {
    return (x & y) | (z & (x | y));
}

// Message word t (section 6.1.2, step 1) in a ring of 16: each new word takes
// the slot of the word 16 steps back, whose last use it is.
inline uint32_t Schedule(uint32_t* w, const uint8_t* block, int t) {
    if (t < 16)
        w[t] = LoadBe32(block + 4 * t);
    else
        w[t & 15] = std::rotl(w[(t - 3) & 15] ^ w[(t - 8) & 15] ^ w[(t - 14) & 15] ^ w[t & 15], 1);
    return w[t & 15];
}

// One step of section 6.1.2 without its four moves: the new a is left in e
// and b is rotated in place, so the caller names the variables in turn.
inline void Step(uint32_t a, uint32_t& b, uint32_t& e, uint32_t fkw) {
    e += std::rotl(a, 5) + fkw;
    b = std::rotl(b, 30);
}

} // namespace

void Sha1Init(Sha1Context* context) {
    context->byteCount[0] = 0;
    context->byteCount[1] = 0;
    std::copy(kInitialState, kInitialState + 5, context->state);
}

// After five steps every variable is back under its own name, so the 80 steps
// unroll into 16 groups with constant schedule slots and no moves.
#define FIVE_STEPS(F, k, t)                                                                                  \
    Step(a, b, e, F(b, c, d) + k + Schedule(w, block, t));                                                   \
    Step(e, a, d, F(a, b, c) + k + Schedule(w, block, t + 1));                                               \
    Step(d, e, c, F(e, a, b) + k + Schedule(w, block, t + 2));                                               \
    Step(c, d, b, F(d, e, a) + k + Schedule(w, block, t + 3));                                               \
    Step(b, c, a, F(c, d, e) + k + Schedule(w, block, t + 4))

// The portable compression function. Update and Final call the version in
// use (PathFunctions.h), which is this one unless the processor runs a faster one.
void Sha1BlocksPortable(uint32_t* state, const uint8_t* block, uint64_t blockCount) {
    for (; blockCount > 0; --blockCount, block += kSha1BlockBytes) {
        uint32_t w[16];
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        FIVE_STEPS(Ch, kK0, 0);
        FIVE_STEPS(Ch, kK0, 5);
        FIVE_STEPS(Ch, kK0, 10);
        FIVE_STEPS(Ch, kK0, 15);
        FIVE_STEPS(Parity, kK1, 20);
        FIVE_STEPS(Parity, kK1, 25);
        FIVE_STEPS(Parity, kK1, 30);
        FIVE_STEPS(Parity, kK1, 35);
        FIVE_STEPS(Maj, kK2, 40);
        FIVE_STEPS(Maj, kK2, 45);
        FIVE_STEPS(Maj, kK2, 50);
        FIVE_STEPS(Maj, kK2, 55);
        FIVE_STEPS(Parity, kK3, 60);
        FIVE_STEPS(Parity, kK3, 65);
        FIVE_STEPS(Parity, kK3, 70);
        FIVE_STEPS(Parity, kK3, 75);
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
}

#undef FIVE_STEPS

void Sha1Update(Sha1Context* context, const uint8_t* data, uint64_t byteCount) {
    // An empty update must not touch data, which may then be null.
    if (byteCount == 0)
        return;
    const uint64_t oldCount = uint64_t(context->byteCount[1]) << 32 | context->byteCount[0];
    const uint64_t newCount = oldCount + byteCount;
    context->byteCount[0] = uint32_t(newCount);
    context->byteCount[1] = uint32_t(newCount >> 32);

    const Sha1BlocksFunction compress = Active(Paths().sha1Blocks);
    const size_t used = size_t(oldCount % kSha1BlockBytes);
    if (used > 0) {
        const size_t take = size_t(std::min<uint64_t>(byteCount, kSha1BlockBytes - used));
        std::memcpy(context->buffer + used, data, take);
        if (used + take < kSha1BlockBytes)
            return;
        compress(context->state, context->buffer, 1);
        data += take;
        byteCount -= take;
    }
    const uint64_t blockCount = byteCount / kSha1BlockBytes;
    compress(context->state, data, blockCount);
    data += blockCount * kSha1BlockBytes;
    byteCount %= kSha1BlockBytes;
    if (byteCount > 0)
        std::memcpy(context->buffer, data, size_t(byteCount));
}

void Sha1Final(Sha1Context* context, uint8_t* digest) {
    const uint64_t byteCount = uint64_t(context->byteCount[1]) << 32 | context->byteCount[0];
    // The marker bit, zeros, and the message length in bits in the last 8
    // bytes of a block (section 5.1.1); a second block when it does not fit.
    const Sha1BlocksFunction compress = Active(Paths().sha1Blocks);
    size_t used = size_t(byteCount % kSha1BlockBytes);
    context->buffer[used++] = 0x80;
    if (used > kSha1BlockBytes - 8) {
        std::memset(context->buffer + used, 0, kSha1BlockBytes - used);
        compress(context->state, context->buffer, 1);
        used = 0;
    }
    std::memset(context->buffer + used, 0, kSha1BlockBytes - 8 - used);
    StoreBe64(context->buffer + kSha1BlockBytes - 8, byteCount << 3);
    compress(context->state, context->buffer, 1);
    for (int i = 0; i < 5; ++i)
        StoreBe32(digest + 4 * i, context->state[i]);
}

} // namespace vesk
