#include "algorithms/Crc64.h"

#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"

#include <array>

namespace vesk {

namespace {

constexpr uint64_t kPolynomial = 0xC96C5795D7870F42; // reflected form of ECMA-182's 0x42F0E1EBA9EA3693

// kTables[0] is the classic byte-at-a-time table; kTables[k][i] is the register
// change of byte i followed by k zero bytes, which lets the update take eight
// bytes per step ("slicing by 8") with the same result.
constexpr std::array<std::array<uint64_t, 256>, 8> MakeTables() {
    std::array<std::array<uint64_t, 256>, 8> tables{};
    for (uint64_t i = 0; i < 256; ++i) {
        uint64_t r = i;
        for (int bit = 0; bit < 8; ++bit)
            r = (r >> 1) ^ ((r & 1) ? kPolynomial : 0);
        tables[0][i] = r;
    }
    for (int k = 1; k < 8; ++k)
        for (uint64_t i = 0; i < 256; ++i)
            tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
    return tables;
}

constexpr auto kTables = MakeTables();

} // namespace

void Crc64Init(Crc64Context* context) {
    context->reg = ~uint64_t{0};
}

// The portable register update, also used by the folding versions for their
// short inputs and tails.
uint64_t Crc64Portable(uint64_t r, const uint8_t* data, uint64_t byteCount) {
    for (; byteCount >= 8; byteCount -= 8, data += 8) {
        // The register is as wide as the step, so all eight bytes meet it.
        const uint64_t x = r ^ LoadLe64(data);
        r = kTables[7][x & 0xFF] ^ kTables[6][(x >> 8) & 0xFF] ^ kTables[5][(x >> 16) & 0xFF] ^
            kTables[4][(x >> 24) & 0xFF] ^ kTables[3][(x >> 32) & 0xFF] ^ kTables[2][(x >> 40) & 0xFF] ^
            kTables[1][(x >> 48) & 0xFF] ^ kTables[0][x >> 56];
    }
    for (; byteCount > 0; --byteCount, ++data)
        r = kTables[0][(r ^ *data) & 0xFF] ^ (r >> 8);
    return r;
}

void Crc64Update(Crc64Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount > 0)
        context->reg = Active(Paths().crc64)(context->reg, data, byteCount);
}

void Crc64Final(Crc64Context* context, uint8_t* digest) {
    context->reg = ~context->reg;
    StoreBe64(digest, context->reg);
}

} // namespace vesk
