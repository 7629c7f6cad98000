#include "algorithms/Tiger.h"

#include "algorithms/ByteOrder.h"

#include <cstring>

namespace vesk {

// The four S-boxes of the Tiger paper, defined in TigerTables.cpp.
extern const uint64_t kTigerSBoxes[4][256];

namespace {

// Starting chaining value and key schedule constants of the Tiger paper.
constexpr uint64_t kInitialA = 0x0123456789ABCDEF;
constexpr uint64_t kInitialB = 0xFEDCBA9876543210;
constexpr uint64_t kInitialC = 0xF096A5B4C3B2E187;
constexpr uint64_t kScheduleMask = 0xA5A5A5A5A5A5A5A5; // XORed into x7 at the start of the schedule
constexpr uint64_t kScheduleTail = 0x0123456789ABCDEF; // XORed into x6 at its end

constexpr uint64_t kLengthOffset = kTigerBlockBytes - 8; // where the bit count sits in the last block

// c takes a message word; its even bytes, looked up in S1..S4, are subtracted
// from a, its odd bytes, looked up in S4..S1, are added to b, and b is multiplied.
inline void Round(uint64_t& a, uint64_t& b, uint64_t& c, uint64_t x, uint64_t mul) {
    const uint64_t(&t1)[256] = kTigerSBoxes[0];
    const uint64_t(&t2)[256] = kTigerSBoxes[1];
    const uint64_t(&t3)[256] = kTigerSBoxes[2];
    const uint64_t(&t4)[256] = kTigerSBoxes[3];
    c ^= x;
    a -= t1[c & 0xFF] ^ t2[(c >> 16) & 0xFF] ^ t3[(c >> 32) & 0xFF] ^ t4[(c >> 48) & 0xFF];
    b += t4[(c >> 8) & 0xFF] ^ t3[(c >> 24) & 0xFF] ^ t2[(c >> 40) & 0xFF] ^ t1[c >> 56];
    b *= mul;
}

// Eight rounds, the roles of a, b and c turning by one each round.
inline void Pass(uint64_t& a, uint64_t& b, uint64_t& c, const uint64_t x[8], uint64_t mul) {
    Round(a, b, c, x[0], mul);
    Round(b, c, a, x[1], mul);
    Round(c, a, b, x[2], mul);
    Round(a, b, c, x[3], mul);
    Round(b, c, a, x[4], mul);
    Round(c, a, b, x[5], mul);
    Round(a, b, c, x[6], mul);
    Round(b, c, a, x[7], mul);
}

// Mixes the eight message words between passes.
inline void KeySchedule(uint64_t x[8]) {
    x[0] -= x[7] ^ kScheduleMask;
    x[1] ^= x[0];
    x[2] += x[1];
    x[3] -= x[2] ^ (~x[1] << 19);
    x[4] ^= x[3];
    x[5] += x[4];
    x[6] -= x[5] ^ (~x[4] >> 23);
    x[7] ^= x[6];
    x[0] += x[7];
    x[1] -= x[0] ^ (~x[7] << 19);
    x[2] ^= x[1];
    x[3] += x[2];
    x[4] -= x[3] ^ (~x[2] >> 23);
    x[5] ^= x[4];
    x[6] += x[5];
    x[7] -= x[6] ^ kScheduleTail;
}

} // namespace

void TigerInit(TigerContext* context) {
    context->h[0] = kInitialA;
    context->h[1] = kInitialB;
    context->h[2] = kInitialC;
    std::memset(context->buffer, 0, sizeof context->buffer);
    context->length = 0;
}

namespace {

void Compress(uint64_t h[3], const uint8_t* block) {
    uint64_t x[8];
    for (int i = 0; i < 8; ++i)
        x[i] = LoadLe64(block + 8 * i);
    uint64_t a = h[0], b = h[1], c = h[2];
    Pass(a, b, c, x, 5);
    KeySchedule(x);
    Pass(c, a, b, x, 7);
    KeySchedule(x);
    Pass(b, c, a, x, 9);
    // Feed-forward: XOR, subtract and add the chaining value the block started from.
    h[0] ^= a;
    h[1] = b - h[1];
    h[2] += c;
}

} // namespace

void TigerUpdate(TigerContext* context, const uint8_t* data, uint64_t byteCount) {
    // An empty update must not touch data, which may be null.
    if (byteCount == 0)
        return;
    const size_t used = size_t(context->length % kTigerBlockBytes);
    context->length += byteCount;
    if (used != 0) {
        const size_t take = size_t(byteCount < kTigerBlockBytes - used ? byteCount : kTigerBlockBytes - used);
        std::memcpy(context->buffer + used, data, take);
        data += take;
        byteCount -= take;
        if (used + take < kTigerBlockBytes)
            return;
        Compress(context->h, context->buffer);
    }
    for (; byteCount >= kTigerBlockBytes; data += kTigerBlockBytes, byteCount -= kTigerBlockBytes)
        Compress(context->h, data);
    if (byteCount != 0)
        std::memcpy(context->buffer, data, size_t(byteCount));
}

void TigerFinal(TigerContext* context, uint8_t* digest) {
    size_t used = size_t(context->length % kTigerBlockBytes);
    context->buffer[used++] = 0x01;
    // No room left for the bit count: it goes into one more block.
    if (used > kLengthOffset) {
        std::memset(context->buffer + used, 0, kTigerBlockBytes - used);
        Compress(context->h, context->buffer);
        used = 0;
    }
    std::memset(context->buffer + used, 0, kLengthOffset - used);
    StoreLe64(context->buffer + kLengthOffset, context->length << 3);
    Compress(context->h, context->buffer);
    for (int i = 0; i < 3; ++i)
        StoreLe64(digest + 8 * i, context->h[i]);
}

} // namespace vesk
