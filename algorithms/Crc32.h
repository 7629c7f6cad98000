// CRC-32 of ISO-HDLC / IEEE 802.3, the checksum of zlib and PKZIP: reflected
// polynomial 0xEDB88320, register starting at all ones, result inverted.
//
//     Crc32Context context;
//     Crc32Init(&context);
//     Crc32Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kCrc32DigestBytes];
//     Crc32Final(&context, digest);             // CBF43926 for "123456789"
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kCrc32DigestBytes = 4;

struct Crc32Context {
    uint32_t reg; // the running register, before the final inversion
};

void Crc32Init(Crc32Context* context);
// If byteCount is 0, data may be null.
void Crc32Update(Crc32Context* context, const uint8_t* data, uint64_t byteCount);
// Writes the checksum most significant byte first.
void Crc32Final(Crc32Context* context, uint8_t* digest);

} // namespace vesk
