#include "algorithms/Ripemd.h"

#include "algorithms/ByteOrder.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <utility>

namespace vesk {

namespace {

constexpr size_t kBlockBytes = 64;

// Message word selection r(j) and r'(j), rotation amounts s(j) and s'(j), from
// "Pseudo-code for RIPEMD-160" (Dobbertin, Bosselaers, Preneel; appendix A of
// "RIPEMD-160: A Strengthened Version of RIPEMD", and rmd160.txt on the
// designers' page). RIPEMD-128 and RIPEMD-256 use the first 64 entries.
constexpr int kR[80] = {
    0, 1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11, 12, 13, 14, 15, //
    7, 4,  13, 1,  10, 6,  15, 3,  12, 0, 9,  5,  2,  14, 11, 8,  //
    3, 10, 14, 4,  9,  15, 8,  1,  2,  7, 0,  6,  13, 11, 5,  12, //
    1, 9,  11, 10, 0,  8,  12, 4,  13, 3, 7,  15, 14, 5,  6,  2,  //
    4, 0,  5,  9,  7,  12, 2,  10, 14, 1, 3,  8,  11, 6,  15, 13, //
};
constexpr int kRPrime[80] = {
    5,  14, 7,  0, 9, 2,  11, 4,  13, 6,  15, 8,  1,  10, 3,  12, //
    6,  11, 3,  7, 0, 13, 5,  10, 14, 15, 8,  12, 4,  9,  1,  2,  //
    15, 5,  1,  3, 7, 14, 6,  9,  11, 8,  12, 2,  10, 0,  4,  13, //
    8,  6,  4,  1, 3, 11, 15, 0,  5,  12, 2,  13, 9,  7,  10, 14, //
    12, 15, 10, 4, 1, 5,  8,  7,  6,  2,  13, 14, 0,  3,  9,  11, //
};
constexpr int kS[80] = {
    11, 14, 15, 12, 5,  8,  7,  9,  11, 13, 14, 15, 6,  7,  9,  8,  //
    7,  6,  8,  13, 11, 9,  7,  15, 7,  12, 15, 9,  11, 7,  13, 12, //
    11, 13, 6,  7,  14, 9,  13, 15, 14, 8,  13, 6,  5,  12, 7,  5,  //
    11, 12, 14, 15, 14, 15, 9,  8,  9,  14, 5,  6,  8,  6,  5,  12, //
    9,  15, 5,  11, 6,  8,  13, 12, 5,  12, 13, 14, 11, 8,  5,  6,  //
};
constexpr int kSPrime[80] = {
    8,  9,  9,  11, 13, 15, 15, 5,  7,  7,  8,  11, 14, 14, 12, 6,  //
    9,  13, 15, 7,  12, 8,  9,  11, 7,  7,  12, 7,  6,  15, 13, 11, //
    9,  7,  15, 11, 8,  6,  6,  14, 12, 13, 5,  14, 13, 13, 7,  5,  //
    15, 5,  8,  11, 14, 14, 6,  14, 6,  9,  12, 9,  12, 5,  15, 8,  //
    8,  5,  12, 9,  12, 5,  14, 6,  8,  13, 6,  5,  15, 13, 11, 11, //
};

// Added constants per round, same source: K(j) for the left line (the fifth only
// in RIPEMD-160/320), K'(j) for the right line of RIPEMD-160/320, and the right
// line of RIPEMD-128/256 from "RIPEMD-128" in the same paper.
constexpr uint32_t kLeftK[5] = {0x00000000, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xA953FD4E};
constexpr uint32_t kRightK160[5] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x7A6D76E9, 0x00000000};
constexpr uint32_t kRightK128[4] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x00000000};

// The register (0 = A, 1 = B, ...) that RIPEMD-256 and RIPEMD-320 exchange
// between the lines after each round, from the designers' description of the
// extended versions.
constexpr size_t kExchange256[4] = {0, 1, 2, 3};    // A, B, C, D
constexpr size_t kExchange320[5] = {1, 3, 0, 2, 4}; // B, D, A, C, E

// Initial chaining values, from the same paper (RIPEMD-128/160) and the
// designers' description of RIPEMD-256/320, whose right lines start elsewhere.
constexpr uint32_t kInitial128[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
constexpr uint32_t kInitial160[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
constexpr uint32_t kInitial256[8] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                     0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567};
constexpr uint32_t kInitial320[10] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0,
                                      0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567, 0x3C2D1E0F};

// The five boolean functions f(j, x, y, z), one per round; the second and fourth,
// multiplexers in the pseudo-code, are written here with one operation fewer.
template <size_t Round>
inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) {
    if constexpr (Round == 0)
        return x ^ y ^ z;
    else if constexpr (Round == 1)
        return ((y ^ z) & x) ^ z; // (x AND y) OR (NOT x AND z)
    else if constexpr (Round == 2)
        return (x | ~y) ^ z;
    else if constexpr (Round == 3)
        return ((x ^ y) & z) ^ y; // (x AND z) OR (y AND NOT z)
    else
        return x ^ (y | ~z);
}

