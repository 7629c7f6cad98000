// Edon-R 224 and 384, which no common tool computes, tied to the 256 and 512
// bit sizes, which rhash checks with every other algorithm.
#include "algorithms/EdonR.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace vesk::test {
namespace {

// The initial double pipes of Edon-R 224 and 384 in the reference code of the
// SHA-3 round 1 submission (EdonR.c: i224p2, i384p2): consecutive byte values
// from 0, read big-endian, but for the one word of each that breaks the pattern.
TEST(EdonR, ShortSizesStartFromTheReferencePipes) {
    EdonR256Context small;
    EdonR224Init(&small);
    EdonR512Context large;
    EdonR384Init(&large);
    for (uint32_t k = 0; k < 16; ++k) {
        uint32_t word = 0;
        uint64_t wideWord = 0;
        for (uint32_t i = 0; i < 8; ++i) {
            word = i < 4 ? word << 8 | (4 * k + i) : word;
            wideWord = wideWord << 8 | (8 * k + i);
        }
        EXPECT_EQ(small.pipe[k], k == 13 ? 0x24353637u : word) << "Edon-R 224, word " << k;
        EXPECT_EQ(large.pipe[k], k == 6 ? 0x3031323324353637u : wideWord) << "Edon-R 384, word " << k;
    }
}

// The digest of the shorter size, started from the wider size's pipe, and the
// wider size's own digest.
template <typename Context, void (*WideInit)(Context*), void (*NarrowInit)(Context*),
          void (*Update)(Context*, const uint8_t*, uint64_t), void (*Final)(Context*, uint8_t*)>
std::pair<std::string, std::string> NarrowAndWideDigests(std::span<const uint8_t> message) {
    Context wide, narrow;
    WideInit(&wide);
    NarrowInit(&narrow);
    std::copy(std::begin(wide.pipe), std::end(wide.pipe), narrow.pipe);
    Update(&wide, message.data(), message.size());
    Update(&narrow, message.data(), message.size());
    uint8_t wideDigest[64] = {}, narrowDigest[64] = {};
    Final(&wide, wideDigest);
    Final(&narrow, narrowDigest);
    return {ToHex({narrowDigest, narrow.digestLength}), ToHex({wideDigest, wide.digestLength})};
}

// Edon-R 224 and 384 run the engine of 256 and 512 and keep a shorter tail of
// the pipe (bytes 36-63 and 80-127). Started from the wider size's pipe, they
// must therefore give the tail of that size's digest, which rhash pins down.
TEST(EdonR, ShortSizesKeepTheTailOfThePipe) {
    const std::vector<uint8_t> message = RandomBytes(300, TestSeed());
    for (size_t length : {0, 3, 56, 64, 120, 128, 300}) {
        const std::span<const uint8_t> input(message.data(), length);
        const auto [d224, d256] =
            NarrowAndWideDigests<EdonR256Context, EdonR256Init, EdonR224Init, EdonR256Update, EdonR256Final>(
                input);
        EXPECT_EQ(d224, d256.substr(2 * 4)) << length << " bytes";
        const auto [d384, d512] =
            NarrowAndWideDigests<EdonR512Context, EdonR512Init, EdonR384Init, EdonR512Update, EdonR512Final>(
                input);
        EXPECT_EQ(d384, d512.substr(2 * 16)) << length << " bytes";
    }
}

} // namespace
} // namespace vesk::test
