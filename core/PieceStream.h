// The read path of the file hashing job: a file read once, in pieces small
// enough to stay in a processor's L2 cache while every algorithm of a thread
// hashes them, with the algorithms split over threads.
//
//     ContextSetOwner set(BuildContextSet(mask));   // contexts initialised
//     const ThreadSplit split = BalancedSplit(*set, HashThreadCount());
//     uint64_t byteCount = 0;
//     StreamIntoContexts(file, set.get(), split, [](uint64_t) { return true; }, byteCount);
//
// The calling thread reads every piece, asks `afterPiece` whether to go on and hashes the
// algorithms of thread 0; helper threads hash the others from the same
// memory. At most kPiecesInFlight pieces are held at once: the reader waits
// for the slowest thread before it reuses a piece's memory.
#pragma once

#include "core/HashContextSet.h"
#include "platform/Platform.h"

#include <array>
#include <cstdint>
#include <functional>

namespace vesk {

// Read sizes from /dev/shm on the Zen 3 EPYC named in core/AlgorithmCost.cpp
// (MiB/s, best of five 256 MiB reads into page-aligned memory):
//
//     piece            16K   32K   64K  128K  256K  512K    1M
//     read alone      5970  6850  7020  7170  6950  6620  6670
//     read + XXH3     4810  5470  5840  5720  5510  5630  5260
//
// (The 1 MiB reads that ran at a third of this speed had a destination 16
// bytes past a page boundary, as a plain new[] of 1 MiB gives; every piece
// here starts on a page.)
inline constexpr size_t kPieceBytes = 128 << 10;
inline constexpr size_t kPiecesInFlight = 8;

// Which thread hashes each context of a set: thread 0 is the calling thread,
// which also reads; threads 1 to threadCount - 1 are helpers, each with at
// least one context or a share of the dealt one.
//
// One context whose algorithm hashes pieces apart (AlgorithmInfo::pieceValue)
// may be dealt out instead: piece n's value is made by thread
// dealtOwner[n % kDealCycle], and the calling thread adds the values in order.
// So one such algorithm keeps every thread busy on one file.
inline constexpr uint32_t kDealCycle = 64;

struct ThreadSplit {
    uint32_t threadCount = 1;
    std::array<uint8_t, kAlgorithmCount> threadOf{}; // by context index
    int dealtContext = -1;                           // the context dealt out by pieces, if any
    std::array<uint8_t, kDealCycle> dealtOwner{};    // the thread of each piece of a cycle
};

// The split that gives each of at most `threadLimit` threads about the same
// cost (AlgorithmCost, and kReadCost for thread 0): the costliest algorithm
// first, each to the thread with the least so far; then, for a context whose
// pieces hash apart, each of a cycle's pieces the same way, so that the
// reading thread makes fewer of them.
ThreadSplit BalancedSplit(const HashContextSet& set, uint32_t threadLimit);

// Whether BalancedSplit keeps `threadLimit` threads busy on one file: at
// least four fifths of their time, by the costs. One algorithm alone, or one
// far costlier than the rest, leaves threads idle; several files hashed at
// once, each on a thread of its own, then use them better.
bool SplitKeepsThreadsBusy(const HashContextSet& set, uint32_t threadLimit);

// BalancedSplit where it saves at least a fifth of the time one thread would
// take, the cost of handing pieces over counted; otherwise one thread, which
// reads and hashes (one algorithm alone, as a rule).
ThreadSplit WorthwhileSplit(const HashContextSet& set, uint32_t threadLimit);

enum class StreamOutcome { Complete, ReadFailed, OutOfMemory, Stopped };

// Reads `file` from where it stands to its end and feeds every piece to every
// context of `set`, which must be initialised. `afterPiece` gets the bytes
// read so far, on the calling thread, before thread 0 hashes the piece; when
// it returns false the stream ends there, Stopped.
// `byteCount` is the number of bytes read. On ReadFailed, file.ErrorText()
// says why; the contexts then hold part of the file.
StreamOutcome StreamIntoContexts(platform::ReadOnlyFile& file, HashContextSet* set, const ThreadSplit& split,
                                 const std::function<bool(uint64_t)>& afterPiece, uint64_t& byteCount);

} // namespace vesk
