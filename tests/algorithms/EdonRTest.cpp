#include "algorithms/EdonR.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace vesk::test {
namespace {

constexpr AlgorithmId kEdonR224 = 7;
constexpr AlgorithmId kEdonR256 = 8;
constexpr AlgorithmId kEdonR384 = 9;
constexpr AlgorithmId kEdonR512 = 10;

// The initial double pipes of the reference code of the SHA-3 round 1
// submission (EdonR.c: i224p2, i256p2, i384p2, i512p2), including the one word
// each of Edon-R 224 and 384 that breaks the counting pattern.
TEST(EdonR, InitialPipesFollowTheReferenceCode) {
    EdonR256Context small;
    EdonR224Init(&small);
    EXPECT_EQ(small.length, 0u);
    EXPECT_EQ(small.digestLength, 28u);
    EXPECT_EQ(small.pipe[0], 0x00010203u);
    EXPECT_EQ(small.pipe[12], 0x30313233u);
    EXPECT_EQ(small.pipe[13], 0x24353637u);
    EXPECT_EQ(small.pipe[14], 0x38393A3Bu);
    EXPECT_EQ(small.pipe[15], 0x3C3D3E3Fu);

    EdonR256Init(&small);
    EXPECT_EQ(small.digestLength, 32u);
    EXPECT_EQ(small.pipe[0], 0x40414243u);
    EXPECT_EQ(small.pipe[13], 0x74757677u);
    EXPECT_EQ(small.pipe[15], 0x7C7D7E7Fu);

    EdonR512Context large;
    EdonR384Init(&large);
    EXPECT_EQ(large.length, 0u);
    EXPECT_EQ(large.digestLength, 48u);
    EXPECT_EQ(large.pipe[0], 0x0001020304050607u);
    EXPECT_EQ(large.pipe[5], 0x28292A2B2C2D2E2Fu);
    EXPECT_EQ(large.pipe[6], 0x3031323324353637u);
    EXPECT_EQ(large.pipe[7], 0x38393A3B3C3D3E3Fu);
    EXPECT_EQ(large.pipe[15], 0x78797A7B7C7D7E7Fu);

    EdonR512Init(&large);
    EXPECT_EQ(large.digestLength, 64u);
    EXPECT_EQ(large.pipe[0], 0x8081828384858687u);
    EXPECT_EQ(large.pipe[6], 0xB0B1B2B3B4B5B6B7u);
    EXPECT_EQ(large.pipe[15], 0xF8F9FAFBFCFDFEFFu);
}

// Edon-R 224 and 384 run the engine of 256 and 512 and keep a shorter tail of
// the pipe (bytes 36-63 and 80-127). Started from the wider size's pipe, they
// must therefore give the tail of that size's digest, which the oracle tests
// below pin down.
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

// Block edges, and the lengths where the 8-byte length field stops fitting
// behind the padding byte: 55/56 for the 64-byte blocks, 119/120 for 128.
std::vector<size_t> PaddingEdgeLengths(size_t upTo) {
    std::vector<size_t> lengths = BoundaryLengths({64, 128}, upTo);
    lengths.insert(lengths.end(), {54, 55, 56, 57, 118, 119, 120, 121});
    return lengths;
}

TEST(EdonR, SplitUpdateMatchesOneShot) {
    for (AlgorithmId id : {kEdonR224, kEdonR256, kEdonR384, kEdonR512})
        CheckSplitsMatchOneShot(id, PaddingEdgeLengths(1200));
}

TEST(EdonR256, MatchesRhashAcrossChunkEdges) {
    REQUIRE_TOOL("rhash");
    CheckAgainstOracle(kEdonR256, PaddingEdgeLengths(5000),
                       [](const std::vector<std::filesystem::path>& files) {
                           return ToolDigests("rhash --printf='%{edon-r256}\\n'", files);
                       });
}

TEST(EdonR512, MatchesRhashAcrossChunkEdges) {
    REQUIRE_TOOL("rhash");
    CheckAgainstOracle(kEdonR512, PaddingEdgeLengths(5000),
                       [](const std::vector<std::filesystem::path>& files) {
                           return ToolDigests("rhash --printf='%{edon-r512}\\n'", files);
                       });
}

} // namespace
} // namespace vesk::test
