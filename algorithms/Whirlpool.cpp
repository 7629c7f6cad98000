#include "algorithms/Whirlpool.h"

#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"

#include <array>
#include <bit>
#include <cstring>

namespace vesk {

namespace {

// The Whirlpool S-box, from the designers' reference implementation (P. Barreto,
// V. Rijmen, "The Whirlpool hashing function", version 3.0, 2003; the S-box of
// ISO/IEC 10118-3:2004). Row r holds the outputs for inputs 16r to 16r + 15.
// clang-format off
constexpr uint8_t kSBox[256] = {
    0x18, 0x23, 0xC6, 0xE8, 0x87, 0xB8, 0x01, 0x4F, 0x36, 0xA6, 0xD2, 0xF5, 0x79, 0x6F, 0x91, 0x52,
    0x60, 0xBC, 0x9B, 0x8E, 0xA3, 0x0C, 0x7B, 0x35, 0x1D, 0xE0, 0xD7, 0xC2, 0x2E, 0x4B, 0xFE, 0x57,
    0x15, 0x77, 0x37, 0xE5, 0x9F, 0xF0, 0x4A, 0xDA, 0x58, 0xC9, 0x29, 0x0A, 0xB1, 0xA0, 0x6B, 0x85,
    0xBD, 0x5D, 0x10, 0xF4, 0xCB, 0x3E, 0x05, 0x67, 0xE4, 0x27, 0x41, 0x8B, 0xA7, 0x7D, 0x95, 0xD8,
    0xFB, 0xEE, 0x7C, 0x66, 0xDD, 0x17, 0x47, 0x9E, 0xCA, 0x2D, 0xBF, 0x07, 0xAD, 0x5A, 0x83, 0x33,
    0x63, 0x02, 0xAA, 0x71, 0xC8, 0x19, 0x49, 0xD9, 0xF2, 0xE3, 0x5B, 0x88, 0x9A, 0x26, 0x32, 0xB0,
    0xE9, 0x0F, 0xD5, 0x80, 0xBE, 0xCD, 0x34, 0x48, 0xFF, 0x7A, 0x90, 0x5F, 0x20, 0x68, 0x1A, 0xAE,
    0xB4, 0x54, 0x93, 0x22, 0x64, 0xF1, 0x73, 0x12, 0x40, 0x08, 0xC3, 0xEC, 0xDB, 0xA1, 0x8D, 0x3D,
    0x97, 0x00, 0xCF, 0x2B, 0x76, 0x82, 0xD6, 0x1B, 0xB5, 0xAF, 0x6A, 0x50, 0x45, 0xF3, 0x30, 0xEF,
    0x3F, 0x55, 0xA2, 0xEA, 0x65, 0xBA, 0x2F, 0xC0, 0xDE, 0x1C, 0xFD, 0x4D, 0x92, 0x75, 0x06, 0x8A,
    0xB2, 0xE6, 0x0E, 0x1F, 0x62, 0xD4, 0xA8, 0x96, 0xF9, 0xC5, 0x25, 0x59, 0x84, 0x72, 0x39, 0x4C,
    0x5E, 0x78, 0x38, 0x8C, 0xD1, 0xA5, 0xE2, 0x61, 0xB3, 0x21, 0x9C, 0x1E, 0x43, 0xC7, 0xFC, 0x04,
    0x51, 0x99, 0x6D, 0x0D, 0xFA, 0xDF, 0x7E, 0x24, 0x3B, 0xAB, 0xCE, 0x11, 0x8F, 0x4E, 0xB7, 0xEB,
    0x3C, 0x81, 0x94, 0xF7, 0xB9, 0x13, 0x2C, 0xD3, 0xE7, 0x6E, 0xC4, 0x03, 0x56, 0x44, 0x7F, 0xA9,
    0x2A, 0xBB, 0xC1, 0x53, 0xDC, 0x0B, 0x9D, 0x6C, 0x31, 0x74, 0xF6, 0x46, 0xAC, 0x89, 0x14, 0xE1,
    0x16, 0x3A, 0x69, 0x09, 0x70, 0xB6, 0xD0, 0xED, 0xCC, 0x42, 0x98, 0xA4, 0x28, 0x5C, 0xF8, 0x86,
};
// clang-format on

constexpr int kRounds = 10;
constexpr uint32_t kReducer = 0x11D; // x^8 + x^4 + x^3 + x^2 + 1, the field of Whirlpool
constexpr uint8_t kMatrixRow[8] = {1, 1, 4, 1, 8, 5, 2, 9};  // first row of the circulant diffusion matrix
constexpr uint64_t kLengthOffset = kWhirlpoolBlockBytes - 8; // where the low 64 bits of the bit count sit

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
    uint32_t product = 0;
    for (uint32_t x = a; b != 0; b >>= 1, x <<= 1) {
        if (x & 0x100)
            x ^= kReducer;
        if (b & 1)
            product ^= x;
    }
    return uint8_t(product);
}

// kTables[t][x] is S-box output x times the matrix row, rotated right by 8t bits:
// the contribution of one input byte in column position t to a whole state row.
constexpr std::array<std::array<uint64_t, 256>, 8> MakeTables() {
    std::array<std::array<uint64_t, 256>, 8> tables{};
    for (int x = 0; x < 256; ++x) {
        uint64_t row = 0;
        for (uint8_t factor : kMatrixRow)
            row = row << 8 | Multiply(kSBox[x], factor);
        for (int t = 0; t < 8; ++t)
            tables[t][x] = std::rotr(row, 8 * t);
    }
    return tables;
}

// Round r's constant is S-box outputs 8r to 8r + 7, as the first key row.
constexpr std::array<uint64_t, kRounds> MakeRoundConstants() {
    std::array<uint64_t, kRounds> constants{};
    for (int r = 0; r < kRounds; ++r)
        for (int j = 0; j < 8; ++j)
            constants[r] = constants[r] << 8 | kSBox[8 * r + j];
    return constants;
}

alignas(64) constexpr auto kTables = MakeTables();
constexpr auto kRoundConstants = MakeRoundConstants();

// The published first entries, as a check on the derivation.
static_assert(kTables[0][0] == 0x18186018C07830D8);
static_assert(kTables[1][0] == 0xD818186018C07830);
static_assert(kRoundConstants[0] == 0x1823C6E887B8014F);
static_assert(kRoundConstants[9] == 0xCA2DBF07AD5A8333);

// One round of W without its key addition: the S-box, the cyclic shift of
// column t down by t rows and the diffusion matrix, all through the tables:
// output row i takes table t at byte t (from the top) of input row i - t.
// The lookups compete with getting the bytes out of the rows for the same
// units, so the bytes come two ways: bytes 0 and 1 of each row straight from
// memory, which costs no ALU operation, and the other six from a register,
// shifted down a byte at a time (which lets GCC pick some with the %ah form).
// With every byte from a register, this ran 8% slower; with every byte from
// memory, a quarter slower. The unrolling keeps the eight sums in registers.
[[gnu::always_inline]] inline void Round(const uint64_t in[8], uint64_t out[8]) {
    // Where byte t, counted from the most significant, of a row sits in memory.
    constexpr auto offset = [](int t) { return std::endian::native == std::endian::little ? 7 - t : t; };
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(in);
    uint64_t sum[8];
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i)
        sum[i] = kTables[0][bytes[8 * i + offset(0)]] ^ kTables[1][bytes[8 * ((i - 1) & 7) + offset(1)]];
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) {
        uint64_t row = in[j];
#pragma GCC unroll 6
        for (int t = 7; t >= 2; --t) {
            sum[(j + t) & 7] ^= kTables[t][row & 0xFF];
            row >>= 8;
        }
    }
    std::memcpy(out, sum, sizeof sum);
}

} // namespace

