#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kCrc64 = 6;

// The CRC-64/XZ check value from the CRC catalogue, and the program's own published values.
constexpr KnownAnswer kCrc64Answers[] = {
    {kCrc64, "", 1, "0000000000000000"},
    {kCrc64, "123456789", 1, "995DC9BBDF1939FA"},
    {kCrc64, "abc", 1, "2CD8094A1A277627"},
};

TEST(Crc64, KnownAnswers) {
    CheckKnownAnswers(kCrc64Answers);
}

TEST(Crc64, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kCrc64, BoundaryLengths({8, 64}, 1200));
}

// No common tool computes CRC-64/XZ, so the oracle is a few lines of Python:
// the byte-at-a-time table, built bit by bit from the polynomial.
TEST(Crc64, MatchesBytewisePythonAcrossChunkEdges) {
    REQUIRE_TOOL("python3");
    std::vector<size_t> lengths = BoundaryLengths({8, 64}, 3000);
    CheckAgainstOracle(kCrc64, lengths, [](const std::vector<std::filesystem::path>& files) {
        return ToolDigests("python3 -c 'import sys\n"
                           "P = 0xC96C5795D7870F42\n"
                           "T = []\n"
                           "for i in range(256):\n"
                           "    r = i\n"
                           "    for _ in range(8): r = (r >> 1) ^ (P if r & 1 else 0)\n"
                           "    T.append(r)\n"
                           "for f in sys.argv[1:]:\n"
                           "    r = 0xFFFFFFFFFFFFFFFF\n"
                           "    for b in open(f, \"rb\").read(): r = T[(r ^ b) & 0xFF] ^ (r >> 8)\n"
                           "    print(\"%016x\" % (r ^ 0xFFFFFFFFFFFFFFFF))'",
                           files);
    });
}

} // namespace
} // namespace vesk::test
