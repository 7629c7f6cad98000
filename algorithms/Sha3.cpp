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

// Lane complementing (Bertoni et al., "Keccak implementation overview",
// version 3.2, section 2.2): the permutation keeps six lanes inverted, the
// mask below, so that chi, b[x] ^ (~b[x+1] & b[x+2]), can mostly be written
// with AND and OR on the stored lanes, and a round needs 5 NOTs instead of 25.
// Theta, rho and pi are linear, so they only move the inversions around: a
// column with an odd number of inverted lanes inverts its parity, and so the
// theta effect of columns 0 and 3 (the neighbours of the odd ones). kChi gives,
// for every output lane, the form that leaves the output inverted exactly
// where the mask says, given which of its inputs arrive inverted. The mask is
// one with the fewest NOTs under those rules; an exhaustive search over all 2^25
// masks, with forms (b[x] or ~b[x]) ^ ((b[x+1] or ~) AND/OR (b[x+2] or ~))
// and one NOT per plane shared by its users, finds it among six of 5 NOTs.
constexpr uint32_t kInvertedLanes = 1u << (1 + 5 * 0) | 1u << (2 + 5 * 0) | 1u << (3 + 5 * 1) |
                                    1u << (2 + 5 * 2) | 1u << (2 + 5 * 3) | 1u << (0 + 5 * 4);

// Output lane (x, y) = e ^ (u OR/AND v), where e, u and v are b[x], b[x+1] and
// b[x+2] of output plane y, each taken inverted when its flag says so.
struct ChiForm {
    bool useOr;
    bool invertSelf;  // e = ~b[x]
    bool invertNext;  // u = ~b[x+1]
    bool invertAfter; // v = ~b[x+2]
};
// clang-format off
constexpr ChiForm kChi[5][5] = {
    {{true, false, false, false}, {true, false, true, false}, {false, false, false, false},
     {true, false, false, false}, {false, false, false, false}},
    {{true, false, false, false}, {false, false, false, false}, {true, false, false, true},
     {true, false, false, false}, {false, false, false, false}},
    {{true, false, false, false}, {false, false, false, false}, {false, false, true, false},
     {true, true, false, false}, {false, false, false, false}},
    {{false, false, false, false}, {true, false, false, false}, {true, false, true, false},
     {false, true, false, false}, {true, false, false, false}},
    {{false, false, true, false}, {true, true, false, false}, {false, false, false, false},
     {true, false, false, false}, {false, false, false, false}},
};
// clang-format on

constexpr bool Inverted(int x, int y) {
    return kInvertedLanes >> (x + 5 * y) & 1;
}

// Theta adds the parities of columns x - 1 and x + 1 to column x; it inverts
// the column when exactly one of them has an odd number of inverted lanes.
constexpr bool ThetaInverts(int x) {
    bool flip = false;
    for (int y = 0; y < 5; ++y)
        flip ^= Inverted((x + 4) % 5, y) ^ Inverted((x + 1) % 5, y);
    return flip;
}

// Whether b[x] of output plane y reaches chi inverted: pi brings it from lane
// ((x + 3y) mod 5, x), as theta left that lane.
constexpr bool ChiInputInverted(int x, int y) {
    const int sourceX = (x + 3 * y) % 5;
    return Inverted(sourceX, x) != ThetaInverts(sourceX);
}

// Every form gives chi's true output, inverted where the mask says, for each
// of the eight values of its three input bits.
constexpr bool ChiFormsMatchMask() {
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            for (int bits = 0; bits < 8; ++bits) {
                const bool b0 = bits & 1, b1 = bits >> 1 & 1, b2 = bits >> 2 & 1;
                const bool s0 = b0 != ChiInputInverted(x, y);
                const bool s1 = b1 != ChiInputInverted((x + 1) % 5, y);
                const bool s2 = b2 != ChiInputInverted((x + 2) % 5, y);
                const ChiForm form = kChi[y][x];
                const bool u = s1 != form.invertNext, v = s2 != form.invertAfter;
                const bool stored = (s0 != form.invertSelf) != (form.useOr ? (u || v) : (u && v));
                if (stored != ((b0 != (!b1 && b2)) != Inverted(x, y)))
                    return false;
            }
    return true;
}
static_assert(ChiFormsMatchMask());

// Fully unrolled, the five-lane loops let the compiler keep the lanes in
// registers; left as loops (GCC at -O2) the permutation runs four times slower.
#define KECCAK_UNROLL _Pragma("GCC unroll 5")

// One round from `a` into `e`, both lane-complemented: theta, then rho and pi
// feeding chi one output plane at a time, then iota.
[[gnu::always_inline]] static inline void Round(const uint64_t* a, uint64_t* e, uint64_t roundConstant) {
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
        // pi moves lane (x', y') = ((x + 3y) mod 5, x) to (x, y).
        uint64_t b[5];
        KECCAK_UNROLL
        for (int x = 0; x < 5; ++x) {
            const int source = (x + 3 * y) % 5 + 5 * x;
            b[x] = std::rotl(a[source] ^ d[(x + 3 * y) % 5], kRotations[source]);
        }
        KECCAK_UNROLL
        for (int x = 0; x < 5; ++x) {
            const ChiForm form = kChi[y][x];
            const uint64_t self = form.invertSelf ? ~b[x] : b[x];
            const uint64_t u = form.invertNext ? ~b[(x + 1) % 5] : b[(x + 1) % 5];
            const uint64_t v = form.invertAfter ? ~b[(x + 2) % 5] : b[(x + 2) % 5];
            e[x + 5 * y] = self ^ (form.useOr ? (u | v) : (u & v));
        }
    }
    e[0] ^= roundConstant;
}

#undef KECCAK_UNROLL

// Inverts the masked lanes, into and out of the complemented form.
static void InvertMaskedLanes(uint64_t* lanes) {
    for (int i = 0; i < kLanes; ++i)
        if (kInvertedLanes >> i & 1)
            lanes[i] = ~lanes[i];
}

// Keccak-f[1600], FIPS 202 section 3.3: 24 rounds, alternating between the
// state and a scratch copy so that no round has to copy its result back.
static void KeccakF1600(uint64_t* state) {
    uint64_t a[kLanes];
    uint64_t e[kLanes];
    std::memcpy(a, state, sizeof a);
    InvertMaskedLanes(a);
    for (int i = 0; i < kRounds; i += 2) {
        Round(a, e, kRoundConstants[i]);
        Round(e, a, kRoundConstants[i + 1]);
    }
    InvertMaskedLanes(a);
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