void WhirlpoolInit(WhirlpoolContext* context) {
    std::memset(context, 0, sizeof *context);
}

namespace {

// W encrypts the block under the chaining value as key; Miyaguchi-Preneel then
// adds both the block and the old chaining value to the result.
void Compress(uint64_t h[8], const uint8_t* block) {
    uint64_t m[8], k[8], state[8];
    for (int i = 0; i < 8; ++i) {
        m[i] = LoadBe64(block + 8 * i);
        k[i] = h[i];
        state[i] = m[i] ^ k[i];
    }
    for (int r = 0; r < kRounds; ++r) {
        Round(k, k);
        k[0] ^= kRoundConstants[r];
        Round(state, state);
        for (int i = 0; i < 8; ++i)
            state[i] ^= k[i];
    }
    for (int i = 0; i < 8; ++i)
        h[i] ^= state[i] ^ m[i];
}

} // namespace

// The portable compression over consecutive blocks. Update and Final call the
// version in use (PathFunctions.h), which is this one unless the processor
// runs a faster one.
void WhirlpoolBlocksPortable(uint64_t* h, const uint8_t* blocks, uint64_t blockCount) {
    for (; blockCount > 0; --blockCount, blocks += kWhirlpoolBlockBytes)
        Compress(h, blocks);
}

void WhirlpoolUpdate(WhirlpoolContext* context, const uint8_t* data, uint64_t byteCount) {
    // An empty update must not touch data, which may be null.
    if (byteCount == 0)
        return;
    const WhirlpoolBlocksFunction compress = Active(Paths().whirlpoolBlocks);
    const size_t used = size_t(context->length % kWhirlpoolBlockBytes);
    context->length += byteCount;
    if (used != 0) {
        const size_t take =
            size_t(byteCount < kWhirlpoolBlockBytes - used ? byteCount : kWhirlpoolBlockBytes - used);
        std::memcpy(context->buffer + used, data, take);
        data += take;
        byteCount -= take;
        if (used + take < kWhirlpoolBlockBytes)
            return;
        compress(context->h, context->buffer, 1);
    }
    // Whole blocks straight from the caller's buffer: the compression reads
    // bytes, so their alignment does not matter.
    const uint64_t blockCount = byteCount / kWhirlpoolBlockBytes;
    compress(context->h, data, blockCount);
    data += blockCount * kWhirlpoolBlockBytes;
    byteCount %= kWhirlpoolBlockBytes;
    if (byteCount != 0)
        std::memcpy(context->buffer, data, size_t(byteCount));
}

void WhirlpoolFinal(WhirlpoolContext* context, uint8_t* digest) {
    const WhirlpoolBlocksFunction compress = Active(Paths().whirlpoolBlocks);
    size_t used = size_t(context->length % kWhirlpoolBlockBytes);
    context->buffer[used++] = 0x80;
    // The 256-bit length field takes the last 32 bytes; past them, one more block.
    if (used > kWhirlpoolBlockBytes - 32) {
        std::memset(context->buffer + used, 0, kWhirlpoolBlockBytes - used);
        compress(context->h, context->buffer, 1);
        used = 0;
    }
    std::memset(context->buffer + used, 0, kLengthOffset - used);
    // A bit count wider than 64 bits (past 2^61 bytes) spills its top bits into byte 55.
    context->buffer[kLengthOffset - 1] = uint8_t(context->length >> 61);
    StoreBe64(context->buffer + kLengthOffset, context->length << 3);
    compress(context->h, context->buffer, 1);
    for (int i = 0; i < 8; ++i)
        StoreBe64(digest + 8 * i, context->h[i]);
}

} // namespace vesk
