// SHA-384 and SHA-512 (FIPS 180-4 sections 6.4 and 6.5).
#include "algorithms/Sha2.h"

#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"
#include "algorithms/Sha512Rounds.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vesk {

// FIPS 180-4 section 4.2.3: the first 64 bits of the fractional parts of the
// cube roots of the first 80 primes.
alignas(64) const uint64_t kSha512RoundConstants[80] = {
    0x428A2F98D728AE22, 0x7137449123EF65CD, 0xB5C0FBCFEC4D3B2F, 0xE9B5DBA58189DBBC, 0x3956C25BF348B538,
    0x59F111F1B605D019, 0x923F82A4AF194F9B, 0xAB1C5ED5DA6D8118, 0xD807AA98A3030242, 0x12835B0145706FBE,
    0x243185BE4EE4B28C, 0x550C7DC3D5FFB4E2, 0x72BE5D74F27B896F, 0x80DEB1FE3B1696B1, 0x9BDC06A725C71235,
    0xC19BF174CF692694, 0xE49B69C19EF14AD2, 0xEFBE4786384F25E3, 0x0FC19DC68B8CD5B5, 0x240CA1CC77AC9C65,
    0x2DE92C6F592B0275, 0x4A7484AA6EA6E483, 0x5CB0A9DCBD41FBD4, 0x76F988DA831153B5, 0x983E5152EE66DFAB,
    0xA831C66D2DB43210, 0xB00327C898FB213F, 0xBF597FC7BEEF0EE4, 0xC6E00BF33DA88FC2, 0xD5A79147930AA725,
    0x06CA6351E003826F, 0x142929670A0E6E70, 0x27B70A8546D22FFC, 0x2E1B21385C26C926, 0x4D2C6DFC5AC42AED,
    0x53380D139D95B3DF, 0x650A73548BAF63DE, 0x766A0ABB3C77B2A8, 0x81C2C92E47EDAEE6, 0x92722C851482353B,
    0xA2BFE8A14CF10364, 0xA81A664BBC423001, 0xC24B8B70D0F89791, 0xC76C51A30654BE30, 0xD192E819D6EF5218,
    0xD69906245565A910, 0xF40E35855771202A, 0x106AA07032BBD1B8, 0x19A4C116B8D2D0C8, 0x1E376C085141AB53,
    0x2748774CDF8EEB99, 0x34B0BCB5E19B48A8, 0x391C0CB3C5C95A63, 0x4ED8AA4AE3418ACB, 0x5B9CCA4F7763E373,
    0x682E6FF3D6B2B8A3, 0x748F82EE5DEFB2FC, 0x78A5636F43172F60, 0x84C87814A1F0AB72, 0x8CC702081A6439EC,
    0x90BEFFFA23631E28, 0xA4506CEBDE82BDE9, 0xBEF9A3F7B2C67915, 0xC67178F2E372532B, 0xCA273ECEEA26619C,
    0xD186B8C721C0C207, 0xEADA7DD6CDE0EB1E, 0xF57D4F7FEE6ED178, 0x06F067AA72176FBA, 0x0A637DC5A2C898A6,
    0x113F9804BEF90DAE, 0x1B710B35131C471B, 0x28DB77F523047D84, 0x32CAAB7B40C72493, 0x3C9EBE0A15C9BEBC,
    0x431D67C49C100D4C, 0x4CC5D4BECB3E42B6, 0x597F299CFC657E2A, 0x5FCB6FAB3AD6FAEC, 0x6C44198C4A475817,
};

namespace {

// FIPS 180-4 section 5.3.4 (SHA-384) and 5.3.5 (SHA-512).
constexpr uint64_t kSha384InitialState[8] = {
    0xCBBB9D5DC1059ED8, 0x629A292A367CD507, 0x9159015A3070DD17, 0x152FECD8F70E5939,
    0x67332667FFC00B31, 0x8EB44A8768581511, 0xDB0C2E0D64F98FA7, 0x47B5481DBEFA4FA4,
};
constexpr uint64_t kSha512InitialState[8] = {
    0x6A09E667F3BCC908, 0xBB67AE8584CAA73B, 0x3C6EF372FE94F82B, 0xA54FF53A5F1D36F1,
    0x510E527FADE682D1, 0x9B05688C2B3E6C1F, 0x1F83D9ABFB41BD6B, 0x5BE0CD19137E2179,
};

inline uint64_t SmallSigma0(uint64_t x) {
    return std::rotr(x, 1) ^ std::rotr(x, 8) ^ (x >> 7);
}

inline uint64_t SmallSigma1(uint64_t x) {
    return std::rotr(x, 19) ^ std::rotr(x, 61) ^ (x >> 6);
}

// Message word t (section 6.4.2, step 1) in a ring of 16: each new word takes
// the slot of the word 16 rounds back, whose last use it is.
inline uint64_t Schedule(uint64_t* w, const uint8_t* block, int t) {
    if (t < 16)
        w[t] = LoadBe64(block + 8 * t);
    else
        w[t & 15] += SmallSigma1(w[(t - 2) & 15]) + w[(t - 7) & 15] + SmallSigma0(w[(t - 15) & 15]);
    return w[t & 15];
}

void InitWith(Sha512Context* context, const uint64_t* initialState) {
    context->byteCount[0] = 0;
    context->byteCount[1] = 0;
    std::copy(initialState, initialState + 8, context->state);
}

} // namespace

