// SHA-1 compression with the SHA extensions (SHA1RNDS4, SHA1NEXTE, SHA1MSG1,
// SHA1MSG2; Intel SDM volume 2). Only CodePaths.cpp calls it, on processors
// with SHA-NI, SSSE3 and SSE4.1.
#include "algorithms/PathFunctions.h"

#include <immintrin.h>
#include <utility>

#define SHANI_TARGET [[gnu::target("sha,ssse3,sse4.1")]]

namespace vesk {

namespace {

// The four message words of a group in the lanes SHA1RNDS4 wants them: word 0
// (the first, big-endian) in the top lane, word 3 in the bottom one. Reversing
// all 16 bytes does both the byte swap and the lane order.
SHANI_TARGET inline __m128i LoadWords(const uint8_t* p) {
    const __m128i kReverseBytes = _mm_set_epi64x(0x0001020304050607, 0x08090A0B0C0D0E0F);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), kReverseBytes);
}

// Four rounds of group g (rounds 4g to 4g + 3); SHA1RNDS4 takes the round
// function and constant as an immediate: 0 for rounds 0-19, ..., 3 for 60-79.
template <int g>
SHANI_TARGET inline __m128i FourRounds(__m128i abcd, __m128i ePlusW) {
    return _mm_sha1rnds4_epu32(abcd, ePlusW, g / 5);
}

// Message words 4g to 4g + 3 for g >= 4, from the four groups before them in
// the ring w (w[g % 4] still holds group g - 4): W[t] = rotl1(W[t-3] ^ W[t-8] ^
// W[t-14] ^ W[t-16]). SHA1MSG1 forms W[t-16] ^ W[t-14], SHA1MSG2 adds W[t-3]
// (its own output for the last lane) and rotates.
template <int g>
SHANI_TARGET inline __m128i NextWords(const __m128i (&w)[4]) {
    const __m128i partial = _mm_xor_si128(_mm_sha1msg1_epu32(w[g % 4], w[(g + 1) % 4]), w[(g + 2) % 4]);
    return _mm_sha1msg2_epu32(partial, w[(g + 3) % 4]);
}

// Group g of the 20: its message words, then E plus them (E comes from the A of
// four rounds back, which SHA1NEXTE rotates), then the rounds. abcdBefore
// keeps the state each group started from, which the next group's E needs.
template <int g>
SHANI_TARGET inline void Group(__m128i& abcd, __m128i& abcdBefore, __m128i (&w)[4], const uint8_t* block,
                               __m128i e) {
    if constexpr (g < 4)
        w[g] = LoadWords(block + 16 * g);
    else
        w[g % 4] = NextWords<g>(w);
    __m128i ePlusW;
    if constexpr (g == 0)
        ePlusW = _mm_add_epi32(e, w[0]);
    else
        ePlusW = _mm_sha1nexte_epu32(abcdBefore, w[g % 4]);
    abcdBefore = abcd;
    abcd = FourRounds<g>(abcd, ePlusW);
}

template <int... g>
SHANI_TARGET inline void AllGroups(__m128i& abcd, __m128i& abcdBefore, __m128i (&w)[4], const uint8_t* block,
                                   __m128i e, std::integer_sequence<int, g...>) {
    (Group<g>(abcd, abcdBefore, w, block, e), ...);
}

} // namespace

SHANI_TARGET void Sha1BlocksShani(uint32_t* state, const uint8_t* blocks, uint64_t blockCount) {
    // A in the top lane down to D in the bottom one; E alone in the top lane.
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e = _mm_set_epi32(int(state[4]), 0, 0, 0);
    for (; blockCount > 0; --blockCount, blocks += 64) {
        const __m128i abcdStart = abcd;
        __m128i abcdBefore = abcd;
        __m128i w[4];
        AllGroups(abcd, abcdBefore, w, blocks, e, std::make_integer_sequence<int, 20>());
        // The last group's E, rotated out of its A, plus the E the block started with.
        e = _mm_sha1nexte_epu32(abcdBefore, e);
        abcd = _mm_add_epi32(abcd, abcdStart);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = uint32_t(_mm_extract_epi32(e, 3));
}

} // namespace vesk
