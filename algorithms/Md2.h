// MD2 of RFC 1319: a 128-bit digest over 16-byte blocks, with a checksum block
// appended to the padded message.
//
//     Md2Context context;
//     Md2Init(&context);
//     Md2Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kMd2DigestBytes];
//     Md2Final(&context, digest);             // DA853B0D3F88D99B30283A69E6DED6BB for "abc"
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kMd2DigestBytes = 16;
inline constexpr uint32_t kMd2BlockBytes = 16;

struct Md2Context {
    uint8_t state[16];              // the first 16 bytes of the work area X
    uint8_t checksum[16];           // C, built up block by block
    uint32_t count;                 // bytes in buffer, 0 to 15
    uint8_t buffer[kMd2BlockBytes]; // the unfinished block
};

// Zeroes the context, which is MD2's start state.
void Md2Init(Md2Context* context);
// Adds byteCount bytes, any number. If byteCount is 0, data may be null.
void Md2Update(Md2Context* context, const uint8_t* data, uint64_t byteCount);
// Pads, appends the checksum, writes the 16 digest bytes and zeroes the
// context, which leaves it ready for another message.
void Md2Final(Md2Context* context, uint8_t* digest);

} // namespace vesk
