// CRC32 and CRC64 by folding with carry-less multiplication, after Gopal et
// al., "Fast CRC Computation for Generic Polynomials Using PCLMULQDQ
// Instruction" (Intel, 2009): PCLMULQDQ on 16-byte blocks, and VPCLMULQDQ on
// two blocks per 32-byte register where the processor has it. Only
// CodePaths.cpp calls these, on processors with the instructions.
//
// Both CRCs are reflected, so the 16 bytes of a block, read little-endian,
// are a 128-bit number whose bit j is the coefficient of x^(127 - j) of the
// block as a polynomial. With R the folded message so far and B the block D
// bits further on, R x^D + B is congruent to the message modulo P, and
//
//     R x^D = R_lo x^(64 + D) + R_hi x^D,
//
// R_lo being the first 8 bytes and R_hi the next 8. A carry-less product of
// two reflected 64-bit numbers comes out as a reflected 128-bit number
// multiplied by x, so R_lo times the reflected 64 bits of x^(64 + D - 1) mod P
// is R_lo x^(64 + D) modulo P, and likewise for R_hi. Each fold takes two
// products and leaves 128 bits, whatever D was. At the end the 16 bytes of R,
// run through the table code from a zero register, give the register for the
// message so far, and the tail (under 16 bytes) follows through the tables too.
// A non-zero start register is first added to the first bytes of the message,
// which is what a CRC register means.
//
// The constants, reflected, from this Python:
//
//     def xmod(n, p, deg):                 # x^n mod p
//         r = 1
//         for _ in range(n):
//             r <<= 1
//             if r >> deg & 1: r ^= p
//         return r
//     def constant(n, p, deg):             # reflected x^(n - 1) mod p in 64 bits
//         return int(f"{xmod(n - 1, p, deg):064b}"[::-1], 2)
//     P32 = 0x104C11DB7                    # CRC-32 (IEEE), degree 32
//     P64 = 1 << 64 | 0x42F0E1EBA9EA3693   # CRC-64 (ECMA-182), degree 64
//     for D in (128, 512, 1024):           # one block, 4 blocks, 4 pairs of blocks
//         print(hex(constant(64 + D, P32, 32)), hex(constant(D, P32, 32)))
//         print(hex(constant(64 + D, P64, 64)), hex(constant(D, P64, 64)))
#include "algorithms/PathFunctions.h"

#include <immintrin.h>

#define PCLMUL_TARGET [[gnu::target("pclmul,sse4.1")]]
#define VPCLMUL_TARGET [[gnu::target("vpclmulqdq,pclmul,avx2")]]

namespace vesk {

namespace {

// The two constants of a fold over D bits: for R_lo and for R_hi.
struct FoldConstants {
    uint64_t low;
    uint64_t high;
};

struct Crc32Fold {
    using Register = uint32_t;
    static constexpr FoldConstants kOneBlock = {0x65673B4600000000, 0x9BA54C6F00000000};   // D = 128
    static constexpr FoldConstants kFourBlocks = {0x653D982200000000, 0xCAD38E8F00000000}; // D = 512
    static constexpr FoldConstants kFourPairs = {0x7D657A1000000000, 0x7406FA9500000000};  // D = 1024
    static Register Portable(Register reg, const uint8_t* data, uint64_t byteCount) {
        return Crc32Portable(reg, data, byteCount);
    }
};

struct Crc64Fold {
    using Register = uint64_t;
    static constexpr FoldConstants kOneBlock = {0xE05DD497CA393AE4, 0xDABE95AFC7875F40};
    static constexpr FoldConstants kFourBlocks = {0x6AE3EFBB9DD441F3, 0x081F6054A7842DF4};
    static constexpr FoldConstants kFourPairs = {0x8757D71D4FCC1000, 0xD7D86B2AF73DE740};
    static Register Portable(Register reg, const uint8_t* data, uint64_t byteCount) {
        return Crc64Portable(reg, data, byteCount);
    }
};

// Folding runs faster than memory delivers: asking for the data 2 KiB ahead
// keeps more reads in flight than the out-of-order window does by itself
// (a quarter more speed on a 50 MiB buffer). A prefetch never faults, so it
// may point past the end.
constexpr int kPrefetchDistance = 2048;

PCLMUL_TARGET inline void Prefetch(const uint8_t* p) {
    _mm_prefetch(reinterpret_cast<const char*>(p) + kPrefetchDistance, _MM_HINT_T0);
}

PCLMUL_TARGET inline __m128i Load128(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

PCLMUL_TARGET inline __m128i Constants128(FoldConstants k) {
    return _mm_set_epi64x(int64_t(k.high), int64_t(k.low));
}

// r moved D bits on (by the constants k of that D), plus the block there.
PCLMUL_TARGET inline __m128i Fold(__m128i r, __m128i block, __m128i k) {
    const __m128i low = _mm_clmulepi64_si128(r, k, 0x00);
    const __m128i high = _mm_clmulepi64_si128(r, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), block);
}

// The register after the folded 16 bytes of r and then the tail, byteCount bytes.
template <typename Crc>
PCLMUL_TARGET typename Crc::Register Finish(__m128i r, const uint8_t* tail, uint64_t byteCount) {
    alignas(16) uint8_t bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes), r);
    return Crc::Portable(Crc::Portable(0, bytes, sizeof bytes), tail, byteCount);
}

