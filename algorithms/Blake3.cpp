// BLAKE3 (the BLAKE3 paper, and the designers' reference_impl/reference_impl.rs):
// chunks, the stack of subtree chaining values (CVs), and subtrees hashed
// apart for threads. The compressions of many chunks or parents at once go
// through the code path in use (PathFunctions.h); this unit holds the portable
// one, one node after another.
#include "algorithms/Blake3.h"

#include "algorithms/Blake3Constants.h"
#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"

#include <bit>
#include <cstring>
#include <utility>

namespace vesk {

namespace {

constexpr uint32_t kCvBytes = kBlake3DigestBytes;
// Chunks an update hashes side by side and then reduces before taking more:
// 128 KiB, the pieces the file reader hands over, and a multiple of every
// vector width, so that all lanes are busy.
constexpr uint32_t kWindowChunks = 128;
// Subtrees of a window left over at its right end, at most one per level.
constexpr uint32_t kWindowLevels = std::bit_width(kWindowChunks);

void StoreCv(uint8_t* cv, const uint32_t (&h)[8]) {
    for (int i = 0; i < 8; ++i)
        StoreLe32(cv + 4 * i, h[i]);
}

} // namespace

void Blake3Init(Blake3Context* context) {
    *context = Blake3Context{};
}

namespace {

// One round: the columns, then the diagonals. The round number is a template
// argument so that every message index is a constant and v stays in registers.
template <int r>
[[gnu::always_inline]] inline void Round(uint32_t (&v)[16], const uint32_t (&m)[16]) {
    constexpr const std::array<uint8_t, 16>& s = kSchedule[r];
    Blake2sMix(v[0], v[4], v[8], v[12], m[s[0]], m[s[1]]);
    Blake2sMix(v[1], v[5], v[9], v[13], m[s[2]], m[s[3]]);
    Blake2sMix(v[2], v[6], v[10], v[14], m[s[4]], m[s[5]]);
    Blake2sMix(v[3], v[7], v[11], v[15], m[s[6]], m[s[7]]);
    Blake2sMix(v[0], v[5], v[10], v[15], m[s[8]], m[s[9]]);
    Blake2sMix(v[1], v[6], v[11], v[12], m[s[10]], m[s[11]]);
    Blake2sMix(v[2], v[7], v[8], v[13], m[s[12]], m[s[13]]);
    Blake2sMix(v[3], v[4], v[9], v[14], m[s[14]], m[s[15]]);
}

// The compression function on chaining value h, one 64-byte block (zeros past
// blockLength), counter t and flags d. Only the first half of its output is
// kept, all that a CV or a 32-byte digest needs; it replaces h.
void Compress(uint32_t (&h)[8], const uint8_t* block, uint64_t t, uint32_t blockLength, uint32_t d) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = LoadLe32(block + 4 * i);
    uint32_t v[16] = {
        h[0],         h[1],
        h[2],         h[3],
        h[4],         h[5],
        h[6],         h[7],
        kBlake3Iv[0], kBlake3Iv[1],
        kBlake3Iv[2], kBlake3Iv[3],
        uint32_t(t),  uint32_t(t >> 32),
        blockLength,  d,
    };
    Round<0>(v, m);
    Round<1>(v, m);
    Round<2>(v, m);
    Round<3>(v, m);
    Round<4>(v, m);
    Round<5>(v, m);
    Round<6>(v, m);
    for (int i = 0; i < 8; ++i)
        h[i] = v[i] ^ v[i + 8];
}

// The CV of chunk chunkIndex, byteCount bytes long (0 only for the empty
// input); with rootFlag kRoot, the digest of an input of this one chunk.
void HashChunk(const uint8_t* chunk, uint32_t byteCount, uint64_t chunkIndex, uint32_t rootFlag,
               uint8_t* out) {
    uint32_t h[8];
    std::memcpy(h, kBlake3Iv, sizeof h);
    const uint32_t blockCount = byteCount == 0 ? 1 : (byteCount + kBlake3BlockBytes - 1) / kBlake3BlockBytes;
    for (uint32_t b = 0; b + 1 < blockCount; ++b)
        Compress(h, chunk + b * kBlake3BlockBytes, chunkIndex, kBlake3BlockBytes, b == 0 ? kChunkStart : 0);
    // The last block, zero-padded, carries the chunk's length.
    const uint32_t lastOffset = (blockCount - 1) * kBlake3BlockBytes;
    uint8_t last[kBlake3BlockBytes] = {};
    std::memcpy(last, chunk + lastOffset, byteCount - lastOffset);
    Compress(h, last, chunkIndex, byteCount - lastOffset,
             (blockCount == 1 ? kChunkStart : 0) | kChunkEnd | rootFlag);
    StoreCv(out, h);
}

// The CV of the parent of two subtrees, from their CVs side by side; with
// rootFlag kRoot, the digest. out may be the children: they are read first.
void HashParent(const uint8_t* children, uint32_t rootFlag, uint8_t* out) {
    uint32_t h[8];
    std::memcpy(h, kBlake3Iv, sizeof h);
    Compress(h, children, 0, kBlake3BlockBytes, kParent | rootFlag);
    StoreCv(out, h);
}

} // namespace

