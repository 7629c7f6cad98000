#include "algorithms/Adler32.h"

#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"

namespace vesk {

namespace {

constexpr uint32_t kModulus = 65521;   // the largest prime below 2^16 (RFC 1950, section 9)
constexpr uint32_t kLongestRun = 5552; // most bytes before s2 could overflow 32 bits (zlib's NMAX)
constexpr uint32_t kStep = 16;         // bytes per unrolled inner step

static_assert(kLongestRun % kStep == 0);
// 255 n (n + 1) / 2 + (n + 1) (kModulus - 1) is the largest s2 can reach after n bytes.
static_assert(255ull * kLongestRun * (kLongestRun + 1) / 2 + (kLongestRun + 1ull) * (kModulus - 1) <=
              0xFFFFFFFFull);

} // namespace

void Adler32Init(Adler32Context* context) {
    context->sums = 1;
}

// Adds a run of whole 16-byte steps, at most kLongestRun bytes, to s1 and s2
// without reducing them. Lane k sums byte k of every step (a[k]) and, before
// each step, the lane sums so far (c[k]); the per-byte recurrence s2 += s1
// then comes out as below. The lanes have no carried chain from byte to
// byte, so the compiler can keep all sixteen in vector registers.
static void AddSteps(uint32_t& s1, uint32_t& s2, const uint8_t* data, uint32_t stepCount) {
    uint32_t a[kStep] = {};
    uint32_t c[kStep] = {};
    for (uint32_t step = 0; step < stepCount; ++step, data += kStep)
        for (uint32_t k = 0; k < kStep; ++k) {
            c[k] += a[k];
            a[k] += data[k];
        }
    // Byte k of step j is added to s2 once per byte from itself to the end of
    // the run: kStep (stepCount - j) - k times.
    uint32_t sumA = 0;
    uint32_t sumC = 0;
    uint32_t weighted = 0;
    for (uint32_t k = 0; k < kStep; ++k) {
        sumA += a[k];
        sumC += c[k];
        weighted += (kStep - k) * a[k];
    }
    s2 += stepCount * kStep * s1 + kStep * sumC + weighted;
    s1 += sumA;
}

// The portable version, also used by the vector versions for their tails.
uint32_t Adler32Portable(uint32_t sums, const uint8_t* data, uint64_t byteCount) {
    uint32_t s1 = sums & 0xFFFF;
    uint32_t s2 = sums >> 16;
    while (byteCount > 0) {
        const uint32_t run = byteCount < kLongestRun ? uint32_t(byteCount) : kLongestRun;
        const uint32_t whole = run - run % kStep;
        AddSteps(s1, s2, data, whole / kStep);
        for (uint32_t i = whole; i < run; ++i) {
            s1 += data[i];
            s2 += s1;
        }
        s1 %= kModulus;
        s2 %= kModulus;
        data += run;
        byteCount -= run;
    }
    return s2 << 16 | s1;
}

void Adler32Update(Adler32Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount > 0)
        context->sums = Active(Paths().adler32)(context->sums, data, byteCount);
}

void Adler32Final(Adler32Context* context, uint8_t* digest) {
    StoreBe32(digest, context->sums);
}

} // namespace vesk
