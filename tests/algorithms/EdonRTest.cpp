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

// Edon-R 224 and 384 run the engine of 256 and 512 and keep a shorter tail of
// the pipe (bytes 36-63 and 80-127). Started from the wider size's pipe, they
// must therefore give the tail of that size's digest, which rhash pins down.
TEST(EdonR, ShortSizesKeepTheTailOfThePipe) {
    const std::vector<uint8_t> message = RandomBytes(300, TestSeed());
    for (size_t length :
         {size_t(0), size_t(3), size_t(56), size_t(64), size_t(120), size_t(128), size_t(300)}) {
        EdonR256Context wide, narrow;
        EdonR256Init(&wide);
        EdonR224Init(&narrow);
        std::copy(std::begin(wide.pipe), std::end(wide.pipe), narrow.pipe);
        EdonR256Update(&wide, message.data(), length);
        EdonR256Update(&narrow, message.data(), length);
        uint8_t wideDigest[32], narrowDigest[28];
        EdonR256Final(&wide, wideDigest);
        EdonR256Final(&narrow, narrowDigest);
        EXPECT_EQ(ToHex(narrowDigest), ToHex({wideDigest + 4, 28})) << length << " bytes";

        EdonR512Context wide512, narrow384;
        EdonR512Init(&wide512);
        EdonR384Init(&narrow384);
        std::copy(std::begin(wide512.pipe), std::end(wide512.pipe), narrow384.pipe);
        EdonR512Update(&wide512, message.data(), length);
        EdonR512Update(&narrow384, message.data(), length);
        uint8_t digest512[64], digest384[48];
        EdonR512Final(&wide512, digest512);
        EdonR512Final(&narrow384, digest384);
        EXPECT_EQ(ToHex(digest384), ToHex({digest512 + 16, 48})) << length << " bytes";
    }
}

} // namespace
} // namespace vesk::test