// Four blocks in flight, so that the products of one fold overlap the next.
template <typename Crc>
PCLMUL_TARGET typename Crc::Register FoldPclmul(typename Crc::Register reg, const uint8_t* data,
                                                uint64_t byteCount) {
    if (byteCount < 64)
        return Crc::Portable(reg, data, byteCount);
    __m128i r0 = _mm_xor_si128(Load128(data), _mm_cvtsi64_si128(int64_t(reg)));
    __m128i r1 = Load128(data + 16);
    __m128i r2 = Load128(data + 32);
    __m128i r3 = Load128(data + 48);
    data += 64;
    byteCount -= 64;
    const __m128i fourBlocks = Constants128(Crc::kFourBlocks);
    for (; byteCount >= 64; data += 64, byteCount -= 64) {
        Prefetch(data);
        r0 = Fold(r0, Load128(data), fourBlocks);
        r1 = Fold(r1, Load128(data + 16), fourBlocks);
        r2 = Fold(r2, Load128(data + 32), fourBlocks);
        r3 = Fold(r3, Load128(data + 48), fourBlocks);
    }
    const __m128i oneBlock = Constants128(Crc::kOneBlock);
    __m128i r = Fold(Fold(Fold(r0, r1, oneBlock), r2, oneBlock), r3, oneBlock);
    for (; byteCount >= 16; data += 16, byteCount -= 16)
        r = Fold(r, Load128(data), oneBlock);
    return Finish<Crc>(r, data, byteCount);
}

VPCLMUL_TARGET inline __m256i Load256(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

VPCLMUL_TARGET inline __m256i Fold256(__m256i r, __m256i blocks, __m256i k) {
    const __m256i low = _mm256_clmulepi64_epi128(r, k, 0x00);
    const __m256i high = _mm256_clmulepi64_epi128(r, k, 0x11);
    return _mm256_xor_si256(_mm256_xor_si256(low, high), blocks);
}

// r0 to r3 hold eight consecutive blocks; the fold of the first seven into the last.
VPCLMUL_TARGET inline __m128i FoldPairs(__m256i r0, __m256i r1, __m256i r2, __m256i r3, __m128i oneBlock) {
    __m128i r = _mm256_castsi256_si128(r0);
    r = Fold(r, _mm256_extracti128_si256(r0, 1), oneBlock);
    r = Fold(r, _mm256_castsi256_si128(r1), oneBlock);
    r = Fold(r, _mm256_extracti128_si256(r1, 1), oneBlock);
    r = Fold(r, _mm256_castsi256_si128(r2), oneBlock);
    r = Fold(r, _mm256_extracti128_si256(r2, 1), oneBlock);
    r = Fold(r, _mm256_castsi256_si128(r3), oneBlock);
    return Fold(r, _mm256_extracti128_si256(r3, 1), oneBlock);
}

// Four pairs of blocks in flight, 128 bytes per round.
template <typename Crc>
VPCLMUL_TARGET typename Crc::Register FoldVpclmul(typename Crc::Register reg, const uint8_t* data,
                                                  uint64_t byteCount) {
    if (byteCount < 256)
        return FoldPclmul<Crc>(reg, data, byteCount);
    __m256i r0 = _mm256_xor_si256(Load256(data), _mm256_zextsi128_si256(_mm_cvtsi64_si128(int64_t(reg))));
    __m256i r1 = Load256(data + 32);
    __m256i r2 = Load256(data + 64);
    __m256i r3 = Load256(data + 96);
    data += 128;
    byteCount -= 128;
    const __m256i fourPairs = _mm256_broadcastsi128_si256(Constants128(Crc::kFourPairs));
    for (; byteCount >= 128; data += 128, byteCount -= 128) {
        Prefetch(data);
        Prefetch(data + 64);
        r0 = Fold256(r0, Load256(data), fourPairs);
        r1 = Fold256(r1, Load256(data + 32), fourPairs);
        r2 = Fold256(r2, Load256(data + 64), fourPairs);
        r3 = Fold256(r3, Load256(data + 96), fourPairs);
    }
    const __m128i oneBlock = Constants128(Crc::kOneBlock);
    __m128i r = FoldPairs(r0, r1, r2, r3, oneBlock);
    for (; byteCount >= 16; data += 16, byteCount -= 16)
        r = Fold(r, Load128(data), oneBlock);
    return Finish<Crc>(r, data, byteCount);
}

} // namespace

PCLMUL_TARGET uint32_t Crc32Pclmul(uint32_t reg, const uint8_t* data, uint64_t byteCount) {
    return FoldPclmul<Crc32Fold>(reg, data, byteCount);
}

VPCLMUL_TARGET uint32_t Crc32Vpclmul(uint32_t reg, const uint8_t* data, uint64_t byteCount) {
    return FoldVpclmul<Crc32Fold>(reg, data, byteCount);
}

PCLMUL_TARGET uint64_t Crc64Pclmul(uint64_t reg, const uint8_t* data, uint64_t byteCount) {
    return FoldPclmul<Crc64Fold>(reg, data, byteCount);
}

VPCLMUL_TARGET uint64_t Crc64Vpclmul(uint64_t reg, const uint8_t* data, uint64_t byteCount) {
    return FoldVpclmul<Crc64Fold>(reg, data, byteCount);
}

} // namespace vesk
