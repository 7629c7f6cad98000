#include "algorithms/EdonR.h"

#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace vesk {

namespace {

// Rotation counts and added constants of the quasigroup operations Q256 and
// Q512, from the Edon-R reference code of the SHA-3 round 1 submission
// (Gligoroski et al., EdonR.c, macros Q256 and Q512): the first Latin square
// adds 0xAA.. and rotates its seven other outputs by `first`, the second adds
// 0x55.. and rotates by `second`.
struct Words32 {
    using Word = uint32_t;
    static constexpr Word kFirstConstant = 0xAAAAAAAA;
    static constexpr Word kSecondConstant = 0x55555555;
    static constexpr int kFirstRotations[7] = {5, 11, 13, 17, 19, 29, 31};
    static constexpr int kSecondRotations[7] = {3, 7, 11, 17, 19, 23, 29};
    static Word Load(const uint8_t* p) { return LoadLe32(p); }
    static void Store(uint8_t* p, Word w) { StoreLe32(p, w); }
};

struct Words64 {
    using Word = uint64_t;
    static constexpr Word kFirstConstant = 0xAAAAAAAAAAAAAAAA;
    static constexpr Word kSecondConstant = 0x5555555555555555;
    static constexpr int kFirstRotations[7] = {5, 19, 29, 31, 41, 57, 61};
    static constexpr int kSecondRotations[7] = {3, 17, 23, 31, 37, 45, 59};
    static Word Load(const uint8_t* p) { return LoadLe64(p); }
    static void Store(uint8_t* p, Word w) { StoreLe64(p, w); }
};

template <typename Word>
using Pipe = std::array<Word, 16>;

// Initial double pipes: word k holds the byte values start + k * wordBytes and
// up, most significant first.
template <typename Word>
constexpr Pipe<Word> CountingPipe(unsigned start) {
    Pipe<Word> pipe{};
    for (unsigned k = 0; k < 16; ++k)
        for (unsigned b = 0; b < sizeof(Word); ++b)
            pipe[k] = Word(pipe[k] << 8 | ((start + k * sizeof(Word) + b) & 0xFF));
    return pipe;
}

// The designers' reference code (i224p2 and i384p2 in EdonR.c) breaks the
// pattern in one word of each of these two pipes; the published digests carry
// those words, so they are kept exactly.
constexpr Pipe<uint32_t> kInitial224 = [] {
    Pipe<uint32_t> pipe = CountingPipe<uint32_t>(0x00);
    pipe[13] = 0x24353637; // not 0x34353637
    return pipe;
}();
constexpr Pipe<uint32_t> kInitial256 = CountingPipe<uint32_t>(0x40);
constexpr Pipe<uint64_t> kInitial384 = [] {
    Pipe<uint64_t> pipe = CountingPipe<uint64_t>(0x00);
    pipe[6] = 0x3031323324353637; // not 0x3031323334353637
    return pipe;
}();
constexpr Pipe<uint64_t> kInitial512 = CountingPipe<uint64_t>(0x80);

static_assert(kInitial224[12] == 0x30313233 && kInitial224[15] == 0x3C3D3E3F);
static_assert(kInitial256[0] == 0x40414243 && kInitial256[15] == 0x7C7D7E7F);
static_assert(kInitial384[7] == 0x38393A3B3C3D3E3F && kInitial384[15] == 0x78797A7B7C7D7E7F);
static_assert(kInitial512[0] == 0x8081828384858687 && kInitial512[15] == 0xF8F9FAFBFCFDFEFF);

template <typename Word>
using Row = std::array<Word, 8>;

// Eight message words read straight from the block, in order or reversed.
// Reading them where they are used, instead of copying them into locals first,
// spares the compiler from spilling 16 words it cannot keep in registers.
template <typename W, bool Reversed>
struct MessageRow {
    const uint8_t* words;
    typename W::Word operator[](size_t i) const {
        return W::Load(words + (Reversed ? 7 - i : i) * sizeof(typename W::Word));
    }
};

// The quasigroup operation Q(x, y) on two rows of eight words: x goes through
// the first Latin square, y through the second, orthogonal one, and the two
// results are added word by word. The sums shared between outputs are formed
// once, as in the reference code.
template <typename W, typename X, typename Y>
[[gnu::always_inline]] inline Row<typename W::Word> Q(const X& x, const Y& y) {
    using Word = typename W::Word;
    using std::rotl;
    constexpr const int* r = W::kFirstRotations;
    constexpr const int* q = W::kSecondRotations;

    const Word x04 = x[0] + x[4], x17 = x[1] + x[7], x23 = x[2] + x[3], x56 = x[5] + x[6];
    const Word x0147 = x04 + x17, x2356 = x23 + x56;
    const Word t0 = W::kFirstConstant + x0147 + x[2];
    const Word t1 = rotl(x0147 + x[3], r[0]);
    const Word t2 = rotl(x0147 + x[6], r[1]);
    const Word t3 = rotl(x2356 + x[7], r[2]);
    const Word t4 = rotl(x[1] + x2356, r[3]);
    const Word t5 = rotl(x04 + x23 + x[5], r[4]);
    const Word t6 = rotl(x[0] + x17 + x56, r[5]);
    const Word t7 = rotl(x2356 + x[4], r[6]);
    const Word t04 = t0 ^ t4, t17 = t1 ^ t7, t23 = t2 ^ t3, t56 = t5 ^ t6;
    const Word u0 = t04 ^ t1, u1 = t04 ^ t7, u2 = t17 ^ t6, u3 = t23 ^ t4;
    const Word u4 = t0 ^ t17, u5 = t3 ^ t56, u6 = t2 ^ t56, u7 = t23 ^ t5;

    const Word y01 = y[0] + y[1], y25 = y[2] + y[5], y34 = y[3] + y[4], y67 = y[6] + y[7];
    const Word y0125 = y01 + y25, y0134 = y01 + y34, y3467 = y34 + y67, y2567 = y25 + y67;
    const Word v0 = W::kSecondConstant + y0125 + y[7];
    const Word v1 = rotl(y0134 + y[6], q[0]);
    const Word v2 = rotl(y0125 + y[3], q[1]);
    const Word v3 = rotl(y[2] + y3467, q[2]);
    const Word v4 = rotl(y0134 + y[5], q[3]);
    const Word v5 = rotl(y2567 + y[4], q[4]);
    const Word v6 = rotl(y[1] + y2567, q[5]);
    const Word v7 = rotl(y[0] + y3467, q[6]);
    const Word v01 = v0 ^ v1, v25 = v2 ^ v5, v34 = v3 ^ v4, v67 = v6 ^ v7;

    return {u0 + (v01 ^ v5), u1 + (v2 ^ v67), u2 + (v01 ^ v3), u3 + (v0 ^ v34),
            u4 + (v1 ^ v25), u5 + (v34 ^ v6), u6 + (v25 ^ v7), u7 + (v4 ^ v67)};
}

// The double-pipe compression R of the submission, over blockCount consecutive
// blocks: four rows of two quasigroup operations each, mixing the message
// halves (once reversed) with the two halves of the pipe. The pipe is read
// where it lies and each new half written back once the old one is used up.
template <typename W>
void Compress(typename W::Word* pipe, const uint8_t* data, uint64_t blockCount) {
    using Word = typename W::Word;
    for (; blockCount > 0; --blockCount, data += 16 * sizeof(Word)) {
        const MessageRow<W, false> low{data}, high{data + 8 * sizeof(Word)};
        const MessageRow<W, true> lowReversed{data}, highReversed{data + 8 * sizeof(Word)};
        const Word* p0 = pipe;
        const Word* p1 = pipe + 8;
        Row<Word> t0 = Q<W>(highReversed, low);
        Row<Word> t1 = Q<W>(t0, high);
        t0 = Q<W>(p1, t0);
        t1 = Q<W>(t0, t1);
        t0 = Q<W>(t0, p0);
        t1 = Q<W>(t1, t0);
        const Row<Word> newP0 = Q<W>(lowReversed, t0);
        std::copy(newP0.begin(), newP0.end(), pipe);
        const Row<Word> newP1 = Q<W>(newP0, t1);
        std::copy(newP1.begin(), newP1.end(), pipe + 8);
    }
}

// Edon-R 224/256 through the code path in use (PathFunctions.h), which is
// the portable Compress unless the processor runs a faster one.
template <typename W>
void CompressBlocks(typename W::Word* pipe, const uint8_t* data, uint64_t blockCount) {
    if constexpr (std::is_same_v<W, Words32>)
        Active(Paths().edonR256Blocks)(pipe, data, blockCount);
    else
        Compress<W>(pipe, data, blockCount);
}

template <typename Context, typename Word>
void Start(Context* context, const Pipe<Word>& initial, uint32_t digestLength) {
    std::copy(initial.begin(), initial.end(), context->pipe);
    context->length = 0;
    context->digestLength = digestLength;
}

// Top up the partial block, compress whole blocks straight from the caller's
// buffer, keep the tail.
template <typename W, typename Context>
void Absorb(Context* context, const uint8_t* data, uint64_t byteCount) {
    constexpr size_t kBlockBytes = sizeof(Context::block);
    if (byteCount == 0)
        return; // data may be null
    const size_t used = size_t(context->length % kBlockBytes);
    context->length += byteCount;
    if (used > 0) {
        const size_t take = size_t(std::min<uint64_t>(byteCount, kBlockBytes - used));
        std::memcpy(context->block + used, data, take);
        data += take;
        byteCount -= take;
        if (used + take < kBlockBytes)
            return;
        CompressBlocks<W>(context->pipe, context->block, 1);
    }
    const uint64_t blockCount = byteCount / kBlockBytes;
    if (blockCount > 0) {
        CompressBlocks<W>(context->pipe, data, blockCount);
        data += blockCount * kBlockBytes;
        byteCount -= blockCount * kBlockBytes;
    }
    if (byteCount > 0)
        std::memcpy(context->block, data, size_t(byteCount));
}

// 0x80, zeros, and the bit length as a 64-bit little-endian number in the last
// eight bytes, in a second block when fewer than eight bytes are left.
template <typename W, typename Context>
void Finish(Context* context, uint8_t* digest) {
    using Word = typename W::Word;
    constexpr size_t kBlockBytes = sizeof(Context::block);
    const size_t used = size_t(context->length % kBlockBytes);
    context->block[used] = 0x80;
    std::memset(context->block + used + 1, 0, kBlockBytes - used - 1);
    if (used >= kBlockBytes - 8) {
        CompressBlocks<W>(context->pipe, context->block, 1);
        std::memset(context->block, 0, kBlockBytes);
    }
    StoreLe64(context->block + kBlockBytes - 8, context->length * 8);
    CompressBlocks<W>(context->pipe, context->block, 1);

    uint8_t bytes[16 * sizeof(Word)];
    for (size_t i = 0; i < 16; ++i)
        W::Store(bytes + i * sizeof(Word), context->pipe[i]);
    std::memcpy(digest, bytes + sizeof(bytes) - context->digestLength, context->digestLength);
}

} // namespace

void EdonR256BlocksPortable(uint32_t* pipe, const uint8_t* blocks, uint64_t blockCount) {
    Compress<Words32>(pipe, blocks, blockCount);
}

void EdonR224Init(EdonR256Context* context) {
    Start(context, kInitial224, kEdonR224DigestBytes);
}

void EdonR256Init(EdonR256Context* context) {
    Start(context, kInitial256, kEdonR256DigestBytes);
}

void EdonR384Init(EdonR512Context* context) {
    Start(context, kInitial384, kEdonR384DigestBytes);
}

void EdonR512Init(EdonR512Context* context) {
    Start(context, kInitial512, kEdonR512DigestBytes);
}

void EdonR256Update(EdonR256Context* context, const uint8_t* data, uint64_t byteCount) {
    Absorb<Words32>(context, data, byteCount);
}

void EdonR512Update(EdonR512Context* context, const uint8_t* data, uint64_t byteCount) {
    Absorb<Words64>(context, data, byteCount);
}

void EdonR256Final(EdonR256Context* context, uint8_t* digest) {
    Finish<Words32>(context, digest);
}

void EdonR512Final(EdonR512Context* context, uint8_t* digest) {
    Finish<Words64>(context, digest);
}

} // namespace vesk
