// BLAKE3, unkeyed, with its default 32-byte digest. The input is cut into
// 1024-byte chunks; each chunk is hashed on its own, in 64-byte blocks, to a
// 32-byte chaining value (CV), and the CVs are combined pairwise up a binary
// tree whose left subtrees are always complete, a power of two chunks. Only
// the last compression of all, the root's, is flagged as such, so the hash of
// any node depends on whether it is the root.
//
//     Blake3Context context;
//     Blake3Init(&context);
//     Blake3Update(&context, data, byteCount);   // any number of times
//     uint8_t digest[kBlake3DigestBytes];
//     Blake3Final(&context, digest);             // 6437B3AC... for "abc"
//
// Large updates hash many chunks side by side through the code path of
// PathFamily::Blake3 (CodePaths.h).
//
// The tree also lets several threads share one large input: each hashes whole
// complete subtrees with Blake3SubtreeCv, and one context takes the subtrees'
// CVs in input order with Blake3AddSubtree, the rest of the input with
// Blake3Update, and gives the digest of the whole.
//
//     // 4 MiB input + tail: two threads each hash a 2 MiB subtree...
//     Blake3SubtreeCv(data, 2 << 20, 0, cvs[0]);
//     Blake3SubtreeCv(data + (2 << 20), 2 << 20, 2048, cvs[1]);  // 2048 chunks in
//     // ...then one context takes them in order, and the tail as plain input.
//     Blake3AddSubtree(&context, cvs[0], 2 << 20);
//     Blake3AddSubtree(&context, cvs[1], 2 << 20);
//     Blake3Update(&context, data + (4 << 20), tailBytes);
//     Blake3Final(&context, digest);
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr uint32_t kBlake3DigestBytes = 32;
inline constexpr uint32_t kBlake3BlockBytes = 64;
inline constexpr uint32_t kBlake3ChunkBytes = 1024;
// Subtree CVs that a context may hold: one per set bit of a chunk count below
// 2^54 (2^64 bytes), the newest one not yet merged included.
inline constexpr uint32_t kBlake3MaxStackDepth = 54;

// A plain record: it may be copied, and Init leaves it all zeros.
struct Blake3Context {
    // CVs of complete subtrees, leftmost (largest) first, that cover the
    // chunks before the buffered one. They are merged lazily: only once later
    // input shows a merged node would not be the root.
    uint8_t stack[kBlake3MaxStackDepth][kBlake3DigestBytes];
    // The newest input, up to one chunk, held back until it is known not to
    // be the last chunk.
    uint8_t chunk[kBlake3ChunkBytes];
    uint64_t chunkCounter; // chunks before the buffered one: its index in the input
    uint32_t fill;         // bytes in chunk, 0 to 1024
    uint32_t stackDepth;   // entries of stack in use
};

// Init puts the context into the start state, whatever it held.
void Blake3Init(Blake3Context* context);

// Hashes byteCount more bytes; if byteCount is 0, data may be null.
void Blake3Update(Blake3Context* context, const uint8_t* data, uint64_t byteCount);

// Writes the 32-byte digest of everything the context took in, and leaves the
// context spent (Init it again to reuse it). A context whose whole input is
// one subtree added by Blake3AddSubtree has no digest here, since that
// subtree's top node was hashed as a non-root (see below); Final then writes 32
// zero bytes.
void Blake3Final(Blake3Context* context, uint8_t* digest);

// Writes the CV of the complete subtree over byteCount bytes at data, whose
// first chunk is chunk firstChunkIndex of the whole input (its offset / 1024).
// Preconditions: byteCount is 1024 times a power of two (1, 2, 4... chunks) and
// firstChunkIndex is a multiple of that number of chunks. The CV is never that
// of a root: a subtree that is the whole input has a different digest, so hash
// such an input with Blake3Update instead.
void Blake3SubtreeCv(const uint8_t* data, uint64_t byteCount, uint64_t firstChunkIndex,
                     uint8_t cv[kBlake3DigestBytes]);

// Adds to the context the subtree over the next byteCount bytes of input, given
// its CV from Blake3SubtreeCv (with firstChunkIndex the input taken so far /
// 1024). Preconditions: byteCount is 1024 times a power of two; the input taken
// so far is a multiple of byteCount, and the last Update, if any, ended on a
// chunk edge (so that no part of a chunk is buffered). More subtrees or plain
// input may follow; the digest is right as long as the whole input is not this
// one subtree alone.
void Blake3AddSubtree(Blake3Context* context, const uint8_t cv[kBlake3DigestBytes], uint64_t byteCount);

} // namespace vesk
