// The registry of hash algorithms: one constant entry per algorithm, indexed by
// its id. Every consumer (the file hashing job, the benchmark, the column and
// settings code) reaches an algorithm only through its entry.
//
//     const AlgorithmInfo& md5 = AlgorithmById(kMd5Id);
//     alignas(64) unsigned char context[1024];  // md5.contextSize bytes
//     md5.init(context);
//     md5.update(context, data, byteCount);
//     uint8_t digest[kMaxDigestLength];
//     md5.final(context, digest);            // md5.digestLength bytes
//
// Contexts are plain records (no heap, no pointers into themselves), so a
// zeroed block of contextSize bytes is a valid place for one; init puts it into
// the start state, whatever it held before.
#pragma once

#include "algorithms/CodePaths.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vesk {

using AlgorithmId = uint32_t;

// Bit n set: algorithm n is selected. Only bits 0 to 38 are looked at.
using SelectionMask = uint64_t;

inline constexpr uint32_t kAlgorithmCount = 39;
inline constexpr uint32_t kMaxDigestLength = 64;
inline constexpr SelectionMask kAllAlgorithms = ~SelectionMask{0};
inline constexpr SelectionMask kAlgorithmBits = (SelectionMask{1} << kAlgorithmCount) - 1;

// Ids with a meaning of their own elsewhere in the program.
inline constexpr AlgorithmId kCrc32Id = 5;
inline constexpr AlgorithmId kMd5Id = 15;
inline constexpr AlgorithmId kSha1Id = 20;
inline constexpr AlgorithmId kSha256Id = 22;
inline constexpr AlgorithmId kSha384Id = 23;
inline constexpr AlgorithmId kSha512Id = 24;
inline constexpr AlgorithmId kTthId = 31; // the one digest shown as base32
inline constexpr AlgorithmId kBlake3Id = 38;

using AlgorithmInit = void (*)(void* context);
using AlgorithmUpdate = void (*)(void* context, const uint8_t* data, uint64_t byteCount);
using AlgorithmFinal = void (*)(void* context, uint8_t* digest);
// For algorithms built as a tree whose complete subtrees hash on their own, so
// that the pieces of one file can hash on several threads: the value of one
// whole piece of byteCount bytes (a power of two, at least 1 KiB) that starts
// `offset` bytes into the input, a multiple of byteCount; and adding such a
// value to a context that has taken exactly the input before it. The first
// piece of a file always goes through update: a piece that is the whole input
// hashes differently.
using AlgorithmPieceValue = void (*)(const uint8_t* piece, uint64_t byteCount, uint64_t offset,
                                     uint8_t* value);
using AlgorithmAddPiece = void (*)(void* context, const uint8_t* value, uint64_t byteCount);
inline constexpr size_t kMaxPieceValueBytes = 32;

struct AlgorithmInfo {
    const char* name;      // display name, plain ASCII
    uint32_t digestLength; // bytes written by final, at most kMaxDigestLength
    AlgorithmId id;        // equal to the entry's index in the table
    uint64_t contextSize;  // bytes of the family's context record
    AlgorithmInit init;
    AlgorithmUpdate update;
    AlgorithmFinal final;
    AlgorithmPieceValue pieceValue = nullptr; // null unless the pieces of a file can hash apart
    AlgorithmAddPiece addPiece = nullptr;
};

// The 39 entries in id order: new algorithms append, so that every stored
// selection, column word and report keeps its meaning.
extern const std::array<AlgorithmInfo, kAlgorithmCount> AlgorithmTable;

inline const AlgorithmInfo& AlgorithmById(AlgorithmId id) {
    return AlgorithmTable[id];
}

// The family of processor-specific code paths the algorithm's update runs
// through (algorithms/CodePaths.h), or nothing when it has only portable code.
std::optional<PathFamily> AlgorithmPathFamily(AlgorithmId id);

// The code path the algorithm's update takes now, e.g. "shani"; "portable"
// when it has no other.
const char* AlgorithmCodePath(AlgorithmId id);

// The text of one digest of algorithm `id`: digestLength bytes as hex, or
// base32 for the Tiger tree hash.
std::wstring DigestToText(const uint8_t* digest, AlgorithmId id, bool uppercase);

// Adapters from the registry's untyped operations to a family's typed ones.
// One instance exists per (context type, operation), so entries that name the
// same family operation share one function.
template <typename Context, void (*Init)(Context*)>
void InitThunk(void* context) {
    Init(static_cast<Context*>(context));
}

template <typename Context, void (*Update)(Context*, const uint8_t*, uint64_t)>
void UpdateThunk(void* context, const uint8_t* data, uint64_t byteCount) {
    Update(static_cast<Context*>(context), data, byteCount);
}

template <typename Context, void (*Final)(Context*, uint8_t*)>
void FinalThunk(void* context, uint8_t* digest) {
    Final(static_cast<Context*>(context), digest);
}

// Builds an entry from a family's typed operations, so that the families keep
// their own context types and the registry alone deals in untyped contexts.
template <typename Context, void (*Init)(Context*), void (*Update)(Context*, const uint8_t*, uint64_t),
          void (*Final)(Context*, uint8_t*)>
constexpr AlgorithmInfo MakeAlgorithmInfo(const char* name, uint32_t digestLength, AlgorithmId id) {
    return AlgorithmInfo{name,
                         digestLength,
                         id,
                         sizeof(Context),
                         &InitThunk<Context, Init>,
                         &UpdateThunk<Context, Update>,
                         &FinalThunk<Context, Final>,
                         nullptr,
                         nullptr};
}

} // namespace vesk
