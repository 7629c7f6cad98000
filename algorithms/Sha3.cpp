#include "algorithms/Sha3.h"

#include "algorithms/ByteOrder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace vesk {

namespace {

constexpr int kLanes = 25;
constexpr int kRounds = 24; // 12 + 2l rounds with lanes of 2^l = 64 bits

// ι round constants, FIPS 202 section 3.2.5 (Algorithms 5 and 6): bit 2^j - 1 of
// round i's constant is rc(j + 7i), the output of the LFSR with feedback
// polynomial x^8 + x^6 + x^5 + x^4 + 1 started at 1.
constexpr std::array<uint64_t, kRounds> MakeRoundConstants() {
    std::array<uint64_t, kRounds> constants{};
    uint32_t r = 1; // R[0] in bit 0
    for (int i = 0; i < kRounds; ++i) {
        for (int j = 0; j <= 6; ++j) {
            if (r & 1)
                constants[i] |= uint64_t{1} << ((1 << j) - 1);
            r = ((r << 1) ^ ((r & 0x80) ? 0x71 : 0)) & 0xFF;
        }
    }
    return constants;
}

constexpr auto kRoundConstants = MakeRoundConstants();
static_assert(kRoundConstants[0] == 0x0000000000000001 && kRoundConstants[1] == 0x0000000000008082 &&
              kRoundConstants[23] == 0x8000000080008008);

// ρ rotation offsets, FIPS 202 section 3.2.2 (Algorithm 2): starting at lane
// (1, 0) and stepping (x, y) to (y, 2x + 3y), the t-th lane visited turns by
// (t + 1)(t + 2) / 2 bits. Indexed by lane x + 5y.
constexpr std::array<int, kLanes> MakeRotations() {
    std::array<int, kLanes> rotations{};
    int x = 1;
    int y = 0;
    for (int t = 0; t < 24; ++t) {
        rotations[x + 5 * y] = (t + 1) * (t + 2) / 2 % 64;
        const int nextY = (2 * x + 3 * y) % 5;
        x = y;
        y = nextY;
    }
    return rotations;
}

constexpr auto kRotations = MakeRotations();
static_assert(kRotations[1] == 1 && kRotations[2] == 62 && kRotations[5] == 36 && kRotations[24] == 14);

} // namespace

// Sets the start state for a capacity in bits; 1600 minus it must be a
// multiple of 64 and the rate at most kSha3MaxRateBytes.
static void Sha3InitSponge(Sha3Context* context, uint32_t capacityBits) {
    std::memset(context, 0, sizeof *context);
    context->rate = (1600 - capacityBits) / 8;
}
static_assert((1600 - 448) / 8 <= kSha3MaxRateBytes, "SHA3-224, the widest rate, fits the queue");

void Sha3Init224(Sha3Context* context) {
    Sha3InitSponge(context, 448);
}

void Sha3Init256(Sha3Context* context) {
    Sha3InitSponge(context, 512);
}

void Sha3Init384(Sha3Context* context) {
    Sha3InitSponge(context, 768);
}

void Sha3Init512(Sha3Context* context) {
    Sha3InitSponge(context, 1024);
}

// Fully unrolled, the five-lane loops let the compiler keep the lanes in
// registers; left as loops (GCC at -O2) the permutation runs four times slower.
#define KECCAK_UNROLL _Pragma("GCC unroll 5")

