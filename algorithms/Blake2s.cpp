// BLAKE2s (RFC 7693) and its 8-way tree mode BLAKE2sp (BLAKE2 paper, section 2.10).
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

constexpr uint32_t kAllOnes = ~uint32_t{0};

// Parameter block words (RFC 7693 section 2.5, paper section 2.8), little-endian.
// Word 0: digest length 32, key length 0, fanout and depth. Word 1, the leaf
// length, is 0; word 2 is the low half of the node offset.
constexpr uint32_t kSequentialWord0 = 0x01010020; // fanout 1, depth 1
constexpr uint32_t kTreeWord0 = 0x02080020;       // fanout 8, depth 2
// Word 3: node offset high bits 0, node depth in byte 2, inner (leaf digest) length in byte 3.
constexpr uint32_t kLeafWord3 = 0x20000000; // node depth 0, inner length 32
constexpr uint32_t kRootWord3 = 0x20010000; // node depth 1, inner length 32

// A node with parameter words 0, 2 and 3; the rest of the parameter block is zero.
void InitNode(Blake2sContext* context, uint32_t word0, uint32_t word2, uint32_t word3, uint32_t lastNode) {
    *context = Blake2sContext{};
    std::copy(std::begin(kBlake2sIv), std::end(kBlake2sIv), context->h);
    context->h[0] ^= word0;
    context->h[2] ^= word2;
    context->h[3] ^= word3;
    context->lastNode = lastNode;
}

// Adds to the 64-bit byte counter kept as two 32-bit words.
void AddToCounter(Blake2sContext* context, uint32_t byteCount) {
    context->t[0] += byteCount;
    context->t[1] += context->t[0] < byteCount ? 1 : 0;
}

} // namespace

void Blake2sInit(Blake2sContext* context) {
    InitNode(context, kSequentialWord0, 0, 0, 0);
}

namespace {

// One round: the columns, then the diagonals. The round number is a template
// argument so that every message index is a constant and v stays in registers.
// Forced inline as in Blake2b.cpp, where GCC leaves some rounds out of line and
// sends v through memory on every call.
template <int r>
[[gnu::always_inline]] inline void Round(uint32_t (&v)[16], const uint32_t (&m)[16]) {
    constexpr const uint8_t(&s)[16] = kBlake2Sigma[r];
    Blake2sMix(v[0], v[4], v[8], v[12], m[s[0]], m[s[1]]);
    Blake2sMix(v[1], v[5], v[9], v[13], m[s[2]], m[s[3]]);
    Blake2sMix(v[2], v[6], v[10], v[14], m[s[4]], m[s[5]]);
    Blake2sMix(v[3], v[7], v[11], v[15], m[s[6]], m[s[7]]);
    Blake2sMix(v[0], v[5], v[10], v[15], m[s[8]], m[s[9]]);
    Blake2sMix(v[1], v[6], v[11], v[12], m[s[10]], m[s[11]]);
    Blake2sMix(v[2], v[7], v[8], v[13], m[s[12]], m[s[13]]);
    Blake2sMix(v[3], v[4], v[9], v[14], m[s[14]], m[s[15]]);
}

// The compression function F of RFC 7693, section 3.2, over the context's
// chaining value, counter and flags.
void Compress(Blake2sContext* context, const uint8_t* block) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = LoadLe32(block + 4 * i);
    uint32_t* h = context->h;
    const uint32_t* t = context->t;
    const uint32_t* f = context->f;
    // v and the new h are written out word by word: as loops, GCC moves them
    // through the stack in vector registers, which costs about 15% of the speed.
    uint32_t v[16] = {
        h[0],
        h[1],
        h[2],
        h[3],
        h[4],
        h[5],
        h[6],
        h[7],
        kBlake2sIv[0],
        kBlake2sIv[1],
        kBlake2sIv[2],
        kBlake2sIv[3],
        kBlake2sIv[4] ^ t[0],
        kBlake2sIv[5] ^ t[1],
        kBlake2sIv[6] ^ f[0],
        kBlake2sIv[7] ^ f[1],
    };
    // Ten rounds (RFC 7693, section 2.1).
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

void Blake2sUpdate(Blake2sContext* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount == 0)
        return;
    // More input than the buffer has room for: its block is not the last, so
    // top it up (a full block takes nothing) and compress it.
    if (byteCount > kBlake2sBlockBytes - context->fill) {
        const uint32_t room = kBlake2sBlockBytes - context->fill;
        std::memcpy(context->block + context->fill, data, room);
        AddToCounter(context, kBlake2sBlockBytes);
        Compress(context, context->block);
        data += room;
        byteCount -= room;
        context->fill = 0;
        // Whole blocks straight from the input, all but the last 1 to 64 bytes.
        for (; byteCount > kBlake2sBlockBytes; data += kBlake2sBlockBytes, byteCount -= kBlake2sBlockBytes) {
            AddToCounter(context, kBlake2sBlockBytes);
            Compress(context, data);
        }
    }
    std::memcpy(context->block + context->fill, data, byteCount);
    context->fill += uint32_t(byteCount);
}

