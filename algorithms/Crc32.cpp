#include "algorithms/Crc32.h"

#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"

#include <array>

namespace vesk {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320; // reflected form of 0x04C11DB7

// kTables[0] is the classic byte-at-a-time table; kTables[k][i] is the register
// change of byte i followed by k zero bytes, which lets the update take eight
// bytes per step ("slicing by 8") with the same result.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeTables() {
    std::array<std::array<uint32_t, 256>, 8> tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i;
        for (int bit = 0; bit < 8; ++bit)
            r = (r >> 1) ^ ((r & 1) ? kPolynomial : 0);
        tables[0][i] = r;
    }
    for (int k = 1; k < 8; ++k)
        for (uint32_t i = 0; i < 256; ++i)
            tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
    return tables;
}

constexpr auto kTables = MakeTables();

} // namespace

void Crc32Init(Crc32Context* context) {
    context->reg = 0xFFFFFFFF;
}

// The portable register update, also used by the folding versions for their
// short inputs and tails.
uint32_t Crc32Portable(uint32_t r, const uint8_t* data, uint64_t byteCount) {
    for (; byteCount >= 8; byteCount -= 8, data += 8) {
        const uint32_t low = r ^ LoadLe32(data);
        const uint32_t high = LoadLe32(data + 4);
        r = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
            kTables[4][low >> 24] ^ kTables[3][high & 0xFF] ^ kTables[2][(high >> 8) & 0xFF] ^
            kTables[1][(high >> 16) & 0xFF] ^ kTables[0][high >> 24];
    }
    for (; byteCount > 0; --byteCount, ++data)
        r = kTables[0][(r ^ *data) & 0xFF] ^ (r >> 8);
    return r;
}

void Crc32Update(Crc32Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount > 0)
        context->reg = Active(Paths().crc32)(context->reg, data, byteCount);
}

void Crc32Final(Crc32Context* context, uint8_t* digest) {
    context->reg = ~context->reg;
    StoreBe32(digest, context->reg);
}

} // namespace vesk
