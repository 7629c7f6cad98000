// Adler32 reduces its sums every 5552 bytes, the longest run that cannot
// overflow them: all-0xFF input, which drives both sums highest, cut at and
// around those points, where an update that kept its own run count would
// overflow or reduce late. The answer is python3's zlib.adler32.
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kAdler32 = 4;
constexpr size_t kLongestRun = 5552;

TEST(Adler32, AllOnesCutAtTheReductionPoints) {
    const std::vector<uint8_t> ones(3 * kLongestRun + 100, 0xFF);
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
        EXPECT_EQ(DigestHexInPieces(AlgorithmById(kAdler32), ones, cuts), "2304365c")
            << cuts.size() << " cuts";
}

} // namespace
} // namespace vesk::test