void Blake2sFinal(Blake2sContext* context, uint8_t* digest) {
    AddToCounter(context, context->fill);
    context->f[0] = kAllOnes;
    context->f[1] = context->lastNode;
    std::memset(context->block + context->fill, 0, kBlake2sBlockBytes - context->fill);
    Compress(context, context->block);
    for (int i = 0; i < 8; ++i)
        StoreLe32(digest + 4 * i, context->h[i]);
}

/// BLAKE2sp ///

void Blake2spInit(Blake2spContext* context) {
    for (uint32_t i = 0; i < kBlake2spLeafCount; ++i)
        InitNode(&context->leaves[i], kTreeWord0, i, kLeafWord3, i == kBlake2spLeafCount - 1 ? kAllOnes : 0);
    context->stripePosition = 0;
}

// The portable stripe loop. The tree mode calls the version in use
// (PathFunctions.h), which is this one unless the processor runs a faster one.
void Blake2spStripesPortable(Blake2sContext* leaves, const uint8_t* stripes, uint64_t stripeCount) {
    for (; stripeCount > 0; --stripeCount, stripes += kBlake2StripeBytes)
        for (uint32_t i = 0; i < kBlake2spLeafCount; ++i) {
            AddToCounter(&leaves[i], kBlake2sBlockBytes);
            Compress(&leaves[i], stripes + i * kBlake2sBlockBytes);
        }
}

namespace {

// From the start of a stripe, over stripeCount > 1 whole stripes: what
// Blake2sUpdate would do with each leaf's blocks, but compressing every block
// but the last of each leaf straight from the input.
void TakeWholeStripes(Blake2spContext* context, const uint8_t* data, uint64_t stripeCount) {
    // A leaf's held block (a whole one, at a stripe start) is not its last.
    for (Blake2sContext& leaf : context->leaves)
        if (leaf.fill != 0) {
            AddToCounter(&leaf, kBlake2sBlockBytes);
            Compress(&leaf, leaf.block);
        }
    Active(Paths().blake2spStripes)(context->leaves, data, stripeCount - 1);
    data += (stripeCount - 1) * kBlake2StripeBytes;
    for (uint32_t i = 0; i < kBlake2spLeafCount; ++i) {
        std::memcpy(context->leaves[i].block, data + i * kBlake2sBlockBytes, kBlake2sBlockBytes);
        context->leaves[i].fill = kBlake2sBlockBytes;
    }
}

} // namespace

// Block k of the message goes to leaf k mod 8; each leaf buffers as BLAKE2s does.
void Blake2spUpdate(Blake2spContext* context, const uint8_t* data, uint64_t byteCount) {
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
            uint32_t(std::min<uint64_t>(kBlake2sBlockBytes - position % kBlake2sBlockBytes, byteCount));
        Blake2sUpdate(&context->leaves[position / kBlake2sBlockBytes], data, take);
        data += take;
        byteCount -= take;
        context->stripePosition = (position + take) % kBlake2StripeBytes;
    }
}

void Blake2spFinal(Blake2spContext* context, uint8_t* digest) {
    Blake2sContext root;
    InitNode(&root, kTreeWord0, 0, kRootWord3, kAllOnes);
    for (Blake2sContext& leaf : context->leaves) {
        uint8_t leafDigest[kBlake2sDigestBytes];
        Blake2sFinal(&leaf, leafDigest);
        Blake2sUpdate(&root, leafDigest, sizeof leafDigest);
    }
    Blake2sFinal(&root, digest);
}

} // namespace vesk
