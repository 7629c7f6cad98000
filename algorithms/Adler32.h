// Adler-32 of RFC 1950 (the checksum of the zlib format): two sums modulo
// 65521, s1 of the bytes plus one and s2 of the successive s1 values.
//
//     Adler32Context context;
//     Adler32Init(&context);
//     Adler32Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kAdler32DigestBytes];
//     Adler32Final(&context, digest);             // 091E01DE for "123456789"
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kAdler32DigestBytes = 4;

struct Adler32Context {
    uint32_t sums; // s2 in the high 16 bits, s1 in the low 16 bits
};

// Starts the sums at s1 = 1, s2 = 0.
void Adler32Init(Adler32Context* context);
// Adds byteCount bytes, any number. If byteCount is 0, data may be null.
void Adler32Update(Adler32Context* context, const uint8_t* data, uint64_t byteCount);
// Writes s2 << 16 | s1 most significant byte first; the context keeps its value,
// so further updates continue the same checksum.
void Adler32Final(Adler32Context* context, uint8_t* digest);

} // namespace vesk
