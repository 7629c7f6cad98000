// BLAKE3's constants, for Blake3.cpp and its x86 versions in algorithms/x86/
// only. Everything is in an unnamed namespace, so each unit has its own copy.
#pragma once

#include "algorithms/Blake2Common.h"

#include <array>
#include <cstdint>

namespace vesk {
namespace {

// BLAKE3-team/BLAKE3, reference_impl/reference_impl.rs, IV: that of SHA-256
// and BLAKE2s. Unkeyed hashing starts every chunk and parent from it.
constexpr const uint32_t (&kBlake3Iv)[8] = kBlake2sIv;

// Domain flags, the last word of the compression input (reference_impl.rs).
constexpr uint32_t kChunkStart = 1u << 0; // first block of a chunk
constexpr uint32_t kChunkEnd = 1u << 1;   // last block of a chunk
constexpr uint32_t kParent = 1u << 2;     // a parent node: two child CVs
constexpr uint32_t kRoot = 1u << 3;       // the root node's last compression

constexpr int kBlake3Rounds = 7;
constexpr int kBlake3ChunkBlocks = 16;

// reference_impl.rs, MSG_PERMUTATION: after each round, word i of the block
// becomes the previous word kPermutation[i].
constexpr uint8_t kPermutation[16] = {2, 6, 3, 10, 7, 0, 4, 13, 1, 11, 12, 5, 9, 14, 15, 8};

// Which word of the original block each round reads at position i: the
// permutation applied r times, worked out here so that the rounds index the
// block with constants instead of moving its words around.
constexpr std::array<std::array<uint8_t, 16>, kBlake3Rounds> MakeSchedule() {
    std::array<std::array<uint8_t, 16>, kBlake3Rounds> schedule{};
    for (uint8_t i = 0; i < 16; ++i)
        schedule[0][i] = i;
    for (int r = 1; r < kBlake3Rounds; ++r)
        for (int i = 0; i < 16; ++i)
            schedule[r][i] = schedule[r - 1][kPermutation[i]];
    return schedule;
}

constexpr auto kSchedule = MakeSchedule();
static_assert(kSchedule[1][0] == 2 && kSchedule[2][0] == 3 && kSchedule[6][0] == 11 &&
              kSchedule[6][15] == 13);

} // namespace
} // namespace vesk
