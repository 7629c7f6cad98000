#include "algorithms/Md4.h"

#include "algorithms/ByteOrder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace vesk {

namespace {

// RFC 1320, section 3.4: the message word taken by each step, round by round.
constexpr uint8_t kWord[48] = {
    0, 1, 2, 3,  4, 5,  6, 7,  8, 9, 10, 11, 12, 13, 14, 15, // round 1
    0, 4, 8, 12, 1, 5,  9, 13, 2, 6, 10, 14, 3,  7,  11, 15, // round 2
    0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5,  13, 3,  11, 7,  15, // round 3
};

// RFC 1320, section 3.4: the rotation of each step repeats in groups of four.
constexpr int kShift[3][4] = {{3, 7, 11, 19}, {3, 5, 9, 13}, {3, 9, 11, 15}};

// RFC 1320, section 3.4: the constant added in each round (sqrt 2 and sqrt 3 scaled by 2^30).
constexpr uint32_t kRoundConstant[3] = {0x00000000, 0x5a827999, 0x6ed9eba1};

// RFC 1320, section 3.3: the initial chaining value A, B, C, D.
constexpr uint32_t kInitialState[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

// 0x80 and zeros, cut to the length the padding needs.
constexpr uint8_t kPadding[kMd4BlockBytes] = {0x80};

} // namespace

void Md4Init(Md4Context* context) {
    std::memcpy(context->state, kInitialState, sizeof kInitialState);
    context->count[0] = 0;
    context->count[1] = 0;
}

// Step i of the 48: the registers take turns as a, b, c, d, so v[(4 - i) mod 4]
// is this step's a. The terms fixed before the step are added first, which
// leaves only a few operations on the b of the step before on the critical path.
template <size_t i>
static inline void Md4Step(uint32_t (&v)[4], const uint8_t* block) {
    uint32_t& a = v[(48 - i) % 4];
    const uint32_t b = v[(49 - i) % 4];
    const uint32_t c = v[(50 - i) % 4];
    const uint32_t d = v[(51 - i) % 4];
    uint32_t sum = a + kRoundConstant[i / 16] + LoadLe32(block + 4 * kWord[i]);
    if constexpr (i < 16)
        sum += d ^ (b & (c ^ d)); // F = b ? c : d
    else if constexpr (i < 32)
        sum += (c & d) + (b & (c ^ d)); // G = majority of b, c, d; the two halves share no bit
    else
        sum += b ^ (c ^ d); // H
    a = std::rotl(sum, kShift[i / 16][i % 4]);
}

template <size_t... i>
static inline void Md4Steps(uint32_t (&v)[4], const uint8_t* block, std::index_sequence<i...>) {
    (Md4Step<i>(v, block), ...);
}

// Runs blockCount consecutive 64-byte blocks through the compression function,
// keeping the chaining value in registers from one block to the next.
static void Md4Compress(uint32_t* state, const uint8_t* data, uint64_t blockCount) {
    uint32_t v[4] = {state[0], state[1], state[2], state[3]};
    for (; blockCount > 0; --blockCount, data += kMd4BlockBytes) {
        const uint32_t before[4] = {v[0], v[1], v[2], v[3]};
        Md4Steps(v, data, std::make_index_sequence<48>());
        for (int k = 0; k < 4; ++k)
            v[k] += before[k];
    }
    for (int k = 0; k < 4; ++k)
        state[k] = v[k];
}

void Md4Update(Md4Context* context, const uint8_t* data, uint64_t byteCount) {
    // Avoids arithmetic on a null data pointer.
    if (byteCount == 0)
        return;
    uint64_t bits = uint64_t(context->count[1]) << 32 | context->count[0];
    const uint64_t buffered = (bits >> 3) % kMd4BlockBytes;
    bits += byteCount << 3; // the length field is the bit count modulo 2^64
    context->count[0] = uint32_t(bits);
    context->count[1] = uint32_t(bits >> 32);

    if (buffered > 0) {
        const uint64_t take = std::min<uint64_t>(byteCount, kMd4BlockBytes - buffered);
        std::memcpy(context->buffer + buffered, data, take);
        if (buffered + take < kMd4BlockBytes)
            return;
        Md4Compress(context->state, context->buffer, 1);
        data += take;
        byteCount -= take;
    }
    Md4Compress(context->state, data, byteCount / kMd4BlockBytes);
    data += byteCount - byteCount % kMd4BlockBytes;
    std::memcpy(context->buffer, data, byteCount % kMd4BlockBytes);
}

void Md4Final(Md4Context* context, uint8_t* digest) {
    uint8_t length[8];
    StoreLe32(length, context->count[0]);
    StoreLe32(length + 4, context->count[1]);
    // Pads to 56 bytes modulo 64, so that the length field ends a block.
    const uint32_t buffered = (context->count[0] >> 3) % kMd4BlockBytes;
    Md4Update(context, kPadding, buffered < 56 ? 56 - buffered : 120 - buffered);
    Md4Update(context, length, sizeof length);
    for (int k = 0; k < 4; ++k)
        StoreLe32(digest + 4 * k, context->state[k]);
    // Leaves no trace of the message behind.
    std::memset(context, 0, sizeof *context);
}

} // namespace vesk
