// SHA-224/256 compression with the SHA extensions (SHA256RNDS2, SHA256MSG1,
// SHA256MSG2; Intel SDM volume 2). Only CodePaths.cpp calls it, on processors
// with SHA-NI, SSSE3 and SSE4.1.
#include "algorithms/PathFunctions.h"

#include <immintrin.h>
#include <utility>

#define SHANI_TARGET [[gnu::target("sha,ssse3,sse4.1")]]

namespace vesk {

namespace {

// Four big-endian message words, word t in the bottom lane.
SHANI_TARGET inline __m128i LoadWords(const uint8_t* p) {
    const __m128i kSwapWordBytes = _mm_set_epi64x(0x0C0D0E0F08090A0B, 0x0405060700010203);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), kSwapWordBytes);
}

// Message words 4g to 4g + 3 for g >= 4, from the four groups before them in
// the ring w (w[g % 4] still holds group g - 4): W[t] = s1(W[t-2]) + W[t-7] +
// s0(W[t-15]) + W[t-16]. SHA256MSG1 forms W[t-16] + s0(W[t-15]), the byte
// shift picks W[t-7] out of groups g - 2 and g - 1, and SHA256MSG2 adds
// s1(W[t-2]), taking its own output for the upper two lanes.
template <int g>
SHANI_TARGET inline __m128i NextWords(const __m128i (&w)[4]) {
    const __m128i partial = _mm_add_epi32(_mm_sha256msg1_epu32(w[g % 4], w[(g + 1) % 4]),
                                          _mm_alignr_epi8(w[(g + 3) % 4], w[(g + 2) % 4], 4));
    return _mm_sha256msg2_epu32(partial, w[(g + 3) % 4]);
}

// Group g of the 16: rounds 4g to 4g + 3, two per SHA256RNDS2, which takes the
// state as the halves ABEF and CDGH (A and C in the top lanes) and W + K of its
// two rounds in the bottom lanes. Each call turns CDGH into the new ABEF, so
// the halves swap roles after every call and are back in place after two.
template <int g>
SHANI_TARGET inline void Group(__m128i& abef, __m128i& cdgh, __m128i (&w)[4], const uint8_t* block) {
    if constexpr (g < 4)
        w[g] = LoadWords(block + 16 * g);
    else
        w[g % 4] = NextWords<g>(w);
    const __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kSha256RoundConstants + 4 * g));
    const __m128i wk = _mm_add_epi32(w[g % 4], k);
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, wk);
    abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_unpackhi_epi64(wk, wk));
}

template <int... g>
SHANI_TARGET inline void AllGroups(__m128i& abef, __m128i& cdgh, __m128i (&w)[4], const uint8_t* block,
                                   std::integer_sequence<int, g...>) {
    (Group<g>(abef, cdgh, w, block), ...);
}

} // namespace

SHANI_TARGET void Sha256BlocksShani(uint32_t* state, const uint8_t* blocks, uint64_t blockCount) {
    // From the state words to the halves ABEF and CDGH. The names list the
    // lanes from the top one down; the state's first word loads into the bottom.
    const __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    const __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; blockCount > 0; --blockCount, blocks += 64) {
        const __m128i abefStart = abef;
        const __m128i cdghStart = cdgh;
        __m128i w[4];
        AllGroups(abef, cdgh, w, blocks, std::make_integer_sequence<int, 16>());
        abef = _mm_add_epi32(abef, abefStart);
        cdgh = _mm_add_epi32(cdgh, cdghStart);
    }
    // And back.
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

} // namespace vesk
