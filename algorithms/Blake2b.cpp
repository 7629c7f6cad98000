// BLAKE2b (RFC 7693) and its 4-way tree mode BLAKE2bp (BLAKE2 paper, section 2.10).
#include "algorithms/Blake2.h"

#include "algorithms/Blake2Common.h"
#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

namespace vesk {

namespace {

constexpr uint64_t kAllOnes = ~uint64_t{0};

// Parameter block words (RFC 7693 section 2.5, paper section 2.8), little-endian.
// Word 0: digest length 64, key length 0, fanout and depth; the leaf length above them is 0.
constexpr uint64_t kSequentialWord0 = 0x0000000001010040; // fanout 1, depth 1
constexpr uint64_t kTreeWord0 = 0x0000000002040040;       // fanout 4, depth 2
// Word 2: node depth in byte 0, inner (leaf digest) length in byte 1.
constexpr uint64_t kLeafWord2 = 0x4000; // node depth 0, inner length 64
constexpr uint64_t kRootWord2 = 0x4001; // node depth 1, inner length 64

// A node with parameter words 0 to 2 (word 1 is the node offset); the rest of
// the parameter block (salt, personalisation) is zero.
void InitNode(Blake2bContext* context, uint64_t word0, uint64_t word1, uint64_t word2, uint64_t lastNode) {
    *context = Blake2bContext{};
    std::copy(std::begin(kBlake2bIv), std::end(kBlake2bIv), context->h);
    context->h[0] ^= word0;
    context->h[1] ^= word1;
    context->h[2] ^= word2;
    context->lastNode = lastNode;
}

// The block held in the buffer: the counter's remainder, except that a
// non-zero multiple of the block size stands for a full block held back.
uint64_t BufferedBytes(const Blake2bContext* context) {
    const uint64_t partial = context->counter % kBlake2bBlockBytes;
    return partial == 0 && context->counter != 0 ? kBlake2bBlockBytes : partial;
}

} // namespace

void Blake2bInit(Blake2bContext* context) {
    InitNode(context, kSequentialWord0, 0, 0, 0);
}

namespace {

// The mixing function G of RFC 7693, section 3.1.
inline void G(uint64_t& a, uint64_t& b, uint64_t& c, uint64_t& d, uint64_t x, uint64_t y) {
    a = a + b + x;
    d = std::rotr(d ^ a, 32);
    c = c + d;
    b = std::rotr(b ^ c, 24);
    a = a + b + y;
    d = std::rotr(d ^ a, 16);
    c = c + d;
    b = std::rotr(b ^ c, 63);
}

// One round: the columns, then the diagonals. The round number is a template
// argument so that every message index is a constant and v stays in registers.
// Forced inline: GCC otherwise keeps two of the twelve rounds out of line, which
// sends v through memory on every call and costs about a tenth of the speed.
template <int r>
[[gnu::always_inline]] inline void Round(uint64_t (&v)[16], const uint64_t (&m)[16]) {
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

// The compression function F of RFC 7693, section 3.2, with t1 = 0: the counter
// t0 includes this block, f0 and f1 are the finalisation flags.
void Compress(uint64_t (&h)[8], const uint8_t* block, uint64_t t0, uint64_t f0, uint64_t f1) {
    uint64_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = LoadLe64(block + 8 * i);
    // v and the new h are written out word by word: as loops, GCC moves them
    // through the stack in vector registers, which costs about 5% of the speed.
    uint64_t v[16] = {
        h[0],
        h[1],
        h[2],
        h[3],
        h[4],
        h[5],
        h[6],
        h[7],
        kBlake2bIv[0],
        kBlake2bIv[1],
        kBlake2bIv[2],
        kBlake2bIv[3],
        kBlake2bIv[4] ^ t0,
        kBlake2bIv[5],
        kBlake2bIv[6] ^ f0,
        kBlake2bIv[7] ^ f1,
    };
    // Twelve rounds (RFC 7693, section 2.1).
    Round<0>(v, m);
    Round<1>(v, m);
    Round<2>(v, m);
    Round<3>(v, m);
    Round<4>(v, m);
    Round<5>(v, m);
    Round<6>(v, m);
    Round<7>(v, m);
    Round<8>(v, m);
    Round<9>(v, m);
    Round<10>(v, m);
    Round<11>(v, m);
    h[0] ^= v[0] ^ v[8];
    h[1] ^= v[1] ^ v[9];
    h[2] ^= v[2] ^ v[10];
    h[3] ^= v[3] ^ v[11];
    h[4] ^= v[4] ^ v[12];
    h[5] ^= v[5] ^ v[13];
    h[6] ^= v[6] ^ v[14];
    h[7] ^= v[7] ^ v[15];
}

} // namespace

void Blake2bUpdate(Blake2bContext* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount == 0)
        return;
    uint64_t buffered = BufferedBytes(context);
    // More input than the buffer has room for: its block is not the last, so
    // top it up (a full block takes nothing) and compress it.
    if (buffered != 0 && byteCount > kBlake2bBlockBytes - buffered) {
        const uint64_t room = kBlake2bBlockBytes - buffered;
        std::memcpy(context->block + buffered, data, room);
        context->counter += room;
        Compress(context->h, context->block, context->counter, 0, 0);
        data += room;
        byteCount -= room;
        buffered = 0;
    }
    // Whole blocks straight from the input, all but the last 1 to 128 bytes.
    for (; byteCount > kBlake2bBlockBytes; data += kBlake2bBlockBytes, byteCount -= kBlake2bBlockBytes) {
        context->counter += kBlake2bBlockBytes;
        Compress(context->h, data, context->counter, 0, 0);
    }
    std::memcpy(context->block + buffered, data, byteCount);
    context->counter += byteCount;
}

void Blake2bFinal(Blake2bContext* context, uint8_t* digest) {
    const uint64_t buffered = BufferedBytes(context);
    std::memset(context->block + buffered, 0, kBlake2bBlockBytes - buffered);
    Compress(context->h, context->block, context->counter, kAllOnes, context->lastNode);
    for (int i = 0; i < 8; ++i)
        StoreLe64(digest + 8 * i, context->h[i]);
}

/// BLAKE2bp ///

void Blake2bpInit(Blake2bpContext* context) {
    for (uint32_t i = 0; i < kBlake2bpLeafCount; ++i)
        InitNode(&context->leaves[i], kTreeWord0, i, kLeafWord2, i == kBlake2bpLeafCount - 1 ? kAllOnes : 0);
    context->stripePosition = 0;
}

// The portable stripe loop. The tree mode calls the version in use
// (PathFunctions.h), which is this one unless the processor runs a faster one.
void Blake2bpStripesPortable(Blake2bContext* leaves, const uint8_t* stripes, uint64_t stripeCount) {
    for (; stripeCount > 0; --stripeCount, stripes += kBlake2StripeBytes)
        for (uint32_t i = 0; i < kBlake2bpLeafCount; ++i) {
            Blake2bContext& leaf = leaves[i];
            leaf.counter += kBlake2bBlockBytes;
            Compress(leaf.h, stripes + i * kBlake2bBlockBytes, leaf.counter, 0, 0);
        }
}

namespace {

// From the start of a stripe, over stripeCount > 1 whole stripes: what
// Blake2bUpdate would do with each leaf's blocks, but compressing every block
// but the last of each leaf straight from the input.
void TakeWholeStripes(Blake2bpContext* context, const uint8_t* data, uint64_t stripeCount) {
    // A leaf's held block (a whole one, at a stripe start) is not its last.
    for (Blake2bContext& leaf : context->leaves)
        if (leaf.counter != 0)
            Compress(leaf.h, leaf.block, leaf.counter, 0, 0);
    Active(Paths().blake2bpStripes)(context->leaves, data, stripeCount - 1);
    data += (stripeCount - 1) * kBlake2StripeBytes;
    for (uint32_t i = 0; i < kBlake2bpLeafCount; ++i) {
        Blake2bContext& leaf = context->leaves[i];
        std::memcpy(leaf.block, data + i * kBlake2bBlockBytes, kBlake2bBlockBytes);
        leaf.counter += kBlake2bBlockBytes;
    }
}

} // namespace

// Block k of the message goes to leaf k mod 4; each leaf buffers as BLAKE2b does.
void Blake2bpUpdate(Blake2bpContext* context, const uint8_t* data, uint64_t byteCount) {
    while (byteCount > 0) {
        const uint32_t position = context->stripePosition;
        const uint64_t stripeCount = byteCount / kBlake2StripeBytes;
        if (position == 0 && stripeCount > 1) {
            TakeWholeStripes(context, data, stripeCount);
            data += stripeCount * kBlake2StripeBytes;
            byteCount -= stripeCount * kBlake2StripeBytes;
            continue;
        }
        const uint32_t take =
            uint32_t(std::min<uint64_t>(kBlake2bBlockBytes - position % kBlake2bBlockBytes, byteCount));
        Blake2bUpdate(&context->leaves[position / kBlake2bBlockBytes], data, take);
        data += take;
        byteCount -= take;
        context->stripePosition = (position + take) % kBlake2StripeBytes;
    }
}

void Blake2bpFinal(Blake2bpContext* context, uint8_t* digest) {
    Blake2bContext root;
    InitNode(&root, kTreeWord0, 0, kRootWord2, kAllOnes);
    for (Blake2bContext& leaf : context->leaves) {
        uint8_t leafDigest[kBlake2bDigestBytes];
        Blake2bFinal(&leaf, leafDigest);
        Blake2bUpdate(&root, leafDigest, sizeof leafDigest);
    }
    Blake2bFinal(&root, digest);
}

} // namespace vesk