// The portable version of the nodes function (PathFunctions.h), which the
// others also finish their remainders with.
void Blake3NodesPortable(const uint8_t* const* nodes, uint64_t count, Blake3NodeKind kind,
                         uint64_t firstChunkIndex, uint8_t* cvs) {
    for (uint64_t i = 0; i < count; ++i, cvs += kCvBytes)
        if (kind == Blake3NodeKind::Chunks)
            HashChunk(nodes[i], kBlake3ChunkBytes, firstChunkIndex + i, 0, cvs);
        else
            HashParent(nodes[i], 0, cvs);
}

namespace {

void MergeStackTop(Blake3Context* context) {
    uint8_t children[2 * kCvBytes];
    std::memcpy(children, context->stack[context->stackDepth - 2], kCvBytes);
    std::memcpy(children + kCvBytes, context->stack[context->stackDepth - 1], kCvBytes);
    --context->stackDepth;
    HashParent(children, 0, context->stack[context->stackDepth - 1]);
}

// Pushes the CV of the complete subtree of chunkCount chunks that comes after
// the context's chunkCounter chunks. Only now is it known that the stack's
// newest entries are not the root, so first they are merged as far as the
// chunks before the subtree complete them: the stack then holds one subtree
// per set bit of chunkCounter. The new CV stays as it is until input after it
// arrives, since Final may still need it as the root's child.
void PushSubtree(Blake3Context* context, const uint8_t* cv, uint64_t chunkCount) {
    const uint32_t keep = uint32_t(std::popcount(context->chunkCounter));
    while (context->stackDepth > keep)
        MergeStackTop(context);
    std::memcpy(context->stack[context->stackDepth++], cv, kCvBytes);
    context->chunkCounter += chunkCount;
}

// cvs + i * 32 for i < count * 2 holds the CVs of consecutive subtrees; writes
// the count CVs of their parents, pair i's to out + i * 32.
void HashParents(const uint8_t* cvs, uint64_t count, uint8_t* out) {
    const uint8_t* parents[kWindowChunks / 2];
    for (uint64_t i = 0; i < count; ++i)
        parents[i] = cvs + 2 * kCvBytes * i;
    Active(Paths().blake3Nodes)(parents, count, Blake3NodeKind::Parents, 0, out);
}

// Pushes the CVs of count consecutive chunks, from chunk chunkCounter on,
// every one of them followed by more input. Pairs of sibling subtrees are
// replaced by their parent a level at a time, many parents at once; a subtree
// whose sibling lies outside the window is pushed as it is instead: at once
// at the left end (everything before it is on the stack), after the rest at
// the right end. cvs (room for a window) is overwritten.
void PushWindow(Blake3Context* context, uint8_t* cvs, uint64_t count) {
    uint8_t spare[kWindowChunks / 2 * kCvBytes];
    uint8_t* buffers[2] = {cvs, spare}; // levels alternate between these
    int current = 0;
    const uint8_t* level = cvs;
    uint64_t index = context->chunkCounter; // of level's first subtree, counted in subtrees of its size
    uint64_t chunkCount = 1;                // per subtree of this level
    uint8_t rightEnd[kWindowLevels][kCvBytes];
    uint64_t rightEndChunks[kWindowLevels];
    uint32_t rightEndCount = 0;
    for (;;) {
        if (index & 1) {
            PushSubtree(context, level, chunkCount);
            level += kCvBytes;
            --count;
            ++index;
        }
        if (count <= 1)
            break;
        if (count & 1) {
            --count;
            std::memcpy(rightEnd[rightEndCount], level + count * kCvBytes, kCvBytes);
            rightEndChunks[rightEndCount++] = chunkCount;
        }
        current ^= 1;
        HashParents(level, count / 2, buffers[current]);
        level = buffers[current];
        count /= 2;
        index /= 2;
        chunkCount *= 2;
    }
    if (count == 1)
        PushSubtree(context, level, chunkCount);
    while (rightEndCount > 0) {
        --rightEndCount;
        PushSubtree(context, rightEnd[rightEndCount], rightEndChunks[rightEndCount]);
    }
}

// Hashes the full buffered chunk, now known not to be the last, and the
// followingChunks whole chunks at data after it, a window at a time.
void HashBufferedAndFollowing(Blake3Context* context, const uint8_t* data, uint64_t followingChunks) {
    const uint8_t* chunks[kWindowChunks];
    uint8_t cvs[kWindowChunks * kCvBytes];
    chunks[0] = context->chunk;
    uint64_t count = 1;
    for (;;) {
        for (; count < kWindowChunks && followingChunks > 0;
             ++count, --followingChunks, data += kBlake3ChunkBytes)
            chunks[count] = data;
        Active(Paths().blake3Nodes)(chunks, count, Blake3NodeKind::Chunks, context->chunkCounter, cvs);
        PushWindow(context, cvs, count);
        if (followingChunks == 0)
            break;
        count = 0;
    }
}

} // namespace