// One round from `a` into `e`: θ, then ρ and π feeding χ one output plane at a
// time, then ι.
static inline void Round(const uint64_t* a, uint64_t* e, uint64_t roundConstant) {
    uint64_t c[5];
    KECCAK_UNROLL
    for (int x = 0; x < 5; ++x)
        c[x] = a[x] ^ a[x + 5] ^ a[x + 10] ^ a[x + 15] ^ a[x + 20];
    uint64_t d[5];
    KECCAK_UNROLL
    for (int x = 0; x < 5; ++x)
        d[x] = c[(x + 4) % 5] ^ std::rotl(c[(x + 1) % 5], 1);
    KECCAK_UNROLL
    for (int y = 0; y < 5; ++y) {
        // π moves lane (x', y') = ((x + 3y) mod 5, x) to (x, y).
        uint64_t b[5];
        KECCAK_UNROLL
        for (int x = 0; x < 5; ++x) {
            const int source = (x + 3 * y) % 5 + 5 * x;
            b[x] = std::rotl(a[source] ^ d[(x + 3 * y) % 5], kRotations[source]);
        }
        KECCAK_UNROLL
        for (int x = 0; x < 5; ++x)
            e[x + 5 * y] = b[x] ^ (~b[(x + 1) % 5] & b[(x + 2) % 5]);
    }
    e[0] ^= roundConstant;
}

#undef KECCAK_UNROLL

// Keccak-f[1600], FIPS 202 section 3.3: 24 rounds, alternating between the
// state and a scratch copy so that no round has to copy its result back.
static void KeccakF1600(uint64_t* state) {
    uint64_t a[kLanes];
    uint64_t e[kLanes];
    std::memcpy(a, state, sizeof a);
    for (int i = 0; i < kRounds; i += 2) {
        Round(a, e, kRoundConstants[i]);
        Round(e, a, kRoundConstants[i + 1]);
    }
    std::memcpy(state, a, sizeof a);
}

// XORs one rate block into the first rate / 8 lanes and permutes.
static void AbsorbBlock(uint64_t* state, const uint8_t* block, uint32_t rate) {
    for (uint32_t i = 0; i < rate / 8; ++i)
        state[i] ^= LoadLe64(block + 8 * i);
    KeccakF1600(state);
}

void Sha3Update(Sha3Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount == 0)
        return;
    const uint32_t rate = context->rate;
    if (context->queuePosition > 0) {
        const uint64_t take = std::min<uint64_t>(byteCount, rate - context->queuePosition);
        std::memcpy(context->queue + context->queuePosition, data, size_t(take));
        context->queuePosition += take;
        data += take;
        byteCount -= take;
        if (context->queuePosition < rate)
            return;
        AbsorbBlock(context->state, context->queue, rate);
        context->queuePosition = 0;
    }
    // Whole blocks straight from the caller's buffer.
    for (; byteCount >= rate; byteCount -= rate, data += rate)
        AbsorbBlock(context->state, data, rate);
    if (byteCount > 0) {
        std::memcpy(context->queue, data, size_t(byteCount));
        context->queuePosition = byteCount;
    }
}

static void Sha3Finish(Sha3Context* context, uint8_t* digest, uint32_t digestBytes) {
    const uint32_t rate = context->rate;
    const uint64_t position = context->queuePosition;
    std::memset(context->queue + position, 0, rate - position);
    context->queue[position] |= 0x06; // the SHA-3 suffix bits 01, then pad10*1's first 1
    context->queue[rate - 1] |= 0x80; // pad10*1's last 1; the same byte as the 0x06 when one was free
    AbsorbBlock(context->state, context->queue, rate);
    context->queuePosition = rate;

    // Every digest is shorter than its rate, so one squeeze block is enough.
    uint32_t i = 0;
    for (; i + 8 <= digestBytes; i += 8)
        StoreLe64(digest + i, context->state[i / 8]);
    for (; i < digestBytes; ++i)
        digest[i] = uint8_t(context->state[i / 8] >> (8 * (i % 8)));
    context->queuePosition -= digestBytes;
}

void Sha3Final224(Sha3Context* context, uint8_t* digest) {
    Sha3Finish(context, digest, kSha3_224DigestBytes);
}

void Sha3Final256(Sha3Context* context, uint8_t* digest) {
    Sha3Finish(context, digest, kSha3_256DigestBytes);
}

void Sha3Final384(Sha3Context* context, uint8_t* digest) {
    Sha3Finish(context, digest, kSha3_384DigestBytes);
}

void Sha3Final512(Sha3Context* context, uint8_t* digest) {
    Sha3Finish(context, digest, kSha3_512DigestBytes);
}

} // namespace vesk