void Sha384Init(Sha512Context* context) {
    InitWith(context, kSha384InitialState);
}

void Sha512Init(Sha512Context* context) {
    InitWith(context, kSha512InitialState);
}

// The portable compression function. Update and Final call the version in
// use (PathFunctions.h), which is this one unless the processor runs a faster one.
void Sha512BlocksPortable(uint64_t* state, const uint8_t* block, uint64_t blockCount) {
    for (; blockCount > 0; --blockCount, block += kSha512BlockBytes) {
        uint64_t w[16];
#define WK(t) (kSha512RoundConstants[t] + Schedule(w, block, t))
#define BETWEEN_ROUNDS(j)
        SHA512_COMPRESS_BLOCK(SHA512_ROUND);
#undef BETWEEN_ROUNDS
#undef WK
    }
}

void Sha512Update(Sha512Context* context, const uint8_t* data, uint64_t byteCount) {
    // An empty update must not touch data, which may then be null.
    if (byteCount == 0)
        return;
    const Sha512BlocksFunction compress = Active(Paths().sha512Blocks);
    const size_t used = size_t(context->byteCount[0] % kSha512BlockBytes);
    context->byteCount[0] += byteCount;
    if (context->byteCount[0] < byteCount)
        ++context->byteCount[1];

    if (used > 0) {
        const size_t take = size_t(std::min<uint64_t>(byteCount, kSha512BlockBytes - used));
        std::memcpy(context->buffer + used, data, take);
        if (used + take < kSha512BlockBytes)
            return;
        compress(context->state, context->buffer, 1);
        data += take;
        byteCount -= take;
    }
    // Whole blocks straight from the caller's buffer: the words are loaded
    // big-endian either way, so copying them first would change nothing.
    const uint64_t blockCount = byteCount / kSha512BlockBytes;
    compress(context->state, data, blockCount);
    data += blockCount * kSha512BlockBytes;
    byteCount %= kSha512BlockBytes;
    if (byteCount > 0)
        std::memcpy(context->buffer, data, size_t(byteCount));
}

namespace {

// Pads (section 5.1.2) and writes the first digestBytes bytes of the state;
// SHA-384 keeps 48 of them, SHA-512 all 64.
void FinalWith(Sha512Context* context, uint8_t* digest, uint32_t digestBytes) {
    // The marker bit, zeros, and the message length in bits as a 128-bit
    // number in the last 16 bytes of a block; a second block when it does not fit.
    const Sha512BlocksFunction compress = Active(Paths().sha512Blocks);
    size_t used = size_t(context->byteCount[0] % kSha512BlockBytes);
    context->buffer[used++] = 0x80;
    if (used > kSha512BlockBytes - 16) {
        std::memset(context->buffer + used, 0, kSha512BlockBytes - used);
        compress(context->state, context->buffer, 1);
        used = 0;
    }
    std::memset(context->buffer + used, 0, kSha512BlockBytes - 16 - used);
    const uint64_t bitCountHigh = context->byteCount[1] << 3 | context->byteCount[0] >> 61;
    StoreBe64(context->buffer + kSha512BlockBytes - 16, bitCountHigh);
    StoreBe64(context->buffer + kSha512BlockBytes - 8, context->byteCount[0] << 3);
    compress(context->state, context->buffer, 1);
    for (uint32_t i = 0; i < digestBytes / 8; ++i)
        StoreBe64(digest + 8 * i, context->state[i]);
}

} // namespace

void Sha384Final(Sha512Context* context, uint8_t* digest) {
    FinalWith(context, digest, kSha384DigestBytes);
}

void Sha512Final(Sha512Context* context, uint8_t* digest) {
    FinalWith(context, digest, kSha512DigestBytes);
}

} // namespace vesk
