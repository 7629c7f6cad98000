// The inner loops that have processor-specific versions (only algorithm
// sources include this): their types, every version, and the table of those in
// use, which the family sources call through. See CodePaths.h for the choice.
//
//     Active(Paths().sha256Blocks)(context->state, data, blockCount);
//
// Every version of a slot has the same contract, written beside its type.
#pragma once

#include "algorithms/Blake2.h"

#include <atomic>
#include <cstdint>

namespace vesk {

// Compresses blockCount consecutive 64-byte blocks into the SHA-1 state (5 words).
using Sha1BlocksFunction = void (*)(uint32_t* state, const uint8_t* blocks, uint64_t blockCount);
// Compresses blockCount consecutive 64-byte blocks into the SHA-256 state (8 words).
using Sha256BlocksFunction = void (*)(uint32_t* state, const uint8_t* blocks, uint64_t blockCount);
// Compresses blockCount consecutive 128-byte blocks into the SHA-512 state (8 words).
using Sha512BlocksFunction = void (*)(uint64_t* state, const uint8_t* blocks, uint64_t blockCount);
// Runs the CRC register (before its final inversion) over byteCount bytes.
using Crc32Function = uint32_t (*)(uint32_t reg, const uint8_t* data, uint64_t byteCount);
using Crc64Function = uint64_t (*)(uint64_t reg, const uint8_t* data, uint64_t byteCount);
// Adds byteCount bytes to the Adler-32 sums (s2 << 16 | s1, both reduced).
using Adler32Function = uint32_t (*)(uint32_t sums, const uint8_t* data, uint64_t byteCount);
// Compresses stripeCount whole 512-byte stripes into the tree mode's leaves,
// leaf i taking block i of each stripe, none of them as a last block: each
// leaf's counter grows by one block per stripe and its buffer is not touched.
using Blake2bpStripesFunction = void (*)(Blake2bContext* leaves, const uint8_t* stripes,
                                         uint64_t stripeCount);
using Blake2spStripesFunction = void (*)(Blake2sContext* leaves, const uint8_t* stripes,
                                         uint64_t stripeCount);
// Keccak-f[1600] on the 25 lanes of a SHA-3 state (lane x + 5y, little-endian).
using KeccakPermutationFunction = void (*)(uint64_t* state);
// Compresses blockCount consecutive 64-byte blocks into the Whirlpool chaining value (8 words).
using WhirlpoolBlocksFunction = void (*)(uint64_t* h, const uint8_t* blocks, uint64_t blockCount);
// Compresses blockCount consecutive 64-byte blocks into the Edon-R 224/256
// double pipe (16 words).
using EdonR256BlocksFunction = void (*)(uint32_t* pipe, const uint8_t* blocks, uint64_t blockCount);
// XXH3's streaming update on the library's state (XXH3_state_t, for XXH3 and XXH128).
using Xxh3UpdateFunction = void (*)(void* state, const uint8_t* data, uint64_t byteCount);
// BLAKE3 nodes side by side: writes the 32-byte chaining values of `count`
// nodes of one kind, none of them the root, to cvs (32 bytes each, in order,
// not overlapping any node). Chunks: nodes[i] points to 1024 whole bytes,
// chunk firstChunkIndex + i of the input. Parents: nodes[i] points to the
// 64 bytes of the left then the right child's CV (firstChunkIndex unused).
enum class Blake3NodeKind : uint32_t { Chunks, Parents };
using Blake3NodesFunction = void (*)(const uint8_t* const* nodes, uint64_t count, Blake3NodeKind kind,
                                     uint64_t firstChunkIndex, uint8_t* cvs);

// FIPS 180-4 round constants, defined in Sha256.cpp and Sha512.cpp and shared
// with the x86 versions.
extern const uint32_t kSha256RoundConstants[64];
extern const uint64_t kSha512RoundConstants[80];

// The portable versions, in the family sources.
void Sha1BlocksPortable(uint32_t* state, const uint8_t* blocks, uint64_t blockCount);
void Sha256BlocksPortable(uint32_t* state, const uint8_t* blocks, uint64_t blockCount);
void Sha512BlocksPortable(uint64_t* state, const uint8_t* blocks, uint64_t blockCount);
uint32_t Crc32Portable(uint32_t reg, const uint8_t* data, uint64_t byteCount);
uint64_t Crc64Portable(uint64_t reg, const uint8_t* data, uint64_t byteCount);
uint32_t Adler32Portable(uint32_t sums, const uint8_t* data, uint64_t byteCount);
void Blake2bpStripesPortable(Blake2bContext* leaves, const uint8_t* stripes, uint64_t stripeCount);
void Blake2spStripesPortable(Blake2sContext* leaves, const uint8_t* stripes, uint64_t stripeCount);
void KeccakF1600Portable(uint64_t* state);
void WhirlpoolBlocksPortable(uint64_t* h, const uint8_t* blocks, uint64_t blockCount);
void Xxh3UpdatePortable(void* state, const uint8_t* data, uint64_t byteCount);
void EdonR256BlocksPortable(uint32_t* pipe, const uint8_t* blocks, uint64_t blockCount);
void Blake3NodesPortable(const uint8_t* const* nodes, uint64_t count, Blake3NodeKind kind,
                         uint64_t firstChunkIndex, uint8_t* cvs);

// The x86 versions, in algorithms/x86/; each runs only where CodePaths.cpp
// says the processor has what it needs.
void Sha1BlocksShani(uint32_t* state, const uint8_t* blocks, uint64_t blockCount);
void Sha256BlocksShani(uint32_t* state, const uint8_t* blocks, uint64_t blockCount);
void Sha512BlocksAvx2(uint64_t* state, const uint8_t* blocks, uint64_t blockCount);
void Sha512BlocksAvx512(uint64_t* state, const uint8_t* blocks, uint64_t blockCount);
uint32_t Crc32Pclmul(uint32_t reg, const uint8_t* data, uint64_t byteCount);
uint32_t Crc32Vpclmul(uint32_t reg, const uint8_t* data, uint64_t byteCount);
uint64_t Crc64Pclmul(uint64_t reg, const uint8_t* data, uint64_t byteCount);
uint64_t Crc64Vpclmul(uint64_t reg, const uint8_t* data, uint64_t byteCount);
uint32_t Adler32Ssse3(uint32_t sums, const uint8_t* data, uint64_t byteCount);
uint32_t Adler32Avx2(uint32_t sums, const uint8_t* data, uint64_t byteCount);
void Blake2bpStripesAvx2(Blake2bContext* leaves, const uint8_t* stripes, uint64_t stripeCount);
void Blake2spStripesAvx2(Blake2sContext* leaves, const uint8_t* stripes, uint64_t stripeCount);
void KeccakF1600Bmi2(uint64_t* state);
void WhirlpoolBlocksAvx2(uint64_t* h, const uint8_t* blocks, uint64_t blockCount);
void Xxh3UpdateAvx2(void* state, const uint8_t* data, uint64_t byteCount);
void Xxh3UpdateAvx512(void* state, const uint8_t* data, uint64_t byteCount);
void EdonR256BlocksAvx512(uint32_t* pipe, const uint8_t* blocks, uint64_t blockCount);
// 4, 8 and 16 nodes at a time; each hands a remainder of at most half its
// width to the next narrower one, down to the portable version.
void Blake3NodesSse41(const uint8_t* const* nodes, uint64_t count, Blake3NodeKind kind,
                      uint64_t firstChunkIndex, uint8_t* cvs);
void Blake3NodesAvx2(const uint8_t* const* nodes, uint64_t count, Blake3NodeKind kind,
                     uint64_t firstChunkIndex, uint8_t* cvs);
void Blake3NodesAvx512(const uint8_t* const* nodes, uint64_t count, Blake3NodeKind kind,
                       uint64_t firstChunkIndex, uint8_t* cvs);

// The versions in use. Atomic only so that a test switching paths is never a
// data race; reading a slot costs a plain load.
struct PathTable {
    std::atomic<Sha1BlocksFunction> sha1Blocks;
    std::atomic<Sha256BlocksFunction> sha256Blocks;
    std::atomic<Sha512BlocksFunction> sha512Blocks;
    std::atomic<Crc32Function> crc32;
    std::atomic<Crc64Function> crc64;
    std::atomic<Adler32Function> adler32;
    std::atomic<Blake2bpStripesFunction> blake2bpStripes;
    std::atomic<Blake2spStripesFunction> blake2spStripes;
    std::atomic<KeccakPermutationFunction> keccakF1600;
    std::atomic<WhirlpoolBlocksFunction> whirlpoolBlocks;
    std::atomic<Xxh3UpdateFunction> xxh3Update;
    std::atomic<Blake3NodesFunction> blake3Nodes;
    std::atomic<EdonR256BlocksFunction> edonR256Blocks;
};

// The table, filled with the best versions on first use (thread-safe).
PathTable& Paths();

template <typename Function>
Function Active(const std::atomic<Function>& slot) {
    return slot.load(std::memory_order_relaxed);
}

} // namespace vesk
