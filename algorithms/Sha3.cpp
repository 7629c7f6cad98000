#include "algorithms/Sha3.h"

#include "algorithms/ByteOrder.h"
#include "algorithms/KeccakPermutation.h"
#include "algorithms/PathFunctions.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace vesk {

// Sets the start state for a capacity in bits; 1600 minus it must be a
// multiple of 64 and the rate at most kSha3MaxRateBytes.
static void Sha3InitSponge(Sha3Context* context, uint32_t capacityBits) {
    std::memset(context, 0, sizeof *context);
    context->rate = (1600 - capacityBits) / 8;
}
static_assert((1600 - 448) / 8 <= kSha3MaxRateBytes, "SHA3-224, the widest rate, fits the queue");

void Sha3Init224(Sha3Context* context) {
    Sha3InitSponge(context, 448);
}

void Sha3Init256(Sha3Context* context) {
    Sha3InitSponge(context, 512);
}

void Sha3Init384(Sha3Context* context) {
    Sha3InitSponge(context, 768);
}

void Sha3Init512(Sha3Context* context) {
    Sha3InitSponge(context, 1024);
}

// The portable permutation, with lane complementing. AbsorbBlock calls the
// version in use (PathFunctions.h), which is this one unless the processor
// runs a faster one.
void KeccakF1600Portable(uint64_t* state) {
    KeccakPermute<true>(state);
}

// XORs one rate block into the first rate / 8 lanes and permutes.
static void AbsorbBlock(uint64_t* state, const uint8_t* block, uint32_t rate) {
    for (uint32_t i = 0; i < rate / 8; ++i)
        state[i] ^= LoadLe64(block + 8 * i);
    Active(Paths().keccakF1600)(state);
}

void Sha3Update(Sha3Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount == 0)
        return;
    const uint32_t rate = context->rate;
    if (context->queuePosition > 0) {
        const uint64_t take = std::min<uint64_t>(byteCount, rate - context->queuePosition);
        std::memcpy(context->queue + context->queuePosition, data, size_t(take));
        context->queuePosition += take;
        data += take;
        byteCount -= take;
        if (context->queuePosition < rate)
            return;
        AbsorbBlock(context->state, context->queue, rate);
        context->queuePosition = 0;
    }
    // Whole blocks straight from the caller's buffer.
    for (; byteCount >= rate; byteCount -= rate, data += rate)
        AbsorbBlock(context->state, data, rate);
    if (byteCount > 0) {
        std::memcpy(context->queue, data, size_t(byteCount));
        context->queuePosition = byteCount;
    }
}

static void Sha3Finish(Sha3Context* context, uint8_t* digest, uint32_t digestBytes) {
    const uint32_t rate = context->rate;
    const uint64_t position = context->queuePosition;
    std::memset(context->queue + position, 0, rate - position);
    context->queue[position] |= 0x06; // the SHA-3 suffix bits 01, then pad10*1's first 1
    context->queue[rate - 1] |= 0x80; // pad10*1's last 1; the same byte as the 0x06 when one was free
    AbsorbBlock(context->state, context->queue, rate);
    context->queuePosition = rate;

    // Every digest is shorter than its rate, so one squeeze block is enough.
    uint32_t i = 0;
    for (; i + 8 <= digestBytes; i += 8)
        StoreLe64(digest + i, context->state[i / 8]);
    for (; i < digestBytes; ++i)
        digest[i] = uint8_t(context->state[i / 8] >> (8 * (i % 8)));
    context->queuePosition -= digestBytes;
}

void Sha3Final224(Sha3Context* context, uint8_t* digest) {
    Sha3Finish(context, digest, kSha3_224DigestBytes);
}

void Sha3Final256(Sha3Context* context, uint8_t* digest) {
    Sha3Finish(context, digest, kSha3_256DigestBytes);
}

void Sha3Final384(Sha3Context* context, uint8_t* digest) {
    Sha3Finish(context, digest, kSha3_384DigestBytes);
}

void Sha3Final512(Sha3Context* context, uint8_t* digest) {
    Sha3Finish(context, digest, kSha3_512DigestBytes);
}

} // namespace vesk
