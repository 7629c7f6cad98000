// Tiger tree hash of the THEX format: the input is cut into leaves of 1024
// bytes, each leaf hashed as Tiger(0x00, leaf), and every two neighbouring
// subtrees of equal size combined as Tiger(0x01, left root, right root). A
// subtree without a partner is carried up unchanged. The empty input is one
// empty leaf.
//
//     TthContext context;
//     TthInit(&context);
//     TthUpdate(&context, data, byteCount);   // any number of times
//     uint8_t root[kTthDigestBytes];
//     TthFinal(&context, root);               // LWPNACQDBZRYXW3VHJVCJ64QBZNGHOHHHZWCLNQ
//                                             // in base32 for ""
#pragma once

#include "algorithms/Tiger.h"

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kTthDigestBytes = kTigerDigestBytes;
inline constexpr uint32_t kTthLeafBytes = 1024;

struct TthContext {
    TigerContext tiger; // the leaf being hashed, its 0x00 prefix included
    uint64_t leafCount; // leaves finished so far
    // Entry k holds the root of a complete subtree of 2^k leaves while bit k of
    // leafCount is set; those subtrees cover the finished leaves, largest first.
    uint8_t stack[64][kTigerDigestBytes];
};

void TthInit(TthContext* context);
// Absorbs byteCount bytes; a leaf is finished as soon as it holds 1024 bytes.
// If byteCount is 0, data may be null.
void TthUpdate(TthContext* context, const uint8_t* data, uint64_t byteCount);
// Writes the 24-byte root. The context must be initialised again before further use.
void TthFinal(TthContext* context, uint8_t* digest);

} // namespace vesk
