#include "algorithms/Adler32.h"

#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kAdler32 = 4;
constexpr size_t kLongestRun = 5552; // bytes between two reductions of the sums

// Sixteen bytes of 0xFF: runs of them drive both sums as high as they go.
constexpr const char* kSixteenFF = "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF";

// RFC 1950 gives no vectors; these are the program's own published values
// ("", "123456789", "abc"), the worked example of the Wikipedia article on
// Adler-32, and long inputs as python3's zlib.adler32 computes them.
constexpr KnownAnswer kAdler32Answers[] = {
    {kAdler32, "", 1, "00000001"},
    {kAdler32, "123456789", 1, "091E01DE"},
    {kAdler32, "abc", 1, "024D0127"},
    {kAdler32, "Wikipedia", 1, "11E60398"},
    {kAdler32, "a", 1000000, "15D870F9"},
    {kAdler32, kSixteenFF, kLongestRun / 16, "F18F9B8C"},
    {kAdler32, kSixteenFF, (50 << 20) / 16, "09B1B3D3"},
};

TEST(Adler32, KnownAnswers) {
    CheckKnownAnswers(kAdler32Answers);
}

TEST(Adler32, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kAdler32, BoundaryLengths({16, kLongestRun}, 3 * kLongestRun + 100));
}

// All 0xFF, cut right at and around the reduction points, where an update
// that kept its own run count would overflow or reduce late.
TEST(Adler32, AllOnesSplitAtReductionPointsMatchesZlib) {
    const std::vector<uint8_t> ones(3 * kLongestRun + 100, 0xFF);
    const AlgorithmInfo& info = AlgorithmById(kAdler32);
    const std::vector<std::vector<size_t>> cutSets = {
        {},
        {kLongestRun - 1},
        {kLongestRun},
        {kLongestRun + 1},
        {1, kLongestRun + 1},
        {15, 16, 17, kLongestRun + 16},
        {kLongestRun, 2 * kLongestRun, 3 * kLongestRun},
        {kLongestRun - 1, 2 * kLongestRun + 1},
    };
    for (const std::vector<size_t>& cuts : cutSets)
        EXPECT_EQ(DigestHexInPieces(info, ones, cuts), "2304365c") << cuts.size() << " cuts";
}

TEST(Adler32, FinalKeepsTheChecksumForFurtherUpdates) {
    Adler32Context context;
    Adler32Init(&context);
    uint8_t digest[kAdler32DigestBytes];
    Adler32Update(&context, reinterpret_cast<const uint8_t*>("12345"), 5);
    Adler32Final(&context, digest);
    Adler32Update(&context, reinterpret_cast<const uint8_t*>("6789"), 4);
    Adler32Final(&context, digest);
    EXPECT_EQ(ToHex(digest), "091e01de");
}

TEST(Adler32, MatchesZlibAcrossChunkEdges) {
    REQUIRE_TOOL("python3");
    std::vector<size_t> lengths = BoundaryLengths({16, kLongestRun}, 50000);
    CheckAgainstOracle(kAdler32, lengths, [](const std::vector<std::filesystem::path>& files) {
        return ToolDigests("python3 -c 'import sys,zlib\n"
                           "for f in sys.argv[1:]: print(\"%08x\" % zlib.adler32(open(f,\"rb\").read()))'",
                           files);
    });
}

} // namespace
} // namespace vesk::test
