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

// Word i of the 16-word input selects an entry of box 2p or 2p + 1 (alternating
// every two words) by its low byte, and the entry is XORed into both neighbours.
inline void SubRound(uint32_t w[16], const uint32_t* box0, const uint32_t* box1) {
    for (int i = 0; i < 16; ++i) {
        const uint32_t entry = ((i >> 1) & 1 ? box1 : box0)[w[i] & 0xFF];
        w[(i + 1) & 15] ^= entry;
        w[(i - 1) & 15] ^= entry;
    }
}

// The chaining value's first `kWords` words and the message block form the
// 16-word input; after the permutation, chaining word i takes permuted word 15 - i.
template <int kWords>
void Compress(uint32_t h[8], const uint8_t* block) {
    uint32_t w[16];
    for (int i = 0; i < kWords; ++i)
        w[i] = h[i];
    for (int i = kWords; i < 16; ++i)
        w[i] = LoadBe32(block + 4 * (i - kWords));
    for (int pass = 0; pass < kPasses; ++pass) {
        const uint32_t* box0 = kSnefruSBoxes[2 * pass];
        const uint32_t* box1 = kSnefruSBoxes[2 * pass + 1];
        for (int rotation : kRotations) {
            SubRound(w, box0, box1);
            for (int i = 0; i < 16; ++i)
                w[i] = std::rotr(w[i], rotation);
        }
    }
    for (int i = 0; i < kWords; ++i)
        h[i] ^= w[15 - i];
}

void CompressBlock(SnefruContext* context, const uint8_t* block) {
    if (context->digestLength == kSnefru128DigestBytes)
        Compress<kSnefru128DigestBytes / 4>(context->h, block);
    else
        Compress<kSnefru256DigestBytes / 4>(context->h, block);
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
        CompressBlock(context, context->buffer);
        context->bufferCount = 0;
    }
    // Whole blocks are read in place when the caller's buffer allows aligned
    // 32-bit reads, and go through the context buffer otherwise.
    const bool aligned = reinterpret_cast<uintptr_t>(data) % alignof(uint32_t) == 0;
    for (; byteCount >= blockBytes; data += blockBytes, byteCount -= blockBytes) {
        if (aligned) {
            CompressBlock(context, data);
        } else {
            std::memcpy(context->buffer, data, blockBytes);
            CompressBlock(context, context->buffer);
        }
    }
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
        CompressBlock(context, context->buffer);
    }
    // The length block: the bit count in its last 8 bytes.
    std::memset(context->buffer, 0, blockBytes);
    StoreBe64(context->buffer + blockBytes - 8, context->length << 3);
    CompressBlock(context, context->buffer);
    for (uint32_t i = 0; i < context->digestLength / 4; ++i)
        StoreBe32(digest + 4 * i, context->h[i]);
}

} // namespace vesk
