#include "algorithms/Md5.h"

#include "algorithms/ByteOrder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace vesk {

namespace {

// RFC 1321, section 3.4: T[i] = floor(2^32 abs(sin(i + 1))), one per step.
constexpr uint32_t kT[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// RFC 1321, section 3.4: the message word taken by each step, round by round.
constexpr uint8_t kWord[64] = {
    0, 1, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, // round 1: i
    1, 6, 11, 0,  5,  10, 15, 4,  9,  14, 3,  8,  13, 2,  7,  12, // round 2: 1 + 5i mod 16
    5, 8, 11, 14, 1,  4,  7,  10, 13, 0,  3,  6,  9,  12, 15, 2,  // round 3: 5 + 3i mod 16
    0, 7, 14, 5,  12, 3,  10, 1,  8,  15, 6,  13, 4,  11, 2,  9,  // round 4: 7i mod 16
};

// RFC 1321, section 3.4: the rotation of each step repeats in groups of four.
constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// RFC 1321, section 3.3: the initial chaining value A, B, C, D.
constexpr uint32_t kInitialState[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

// 0x80 and zeros, cut to the length the padding needs.
constexpr uint8_t kPadding[kMd5BlockBytes] = {0x80};

} // namespace

void Md5Init(Md5Context* context) {
    context->count[0] = 0;
    context->count[1] = 0;
    std::memcpy(context->state, kInitialState, sizeof kInitialState);
}

// Step i of the 64: the registers take turns as a, b, c, d, so v[(4 - i) mod 4]
// is this step's a. The terms fixed before the step (a, T, the message word and
// whatever does not involve b) are added first, which leaves only a few
// operations on the b of the step before on the critical path.
template <size_t i>
static inline void Md5Step(uint32_t (&v)[4], const uint8_t* block) {
    uint32_t& a = v[(64 - i) % 4];
    const uint32_t b = v[(65 - i) % 4];
    const uint32_t c = v[(66 - i) % 4];
    const uint32_t d = v[(67 - i) % 4];
    uint32_t sum = a + kT[i] + LoadLe32(block + 4 * kWord[i]);
    if constexpr (i < 16)
        sum += d ^ (b & (c ^ d)); // F = b ? c : d
    else if constexpr (i < 32)
        sum += (c & ~d) + (b & d); // G = d ? b : c; the two halves share no bit
    else if constexpr (i < 48)
        sum += b ^ (c ^ d); // H
    else
        sum += c ^ (b | ~d); // I
    a = b + std::rotl(sum, kShift[i / 16][i % 4]);
}

template <size_t... i>
static inline void Md5Steps(uint32_t (&v)[4], const uint8_t* block, std::index_sequence<i...>) {
    (Md5Step<i>(v, block), ...);
}

// Runs blockCount consecutive 64-byte blocks through the compression function,
// keeping the chaining value in registers from one block to the next.
static void Md5Compress(uint32_t* state, const uint8_t* data, uint64_t blockCount) {
    uint32_t v[4] = {state[0], state[1], state[2], state[3]};
    for (; blockCount > 0; --blockCount, data += kMd5BlockBytes) {
        const uint32_t before[4] = {v[0], v[1], v[2], v[3]};
        Md5Steps(v, data, std::make_index_sequence<64>());
        for (int k = 0; k < 4; ++k)
            v[k] += before[k];
    }
    for (int k = 0; k < 4; ++k)
        state[k] = v[k];
}

void Md5Update(Md5Context* context, const uint8_t* data, uint64_t byteCount) {
    // Avoids arithmetic on a null data pointer.
    if (byteCount == 0)
        return;
    uint64_t bits = uint64_t(context->count[1]) << 32 | context->count[0];
    const uint64_t buffered = (bits >> 3) % kMd5BlockBytes;
    bits += byteCount << 3; // the length field is the bit count modulo 2^64
    context->count[0] = uint32_t(bits);
    context->count[1] = uint32_t(bits >> 32);

    if (buffered > 0) {
        const uint64_t take = std::min<uint64_t>(byteCount, kMd5BlockBytes - buffered);
        std::memcpy(context->buffer + buffered, data, take);
        if (buffered + take < kMd5BlockBytes)
            return;
        Md5Compress(context->state, context->buffer, 1);
        data += take;
        byteCount -= take;
    }
    Md5Compress(context->state, data, byteCount / kMd5BlockBytes);
    data += byteCount - byteCount % kMd5BlockBytes;
    std::memcpy(context->buffer, data, byteCount % kMd5BlockBytes);
}

void Md5Final(Md5Context* context, uint8_t* digest) {
    uint8_t length[8];
    StoreLe32(length, context->count[0]);
    StoreLe32(length + 4, context->count[1]);
    // Pads to 56 bytes modulo 64, so that the length field ends a block.
    const uint32_t buffered = (context->count[0] >> 3) % kMd5BlockBytes;
    Md5Update(context, kPadding, buffered < 56 ? 56 - buffered : 120 - buffered);
    Md5Update(context, length, sizeof length);
    for (int k = 0; k < 4; ++k)
        StoreLe32(context->digest + 4 * k, context->state[k]);
    std::memcpy(digest, context->digest, kMd5DigestBytes);
}

} // namespace vesk