inline uint32_t Word(const uint8_t* block, int index) {
    return LoadLe32(block + 4 * index);
}

// Slot that holds register `reg` (0 = A) before step j. The pseudo-code moves
// every register one place after each step; keeping the values in fixed slots
// and rotating the names instead lets the compiler drop those moves.
template <size_t Words>
constexpr size_t Slot(size_t j, size_t reg) {
    return (reg + Words - j % Words) % Words;
}

// Step j of both lines of RIPEMD-128 (Exchange false) or RIPEMD-256 (true).
template <size_t J, bool Exchange>
[[gnu::always_inline]] inline void Step128(uint32_t (&left)[4], uint32_t (&right)[4], const uint8_t* m) {
    constexpr size_t round = J / 16;
    constexpr size_t a = Slot<4>(J, 0), b = Slot<4>(J, 1), c = Slot<4>(J, 2), d = Slot<4>(J, 3);
    left[a] =
        std::rotl(left[a] + F<round>(left[b], left[c], left[d]) + Word(m, kR[J]) + kLeftK[round], kS[J]);
    right[a] = std::rotl(right[a] + F<3 - round>(right[b], right[c], right[d]) + Word(m, kRPrime[J]) +
                             kRightK128[round],
                         kSPrime[J]);
    if constexpr (Exchange && J % 16 == 15) {
        constexpr size_t slot = Slot<4>(J + 1, kExchange256[round]);
        std::swap(left[slot], right[slot]);
    }
}

// Step j of both lines of RIPEMD-160 (Exchange false) or RIPEMD-320 (true).
template <size_t J, bool Exchange>
[[gnu::always_inline]] inline void Step160(uint32_t (&left)[5], uint32_t (&right)[5], const uint8_t* m) {
    constexpr size_t round = J / 16;
    constexpr size_t a = Slot<5>(J, 0), b = Slot<5>(J, 1), c = Slot<5>(J, 2), d = Slot<5>(J, 3),
                     e = Slot<5>(J, 4);
    left[a] =
        std::rotl(left[a] + F<round>(left[b], left[c], left[d]) + Word(m, kR[J]) + kLeftK[round], kS[J]) +
        left[e];
    left[c] = std::rotl(left[c], 10);
    right[a] = std::rotl(right[a] + F<4 - round>(right[b], right[c], right[d]) + Word(m, kRPrime[J]) +
                             kRightK160[round],
                         kSPrime[J]) +
               right[e];
    right[c] = std::rotl(right[c], 10);
    if constexpr (Exchange && J % 16 == 15) {
        constexpr size_t slot = Slot<5>(J + 1, kExchange320[round]);
        std::swap(left[slot], right[slot]);
    }
}

// Every step written out at compile time: the tables become immediate operands.
template <bool Exchange, size_t... J>
[[gnu::always_inline]] inline void Lines128(uint32_t (&left)[4], uint32_t (&right)[4], const uint8_t* m,
                                            std::index_sequence<J...>) {
    (Step128<J, Exchange>(left, right, m), ...);
}

template <bool Exchange, size_t... J>
[[gnu::always_inline]] inline void Lines160(uint32_t (&left)[5], uint32_t (&right)[5], const uint8_t* m,
                                            std::index_sequence<J...>) {
    (Step160<J, Exchange>(left, right, m), ...);
}

using CompressFunction = void (*)(uint32_t* h, const uint8_t* blocks, uint64_t blockCount);

// Shared by the four sizes: top up the partial block, compress whole blocks
// straight from the caller's buffer, keep the tail.
template <typename Context, CompressFunction Compress>
void Absorb(Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount == 0)
        return; // data may be null
    context->messageBytes += byteCount;
    if (context->bufferedBytes > 0) {
        const uint64_t take = std::min<uint64_t>(byteCount, kBlockBytes - context->bufferedBytes);
        std::memcpy(context->block + context->bufferedBytes, data, size_t(take));
        context->bufferedBytes += take;
        data += take;
        byteCount -= take;
        if (context->bufferedBytes < kBlockBytes)
            return;
        Compress(context->state, context->block, 1);
        context->bufferedBytes = 0;
    }
    const uint64_t blockCount = byteCount / kBlockBytes;
    if (blockCount > 0) {
        Compress(context->state, data, blockCount);
        data += blockCount * kBlockBytes;
        byteCount -= blockCount * kBlockBytes;
    }
    if (byteCount > 0) {
        std::memcpy(context->block, data, size_t(byteCount));
        context->bufferedBytes = byteCount;
    }
}

// MD4 padding: 0x80, zeros to 56 mod 64, the bit length as 64-bit little-endian.
template <typename Context, CompressFunction Compress>
void Finish(Context* context, uint8_t* digest) {
    size_t used = size_t(context->bufferedBytes);
    context->block[used++] = 0x80;
    if (used > kBlockBytes - 8) {
        std::memset(context->block + used, 0, kBlockBytes - used);
        Compress(context->state, context->block, 1);
        used = 0;
    }
    std::memset(context->block + used, 0, kBlockBytes - 8 - used);
    StoreLe64(context->block + kBlockBytes - 8, context->messageBytes * 8);
    Compress(context->state, context->block, 1);
    for (size_t i = 0; i < std::size(context->state); ++i)
        StoreLe32(digest + 4 * i, context->state[i]);
}

