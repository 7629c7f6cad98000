#include "algorithms/Tth.h"

#include <bit>
#include <cstring>

namespace vesk {

namespace {

// THEX prefixes, which keep a leaf from ever hashing like a node.
constexpr uint8_t kLeafPrefix = 0x00;
constexpr uint8_t kNodePrefix = 0x01;

constexpr uint64_t kFullLeafLength = 1 + kTthLeafBytes; // Tiger input of a full leaf: prefix and data

void StartLeaf(TigerContext* tiger) {
    TigerInit(tiger);
    TigerUpdate(tiger, &kLeafPrefix, 1);
}

// right = Tiger(0x01, left, right): the root over two neighbouring subtrees.
void CombineNodes(const uint8_t* left, uint8_t* right) {
    uint8_t message[1 + 2 * kTigerDigestBytes];
    message[0] = kNodePrefix;
    std::memcpy(message + 1, left, kTigerDigestBytes);
    std::memcpy(message + 1 + kTigerDigestBytes, right, kTigerDigestBytes);
    TigerContext tiger;
    TigerInit(&tiger);
    TigerUpdate(&tiger, message, sizeof message);
    TigerFinal(&tiger, right);
}

// Finishes the current leaf and merges it into the stack the way a binary
// counter carries: each complete subtree of the same size is combined with it.
// (The stack cannot overflow: 2^64 leaves would be far more than 64-bit byte counts allow.)
void FinishLeaf(TthContext* context) {
    uint8_t digest[kTigerDigestBytes];
    TigerFinal(&context->tiger, digest);
    int k = 0;
    for (; (context->leafCount >> k) & 1; ++k)
        CombineNodes(context->stack[k], digest);
    std::memcpy(context->stack[k], digest, kTigerDigestBytes);
    ++context->leafCount;
}

} // namespace

void TthInit(TthContext* context) {
    StartLeaf(&context->tiger);
    context->leafCount = 0;
    std::memset(context->stack, 0, sizeof context->stack);
}

void TthUpdate(TthContext* context, const uint8_t* data, uint64_t byteCount) {
    while (byteCount != 0) {
        const uint64_t room = kFullLeafLength - context->tiger.length;
        const uint64_t take = byteCount < room ? byteCount : room;
        TigerUpdate(&context->tiger, data, take);
        data += take;
        byteCount -= take;
        // A full leaf is finished at once, so that 1024 bytes make one leaf, not two.
        if (context->tiger.length == kFullLeafLength) {
            FinishLeaf(context);
            StartLeaf(&context->tiger);
        }
    }
}

void TthFinal(TthContext* context, uint8_t* digest) {
    // A partial leaf counts; so does the one empty leaf of the empty input.
    if (context->tiger.length > 1 || context->leafCount == 0)
        FinishLeaf(context);
    // Fold from the smallest subtree upward; a lone subtree is carried, not hashed again.
    const uint64_t count = context->leafCount;
    int k = std::countr_zero(count);
    uint8_t root[kTigerDigestBytes];
    std::memcpy(root, context->stack[k], kTigerDigestBytes);
    for (++k; k < 64; ++k)
        if ((count >> k) & 1)
            CombineNodes(context->stack[k], root);
    std::memcpy(digest, root, kTigerDigestBytes);
}

} // namespace vesk