void Blake3Update(Blake3Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount == 0)
        return;
    const uint32_t room = kBlake3ChunkBytes - context->fill;
    if (byteCount <= room) {
        std::memcpy(context->chunk + context->fill, data, byteCount);
        context->fill += uint32_t(byteCount);
        return;
    }
    // The buffered chunk fills up and input follows it, so it is not the last:
    // hash it with the whole chunks after it, straight from data, all but the
    // last 1 to 1024 bytes, which take its place.
    std::memcpy(context->chunk + context->fill, data, room);
    data += room;
    byteCount -= room;
    const uint64_t followingChunks = (byteCount - 1) / kBlake3ChunkBytes;
    HashBufferedAndFollowing(context, data, followingChunks);
    data += followingChunks * kBlake3ChunkBytes;
    byteCount -= followingChunks * kBlake3ChunkBytes;
    std::memcpy(context->chunk, data, byteCount);
    context->fill = uint32_t(byteCount);
}

void Blake3Final(Blake3Context* context, uint8_t* digest) {
    if (context->stackDepth == 0) {
        HashChunk(context->chunk, context->fill, 0, kRoot, digest);
        return;
    }
    // The parents along the right edge of the tree, from the bottom up; the
    // first right child is the buffered chunk, or else the last subtree added
    // whole. The top parent is the root.
    uint8_t children[2 * kCvBytes];
    if (context->fill > 0) {
        // The subtree pushed last is followed by this chunk, so it can be
        // merged like the others before it.
        while (context->stackDepth > uint32_t(std::popcount(context->chunkCounter)))
            MergeStackTop(context);
        HashChunk(context->chunk, context->fill, context->chunkCounter, 0, children + kCvBytes);
    } else if (context->stackDepth >= 2) {
        std::memcpy(children + kCvBytes, context->stack[--context->stackDepth], kCvBytes);
    } else {
        // The input was one subtree whose top node was hashed as a non-root,
        // against Blake3AddSubtree's contract: there is no digest to give.
        std::memset(digest, 0, kBlake3DigestBytes);
        return;
    }
    for (uint32_t depth = context->stackDepth;;) {
        std::memcpy(children, context->stack[--depth], kCvBytes);
        if (depth == 0)
            break;
        HashParent(children, 0, children + kCvBytes);
    }
    HashParent(children, kRoot, digest);
}

/// Subtrees hashed apart ///

void Blake3SubtreeCv(const uint8_t* data, uint64_t byteCount, uint64_t firstChunkIndex,
                     uint8_t cv[kBlake3DigestBytes]) {
    const uint64_t chunkCount = byteCount / kBlake3ChunkBytes;
    if (chunkCount > kWindowChunks) {
        // Both halves are complete subtrees too; recurse until one fits a window.
        uint8_t children[2 * kCvBytes];
        Blake3SubtreeCv(data, byteCount / 2, firstChunkIndex, children);
        Blake3SubtreeCv(data + byteCount / 2, byteCount / 2, firstChunkIndex + chunkCount / 2,
                        children + kCvBytes);
        HashParent(children, 0, cv);
        return;
    }
    const uint8_t* chunks[kWindowChunks];
    for (uint64_t i = 0; i < chunkCount; ++i)
        chunks[i] = data + i * kBlake3ChunkBytes;
    uint8_t cvs[kWindowChunks * kCvBytes], spare[kWindowChunks / 2 * kCvBytes];
    Active(Paths().blake3Nodes)(chunks, chunkCount, Blake3NodeKind::Chunks, firstChunkIndex, cvs);
    uint8_t* level = cvs;
    uint8_t* next = spare;
    for (uint64_t count = chunkCount; count > 1; count /= 2) {
        HashParents(level, count / 2, next);
        std::swap(level, next);
    }
    std::memcpy(cv, level, kCvBytes);
}

void Blake3AddSubtree(Blake3Context* context, const uint8_t cv[kBlake3DigestBytes], uint64_t byteCount) {
    // A full buffered chunk has the subtree after it, so it is not the last.
    if (context->fill == kBlake3ChunkBytes) {
        uint8_t chunkCv[kCvBytes];
        HashChunk(context->chunk, kBlake3ChunkBytes, context->chunkCounter, 0, chunkCv);
        PushSubtree(context, chunkCv, 1);
        context->fill = 0;
    }
    PushSubtree(context, cv, byteCount / kBlake3ChunkBytes);
}

} // namespace vesk
