// One heap block holding a working context for every selected algorithm.
//
//     ContextSetOwner set(BuildContextSet(mask));
//     if (!set) return;                        // nothing selected, or no memory
//     for (int k = 0; k < set->count; ++k)
//         set->algorithm[k]->init(ContextAt(set.get(), k));
//
// The block starts with this header; the contexts follow it, each in a slot of
// its context size rounded up to 64 bytes, in ascending id order. The block and
// therefore every context begins on a 64-byte boundary.
#pragma once

#include "core/AlgorithmTable.h"

#include <cstdint>
#include <memory>

namespace vesk {

struct HashContextSet {
    int32_t count;                                   // selected algorithms, 1 to 39
    const AlgorithmInfo* algorithm[kAlgorithmCount]; // first `count` slots used, ascending ids
    int32_t offset[kAlgorithmCount];                 // context k's byte offset in the context area
};

inline constexpr size_t kContextAlignment = 64;

inline constexpr size_t RoundUpToContextSlot(uint64_t byteCount) {
    return size_t((byteCount + kContextAlignment - 1) & ~uint64_t(kContextAlignment - 1));
}

// Where the context area begins, counted from the start of the block.
inline constexpr size_t kContextAreaOffset = RoundUpToContextSlot(sizeof(HashContextSet));

// Allocates a zero-filled set for the algorithms of `mask`. Returns null when
// no bit 0 to 37 is set or when the block cannot be allocated. The contexts
// are not initialised.
HashContextSet* BuildContextSet(SelectionMask mask);

// Frees a set from BuildContextSet; null is allowed.
void ReleaseContextSet(HashContextSet* set);

inline void* ContextAt(HashContextSet* set, int k) {
    return reinterpret_cast<uint8_t*>(set) + kContextAreaOffset + set->offset[k];
}

struct ContextSetDeleter {
    void operator()(HashContextSet* set) const { ReleaseContextSet(set); }
};
using ContextSetOwner = std::unique_ptr<HashContextSet, ContextSetDeleter>;

} // namespace vesk
