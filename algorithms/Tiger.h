// Tiger/192 (Anderson and Biham, 1996): three passes over 64-byte blocks of
// little-endian words, message padded with the byte 0x01 (not the 0x80 of
// Tiger2) and the length in bits.
//
//     TigerContext context;
//     TigerInit(&context);
//     TigerUpdate(&context, data, byteCount);   // any number of times
//     uint8_t digest[kTigerDigestBytes];
//     TigerFinal(&context, digest);             // 3293AC63...2DDE73F3 for ""
//
// The Tiger tree hash (Tth.h) builds its leaves and nodes on these operations.
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kTigerDigestBytes = 24;
inline constexpr uint32_t kTigerBlockBytes = 64;

struct TigerContext {
    uint64_t h[3];                    // chaining value a, b, c
    uint8_t buffer[kTigerBlockBytes]; // the partial block, length % 64 bytes of it in use
    uint64_t length;                  // message bytes so far
};

void TigerInit(TigerContext* context);
// Absorbs byteCount bytes. If byteCount is 0, data may be null.
void TigerUpdate(TigerContext* context, const uint8_t* data, uint64_t byteCount);
// Pads, and writes the three chaining words least significant byte first (the
// byte order of the reference test vectors). The context must be initialised
// again before further use.
void TigerFinal(TigerContext* context, uint8_t* digest);

} // namespace vesk