template <typename Context, size_t Words>
void Start(Context* context, const uint32_t (&initial)[Words]) {
    static_assert(sizeof(context->state) == sizeof(initial));
    std::copy_n(initial, Words, context->state);
    context->bufferedBytes = 0;
    context->messageBytes = 0;
}

void CompressRipemd128(uint32_t* h, const uint8_t* m, uint64_t blockCount) {
    for (; blockCount > 0; --blockCount, m += kBlockBytes) {
        uint32_t left[4] = {h[0], h[1], h[2], h[3]};
        uint32_t right[4] = {h[0], h[1], h[2], h[3]};
        Lines128<false>(left, right, m, std::make_index_sequence<64>{});
        const uint32_t t = h[1] + left[2] + right[3];
        h[1] = h[2] + left[3] + right[0];
        h[2] = h[3] + left[0] + right[1];
        h[3] = h[0] + left[1] + right[2];
        h[0] = t;
    }
}

void CompressRipemd160(uint32_t* h, const uint8_t* m, uint64_t blockCount) {
    for (; blockCount > 0; --blockCount, m += kBlockBytes) {
        uint32_t left[5] = {h[0], h[1], h[2], h[3], h[4]};
        uint32_t right[5] = {h[0], h[1], h[2], h[3], h[4]};
        Lines160<false>(left, right, m, std::make_index_sequence<80>{});
        const uint32_t t = h[1] + left[2] + right[3];
        h[1] = h[2] + left[3] + right[4];
        h[2] = h[3] + left[4] + right[0];
        h[3] = h[4] + left[0] + right[1];
        h[4] = h[0] + left[1] + right[2];
        h[0] = t;
    }
}

// The wide forms start each line from its own half of the state and add each
// line back to that half.
void CompressRipemd256(uint32_t* h, const uint8_t* m, uint64_t blockCount) {
    for (; blockCount > 0; --blockCount, m += kBlockBytes) {
        uint32_t left[4] = {h[0], h[1], h[2], h[3]};
        uint32_t right[4] = {h[4], h[5], h[6], h[7]};
        Lines128<true>(left, right, m, std::make_index_sequence<64>{});
        for (size_t i = 0; i < 4; ++i) {
            h[i] += left[i];
            h[4 + i] += right[i];
        }
    }
}

void CompressRipemd320(uint32_t* h, const uint8_t* m, uint64_t blockCount) {
    for (; blockCount > 0; --blockCount, m += kBlockBytes) {
        uint32_t left[5] = {h[0], h[1], h[2], h[3], h[4]};
        uint32_t right[5] = {h[5], h[6], h[7], h[8], h[9]};
        Lines160<true>(left, right, m, std::make_index_sequence<80>{});
        for (size_t i = 0; i < 5; ++i) {
            h[i] += left[i];
            h[5 + i] += right[i];
        }
    }
}

} // namespace

void Ripemd128Init(Ripemd128Context* context) {
    Start(context, kInitial128);
}

void Ripemd128Update(Ripemd128Context* context, const uint8_t* data, uint64_t byteCount) {
    Absorb<Ripemd128Context, CompressRipemd128>(context, data, byteCount);
}

void Ripemd128Final(Ripemd128Context* context, uint8_t* digest) {
    Finish<Ripemd128Context, CompressRipemd128>(context, digest);
}

void Ripemd160Init(Ripemd160Context* context) {
    Start(context, kInitial160);
}

void Ripemd160Update(Ripemd160Context* context, const uint8_t* data, uint64_t byteCount) {
    Absorb<Ripemd160Context, CompressRipemd160>(context, data, byteCount);
}

void Ripemd160Final(Ripemd160Context* context, uint8_t* digest) {
    Finish<Ripemd160Context, CompressRipemd160>(context, digest);
}

void Ripemd256Init(Ripemd256Context* context) {
    Start(context, kInitial256);
}

void Ripemd256Update(Ripemd256Context* context, const uint8_t* data, uint64_t byteCount) {
    Absorb<Ripemd256Context, CompressRipemd256>(context, data, byteCount);
}

void Ripemd256Final(Ripemd256Context* context, uint8_t* digest) {
    Finish<Ripemd256Context, CompressRipemd256>(context, digest);
}

void Ripemd320Init(Ripemd320Context* context) {
    Start(context, kInitial320);
}

void Ripemd320Update(Ripemd320Context* context, const uint8_t* data, uint64_t byteCount) {
    Absorb<Ripemd320Context, CompressRipemd320>(context, data, byteCount);
}

void Ripemd320Final(Ripemd320Context* context, uint8_t* digest) {
    Finish<Ripemd320Context, CompressRipemd320>(context, digest);
}

} // namespace vesk
