// CRC-64/XZ, the check of the xz format: the ECMA-182 polynomial in reflected
// form (0xC96C5795D7870F42), register starting at all ones, result inverted.
//
//     Crc64Context context;
//     Crc64Init(&context);
//     Crc64Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kCrc64DigestBytes];
//     Crc64Final(&context, digest);             // 995DC9BBDF1939FA for "123456789"
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kCrc64DigestBytes = 8;

struct Crc64Context {
    uint64_t reg; // the running register, before the final inversion
};

void Crc64Init(Crc64Context* context);
// Adds byteCount bytes, any number. If byteCount is 0, data may be null.
void Crc64Update(Crc64Context* context, const uint8_t* data, uint64_t byteCount);
// Inverts the register, keeps the inverted value in the context and writes it
// most significant byte first.
void Crc64Final(Crc64Context* context, uint8_t* digest);

} // namespace vesk
