// Snefru's S-boxes laid out for the chain of selections in Snefru.cpp, built
// from Merkle's boxes in SnefruTables.cpp.
#pragma once

#include <array>
#include <cstdint>

namespace vesk {

// One entry of a box beside its low byte, which selects the next entry. The
// byte is widened to 32 bits so that the compiler keeps the XOR that forms
// the next index in full registers, with no byte operation on the chain.
struct SnefruCell {
    uint32_t lowByte;
    uint32_t entry;
};

using SnefruCellBox = std::array<SnefruCell, 256>;

extern const std::array<SnefruCellBox, 16> kSnefruCells;

} // namespace vesk
